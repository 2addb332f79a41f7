// Pixel rules of the simulated screen's primitives and colours.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "display/tgd.h"
#include "support/screen.h"

namespace quelmo::test {
namespace {

using Points = std::set<std::pair<int, int>>;

// Every pixel of the screen that is not black.
Points Inked(const Screen& s) {
    Points p;
    for (int y = 0; y < s.pixels.height(); ++y)
        for (int x = 0; x < s.pixels.width(); ++x)
            if (s.At(x, y) != s.Colour(0)) p.insert({x, y});
    return p;
}

Points Row(int y, int x_from, int x_to) {
    Points p;
    for (int x = x_from; x <= x_to; ++x) p.insert({x, y});
    return p;
}

TEST(Primitives, SetExactlyTheirPixels) {
    const struct {
        const char* text;
        Points pixels;
    } cases[] = {
        {"BOXF(10,10,10,20,1);", {}},                         // zero width fills nothing
        {"BOXF(10,10,11,11,1);", {{10, 10}}},                 // right column and bottom row left out
        {"BOXF(12,10,10,20,1);", {}},                         // reversed corners fill nothing
        {"PL(0,0,10,0,1);", Row(0, 0, 9)},                    // no end pixel
        {"PL(10,0,0,0,1);", Row(0, 1, 10)},                   // drawn from the start towards the end
        {"PL(0,0,4,4,1);", {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"PL(0,0,0,3,1);", {{0, 0}, {0, 1}, {0, 2}}},
        {"PL(5,5,5,5,1);", {}},                               // a line to itself sets nothing
        {"PL(0,0,6,2,1);", {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 2}}},
        {"PS(3,4,1);", {{3, 4}}},
        {"PS(500,4,1);PS(3,500,1);", {}},                     // off the surface: clipped
        {"CIR(20,20,0,1);", {{20, 20}}},
        // Radius 2: the midpoint steps give 12 distinct pixels.
        {"CIR(20,20,2,1);", {{20, 22}, {22, 20}, {18, 20}, {20, 18}, {21, 22}, {22, 21}, {18, 21}, {19, 22},
                             {19, 18}, {18, 19}, {22, 19}, {21, 18}}},
        {"CIRF(10,10,1,1);", {{9, 9}, {10, 9}, {9, 10}, {10, 10}}},
        {"CIRF(10,10,0,1);", {}},
    };
    for (const auto& c : cases) {
        Screen s(64, 48);
        s.Run(c.text);
        EXPECT_EQ(Inked(s), c.pixels) << c.text;
    }
}

TEST(Primitives, BoxOutlinePassesThroughAllFourCorners) {
    Screen s;
    s.Run("BOX(10,10,20,20,1);");
    const Points ink = Inked(s);
    EXPECT_EQ(ink.size(), 40u);
    for (auto corner : {std::pair{10, 10}, {20, 10}, {10, 20}, {20, 20}}) EXPECT_TRUE(ink.count(corner));
    EXPECT_FALSE(ink.count({15, 15}));
}

TEST(Primitives, FilledCircleStaysInsideItsHalfOpenSquare) {
    Screen s;
    s.Run("CIRF(20,20,5,1);");
    const Points ink = Inked(s);
    EXPECT_TRUE(ink.count({15, 20}));
    EXPECT_TRUE(ink.count({24, 20}));
    EXPECT_TRUE(ink.count({20, 15}));
    EXPECT_TRUE(ink.count({20, 24}));
    for (auto [x, y] : ink) {
        EXPECT_TRUE(x >= 15 && x < 25 && y >= 15 && y < 25) << x << "," << y;
        EXPECT_TRUE(ink.count({39 - x, y}) && ink.count({x, 39 - y})) << "not symmetric at " << x << "," << y;
    }
    EXPECT_FALSE(ink.count({15, 15}));  // corners of the square stay outside
}

TEST(Primitives, SchemeBoxFillsAndFramesWithTheSchemeColours) {
    Screen s(120, 60);
    s.Run("W8BF(0,0,100,50,3);");
    EXPECT_EQ(s.At(50, 25), s.Colour(53));
    EXPECT_EQ(s.At(0, 0), s.Colour(43));
    EXPECT_EQ(s.At(100, 50), s.Colour(43));
    EXPECT_EQ(s.At(99, 25), s.Colour(53));
}

TEST(Primitives, ClearFillsTheWholeSurface) {
    Screen s(17, 5);
    s.Run("PS(1,1,2);CLS(4);");
    EXPECT_EQ(s.Count(s.Colour(4)), 17 * 5);
}

TEST(Colours, ConvertBetweenModuleAndDesktopColours) {
    EXPECT_EQ(Tgd::ModuleToDesktop(0xFFFF), Rgb(248, 252, 248));
    EXPECT_EQ(Tgd::ModuleToDesktop(0xF800), Rgb(248, 0, 0));
    EXPECT_EQ(Tgd::ModuleToDesktop(0x001F), Rgb(0, 0, 248));
    EXPECT_EQ(Tgd::DesktopToModule(Rgb(255, 255, 255)), 0xFFFF);
    EXPECT_EQ(Tgd::DesktopToModule(Rgb(248, 252, 248)), 0xFFFF);
    for (int v : {0x0000, 0x1234, 0x8410, 0xCE79, 0xFFFF})
        EXPECT_EQ(Tgd::DesktopToModule(Tgd::ModuleToDesktop(static_cast<uint16_t>(v))), v);
}

TEST(Colours, DefaultTableAndChanges) {
    Screen s;
    EXPECT_EQ(s.Colour(0), Rgb(0, 0, 0));
    EXPECT_EQ(s.Colour(7), Tgd::ModuleToDesktop(0xCE79));
    EXPECT_EQ(s.Colour(41), Tgd::ModuleToDesktop(0x75D7));
    EXPECT_EQ(s.Colour(63), Rgb(0, 0, 0));
    s.Run("SCC(1,31);PS(0,0,1);");
    EXPECT_EQ(s.At(0, 0), Rgb(0, 0, 248));
    s.Run("SCC(1,63488);");  // pixels already drawn keep their colour
    EXPECT_EQ(s.At(0, 0), Rgb(0, 0, 248));
    EXPECT_EQ(s.Colour(1), Rgb(248, 0, 0));
}

TEST(Colours, NumbersOf64AndAboveWrapAroundTheTable) {
    Screen s;
    const uint32_t before = s.Colour(0);
    s.Run("SCC(64,65535);SCC(99999,65535);");  // ignored: nothing outside the table changes
    EXPECT_EQ(s.Colour(0), before);
    EXPECT_EQ(s.Colour(64), s.Colour(0));
    s.Run("PS(1,1,65);BOXF(2,2,3,3,99999);");
    EXPECT_EQ(s.At(1, 1), s.Colour(1));
    EXPECT_EQ(s.At(2, 2), s.Colour(99999 % 64));
}

TEST(Colours, BackgroundNumberChangesNothingVisible) {
    Screen s;
    s.Run("SBC(5);");
    EXPECT_EQ(s.cmd.Screen().BackgroundNumber(), 5);
    EXPECT_EQ(s.Count(s.Colour(0)), 64 * 48);
}

TEST(FlashReader, ReadsInsideTheImageAndFFBeyondIt) {
    Trom rom;
    const int64_t size = static_cast<int64_t>(Trom::Size());
    rom.Image()[0] = 0x12;
    rom.Image()[size - 2] = 0x34;
    rom.Image()[size - 1] = 0x56;
    Tgd gd(rom);
    EXPECT_EQ(gd.ReadFlash(0, 1)[0], 0x12);
    EXPECT_EQ(gd.ReadFlash(size - 3, 2)[1], 0x34);  // ends just before the last byte
    EXPECT_EQ(gd.ReadFlash(size - 2, 2)[0], 0xFF);  // would touch the last byte
    EXPECT_EQ(gd.ReadFlash(-5, 1)[0], 0xFF);        // negative counts as 16 MB
    EXPECT_EQ(gd.ReadFlash(size + 10, 4)[3], 0xFF);
}

TEST(FlashReader, BackgroundReaderLeavesItsAreaAloneOutsideTheImage) {
    Trom rom;
    rom.Image()[100] = 0xAB;
    Tgd gd(rom);
    EXPECT_EQ(gd.ReadBackground(100, 2)[0], 0xAB);
    EXPECT_EQ(gd.ReadBackground(-1, 2)[0], 0xAB);   // unchanged
    EXPECT_EQ(gd.ReadBackground(static_cast<int64_t>(Trom::Size()) - 2, 2)[0], 0xAB);
    EXPECT_EQ(gd.Scratch() + Tgd::kBackgroundScratch, gd.ReadBackground(100, 1));
}

}  // namespace
}  // namespace quelmo::test
