#pragma once
// The byte image of the module's serial flash. It lives as long as the application context and
// is rebuilt in place; readers (the simulated screen, the upload, the SD card tool) only read it.
#include <cstdint>
#include <filesystem>
#include <memory>

#include "core/result.h"
#include "flash/layout.h"

namespace quelmo {

class Trom {
public:
    Trom();

    uint8_t* Image() { return image_.get(); }
    const uint8_t* Image() const { return image_.get(); }
    static constexpr size_t Size() { return flash::kImageSize; }

    // Fills the whole image with FF, as erased flash reads.
    void Erase();
    // Replaces the image with a file's bytes from address 0; the rest reads FF. A file longer
    // than the image is refused.
    Status LoadFile(const std::filesystem::path& path);

    int MemorySize() const { return memory_size_; }
    void SetMemorySize(int mb) { memory_size_ = mb; }

private:
    std::unique_ptr<uint8_t[]> image_;
    int memory_size_ = 16;
};

}  // namespace quelmo
