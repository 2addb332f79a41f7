// quelmo gif2jpg FILE.gif [--yes]: an animated GIF becomes one JPEG strip of its frames in temp/pic.
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "pictures/gif_strip.h"

namespace quelmo::cli {
namespace {

struct Gif2JpgOptions {
    std::string file;
    bool yes = false;
};

void Run(Cli& cli, const Gif2JpgOptions& o) {
    auto converted = pictures::ConvertGif(o.file);
    if (!converted) return cli.Fail(converted.error());
    const auto target = pictures::StripTarget(cli.Workdir(), converted->base_name);
    std::error_code ec;
    if (std::filesystem::exists(target, ec) && !o.yes) {
        std::cout << pictures::OverwriteQuestion(converted->base_name) << "\n";
        return cli.Fail("kept " + target.string() + "; run again with --yes to replace it", 1);
    }
    if (auto s = pictures::SaveStrip(*converted, target); !s) return cli.Fail(s.error());
    std::cout << target.string() << "  " << converted->strip.width << "x" << converted->strip.height << "\n";
}

CommandRegistrar reg(41, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<Gif2JpgOptions>();
    auto* sub = app.add_subcommand("gif2jpg", "turn an animated GIF into one JPEG strip of its frames in temp/pic");
    sub->add_option("file", o->file, "the GIF file")->required();
    sub->add_flag("--yes", o->yes, "replace an existing strip of the same name without asking");
    sub->callback([&cli, o] { Run(cli, *o); });
});

}  // namespace
}  // namespace quelmo::cli
