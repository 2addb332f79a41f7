// quelmo pymb: builds the input method table temp/pymb.bin from the key configuration and code
// table texts.
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "core/gbk.h"
#include "shell/context.h"
#include "ime/pymb.h"
#include "ime/resources.h"

namespace quelmo::cli {
namespace {

struct PymbOptions {
    std::string ini;
    std::string mb;
    std::string resources;
};

// The given file, else the workspace's file of that name, else the built-in text (all GBK).
Result<std::string> Text(const std::string& given, const std::filesystem::path& workspace_file,
                         const std::string& fallback) {
    if (!given.empty()) return ReadInput(given);
    std::error_code ec;
    if (std::filesystem::exists(workspace_file, ec)) return ReadInput(workspace_file.string());
    return fallback;
}

void Run(Cli& cli, const PymbOptions& o) {
    if (!o.resources.empty()) {
        if (auto s = ime::WriteReadyResources(o.resources); !s) return cli.Fail(s.error());
        std::cout << ime::kReadyKeyConfigFile << ", " << ime::kKeyboardPictures[0] << ", " << ime::kKeyboardPictures[1]
                  << " written to " << o.resources << "\n";
        return;
    }
    Tglobal g(cli.Workdir());
    const auto workspace = g.Workspace();
    auto ini = Text(o.ini, workspace / ime::kKeyConfigFile, ime::DefaultKeyConfig());
    if (!ini) return cli.Fail(ini.error());
    auto mb = Text(o.mb, workspace / ime::kCodeTableFile, ime::DefaultCodeTable());
    if (!mb) return cli.Fail(mb.error());
    ime::PymbBuilder builder;
    auto out = ime::WritePymb(builder, workspace, *ini, *mb);
    if (!out) return cli.Fail(out.error());
    for (const auto& line : out->errors) std::cout << "error code: " << GbkToUtf8(line) << "\n";
    std::cout << (workspace / ime::kFileName).string() << ": " << out->bytes.size() << " bytes\n";
}

CommandRegistrar reg(60, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<PymbOptions>();
    auto* sub = app.add_subcommand("pymb", "build the input method table temp/pymb.bin");
    sub->add_option("--ini", o->ini, "key configuration text (GBK; default temp/srf.ini, else built in)");
    sub->add_option("--mb", o->mb, "code table text (GBK; default temp/srf.mb, else built in)");
    sub->add_option("--resources", o->resources,
                    "write the ready-made 320 x 240 key configuration and keyboard pictures into DIR instead");
    sub->callback([&cli, o] { Run(cli, *o); });
});

}  // namespace
}  // namespace quelmo::cli
