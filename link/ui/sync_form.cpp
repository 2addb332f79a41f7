#include "link/ui/sync_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "link/ui/link_hooks.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {
namespace {

constexpr int kCell = 6;
constexpr int kPitch = 8;
constexpr int kColumns = 64;

// The fixed legend beside the map: one cell of each colour with what it means.
QPixmap Legend() {
    const QString texts[4] = {QObject::tr("not in this run"), QObject::tr("same as the module"),
                              QObject::tr("differs from the module"), QObject::tr("done")};
    QFont font;
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& t : texts) width = std::max(width, metrics.horizontalAdvance(t));
    const int line = std::max(metrics.height(), 14) + 4;
    QPixmap legend(width + 24, line * 4);
    legend.fill(Qt::white);
    QPainter p(&legend);
    p.setFont(font);
    for (int i = 0; i < 4; ++i) {
        const int y = i * line + (line - 12) / 2;
        p.fillRect(2, y, 12, 12, QColor::fromRgb(kCellColours[i]));
        p.setPen(Qt::black);
        p.drawText(QRect(20, i * line, width + 4, line), Qt::AlignVCenter | Qt::AlignLeft, texts[i]);
    }
    return legend;
}

}  // namespace

SectorMapView::SectorMapView(QWidget* parent)
    : QWidget(parent), picture_(kSide, kSide, QImage::Format_RGB32) {
    setFixedSize(kSide, kSide);
    picture_.fill(Qt::white);
    Draw(drawn_, true);
}

void SectorMapView::Draw(const std::array<SyncUpload::Cell, kMaxSectors>& map, bool all) {
    bool changed = false;
    for (int s = 0; s < kMaxSectors; ++s) {
        if (!all && drawn_[s] == map[s]) continue;
        drawn_[s] = map[s];
        changed = true;
        const QRgb colour = kCellColours[map[s] < 4 ? map[s] : 0];
        const int x = kPitch * (s % kColumns) + 1;
        const int y = kPitch * (s / kColumns) + 1;
        for (int row = y; row < y + kCell; ++row) {
            auto* line = reinterpret_cast<QRgb*>(picture_.scanLine(row)) + x;
            std::fill(line, line + kCell, colour);
        }
    }
    if (changed) update();
}

void SectorMapView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, picture_);
}

Tsyncform::Tsyncform(ShellHost& host, QWidget* parent)
    : QWidget(parent),
      host_(host),
      upload_(host.Link()),
      bsync_(new QPushButton(tr("start sync"), this)),
      up3_(new QPushButton(tr("upload 24-64 small font library"), this)),
      up4_(new QPushButton(tr("upload page info"), this)),
      up5_(new QPushButton(tr("upload image info"), this)),
      qzfg_(new QCheckBox(tr("force to save"), this)),
      button1_(new QPushButton(tr("stop transmission"), this)),
      label13_(new QLabel(this)),
      rxmemo_(new QPlainTextEdit(this)),
      image1_(new SectorMapView(this)) {
    setObjectName("Tsyncform");
    setWindowTitle(tr("data upload/sync"));

    auto name = [](QWidget* w, const char* object, const QString& caption) {
        w->setObjectName(object);
        w->setAccessibleName(caption);
    };
    name(bsync_, "bsync", bsync_->text());
    name(up3_, "up3", up3_->text());
    name(up4_, "up4", up4_->text());
    name(up5_, "up5", up5_->text());
    name(qzfg_, "qzfg", qzfg_->text());
    name(button1_, "Button1", button1_->text());
    name(label13_, "Label13", tr("status"));
    name(rxmemo_, "rxmemo", tr("upload log"));
    name(image1_, "Image1", "Image1");
    auto* image2 = new QLabel(this);
    image2->setPixmap(Legend());
    name(image2, "Image2", "Image2");

    qzfg_->setChecked(false);
    button1_->setEnabled(false);
    rxmemo_->setReadOnly(true);
    rxmemo_->setMaximumBlockCount(20000);
    label13_->setMinimumWidth(160);

    auto* group = new QGroupBox(tr("auto all data sync"), this);
    group->setObjectName("autoalldatasync");
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(bsync_);

    auto* controls = new QVBoxLayout;
    controls->addWidget(group);
    controls->addWidget(up3_);
    controls->addWidget(up4_);
    controls->addWidget(up5_);
    controls->addWidget(qzfg_);
    controls->addWidget(button1_);
    controls->addWidget(label13_);
    controls->addWidget(image2);
    controls->addStretch();

    auto* root = new QHBoxLayout(this);
    root->addLayout(controls);
    root->addWidget(image1_, 0, Qt::AlignTop);
    root->addWidget(rxmemo_, 1);

    connect(bsync_, &QPushButton::clicked, this, &Tsyncform::SyncAll);
    connect(up3_, &QPushButton::clicked, this, &Tsyncform::UploadFonts);
    connect(up4_, &QPushButton::clicked, this, &Tsyncform::UploadPages);
    connect(up5_, &QPushButton::clicked, this, &Tsyncform::UploadPictures);
    connect(button1_, &QPushButton::clicked, this, &Tsyncform::StopTransmission);

    // Every upload starts with the frame's refresh, which rebuilds the image from the project.
    upload_.OnRefresh = [this] {
        host_.Refresh();
        return host_.ImageBuilt();
    };
    // Closing the main window or leaving the program stops a run, and so does losing the port.
    upload_.StopRequested = [this] { return host_.StopFlag() || host_.Link().ConnectionState == 0; };
    upload_.OnLog = [this](const std::string& line) { AddLog(DisplayText(line)); };
    upload_.OnStatus = [this](const std::string& text) { label13_->setText(QString::fromUtf8(text)); };
    upload_.OnMapDrawn = [this] { image1_->Draw(upload_.SectorMap(), true); };
    upload_.OnProgress = [this](int, int) { image1_->Draw(upload_.SectorMap(), false); };
}

void Tsyncform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    host_.Link().ReceiveView = 2;
}

void Tsyncform::AddLog(const QString& line) {
    rxmemo_->appendPlainText(line);
    rxmemo_->moveCursor(QTextCursor::End);
    rxmemo_->ensureCursorVisible();
}

void Tsyncform::SetRunning(bool running) {
    running_ = running;
    for (QPushButton* b : {bsync_, up3_, up4_, up5_}) b->setEnabled(!running);
    qzfg_->setEnabled(!running);
    button1_->setEnabled(running);
}

void Tsyncform::SyncAll() { Press(SyncUpload::Button::All); }
void Tsyncform::UploadFonts() { Press(SyncUpload::Button::Fonts); }
void Tsyncform::UploadPages() { Press(SyncUpload::Button::Pages); }
void Tsyncform::UploadPictures() { Press(SyncUpload::Button::Pictures); }

void Tsyncform::StopTransmission() { upload_.Stop = true; }

void Tsyncform::Press(SyncUpload::Button button) {
    // The waits of a run let clicks through; a second run would share the first one's replies
    // and sectors. The upload buttons are disabled while a run goes on, and a click that was
    // already queued is turned away here.
    if (running_) return;
    DeviceLink& link = host_.Link();
    ScopedLinkHooks hooks(link);
    link.OnMessage = [this](const std::string& text) { Inform(this, DisplayText(text)); };
    host_.StopFlag() = false;
    upload_.ForceAll = qzfg_->isChecked();

    SetRunning(true);
    const SyncUpload::Outcome outcome = upload_.Press(button);
    SetRunning(false);
    image1_->Draw(upload_.SectorMap(), false);

    switch (outcome) {
        case SyncUpload::Outcome::Refused:
            if (upload_.FinalMessage().empty()) {
                // The refresh could not build the image whole; half an image is never sent.
                const QString text = tr("The flash image could not be built whole, so nothing was uploaded.");
                AddLog(text);
                Inform(this, text, QMessageBox::Warning);
            }
            break;
        case SyncUpload::Outcome::VerifyFailed: AddLog(QString::fromUtf8(upload_.FinalMessage())); break;
        case SyncUpload::Outcome::Failed:
            // The module stopped answering and was disconnected: menus and status panel follow.
            host_.Refresh();
            break;
        default: break;
    }
}

}  // namespace quelmo::ui
