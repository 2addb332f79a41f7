#include "sdcard/drives.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace quelmo::sd {
namespace fs = std::filesystem;
namespace {

std::string ReadWord(const fs::path& file) {
    std::ifstream in(file);
    std::string word;
    in >> word;
    return word;
}

std::string MajMin(uint64_t rdev) {
    return std::to_string(major(rdev)) + ":" + std::to_string(minor(rdev));
}

// mountinfo and /proc/swaps write a space as \040 (and tab, newline, backslash alike).
std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const bool octal = s[i] == '\\' && i + 4 <= s.size() &&
                           std::all_of(s.begin() + i + 1, s.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; });
        if (octal) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

struct Mount {
    std::string majmin;
    std::string point;
};

std::vector<Mount> ReadMounts(const SystemPaths& sys) {
    // "36 35 98:0 /root /mnt/point options... - fstype source superoptions"
    std::vector<Mount> mounts;
    std::ifstream in(sys.mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string id, parent, majmin, root, point;
        if (ls >> id >> parent >> majmin >> root >> point) mounts.push_back({majmin, Unescape(point)});
    }
    return mounts;
}

// The disk's own name and number first, then each partition's (subfolders with a partition file).
struct DiskParts {
    std::vector<std::string> names;
    std::set<std::string> numbers;
};

DiskParts PartsOf(const std::string& name, const SystemPaths& sys) {
    DiskParts parts;
    const fs::path disk = sys.sys / "block" / name;
    parts.names.push_back(name);
    parts.numbers.insert(ReadWord(disk / "dev"));
    std::error_code ec;
    for (fs::directory_iterator it(disk, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code part_ec;
        if (!fs::exists(it->path() / "partition", part_ec)) continue;
        parts.names.push_back(it->path().filename().string());
        parts.numbers.insert(ReadWord(it->path() / "dev"));
    }
    return parts;
}

std::vector<std::string> MountPointsOf(const DiskParts& parts, const std::vector<Mount>& mounts) {
    std::vector<std::string> points;
    for (const auto& m : mounts)
        if (parts.numbers.count(m.majmin)) points.push_back(m.point);
    return points;
}

int DefaultUnmount(const char* target) { return umount2(target, 0); }

}  // namespace

bool IsRemovable(const std::string& name, const SystemPaths& sys) {
    return ReadWord(sys.sys / "block" / name / "removable") == "1";
}

std::vector<Drive> ListRemovableDrives(const SystemPaths& sys) {
    std::vector<Drive> drives;
    const auto mounts = ReadMounts(sys);
    std::error_code ec;
    for (fs::directory_iterator it(sys.sys / "block", ec), end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        if (!IsRemovable(name, sys)) continue;
        const std::string sectors = ReadWord(entry.path() / "size");
        // /sys/block/<name>/size counts 512-byte units whatever the device's sector size.
        const uint64_t size = std::strtoull(sectors.c_str(), nullptr, 10) * 512;
        if (size == 0) continue;
        Drive d;
        d.name = name;
        d.device = sys.dev / name;
        d.size = size;
        d.mounts = MountPointsOf(PartsOf(name, sys), mounts);
        drives.push_back(std::move(d));
    }
    std::sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.name < b.name; });
    return drives;
}

const Drive* FindNewDrive(const std::vector<std::string>& before, const std::vector<Drive>& now) {
    for (const auto& d : now)
        if (std::find(before.begin(), before.end(), d.name) == before.end()) return &d;
    return nullptr;
}

Result<DiskName> DiskOf(uint64_t rdev, const SystemPaths& sys) {
    std::error_code ec;
    const fs::path node = fs::canonical(sys.sys / "dev/block" / MajMin(rdev), ec);
    if (ec) return Error{"block device " + MajMin(rdev) + " is not known under " + sys.sys.string(), 2};
    if (fs::exists(node / "partition", ec)) return DiskName{node.parent_path().filename().string(), true};
    return DiskName{node.filename().string(), false};
}

Status ReleaseDisk(const std::string& name, const SystemPaths& sys) {
    const std::string dev = (sys.dev / name).string();
    if (!IsRemovable(name, sys)) return Error{dev + " is not a removable drive; refusing to write to it", 1};
    const DiskParts parts = PartsOf(name, sys);

    std::error_code ec;
    for (const auto& part : parts.names) {
        const fs::path disk = sys.sys / "block" / name;
        const fs::path holders = (part == name ? disk : disk / part) / "holders";
        fs::directory_iterator holder(holders, ec);
        if (!ec && holder != fs::directory_iterator())
            return Error{dev + " is in use by " + holder->path().filename().string() + "; refusing to write to it", 1};
    }

    std::ifstream swaps(sys.swaps);
    std::string line;
    std::getline(swaps, line);  // the heading
    while (std::getline(swaps, line)) {
        std::istringstream ls(line);
        std::string file;
        ls >> file;
        const std::string base = fs::path(Unescape(file)).filename().string();
        if (std::find(parts.names.begin(), parts.names.end(), base) != parts.names.end())
            return Error{dev + " holds an active swap area; refusing to write to it", 1};
    }

    struct stat self {};
    if (stat("/proc/self/exe", &self) == 0 && parts.numbers.count(MajMin(self.st_dev)))
        return Error{dev + " holds the running system; refusing to write to it", 1};

    const auto mounts = ReadMounts(sys);
    static const std::set<std::string> kSystemMounts = {"/", "/boot", "/boot/efi", "/usr", "/var", "/etc"};
    std::vector<std::string> points = MountPointsOf(parts, mounts);
    for (const auto& p : points)
        if (kSystemMounts.count(p)) return Error{dev + " holds the running system (" + p + "); refusing to write to it", 1};

    // Later mounts lie on top of earlier ones: unmount in reverse order.
    auto unmount = sys.unmount ? sys.unmount : DefaultUnmount;
    for (auto it = points.rbegin(); it != points.rend(); ++it)
        if (unmount(it->c_str()) != 0)
            return Error{"cannot unmount " + *it + " of " + dev + ": " + std::strerror(errno), 1};
    return {};
}

DriveWatcher::Change DriveWatcher::Poll() {
    std::vector<std::string> now;
    for (const auto& d : list_()) now.push_back(d.name);
    Change c;
    if (!first_) {
        for (const auto& n : now) c.arrived |= std::find(last_.begin(), last_.end(), n) == last_.end();
        for (const auto& n : last_) c.removed |= std::find(now.begin(), now.end(), n) == now.end();
    }
    first_ = false;
    last_ = std::move(now);
    return c;
}

}  // namespace quelmo::sd
