#include "support/picture_files.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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
    gif->SWidth = width;
    gif->SHeight = height;
    gif->SColorResolution = 8;
    gif->SBackGroundColor = 0;
    gif->SColorMap = map;
    for (const TestGifFrame& f : frames) {
        SavedImage* image = GifMakeSavedImage(gif, nullptr);
        image->ImageDesc = GifImageDesc{f.left, f.top, f.width, f.height, false, nullptr};
        image->RasterBits = static_cast<GifByteType*>(malloc(f.indices.size() + 1));
        std::copy(f.indices.begin(), f.indices.end(), image->RasterBits);
        if (f.transparent >= 0) {
            GraphicsControlBlock gcb{0, false, 10, f.transparent};
            EGifGCBToSavedExtension(&gcb, gif, gif->ImageCount - 1);
        }
    }
    ASSERT_EQ(EGifSpew(gif), GIF_OK);
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace quelmo::test
