#pragma once
// Removable drives as Linux shows them under /sys/block, their mounts, and the release of a
// disk (unmounting it) before it is written raw.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/result.h"
#include "sdcard/device.h"

namespace quelmo::sd {

struct Drive {
    std::string name;                  // "sdb"
    std::filesystem::path device;      // "/dev/sdb", or the path of a card image
    CardKind kind = CardKind::kDevice;
    uint64_t size = 0;                 // bytes
    std::vector<std::string> mounts;   // mount points of the disk and its partitions
};

// Whole disks whose removable flag is set and that hold a medium (a card reader without a card
// reports size 0 and is left out, so inserting a card makes its drive appear), sorted by name.
std::vector<Drive> ListRemovableDrives(const SystemPaths& sys = {});

// The first drive of `now` whose name is not in `before`, or nullptr.
const Drive* FindNewDrive(const std::vector<std::string>& before, const std::vector<Drive>& now);

// The whole disk (its /sys/block name) that block device number `rdev` belongs to, and whether
// `rdev` is a partition of it.
struct DiskName {
    std::string name;
    bool partition = false;
};
Result<DiskName> DiskOf(uint64_t rdev, const SystemPaths& sys = {});

// True when /sys/block/<name>/removable reads 1.
bool IsRemovable(const std::string& name, const SystemPaths& sys = {});

// Frees disk `name` for raw writing: refuses it when it is not removable, holds the running
// system (/, /boot, /usr, /var or the running program), an active swap area or a holder
// (device mapper, RAID); unmounts each mounted file system of it, deepest first, and refuses
// when one cannot be unmounted.
Status ReleaseDisk(const std::string& name, const SystemPaths& sys = {});

// Removable-disk notifications by polling: each Poll lists the drives again and tells whether
// one arrived or went since the last look (the first Poll only takes note).
class DriveWatcher {
public:
    explicit DriveWatcher(std::function<std::vector<Drive>()> list) : list_(std::move(list)) {}
    struct Change {
        bool arrived = false;
        bool removed = false;
    };
    Change Poll();

private:
    std::function<std::vector<Drive>()> list_;
    std::vector<std::string> last_;
    bool first_ = true;
};

}  // namespace quelmo::sd
