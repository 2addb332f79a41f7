#pragma once
// The layout of a card prepared for the module. The card carries no file system: the module
// reads it sector by sector from byte 0 of the device. All numbers on the card are
// little-endian.
//
//   offset 0                 header sector
//   offset 2048              time sector
//   offset 4096              pic.idx (4096 bytes)
//   offset 8192              pic.sbin, rounded up to 512 bytes (its addresses count from 8192)
//   8192 + rounded pic.sbin  rom.sbin, rounded up to 512 bytes (optional upgrade copy)
#include <cstdint>
#include <optional>
#include <string>

namespace quelmo::sd {

inline constexpr uint32_t kSectorSize = 512;
inline constexpr uint8_t kSignature[4] = {0x89, 0xA9, 0x8A, 0xD9};

inline constexpr uint64_t kHeaderOffset = 0;
inline constexpr uint64_t kTimeOffset = 2048;
inline constexpr uint64_t kPicIndexOffset = 4096;
inline constexpr uint64_t kPicIndexSize = 4096;
inline constexpr uint64_t kPicDataOffset = 8192;

// Header sector bytes.
inline constexpr int kHeaderSize = 4;        // 4..7: low 32 bits of the card size in bytes
inline constexpr int kHeaderPicEntry = 8;    // 8..11: offset of pic.idx, 12: kind
inline constexpr int kHeaderRomEntry = 16;   // 16..19: offset of rom.sbin, 20: kind
inline constexpr uint8_t kPicEntryKind = 2;
inline constexpr uint8_t kRomEntryKind = 5;

// Time sector bytes: 0..3 signature, 4..7 the time of the data write, counted as the flash
// image's build time is (BuildTimeStamp).
inline constexpr int kTimeStampAt = 4;

using Sector = uint8_t[kSectorSize];

inline constexpr uint64_t RoundUpToSector(uint64_t n) { return (n + kSectorSize - 1) / kSectorSize * kSectorSize; }

// A freshly formatted header: FF everywhere except the signature and the card size.
void ComposeFormatHeader(Sector& s, uint64_t card_size);
// The header written with the data: the formatted header plus the picture entry and, when the
// card carries an upgrade copy, its entry.
void ComposeDataHeader(Sector& s, uint64_t card_size, std::optional<uint32_t> rom_offset);
// FF everywhere except the signature and the stamp.
void ComposeTimeSector(Sector& s, uint32_t stamp);

bool HasSignature(const Sector& s);
uint32_t RecordedSize(const Sector& s);

// 7948206080 -> "7,948,206,080".
std::string GroupThousands(uint64_t n);

}  // namespace quelmo::sd
