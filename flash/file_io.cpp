#include "flash/file_io.h"

#include <cstdio>
#include <system_error>

namespace quelmo::flash {

Result<FileCopy> ReadInto(const std::filesystem::path& path, uint8_t* dest, size_t capacity) {
    FileCopy copy;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return copy;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return Error{"cannot read " + path.string(), 2};
    copy.exists = true;
    copy.length = std::filesystem::file_size(path, ec);
    if (ec) copy.length = 0;
    const size_t want = copy.length < capacity ? static_cast<size_t>(copy.length) : capacity;
    copy.copied = std::fread(dest, 1, want, f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return Error{"cannot read " + path.string(), 2};
    // A file that shrank while being read keeps what was read; its length is what was there.
    if (copy.copied < want) copy.length = copy.copied;
    return copy;
}

}  // namespace quelmo::flash
