#pragma once
// One open card: a removable block device or a card image file. Every read and write moves
// whole 512-byte sectors and is checked; a failure names the card and the byte offset.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/result.h"
#include "sdcard/card.h"

namespace quelmo::sd {

class SectorDevice {
public:
    virtual ~SectorDevice() = default;
    virtual Status ReadSector(uint64_t offset, Sector& s) = 0;
    virtual Status WriteSector(uint64_t offset, const Sector& s) = 0;
    // Bytes the card holds; nothing is written at or beyond it.
    virtual uint64_t Size() const = 0;
    // Flushes what was written to the card and lets it go; a flush that fails is a failed write.
    virtual Status Close() = 0;
};

// Where the platform's view of drives and mounts is read; tests point it at a made-up tree.
struct SystemPaths {
    std::filesystem::path sys = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path mountinfo = "/proc/self/mountinfo";
    std::filesystem::path swaps = "/proc/swaps";
    // Unmounts one mount point; 0 on success, else -1 with errno set (umount2 by default).
    int (*unmount)(const char* target) = nullptr;
};

enum class CardKind { kDevice, kImage };
enum class Access { kRead, kWrite };

// Opens a card. A device must be a whole removable disk; for writing, every file system of it
// is unmounted first and the device is opened exclusively, and a disk that holds the running
// system, a swap area or a device-mapper or RAID member is refused. An image must be a regular
// file that exists.
Result<std::unique_ptr<SectorDevice>> OpenCard(const std::filesystem::path& path, CardKind kind, Access access,
                                               const SystemPaths& sys = {});

}  // namespace quelmo::sd
