#pragma once
// The byte image of the module's serial flash. It lives as long as the application context and
// is rebuilt in place; readers (the simulated screen, the upload, the SD card tool) only read it.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/result.h"
#include "flash/layout.h"

namespace quelmo {

// What the module says of itself (the INF exchange) or what the offline setup chose.
struct DeviceInfo {
    std::string SerialNo;       // up to 14 characters
    int ScreenWidth = 320;
    int ScreenHeight = 240;
    std::string FirmwareText;   // for example "5.56"
    int FirmwareNo = 0;         // major * 100 + two-digit minor, for example 556
    int MemorySize = 16;        // MB: 2, 4, 8 or 16
};

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

    // The flash size in MB lives in the device info record.
    int MemorySize() const { return device_.MemorySize; }
    void SetMemorySize(int mb) { device_.MemorySize = mb; }
    DeviceInfo& Device() { return device_; }
    const DeviceInfo& Device() const { return device_; }

    // Check value of sector n (4096 bytes read as 1024 little-endian words w): XOR of all words,
    // plus their sum when the module's firmware is above 5.55; modulo 2^32.
    uint32_t SectorSum(int n) const;
    // True when every byte of sector n is FF.
    bool SectorBlank(int n) const;
    // For the 1024-byte block at unit a (byte a * 256): byte 1022 + byte 1023 of the block.
    int BlockValue(int a) const;

private:
    std::unique_ptr<uint8_t[]> image_;
    DeviceInfo device_;
};

}  // namespace quelmo
