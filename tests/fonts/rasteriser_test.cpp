// The glyph rasteriser on the installed free fonts: fitting, packing, records and the file rules.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/gbk.h"
#include "fonts/canvas.h"
#include "flash/font_format.h"
#include "fonts/tmakefont.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

struct Rasteriser : ::testing::Test {
    Rasteriser() : mf(canvas) { mf.ResetDefaults(); }

    // Glyph bit (column x, row y) of a glyph of `size` rows at buffer position p.
    bool Bit(size_t p, int size, int x, int y) const {
        return (mf.Buffer()[p + static_cast<size_t>(x * (size / 8) + y / 8)] >> (y % 8)) & 1;
    }
    int Record(int size, int i, int byte) const {
        return mf.Buffer()[fontfile::IndexRegion(size) + static_cast<size_t>(i * 4 + byte)];
    }
    size_t GlyphAt(int size, int i) const {
        return flash::kMiniGlyphs + 8u * static_cast<size_t>(Record(size, i, 2) << 8 | Record(size, i, 3));
    }
    void Asc(int size, int mode, int set, std::string list = {}) {
        mf.index_pos = Tmakefont::kIndexRegions[size / 8];
        mf.size = size;
        mf.mode = mode;
        mf.FitAsc();
        mf.selector = set;
        mf.chars = std::move(list);
        ASSERT_TRUE(mf.BuildCharSet().ok());
    }
    void Chinese(int size, std::string utf8) {
        mf.size = size;
        mf.mode = Tmakefont::kModeChinese;
        mf.FitChinese();
        mf.selector = Tmakefont::kSetListChinese;
        mf.chars = Utf8ToGbk(utf8);
        ASSERT_TRUE(mf.BuildCharSet().ok());
    }
    fs::path Folder() {
        auto dir = fs::temp_directory_path() / ("quelmo-raster-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        return dir;
    }

    MonoCanvas canvas;
    Tmakefont mf;
};

std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(Rasteriser, FreshBuffersWriteAnAllFFIndexAndAnEmptyGlyphFile) {
    mf.data_pos = flash::kMiniGlyphs;
    const auto dir = Folder();
    ASSERT_TRUE(mf.WriteMiniFont(dir).ok());
    const auto idx = ReadAll(dir / "mini.idx");
    EXPECT_EQ(idx, std::vector<uint8_t>(8192, 0xFF));
    EXPECT_TRUE(ReadAll(dir / "mini.sbin").empty());
    fs::remove_all(dir);
}

TEST_F(Rasteriser, AllAscAtForcedWidthGives95RecordsFortyBytesApart) {
    mf.data_pos = flash::kMiniGlyphs;
    for (int size : fontfile::kMiniSizes) Asc(size, Tmakefont::kModeSameWidth, Tmakefont::kSetAllAsc);
    for (int size : fontfile::kMiniSizes) {
        for (int i = 0; i < 95; ++i) {
            EXPECT_EQ(Record(size, i, 0), size / 2) << size << " " << i;
            EXPECT_EQ(Record(size, i, 1), 0x20 + i);
        }
        EXPECT_EQ(Record(size, 95, 0), 0xFF) << size;
    }
    // 24 pixels: 36 bytes a glyph, aligned to 40, the last 4 bytes of each gap FF.
    for (int i = 0; i + 1 < 95; ++i) {
        ASSERT_EQ(GlyphAt(24, i + 1) - GlyphAt(24, i), 40u);
        for (int k = 36; k < 40; ++k) ASSERT_EQ(mf.Buffer()[GlyphAt(24, i) + k], 0xFF);
    }
    EXPECT_EQ(GlyphAt(24, 0), flash::kMiniGlyphs);
    EXPECT_EQ(GlyphAt(32, 0), flash::kMiniGlyphs + 95u * 40);
    // The fit keeps the two top rows of every ASC cell free of ink.
    for (int size : fontfile::kMiniSizes)
        for (int i = 0; i < 95; ++i)
            for (int x = 0; x < size / 2; ++x) ASSERT_FALSE(Bit(GlyphAt(size, i), size, x, 0) || Bit(GlyphAt(size, i), size, x, 1)) << size << " " << i;
}

TEST_F(Rasteriser, ProportionalAscMeasuresEachGlyphAndASpaceIsHalfACellOfBackground) {
    mf.data_pos = flash::kMiniGlyphs;
    Asc(32, Tmakefont::kModeProportional, Tmakefont::kSetList, "iW iW\r\n" "\xBA\xBA" "W");
    ASSERT_EQ(Record(32, 0, 1), 'i');
    ASSERT_EQ(Record(32, 1, 1), 'W');
    ASSERT_EQ(Record(32, 2, 1), ' ');
    EXPECT_EQ(Record(32, 3, 0), 0xFF);  // duplicates, CR LF and the Chinese character make no records
    EXPECT_LT(Record(32, 0, 0), Record(32, 1, 0));
    EXPECT_EQ(Record(32, 2, 0), 16);
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 32; ++y) ASSERT_FALSE(Bit(GlyphAt(32, 2), 32, x, y));
}

TEST_F(Rasteriser, ChineseFitPutsTheTestCharacterAtRowOneCentred) {
    mf.data_pos = flash::kMiniGlyphs;
    mf.index_pos = Tmakefont::kIndexRegions[3];
    Chinese(24, "薄薄字");
    EXPECT_EQ(Record(24, 0, 0), 0xB1);
    EXPECT_EQ(Record(24, 0, 1), 0xA1);
    EXPECT_EQ(Record(24, 1, 0), 0xD7);
    EXPECT_EQ(Record(24, 2, 0), 0xFF);
    const size_t g = GlyphAt(24, 0);
    int left = 24, right = -1, top = 24, bottom = -1;
    for (int x = 0; x < 24; ++x)
        for (int y = 0; y < 24; ++y)
            if (Bit(g, 24, x, y))
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    // The ink sits in the top-left square as large as its longer side, centred along the other.
    const int w = right - left, h = bottom - top;
    EXPECT_EQ(w < h ? top : left, 0);
    EXPECT_EQ(w < h ? left : top, std::abs(h - w) / 2) << left << " " << top << " " << right << " " << bottom;
    EXPECT_LT(std::max(w, h), 24);
}

TEST_F(Rasteriser, EmptyChineseListLeavesTheRegionEmpty) {
    mf.data_pos = flash::kMiniGlyphs;
    mf.index_pos = Tmakefont::kIndexRegions[4];
    Chinese(32, "abc");
    EXPECT_EQ(Record(32, 0, 0), 0xFF);
    EXPECT_EQ(mf.index_pos, 0x2800);
}

TEST_F(Rasteriser, FullGb2312At24HasEveryPositionInCodeOrder) {
    mf.size = 24;
    mf.mode = Tmakefont::kModeChinese;
    mf.FitChinese();
    mf.selector = Tmakefont::kSetGb2312;
    int last = -1;
    mf.progress = [&](int p) { last = p; };
    ASSERT_TRUE(mf.BuildCharSet().ok());
    EXPECT_EQ(mf.data_pos, 588816);
    EXPECT_EQ(last, 100);
    std::vector<uint8_t> full(mf.Buffer() + 101520, mf.Buffer() + 101520 + 72);
    // The same character built as a small library gives the same glyph.
    mf.ResetBuffers();
    mf.data_pos = flash::kMiniGlyphs;
    mf.index_pos = Tmakefont::kIndexRegions[3];
    mf.selector = Tmakefont::kSetListChinese;
    mf.chars = "\xB0\xA1";
    ASSERT_TRUE(mf.BuildCharSet().ok());
    EXPECT_EQ(full, std::vector<uint8_t>(mf.Buffer() + flash::kMiniGlyphs, mf.Buffer() + flash::kMiniGlyphs + 72));
    EXPECT_NE(full, std::vector<uint8_t>(72, 0));
}

TEST_F(Rasteriser, FullGbkAt16FillsItsFileAndAt48IsRefusedBeforeItStarts) {
    mf.size = 16;
    mf.mode = Tmakefont::kModeChinese;
    mf.FitChinese();
    mf.selector = Tmakefont::kSetGbk;
    mf.output_name = "hz16";
    ASSERT_TRUE(mf.BuildCharSet().ok());
    const auto dir = Folder();
    ASSERT_TRUE(mf.WriteFullFont(dir).ok());
    EXPECT_EQ(fs::file_size(dir / "hz16.sbin"), 770112u);
    fs::remove_all(dir);

    mf.ResetBuffers();
    mf.size = 48;
    mf.selector = Tmakefont::kSetGbk;
    const Status s = mf.BuildCharSet();
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.error().message.find("48点阵GBK全字库"), std::string::npos) << s.error().message;
    EXPECT_EQ(mf.data_pos, 0);
}

TEST_F(Rasteriser, ListsThatOutgrowTheirRegionAreRefused) {
    // 513 different characters do not fit the 512 records of a region.
    std::string many;
    for (int lead = 0xB0; many.size() < 2 * 513; ++lead)
        for (int trail = 0xA1; trail <= 0xFE && many.size() < 2 * 513; ++trail) many += {char(lead), char(trail)};
    mf.data_pos = flash::kMiniGlyphs;
    mf.index_pos = Tmakefont::kIndexRegions[3];
    mf.size = 24;
    mf.mode = Tmakefont::kModeChinese;
    mf.selector = Tmakefont::kSetListChinese;
    mf.chars = many;
    const Status s = mf.BuildCharSet();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(mf.index_pos, 0x2800);  // 512 records, nothing in the 32-pixel region
    // Glyph data that would pass the end of the mini font region.
    mf.data_pos = flash::kMiniGlyphs + flash::kMiniGlyphsSize - 100;
    mf.index_pos = Tmakefont::kIndexRegions[8];
    mf.size = 64;
    mf.chars = "\xB0\xA1";
    mf.selector = Tmakefont::kSetListChinese;
    EXPECT_FALSE(mf.BuildCharSet().ok());
}

TEST(Canvas, FaceNamesResolveToInstalledFaces) {
    MonoCanvas c;
    c.SelectFont("宋体", 24, 0);
    EXPECT_NE(c.SelectedFace().find("WenQuanYi"), std::string::npos) << c.SelectedFace();
    c.SelectFont("No Such Face 123", 24, 0);
    EXPECT_FALSE(c.SelectedFace().empty());
    c.SelectFont("DejaVu Sans", 24, 0);
    EXPECT_EQ(c.SelectedFace(), "DejaVu Sans");
    const auto faces = MonoCanvas::Faces();
    EXPECT_TRUE(std::is_sorted(faces.begin(), faces.end()));
    EXPECT_NE(std::find(faces.begin(), faces.end(), "DejaVu Sans"), faces.end());
}

TEST(Canvas, CellHeightIsAscentPlusDescent) {
    // DejaVu Sans: usWinAscent 1901, usWinDescent 483 at 2048 units; at H = 48 its ascent is 38.
    MonoCanvas c;
    c.SelectFont("DejaVu Sans", 48, 0);
    c.FillWhite(0, 0, 200, 200);
    c.DrawText(10, 10, "_");
    int lowest = -1, highest = 999;
    for (int y = 0; y < 100; ++y)
        if (c.RowHasInk(y, 0, 200)) lowest = std::max(lowest, y), highest = std::min(highest, y);
    EXPECT_GE(highest, 10 + 38);  // the underscore lies below the baseline
    EXPECT_LT(lowest, 10 + 48);   // and within the cell
    // An average width makes text narrower or wider.
    c.SelectFont("DejaVu Sans", 48, 10);
    const int narrow = c.TextWidth("MMMM");
    c.SelectFont("DejaVu Sans", 48, 30);
    EXPECT_GT(c.TextWidth("MMMM"), narrow * 2);
}

}  // namespace
}  // namespace quelmo::test
