#include "fonts/ui/hzedit_form.h"

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/context.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {

ThzeditForm::ThzeditForm(ShellHost& host, QWidget* parent)
    : FaceDialog(host, QStringLiteral("汉字字体演示  "), parent) {
    setObjectName("hzeditForm");
    setWindowTitle("edit chinese setup");
    static const char* const kCaptions[3] = {
        "use a part of chinese", "all use GB2312 chinese (6763 chinese + 682 full  type chars)",
        "all use GBK chinese (21003 chinese words and characters, include all)"};
    for (int i = 0; i < 3; ++i) {
        rb_[i] = new QRadioButton(kCaptions[i], this);
        rb_[i]->setObjectName(QStringLiteral("rb%1").arg(i + 1));
        rb_[i]->setAccessibleName(kCaptions[i]);
        Layout()->addWidget(rb_[i]);
        connect(rb_[i], &QRadioButton::clicked, this, [this, i] { Choose(i); });
    }
    FinishLayout("memohz");
    resize(560, 420);
}

void ThzeditForm::Load() {
    const auto c = fontset::LoadChinese(host_.Context().Settings(), size_);
    ShowStored(QStringLiteral("当前设置%1点阵汉字").arg(size_), c.face, c.chars);
    Choose(c.set == fontset::kHzPart ? 0 : c.set == fontset::kHzGb2312 ? 1 : 2);
}

void ThzeditForm::Choose(int set) {
    set_ = set;
    rb_[set]->setChecked(true);
    memo_->setEnabled(set == fontset::kHzPart);
}

void ThzeditForm::Ok() {
    fontset::ChineseChoice c;
    if (!ReadChoice(&c.face, &c.chars)) return;
    c.set = set_;
    if (auto s = fontset::ApplyChinese(host_.Context().Settings(), size_, c); !s)
        return Inform(this, QString::fromStdString(s.error().message), QMessageBox::Warning);
    accept();
}

}  // namespace quelmo::ui
