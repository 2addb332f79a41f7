#include "fonts/ui/ascedit_form.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "fonts/settings.h"
#include "shell/context.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {

namespace {
QRadioButton* Radio(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}
}  // namespace

Tasceditform::Tasceditform(ShellHost& host, QWidget* parent)
    : FaceDialog(host, QStringLiteral("ABCDEFG abcdefg 1234567890.00"), parent) {
    setObjectName("asceditform");
    setWindowTitle("Setup ASC Font");
    cb1_ = new QCheckBox("Force same width", this);
    cb1_->setObjectName("cb1");
    cb1_->setAccessibleName(cb1_->text());
    Layout()->addWidget(cb1_);
    rb1_ = Radio(this, "rb1", "All use ASC");
    rb2_ = Radio(this, "rb2", "Partially use ASC");
    Layout()->addWidget(rb1_);
    Layout()->addWidget(rb2_);
    connect(rb1_, &QRadioButton::clicked, this, [this] { Choose(0); });
    connect(rb2_, &QRadioButton::clicked, this, [this] { Choose(1); });
    FinishLayout("memoasc");
    resize(560, 400);
}

void Tasceditform::Load() {
    const auto c = fontset::LoadAsc(host_.Context().Settings(), size_);
    ShowStored(QStringLiteral("当前设置%1点阵英文字符").arg(size_), c.face, c.chars);
    cb1_->setChecked(c.same_width);
    Choose(c.set == fontset::kAscAll ? 0 : 1);
}

void Tasceditform::Choose(int set) {
    set_ = set;
    (set == 0 ? rb1_ : rb2_)->setChecked(true);
    memo_->setEnabled(set != 0);
}

void Tasceditform::Ok() {
    fontset::AscChoice c;
    if (!ReadChoice(&c.face, &c.chars)) return;
    c.same_width = cb1_->isChecked();
    c.set = set_;
    fontset::ApplyAsc(host_.Context().Settings(), size_, c);
    accept();
}

}  // namespace quelmo::ui
