#pragma once
// Files that replace their target only once whole: written under a temporary name of their own
// beside the target (its name, a unique part, ".part") and renamed over it at the end, so a
// failed or interrupted write never leaves a half file in the target's place, and two writers of
// the same target never share a temporary file. A replaced file keeps its permission bits. A
// temporary file never renamed is removed.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

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

    // Commit in its two steps: Finish cuts and closes the temporary file, Place renames it.
    Status Finish(size_t size);
    Status Place();
    const std::filesystem::path& Target() const { return target_; }

private:
    Error Failure(const std::string& why) const;

    std::filesystem::path target_, part_;
    int error_code_;
    int fd_ = -1;
    std::atomic<int> failure_{0};  // errno of the first failure
    bool committed_ = false;
};

// Replaces `target` with the bytes.
Status WriteFileWhole(const std::filesystem::path& target, const uint8_t* data, size_t size, int error_code = 2);

// Files that belong together (an index and its data, keys and their values) and replace their
// targets together: each is written whole under its temporary name first, and Commit then puts
// them in place one after the other. When one cannot be placed, those placed before it get
// their old files back (or are removed, when they had none), so a failure anywhere leaves every
// target as it was.
class FileSet {
public:
    explicit FileSet(int error_code = 2) : error_code_(error_code) {}

    // Writes one file of the set; a failure is returned here and again by Commit. The files not
    // placed are removed by Commit, whatever its outcome.
    Status Add(const std::filesystem::path& target, const uint8_t* data, size_t size);
    // Takes a file written in pieces, cut to `size` bytes.
    Status Add(std::unique_ptr<PieceFile> file, size_t size);
    Status Commit();

private:
    int error_code_;
    std::vector<std::unique_ptr<PieceFile>> files_;
    Status failed_;
};

// Deletes a folder with everything in it, without asking. True when the folder is gone.
bool RemoveFolder(const std::filesystem::path& folder);

}  // namespace quelmo
