#include "cli/project_build.h"

#include <ostream>

#include "core/tcmd.h"
#include "flash/layout.h"
#include "project/hashtable.h"

namespace quelmo::cli {

Status BuildWorkspace(Tglobal& g, std::ostream& warn_out) {
    BuildSources src;
    src.workspace = g.Workspace();
    src.base_image = g.Workdir() / flash::kBaseImageFile;
    src.screen = &g.Cmd().Screen();
    std::error_code ec;
    std::filesystem::create_directories(g.Workdir(), ec);
    if (std::filesystem::exists(g.Workspace() / "prj.ini.key", ec)) {
        if (auto s = g.Settings().Load(g.Workspace(), "prj.ini"); !s) return s;
        src.settings = &g.Settings();
        src.btl = g.Settings().GetInt("BTL");
    }
    if (!std::filesystem::exists(src.base_image, ec))
        warn_out << "quelmo: no " << flash::kBaseImageFile << " in " << g.Workdir().string()
                 << "; drawing the base image from the free fonts\n";
    Warnings warnings;
    Status status = g.Rom().Build(src, &warnings);
    for (const auto& w : warnings) warn_out << "quelmo: warning: " << w << "\n";
    return status;
}

}  // namespace quelmo::cli
