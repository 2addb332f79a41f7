#pragma once
// The picture list builder: decodes the pictures of a list into slots (keeping their sizes and
// thumbnails) and writes their pixels and records in the module's layout, for the flash image
// (pic.sbin, pic.idx) or for the SD card (sd/pic.sbin, sd/pic.idx).
//
// pic.idx: 512 records of 8 bytes, record n at byte 8 n, FF bytes where no picture is:
//   bytes 0..1 width, 2..3 height (big-endian); bytes 4..7 the address = address base + the
//   picture's byte position in pic.sbin, big-endian (flash) or little-endian (SD).
// pic.sbin: each picture column by column from the left, each column top to bottom, two bytes a
//   pixel of RGB565; high byte first on the flash, low byte first on the SD card, where every
//   picture also starts on a multiple of 512 bytes (FF in the gaps).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "core/result.h"
#include "flash/layout.h"
#include "pictures/picture.h"

namespace quelmo {

namespace pictures {

inline constexpr int kSlots = 512;
inline constexpr int kRecordSize = 8;
inline constexpr size_t kIndexBufferSize = 32769;
inline constexpr size_t kIndexFileSize = 4096;
inline constexpr size_t kDataBufferSize = 16u * 1024 * 1024;
inline constexpr uint32_t kFlashAddressBase = flash::kPicData;  // pic.sbin's place in the flash image
inline constexpr uint32_t kSdAddressBase = 8192;         // pic.sbin's place on the card
inline constexpr int kSdAlign = 512;
inline constexpr int kMaxOutputWidth = 5000;   // pictures this wide or wider are left out
inline constexpr int kMaxOutputHeight = 1500;  // pictures this high or higher are left out
inline constexpr int kThumbSize = 160;
// The flash list numbers its pictures from 1 and its index has 512 records, so it takes 511.
inline constexpr int kFlashCapacity = 511;
inline constexpr size_t kFlashImageEnd = flash::kImageSize;

// The two bytes of a pixel, high byte first. No byte is ever FF: that is what erased flash
// reads, so FF high bytes become F7 and FF low bytes DE.
//   high = (R & F8) | (G >> 5);  low = ((G >> 2) & 7) << 5 | (B >> 3)
inline void PixelBytes(const uint8_t* rgb, uint8_t& high, uint8_t& low) {
    high = static_cast<uint8_t>((rgb[0] & 0xF8) | (rgb[1] >> 5));
    low = static_cast<uint8_t>((((rgb[1] >> 2) & 0x07) << 5) | (rgb[2] >> 3));
    if (high == 0xFF) high = 0xF7;
    if (low == 0xFF) low = 0xDE;
}

// The list's preview: pictures larger than 160 x 160 are scaled to fit, keeping their aspect,
// and centred on white; smaller ones are shown as they are.
Picture MakeThumbnail(const Picture& picture);
// The same for a picture of full_width x full_height that reached us scaled down: framed as the
// full picture, its pixels averaged from the smaller one.
Picture MakeThumbnail(const Picture& picture, int full_width, int full_height);

}  // namespace pictures

enum class PicLayout { kFlash, kSd };

struct PictureSlot {
    std::filesystem::path file;
    int width = 0;
    int height = 0;
    Picture thumbnail;
};

class Tjpglist {
public:
    explicit Tjpglist(PicLayout layout);

    PicLayout Layout() const { return layout_; }
    uint32_t AddressBase() const { return address_base_; }
    // How many pictures the list can take: 511 on the flash, 512 on the SD card.
    int Capacity() const;

    // Loaded count and data position to 0, both buffers to FF; the slots keep their pictures.
    void Reset();
    // Decodes a file into the next slot and returns the slot's number. Refused when the list is
    // at its capacity or the file cannot be decoded; the error names the file.
    Result<int> Load(const std::filesystem::path& file);
    // How the thumbnails are made: from every pixel, or (for a chooser's quick look) from the
    // picture as the decoder scales it down on the way, which is several times faster.
    enum class Thumbs { kExact, kPreview };
    // Loads the files into the next slots in their order, decoding on up to `threads` threads
    // at once: the slot numbers, one per file. Files beyond the capacity are not loaded (fewer
    // numbers). The first file that cannot be decoded ends the loading there: the files before
    // it keep their slots, and `failed` (when given) hears how many those are.
    Result<std::vector<int>> LoadAll(const std::vector<std::filesystem::path>& files, int threads,
                                     Thumbs thumbs = Thumbs::kExact, size_t* failed = nullptr);
    int LoadedCount() const { return loaded_; }
    const PictureSlot& Slot(int s) const { return slots_[static_cast<size_t>(s)]; }

    enum class Added { kWritten, kTooLarge, kNoRoom };
    // Decodes slot s's file again and writes it as picture number n. Pictures of 5000 or more
    // columns or 1500 or more rows are left out silently (kTooLarge); a picture whose pixels
    // would not fit the data buffer (or, on the flash, the image) is left out whole (kNoRoom).
    Result<Added> Add(int n, int s);

    struct Addition {
        int n;  // picture number
        int s;  // slot
    };
    // Adds the pictures as Add would, one after the other, decoding JPEG files on up to `threads`
    // threads at once; `progress` hears, on the calling thread, how many of how many pictures
    // have been placed so far. A picture that cannot be decoded fails the whole call and leaves
    // the data as it was. `placed_bytes`, when given, hears of each stretch of the data buffer
    // that is final, from the thread that placed it: several threads may call it at once.
    Result<std::vector<Added>> AddAll(const std::vector<Addition>& additions, int threads,
                                      const std::function<void(size_t done, size_t total)>& progress,
                                      const std::function<void(size_t from, size_t to)>& placed_bytes = nullptr);
    // Make's work after the reset: adds the pictures (AddAll) and writes pic.sbin (the data up to
    // the data position, each picture's bytes as soon as they are placed) and pic.idx (the first
    // 4096 bytes of the index) into the folder, replacing the older pair only once both are whole.
    Result<std::vector<Added>> MakeFiles(const std::vector<Addition>& additions, int threads,
                                         const std::function<void(size_t done, size_t total)>& progress,
                                         const std::filesystem::path& folder);

    const uint8_t* Index() const { return index_.get(); }
    const uint8_t* Data() const { return data_.get(); }
    size_t DataPosition() const { return position_; }

private:
    static Result<PictureSlot> ReadForList(const std::filesystem::path& file, Thumbs thumbs = Thumbs::kExact);
    void WriteRecord(int n, int width, int height, uint32_t address);

    PicLayout layout_;
    uint32_t address_base_;
    std::vector<PictureSlot> slots_;
    int loaded_ = 0;
    std::unique_ptr<uint8_t[]> index_;
    std::unique_ptr<uint8_t[]> data_;
    size_t position_ = 0;
    size_t written_ = 0;  // the data buffer is FF from here on
};

}  // namespace quelmo
