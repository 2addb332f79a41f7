// quelmo build: builds the open workspace's 16 MB flash image and writes it to a file.
// quelmo base: writes our own base image, drawn from free bitmap fonts.
#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "cli/project_build.h"
#include "core/file_write.h"
#include "shell/context.h"
#include "flash/base_image.h"
#include "flash/layout.h"
#include "flash/trom.h"

namespace quelmo::cli {
namespace {

struct BuildOptions {
    int memory = 16;
    std::string out;
};

std::string Hex4(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

void RunBuild(Cli& cli, const BuildOptions& o) {
    if (!flash::ValidMemorySize(o.memory)) return cli.Fail("--memory must be 2, 4, 8 or 16", 2);
    Tglobal g(cli.Workdir());
    g.Rom().SetMemorySize(o.memory);
    if (auto s = BuildWorkspace(g, std::cerr); !s) return cli.Fail(s.error());
    const std::filesystem::path out = o.out.empty() ? g.Workdir() / "flash.bin" : std::filesystem::path(o.out);
    if (auto s = WriteFileWhole(out, g.Rom().Image(), Trom::Size()); !s) return cli.Fail(s.error());

    // The eight slots in config block order: GB2312 24, 32, 48; GBK 16, 24, 32; input method
    // table; placement top.
    std::cout << "slots";
    for (uint32_t off = flash::kSlotHz24Gb2312; off <= flash::kSlotPlacementTop; off += 2)
        std::cout << " " << Hex4(g.Rom().ConfigValue(off));
    std::cout << "\n";
    char end[64];
    std::snprintf(end, sizeof end, "picture data end 0x%06llX\n", static_cast<long long>(g.Rom().PictureDataEnd()));
    std::cout << end << "wrote " << out.string() << "\n";
}

void RunBase(Cli& cli, const std::string& out_option) {
    const std::filesystem::path out =
        out_option.empty() ? cli.Workdir() / flash::kBaseImageFile : std::filesystem::path(out_option);
    std::error_code ec;
    if (out_option.empty()) std::filesystem::create_directories(out.parent_path(), ec);
    auto report = WriteBaseImage(out);
    if (!report) return cli.Fail(report.error());
    std::cout << "12-pixel GB2312: " << report->hz12_glyphs << " of " << flash::kGb2312Glyphs << " positions drawn\n"
              << "16-pixel GB2312: " << report->hz16_glyphs << " of " << flash::kGb2312Glyphs << " positions drawn\n"
              << "8x16 ASC: " << report->asc_glyphs << " of " << flash::kAscCount << " codes drawn\n"
              << "wrote " << out.string() << "\n";
}

CommandRegistrar reg(20, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<BuildOptions>();
    auto* build = app.add_subcommand("build", "build the open workspace's 16 MB flash image");
    build->add_option("--memory", o->memory, "the module's flash size in MB: 2, 4, 8 or 16 (default 16)");
    build->add_option("--out", o->out, "image file to write (default flash.bin in the working folder)");
    build->callback([&cli, o] { RunBuild(cli, *o); });

    auto base_out = std::make_shared<std::string>();
    auto* base = app.add_subcommand("base", "write a base image drawn from free bitmap fonts");
    base->add_option("--out", *base_out, "file to write (default default.bin in the working folder)");
    base->callback([&cli, base_out] { RunBase(cli, *base_out); });
});

}  // namespace
}  // namespace quelmo::cli
