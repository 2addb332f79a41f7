#include "shell/ui/main_window.h"

#include <QMenuBar>
#include <QStatusBar>

#include "core/gbk.h"
#include "shell/context.h"
#include "editors/ui/editcmd_form.h"
#include "pictures/ui/gif_form.h"
#include "pictures/ui/pic_form.h"
#include "shell/workspace_build.h"

namespace quelmo::ui {
namespace {

void BringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

MainWindow::MainWindow(const std::filesystem::path& workdir, QWidget* parent)
    : QMainWindow(parent), g_(std::make_unique<Tglobal>(workdir)) {
    setObjectName("Tmainform");
    setWindowTitle(QStringLiteral("Quelmo V") + QStringLiteral(QUELMO_VERSION));
    // The screen reads its fonts and pictures from the workspace's image, as the refresh builds it.
    RebuildImage();
    editcmd_ = new EditCmdForm(*g_, this);
    setCentralWidget(editcmd_);

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
    delete takeCentralWidget();
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
    if (editcmd_) editcmd_->Redraw();
}

}  // namespace quelmo::ui
