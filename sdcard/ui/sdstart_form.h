#pragma once
// The SD card tool page ("sdstart"): the state of the card data in sd/, the way to the SD
// picture list and to the card writer, and the making of the upgrade copy of the flash image.
// The upgrade copy takes the connected module's memory size; without a module the user picks
// the size the card is meant for.
#include <QWidget>

#include "sdcard/tsdstart.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace quelmo::ui {

class ShellHost;

class Tsdstartform : public QWidget {
    Q_OBJECT
public:
    explicit Tsdstartform(ShellHost& host, QWidget* parent = nullptr);

public slots:
    // Label3 and Label4 from the files of sd/.
    void RefreshLabels();
    // 'create sd flush upgrade data'.
    void MakeUpgradeCopy();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ShellHost& host_;
    sd::Tsdstart page_;
    QLabel* label3_;
    QLabel* label4_;
    QComboBox* memory_;
};

}  // namespace quelmo::ui
