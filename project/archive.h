#pragma once
// The project archive (.gpu): a ZIP archive of the workspace folder. One deflated entry
// (level 6) per regular file below temp/, named by its path from the working folder with "/"
// between levels ("temp/prj.ini.key", "temp/pic/1.jpg"); no folder entries.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace quelmo {

namespace archive {
inline constexpr std::string_view kEntryPrefix = "temp/";
inline constexpr int kDeflateLevel = 6;
// The shown message for every archive that is not a readable ZIP of names under temp/.
inline constexpr std::string_view kMsgWrongFormat = "文件格式不对";
// An archive declaring more than this many bytes in all is refused before anything is written.
inline constexpr unsigned long long kMaxUnpackedBytes = 4ull << 30;
}  // namespace archive

class Tmakeprjfile {
public:
    // Writes the archive of `workdir`/temp/ to `archive_path`. The archive is written beside
    // its target under a temporary name and renamed over the old archive only when complete,
    // so a failed save leaves the previous archive as it was.
    static Status Pack(const std::filesystem::path& workdir, const std::filesystem::path& archive_path);

    // The entry names of every regular file below `workdir`/temp/, sorted.
    static Result<std::vector<std::string>> ListFiles(const std::filesystem::path& workdir);

    // Extracts the archive into `workdir`, overwriting files of the same names and keeping the
    // others. All or nothing: every name is checked and every entry is inflated (and its
    // checksum verified) into a staging folder before anything in temp/ changes. A file that
    // is not a ZIP, or that holds a name outside temp/ (".." parts, absolute paths,
    // backslashes, "TEMP/" and the like), gives kMsgWrongFormat.
    static Status Unpack(const std::filesystem::path& workdir, const std::filesystem::path& archive_path);

    // True for an entry name Unpack accepts: "temp/" followed by plain relative parts.
    static bool SafeEntryName(std::string_view name);
};

}  // namespace quelmo
