#include "fonts/ui/runfont_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#include "shell/context.h"
#include "fonts/build_run.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"

namespace quelmo::ui {

Trunfontform::Trunfontform(ShellHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName("runfontform");
    setWindowTitle("font library make");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    memo1_ = new QPlainTextEdit(this);
    memo1_->setObjectName("Memo1");
    memo1_->setAccessibleName("Memo1");
    memo1_->setReadOnly(true);
    memo1_->setPlainText("create logs");
    layout->addWidget(memo1_, 1);
    button1_ = new QPushButton("make all pixels", this);
    button1_->setObjectName("Button1");
    button1_->setAccessibleName(button1_->text());
    button1_->setAutoDefault(false);
    layout->addWidget(button1_);
    pb1_ = new QProgressBar(this);
    pb1_->setObjectName("pb1");
    pb1_->setAccessibleName("pb1");
    pb1_->setRange(0, 100);
    pb1_->setValue(0);
    layout->addWidget(pb1_);
    button2_ = new QPushButton("GBK16", this);
    button2_->setObjectName("Button2");
    button2_->setAccessibleName(button2_->text());
    button2_->hide();
    connect(button1_, &QPushButton::clicked, this, &Trunfontform::MakeAll);
    connect(button2_, &QPushButton::clicked, this, &Trunfontform::MakeGbk16);
    resize(520, 420);
}

void Trunfontform::Log(const std::string& line) { memo1_->appendPlainText(QString::fromStdString(line)); }

void Trunfontform::Begin() {
    running_ = true;
    button1_->setEnabled(false);
    button2_->setEnabled(false);
    memo1_->clear();
    std::error_code ec;
    std::filesystem::create_directories(host_.Context().Workspace(), ec);
}

void Trunfontform::End() {
    running_ = false;
    button1_->setEnabled(true);
    button2_->setEnabled(true);
}

namespace {
FontBuildEvents Events(QPlainTextEdit* memo, QProgressBar* bar) {
    FontBuildEvents ev;
    ev.log = [memo](const std::string& line) { memo->appendPlainText(QString::fromStdString(line)); };
    // Inside a full set only the bar moves; it repaints at once, without letting input through.
    ev.progress = [bar](int p) {
        if (bar->value() == p) return;
        bar->setValue(p);
        bar->repaint();
    };
    ev.pump = [] { QCoreApplication::processEvents(); };
    return ev;
}
}  // namespace

void Trunfontform::MakeAll() {
    if (running_) return;
    Begin();
    Tglobal& g = host_.Context();
    const Status s = RunFontBuild(g.Makefont(), g.Settings(), g.Workspace(), Events(memo1_, pb1_));
    End();
    if (!s) return Inform(this, QString::fromStdString(s.error().message), QMessageBox::Warning);
    Inform(this, kFontBuildDone);
    accept();
    host_.Navigate("start");
}

void Trunfontform::MakeGbk16() {
    if (running_) return;
    Begin();
    const Status s = RunGbk16Build(host_.Context().Makefont(), host_.Context().Workspace(), Events(memo1_, pb1_));
    End();
    if (!s) Inform(this, QString::fromStdString(s.error().message), QMessageBox::Warning);
}

void Trunfontform::reject() {
    if (!running_) QDialog::reject();
}

void Trunfontform::closeEvent(QCloseEvent* event) {
    if (running_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

}  // namespace quelmo::ui
