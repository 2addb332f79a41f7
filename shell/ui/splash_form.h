#pragma once
// The splash window (TForm2): borderless and centred, it shows the program's name and version
// while the update check runs once, started by its timer as soon as start-up pumps messages.
#include <QWidget>
#include <filesystem>
#include <functional>

#include "shell/update_check.h"

class QLabel;
class QTimer;

namespace quelmo::ui {

class TForm2 : public QWidget, public shell::UpdateHost {
    Q_OBJECT
public:
    // Sets `main_window`'s caption to "Quelmo V" + the version. The check looks at the working
    // folder `options.workdir` and the server `options.server`.
    TForm2(shell::UpdateOptions options, QWidget* main_window);

    // The check finished flag.
    bool Finished() const { return finished_; }
    const shell::UpdateResult& Result() const { return result_; }

    // UpdateHost: the status line, questions and messages through the message seam.
    void Status(std::string_view text) override;
    bool Ask(std::string_view question) override;
    void Show(std::string_view message) override;
    bool Pump() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Timer1Timer();

    shell::UpdateOptions options_;
    QLabel* label1_;
    QLabel* label2_;
    QTimer* timer1_;
    bool finished_ = false;
    shell::UpdateResult result_;
};

// Start-up's splash: shows it, lets it paint, runs `create_windows` (the windows made while the
// splash is up), waits pumping messages until the update check is over, and closes it. False
// when the program must end (the base image could not be downloaded). When a new program was
// installed it is started in this one's place with the same arguments and this call does not
// return; should that fail, the reason is shown and start-up goes on.
bool RunSplash(const std::filesystem::path& workdir, QWidget* main_window,
               const std::function<void()>& create_windows = {});
// The same with every option of the check given (tests: server, versions, program file).
bool RunSplash(const shell::UpdateOptions& options, QWidget* main_window, const std::function<void()>& create_windows = {});

}  // namespace quelmo::ui
