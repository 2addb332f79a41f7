#pragma once
// Card image files for the SD card tests: images of a chosen size and fill, and byte access
// to them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/cli.h"

namespace quelmo::test {

using Bytes = std::vector<uint8_t>;

inline void WriteBytes(const std::filesystem::path& file, uint64_t offset, const Bytes& bytes) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    if (!f) f.open(file, std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(f.good()) << file;
}

// A card image of `size` bytes, every byte `fill`.
inline void MakeImage(const std::filesystem::path& file, uint64_t size, uint8_t fill) {
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    const Bytes chunk(65536, fill);
    for (uint64_t done = 0; done < size; done += chunk.size())
        f.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(std::min<uint64_t>(chunk.size(), size - done)));
}

inline Bytes ReadBytes(const std::filesystem::path& file, uint64_t offset, size_t n) {
    std::ifstream f(file, std::ios::binary);
    f.seekg(static_cast<std::streamoff>(offset));
    Bytes out(n);
    f.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
    out.resize(static_cast<size_t>(f.gcount()));
    return out;
}

// n bytes counting 0, 1, 2, ... from `start` (mod 256), so misplaced data shows.
inline Bytes Pattern(size_t n, uint8_t start = 0) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(start + i);
    return b;
}

// Sets the time zone for one test and puts the old one back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (old_) setenv("TZ", old_->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> old_;
};

}  // namespace quelmo::test
