#pragma once
// Files that replace their target only once whole: written under a temporary name beside the
// target (its name + ".part") and renamed over it at the end, so a failed or interrupted write
// never leaves a half file in the target's place. A temporary file never renamed is removed.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "core/result.h"

namespace quelmo {

// A file written in pieces, at their offsets and from any number of threads at once. Errors
// name the target and carry `error_code`.
class PieceFile {
public:
    explicit PieceFile(std::filesystem::path target, int error_code = 2);
    ~PieceFile();
    PieceFile(const PieceFile&) = delete;
    PieceFile& operator=(const PieceFile&) = delete;

    // A failure is kept and reported by Commit; later writes are skipped.
    void Write(size_t offset, const uint8_t* data, size_t size);
    // Cuts the file to `size` bytes and renames it into place.
    Status Commit(size_t size);

private:
    std::filesystem::path target_, part_;
    int error_code_;
    int fd_ = -1;
    std::atomic<int> failure_{0};  // errno of the first failure
    bool committed_ = false;
};

// Replaces `target` with the bytes.
Status WriteFileWhole(const std::filesystem::path& target, const uint8_t* data, size_t size, int error_code = 2);

// Deletes a folder with everything in it, without asking. True when the folder is gone.
bool RemoveFolder(const std::filesystem::path& folder);

}  // namespace quelmo
