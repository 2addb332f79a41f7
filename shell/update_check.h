#pragma once
// The update check run once at start-up: fetch the server's information file, bring the base
// image default.bin up to date by its data version, and offer a newer program. The splash
// window and `quelmo update-check` run the same steps with their own UpdateHost.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"
#include "shell/downloader.h"
#include "shell/version.h"

namespace quelmo::shell {

namespace update_text {
inline constexpr const char* kChecking = "检测是否有版本升级...";
inline constexpr const char* kBaseDownload = "下载原始数据文件...";
inline constexpr const char* kBaseFailed = "default.bin 文件没有下载成功,请重新启动下载.";
inline constexpr const char* kProgramDownload = "下载升级程序...";
}  // namespace update_text

// Server paths below the server's address.
inline constexpr std::string_view kInfoPath = "/wd/getinfo.php";
inline constexpr std::string_view kBaseImagePath = "/wd/default.bin";
inline constexpr std::string_view kProgramPath = "/wd/";  // + program file name + "?" + time
inline constexpr std::string_view kSamplePath = "/wd/gpu/";

// The question offering `server` in place of `current`.
std::string UpgradeQuestion(const ProgramVersion& server, const ProgramVersion& current);

// The base data version: the 32-bit little-endian signed number at bytes 256..259 of the file;
// none when the file is missing or shorter.
std::optional<int32_t> BaseDataVersion(const std::filesystem::path& default_bin);

// Whether default.bin is due: missing, too short to hold a version, a negative version, or a
// version below the newest one the server names (0 when it names none).
bool BaseImageDue(const std::filesystem::path& default_bin, int64_t server_data_version);

class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    // The status line; the window repaints.
    virtual void Status(std::string_view text) = 0;
    // A Yes/No question (UTF-8); true for Yes.
    virtual bool Ask(std::string_view question) = 0;
    // A message for the user (UTF-8).
    virtual void Show(std::string_view message) = 0;
    // Called while a download runs; false aborts it.
    virtual bool Pump() { return true; }
};

struct UpdateOptions {
    std::optional<std::string> server;  // none: every download fails at once
    std::filesystem::path workdir;      // holds ser.ini and default.bin
    ProgramVersion current = CurrentVersion();
    std::filesystem::path program;      // the program to replace; empty: no program update
    std::time_t now = 0;                // makes the program's address unique; the clock when 0
    long info_timeout_ms = 2500;        // the whole information file, so a dead server costs little
};

enum class UpdateOutcome {
    Continue,         // start-up goes on: nothing due, or what was due is done or declined
    NewerDeclined,    // a newer program exists; the user said No or its download failed
    Quit,             // the base image could not be downloaded: the program ends
    ProgramReplaced,  // the new program is in place: restart it
};

struct UpdateResult {
    UpdateOutcome outcome = UpdateOutcome::Continue;
    bool info_downloaded = false;
    bool base_downloaded = false;
    ProgramVersion server_version;
};

UpdateResult RunUpdateCheck(UpdateHost& host, const UpdateOptions& options);

}  // namespace quelmo::shell
