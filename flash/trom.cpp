#include "flash/trom.h"

#include <cstring>
#include <fstream>

namespace quelmo {

Trom::Trom() : image_(new uint8_t[flash::kImageSize]) { Erase(); }

void Trom::Erase() { std::memset(image_.get(), 0xFF, flash::kImageSize); }

Status Trom::LoadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return Error{"cannot read " + path.string(), 2};
    auto size = static_cast<size_t>(in.tellg());
    if (size > flash::kImageSize) return Error{path.string() + " is larger than 16 MB", 2};
    Erase();
    in.seekg(0);
    in.read(reinterpret_cast<char*>(image_.get()), static_cast<std::streamsize>(size));
    if (!in) return Error{"cannot read " + path.string(), 2};
    return {};
}

}  // namespace quelmo
