#pragma once
// The design window: command text on the left, the simulated screen on the right. Every change
// of the text clears the screen and runs the text again.
#include <QWidget>

#include "shell/ui/working_window.h"

class QPlainTextEdit;
class QLabel;

namespace quelmo {
class Tglobal;
}

namespace quelmo::ui {

class ScreenView;

class EditCmdForm : public QWidget, public WorkingWindow {
    Q_OBJECT
public:
    explicit EditCmdForm(Tglobal& g, QWidget* parent = nullptr);
    // The screen stops drawing into this window's picture, which goes with it; the context
    // outlives the window.
    ~EditCmdForm() override;

    // Puts a design into the window as it stands: nothing edited yet.
    void LoadText(const QString& text);
    // Set once the user edits the text, cleared when a design is loaded.
    bool DesignDirty() const override { return dirty_; }
    // The screen shows the fonts and pictures of the image just built.
    void ImageBuilt() override { Redraw(); }

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
    bool dirty_ = false;
    bool loading_ = false;
};

}  // namespace quelmo::ui
