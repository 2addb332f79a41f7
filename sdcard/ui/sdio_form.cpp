#include "sdcard/ui/sdio_form.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <ctime>

#include "shell/context.h"
#include "shell/ui/messages.h"
#include "sdcard/ui/sd_widgets.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {
namespace {

using sdui::Button;
using sdui::Text;
using sdui::Title;

void SetText(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
    label->setAccessibleName(label->text());
}

}  // namespace

Tsdioform::Tsdioform(ShellHost& host, QWidget* parent)
    : QWidget(parent), host_(host), system_(std::make_unique<sd::SystemCardAccess>()) {
    setObjectName("sdioform");
    setWindowTitle("SD(TF) card tool");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Title(this));
    for (const char* note :
         {"note:", "1. sd card use physical sector read, so when plug into PCB will show up need format, just ignore this.",
          "2. to avoid choose wrong drive, please also remove all other removable disk!",
          "3. please use high quality sd card to avoid unexpected error", "4. tf supported 8m-8G"})
        layout->addWidget(Text(this, note));

    static const char* const kSteps[4] = {"1. start", "2. insert card to recognize", "3. check if need format",
                                          "4. data write in"};
    start_ = Button(this, "Button1", "start");
    format_ = Button(this, "Button3", "format");
    write_ = Button(this, "Button4", "data write in");
    QPushButton* step_buttons[4] = {start_, nullptr, format_, write_};
    for (int i = 0; i < 4; ++i) {
        auto* box = new QGroupBox(kSteps[i], this);
        box->setAccessibleName(kSteps[i]);
        auto* grid = new QGridLayout(box);
        t_[i] = new QLabel(box);
        t_[i]->setObjectName(QStringLiteral("t%1").arg(i + 1));
        t_[i]->setWordWrap(true);
        ok_[i] = new QLabel(box);
        ok_[i]->setObjectName(QStringLiteral("ok%1").arg(i + 1));
        ok_[i]->setMinimumWidth(40);
        grid->addWidget(t_[i], 0, 0);
        grid->addWidget(ok_[i], 0, 1);
        if (step_buttons[i]) grid->addWidget(step_buttons[i], 0, 2);
        grid->setColumnStretch(0, 1);
        layout->addWidget(box);
    }
    memo1_ = new QPlainTextEdit(this);
    memo1_->setObjectName("Memo1");
    memo1_->setAccessibleName("Memo1");
    memo1_->setReadOnly(true);
    layout->addWidget(memo1_, 1);
    auto* config = new QGroupBox("system configure", this);
    config->setAccessibleName(config->title());
    auto* config_layout = new QVBoxLayout(config);
    cb1_ = new QCheckBox("write rom data into card for offline upgrade", config);
    cb1_->setObjectName("cb1");
    cb1_->setAccessibleName(cb1_->text());
    config_layout->addWidget(cb1_);
    layout->addWidget(config);

    connect(start_, &QPushButton::clicked, this, &Tsdioform::Start);
    connect(format_, &QPushButton::clicked, this, &Tsdioform::Format);
    connect(write_, &QPushButton::clicked, this, &Tsdioform::WriteData);
    connect(cb1_, &QCheckBox::toggled, this, [this](bool on) { writer_->SetWriteRom(on); });
    UseCardAccess(*system_);
}

Tsdioform::~Tsdioform() = default;

void Tsdioform::UseCardAccess(sd::CardAccess& access) {
    writer_ = std::make_unique<sd::Tsdio>(access, host_.Context().Workdir() / "sd");
    writer_->SetWriteRom(cb1_->isChecked());
    // The sector being written shows in step 4, repainted a few times a second (a card takes
    // tens of thousands of sectors) without taking input meanwhile.
    writer_->on_progress = [this, shown = QElapsedTimer()](uint64_t) mutable {
        if (shown.isValid() && shown.elapsed() < 40) return;
        shown.start();
        SetText(t_[3], writer_->Text(4));
        t_[3]->repaint();
    };
    memo1_->clear();
    log_shown_ = 0;
    Show();
}

void Tsdioform::Show() {
    const sd::Tsdio& w = *writer_;
    for (int i = 0; i < 4; ++i) {
        SetText(t_[i], w.Text(i + 1));
        SetText(ok_[i], w.Ok(i + 1));
    }
    start_->setEnabled(w.StartEnabled());
    format_->setVisible(w.FormatVisible());
    write_->setVisible(w.WriteVisible());
    write_->setEnabled(w.WriteEnabled());
    for (; log_shown_ < w.Log().size(); ++log_shown_) memo1_->appendPlainText(QString::fromStdString(w.Log()[log_shown_]));
}

void Tsdioform::Refuse(const Error& error) {
    Show();
    Inform(this, QString::fromStdString(error.message), QMessageBox::Warning);
}

void Tsdioform::Start() {
    writer_->Start();
    Show();
}

void Tsdioform::CardArrived() {
    auto found = writer_->OnArrival();
    if (!found) return Refuse(found.error());
    Show();
}

void Tsdioform::CardRemoved() {
    writer_->OnRemoval();
    Show();
}

void Tsdioform::Format() {
    auto done = writer_->Format();
    if (!done) return Refuse(done.error());
    Show();
    Inform(this, QString::fromStdString(*done));
}

void Tsdioform::WriteData() {
    write_->setEnabled(false);
    auto done = writer_->WriteData(std::time(nullptr));
    if (!done) return Refuse(done.error());
    Show();
    Inform(this, QString::fromStdString(*done));
}

}  // namespace quelmo::ui
