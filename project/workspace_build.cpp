#include "project/workspace_build.h"

#include "core/tcmd.h"
#include "flash/layout.h"
#include "project/hashtable.h"

namespace quelmo {

Status BuildWorkspace(Tglobal& g, Warnings* warnings, bool* drew_base) {
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
    if (drew_base) *drew_base = !std::filesystem::exists(src.base_image, ec);
    return g.Rom().Build(src, warnings);
}

}  // namespace quelmo
