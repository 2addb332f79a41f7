#include "shell/context.h"

#include <cstdlib>
#include <system_error>

#include "display/tcmd.h"
#include "flash/trom.h"
#include "fonts/canvas.h"
#include "fonts/tmakefont.h"
#include "core/hashtable.h"

namespace quelmo {

Tglobal::Tglobal(std::filesystem::path workdir)
    : workdir_(std::move(workdir)),
      rom_(std::make_unique<Trom>()),
      settings_(std::make_unique<THashTable>()),
      canvas_(std::make_unique<MonoCanvas>()),
      makefont_(std::make_unique<Tmakefont>(*canvas_)),
      cmd_(std::make_unique<Tcmd>(*rom_)) {
    makefont_->ResetDefaults();
    cmd_->SetPages(settings_.get());
}

Tglobal::~Tglobal() {
    cmd_.reset();
    makefont_.reset();
    canvas_.reset();
    rom_.reset();
    settings_.reset();
}

int Tglobal::ToInt(std::string_view text) { return TextToInt(text); }

std::filesystem::path ResolveWorkdir(const std::filesystem::path& explicit_dir) {
    if (!explicit_dir.empty()) return explicit_dir;
    if (const char* home = std::getenv("QUELMO_HOME"); home && *home) return home;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return std::filesystem::path(xdg) / "quelmo";
    if (const char* h = std::getenv("HOME"); h && *h) return std::filesystem::path(h) / ".local/share/quelmo";
    std::error_code ec;  // a working folder that was removed: a relative path is all there is
    return std::filesystem::current_path(ec) / "quelmo";
}

}  // namespace quelmo
