// Fuzzes the picture decoders: every input goes to the JPEG decoder (row by row, and strip by
// strip as Make reads it) and the GIF decoder, and whatever decodes is laid into strips and
// thumbnails as the picture list and the converter do.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pictures/jpglist.h"
#include "pictures/picture.h"

using namespace quelmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (auto jpeg = pictures::DecodeJpeg(bytes); jpeg.ok()) pictures::MakeThumbnail(*jpeg);
    // Every byte of every strip row is read, so a short row shows up under the sanitizer.
    int width = 0;
    volatile unsigned sum = 0;
    pictures::JpegSink strips;
    strips.on_size = [&](int w, int h) {
        width = w;
        return static_cast<int64_t>(w) * h <= 4'000'000;
    };
    strips.on_strip = [&](int, int count, const uint8_t* const* rows) {
        for (int r = 0; r < count; ++r)
            for (size_t i = 0; i < static_cast<size_t>(width) * 4; ++i) sum = sum + rows[r][i];
    };
    (void)pictures::DecodeJpeg(bytes, strips);
    if (auto gif = pictures::DecodeGif(bytes); gif.ok() && pictures::StripPixels(*gif) <= 4'000'000) {
        if (auto strip = pictures::StripOverFirst(*gif); strip.ok()) pictures::MakeThumbnail(*strip);
        (void)pictures::StripCumulative(*gif);
    }
    return 0;
}
