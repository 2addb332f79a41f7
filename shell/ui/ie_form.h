#pragma once
// The web view window (Tieform). No menu entry leads to it; the program keeps it so that a
// window asked to show an address has one. It shows the address it was asked for as plain text.
#include <QWidget>

class QPlainTextEdit;

namespace quelmo::ui {

class ShellHost;

class Tieform : public QWidget {
    Q_OBJECT
public:
    Tieform(ShellHost& host, QWidget* parent = nullptr);

    // Remembers the address and shows it.
    void Navigate(const QString& address);
    const QString& Address() const { return address_; }

private:
    QPlainTextEdit* view_;
    QString address_;
};

}  // namespace quelmo::ui
