#pragma once
// Reading and writing unsigned integers at a byte position, in either byte order. The module's
// formats are big-endian (picture and font records, the config block) except where a PC-side
// format is little-endian (sector sums, the SD card's file system, the input method table).
#include <cstddef>
#include <cstdint>

namespace quelmo::bytes {

constexpr uint32_t Be16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
constexpr uint32_t Be24(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 16 | Be16(p + 1); }
constexpr uint32_t Le16(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }
constexpr uint32_t Le32(const uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }
// `count` bytes (at most 8), least significant first.
constexpr uint64_t Le(const uint8_t* p, int count) {
    uint64_t v = 0;
    for (int i = count - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

constexpr void PutBe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
constexpr void PutBe24(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 16);
    PutBe16(p + 1, v);
}
constexpr void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
constexpr void PutLe32(uint8_t* p, uint32_t v) {
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

}  // namespace quelmo::bytes
