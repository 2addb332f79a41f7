#include "shell/ui/main_window.h"

#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>

#include "codegen/ui/ccode_form.h"
#include "core/gbk.h"
#include "core/tglobal.h"
#include "editors/ui/editcmd_form.h"
#include "editors/ui/pjm_form.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "shell/ui/shell_host.h"
#include "pictures/ui/gif_form.h"
#include "pictures/ui/pic_form.h"
#include "project/workspace_build.h"

namespace quelmo::ui {
namespace {

void BringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

// The frame's side of the working windows, as far as this window hosts them.
class MainWindow::Host : public ShellHost, public ProjectHost {
public:
    explicit Host(MainWindow& w) : w_(w) {}
    Tglobal& Context() override { return *w_.g_; }
    Tproject& Project() override { return *w_.project_; }
    DeviceLink& Link() override { return *w_.link_; }
    void Navigate(const std::string& name) override { w_.Navigate(QString::fromStdString(name)); }
    void Refresh() override {
        if (w_.project_->State().IsOpen()) {
            w_.RebuildImage();
            (void)w_.project_->SaveSettings();
        }
    }
    void RefreshMenus() override {}
    bool& StopFlag() override { return stop_; }
    std::string EditAreaText() override { return w_.pjm_->EditAreaText(); }
    void SetEditAreaText(const std::string& text) override { w_.pjm_->SetEditAreaText(text); }
    std::vector<std::string> PageCaptions() override { return w_.pjm_->PageCaptions(); }
    void ImportIntoDesign() override {
        w_.Navigate("editcmd");
        w_.editcmd_->ImportCommand();
    }
    void ShowCCode(const std::string& text) override {
        Tccodeform* form = w_.CCode();
        form->SetSource(QString::fromStdString(GbkToUtf8(text)).replace("\r\n", "\n"));
        form->exec();
    }
    bool Ask(std::string_view question) override { return ui::Ask(&w_, QString::fromUtf8(question.data(), int(question.size()))); }
    void Show(std::string_view message) override { ui::Inform(&w_, QString::fromUtf8(message.data(), int(message.size()))); }

private:
    MainWindow& w_;
    bool stop_ = false;
};

MainWindow::MainWindow(const std::filesystem::path& workdir, QWidget* parent)
    : QMainWindow(parent), g_(std::make_unique<Tglobal>(workdir)) {
    setObjectName("Tmainform");
    setWindowTitle(QStringLiteral("Quelmo V") + QStringLiteral(QUELMO_VERSION));
    comm_ = std::make_unique<TComm>();
    link_ = std::make_unique<DeviceLink>(*comm_, g_->Rom());
    link_->OnMessage = [this](const std::string& text) { Inform(this, QString::fromStdString(text)); };
    host_ = std::make_unique<Host>(*this);
    project_ = std::make_unique<Tproject>(g_->Workdir(), g_->Settings(), *host_);
    (void)project_->Startup();
    // The screen reads its fonts and pictures from the workspace's image, as the refresh builds it.
    RebuildImage();
    tabs_ = new QTabWidget(this);
    pjm_ = new Tpjmform(*host_, tabs_);
    editcmd_ = new Teditcmdform(*host_, tabs_);
    tabs_->addTab(editcmd_, tr("assist design"));
    tabs_->addTab(pjm_, tr("batch interface"));
    setCentralWidget(tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (tabs_->widget(index) == editcmd_) editcmd_->Activate();
        if (tabs_->widget(index) == pjm_) pjm_->Reload();
    });

    QMenu* pictures = menuBar()->addMenu(tr("Pictures"));
    struct Entry {
        const char* name;
        QString text;
        void (MainWindow::*show)();
    };
    for (const Entry& e : {Entry{"p3", tr("picture list"), &MainWindow::ShowPictureList},
                           Entry{"sdpic", tr("SD card picture list"), &MainWindow::ShowSdPictureList},
                           Entry{"GIFJPG1", tr("GIF to JPG"), &MainWindow::ShowGif2Jpg}}) {
        QAction* action = pictures->addAction(e.text);
        action->setObjectName(e.name);
        connect(action, &QAction::triggered, this, e.show);
    }
    resize(1100, 640);
}

MainWindow::~MainWindow() {
    // The windows go before the context whose singletons they use.
    delete gif_;
    delete sdpic_;
    delete pic_;
    delete ccode_;
    delete takeCentralWidget();
}

void MainWindow::Navigate(const QString& name) {
    if (name == "editcmd") tabs_->setCurrentWidget(editcmd_);
    if (name == "pjm") tabs_->setCurrentWidget(pjm_);
}

Tccodeform* MainWindow::CCode() {
    if (!ccode_) ccode_ = new Tccodeform(this);
    return ccode_;
}

PicForm* MainWindow::PictureList() {
    if (!pic_) {
        pic_ = new PicForm(PicLayout::kFlash, g_->Workdir(), this);
        pic_->setWindowFlag(Qt::Window);
        // The design screen shows the pictures Make just wrote.
        connect(pic_, &PicForm::Made, this, &MainWindow::RebuildImage);
    }
    return pic_;
}

PicForm* MainWindow::SdPictureList() {
    if (!sdpic_) {
        sdpic_ = new PicForm(PicLayout::kSd, g_->Workdir(), this);
        sdpic_->setWindowFlag(Qt::Window);
    }
    return sdpic_;
}

GifForm* MainWindow::Gif2Jpg() {
    if (!gif_) {
        gif_ = new GifForm(g_->Workdir(), this);
        gif_->setWindowFlag(Qt::Window);
        connect(gif_, &GifForm::CheckImage, this, [this] {
            // A list made just now has reflashed already.
            if (pic_) pic_->Reflash();
            ShowPictureList();
        });
    }
    return gif_;
}

void MainWindow::ShowPictureList() { BringForward(PictureList()); }
void MainWindow::ShowSdPictureList() { BringForward(SdPictureList()); }
void MainWindow::ShowGif2Jpg() { BringForward(Gif2Jpg()); }

void MainWindow::RebuildImage() {
    Warnings warnings;
    if (Status built = BuildWorkspace(*g_, &warnings); !built)
        statusBar()->showMessage(QString::fromStdString(built.error().message));
    else if (!warnings.empty())
        statusBar()->showMessage(QString::fromStdString(warnings.front()));
    else
        statusBar()->clearMessage();
    if (editcmd_) editcmd_->RunCommand();
}

}  // namespace quelmo::ui
