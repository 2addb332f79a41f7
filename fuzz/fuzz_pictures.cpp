// Fuzzes the picture decoders: every input goes to the JPEG and the GIF decoder, and whatever
// decodes is laid into strips and thumbnails as the picture list and the converter do.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pictures/jpglist.h"
#include "pictures/picture.h"

using namespace quelmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (auto jpeg = pictures::DecodeJpeg(bytes); jpeg.ok()) pictures::MakeThumbnail(*jpeg);
    if (auto gif = pictures::DecodeGif(bytes); gif.ok() && pictures::StripPixels(*gif) <= 4'000'000) {
        if (auto strip = pictures::StripOverFirst(*gif); strip.ok()) pictures::MakeThumbnail(*strip);
        (void)pictures::StripCumulative(*gif);
    }
    return 0;
}
