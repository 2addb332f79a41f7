#include "pictures/ui/gif_form.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMovie>
#include <QPushButton>
#include <QVBoxLayout>

#include "pictures/ui/notice.h"
#include "pictures/ui/picture_image.h"

namespace quelmo::ui {
namespace {

namespace fs = std::filesystem;

constexpr QSize kStripPreview(995, 137);
constexpr int kPreviewSpeed = 500;  // percent of the animation's own speed

QString Path(const fs::path& path) { return QString::fromStdString(path.string()); }

QLabel* Preview(QWidget* parent, const char* name, QSize size) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAccessibleName(name);  // a picture: announced by its name
    label->setFixedSize(size);
    label->setFrameShape(QFrame::StyledPanel);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

GifForm::GifForm(const fs::path& workdir, QWidget* parent)
    : QWidget(parent),
      workdir_(workdir),
      choose_(new QPushButton(tr("1. choose GIF file for conversion"), this)),
      convert_(new QPushButton(tr("2 convert"), this)),
      save_(new QPushButton(tr("3 save into image folder"), this)),
      image1_(Preview(this, "Image1", QSize(kPreviewSize, kPreviewSize))),
      image2_(Preview(this, "Image2", kStripPreview)),
      status_(new QLabel(this)) {
    setObjectName("Tgifform");
    setWindowTitle("gif2jpg");
    ask_ = [this](const QString& title, const QString& question) {
        return QMessageBox::question(this, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
               QMessageBox::Yes;
    };
    auto* check = new QPushButton(tr("Check image"), this);
    choose_->setObjectName("Button1");
    convert_->setObjectName("Button2");
    save_->setObjectName("Button3");
    check->setObjectName("Button4");
    convert_->setEnabled(false);
    save_->setEnabled(false);
    connect(choose_, &QPushButton::clicked, this, &GifForm::ChooseWithDialog);
    connect(convert_, &QPushButton::clicked, this, &GifForm::Convert);
    connect(save_, &QPushButton::clicked, this, &GifForm::Save);
    connect(check, &QPushButton::clicked, this, &GifForm::CheckImage);

    image2_->setScaledContents(true);
    auto* note = new QGroupBox(tr("important note:"), this);
    auto* label1 = new QLabel(tr("... due to the limit of MCU memory, can not fully support image transparent, so a part "
                                 "of transparent GIF can not display, please do your best to try to use none "
                                 "transparent GIF"),
                              note);
    label1->setObjectName("Label1");
    label1->setWordWrap(true);
    (new QVBoxLayout(note))->addWidget(label1);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {choose_, convert_, save_, check}) buttons->addWidget(b);
    buttons->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(image1_);
    middle->addWidget(note, 1, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addLayout(middle);
    layout->addWidget(image2_);
    layout->addWidget(status_);
    layout->addStretch(1);
}

QString GifForm::StatusText() const { return status_->text(); }

void GifForm::ChooseWithDialog() {
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("choose an image file"), QString(),
                                                      QStringLiteral("GIF图形文件 (*.gif)"));
    if (!file.isEmpty()) ChooseFile(file);
}

void GifForm::ChooseFile(const QString& path) {
    const fs::path file = path.toStdString();
    // The converter's own decoder judges the file, so what is previewed can be converted.
    auto bytes = pictures::ReadWholeFile(file);
    if (!bytes) return ReportError(QString::fromStdString(bytes.error().message));
    auto gif = pictures::DecodeGif(*bytes);
    if (!gif) return ReportError(Path(file) + ": " + QString::fromStdString(gif.error().message));

    gif_ = file;
    strip_.reset();
    image2_->clear();
    save_->setEnabled(false);
    convert_->setEnabled(true);
    if (movie_) movie_->deleteLater();
    movie_ = new QMovie(path, QByteArray(), this);
    // Shown as it is, unless it does not fit: then stretched over the whole preview.
    if (gif->width > kPreviewSize || gif->height > kPreviewSize) movie_->setScaledSize(QSize(kPreviewSize, kPreviewSize));
    movie_->setSpeed(kPreviewSpeed);
    image1_->setMovie(movie_);
    movie_->start();
    status_->setText(tr("%1: %2 x %3, %n frame(s)", nullptr, static_cast<int>(gif->frames.size()))
                         .arg(Path(file))
                         .arg(gif->width)
                         .arg(gif->height));
}

void GifForm::Convert() {
    if (gif_.empty()) return;
    auto converted = pictures::ConvertGif(gif_);
    if (!converted) return ReportError(QString::fromStdString(converted.error().message));
    strip_ = std::move(*converted);
    image2_->setPixmap(QPixmap::fromImage(ToQImage(strip_->strip)));
    save_->setEnabled(true);
    status_->setText(tr("strip of %1 x %2").arg(strip_->strip.width).arg(strip_->strip.height));
}

void GifForm::Save() {
    if (!strip_) return;
    const fs::path target = pictures::StripTarget(workdir_, strip_->base_name);
    std::error_code ec;
    if (fs::exists(target, ec) &&
        !ask_(QStringLiteral("系统提示"), QString::fromStdString(pictures::OverwriteQuestion(strip_->base_name)))) {
        status_->setText(tr("kept %1").arg(Path(target)));
        return;
    }
    if (auto s = pictures::SaveStrip(*strip_, target); !s) return ReportError(QString::fromStdString(s.error().message));
    status_->setText(tr("saved %1").arg(Path(target)));
}

void GifForm::ReportError(const QString& text) {
    status_->setText(text);
    OpenNotice(this, QMessageBox::Warning, text);
}

}  // namespace quelmo::ui
