#pragma once
// The font data files: the mini font (mini.idx, mini.sbin) and the full fonts (hz16.sbin ..
// hz48.sbin). A glyph of S rows is stored column by column, left column first, S/8 bytes a
// column, bit 0 of each byte the top row of its eight, 1 = ink.
#include <cstdint>

#include "flash/layout.h"

namespace quelmo::fontfile {

// mini.idx is the image of flash 0x2000..0x3FFF: four regions of 2048 bytes (24, 32, 48, 64
// pixels), each up to 512 records of 4 bytes packed from its start and ended by a record whose
// byte 0 is FF. Record: byte 0 width (ASC) or lead byte, byte 1 code or trail byte, bytes 2..3
// the glyph's offset in mini.sbin divided by 8, big-endian.
inline constexpr uint32_t kIndexRegionSize = 2048;
inline constexpr int kRecordSize = 4;
inline constexpr int kRegionRecords = 512;
inline constexpr uint8_t kEndOfRegion = 0xFF;
inline constexpr int kGlyphAlign = 8;
// Offsets are stored divided by 8 in 16 bits.
inline constexpr uint32_t kMaxGlyphData = 65536u * kGlyphAlign;

inline constexpr int kMiniSizes[4] = {24, 32, 48, 64};

// Flash address of a size's index region; every size other than 24, 32 and 48 reads the last.
constexpr uint32_t IndexRegion(int size) {
    switch (size) {
        case 24: return flash::kMiniIndex;
        case 32: return flash::kMiniIndex + kIndexRegionSize;
        case 48: return flash::kMiniIndex + 2 * kIndexRegionSize;
        default: return flash::kMiniIndex + 3 * kIndexRegionSize;
    }
}

// Full fonts hold every code position of their set in code order, without index or padding:
// glyph of (lead, trail) at ((lead - first lead) * trails + (trail - first trail)) * S * S/8.
struct CodeSet {
    int first_lead, last_lead, first_trail, last_trail;
    constexpr int Trails() const { return last_trail - first_trail + 1; }
    constexpr int Leads() const { return last_lead - first_lead + 1; }
    constexpr int Glyphs() const { return Leads() * Trails(); }
    constexpr int64_t Position(int lead, int trail) const {
        return static_cast<int64_t>(lead - first_lead) * Trails() + (trail - first_trail);
    }
};
inline constexpr CodeSet kGb2312{0xA1, 0xF7, 0xA1, 0xFE};  // 87 x 94 = 8178 glyphs
inline constexpr CodeSet kGbk{0x81, 0xFE, 0x40, 0xFE};     // 126 x 191 = 24066 glyphs

constexpr int GlyphBytes(int size) { return size * size / 8; }

// The ASC characters of the "all" setting: 0x20..0x7E.
inline constexpr int kFirstAsc = 0x20, kLastAsc = 0x7E;

inline constexpr const char* kMiniIndexFile = "mini.idx";
inline constexpr const char* kMiniGlyphFile = "mini.sbin";

}  // namespace quelmo::fontfile
