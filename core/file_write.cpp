#include "core/file_write.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelmo {
namespace {

// `target` + "." + a part no other writer uses + `suffix`: the process id, a counter and the
// clock, so names stay apart between threads, processes and runs.
std::filesystem::path UniqueBeside(const std::filesystem::path& target, const char* suffix) {
    static std::atomic<uint64_t> counter{0};
    const uint64_t n = counter.fetch_add(1);
    const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char part[64];
    std::snprintf(part, sizeof part, ".%x-%llx-%llx", static_cast<unsigned>(::getpid()),
                  static_cast<unsigned long long>(n), static_cast<unsigned long long>(now & 0xFFFFFFFFFFull));
    std::filesystem::path p = target;
    p += part;
    p += suffix;
    return p;
}

}  // namespace

PieceFile::PieceFile(std::filesystem::path target, int error_code)
    : target_(std::move(target)), error_code_(error_code) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        part_ = UniqueBeside(target_, ".part");
        fd_ = ::open(part_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) {
        failure_ = errno;
        part_.clear();
        return;
    }
    // A replaced file keeps its permission bits; a new one gets the usual ones (umask).
    struct stat old{};
    if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) (void)::fchmod(fd_, old.st_mode & 07777);
}

PieceFile::~PieceFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !part_.empty()) ::unlink(part_.c_str());
}

void PieceFile::Write(size_t offset, const uint8_t* data, size_t size) {
    if (failure_ != 0) return;
    // Taking the room at once spares the file system growing the file a block at a time; where
    // it cannot, the writes grow it as usual.
    if (size > 0) (void)::fallocate(fd_, 0, static_cast<off_t>(offset), static_cast<off_t>(size));
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int expected = 0;
            failure_.compare_exchange_strong(expected, n < 0 ? errno : EIO);
            return;
        }
        done += static_cast<size_t>(n);
    }
}

Error PieceFile::Failure(const std::string& why) const {
    return Error{"cannot write " + target_.string() + ": " + why, error_code_};
}

Status PieceFile::Finish(size_t size) {
    if (fd_ >= 0) {
        if (failure_ == 0 && ::ftruncate(fd_, static_cast<off_t>(size)) != 0) failure_ = errno;
        if (::close(fd_) != 0 && failure_ == 0) failure_ = errno;
        fd_ = -1;
    }
    if (failure_ != 0) return Failure(std::strerror(failure_));
    return {};
}

Status PieceFile::Place() {
    if (failure_ != 0) return Failure(std::strerror(failure_));
    if (::rename(part_.c_str(), target_.c_str()) != 0) return Failure(std::strerror(errno));
    committed_ = true;
    return {};
}

Status PieceFile::Commit(size_t size) {
    if (auto s = Finish(size); !s) return s;
    return Place();
}

Status WriteFileWhole(const std::filesystem::path& target, const uint8_t* data, size_t size, int error_code) {
    PieceFile file(target, error_code);
    file.Write(0, data, size);
    return file.Commit(size);
}

bool RemoveFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return !ec && !std::filesystem::exists(folder, ec);
}

Status FileSet::Add(const std::filesystem::path& target, const uint8_t* data, size_t size) {
    auto file = std::make_unique<PieceFile>(target, error_code_);
    file->Write(0, data, size);
    return Add(std::move(file), size);
}

Status FileSet::Add(std::unique_ptr<PieceFile> file, size_t size) {
    Status s = file->Finish(size);
    if (!s && failed_) failed_ = s;
    files_.push_back(std::move(file));
    return s;
}

Status FileSet::Commit() {
    if (!failed_) {
        files_.clear();
        return failed_;
    }
    // Each old file is kept under a second name (a hard link, where the file system has them;
    // else the old file itself moved aside) until every new file is in place.
    struct Kept {
        std::filesystem::path old;  // empty: the target did not exist
        bool linked = false;
        bool placed = false;
    };
    std::vector<Kept> kept(files_.size());
    auto roll_back = [&] {
        for (size_t j = kept.size(); j-- > 0;) {
            const std::string target = files_[j]->Target().string();
            if (kept[j].old.empty()) {
                if (kept[j].placed) ::unlink(target.c_str());
            } else if (kept[j].placed || !kept[j].linked) {
                (void)::rename(kept[j].old.c_str(), target.c_str());
            } else {
                ::unlink(kept[j].old.c_str());
            }
        }
    };
    for (size_t i = 0; i < files_.size(); ++i) {
        const std::filesystem::path& target = files_[i]->Target();
        struct stat st{};
        // A folder in the target's place is not moved aside: placing the file fails on it.
        if (::lstat(target.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            std::filesystem::path old;
            int r = -1;
            for (int attempt = 0; attempt < 100; ++attempt) {
                old = UniqueBeside(target, ".old");
                r = ::link(target.c_str(), old.c_str());
                if (r == 0 || errno != EEXIST) break;
            }
            if (r == 0) {
                kept[i] = {old, true, false};
            } else if (::rename(target.c_str(), old.c_str()) == 0) {
                kept[i] = {old, false, false};
            } else {
                const int e = errno;
                roll_back();
                files_.clear();
                return Error{"cannot write " + target.string() + ": " + std::strerror(e), error_code_};
            }
        }
        if (auto s = files_[i]->Place(); !s) {
            roll_back();
            files_.clear();
            return s;
        }
        kept[i].placed = true;
    }
    for (const Kept& k : kept)
        if (!k.old.empty()) ::unlink(k.old.c_str());
    files_.clear();
    return {};
}

}  // namespace quelmo
