#pragma once
// The byte image of the module's serial flash. It lives as long as the application context and
// is rebuilt in place; readers (the simulated screen, the upload, the SD card tool) only read it.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "flash/layout.h"

namespace quelmo {

class THashTable;

// Shown when the full fonts and the input method table do not fit above the picture data.
inline constexpr const char* kNoRoomMessage = "存储空间不够，请减少图片数量或全字库种类!";

// Things a build did that the user should know of (a file cut to its region, a page cut to its
// slot); the build still completes.
using Warnings = std::vector<std::string>;

// What a build reads.
struct BuildSources {
    std::filesystem::path workspace;    // temp/ of the working folder
    std::filesystem::path base_image;   // default.bin of the working folder
    const THashTable* settings = nullptr;  // font keys and page texts; none reads as all empty
    int btl = flash::kDefaultBtl;       // the project's baud rate index
    bool draw_missing_base = true;      // write the base image from the free fonts when absent
    std::optional<std::time_t> now;     // the build time; the clock when unset
};

// The config block's time stamp: the local time read as if it were UTC, minus 28,800 s.
uint32_t BuildTimeStamp(std::time_t now);

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
    // than the image is refused, and a refused or failed load leaves the image as it was.
    Status LoadFile(const std::filesystem::path& path);

    // Rebuilds the whole image in place: base image, workspace files, config block, full fonts
    // and the input method table placed from the top, font regions, page table. When the placed
    // items do not fit above the picture data the build stops with kNoRoomMessage (code 1),
    // leaving the slots of that step and later ones FF and the page table uncompiled.
    Status Build(const BuildSources& sources, Warnings* warnings = nullptr);
    // Writes slot n % 128 of the page table: the text (with the baud rate prefix "U<btl>;" in
    // front on page 0 when btl is not 6), then a 0 byte. A text longer than the slot's 1023
    // bytes is cut at a character boundary and reported.
    void CompilePage(int n, std::string_view text, int btl, Warnings* warnings = nullptr);
    // Compiles pgcn0..pgcn127 of the settings with their CR and LF bytes removed.
    void CompileAllPages(const THashTable* settings, int btl, Warnings* warnings = nullptr);

    // First byte address after the picture data, set by every build.
    int64_t PictureDataEnd() const { return picture_data_end_; }
    // A 16-bit big-endian config block field, `offset` bytes from the block's start.
    uint16_t ConfigValue(uint32_t offset) const;

    // The flash size in MB lives in the device info record.
    int MemorySize() const { return device_.MemorySize; }
    void SetMemorySize(int mb) { device_.MemorySize = mb; }
    DeviceInfo& Device() { return device_; }
    const DeviceInfo& Device() const { return device_; }

    // Sector and block readers; a sector or block that is not wholly inside the image reads as
    // 0 / false.
    // Check value of sector n (4096 bytes read as 1024 little-endian words w): XOR of all words,
    // plus their sum when the module's firmware is above 5.55; modulo 2^32.
    uint32_t SectorSum(int n) const;
    // True when every byte of sector n is FF.
    bool SectorBlank(int n) const;
    // For the 1024-byte block at unit a (byte a * 256): byte 1022 + byte 1023 of the block.
    int BlockValue(int a) const;

private:
    // The steps of Build.
    Status LoadBase(const BuildSources& src, Warnings& warn);
    Status CopyFixedFiles(const std::filesystem::path& workspace, Warnings& warn);
    void WriteConfigBlock(std::time_t now);
    Status PlaceFromTop(const BuildSources& src, Warnings& warn);

    std::unique_ptr<uint8_t[]> image_;
    DeviceInfo device_;
    int64_t picture_data_end_ = flash::kPicData - 1;
};

}  // namespace quelmo
