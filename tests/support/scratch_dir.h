#pragma once
// Small file helpers for building and comparing folders in tests.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

#include "support/cli.h"

namespace quelmo::test {

// The shared temporary folder with a shorter way to name what is in it.
class ScratchDir : public TempDir {
public:
    std::filesystem::path operator/(std::string_view rel) const { return path() / rel; }
};

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every file and folder below `root`, by relative path, with the file's bytes ("/" for a folder).
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> tree;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string rel = std::filesystem::relative(it->path(), root).generic_string();
        tree[rel] = it->is_directory() ? std::string("/") : ReadFile(it->path());
    }
    return tree;
}

}  // namespace quelmo::test
