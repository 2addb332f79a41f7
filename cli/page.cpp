// quelmo page: the project's 128 stored pages (numbered 1..128 here).
#include <iostream>
#include <memory>
#include <optional>

#include <regex>

#include "cli/cli.h"
#include "cli/project_build.h"
#include "cli/session.h"
#include "core/gbk.h"
#include "display/tcmd.h"
#include "display/png.h"
#include "display/tgd.h"
#include "editors/pages.h"

namespace quelmo::cli {
namespace {

struct PageOptions {
    int number = 0;
    std::optional<std::string> name, text, text_file;
    std::string file;
    std::string out_dir = ".";
    std::string size = "320x240";
};

// The edit area separates lines with CR LF whatever the terminal or file used.
std::string CrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out.append("\r\n");
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// For the terminal: CR LF becomes LF.
std::string ForTerminal(std::string_view gbk) {
    std::string out;
    for (char c : GbkToUtf8(gbk))
        if (c != '\r') out.push_back(c);
    return out;
}

void Set(Cli& cli, const PageOptions& o) {
    if (o.text.has_value() == o.text_file.has_value()) return cli.Fail("give --text TEXT or --text-file FILE", 2);
    std::string utf8;
    if (o.text) {
        utf8 = *o.text;
    } else {
        auto r = ReadInput(*o.text_file);
        if (!r) return cli.Fail(r.error());
        utf8 = *r;
    }
    std::string text, name;
    if (!ArgumentToGbk(cli, "the page text", CrLf(utf8), &text)) return;
    if (o.name && !ArgumentToGbk(cli, "the page name", *o.name, &name)) return;

    Session s(cli.Workdir());
    if (!s.Start(cli) || !s.RequireOpen(cli)) return;
    PageEditor editor(s.g.Settings());
    const ChosenPage chosen = editor.Choose(o.number - 1);
    if (auto r = editor.Save(text, o.name ? name : chosen.name); !r) return cli.Fail(r.error());
    s.host.RefreshStatus();
    s.Finish(cli);
}

void Show(Cli& cli, const PageOptions& o) {
    Session s(cli.Workdir());
    if (!s.Start(cli)) return;
    PageEditor editor(s.g.Settings());
    std::cout << ForTerminal(editor.Choose(o.number - 1).text);
}

void List(Cli& cli) {
    Session s(cli.Workdir());
    if (!s.Start(cli)) return;
    PageEditor editor(s.g.Settings());
    for (int n = 0; n < pages::kPageCount; ++n) std::cout << ForTerminal(editor.Item(n).caption) << "\n";
}

std::string Numbers(const std::vector<int>& numbers) {
    std::string out;
    for (int n : numbers) out += (out.empty() ? "" : ", ") + std::to_string(n);
    return out;
}

void Import(Cli& cli, const PageOptions& o) {
    Session s(cli.Workdir());
    if (!s.Start(cli) || !s.RequireOpen(cli)) return;
    PageEditor editor(s.g.Settings());
    auto r = editor.ImportOld(o.file);
    if (!r) return cli.Fail(r.error());
    for (int m : r->too_long)
        std::cerr << "quelmo: page " << m << " not imported: its text is " << pages::kTextLimit
                  << " bytes or longer\n";
    std::cout << "imported pages: " << (r->imported.empty() ? "none" : Numbers(r->imported)) << "\n";
    s.host.RefreshStatus();
    s.Finish(cli);
}

// Every stored page drawn on its own fresh screen over the project's image, as the assist
// design editor's "simulate display" shows it: page1.png .. page128.png.
void Render(Cli& cli, const PageOptions& o) {
    std::smatch m;
    static const std::regex kSize(R"(([0-9]{1,5})x([0-9]{1,5}))");
    if (!std::regex_match(o.size, m, kSize) || std::stoi(m[1]) < 1 || std::stoi(m[2]) < 1 || std::stoi(m[1]) > 8192 ||
        std::stoi(m[2]) > 8192)
        return cli.Fail("--size must be WIDTHxHEIGHT, each 1..8192 (for example 320x240)", 2);
    const int width = std::stoi(m[1]), height = std::stoi(m[2]);
    Session s(cli.Workdir());
    if (!s.Start(cli)) return;
    if (auto built = BuildWorkspace(s.g, std::cerr); !built) return cli.Fail(built.error());
    std::error_code ec;
    std::filesystem::create_directories(o.out_dir, ec);
    if (ec) return cli.Fail("cannot make the folder " + o.out_dir + ": " + ec.message(), 1);
    PageEditor editor(s.g.Settings());
    Tcmd& cmd = s.g.Cmd();
    for (int n = 0; n < pages::kPageCount; ++n) {
        PixelBuffer screen(width, height);
        cmd.Screen().SetSurface(screen.View());
        cmd.Screen().ResetColourTable();
        cmd.SetOffset(0, 0);
        cmd.RunStatement("CLS(0)");
        cmd.RunText(editor.Item(n).text);
        const auto file = std::filesystem::path(o.out_dir) / ("page" + std::to_string(n + 1) + ".png");
        if (auto w = WritePng(screen.View(), file); !w) return cli.Fail(w.error());
    }
    cmd.Screen().SetSurface(Framebuffer{});
    std::cout << "wrote page1.png .. page" << pages::kPageCount << ".png to " << o.out_dir << "\n";
}

CLI::Option* PageNumber(CLI::App* sub, PageOptions& o) {
    return sub->add_option("number", o.number, "page number, 1..128")->required()->check(CLI::Range(1, pages::kPageCount));
}

CommandRegistrar reg(32, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<PageOptions>();
    auto* group = app.add_subcommand("page", "the project's stored pages (batch interfaces)");
    group->require_subcommand(1);

    auto* sub = group->add_subcommand("set", "store a page's command text (under 1024 bytes) and name");
    PageNumber(sub, *o);
    sub->add_option("--name", o->name, "page name (default: keep the current one)");
    sub->add_option("--text", o->text, "command text");
    sub->add_option("--text-file", o->text_file, "file with the command text (UTF-8), or - for standard input");
    sub->callback([&cli, o] { Set(cli, *o); });

    sub = group->add_subcommand("show", "print a page laid out one statement per line");
    PageNumber(sub, *o);
    sub->callback([&cli, o] { Show(cli, *o); });

    sub = group->add_subcommand("list", "print the 128 page captions");
    sub->callback([&cli] { List(cli); });

    sub = group->add_subcommand("render", "draw all 128 pages as page1.png .. page128.png");
    sub->add_option("--out-dir", o->out_dir, "folder for the pictures (default: the current one)");
    sub->add_option("--size", o->size, "screen size WIDTHxHEIGHT (default 320x240)");
    sub->callback([&cli, o] { Render(cli, *o); });

    sub = group->add_subcommand("import", "import old-format pages Page1.str .. Page127.str");
    sub->add_option("file", o->file, "the old Page1.str; its siblings are read too")->required();
    sub->callback([&cli, o] { Import(cli, *o); });
});

}  // namespace
}  // namespace quelmo::cli
