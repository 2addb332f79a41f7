#pragma once
// Pictures placed straight into a test's flash image, as the picture list lays them out.
#include <cstdint>

#include "display/tgd.h"
#include "flash/layout.h"
#include "flash/trom.h"

namespace quelmo::test {

// A colour of its own for every (column, row) of a picture up to 1024 x 64.
inline uint16_t PictureColour(int col, int row) { return static_cast<uint16_t>((col * 64 + row + 1) & 0xFFFF); }

// Record pn <- (width, height, address) and the pixels PictureColour(col, row), column by column.
inline void PutPicture(Trom& rom, int pn, int width, int height, uint32_t address, bool pixels = true) {
    uint8_t* r = rom.Image() + flash::kPicIndex + 8 * pn;
    const uint8_t record[8] = {uint8_t(width >> 8), uint8_t(width), uint8_t(height >> 8), uint8_t(height), 0,
                               uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)};
    std::copy(record, record + 8, r);
    if (!pixels) return;
    uint8_t* p = rom.Image() + address;
    for (int col = 0; col < width; ++col)
        for (int row = 0; row < height; ++row, p += 2) {
            const uint16_t v = PictureColour(col, row);
            p[0] = static_cast<uint8_t>(v >> 8);
            p[1] = static_cast<uint8_t>(v);
        }
}

inline uint32_t PictureRgb(int col, int row) { return Tgd::ModuleToDesktop(PictureColour(col, row)); }

}  // namespace quelmo::test
