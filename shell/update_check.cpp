#include "shell/update_check.h"

#include <fstream>

#include "flash/layout.h"
#include "shell/self_update.h"
#include "shell/server_info.h"

namespace quelmo::shell {
namespace fs = std::filesystem;

std::string UpgradeQuestion(const ProgramVersion& server, const ProgramVersion& current) {
    return "发现新版本:" + server.Text() + "  当前版本:" + current.Text() + "   是否升级?";
}

std::optional<int32_t> BaseDataVersion(const fs::path& default_bin) {
    std::ifstream in(default_bin, std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(flash::kBaseVersionOffset);
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) return std::nullopt;
    return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
}

bool BaseImageDue(const fs::path& default_bin, int64_t server_data_version) {
    const std::optional<int32_t> v = BaseDataVersion(default_bin);
    return !v || *v < 0 || *v < server_data_version;
}

UpdateResult RunUpdateCheck(UpdateHost& host, const UpdateOptions& o) {
    UpdateResult result;
    DownloadOptions download;
    download.progress = [&host](uint64_t, uint64_t) { return host.Pump(); };
    auto fetch = [&](std::string_view path, const fs::path& target, long total_ms) -> bool {
        if (!o.server) return false;
        DownloadOptions d = download;
        d.total_timeout_ms = total_ms;
        return Download(*o.server + std::string(path), target, d).ok();
    };

    host.Status(update_text::kChecking);
    std::error_code ec;
    fs::create_directories(o.workdir, ec);  // a first run may not have its working folder yet
    const fs::path info_file = o.workdir / kServerInfoFile;
    result.info_downloaded = fetch(kInfoPath, info_file, o.info_timeout_ms);
    if (result.info_downloaded) {
        const ServerInfo fresh = ReadServerInfo(info_file);
        const fs::path base = o.workdir / flash::kBaseImageFile;
        if (BaseImageDue(base, fresh.data_version)) {
            host.Status(update_text::kBaseDownload);
            if (!fetch(kBaseImagePath, base, 0)) {
                host.Show(update_text::kBaseFailed);
                result.outcome = UpdateOutcome::Quit;
                return result;
            }
            result.base_downloaded = true;
        }
    }

    // Without a fresh file the one left by an earlier run still tells of a newer program.
    const ServerInfo info = ReadServerInfo(info_file);
    result.server_version = info.version;
    if (o.current.Number() >= info.version.Number()) return result;
    result.outcome = UpdateOutcome::NewerDeclined;
    if (!host.Ask(UpgradeQuestion(info.version, o.current)) || o.program.empty()) return result;

    host.Status(update_text::kProgramDownload);
    const std::time_t now = o.now ? o.now : std::time(nullptr);
    const fs::path fresh = o.program.parent_path() / (o.program.filename().string() + ".tmp");
    const std::string path =
        std::string(kProgramPath) + UrlEscape(o.program.filename().string()) + "?" + std::to_string(now);
    if (!fetch(path, fresh, 0)) return result;
    if (!InstallProgram(fresh, o.program)) return result;
    result.outcome = UpdateOutcome::ProgramReplaced;
    return result;
}

}  // namespace quelmo::shell
