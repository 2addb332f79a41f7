#include "shell/ui/main_window.h"

#include <QStatusBar>

#include "core/gbk.h"
#include "core/tglobal.h"
#include "editors/ui/editcmd_form.h"
#include "project/workspace_build.h"

namespace quelmo::ui {

MainWindow::MainWindow(const std::filesystem::path& workdir, QWidget* parent)
    : QMainWindow(parent), g_(std::make_unique<Tglobal>(workdir)) {
    setObjectName("Tmainform");
    setWindowTitle(QStringLiteral("Quelmo V") + QStringLiteral(QUELMO_VERSION));
    // The screen reads its fonts and pictures from the workspace's image, as the refresh builds it.
    Warnings warnings;
    if (Status built = BuildWorkspace(*g_, &warnings); !built)
        statusBar()->showMessage(QString::fromStdString(built.error().message));
    else if (!warnings.empty())
        statusBar()->showMessage(QString::fromStdString(warnings.front()));
    editcmd_ = new EditCmdForm(*g_, this);
    setCentralWidget(editcmd_);
    resize(1100, 640);
}

MainWindow::~MainWindow() {
    // The windows go before the context whose singletons they use.
    delete takeCentralWidget();
}

}  // namespace quelmo::ui
