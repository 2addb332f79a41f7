// quelmo update-check [--yes]: the start-up update check against $QUELMO_SERVER.
// quelmo samples list | open NAME: the start page's sample projects.
#include <algorithm>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/session.h"
#include "shell/self_update.h"
#include "shell/server_info.h"
#include "shell/start_page.h"
#include "shell/update_check.h"

namespace quelmo::cli {
namespace {
namespace fs = std::filesystem;

class TerminalUpdateHost : public shell::UpdateHost {
public:
    explicit TerminalUpdateHost(bool yes) : yes_(yes) {}
    void Status(std::string_view text) override { std::cout << text << "\n" << std::flush; }
    bool Ask(std::string_view question) override {
        std::cout << question << " " << (yes_ ? "yes" : "no (answer with --yes)") << "\n";
        return yes_;
    }
    void Show(std::string_view message) override { std::cout << message << "\n"; }

private:
    bool yes_;
};

void UpdateCheck(Cli& cli, bool yes) {
    TerminalUpdateHost host(yes);
    shell::UpdateOptions o;
    o.server = shell::ServerAddress();
    o.workdir = cli.Workdir();
    o.program = shell::ProgramFile();
    const shell::UpdateResult r = shell::RunUpdateCheck(host, o);
    if (!o.server) std::cerr << "quelmo: no server is set (QUELMO_SERVER); nothing was checked\n";
    else if (!r.info_downloaded) std::cerr << "quelmo: the server's information could not be downloaded\n";
    switch (r.outcome) {
        case shell::UpdateOutcome::Continue:
            if (r.info_downloaded) std::cout << "Quelmo V" << o.current.Text() << " is up to date\n";
            else std::cout << "Quelmo V" << o.current.Text() << ": no newer program is known\n";
            return;
        case shell::UpdateOutcome::NewerDeclined:
            return cli.Fail("Quelmo V" + r.server_version.Text() + " was not installed", 1);
        case shell::UpdateOutcome::Quit:
            return cli.Fail("the base image was not downloaded", 1);
        case shell::UpdateOutcome::ProgramReplaced:
            std::cout << "Quelmo V" << r.server_version.Text() << " installed; starting it\n" << std::flush;
            return cli.Fail(shell::Restart(o.program, shell::ProgramArguments()));
    }
}

std::vector<shell::SampleEntry> Samples(const fs::path& workdir) {
    return shell::SampleList(workdir / shell::kServerInfoFile, shell::BundledSamplesFolder());
}

void List(Cli& cli) {
    for (const shell::SampleEntry& e : Samples(cli.Workdir())) std::cout << e.text << "\n";
}

void Open(Cli& cli, const std::string& name) {
    Session s(cli.Workdir());
    if (!s.Start(cli)) return;
    if (s.project.State().IsOpen())
        return cli.Fail("a project is open (" + s.project.State().FileName.string() + "): close it first", 1);
    const auto list = Samples(s.g.Workdir());
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.name == name || e.text == name; });
    if (it == list.end()) return cli.Fail("no sample named " + name + " (see quelmo samples list)", 2);
    std::cout << shell::start_text::kChosen << it->name << "\n";
    if (it->bundled.empty()) std::cout << shell::start_text::kPatience << "\n" << shell::start_text::kStarting << "\n";
    auto local = shell::FetchSample(*it, s.g.Workdir(), shell::ServerAddress());
    if (!local) return cli.Fail(local.error());
    std::cout << shell::start_text::kUnpacking << "\n";
    if (auto r = s.project.Open(*local); !r) return cli.Fail(r.error());
    s.Finish(cli);
    std::cout << local->string() << "\n";
}

CommandRegistrar reg(90, [](CLI::App& app, Cli& cli) {
    auto yes = std::make_shared<bool>(false);
    auto* check = app.add_subcommand("update-check", "check the server (QUELMO_SERVER) for a newer program and base image");
    check->add_flag("--yes", *yes, "install a newer program without asking");
    check->callback([&cli, yes] { UpdateCheck(cli, *yes); });

    auto* samples = app.add_subcommand("samples", "the sample projects: bundled ones and the server's");
    samples->require_subcommand(1);
    samples->add_subcommand("list", "the sample list as the start page shows it")->callback([&cli] { List(cli); });
    auto name = std::make_shared<std::string>();
    auto* open = samples->add_subcommand("open", "copy or download a sample into the working folder and open it");
    open->add_option("name", *name, "the sample's file name, for example demo.gpu")->required();
    open->callback([&cli, name] { Open(cli, *name); });
});

}  // namespace
}  // namespace quelmo::cli
