#include "support/picture_files.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <fstream>

namespace quelmo::test {

Picture Solid(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    Picture p;
    p.Resize(width, height, 0);
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        p.rgb[i] = r;
        p.rgb[i + 1] = g;
        p.rgb[i + 2] = b;
    }
    return p;
}

void WriteJpeg(const std::filesystem::path& file, const Picture& picture, int quality) {
    auto bytes = pictures::EncodeJpeg(picture, quality);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message;
    std::ofstream(file, std::ios::binary) << *bytes;
}

TestGifFrame SolidFrame(int left, int top, int width, int height, uint8_t index) {
    return TestGifFrame{left, top, width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height, index)};
}

void WriteGif(const std::filesystem::path& file, int width, int height, const std::vector<uint8_t>& palette,
              const std::vector<TestGifFrame>& frames) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(file.c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    // giflib wants a power-of-two palette.
    int colours = 2;
    while (colours * 3 < static_cast<int>(palette.size())) colours *= 2;
    std::vector<GifColorType> entries(static_cast<size_t>(colours));
    for (size_t i = 0; i * 3 + 2 < palette.size(); ++i) entries[i] = {palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]};
    ColorMapObject* map = GifMakeMapObject(colours, entries.data());
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    for (const TestGifFrame& f : frames) {
        if (f.transparent >= 0) {
            GraphicsControlBlock gcb{0, false, 10, f.transparent};
            GifByteType ext[4];
            const size_t n = EGifGCBToExtension(&gcb, ext);
            ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext) == GIF_OK;
        }
        ok = ok && EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr) == GIF_OK;
        std::vector<GifPixelType> row(static_cast<size_t>(f.width));
        for (int y = 0; ok && y < f.height; ++y) {
            std::copy_n(f.indices.begin() + static_cast<ptrdiff_t>(y) * f.width, f.width, row.begin());
            ok = EGifPutLine(gif, row.data(), f.width) == GIF_OK;
        }
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    ASSERT_TRUE(ok) << GifErrorString(error);
}

}  // namespace quelmo::test
