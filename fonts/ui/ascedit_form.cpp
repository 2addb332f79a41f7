#include "fonts/ui/ascedit_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/gbk.h"
#include "shell/context.h"
#include "fonts/settings.h"
#include "fonts/ui/face_preview.h"
#include "core/hashtable.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {

namespace {
constexpr const char* kNoGbkText = "The text holds characters that GBK cannot store; remove them and press OK again.";

QRadioButton* Radio(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}
}  // namespace

Tasceditform::Tasceditform(ShellHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName("asceditform");
    setWindowTitle("Setup ASC Font");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName("Label1");
    layout->addWidget(title_);
    zt_ = MakeFaceList(this);
    layout->addWidget(zt_);
    showfont_ = new FacePreview(QStringLiteral("ABCDEFG abcdefg 1234567890.00"), 32, this);
    layout->addWidget(showfont_);
    layout->addWidget(MakeUsedFaceLine(showfont_, this));
    connect(zt_, &QComboBox::currentTextChanged, showfont_, &FacePreview::SetFace);

    cb1_ = new QCheckBox("Force same width", this);
    cb1_->setObjectName("cb1");
    cb1_->setAccessibleName(cb1_->text());
    layout->addWidget(cb1_);
    rb1_ = Radio(this, "rb1", "All use ASC");
    rb2_ = Radio(this, "rb2", "Partially use ASC");
    layout->addWidget(rb1_);
    layout->addWidget(rb2_);
    connect(rb1_, &QRadioButton::clicked, this, [this] { Choose(0); });
    connect(rb2_, &QRadioButton::clicked, this, [this] { Choose(1); });
    memoasc_ = new QPlainTextEdit(this);
    memoasc_->setObjectName("memoasc");
    memoasc_->setAccessibleName("memoasc");
    layout->addWidget(memoasc_, 1);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("Button1");
    ok_->setAccessibleName("OK");
    ok_->setAutoDefault(false);
    layout->addWidget(ok_, 0, Qt::AlignRight);
    connect(ok_, &QPushButton::clicked, this, &Tasceditform::Ok);
    resize(560, 400);
}

void Tasceditform::showEvent(QShowEvent* event) {
    Load();
    QDialog::showEvent(event);
}

void Tasceditform::Load() {
    const auto c = fontset::LoadAsc(host_.Context().Settings(), size_);
    title_->setText(QStringLiteral("当前设置%1点阵英文字符").arg(size_));
    title_->setAccessibleName(title_->text());
    zt_->setEditText(QString::fromStdString(GbkToUtf8(c.face)));
    showfont_->SetFace(zt_->currentText());
    cb1_->setChecked(c.same_width);
    memoasc_->setPlainText(QString::fromStdString(GbkToUtf8(c.chars)).replace("\r\n", "\n"));
    Choose(c.set == fontset::kAscAll ? 0 : 1);
}

void Tasceditform::Choose(int set) {
    set_ = set;
    (set == 0 ? rb1_ : rb2_)->setChecked(true);
    memoasc_->setEnabled(set != 0);
}

void Tasceditform::Ok() {
    bool face_ok = true, chars_ok = true;
    fontset::AscChoice c;
    c.face = Utf8ToGbk(zt_->currentText().toStdString(), &face_ok);
    c.same_width = cb1_->isChecked();
    c.set = set_;
    // Lines are kept with CR LF, which the font build drops from the list.
    c.chars = Utf8ToGbk(memoasc_->toPlainText().replace("\n", "\r\n").toStdString(), &chars_ok);
    if (!face_ok || !chars_ok) return Inform(this, kNoGbkText, QMessageBox::Warning);
    fontset::ApplyAsc(host_.Context().Settings(), size_, c);
    accept();
}

}  // namespace quelmo::ui
