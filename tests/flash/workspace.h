#pragma once
// A throw-away working folder with a workspace, and helpers to put files in it and read the
// flash image back.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "flash/layout.h"
#include "flash/trom.h"
#include "core/hashtable.h"

namespace quelmo::test {

class FlashWorkspace {
public:
    FlashWorkspace() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quelmo-flash-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        std::filesystem::create_directories(Workspace());
    }
    ~FlashWorkspace() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    FlashWorkspace(const FlashWorkspace&) = delete;
    FlashWorkspace& operator=(const FlashWorkspace&) = delete;

    std::filesystem::path Root() const { return root_; }
    std::filesystem::path Workspace() const { return root_ / "temp"; }
    std::filesystem::path BaseImage() const { return root_ / "default.bin"; }

    // Writes a workspace file of `length` bytes, byte i being (i * 7 + seed) & 0xFF.
    std::vector<uint8_t> Put(const std::string& name, size_t length, int seed = 1) const {
        return PutAt(Workspace() / name, length, seed);
    }
    static std::vector<uint8_t> PutAt(const std::filesystem::path& path, size_t length, int seed = 1) {
        std::vector<uint8_t> bytes(length);
        for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + static_cast<size_t>(seed)) & 0xFF);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return bytes;
    }

    // Sources that read this workspace; no base image is drawn unless asked.
    BuildSources Sources() const {
        BuildSources s;
        s.workspace = Workspace();
        s.base_image = BaseImage();
        s.settings = &settings;
        s.draw_missing_base = false;
        s.now = 1700000000;
        return s;
    }

    THashTable settings;

private:
    std::filesystem::path root_;
};

inline bool SameBytes(const uint8_t* at, const std::vector<uint8_t>& bytes) {
    return std::equal(bytes.begin(), bytes.end(), at);
}

// Number of bytes in [from, to) of the image that are not FF.
inline size_t NotErased(const Trom& rom, size_t from, size_t to) {
    size_t n = 0;
    for (size_t i = from; i < to; ++i) n += rom.Image()[i] != 0xFF;
    return n;
}

}  // namespace quelmo::test
