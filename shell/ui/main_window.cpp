#include "shell/ui/main_window.h"

#include "core/tglobal.h"
#include "editors/ui/editcmd_form.h"

namespace quelmo::ui {

MainWindow::MainWindow(const std::filesystem::path& workdir, QWidget* parent)
    : QMainWindow(parent), g_(std::make_unique<Tglobal>(workdir)) {
    setObjectName("Tmainform");
    setWindowTitle(QStringLiteral("Quelmo V") + QStringLiteral(QUELMO_VERSION));
    editcmd_ = new EditCmdForm(*g_, this);
    setCentralWidget(editcmd_);
    resize(1100, 640);
}

MainWindow::~MainWindow() {
    // The windows go before the context whose singletons they use.
    delete takeCentralWidget();
}

}  // namespace quelmo::ui
