#include <gtest/gtest.h>

#include "pictures/gif_strip.h"
#include "support/picture_files.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

// Palette: 0 red (frame 0), 1 green (first patch), 2 blue (second patch), 3 transparent.
const std::vector<uint8_t> kPalette{255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};

// Three 32 x 32 frames: a red frame, then 16 x 16 patches at (8, 8): green, then blue whose
// left half is transparent.
void WritePatches(const fs::path& file) {
    TestGifFrame second = SolidFrame(8, 8, 16, 16, 2);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x) second.indices[static_cast<size_t>(y) * 16 + x] = 3;
    second.transparent = 3;
    WriteGif(file, 32, 32, kPalette, {SolidFrame(0, 0, 32, 32, 0), SolidFrame(8, 8, 16, 16, 1), second});
}

char ColourAt(const Picture& p, int x, int y) {
    const uint8_t* c = p.At(x, y);
    return c[0] > 128 ? 'r' : c[1] > 128 ? 'g' : c[2] > 128 ? 'b' : '?';
}

TEST(GifStrip, FramesLieOverEverythingBeforeThem) {
    TempDir dir;
    WritePatches(dir.path() / "anim.gif");
    auto converted = pictures::ConvertGif(dir.path() / "anim.gif");
    ASSERT_TRUE(converted.ok()) << converted.error().message;
    const Picture& s = converted->strip;
    ASSERT_EQ(s.width, 96);
    ASSERT_EQ(s.height, 32);
    // Cell 0: red only. Cell 1: green patch. Cell 2: blue right half over the green patch.
    EXPECT_EQ(ColourAt(s, 8, 8), 'r');
    EXPECT_EQ(ColourAt(s, 32 + 7, 8), 'r');
    EXPECT_EQ(ColourAt(s, 32 + 8, 8), 'g');
    EXPECT_EQ(ColourAt(s, 32 + 23, 23), 'g');
    EXPECT_EQ(ColourAt(s, 32 + 24, 23), 'r');
    EXPECT_EQ(ColourAt(s, 64 + 8, 8), 'g');
    EXPECT_EQ(ColourAt(s, 64 + 16, 8), 'b');
    EXPECT_EQ(ColourAt(s, 64 + 23, 23), 'b');
    EXPECT_EQ(ColourAt(s, 64 + 24, 8), 'r');

    // The picture list lays each frame over frame 0 only: its third cell has no green.
    auto list_strip = pictures::LoadPictureFile(dir.path() / "anim.gif");
    ASSERT_TRUE(list_strip.ok());
    EXPECT_EQ(ColourAt(*list_strip, 32 + 8, 8), 'g');
    EXPECT_EQ(ColourAt(*list_strip, 64 + 8, 8), 'r');
    EXPECT_EQ(ColourAt(*list_strip, 64 + 16, 8), 'b');
}

TEST(GifStrip, SavedAsJpegUnderTheBaseName) {
    TempDir dir;
    WritePatches(dir.path() / "a.gif");
    WriteGif(dir.path() / "one.gif", 20, 10, kPalette, {SolidFrame(0, 0, 20, 10, 2)});
    for (const char* name : {"a", "one"}) {
        auto converted = pictures::ConvertGif(dir.path() / (std::string(name) + ".gif"));
        ASSERT_TRUE(converted.ok());
        const fs::path target = pictures::StripTarget(dir.path(), converted->base_name);
        EXPECT_EQ(target, dir.path() / "temp" / "pic" / (std::string(name) + ".jpg"));
        ASSERT_TRUE(pictures::SaveStrip(*converted, target).ok());
        auto back = pictures::DecodeJpeg(ReadFile(target));
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back->width, converted->strip.width);
        EXPECT_EQ(back->height, converted->strip.height);
    }
    EXPECT_EQ(pictures::OverwriteQuestion("a"), "已经发现:a.jpg 文件存在，是否覆盖？");
}

}  // namespace
}  // namespace quelmo::test
