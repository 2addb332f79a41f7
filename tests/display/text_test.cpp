// Text on the simulated screen, pixel by pixel, over flash images each test builds itself.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/text.h"
#include "flash/font_format.h"
#include "support/screen.h"

namespace quelmo::test {
namespace {

constexpr int kInk = 1, kPaper = 2;  // DS..(...,1) over SBC(2)

// A glyph whose every column differs: column i byte j is (i * 7 + j * 3 + 1) & 0xFF.
std::vector<uint8_t> Pattern(int columns, int per, int seed = 0) {
    std::vector<uint8_t> g(static_cast<size_t>(columns * per));
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < per; ++j) g[static_cast<size_t>(i * per + j)] = static_cast<uint8_t>(i * 7 + j * 3 + 1 + seed);
    return g;
}

void Put(Trom& rom, uint32_t address, const std::vector<uint8_t>& bytes) {
    std::memcpy(rom.Image() + address, bytes.data(), bytes.size());
}

// Checks a glyph drawn at (x, y): `columns` columns of `per` bytes, `rows` rows shown.
void ExpectGlyph(const Screen& s, int x, int y, const std::vector<uint8_t>& g, int columns, int per, int rows) {
    for (int i = 0; i < columns; ++i)
        for (int r = 0; r < rows; ++r) {
            const bool ink = (g[static_cast<size_t>(i * per + r / 8)] >> (r % 8)) & 1;
            ASSERT_EQ(s.At(x + i, y + r), s.Colour(ink ? kInk : kPaper)) << "column " << i << " row " << r;
        }
}

void ExpectUntouched(const Screen& s, int x1, int y1, int x2, int y2) {
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x) ASSERT_EQ(s.At(x, y), 0xFF000000u) << x << "," << y;
}

// Appends a mini index record (width or lead, code or trail, offset / 8) at a region slot.
void PutRecord(Trom& rom, int size, int index, int b0, int b1, uint32_t glyph_offset) {
    uint8_t* r = rom.Image() + fontfile::IndexRegion(size) + index * 4;
    r[0] = static_cast<uint8_t>(b0);
    r[1] = static_cast<uint8_t>(b1);
    r[2] = static_cast<uint8_t>(glyph_offset >> 11);
    r[3] = static_cast<uint8_t>(glyph_offset >> 3);
}

void PutConfig(Trom& rom, std::initializer_list<int> slots) {
    uint8_t* c = rom.Image() + flash::kConfigBlock;
    std::memset(c, 0xFF, flash::kConfigSize);
    c[0] = 0xAE, c[1] = 0x5F, c[126] = 0x5E, c[127] = 0xAF;
    int at = 2;
    for (int v : slots) {
        c[at] = static_cast<uint8_t>(v >> 8);
        c[at + 1] = static_cast<uint8_t>(v);
        at += 2;
    }
}

TEST(Text, Ds16DrawsTwoBuiltInAscGlyphsAndRecordsBounds) {
    Screen s(40, 20);
    const auto a = Pattern(8, 2, 0), b = Pattern(8, 2, 50);
    Put(s.rom, flash::kAsc16 + 0x21 * 16, a);
    Put(s.rom, flash::kAsc16 + 0x22 * 16, b);
    s.Run("SBC(2);DS16(0,0,'AB',1);");
    ExpectGlyph(s, 0, 0, a, 8, 2, 16);
    ExpectGlyph(s, 8, 0, b, 8, 2, 16);
    ExpectUntouched(s, 16, 0, 40, 20);
    const auto bounds = s.cmd.Bounds();
    EXPECT_EQ(std::vector<int>({bounds.x1, bounds.y1, bounds.x2, bounds.y2}), std::vector<int>({0, 0, 16, 16}));
}

TEST(Text, Ds24StopsAtTheRightEdgeLimit) {
    Screen s(64, 30);
    std::vector<std::vector<uint8_t>> glyphs;
    for (int i = 0; i < 6; ++i) {
        glyphs.push_back(Pattern(12, 3, i * 40));
        PutRecord(s.rom, 24, i, 12, 'A' + i, 64u * i);
        Put(s.rom, flash::kMiniGlyphs + 64u * i, glyphs.back());
    }
    s.Run("SBC(2);DS24(0,0,'ABCDEF',1,30);");
    ExpectGlyph(s, 0, 0, glyphs[0], 12, 3, 24);
    ExpectGlyph(s, 12, 0, glyphs[1], 12, 3, 24);
    ExpectGlyph(s, 24, 0, glyphs[2], 6, 3, 24);
    ExpectUntouched(s, 30, 0, 64, 30);
    EXPECT_EQ(s.cmd.Bounds().x2, 36);
    EXPECT_EQ(s.cmd.Screen().text_state.lx, 0);
}

TEST(Text, Ds12AscUsesTheBuiltInTableInRowsThreeToFifteen) {
    Screen s(20, 20);
    s.Run("SBC(2);DS12(0,0,'A',1);");
    const std::vector<uint8_t> a = {0x7C, 0x12, 0x11, 0x12, 0x7C};
    ExpectUntouched(s, 0, 0, 20, 3);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(s.At(k, 3), s.Colour(kPaper));
        for (int bit = 0; bit < 8; ++bit)
            EXPECT_EQ(s.At(k, 4 + bit), s.Colour((a[k] >> bit) & 1 ? kInk : kPaper)) << k << " " << bit;
        for (int r = 12; r < 16; ++r) EXPECT_EQ(s.At(k, r), s.Colour(kPaper));
    }
    for (int r = 3; r < 15; ++r) EXPECT_EQ(s.At(5, r), s.Colour(kPaper));
    EXPECT_EQ(s.At(5, 15), 0xFF000000u);
    EXPECT_EQ(s.cmd.Screen().text_state.half_width, 6);
}

TEST(Text, BuiltInAscTableHasTheKnownRowsAndDrawsControlBytesAsSpace) {
    struct Case { uint8_t code; std::vector<uint8_t> columns; };
    const Case cases[] = {
        {' ', {0, 0, 0, 0, 0}},           {'A', {0x7C, 0x12, 0x11, 0x12, 0x7C}},
        {'0', {0x3E, 0x51, 0x49, 0x45, 0x3E}}, {'!', {0x00, 0x00, 0x2F, 0x00, 0x00}},
        {'\\', {0x55, 0x2A, 0x55, 0x2A, 0x55}}, {0x01, {0, 0, 0, 0, 0}}, {0x7F, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const uint8_t* g = text::Asc12Glyph(c.code);
        EXPECT_EQ(std::vector<uint8_t>(g, g + 5), c.columns) << int(c.code);
    }
    // Every printable code has ink, except the space.
    for (int code = 0x21; code <= 0x7E; ++code) {
        const uint8_t* g = text::Asc12Glyph(static_cast<uint8_t>(code));
        EXPECT_NE(g[0] | g[1] | g[2] | g[3] | g[4], 0) << code;
    }
}

TEST(Text, Ds12ChineseReadsTheBuiltInTwelvePixelFont) {
    Screen s(30, 20);
    const auto g = Pattern(12, 2);
    // 汉 is BA BA: position (0xBA - 0xA1) * 94 + (0xBA - 0xA1).
    Put(s.rom, flash::kHz12 + (25 * 94 + 25) * 24, g);
    s.Run("SBC(2);DS12(0,0,'汉A',1);");
    ExpectGlyph(s, 0, 0, g, 12, 2, 12);
    ExpectUntouched(s, 0, 12, 12, 20);
    EXPECT_EQ(s.At(12, 4 + 2), s.Colour(kInk));  // 'A' column 0 (7C) starts at pen 12
    EXPECT_EQ(s.cmd.Bounds().x2, 18);
}

TEST(Text, Chinese24FallsBackToSixteenPixelsAndAdvances24) {
    Screen s(60, 30);
    const auto hz16 = Pattern(16, 2), mini = Pattern(24, 3, 9);
    Put(s.rom, flash::kHz16 + (25 * 94 + 25) * 32, hz16);  // 汉 in the built-in 16-pixel font
    PutRecord(s.rom, 24, 0, 0xD7, 0xD6, 0);                // 字 in the mini index
    Put(s.rom, flash::kMiniGlyphs, mini);
    s.Run("SBC(2);DS24(0,0,'汉字',1);");
    ExpectGlyph(s, 0, 0, hz16, 16, 2, 16);
    ExpectUntouched(s, 16, 0, 24, 24);
    ExpectGlyph(s, 24, 0, mini, 24, 3, 24);
    EXPECT_EQ(s.cmd.Bounds().x2, 48);
}

TEST(Text, FullFontsAreFoundByPositionInBothModes) {
    Screen s(80, 40);
    // 24-pixel GBK font at unit 0x1000, 32-pixel GB2312 font at unit 0x2000.
    PutConfig(s.rom, {0x3000, 0x2000, 0x3000, 0x0F00, 0x1000, 0x1800, 0xFFFF, 0x3000});
    s.cmd.Screen().ReadFontRegions();
    const auto g24 = Pattern(24, 3, 5), g32 = Pattern(32, 4, 11);
    Put(s.rom, 0x100000 + ((0xBA - 0x81) * 191 + (0xBA - 0x40)) * 72, g24);
    Put(s.rom, 0x200000 + (25 * 94 + 25) * 128, g32);
    s.Run("SBC(2);DS24(0,0,'汉',1);DS32(30,0,'汉',1);");
    ExpectGlyph(s, 0, 0, g24, 24, 3, 24);
    ExpectGlyph(s, 30, 0, g32, 32, 4, 32);
}

TEST(Text, ReadFontRegionsFollowsTheConfigBlock) {
    struct Case {
        const char* what;
        std::vector<int> slots;  // 2..3 .. 14..15
        bool markers;
        TextState want;
    };
    auto state = [](int b16, int b24, int b32, int b48, bool g16, bool g24, bool g32) {
        TextState t;
        t.base16 = b16, t.base24 = b24, t.base32 = b32, t.base48 = b48, t.gbk16 = g16, t.gbk24 = g24, t.gbk32 = g32;
        return t;
    };
    const Case cases[] = {
        {"no markers", {0xF470, 0xFD70, 0xFD70, 0xFD70, 0xFD70, 0xFD70, 0xFD70}, false, state(848, 0, 0, 0, false, false, false)},
        {"only GB2312 24", {0xF470, 0xFD70, 0xFD70, 0xFD70, 0xFD70, 0xFD70, 0xFD70}, true, state(848, 0xF470, 0, 0, false, false, false)},
        {"nothing placed", {0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00}, true, state(848, 0, 0, 0, false, false, false)},
        {"GBK 16 and 32", {0xD000, 0xD000, 0xD000, 0xD000, 0xE000, 0xE000, 0xFF00}, true, state(0xD000, 0, 0xE000, 0, true, false, true)},
        {"GB2312 48, GBK 24", {0xD000, 0xD000, 0xD000, 0xE000, 0xE000, 0xFF00, 0xFF00}, true, state(848, 0xE000, 0, 0xD000, false, true, false)},
        {"failed build leaves FF", {0xF000, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, true, state(848, 0xF000, 0, 0, false, false, false)},
    };
    for (const auto& c : cases) {
        Screen s;
        std::vector<int> slots = c.slots;
        PutConfig(s.rom, {slots[0], slots[1], slots[2], slots[3], slots[4], slots[5], slots[6]});
        if (!c.markers) s.rom.Image()[flash::kConfigBlock + 127] = 0;
        s.cmd.Screen().ReadFontRegions();
        const TextState& t = s.cmd.Screen().text_state;
        EXPECT_EQ(std::vector<int>({t.base16, t.base24, t.base32, t.base48, t.gbk16, t.gbk24, t.gbk32}),
                  std::vector<int>({c.want.base16, c.want.base24, c.want.base32, c.want.base48, c.want.gbk16,
                                    c.want.gbk24, c.want.gbk32}))
            << c.what;
    }
}

TEST(Text, Bs16WrapsTwoCharactersALine) {
    Screen s(60, 70);
    const auto g = Pattern(16, 2);
    Put(s.rom, flash::kHz16 + (25 * 94 + 25) * 32, g);
    Put(s.rom, flash::kHz16 + ((0xD7 - 0xA1) * 94 + (0xD6 - 0xA1)) * 32, g);
    s.Run("SBC(2);BS16(0,0,40,4,'汉字汉字汉字',1);");
    for (int y : {0, 20, 40}) {
        ExpectGlyph(s, 0, y, g, 16, 2, 16);
        ExpectGlyph(s, 16, y, g, 16, 2, 16);
        ExpectUntouched(s, 32, y, 60, y + 16);
        ExpectUntouched(s, 0, y + 16, 60, y + 20);
    }
    const auto b = s.cmd.Bounds();
    EXPECT_EQ(std::vector<int>({b.x1, b.y1, b.x2, b.y2}), std::vector<int>({0, 0, 40, 56}));
}

TEST(Text, LabelCentresAndPaintsTheRestOfTheBox) {
    Screen s(110, 20);
    const auto a = Pattern(8, 2, 0), b = Pattern(8, 2, 50);
    Put(s.rom, flash::kAsc16 + 0x21 * 16, a);
    Put(s.rom, flash::kAsc16 + 0x22 * 16, b);
    s.Run("SBC(2);LABL(16,0,0,100,'AB',1,1);");
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 42; ++x) ASSERT_EQ(s.At(x, y), s.Colour(kPaper));
        for (int x = 58; x < 100; ++x) ASSERT_EQ(s.At(x, y), s.Colour(kPaper));
    }
    ExpectGlyph(s, 42, 0, a, 8, 2, 16);
    ExpectGlyph(s, 50, 0, b, 8, 2, 16);
    ExpectUntouched(s, 100, 0, 110, 20);
    ExpectUntouched(s, 0, 16, 110, 20);
    const auto r = s.cmd.Bounds();
    EXPECT_EQ(std::vector<int>({r.x1, r.y1, r.x2, r.y2}), std::vector<int>({0, 0, 100, 16}));
}

TEST(Text, LabelTooNarrowPaintsNothingAndCutsAtTheBoxEdge) {
    Screen s(30, 20);
    const auto a = Pattern(8, 2, 0), b = Pattern(8, 2, 50);
    Put(s.rom, flash::kAsc16 + 0x21 * 16, a);
    Put(s.rom, flash::kAsc16 + 0x22 * 16, b);
    s.Run("SBC(2);LABL(16,0,0,12,'AB',1,1);");
    ExpectGlyph(s, 0, 0, a, 8, 2, 16);
    ExpectGlyph(s, 8, 0, b, 4, 2, 16);
    ExpectUntouched(s, 12, 0, 30, 20);
}

TEST(Text, LabelRightAndLeftAlignment) {
    Screen s(110, 20);
    s.Run("SBC(2);LABL(16,0,0,100,'AB',1,2);");
    EXPECT_EQ(s.At(83, 0), s.Colour(kPaper));
    EXPECT_EQ(s.At(84, 0), s.Colour(kInk));  // all-FF flash: solid glyphs from x = 84
    s.Run("CLS(0);LABL(16,0,0,100,'AB',1,0);");
    EXPECT_EQ(s.At(15, 0), s.Colour(kInk));
    EXPECT_EQ(s.At(16, 0), s.Colour(kPaper));
    EXPECT_EQ(s.At(99, 15), s.Colour(kPaper));
}

TEST(Text, MeasureTakesAscWidthsFromTheIndexAtLargeSizes) {
    Screen s;
    PutRecord(s.rom, 32, 0, 10, 'i', 0);
    PutRecord(s.rom, 32, 1, 17, 'W', 64);
    Tgd& gd = s.cmd.Screen();
    EXPECT_EQ(text::Measure(gd, 32, "Wi"), 27);
    EXPECT_EQ(text::Measure(gd, 32, "i?"), 20);  // '?' is missing: the last width again
    EXPECT_EQ(text::Measure(gd, 32, "\xBA\xBA" "i"), 42);
    EXPECT_EQ(text::Measure(gd, 16, "Wi\xBA\xBA"), 32);
    EXPECT_EQ(text::Measure(gd, 12, "Wi"), 12);
}

TEST(Text, AtMost127BytesAreDrawn) {
    Screen s(1100, 20);
    Tgd& gd = s.cmd.Screen();
    gd.work.x1 = 0, gd.work.y1 = 0;
    gd.text_state.text = std::string(130, 'A');
    text::DrawLine(gd, 16);
    EXPECT_EQ(gd.bounds.x2, 127 * 8);
    // A double-byte character that starts at byte 127 is still drawn.
    gd.text_state.text = std::string(126, 'A') + "\xBA\xBA" + "AAAA";
    text::DrawLine(gd, 16);
    EXPECT_EQ(gd.bounds.x2, 126 * 8 + 16);
    EXPECT_EQ(text::Measure(gd, 16, std::string(200, 'A')), 127 * 8);
}

TEST(Text, PsOverAnEmptySlotDrawsAsASingleLineWithTheScreenWidthLimit) {
    Screen s(40, 20);
    const auto a = Pattern(8, 2, 0);
    Put(s.rom, flash::kAsc16 + 0x21 * 16, a);
    s.Run("SBC(2);PS16(3,4,0,'AAAAAAAA',1,0);");  // lx 0 <= x1: the limit becomes the screen width
    ExpectGlyph(s, 4, 0, a, 8, 2, 16);
    ExpectGlyph(s, 28, 0, a, 8, 2, 16);
    EXPECT_EQ(s.cmd.Bounds().x2, 44);  // stops after the character that crosses x = 40
    s.Run("PS12(0,0,0,'A',1,0);");    // 12 pixels: the plain 12-pixel line
    EXPECT_EQ(s.At(0, 4 + 2), s.Colour(kInk));
}

TEST(Text, OddSizesAndHugeLabelsStayInsideTheirBuffers) {
    Screen s(64, 48);
    struct Case { const char* statement; int y2; };
    for (const Case c : {Case{"LABL(20,0,0,60,'A汉',1,1);", 20}, Case{"LABL(99999,0,0,60,'A汉AB',1,1);", 99999},
                         Case{"LABL(0,0,0,60,'A汉',1,1);", 0}, Case{"PLAB(64,0,0,60,'A汉',1,1,99);", 64}}) {
        s.Run(c.statement);
        EXPECT_EQ(s.cmd.Bounds().y2, c.y2) << c.statement;
    }
}

}  // namespace
}  // namespace quelmo::test
