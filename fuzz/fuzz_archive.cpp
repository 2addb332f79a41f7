// Opens any bytes as a project archive in a scratch working folder: nothing may be written
// outside temp/ there, and a refused archive must leave the folder empty.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "project/archive.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path root = [] {
        std::string pattern = (fs::temp_directory_path() / "quelmo-fuzz-XXXXXX").string();
        return fs::path(mkdtemp(pattern.data()));
    }();
    const fs::path archive = root / "in.gpu", work = root / "work";
    fs::remove_all(work);
    fs::create_directories(work);
    std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    const bool ok = static_cast<bool>(quelmo::Tmakeprjfile::Unpack(work, archive));
    for (const auto& entry : fs::directory_iterator(work))
        if (!ok || entry.path().filename() != "temp") abort();
    for (const auto& entry : fs::directory_iterator(root))
        if (entry.path() != archive && entry.path() != work) abort();
    return 0;
}
