#pragma once
// Whole-file reads into a caller's buffer and whole-file writes that replace their target only
// when complete, for the flash image and its files.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "core/result.h"

namespace quelmo::flash {

struct FileCopy {
    bool exists = false;     // false: no such regular file, nothing was read
    uint64_t length = 0;     // the file's length
    size_t copied = 0;       // bytes placed in the buffer: min(length, capacity)
};

// Reads at most `capacity` bytes of the file into `dest`. A missing file is not an error.
Result<FileCopy> ReadInto(const std::filesystem::path& path, uint8_t* dest, size_t capacity);

// Writes the bytes to a temporary file beside `path` and renames it over `path` when complete,
// so a failed write never leaves a half-written file in its place.
Status WriteWhole(const std::filesystem::path& path, const uint8_t* data, size_t size);

}  // namespace quelmo::flash
