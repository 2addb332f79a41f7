#pragma once
// The Chinese font dialog ("edit chinese setup"): the face, the character set and the small
// library's characters of one generated size.
#include "fonts/settings.h"
#include "fonts/ui/face_dialog.h"

class QRadioButton;

namespace quelmo::ui {

class ThzeditForm : public FaceDialog {
    Q_OBJECT
public:
    explicit ThzeditForm(ShellHost& host, QWidget* parent = nullptr);

public slots:
    void Ok() override;

private:
    void Load() override;
    void Choose(int set);

    int set_ = fontset::kHzPart;
    QRadioButton* rb_[3];
};

}  // namespace quelmo::ui
