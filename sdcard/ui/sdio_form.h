#pragma once
// The SD card writer ("sdio"): four steps from 'start' to the data written, the log and the
// upgrade switch, over the writer model. The frame hands it the removable-disk notifications
// (CardArrived, CardRemoved); every refusal of the model reaches the user as a message.
#include <QWidget>
#include <memory>

#include "sdcard/tsdio.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quelmo::ui {

class ShellHost;

class Tsdioform : public QWidget {
    Q_OBJECT
public:
    explicit Tsdioform(ShellHost& host, QWidget* parent = nullptr);
    ~Tsdioform() override;

    // The drives and cards the writer works on: the system's removable drives unless replaced
    // (tests give card images). Starts afresh from the reset.
    void UseCardAccess(sd::CardAccess& access);
    const sd::Tsdio& Writer() const { return *writer_; }

public slots:
    void Start();
    void Format();
    void WriteData();
    // Removable-disk notifications.
    void CardArrived();
    void CardRemoved();

private:
    void Show();
    void Refuse(const Error& error);

    ShellHost& host_;
    std::unique_ptr<sd::SystemCardAccess> system_;
    std::unique_ptr<sd::Tsdio> writer_;
    size_t log_shown_ = 0;
    QLabel* t_[4];
    QLabel* ok_[4];
    QPlainTextEdit* memo1_;
    QCheckBox* cb1_;
    QPushButton* start_;
    QPushButton* format_;
    QPushButton* write_;
};

}  // namespace quelmo::ui
