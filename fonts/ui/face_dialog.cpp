#include "fonts/ui/face_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/gbk.h"
#include "fonts/ui/face_preview.h"
#include "shell/ui/messages.h"

namespace quelmo::ui {

namespace {
constexpr const char* kNoGbkText = "The text holds characters that GBK cannot store; remove them and press OK again.";
}

FaceDialog::FaceDialog(ShellHost& host, const QString& sample, QWidget* parent)
    : QDialog(parent), host_(host), layout_(new QVBoxLayout(this)) {
    setModal(true);
    title_ = new QLabel(this);
    title_->setObjectName("Label1");
    layout_->addWidget(title_);
    zt_ = MakeFaceList(this);
    layout_->addWidget(zt_);
    showfont_ = new FacePreview(sample, 32, this);
    layout_->addWidget(showfont_);
    layout_->addWidget(MakeUsedFaceLine(showfont_, this));
    connect(zt_, &QComboBox::currentTextChanged, showfont_, &FacePreview::SetFace);
}

void FaceDialog::FinishLayout(const char* memo_name) {
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(memo_name);
    memo_->setAccessibleName(memo_name);
    layout_->addWidget(memo_, 1);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("Button1");
    ok_->setAccessibleName("OK");
    ok_->setAutoDefault(false);
    layout_->addWidget(ok_, 0, Qt::AlignRight);
    connect(ok_, &QPushButton::clicked, this, &FaceDialog::Ok);
}

void FaceDialog::showEvent(QShowEvent* event) {
    Load();
    QDialog::showEvent(event);
}

void FaceDialog::ShowStored(const QString& title, const std::string& face_gbk, const std::string& chars_gbk) {
    title_->setText(title);
    title_->setAccessibleName(title);
    zt_->setEditText(QString::fromStdString(GbkToUtf8(face_gbk)));
    showfont_->SetFace(zt_->currentText());
    memo_->setPlainText(QString::fromStdString(GbkToUtf8(chars_gbk)).replace("\r\n", "\n"));
}

bool FaceDialog::ReadChoice(std::string* face_gbk, std::string* chars_gbk) {
    bool face_ok = true, chars_ok = true;
    *face_gbk = Utf8ToGbk(zt_->currentText().toStdString(), &face_ok);
    *chars_gbk = Utf8ToGbk(memo_->toPlainText().replace("\n", "\r\n").toStdString(), &chars_ok);
    if (face_ok && chars_ok) return true;
    Inform(this, kNoGbkText, QMessageBox::Warning);
    return false;
}

}  // namespace quelmo::ui
