#pragma once
// The ASC font dialog ("Setup ASC Font"): the face, the width rule and the characters of the
// ASC glyphs of one generated size.
#include "fonts/ui/face_dialog.h"

class QCheckBox;
class QRadioButton;

namespace quelmo::ui {

class Tasceditform : public FaceDialog {
    Q_OBJECT
public:
    explicit Tasceditform(ShellHost& host, QWidget* parent = nullptr);

public slots:
    void Ok() override;

private:
    void Load() override;
    void Choose(int set);

    int set_ = 0;
    QCheckBox* cb1_;
    QRadioButton* rb1_;
    QRadioButton* rb2_;
};

}  // namespace quelmo::ui
