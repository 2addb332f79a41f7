#pragma once
// Decoded pictures and the decoders for the picture list: JPEG through libjpeg-turbo, GIF
// through giflib. Every error comes back as a message; nothing here throws or aborts.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/result.h"

namespace quelmo {

// 24-bit colour, row after row, three bytes (R, G, B) a pixel.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    void Resize(int w, int h, uint8_t fill);
    uint8_t* At(int x, int y) { return rgb.data() + (static_cast<size_t>(y) * width + x) * 3; }
    const uint8_t* At(int x, int y) const { return rgb.data() + (static_cast<size_t>(y) * width + x) * 3; }
};

namespace pictures {

// Pictures of more pixels than this are refused before any pixel memory is taken: a file header
// can claim up to 65535 x 65535, and no picture that large can reach the module anyway.
inline constexpr int64_t kMaxDecodePixels = 40'000'000;

// What lies under the transparent parts of a GIF frame and the part of a strip no frame covers.
inline constexpr uint8_t kBackdrop = 0xFF;

// Reads a whole file; the error names the file.
Result<std::string> ReadWholeFile(const std::filesystem::path& file);

// JPEG: the size, then the pixels, top row first: one row at a time through `on_row` (R, G, B
// per pixel), or, when `on_strip` is set instead, strips of up to kJpegStripRows rows starting at
// row y, four bytes a pixel (R, G, B, unused), which spares a copy where the rows are repacked.
// `on_size` may refuse the picture by returning false: the decoding then ends without error.
// Pictures of more than kMaxDecodePixels that are not refused are an error.
inline constexpr int kJpegStripRows = 32;
struct JpegSink {
    std::function<bool(int width, int height)> on_size;
    std::function<void(int y, const uint8_t* rgb)> on_row;
    std::function<void(int y, int count, const uint8_t* const* rgbx)> on_strip;
    // Rows only: when above 0 the decoder may scale the picture down by 2, 4 or 8 as long as
    // its longer side divided by that keeps at least `fit` pixels; on_scaled then hears the
    // size of the rows that follow (on_size still hears the picture's own size).
    int fit = 0;
    std::function<void(int width, int height)> on_scaled;
};
Status DecodeJpeg(const std::string& bytes, const JpegSink& sink);
Result<Picture> DecodeJpeg(const std::string& bytes);

// JPEG encoding of a picture (libjpeg's defaults at the given quality).
Result<std::string> EncodeJpeg(const Picture& picture, int quality);

// One frame of a GIF: its place on the logical screen and its colour indices, row after row.
struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indices;
    std::array<uint8_t, 256 * 3> palette{};  // R, G, B for each index; black beyond the map
    int transparent = -1;                    // the index not drawn, or -1
};

struct GifAnimation {
    int width = 0;   // logical screen
    int height = 0;
    std::vector<GifFrame> frames;
};

Result<GifAnimation> DecodeGif(const std::string& bytes);

// Draws a frame's image with its top-left corner at (x, y), clipped to the picture; transparent
// pixels leave what is below.
void DrawFrame(Picture& target, const GifFrame& frame, int x, int y);

// The picture list's strip: W x F wide, cell i = frame 0 at (i x W, 0), then frame i at its own
// left and top inside the cell. Each frame lies over frame 0 only.
Result<Picture> StripOverFirst(const GifAnimation& gif);
// The strip's size: W x F by H.
int64_t StripPixels(const GifAnimation& gif);
// The converter's strip: cell i shows frames 0..i, each drawn over everything before it.
Result<Picture> StripCumulative(const GifAnimation& gif);

// Decodes a picture file by its extension: ".gif" (any case) as a GIF strip over frame 0,
// anything else as JPEG. Errors name the file.
Result<Picture> LoadPictureFile(const std::filesystem::path& file);

bool IsGifName(const std::filesystem::path& file);

}  // namespace pictures
}  // namespace quelmo
