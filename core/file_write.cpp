#include "core/file_write.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace quelmo {

PieceFile::PieceFile(std::filesystem::path target, int error_code)
    : target_(std::move(target)), part_(target_), error_code_(error_code) {
    part_ += ".part";
    fd_ = ::open(part_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) failure_ = errno;
}

PieceFile::~PieceFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) {
        std::error_code ec;
        std::filesystem::remove(part_, ec);
    }
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

Status PieceFile::Commit(size_t size) {
    auto fail = [&](const std::string& why) { return Error{"cannot write " + target_.string() + ": " + why, error_code_}; };
    if (failure_ == 0 && ::ftruncate(fd_, static_cast<off_t>(size)) != 0) failure_ = errno;
    if (::close(fd_) != 0 && failure_ == 0) failure_ = errno;
    fd_ = -1;
    if (failure_ != 0) return fail(std::strerror(failure_));
    std::error_code ec;
    std::filesystem::rename(part_, target_, ec);
    if (ec) return fail(ec.message());
    committed_ = true;
    return {};
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

}  // namespace quelmo
