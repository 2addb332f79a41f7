#include <QApplication>
#include <QCommandLineParser>

#include "shell/context.h"
#include "editors/ui/editcmd_form.h"
#include "shell/ui/main_form.h"
#include "shell/ui/splash_form.h"

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

    // The context outlives every window: the main window and its working windows use it by
    // reference and are gone before it.
    quelmo::Tglobal g(quelmo::ResolveWorkdir(parser.value(workdir).toStdString()));
    quelmo::ui::Tmainform window(g);
    // The update check; a base image that could not be downloaded ends the program.
    if (!quelmo::ui::RunSplash(g.Workdir(), &window)) return 1;
    // A base image the check brought in is read by the next build.
    window.RefreshStatus();
    if (!parser.positionalArguments().isEmpty()) {
        if (auto* design = qobject_cast<quelmo::ui::Teditcmdform*>(window.Window("editcmd"));
            design && design->LoadFile(parser.positionalArguments().first()))
            window.Navigate("editcmd");
    }
    window.show();
    return app.exec();
}
