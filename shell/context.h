#pragma once
// The application context: it creates the shared singletons in their fixed order and destroys
// them in the order the program tears down. Everything that needs a singleton reaches it here.
#include <filesystem>
#include <memory>
#include <string_view>

#include "core/workdir.h"
#include "editors/statement_help.h"

namespace quelmo {

class Trom;
class THashTable;
class MonoCanvas;
class Tmakefont;
class Tcmd;

class Tglobal {
public:
    // `workdir` is the working folder that holds temp/, sd/, default.bin and ser.ini.
    explicit Tglobal(std::filesystem::path workdir);
    ~Tglobal();
    Tglobal(const Tglobal&) = delete;
    Tglobal& operator=(const Tglobal&) = delete;

    Trom& Rom() { return *rom_; }
    THashTable& Settings() { return *settings_; }
    Tmakefont& Makefont() { return *makefont_; }
    Tcmd& Cmd() { return *cmd_; }
    // What the editors remember between help requests (parameter kinds, DesignDirty, sizes).
    EditorState& Editor() { return editor_; }

    const std::filesystem::path& Workdir() const { return workdir_; }
    std::filesystem::path Workspace() const { return WorkspaceOf(workdir_); }

    // The integer helper: optional sign and decimal digits; 0 when the text is not a number.
    static int ToInt(std::string_view text);

private:
    std::filesystem::path workdir_;
    // Created in this order; destroyed as the program tears down (interpreter, image, store).
    std::unique_ptr<Trom> rom_;
    std::unique_ptr<THashTable> settings_;
    std::unique_ptr<MonoCanvas> canvas_;  // the rasteriser's 3200 x 255 one-bit drawing bitmap
    std::unique_ptr<Tmakefont> makefont_;
    std::unique_ptr<Tcmd> cmd_;
    EditorState editor_;
};

// The working folder: `explicit_dir` when given, else $QUELMO_HOME, else
// $XDG_DATA_HOME/quelmo, else ~/.local/share/quelmo.
std::filesystem::path ResolveWorkdir(const std::filesystem::path& explicit_dir = {});

}  // namespace quelmo
