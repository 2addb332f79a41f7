#include "shell/workspace_build.h"

#include "display/tcmd.h"
#include "flash/layout.h"
#include "core/hashtable.h"

namespace quelmo {

Status BuildWorkspace(Tglobal& g, Warnings* warnings, bool* drew_base) {
    BuildSources src;
    src.workspace = g.Workspace();
    src.base_image = g.Workdir() / flash::kBaseImageFile;
    std::error_code ec;
    std::filesystem::create_directories(g.Workdir(), ec);
    if (std::filesystem::exists(g.Workspace() / "prj.ini.key", ec)) {
        if (auto s = g.Settings().Load(g.Workspace(), "prj.ini"); !s) return s;
        src.settings = &g.Settings();
        src.btl = g.Settings().GetInt("BTL");
    }
    if (drew_base) *drew_base = !std::filesystem::exists(src.base_image, ec);
    auto built = g.Rom().Build(src, warnings);
    // The screen takes its font regions from the new config block.
    if (built) g.Cmd().Screen().ReadFontRegions();
    return built;
}

}  // namespace quelmo
