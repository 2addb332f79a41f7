#pragma once
// The module's flash layout. Addresses in the region table and the config block count
// 256-byte units: unit A is byte address A * 256.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quelmo::flash {

inline constexpr size_t kImageSize = 16u * 1024 * 1024;
inline constexpr size_t kSectorSize = 4096;
inline constexpr size_t kUnit = 256;
// A byte address or length in 256-byte units.
constexpr int Units(uint64_t bytes) { return static_cast<int>(bytes / kUnit); }

// Region table entries (256-byte units); their values never change.
inline constexpr int kRegionUnits[10] = {16, 32, 64, 80, 848, 1872, 1888, 3584, 4096, 65536};

inline constexpr uint32_t kConfigBlock = 0x1000;     // entry 0: config block, 128 bytes + time stamp
inline constexpr uint32_t kMiniIndex = 0x2000;       // entry 1: mini.idx, four regions of 2048 bytes
inline constexpr uint32_t kMiniIndexSize = 8192;
inline constexpr uint32_t kPicIndex = 0x4000;        // entry 2: pic.idx, 4096 bytes
inline constexpr uint32_t kPicIndexSize = 4096;
inline constexpr uint32_t kHz12 = 0x5000;            // entry 3: built-in 12-pixel GB2312, 24 bytes a glyph
inline constexpr uint32_t kHz16 = 0x35000;           // entry 4: built-in 16-pixel GB2312, 32 bytes a glyph
inline constexpr uint32_t kAsc16 = 0x75000;          // entry 5: built-in 8x16 ASC from character 32
inline constexpr uint32_t kMiniGlyphs = 0x76000;     // entry 6: mini.sbin, up to the page table
inline constexpr uint32_t kMiniGlyphsSize = 0xE0000 - 0x76000;
inline constexpr uint32_t kPageTable = 0xE0000;      // entry 7: 128 slots of 1024 bytes
inline constexpr uint32_t kPageSlotSize = 1024;
inline constexpr int kPageCount = 128;
inline constexpr uint32_t kPicData = 0x100000;       // entry 8: pic.sbin, growing upward

// Config block layout (offsets from kConfigBlock); slots are 16-bit big-endian unit numbers.
inline constexpr uint32_t kConfigSize = 128;
inline constexpr uint32_t kSlotHz24Gb2312 = 2;
inline constexpr uint32_t kSlotHz32Gb2312 = 4;
inline constexpr uint32_t kSlotHz48Gb2312 = 6;
inline constexpr uint32_t kSlotHz16Gbk = 8;
inline constexpr uint32_t kSlotHz24Gbk = 10;
inline constexpr uint32_t kSlotHz32Gbk = 12;
inline constexpr uint32_t kSlotPymb = 14;
inline constexpr uint32_t kSlotPlacementTop = 16;
inline constexpr uint32_t kTimeStamp = 128;          // 32-bit little-endian build time
// The time stamp is the local time read as if it were UTC, less this many seconds (eight hours).
inline constexpr int64_t kTimeStampShift = 28800;
// Firmware numbers above this one answer a sector's checksum as XOR plus sum, the rest as XOR.
inline constexpr int kSumWithAddFirmware = 555;
// The baud rate index a page table is compiled for when a project gives none (115200).
inline constexpr int kDefaultBtl = 6;
inline constexpr uint8_t kMarkerStart[2] = {0xAE, 0x5F};
inline constexpr uint8_t kMarkerEnd[2] = {0x5E, 0xAF};

// Full fonts and the input method table are placed downward from the placement top, which
// leaves the last 64 KB of the module's flash unwritten: memory size * 1 MB - 64 KB.
inline constexpr uint32_t kTopReserve = 65536;
inline constexpr uint32_t kMegabyte = 1048576;
constexpr bool ValidMemorySize(int mb) { return mb == 2 || mb == 4 || mb == 8 || mb == 16; }
constexpr uint32_t PlacementTop(int mb) { return static_cast<uint32_t>(mb) * kMegabyte - kTopReserve; }

// A page slot holds the text and its terminating 0 byte.
inline constexpr uint32_t kPageTextMax = kPageSlotSize - 1;

// The built-in fonts of the base image. A GB2312 glyph (hi, lo) sits at
// region + glyph bytes * ((hi - 0xA1) * 94 + (lo - 0xA1)); an ASC glyph c at kAsc16 + (c - 0x20) * 16.
inline constexpr int kGb2312Rows = 87;       // lead bytes A1..F7
inline constexpr int kGb2312Cells = 94;      // trail bytes A1..FE
inline constexpr int kGb2312Glyphs = kGb2312Rows * kGb2312Cells;  // 8178
inline constexpr uint32_t kHz12GlyphBytes = 24;   // 12 columns of 2 bytes, rows 0..11 used
inline constexpr uint32_t kHz16GlyphBytes = 32;   // 16 columns of 2 bytes
inline constexpr uint32_t kAsc16GlyphBytes = 16;  // 8 columns of 2 bytes
inline constexpr int kAscFirst = 0x20;
inline constexpr int kAscCount = 0x80 - kAscFirst;  // 0x20..0x7F, the half-width codes
// The base image's data version: a 32-bit little-endian number at bytes 256..259.
inline constexpr uint32_t kBaseVersionOffset = 256;
// Everything the base image defines lies below the mini font region.
inline constexpr uint32_t kBaseImageEnd = kMiniGlyphs;

// Workspace files placed by the build.
inline constexpr const char* kMiniIndexFile = "mini.idx";
inline constexpr const char* kMiniGlyphsFile = "mini.sbin";
inline constexpr const char* kPicIndexFile = "pic.idx";
inline constexpr const char* kPicDataFile = "pic.sbin";
inline constexpr const char* kPymbFile = "pymb.bin";
inline constexpr const char* kBaseImageFile = "default.bin";

// The settings keys of stored page n (0..127): its command text and its name.
inline std::string PageTextKey(int n) { return "pgcn" + std::to_string(n); }
inline std::string PageNameKey(int n) { return "page" + std::to_string(n); }

}  // namespace quelmo::flash
