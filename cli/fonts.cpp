// quelmo fonts: the font settings of the project in the working folder, and the font build.
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "core/gbk.h"
#include "shell/context.h"
#include "fonts/build_run.h"
#include "fonts/canvas.h"
#include "fonts/collect.h"
#include "fonts/settings.h"
#include "fonts/tmakefont.h"
#include "core/hashtable.h"
#include "project/project.h"

namespace quelmo::cli {
namespace {

namespace fs = std::filesystem;
constexpr char kMakeNotReady[] = "Note: Need to finish all above 8 setup, then can generate pixel data";

// The workspace's settings, or an empty store when the workspace has none yet. Fonts can be
// set up before a project file exists; every key already in the store is kept.
Status LoadStore(Tglobal& g) {
    std::error_code ec;
    if (!fs::exists(g.Workspace() / project::kSettingsKeyFile, ec)) return {};
    return g.Settings().Load(g.Workspace(), project::kSettingsName);
}

Status SaveStore(Tglobal& g) {
    std::error_code ec;
    fs::create_directories(g.Workspace(), ec);
    if (ec) return Error{"cannot create " + g.Workspace().string() + ": " + ec.message(), 2};
    return g.Settings().Save(g.Workspace(), project::kSettingsName);
}

Result<std::string> ToGbk(const std::string& utf8, const std::string& what) {
    bool ok = true;
    std::string gbk = Utf8ToGbk(utf8, &ok);
    if (!ok) return Error{what + " holds characters that GBK cannot store", 2};
    return gbk;
}

void PrintStatus(const THashTable& store) {
    for (const auto& line : fontset::StatusLines(store))
        std::cout << (line.chinese ? "hz" : "asc") << line.size << ": " << line.text << "\n";
    std::cout << "gbk16: " << (fontset::Gbk16(store) ? "on" : "off") << "\n";
    std::cout << "make: " << (fontset::MakeEnabled(store) ? "enabled" : "disabled") << "\n";
}

struct SetOptions {
    int size = 0;
    std::string hz_face, hz_set, hz_chars, hz_chars_file, asc_face, asc_set, asc_chars;
    bool same_width = false, proportional = false;
    bool hz_chars_given = false, asc_chars_given = false;
};

void RunSet(Cli& cli, const SetOptions& o) {
    if (!fontset::IsGeneratedSize(o.size)) return cli.Fail("SIZE must be 24, 32, 48 or 64", 2);
    Tglobal g(cli.Workdir());
    if (auto s = LoadStore(g); !s) return cli.Fail(s.error());
    THashTable& store = g.Settings();

    const bool hz = !o.hz_face.empty() || !o.hz_set.empty() || o.hz_chars_given || !o.hz_chars_file.empty();
    if (hz) {
        fontset::ChineseChoice c = fontset::LoadChinese(store, o.size);
        if (!o.hz_face.empty()) {
            auto f = ToGbk(o.hz_face, "--hz-face");
            if (!f) return cli.Fail(f.error());
            c.face = *f;
        }
        if (o.hz_set == "part") c.set = fontset::kHzPart;
        else if (o.hz_set == "gb2312") c.set = fontset::kHzGb2312;
        else if (o.hz_set == "gbk") c.set = fontset::kHzGbk;
        std::string chars = o.hz_chars;
        if (!o.hz_chars_file.empty()) {
            auto text = ReadInput(o.hz_chars_file);
            if (!text) return cli.Fail(text.error());
            chars = *text;
        }
        if (o.hz_chars_given || !o.hz_chars_file.empty()) {
            auto gbk = ToGbk(chars, "the character text");
            if (!gbk) return cli.Fail(gbk.error());
            c.chars = *gbk;
        }
        if (auto s = fontset::ApplyChinese(store, o.size, c); !s) return cli.Fail(s.error());
    }
    const bool asc = !o.asc_face.empty() || !o.asc_set.empty() || o.asc_chars_given || o.same_width || o.proportional;
    if (asc) {
        fontset::AscChoice c = fontset::LoadAsc(store, o.size);
        if (!o.asc_face.empty()) {
            auto f = ToGbk(o.asc_face, "--asc-face");
            if (!f) return cli.Fail(f.error());
            c.face = *f;
        }
        if (!o.asc_set.empty()) c.set = o.asc_set == "part" ? fontset::kAscPart : fontset::kAscAll;
        if (o.asc_chars_given) {
            auto gbk = ToGbk(o.asc_chars, "--asc-chars");
            if (!gbk) return cli.Fail(gbk.error());
            c.chars = *gbk;
        }
        if (o.same_width) c.same_width = true;
        if (o.proportional) c.same_width = false;
        fontset::ApplyAsc(store, o.size, c);
    }
    if (hz || asc)
        if (auto s = SaveStore(g); !s) return cli.Fail(s.error());
    for (const auto& line : fontset::StatusLines(store))
        if (line.size == o.size) std::cout << (line.chinese ? "hz" : "asc") << line.size << ": " << line.text << "\n";
}

void RunGbk16(Cli& cli, const std::string& state) {
    Tglobal g(cli.Workdir());
    if (auto s = LoadStore(g); !s) return cli.Fail(s.error());
    fontset::SetGbk16(g.Settings(), state == "on");
    if (auto s = SaveStore(g); !s) return cli.Fail(s.error());
    std::cout << "gbk16: " << (fontset::Gbk16(g.Settings()) ? "on" : "off") << "\n";
}

void RunStatus(Cli& cli) {
    Tglobal g(cli.Workdir());
    if (auto s = LoadStore(g); !s) return cli.Fail(s.error());
    PrintStatus(g.Settings());
}

void RunCollect(Cli& cli, std::vector<int> sizes) {
    if (sizes.empty()) sizes.assign(std::begin(fontset::kSizes), std::end(fontset::kSizes));
    for (int n : sizes)
        if (!fontset::IsGeneratedSize(n)) return cli.Fail("SIZE must be 24, 32, 48 or 64", 2);
    Tglobal g(cli.Workdir());
    if (auto s = LoadStore(g); !s) return cli.Fail(s.error());
    THashTable& store = g.Settings();
    for (int n : sizes) {
        std::string found;
        for (int page = 0; page < 128; ++page)
            found = MergeChinese(found, CollectChinese(g.Cmd(), store.GetValue(flash::PageTextKey(page)), n));
        const std::string key = fontset::Key("hz", n, "memo");
        const std::string before = store.GetValue(key);
        const std::string after = MergeChinese(before, found);
        store.SetValue(key, after);
        std::cout << "hz" << n << ": " << CountChinese(found) << " characters in the pages, "
                  << CountChinese(after) - CountChinese(before) << " added, " << CountChinese(after)
                  << " in the small library";
        if (store.GetInt(fontset::Key("hz", n, "bf")) != fontset::kHzPart) std::cout << " (not used: the size has a full set)";
        std::cout << "\n";
    }
    if (auto s = SaveStore(g); !s) return cli.Fail(s.error());
}

void RunBuild(Cli& cli) {
    Tglobal g(cli.Workdir());
    if (auto s = LoadStore(g); !s) return cli.Fail(s.error());
    if (!fontset::MakeEnabled(g.Settings())) return cli.Fail(kMakeNotReady, 1);
    std::error_code ec;
    fs::create_directories(g.Workspace(), ec);
    const bool tty = ::isatty(STDERR_FILENO);
    int shown = -1;
    FontBuildEvents ev;
    ev.log = [&](const std::string& line) {
        if (tty && shown >= 0) std::cerr << "\r" << std::string(60, ' ') << "\r";
        std::cout << line << std::endl;
        shown = -1;
    };
    ev.progress = [&](int p) {
        if (p == shown || (!tty && p != 0 && p != 100 && p / 10 == shown / 10)) return;
        shown = p;
        const int filled = p / 5;
        std::cerr << "[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(20 - filled), '.')
                  << "] " << p << "%" << (tty ? "\r" : "\n") << std::flush;
    };
    const Status s = RunFontBuild(g.Makefont(), g.Settings(), g.Workspace(), ev);
    if (tty) std::cerr << "\n";
    if (!s) return cli.Fail(s.error());
    std::cout << kFontBuildDone << "\n";
}

CommandRegistrar reg(30, [](CLI::App& app, Cli& cli) {
    auto* fonts = app.add_subcommand("fonts", "font settings of the project and the font build");
    fonts->require_subcommand(1);

    fonts->add_subcommand("faces", "the installed faces, sorted")->callback([] {
        for (const auto& f : MonoCanvas::Faces()) std::cout << f << "\n";
    });

    auto o = std::make_shared<SetOptions>();
    auto* set = fonts->add_subcommand("set", "choose the faces and character sets of one size");
    set->add_option("SIZE", o->size, "24, 32, 48 or 64")->required();
    set->add_option("--hz-face", o->hz_face, "face of the Chinese glyphs");
    set->add_option("--hz-set", o->hz_set, "part (small library), gb2312 or gbk")
        ->check(CLI::IsMember({"part", "gb2312", "gbk"}));
    auto* chars = set->add_option_function<std::string>(
        "--hz-chars", [o](const std::string& v) { o->hz_chars = v, o->hz_chars_given = true; },
        "characters of the small library");
    set->add_option("--hz-chars-file", o->hz_chars_file, "file (UTF-8) with the characters of the small library")
        ->excludes(chars);
    set->add_option("--asc-face", o->asc_face, "face of the ASC glyphs");
    set->add_option("--asc-set", o->asc_set, "all or part")->check(CLI::IsMember({"all", "part"}));
    set->add_option_function<std::string>(
        "--asc-chars", [o](const std::string& v) { o->asc_chars = v, o->asc_chars_given = true; },
        "the ASC characters of a partial set");
    auto* same = set->add_flag("--same-width", o->same_width, "every ASC glyph half the size wide");
    set->add_flag("--proportional", o->proportional, "ASC glyphs as wide as drawn")->excludes(same);
    set->callback([&cli, o] { RunSet(cli, *o); });

    auto state = std::make_shared<std::string>();
    auto* gbk16 = fonts->add_subcommand("gbk16", "turn the 16-pixel GBK full font on or off");
    gbk16->add_option("STATE", *state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    gbk16->callback([&cli, state] { RunGbk16(cli, *state); });

    fonts->add_subcommand("status", "the eight setting lines, the GBK16 switch and whether Make is enabled")
        ->callback([&cli] { RunStatus(cli); });

    auto sizes = std::make_shared<std::vector<int>>();
    auto* collect = fonts->add_subcommand("collect", "add the Chinese characters the pages draw to the small libraries");
    collect->add_option("SIZE", *sizes, "sizes (default 24 32 48 64)");
    collect->callback([&cli, sizes] { RunCollect(cli, *sizes); });

    fonts->add_subcommand("build", "generate every font file of the project")->callback([&cli] { RunBuild(cli); });
});

}  // namespace
}  // namespace quelmo::cli
