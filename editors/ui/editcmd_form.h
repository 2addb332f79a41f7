#pragma once
// The design window: command text on the left, the simulated screen on the right. Every change
// of the text clears the screen and runs the text again.
#include <QWidget>

class QPlainTextEdit;
class QLabel;

namespace quelmo {
class Tglobal;
}

namespace quelmo::ui {

class ScreenView;

class EditCmdForm : public QWidget {
    Q_OBJECT
public:
    explicit EditCmdForm(Tglobal& g, QWidget* parent = nullptr);

    QPlainTextEdit* Editor() const { return cmdedit_; }
    ScreenView* Screen() const { return lcd_; }
    void SetScreenSize(int width, int height);

public slots:
    void Redraw();

private:
    Tglobal& g_;
    QPlainTextEdit* cmdedit_;
    ScreenView* lcd_;
    QLabel* status_;
};

}  // namespace quelmo::ui
