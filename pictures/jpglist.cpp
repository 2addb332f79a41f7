#include "pictures/jpglist.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <optional>
#include <cstring>
#include <system_error>
#include <thread>

#include "core/byte_order.h"
#include "core/file_write.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quelmo {

using namespace pictures;

namespace {

// The stored pair of a pixel (Stride bytes, R, G, B first): its RGB565 value's two bytes in the
// layout's order as they lie in memory, FF high bytes made F7 and FF low bytes DE (PixelBytes).
template <bool HighFirst, int Stride>
inline void PackRow(const uint8_t* rgb, uint16_t* out, int width) {
    for (int x = 0; x < width; ++x, rgb += Stride) {
        uint32_t v = (rgb[0] & 0xF8u) << 8 | (rgb[1] & 0xFCu) << 3 | rgb[2] >> 3;
        v -= v >= 0xFF00 ? 0x0800 : 0;
        v -= (v & 0xFF) == 0xFF ? 0x21 : 0;
        if (HighFirst == (std::endian::native == std::endian::little)) v = (v >> 8 | v << 8) & 0xFFFF;
        out[x] = static_cast<uint16_t>(v);
    }
}

// The packing of whole strips, the bulk of the work: built for AVX2 as well where the compiler
// can, picked at load time by the processor. Not in sanitizer builds, whose runtime is not up
// yet when that pick is made.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUELMO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define QUELMO_SANITIZED 1
#endif
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(QUELMO_SANITIZED)
#define QUELMO_PACK_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QUELMO_PACK_CLONES
#endif
QUELMO_PACK_CLONES void PackRows(bool high_first, int stride, const uint8_t* const* rows, int count, int width,
                                 uint16_t* out) {
    for (int r = 0; r < count; ++r, out += width) {
        if (stride == 4)
            high_first ? PackRow<true, 4>(rows[r], out, width) : PackRow<false, 4>(rows[r], out, width);
        else
            high_first ? PackRow<true, 3>(rows[r], out, width) : PackRow<false, 3>(rows[r], out, width);
    }
}

// Copies the pairs of `rows` rows from `from` (rows `pitch` pairs apart) into columns at `to`
// (columns `height` pairs apart): from[r pitch + x] goes to to[x height + r], for `cols` columns.
void CopyToColumns(const uint16_t* from, size_t pitch, int rows, int cols, uint16_t* to, size_t height) {
    for (int x = 0; x < cols; ++x)
        for (int r = 0; r < rows; ++r) to[static_cast<size_t>(x) * height + r] = from[static_cast<size_t>(r) * pitch + x];
}

#if defined(__SSE2__)
// The same for a block of 8 rows of 8 pairs, through registers.
inline void CopyToColumns8x8(const uint16_t* from, size_t pitch, uint16_t* to, size_t height) {
    auto load = [&](size_t r) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + r * pitch)); };
    const __m128i a0 = load(0), a1 = load(1), a2 = load(2), a3 = load(3);
    const __m128i a4 = load(4), a5 = load(5), a6 = load(6), a7 = load(7);
    // Interleave pairs, then runs of two, then runs of four: column x ends up in one register.
    const __m128i b0 = _mm_unpacklo_epi16(a0, a1), b1 = _mm_unpackhi_epi16(a0, a1);
    const __m128i b2 = _mm_unpacklo_epi16(a2, a3), b3 = _mm_unpackhi_epi16(a2, a3);
    const __m128i b4 = _mm_unpacklo_epi16(a4, a5), b5 = _mm_unpackhi_epi16(a4, a5);
    const __m128i b6 = _mm_unpacklo_epi16(a6, a7), b7 = _mm_unpackhi_epi16(a6, a7);
    const __m128i c0 = _mm_unpacklo_epi32(b0, b2), c1 = _mm_unpackhi_epi32(b0, b2);
    const __m128i c2 = _mm_unpacklo_epi32(b1, b3), c3 = _mm_unpackhi_epi32(b1, b3);
    const __m128i c4 = _mm_unpacklo_epi32(b4, b6), c5 = _mm_unpackhi_epi32(b4, b6);
    const __m128i c6 = _mm_unpacklo_epi32(b5, b7), c7 = _mm_unpackhi_epi32(b5, b7);
    auto store = [&](size_t x, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x * height), v); };
    store(0, _mm_unpacklo_epi64(c0, c4));
    store(1, _mm_unpackhi_epi64(c0, c4));
    store(2, _mm_unpacklo_epi64(c1, c5));
    store(3, _mm_unpackhi_epi64(c1, c5));
    store(4, _mm_unpacklo_epi64(c2, c6));
    store(5, _mm_unpackhi_epi64(c2, c6));
    store(6, _mm_unpacklo_epi64(c3, c7));
    store(7, _mm_unpackhi_epi64(c3, c7));
}
#endif

// Where a picture's pixel pairs go: column by column from `columns`, each column top to bottom,
// in the layout's byte order.
struct ColumnTarget {
    bool high_first;
    int width, height;
    uint16_t* columns;  // 2-byte aligned: pictures start on even positions
};

// Stores a strip of `count` rows (`stride` bytes a pixel) from row y0 of the picture: pixel
// (x, y) goes to columns[x H + y]. The rows are packed into `packed` (count x W pairs) first,
// then copied out eight columns at a time, so each column's part of the strip is one run of
// 2 count bytes.
void PlaceStrip(const ColumnTarget& target, int y0, int count, const uint8_t* const* rows, int stride,
                std::vector<uint16_t>& packed) {
    const int width = target.width;
    uint16_t* const columns = target.columns;
    packed.resize(static_cast<size_t>(kJpegStripRows) * static_cast<size_t>(width));
    PackRows(target.high_first, stride, rows, count, width, packed.data());
    const size_t pitch = static_cast<size_t>(width), h = static_cast<size_t>(target.height);
    int x0 = 0;
#if defined(__SSE2__)
    for (; x0 + 8 <= width; x0 += 8) {
        uint16_t* to = columns + static_cast<size_t>(x0) * h + y0;
        int r0 = 0;
        for (; r0 + 8 <= count; r0 += 8) CopyToColumns8x8(packed.data() + r0 * pitch + x0, pitch, to + r0, h);
        CopyToColumns(packed.data() + r0 * pitch + x0, pitch, count - r0, 8, to + r0, h);
    }
#endif
    CopyToColumns(packed.data() + x0, pitch, count, width - x0, columns + static_cast<size_t>(x0) * h + y0, h);
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

Result<std::vector<int>> Tjpglist::LoadAll(const std::vector<std::filesystem::path>& files, int threads, Thumbs thumbs,
                                           size_t* failed) {
    const size_t count = std::min(files.size(), static_cast<size_t>(std::max(Capacity() - loaded_, 0)));
    std::vector<std::optional<Result<PictureSlot>>> read(count);
    std::atomic<size_t> next{0};
    // Each worker takes the next file; a failure stops the others from starting later files.
    std::atomic<size_t> first_failure{count};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            if (i > first_failure.load()) break;
            read[i] = ReadForList(files[i], thumbs);
            if (!*read[i]) {
                size_t seen = first_failure.load();
                while (i < seen && !first_failure.compare_exchange_weak(seen, i)) {
                }
            }
        }
    };
    const int workers = static_cast<int>(std::min<size_t>(static_cast<size_t>(std::max(threads, 1)), count));
    std::vector<std::thread> pool;
    for (int t = 1; t < workers; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running (this one too) do the rest
        }
    }
    work();
    for (std::thread& t : pool) t.join();

    std::vector<int> slots;
    for (size_t i = 0; i < count; ++i) {
        if (!*read[i]) {
            if (failed) *failed = i;
            return read[i]->error();
        }
        slots_[static_cast<size_t>(loaded_)] = std::move(**read[i]);
        slots.push_back(loaded_++);
    }
    return slots;
}

Result<PictureSlot> Tjpglist::ReadForList(const std::filesystem::path& file, Thumbs thumbs) {
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
            if (whole && thumbs == Thumbs::kExact) picture.Resize(w, h, 0);
            return whole;
        };
        if (thumbs == Thumbs::kPreview) {
            sink.fit = kThumbSize;
            sink.on_scaled = [&](int w, int h) { picture.Resize(w, h, 0); };
        }
        sink.on_row = [&](int y, const uint8_t* rgb) {
            std::memcpy(picture.At(0, y), rgb, static_cast<size_t>(picture.width) * 3);
        };
        if (auto s = DecodeJpeg(*bytes, sink); !s) return Error{file.string() + ": " + s.error().message, 2};
    }
    if (whole)
        slot.thumbnail = MakeThumbnail(picture, slot.width, slot.height);
    else
        slot.thumbnail.Resize(kThumbSize, kThumbSize, 0xFF);
    return slot;
}

void Tjpglist::WriteRecord(int n, int width, int height, uint32_t address) {
    uint8_t* r = index_.get() + static_cast<size_t>(n) * kRecordSize;
    bytes::PutBe16(r, static_cast<uint32_t>(width));
    bytes::PutBe16(r + 2, static_cast<uint32_t>(height));
    if (layout_ == PicLayout::kFlash) {
        // A zero byte, then the 24-bit flash address, big-endian.
        r[4] = 0;
        bytes::PutBe24(r + 5, address);
    } else {
        bytes::PutLe32(r + 4, address);
    }
}

Result<Tjpglist::Added> Tjpglist::Add(int n, int s) {
    auto added = AddAll({Addition{n, s}}, 1, nullptr);
    if (!added) return added.error();
    return added->front();
}

Result<std::vector<Tjpglist::Added>> Tjpglist::AddAll(const std::vector<Addition>& additions, int threads,
                                                      const std::function<void(size_t done, size_t total)>& progress,
                                                      const std::function<void(size_t from, size_t to)>& placed_bytes) {
    // The data buffer holds 16 MB less the last pair; on the flash the data must also end
    // inside the flash image, which it enters at the picture data address.
    const size_t limit = layout_ == PicLayout::kFlash ? kFlashImageEnd - kFlashAddressBase : kDataBufferSize - 2;
    const bool high_first = layout_ == PicLayout::kFlash;
    auto columns_at = [&](size_t start) { return reinterpret_cast<uint16_t*>(data_.get() + start); };
    const size_t first_position = position_;
    std::vector<Added> outcome(additions.size(), Added::kNoRoom);

    // First, in list order: each picture's size from its file's header, and from that its place.
    // GIF files are decoded and placed right away; JPEG files wait for the second pass with
    // their bytes, since their decoding is the bulk of the work.
    struct Placed {
        size_t item;
        std::filesystem::path file;
        bool jpeg;
        std::string bytes;  // a JPEG file's, until it is decoded
        size_t from;   // the data position before it: an SD picture's gap lies between
        size_t start;
        int width, height;
        Status status;
    };
    std::vector<Placed> placed;
    std::vector<uint16_t> packed;
    auto give_back = [&] {
        std::memset(data_.get() + first_position, 0xFF, written_ - first_position);
        written_ = position_ = first_position;
    };
    for (size_t i = 0; i < additions.size(); ++i) {
        const auto [n, s] = additions[i];
        if (n < 0 || n >= kSlots || s < 0 || s >= kSlots) continue;
        const PictureSlot& slot = slots_[static_cast<size_t>(s)];
        if (slot.width >= kMaxOutputWidth || slot.height >= kMaxOutputHeight) {
            outcome[i] = Added::kTooLarge;
            continue;
        }
        Placed p{i, slot.file, !IsGifName(slot.file), {}, position_, position_, 0, 0, {}};
        if (layout_ == PicLayout::kSd) p.start = (p.start + kSdAlign - 1) / kSdAlign * kSdAlign;
        Picture gif_picture;
        if (!p.jpeg) {
            auto picture = LoadPictureFile(slot.file);
            if (!picture) return give_back(), picture.error();
            gif_picture = std::move(*picture);
            p.width = gif_picture.width;
            p.height = gif_picture.height;
        } else {
            auto bytes = ReadWholeFile(slot.file);
            if (!bytes) return give_back(), bytes.error();
            JpegSink header;
            header.on_size = [&](int w, int h) {
                p.width = w;
                p.height = h;
                return false;
            };
            if (auto st = DecodeJpeg(*bytes, header); !st) return give_back(), Error{slot.file.string() + ": " + st.error().message, 2};
            p.bytes = std::move(*bytes);
        }
        if (p.width >= kMaxOutputWidth || p.height >= kMaxOutputHeight) {
            outcome[i] = Added::kTooLarge;
            continue;
        }
        const size_t size = static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 2;
        if (p.start + size > limit) continue;  // kNoRoom
        outcome[i] = Added::kWritten;
        position_ = p.start + size;
        written_ = std::max(written_, position_);
        if (!p.jpeg) {
            const ColumnTarget target{high_first, p.width, p.height, columns_at(p.start)};
            const uint8_t* rows[kJpegStripRows];
            for (int y0 = 0; y0 < p.height; y0 += kJpegStripRows) {
                const int count = std::min(kJpegStripRows, p.height - y0);
                for (int r = 0; r < count; ++r) rows[r] = gif_picture.At(0, y0 + r);
                PlaceStrip(target, y0, count, rows, 3, packed);
            }
            if (placed_bytes) placed_bytes(p.from, position_);
        }
        placed.push_back(std::move(p));
    }

    // Then the JPEG files, decoded on up to `threads` threads at once, each straight into its
    // own part of the data buffer. Progress is reported from the calling thread only.
    std::atomic<size_t> next{0}, done{0};
    auto work = [&](bool caller) {
        std::vector<uint16_t> own;
        for (size_t j; (j = next.fetch_add(1)) < placed.size();) {
            Placed& p = placed[j];
            if (p.jpeg) {
                const ColumnTarget target{high_first, p.width, p.height, columns_at(p.start)};
                JpegSink sink;
                bool same_size = true;  // as the header said in the first pass: the same bytes
                sink.on_size = [&](int w, int h) { return same_size = w == p.width && h == p.height; };
                sink.on_strip = [&](int y0, int count, const uint8_t* const* rows) { PlaceStrip(target, y0, count, rows, 4, own); };
                p.status = DecodeJpeg(p.bytes, sink);
                if (p.status && !same_size) p.status = Error{"the picture changed its size", 2};
                std::string().swap(p.bytes);
                if (p.status && placed_bytes) placed_bytes(p.from, p.start + static_cast<size_t>(p.width) * p.height * 2);
            }
            const size_t finished = done.fetch_add(1) + 1;
            if (caller && progress) progress(finished, placed.size());
        }
    };
    std::vector<std::thread> helpers;
    const size_t jpegs = static_cast<size_t>(std::count_if(placed.begin(), placed.end(), [](const Placed& p) { return p.jpeg; }));
    for (size_t t = 1; t < static_cast<size_t>(std::max(threads, 1)) && t < jpegs; ++t) {
        try {
            helpers.emplace_back(work, false);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the caller's share grows
        }
    }
    work(true);
    for (std::thread& t : helpers) t.join();

    for (const Placed& p : placed)
        if (!p.status) return give_back(), Error{p.file.string() + ": " + p.status.error().message, 2};
    for (const Placed& p : placed) {
        const Addition& a = additions[p.item];
        WriteRecord(a.n, p.width, p.height, address_base_ + static_cast<uint32_t>(p.start));
    }
    return outcome;
}

Result<std::vector<Tjpglist::Added>> Tjpglist::MakeFiles(const std::vector<Addition>& additions, int threads,
                                                         const std::function<void(size_t done, size_t total)>& progress,
                                                         const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    // Each picture's bytes go to the file as soon as they are placed, from the thread that
    // placed them, while the others are still being decoded.
    auto data = std::make_unique<PieceFile>(folder / "pic.sbin", 1);
    auto added = AddAll(additions, threads, progress,
                        [&](size_t from, size_t to) { data->Write(from, data_.get() + from, to - from); });
    if (!added) return added.error();
    // The index and its data replace the old pair together.
    FileSet files(1);
    if (auto s = files.Add(std::move(data), position_); !s) return s.error();
    if (auto s = files.Add(folder / "pic.idx", index_.get(), kIndexFileSize); !s) return s.error();
    if (auto s = files.Commit(); !s) return s.error();
    return added;
}

}  // namespace quelmo
