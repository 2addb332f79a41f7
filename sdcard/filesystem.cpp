#include "sdcard/filesystem.h"
#include "core/byte_order.h"

#include <cstring>

namespace quelmo::sd {
namespace {

bool BootSignature(const Sector& s) { return s[510] == 0x55 && s[511] == 0xAA; }

bool PowerOfTwo(uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }

// A file system starting at byte `base`: its volume size, or 0 when none is recognised.
uint64_t VolumeAt(SectorDevice& card, uint64_t base) {
    Sector s;
    if (!card.ReadSector(base, s)) return 0;
    // exFAT: "EXFAT   " at 3; volume length in sectors at 72, log2 of the sector size at 108.
    if (std::memcmp(s + 3, "EXFAT   ", 8) == 0 && s[108] >= 9 && s[108] <= 12) return bytes::Le(s + 72, 8) << s[108];
    // NTFS: "NTFS    " at 3; bytes per sector at 11, total sectors at 40.
    if (std::memcmp(s + 3, "NTFS    ", 8) == 0) return bytes::Le(s + 40, 8) * bytes::Le(s + 11, 2);
    // FAT12/16/32: a jump, a sane BIOS parameter block: bytes per sector at 11, sectors per
    // cluster at 13, reserved sectors at 14, FAT count at 16; total sectors at 19 (16 bits) or,
    // when that is 0, at 32 (32 bits).
    const uint64_t bps = bytes::Le(s + 11, 2);
    const bool jump = s[0] == 0xEB || s[0] == 0xE9;
    if (BootSignature(s) && jump && bps >= 512 && bps <= 4096 && PowerOfTwo(bps) && PowerOfTwo(s[13]) &&
        bytes::Le(s + 14, 2) > 0 && (s[16] == 1 || s[16] == 2)) {
        const uint64_t sectors = bytes::Le(s + 19, 2) ? bytes::Le(s + 19, 2) : bytes::Le(s + 32, 4);
        return sectors * bps;
    }
    // ext2/3/4: the superblock at byte 1024, magic EF53 at 56, block count at 4, block size
    // 1024 << (value at 24).
    Sector super;
    if (card.ReadSector(base + 1024, super) && bytes::Le(super + 56, 2) == 0xEF53 && bytes::Le(super + 24, 4) < 8)
        return bytes::Le(super + 4, 4) * (1024ull << bytes::Le(super + 24, 4));
    return 0;
}

// Byte offset of the first partition of an MBR or GPT table in sector 0, or 0 when none.
uint64_t FirstPartition(SectorDevice& card, const Sector& mbr) {
    if (!BootSignature(mbr)) return 0;
    // MBR entries: 16 bytes from 446; type at +4, first LBA at +8.
    const uint8_t* first = mbr + 446;
    if (first[4] == 0xEE) {
        // GPT: header in LBA 1 ("EFI PART"), entry array LBA at 72; an entry's first LBA at 32.
        Sector header, entries;
        if (!card.ReadSector(512, header) || std::memcmp(header, "EFI PART", 8) != 0) return 0;
        if (!card.ReadSector(bytes::Le(header + 72, 8) * 512, entries)) return 0;
        static const uint8_t kUnused[16] = {};
        if (std::memcmp(entries, kUnused, 16) == 0) return 0;
        return bytes::Le(entries + 32, 8) * 512;
    }
    for (int i = 0; i < 4; ++i) {
        const uint8_t* e = mbr + 446 + 16 * i;
        if (e[4] != 0 && bytes::Le(e + 8, 4) != 0) return bytes::Le(e + 8, 4) * 512;
    }
    return 0;
}

}  // namespace

std::optional<uint64_t> FileSystemSize(SectorDevice& card) {
    Sector s;
    if (!card.ReadSector(0, s)) return std::nullopt;
    if (const uint64_t size = VolumeAt(card, 0)) return size;
    if (const uint64_t start = FirstPartition(card, s))
        if (const uint64_t size = VolumeAt(card, start)) return size;
    return std::nullopt;
}

}  // namespace quelmo::sd
