// Our base image: built-in fonts drawn from the free bitmap fonts, and its data version.
#include <gtest/gtest.h>

#include <vector>

#include "core/gbk.h"
#include "flash/base_image.h"
#include "flash/layout.h"
#include "tests/flash/workspace.h"

namespace quelmo {
namespace {

// Drawn once for all tests here.
struct Drawn {
    std::vector<uint8_t> image = std::vector<uint8_t>(flash::kBaseImageEnd, 0xFF);
    BaseImageReport report;
    Drawn() {
        auto r = DrawBaseImage(image.data());
        EXPECT_TRUE(r) << (r ? "" : r.error().message);
        if (r) report = *r;
    }
};

const Drawn& Base() {
    static const Drawn drawn;
    return drawn;
}

size_t Position(const std::string& gbk) {
    return static_cast<size_t>((static_cast<uint8_t>(gbk[0]) - 0xA1) * 94 + (static_cast<uint8_t>(gbk[1]) - 0xA1));
}

bool Inked(const uint8_t* glyph, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i)
        if (glyph[i]) return true;
    return false;
}

int CountInked(const uint8_t* region, size_t glyph_bytes) {
    int n = 0;
    for (int i = 0; i < flash::kGb2312Glyphs; ++i) n += Inked(region + i * glyph_bytes, glyph_bytes);
    return n;
}

// True when the GB2312 position holds a visible character: one that GBK text can carry, outside
// the private use area, other than the ideographic space.
bool HoldsCharacter(int pos) {
    const char code[2] = {static_cast<char>(0xA1 + pos / 94), static_cast<char>(0xA1 + pos % 94)};
    bool ok = false;
    const std::string utf8 = GbkToUtf8(std::string_view(code, 2), &ok);
    if (!ok || utf8 == "\xE3\x80\x80") return false;
    return !(utf8.size() == 3 && static_cast<uint8_t>(utf8[0]) == 0xEE) &&
           !(utf8.size() == 3 && static_cast<uint8_t>(utf8[0]) == 0xEF && static_cast<uint8_t>(utf8[1]) < 0xA4);
}

TEST(BaseImage, EveryCharacterIsDrawnAtBothSizes) {
    const auto& b = Base();
    int characters = 0, hanzi = 0;
    std::vector<int> missing12, missing16;
    for (int pos = 0; pos < flash::kGb2312Glyphs; ++pos) {
        if (!HoldsCharacter(pos)) continue;
        ++characters;
        hanzi += pos >= (0xB0 - 0xA1) * 94;
        if (!Inked(b.image.data() + flash::kHz12 + pos * 24, 24)) missing12.push_back(pos);
        if (!Inked(b.image.data() + flash::kHz16 + pos * 32, 32)) missing16.push_back(pos);
    }
    EXPECT_EQ(hanzi, 6763);  // levels 1 and 2
    EXPECT_EQ(missing12, std::vector<int>{});
    EXPECT_EQ(missing16, std::vector<int>{});
    // The report counts what is in the regions: every character, nothing else.
    EXPECT_EQ(b.report.hz12_glyphs, characters);
    EXPECT_EQ(b.report.hz16_glyphs, characters);
    EXPECT_EQ(CountInked(b.image.data() + flash::kHz12, 24), characters);
    EXPECT_EQ(CountInked(b.image.data() + flash::kHz16, 32), characters);
}

TEST(BaseImage, PositionsWithoutACharacterAreBlank) {
    const auto& b = Base();
    for (const char* code : {"\xA1\xA1" /* ideographic space */, "\xD7\xFA", "\xAA\xA1", "\xA4\xF4", "\xA9\xF0"}) {
        const size_t pos = Position(code);
        EXPECT_FALSE(Inked(b.image.data() + flash::kHz12 + pos * 24, 24)) << pos;
        EXPECT_FALSE(Inked(b.image.data() + flash::kHz16 + pos * 32, 32)) << pos;
    }
}

TEST(BaseImage, TwelvePixelGlyphsUseTwelveRows) {
    const auto& b = Base();
    for (size_t i = 0; i < flash::kGb2312Glyphs * 24; i += 2)
        ASSERT_EQ(b.image[flash::kHz12 + i + 1] & 0xF0, 0) << "glyph " << i / 24;
}

TEST(BaseImage, AscGlyphsAreColumnMajorFromSpace) {
    const auto& b = Base();
    const uint8_t* space = b.image.data() + flash::kAsc16;
    const uint8_t* a = b.image.data() + flash::kAsc16 + 0x21 * 16;
    EXPECT_FALSE(Inked(space, 16));
    ASSERT_TRUE(Inked(a, 16));
    // 'A' stands upright and symmetric: column c mirrors column 7 - c, and its top rows are empty
    // while its bottom-most ink reaches the baseline area.
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(a[c * 2], a[(7 - c) * 2]) << c;
        EXPECT_EQ(a[c * 2 + 1], a[(7 - c) * 2 + 1]) << c;
    }
    for (int c = 0; c < 8; ++c) EXPECT_EQ(a[c * 2] & 0x03, 0) << "rows 0, 1 of column " << c;
    EXPECT_NE(a[2] | a[4] | a[12] | a[14], 0);  // legs in the outer columns
    EXPECT_EQ(b.report.asc_glyphs, 94);         // 0x21..0x7E; space and DEL are blank
}

TEST(BaseImage, VersionAndEverythingElseErased) {
    const auto& b = Base();
    EXPECT_EQ(b.image[256], kOwnBaseVersion & 0xFF);
    EXPECT_EQ(b.image[257] | b.image[258] | b.image[259], 0);
    auto erased = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            if (b.image[i] != 0xFF) return false;
        return true;
    };
    EXPECT_TRUE(erased(0, 256));
    EXPECT_TRUE(erased(260, flash::kHz12));
    EXPECT_TRUE(erased(flash::kHz12 + flash::kGb2312Glyphs * 24, flash::kHz16));
    EXPECT_TRUE(erased(flash::kHz16 + flash::kGb2312Glyphs * 32, flash::kAsc16));
    EXPECT_TRUE(erased(flash::kAsc16 + flash::kAscCount * 16, flash::kBaseImageEnd));
}

TEST(BaseImage, WrittenFileHoldsTheDrawnImage) {
    test::FlashWorkspace ws;
    auto r = WriteBaseImage(ws.BaseImage());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->hz16_glyphs, Base().report.hz16_glyphs);
    std::ifstream in(ws.BaseImage(), std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(file, Base().image);
}

TEST(BaseImage, MissingFontIsAnError) {
    std::vector<uint8_t> image(flash::kBaseImageEnd, 0xFF);
    BaseFonts fonts;
    fonts.song16 = "/nonexistent/song16.pcf";
    auto r = DrawBaseImage(image.data(), fonts);
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().message.find("song16.pcf"), std::string::npos);
}

}  // namespace
}  // namespace quelmo
