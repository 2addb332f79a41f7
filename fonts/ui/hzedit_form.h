#pragma once
// The Chinese font dialog ("edit chinese setup"): the face, the character set and the small
// library's characters of one generated size.
#include <QDialog>

#include "fonts/settings.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace quelmo::ui {

class FacePreview;
class ShellHost;

class ThzeditForm : public QDialog {
    Q_OBJECT
public:
    explicit ThzeditForm(ShellHost& host, QWidget* parent = nullptr);

    // The size being set up (24, 32, 48 or 64); the dialog reads its settings when shown.
    void SetSize(int size) { size_ = size; }
    int Size() const { return size_; }
    FacePreview* Preview() const { return showfont_; }

public slots:
    // OK: stores the choice and closes, or shows the refusal and stays open.
    void Ok();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Load();
    void Choose(int set);

    ShellHost& host_;
    int size_ = 24;
    int set_ = fontset::kHzPart;
    QLabel* title_;
    QComboBox* zt_;
    FacePreview* showfont_;
    QRadioButton* rb_[3];
    QPlainTextEdit* memohz_;
    QPushButton* ok_;
};

}  // namespace quelmo::ui
