#pragma once
// Writes ZIP archives with any entry names, hostile ones included, for the archive tests.
#include <zip.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace quelmo::test {

// Entries named with a final "/" are folders. Returns false when libzip refuses.
inline bool MakeZip(const std::filesystem::path& path, const std::vector<std::pair<std::string, std::string>>& entries) {
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za) return false;
    for (const auto& [name, data] : entries) {
        if (!name.empty() && name.back() == '/') {
            if (zip_dir_add(za, name.c_str(), ZIP_FL_ENC_RAW) < 0) return zip_discard(za), false;
            continue;
        }
        zip_source_t* src = zip_source_buffer(za, data.data(), data.size(), 0);
        if (!src || zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_RAW) < 0) {
            zip_source_free(src);
            zip_discard(za);
            return false;
        }
    }
    return zip_close(za) == 0;
}

}  // namespace quelmo::test
