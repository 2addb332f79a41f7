// quelmo project: create, open, save, save as and close the project; show and set its parameters.
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/session.h"
#include "core/gbk.h"
#include "flash/base_image.h"
#include "flash/layout.h"
#include "flash/trom.h"

namespace quelmo::cli {
namespace {
namespace fs = std::filesystem;

// Paths are kept absolute: later runs may start in another folder.
fs::path Absolute(const std::string& file) {
    std::error_code ec;
    fs::path p = fs::absolute(file, ec);
    return ec ? fs::path(file) : p.lexically_normal();
}

struct ProjectOptions {
    std::string name, file, rate;
    bool save = false, no_save = false;
};

void New(Cli& cli, const ProjectOptions& o) {
    std::string name;
    if (!ArgumentToGbk(cli, "the project name", o.name, &name)) return;
    Session s(cli.Workdir());
    if (!s.Start(cli)) return;
    if (auto r = s.project.CanCreate(name, Absolute(o.file)); !r) return cli.Fail(r.error());
    // A fresh working folder has no base image yet: draw ours, so the project gets its copy.
    const std::filesystem::path base = s.g.Workdir() / flash::kBaseImageFile;
    std::error_code ec;
    if (!fs::exists(base, ec)) {
        std::cerr << "quelmo: no " << flash::kBaseImageFile << " in " << s.g.Workdir().string()
                  << "; drawing the base image from the free fonts\n";
        if (auto r = WriteBaseImage(base); !r) return cli.Fail(r.error());
    }
    if (auto r = s.project.Create(name, Absolute(o.file)); !r) return cli.Fail(r.error());
}

void Open(Cli& cli, const ProjectOptions& o) {
    Session s(cli.Workdir());
    if (!s.Start(cli)) return;
    if (auto r = s.project.Open(Absolute(o.file)); !r) return cli.Fail(r.error());
    s.Finish(cli);
}

void Save(Cli& cli) {
    Session s(cli.Workdir());
    if (!s.Start(cli) || !s.RequireOpen(cli)) return;
    if (auto r = s.project.Save(); !r) return cli.Fail(r.error());
}

void SaveAs(Cli& cli, const ProjectOptions& o) {
    Session s(cli.Workdir());
    if (!s.Start(cli) || !s.RequireOpen(cli)) return;
    if (auto r = s.project.SaveAs(Absolute(o.file)); !r) return cli.Fail(r.error());
    s.Finish(cli);
}

void Close(Cli& cli, const ProjectOptions& o) {
    if (o.save == o.no_save) return cli.Fail("say --save or --no-save", 2);
    Session s(cli.Workdir());
    if (!s.Start(cli) || !s.RequireOpen(cli)) return;
    s.host.answer = o.save;
    if (auto r = s.project.Close(); !r) return cli.Fail(r.error());
}

void Info(Cli& cli) {
    Session s(cli.Workdir());
    if (!s.Start(cli)) return;
    const ProjectState& p = s.project.State();
    std::cout << "open: " << (p.IsOpen() ? "yes" : "no") << "\n"
              << "name: " << GbkToUtf8(p.Name) << "\n"
              << "file: " << p.FileName.string() << "\n"
              << "BTL: " << p.BTL << " (" << BaudText(p.BTL) << ")\n"
              << "memory: " << s.g.Rom().MemorySize() << " MB\n";
}

void SetBaud(Cli& cli, const ProjectOptions& o) {
    Session s(cli.Workdir());
    if (!s.Start(cli) || !s.RequireOpen(cli)) return;
    auto r = s.project.SaveParameters(s.project.State().Name, o.rate);
    if (!r) return cli.Fail(r.error());
    std::cout << *r << "\n";
}

CommandRegistrar reg(30, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<ProjectOptions>();
    auto* group = app.add_subcommand("project", "create, open, save and close the project (.gpu)");
    group->require_subcommand(1);

    auto* sub = group->add_subcommand("new", "create a project; the archive is written at the first save");
    sub->add_option("name", o->name, "project name")->required();
    sub->add_option("file", o->file, "project file (.gpu)")->required();
    sub->callback([&cli, o] { New(cli, *o); });

    sub = group->add_subcommand("open", "open a project file into the workspace");
    sub->add_option("file", o->file, "project file (.gpu)")->required();
    sub->callback([&cli, o] { Open(cli, *o); });

    sub = group->add_subcommand("save", "write the workspace to the project file");
    sub->callback([&cli] { Save(cli); });

    sub = group->add_subcommand("saveas", "write the workspace to another file, which becomes the project file");
    sub->add_option("file", o->file, "project file (.gpu)")->required();
    sub->callback([&cli, o] { SaveAs(cli, *o); });

    sub = group->add_subcommand("close", "close the project and delete the workspace");
    sub->add_flag("--save", o->save, "save to the project file first");
    sub->add_flag("--no-save", o->no_save, "do not save");
    sub->callback([&cli, o] { Close(cli, *o); });

    sub = group->add_subcommand("info", "show the open project");
    sub->callback([&cli] { Info(cli); });

    sub = group->add_subcommand("set-baud", "set the module's baud rate for the project");
    sub->add_option("rate", o->rate, "2400, 4800, 9600, 19200, 38400, 57600 or 115200")->required();
    sub->callback([&cli, o] { SetBaud(cli, *o); });
});

}  // namespace
}  // namespace quelmo::cli
