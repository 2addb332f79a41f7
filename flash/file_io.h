#pragma once
// Whole-file reads into a caller's buffer, for the flash image and its files.
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

}  // namespace quelmo::flash
