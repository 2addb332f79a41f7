#include "pictures/jpglist.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace quelmo {

using namespace pictures;

namespace {

// RGB565 of a row of 24-bit pixels: (R & F8) << 8 | (G & FC) << 3 | B >> 3.
void PackRow(const uint8_t* rgb, uint16_t* out, int width) {
    for (int x = 0; x < width; ++x, rgb += 3)
        out[x] = static_cast<uint16_t>((rgb[0] & 0xF8) << 8 | (rgb[1] & 0xFC) << 3 | rgb[2] >> 3);
}

// The two bytes of an RGB565 value in the layout's order, as they lie in memory, with FF high
// bytes made F7 and FF low bytes DE (see PixelBytes).
template <bool HighFirst>
uint16_t StoredPair(uint16_t v) {
    uint8_t hi = static_cast<uint8_t>(v >> 8), lo = static_cast<uint8_t>(v);
    hi = static_cast<uint8_t>(hi - (hi == 0xFF ? 0x08 : 0));
    lo = static_cast<uint8_t>(lo - (lo == 0xFF ? 0x21 : 0));
    const uint8_t bytes[2] = {HighFirst ? hi : lo, HighFirst ? lo : hi};
    uint16_t pair;
    std::memcpy(&pair, bytes, 2);
    return pair;
}

// Turns a row-major W x H picture into columns at `out`: pixel (x, y) goes to out[x H + y]. Bands
// of 32 columns keep both sides of the copy in cache.
template <bool HighFirst>
void RowsToColumns(const uint16_t* rows, uint16_t* out, int width, int height) {
    constexpr int kBand = 32;
    for (int x0 = 0; x0 < width; x0 += kBand) {
        const int x1 = std::min(x0 + kBand, width);
        for (int y = 0; y < height; ++y) {
            const uint16_t* row = rows + static_cast<size_t>(y) * width;
            for (int x = x0; x < x1; ++x) out[static_cast<size_t>(x) * height + y] = StoredPair<HighFirst>(row[x]);
        }
    }
}

}  // namespace

Tjpglist::Tjpglist(PicLayout layout)
    : layout_(layout),
      address_base_(layout == PicLayout::kFlash ? kFlashAddressBase : kSdAddressBase),
      slots_(kSlots),
      index_(new uint8_t[kIndexBufferSize]),
      data_(new uint8_t[kDataBufferSize]) {
    std::memset(data_.get(), 0xFF, kDataBufferSize);
    Reset();
}

int Tjpglist::Capacity() const { return layout_ == PicLayout::kFlash ? kFlashCapacity : kSlots; }

void Tjpglist::Reset() {
    loaded_ = 0;
    position_ = 0;
    std::memset(index_.get(), 0xFF, kIndexBufferSize);
    // Only the bytes written since the last fill can differ from FF.
    std::memset(data_.get(), 0xFF, written_);
    written_ = 0;
}

Result<int> Tjpglist::Load(const std::filesystem::path& file) {
    if (loaded_ >= Capacity())
        return Error{file.filename().string() + ": the list is full (" + std::to_string(Capacity()) + " pictures)", 1};
    auto slot = ReadForList(file);
    if (!slot) return slot.error();
    slots_[static_cast<size_t>(loaded_)] = std::move(*slot);
    return loaded_++;
}

Result<PictureSlot> Tjpglist::ReadForList(const std::filesystem::path& file) {
    // A picture too large to hold in memory is far too large for the module: the list keeps its
    // size and a blank thumbnail, and Make leaves it out.
    PictureSlot slot{file, 0, 0, {}};
    auto bytes = ReadWholeFile(file);
    if (!bytes) return bytes.error();
    Picture picture;
    bool whole = true;
    if (IsGifName(file)) {
        auto gif = DecodeGif(*bytes);
        if (!gif) return Error{file.string() + ": " + gif.error().message, 2};
        if (gif->frames.empty()) return Error{file.string() + ": GIF without frames", 2};
        slot.width = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(gif->width) * gif->frames.size(), INT32_MAX));
        slot.height = gif->height;
        whole = StripPixels(*gif) <= kMaxDecodePixels;
        if (whole) {
            auto strip = StripOverFirst(*gif);
            if (!strip) return Error{file.string() + ": " + strip.error().message, 2};
            picture = std::move(*strip);
        }
    } else {
        JpegSink sink;
        sink.on_size = [&](int w, int h) {
            slot.width = w;
            slot.height = h;
            whole = static_cast<int64_t>(w) * h <= kMaxDecodePixels;
            if (whole) picture.Resize(w, h, 0);
            return whole;
        };
        sink.on_row = [&](int y, const uint8_t* rgb) {
            std::memcpy(picture.At(0, y), rgb, static_cast<size_t>(picture.width) * 3);
        };
        if (auto s = DecodeJpeg(*bytes, sink); !s) return Error{file.string() + ": " + s.error().message, 2};
    }
    if (whole)
        slot.thumbnail = MakeThumbnail(picture);
    else
        slot.thumbnail.Resize(kThumbSize, kThumbSize, 0xFF);
    return slot;
}

void Tjpglist::WriteRecord(int n, int width, int height, uint32_t address) {
    uint8_t* r = index_.get() + static_cast<size_t>(n) * kRecordSize;
    r[0] = static_cast<uint8_t>(width >> 8);
    r[1] = static_cast<uint8_t>(width);
    r[2] = static_cast<uint8_t>(height >> 8);
    r[3] = static_cast<uint8_t>(height);
    if (layout_ == PicLayout::kFlash) {
        // A zero byte, then the 24-bit flash address, big-endian.
        r[4] = 0;
        r[5] = static_cast<uint8_t>(address >> 16);
        r[6] = static_cast<uint8_t>(address >> 8);
        r[7] = static_cast<uint8_t>(address);
    } else {
        for (int i = 0; i < 4; ++i) r[4 + i] = static_cast<uint8_t>(address >> (8 * i));
    }
}

Result<Tjpglist::Added> Tjpglist::Add(int n, int s) {
    if (n < 0 || n >= kSlots || s < 0 || s >= kSlots) return Added::kNoRoom;
    const PictureSlot& slot = slots_[static_cast<size_t>(s)];
    if (slot.width >= kMaxOutputWidth || slot.height >= kMaxOutputHeight) return Added::kTooLarge;

    size_t start = position_;
    if (layout_ == PicLayout::kSd) start = (start + kSdAlign - 1) / kSdAlign * kSdAlign;
    // The data buffer holds 16 MB less the last pair; on the flash the data must also end
    // inside the 16 MB image, which it enters at 0x100000.
    const size_t limit = layout_ == PicLayout::kFlash ? kFlashImageEnd - kFlashAddressBase : kDataBufferSize - 2;

    // Rows are converted into a row-major staging area first, then turned into columns in bands
    // of 32, which keeps both sides of the copy in cache.
    int width = slot.width, height = slot.height;
    const bool high_first = layout_ == PicLayout::kFlash;
    auto fits = [&](int w, int h) {
        return start + static_cast<size_t>(w) * static_cast<size_t>(h) * 2 <= limit;
    };
    auto stage = [&](int w, int h) { staging_.resize(static_cast<size_t>(w) * static_cast<size_t>(h)); };
    // libjpeg-turbo's own RGB565 output is slower than its SIMD RGB output packed here.
    auto put_row = [&](int y, const uint8_t* rgb) { PackRow(rgb, staging_.data() + static_cast<size_t>(y) * width, width); };

    bool too_large = false, no_room = false;
    if (IsGifName(slot.file)) {
        auto picture = LoadPictureFile(slot.file);
        if (!picture) return picture.error();
        width = picture->width;
        height = picture->height;
        too_large = width >= kMaxOutputWidth || height >= kMaxOutputHeight;
        no_room = !too_large && !fits(width, height);
        if (!too_large && !no_room) {
            stage(width, height);
            for (int y = 0; y < height; ++y) PackRow(picture->At(0, y), staging_.data() + static_cast<size_t>(y) * width, width);
        }
    } else {
        auto bytes = ReadWholeFile(slot.file);
        if (!bytes) return bytes.error();
        JpegSink sink;
        sink.on_size = [&](int w, int h) {
            width = w;
            height = h;
            too_large = w >= kMaxOutputWidth || h >= kMaxOutputHeight;
            no_room = !too_large && !fits(w, h);
            if (too_large || no_room) return false;
            stage(w, h);
            return true;
        };
        sink.on_row = put_row;
        if (auto st = DecodeJpeg(*bytes, sink); !st) return Error{slot.file.string() + ": " + st.error().message, 2};
    }
    if (too_large) return Added::kTooLarge;
    if (no_room) return Added::kNoRoom;
    // Pixel (x, y) of a W x H picture lies at start + 2 (x H + y); start is even.
    uint16_t* columns = reinterpret_cast<uint16_t*>(data_.get() + start);
    if (high_first)
        RowsToColumns<true>(staging_.data(), columns, width, height);
    else
        RowsToColumns<false>(staging_.data(), columns, width, height);
    WriteRecord(n, width, height, address_base_ + static_cast<uint32_t>(start));
    position_ = start + static_cast<size_t>(width) * static_cast<size_t>(height) * 2;
    written_ = std::max(written_, position_);
    return Added::kWritten;
}

Status WriteFileWhole(const std::filesystem::path& target, const uint8_t* data, size_t size) {
    std::filesystem::path temp = target;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return Error{"cannot write " + target.string(), 1};
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return Error{"cannot write " + target.string(), 1};
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return Error{"cannot write " + target.string() + ": " + ec.message(), 1};
    }
    return {};
}

Status Tjpglist::WriteFiles(const std::filesystem::path& folder) const {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (auto s = WriteFileWhole(folder / "pic.sbin", data_.get(), position_); !s) return s;
    return WriteFileWhole(folder / "pic.idx", index_.get(), kIndexFileSize);
}

}  // namespace quelmo
