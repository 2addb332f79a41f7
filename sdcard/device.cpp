#include "sdcard/device.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstring>

#include "sdcard/drives.h"

namespace quelmo::sd {
namespace {

std::string SystemError() { return std::strerror(errno); }

class RawVolume : public SectorDevice {
public:
    RawVolume(int fd, std::string path, uint64_t size) : fd_(fd), path_(std::move(path)), size_(size) {}
    ~RawVolume() override {
        if (fd_ >= 0) ::close(fd_);
    }

    Status ReadSector(uint64_t offset, Sector& s) override {
        if (!Within(offset))
            return Error{"cannot read " + path_ + " at offset " + std::to_string(offset) + ": beyond the end of the card", 1};
        size_t done = 0;
        while (done < kSectorSize) {
            const ssize_t n = ::pread(fd_, s + done, kSectorSize - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0)
                return Error{"cannot read " + path_ + " at offset " + std::to_string(offset + done) + ": " +
                                 (n == 0 ? std::string("unexpected end") : SystemError()),
                             1};
            done += static_cast<size_t>(n);
        }
        return {};
    }

    Status WriteSector(uint64_t offset, const Sector& s) override {
        if (!Within(offset))
            return Error{"write failed at offset " + std::to_string(offset) + " of " + path_ + ": beyond the end of the card (" +
                             std::to_string(size_) + " bytes)",
                         1};
        size_t done = 0;
        while (done < kSectorSize) {
            const ssize_t n = ::pwrite(fd_, s + done, kSectorSize - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0)
                return Error{"write failed at offset " + std::to_string(offset + done) + " of " + path_ + ": " +
                                 (n == 0 ? std::string("nothing written") : SystemError()),
                             1};
            done += static_cast<size_t>(n);
        }
        written_ = true;
        return {};
    }

    uint64_t Size() const override { return size_; }

    Status Close() override {
        if (fd_ < 0) return {};
        const bool flushed = !written_ || ::fsync(fd_) == 0;
        const std::string why = flushed ? "" : SystemError();
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!flushed) return Error{"write failed while flushing " + path_ + ": " + why, 1};
        if (!closed) return Error{"write failed while closing " + path_ + ": " + SystemError(), 1};
        return {};
    }

private:
    bool Within(uint64_t offset) const { return offset <= size_ && size_ - offset >= kSectorSize; }

    int fd_;
    std::string path_;
    uint64_t size_;
    bool written_ = false;
};

}  // namespace

Result<std::unique_ptr<SectorDevice>> OpenCard(const std::filesystem::path& path, CardKind kind, Access access,
                                               const SystemPaths& sys) {
    const std::string name = path.string();
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) return Error{"cannot open " + name + ": " + SystemError(), 2};
    const bool block = S_ISBLK(st.st_mode), regular = S_ISREG(st.st_mode);
    if (!block && !regular) return Error{name + " is neither a block device nor a regular file", 2};
    if (kind == CardKind::kImage && !regular) return Error{name + " is a block device, not a card image; use --device", 2};
    if (kind == CardKind::kDevice && !block) return Error{name + " is not a block device; use --image for a card image", 2};

    int flags = (access == Access::kWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    if (block) {
        auto disk = DiskOf(st.st_rdev, sys);
        if (!disk) return disk.error();
        if (disk->partition)
            return Error{name + " is a partition; give the whole drive " + (sys.dev / disk->name).string(), 2};
        if (!IsRemovable(disk->name, sys)) return Error{name + " is not a removable drive; refusing to open it", 1};
        if (access == Access::kWrite) {
            if (auto s = ReleaseDisk(disk->name, sys); !s) return s.error();
            // Exclusive: the kernel refuses while anything still holds or mounts the device.
            flags |= O_EXCL;
        }
    }

    // Right after an unmount the desktop's disk services may still hold the device for a
    // moment: ask again every 500 ms, 20 times in all, before giving up.
    int fd = ::open(name.c_str(), flags);
    for (int attempt = 1; fd < 0 && errno == EBUSY && (flags & O_EXCL) && attempt < 20; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        fd = ::open(name.c_str(), flags);
    }
    if (fd < 0) {
        const int err = errno;
        return Error{"cannot open " + name + ": " + std::strerror(err), err == EBUSY ? 1 : 2};
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (block && ::ioctl(fd, BLKGETSIZE64, &size) != 0) {
        const std::string why = SystemError();
        ::close(fd);
        return Error{"cannot read the size of " + name + ": " + why, 2};
    }
    return std::unique_ptr<SectorDevice>(std::make_unique<RawVolume>(fd, name, size));
}

}  // namespace quelmo::sd
