#pragma once
// How the picture windows tell an outcome: a box over the window that does not hold up the caller.
#include <QMessageBox>

namespace quelmo::ui {

// Opens a window-modal box over `owner` and returns at once; the box deletes itself when closed.
// Nothing is opened while the owner is hidden: its status line carries the text alone.
inline void OpenNotice(QWidget* owner, QMessageBox::Icon icon, const QString& text) {
    if (!owner->isVisible()) return;
    auto* box = new QMessageBox(icon, owner->windowTitle(), text, QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace quelmo::ui
