#pragma once
// Whether a card holds a file system the desktop could read (FAT, exFAT, NTFS, ext2/3/4, on
// the whole card or in its first partition of an MBR or GPT table), and that volume's size.
#include <cstdint>
#include <optional>

#include "sdcard/device.h"

namespace quelmo::sd {

// The size in bytes of the card's file system volume, or nothing when the card holds none
// (a raw card, a card prepared for the module, an unreadable card).
std::optional<uint64_t> FileSystemSize(SectorDevice& card);

}  // namespace quelmo::sd
