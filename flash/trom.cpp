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

uint32_t Trom::SectorSum(int n) const {
    const uint8_t* p = image_.get() + static_cast<size_t>(n) * flash::kSectorSize;
    uint32_t x = 0, sum = 0;
    for (size_t i = 0; i < flash::kSectorSize; i += 4) {
        const uint32_t w = p[i] | p[i + 1] << 8 | p[i + 2] << 16 | static_cast<uint32_t>(p[i + 3]) << 24;
        x ^= w;
        sum += w;
    }
    return device_.FirmwareNo > 555 ? x + sum : x;
}

bool Trom::SectorBlank(int n) const {
    const uint8_t* p = image_.get() + static_cast<size_t>(n) * flash::kSectorSize;
    for (size_t i = 0; i < flash::kSectorSize; ++i)
        if (p[i] != 0xFF) return false;
    return true;
}

int Trom::BlockValue(int a) const {
    const uint8_t* p = image_.get() + static_cast<size_t>(a) * flash::kUnit;
    return p[1022] + p[1023];
}

}  // namespace quelmo
