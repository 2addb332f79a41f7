// quelmo render: runs command text on a simulated screen and writes the screen as PNG.
#include <cstdio>
#include <iostream>
#include <regex>

#include "cli/cli.h"
#include "cli/project_build.h"
#include "core/gbk.h"
#include "display/tcmd.h"
#include "shell/context.h"
#include "display/png.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "core/hashtable.h"

namespace quelmo::cli {
namespace {

struct RenderOptions {
    std::string size = "320x240";
    std::string flash;
    bool gbk = false;
    std::string out = "screen.png";
    std::string input = "-";
    bool project = false;  // build the open workspace's image first
    int page = 0;          // with project: run stored page 1..128 instead of the input
};

void Run(Cli& cli, const RenderOptions& o) {
    std::smatch m;
    static const std::regex kSize(R"(([0-9]{1,5})x([0-9]{1,5}))");
    if (!std::regex_match(o.size, m, kSize) || std::stoi(m[1]) < 1 || std::stoi(m[2]) < 1 ||
        std::stoi(m[1]) > 8192 || std::stoi(m[2]) > 8192)
        return cli.Fail("--size must be WIDTHxHEIGHT, each 1..8192 (for example 320x240)", 2);
    const int width = std::stoi(m[1]), height = std::stoi(m[2]);

    if (o.page != 0 && !o.project) return cli.Fail("--page needs --project", 2);
    if (o.project && !o.flash.empty()) return cli.Fail("--project and --flash exclude each other", 2);

    std::string command;
    if (o.page == 0) {
        auto text = ReadInput(o.input);
        if (!text) return cli.Fail(text.error());
        command = o.gbk ? std::move(*text) : Utf8ToGbk(*text);
    }

    Tglobal g(cli.Workdir());
    if (!o.flash.empty())
        if (auto s = g.Rom().LoadFile(o.flash); !s) return cli.Fail(s.error());
    if (o.project) {
        if (auto s = BuildWorkspace(g, std::cerr); !s) return cli.Fail(s.error());
        if (o.page != 0) command = g.Settings().GetValue(flash::PageTextKey(o.page - 1));
    }

    PixelBuffer screen(width, height);
    g.Cmd().Screen().SetSurface(screen.View());
    g.Cmd().RunText(command);
    if (auto s = WritePng(screen.View(), o.out); !s) return cli.Fail(s.error());
    const auto b = g.Cmd().Bounds();
    std::cout << "bounds " << b.x1 << " " << b.y1 << " " << b.x2 << " " << b.y2 << "\n";
}

CommandRegistrar reg(10, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<RenderOptions>();
    auto* sub = app.add_subcommand("render", "run command text on the simulated screen and write it as PNG");
    sub->add_option("--size", o->size, "screen size WIDTHxHEIGHT (default 320x240)");
    sub->add_option("--flash", o->flash, "16 MB flash image to read fonts and pictures from");
    sub->add_flag("--gbk", o->gbk, "the input is GBK bytes (default UTF-8)");
    sub->add_option("--out", o->out, "PNG file to write (default screen.png)");
    sub->add_flag("--project", o->project, "build the open workspace's flash image and draw with it");
    sub->add_option("--page", o->page, "with --project: run stored page N (1..128) instead of the input")
        ->check(CLI::Range(1, flash::kPageCount));
    sub->add_option("input", o->input, "file with command text, or - for standard input");
    sub->callback([&cli, o] { Run(cli, *o); });
});

}  // namespace
}  // namespace quelmo::cli
