#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QPlainTextEdit>

#include "shell/context.h"
#include "editors/ui/editcmd_form.h"
#include "shell/ui/main_window.h"
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

    const std::filesystem::path folder = quelmo::ResolveWorkdir(parser.value(workdir).toStdString());
    quelmo::ui::MainWindow window(folder);
    // The update check; a base image that could not be downloaded ends the program.
    if (!quelmo::ui::RunSplash(folder, &window)) return 1;
    if (!parser.positionalArguments().isEmpty()) {
        QFile file(parser.positionalArguments().first());
        if (file.open(QIODevice::ReadOnly))
            window.Design()->Editor()->setPlainText(QString::fromUtf8(file.readAll()));
    }
    window.show();
    return app.exec();
}
