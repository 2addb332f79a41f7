#pragma once
// One command-line run over the open project. Every run is a separate process, so the open
// project lives in the workspace folder: a run starts the way the program starts (the
// workspace start-up rule restores the project whose settings temp/ holds) and, when it
// changed the project, ends the way the program ends (the settings are written back).
#include <iostream>
#include <memory>
#include <string>

#include "cli/cli.h"
#include "shell/context.h"
#include "project/project.h"

namespace quelmo::cli {

// Questions are answered from the command's flags; messages go to standard output.
class CliHost : public ProjectHost {
public:
    bool answer = false;
    bool Ask(std::string_view) override { return answer; }
    void Show(std::string_view message) override { std::cout << message << "\n"; }
    // No image is kept between runs: `build` and `render --project` build it when asked.
    void RefreshStatus() override {}
};

struct Session {
    explicit Session(const std::filesystem::path& workdir)
        : g(workdir), project(g.Workdir(), g.Settings(), host) {}

    // Applies the start-up rule; false (with the error reported) when the settings are unreadable.
    bool Start(Cli& cli);
    // Refuses, with exit status 1, when no project is open.
    bool RequireOpen(Cli& cli);
    // The end of a run that changed the project: its settings go back to temp/prj.ini.*.
    void Finish(Cli& cli);

    Tglobal g;
    CliHost host;
    Tproject project;
};

// Converts a UTF-8 argument to GBK; a character GBK cannot hold is bad usage.
bool ArgumentToGbk(Cli& cli, const std::string& what, const std::string& utf8, std::string* gbk);

}  // namespace quelmo::cli
