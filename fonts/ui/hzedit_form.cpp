#include "fonts/ui/hzedit_form.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/gbk.h"
#include "shell/context.h"
#include "fonts/ui/face_preview.h"
#include "core/hashtable.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {

namespace {
constexpr const char* kNoGbkText = "The text holds characters that GBK cannot store; remove them and press OK again.";
}

ThzeditForm::ThzeditForm(ShellHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName("hzeditForm");
    setWindowTitle("edit chinese setup");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName("Label1");
    layout->addWidget(title_);
    zt_ = MakeFaceList(this);
    layout->addWidget(zt_);
    showfont_ = new FacePreview(QStringLiteral("汉字字体演示  "), 32, this);
    layout->addWidget(showfont_);
    layout->addWidget(MakeUsedFaceLine(showfont_, this));
    connect(zt_, &QComboBox::currentTextChanged, showfont_, &FacePreview::SetFace);

    static const char* const kCaptions[3] = {
        "use a part of chinese", "all use GB2312 chinese (6763 chinese + 682 full  type chars)",
        "all use GBK chinese (21003 chinese words and characters, include all)"};
    for (int i = 0; i < 3; ++i) {
        rb_[i] = new QRadioButton(kCaptions[i], this);
        rb_[i]->setObjectName(QStringLiteral("rb%1").arg(i + 1));
        rb_[i]->setAccessibleName(kCaptions[i]);
        layout->addWidget(rb_[i]);
        connect(rb_[i], &QRadioButton::clicked, this, [this, i] { Choose(i); });
    }
    memohz_ = new QPlainTextEdit(this);
    memohz_->setObjectName("memohz");
    memohz_->setAccessibleName("memohz");
    layout->addWidget(memohz_, 1);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("Button1");
    ok_->setAccessibleName("OK");
    ok_->setAutoDefault(false);
    layout->addWidget(ok_, 0, Qt::AlignRight);
    connect(ok_, &QPushButton::clicked, this, &ThzeditForm::Ok);
    resize(560, 420);
}

void ThzeditForm::showEvent(QShowEvent* event) {
    Load();
    QDialog::showEvent(event);
}

void ThzeditForm::Load() {
    const auto c = fontset::LoadChinese(host_.Context().Settings(), size_);
    title_->setText(QStringLiteral("当前设置%1点阵汉字").arg(size_));
    title_->setAccessibleName(title_->text());
    zt_->setEditText(QString::fromStdString(GbkToUtf8(c.face)));
    showfont_->SetFace(zt_->currentText());
    memohz_->setPlainText(QString::fromStdString(GbkToUtf8(c.chars)).replace("\r\n", "\n"));
    Choose(c.set == fontset::kHzPart ? 0 : c.set == fontset::kHzGb2312 ? 1 : 2);
}

void ThzeditForm::Choose(int set) {
    set_ = set;
    rb_[set]->setChecked(true);
    memohz_->setEnabled(set == fontset::kHzPart);
}

void ThzeditForm::Ok() {
    bool face_ok = true, chars_ok = true;
    fontset::ChineseChoice c;
    c.face = Utf8ToGbk(zt_->currentText().toStdString(), &face_ok);
    c.set = set_;
    // Lines are kept with CR LF, which the font build drops from the list.
    c.chars = Utf8ToGbk(memohz_->toPlainText().replace("\n", "\r\n").toStdString(), &chars_ok);
    if (!face_ok || !chars_ok) return Inform(this, kNoGbkText, QMessageBox::Warning);
    if (auto s = fontset::ApplyChinese(host_.Context().Settings(), size_, c); !s)
        return Inform(this, QString::fromStdString(s.error().message), QMessageBox::Warning);
    accept();
}

}  // namespace quelmo::ui
