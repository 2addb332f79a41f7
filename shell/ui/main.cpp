#include <QApplication>
#include <QCommandLineParser>

#include "core/tglobal.h"
#include "editors/ui/editcmd_form.h"
#include "shell/ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("quelmo-gui");
    QApplication::setApplicationVersion(QUELMO_VERSION);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption workdir("workdir", "working folder", "DIR");
    parser.addOption(workdir);
    parser.addPositionalArgument("file", "command text to open in the design window");
    parser.process(app);

    quelmo::ui::MainWindow window(quelmo::ResolveWorkdir(parser.value(workdir).toStdString()));
    if (!parser.positionalArguments().isEmpty()) window.Design()->LoadFile(parser.positionalArguments().first());
    window.show();
    return app.exec();
}
