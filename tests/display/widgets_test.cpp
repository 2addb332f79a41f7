#include <gtest/gtest.h>

#include <vector>

#include "core/hashtable.h"
#include "support/flash_pictures.h"
#include "support/screen.h"

namespace quelmo::test {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;

bool SameBounds(const Tgd::Rect& a, const Tgd::Rect& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

TEST(Curve, EmptyCurveShowsGridAndBottomRow) {
    Screen s(120, 110);
    s.Run("DQX(0,0,10,10,10,10);");  // W = 100, H = 99
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {0, 0, 100, 99}));
    struct Case { int x, y, colour; };
    for (const Case c : {Case{0, 99, 24}, Case{55, 99, 24}, Case{99, 99, 24},  // bottom row (the band)
                         Case{5, 0, 22}, Case{1, 1, 21}, Case{10, 1, 22},     // top row, area, grid column
                         Case{1, 10, 22}, Case{0, 50, 22},                    // grid row, grid column
                         Case{100, 0, 22}, Case{100, 98, 22}})                // right edge
        EXPECT_EQ(s.At(c.x, c.y), s.Colour(c.colour)) << c.x << "," << c.y;
    EXPECT_EQ(s.At(100, 99), kBlack);  // the edge's end pixel
    EXPECT_EQ(s.At(101, 0), kBlack);
    EXPECT_EQ(s.At(0, 100), kBlack);
}

TEST(Curve, SamplesJoinAsVerticalRuns) {
    Screen s(120, 110);
    s.Run("DQX(0,0,10,10,10,10);S128;");  // 128 x 99 >> 8 = 49: row 50
    EXPECT_EQ(s.At(0, 50), s.Colour(23));
    EXPECT_EQ(s.At(0, 51), s.Colour(24));  // below the band on a grid column
    EXPECT_EQ(s.At(0, 49), s.Colour(22));
    EXPECT_EQ(s.At(1, 50), s.Colour(23));  // joins 49 down to 0
    EXPECT_EQ(s.At(1, 98), s.Colour(23));
    EXPECT_EQ(s.At(1, 49), s.Colour(21));
    EXPECT_EQ(s.At(2, 61), s.Colour(21));
    EXPECT_EQ(s.At(2, 60), s.Colour(22));  // grid row
    EXPECT_EQ(s.At(2, 98), s.Colour(21));
}

TEST(Curve, SamplesScrollOnceTheWindowIsFull) {
    Screen s(64, 48);
    const CurveState& c = s.cmd.Screen().widgets.curve;
    s.Run("DQX(0,0,1,1,3,10);Q10;Q20;Q30;");  // W = 3
    EXPECT_EQ(c.count, 2);
    EXPECT_EQ(std::vector<int>(c.samples.begin(), c.samples.begin() + 3), (std::vector<int>{20, 30, 0}));
    s.Run("Q300;");  // kept mod 256
    EXPECT_EQ(std::vector<int>(c.samples.begin(), c.samples.begin() + 3), (std::vector<int>{30, 44, 0}));

    s.Run("CLS(0);DQX(0,0,50,10,9,10);Q128;");  // W = 450: set up, not drawn, takes no samples
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {-1, -1, -1, -1}));
    EXPECT_EQ(s.Count(kBlack), 64 * 48);
    EXPECT_EQ(c.count, 0);
    s.Run("DQX(0,0,50,10,9,10);");
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {0, 0, 450, 99}));
    s.Run("DQX(0,0,0,10,9,10);Q1;S1;");  // no columns: nothing kept
    EXPECT_EQ(c.count, 0);
    s.Run("DQX(0,0,10,99999,40,99999);RQX;");  // huge H: drawn only where the screen is
    EXPECT_EQ(s.At(5, 47), s.Colour(21));
}

struct TitleCall {
    int x, y;
    std::string text;
    int size, colour;
};
std::vector<TitleCall> titles;
void RecordTitle(Tgd&, int x, int y, std::string_view text, int size, int colour) {
    titles.push_back({x, y, std::string(text), size, colour});
}

struct MenuScreen : Screen {
    MenuScreen() : Screen(64, 80) {
        cmd.SetPages(&pages);
        cmd.Screen().widgets.text_line = RecordTitle;
        titles.clear();
    }
    THashTable pages;
};

TEST(Menu, SetUpDrawsNothing) {
    MenuScreen s;
    s.Run("MENU(20,0,180,30,24,10,50,16,8,7,127,1);");
    EXPECT_EQ(s.Count(kBlack), 64 * 80);
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {20, 0, 200, 210}));
}

TEST(Menu, ItemsComeFromThePage) {
    MenuScreen s;
    PutPicture(s.rom, 1, 4, 4, 0x100000);
    // Page 2 (pgcn1) names items 1 and 3 with icon 1; item 2 keeps what item 1 set.
    s.pages.SetValue("pgcn1", "MDF(1,1,'one');MDF(3,1,'three');\r\nPS(63,79,2);");
    s.Run("MENU(0,0,40,10,4,30,2,8,0,3,2,0);MSHW;");
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {-1, -1, -1, -1}));
    EXPECT_EQ(s.At(0, 0), s.Colour(61));
    EXPECT_EQ(s.At(0, 10), s.Colour(60));
    EXPECT_EQ(s.At(39, 29), s.Colour(60));
    EXPECT_EQ(s.At(40, 0), kBlack);
    EXPECT_EQ(s.At(63, 79), s.Colour(2));  // the page's own statements ran too
    for (int item = 0; item < 3; ++item) EXPECT_EQ(s.At(30, item * 10 + 3), PictureRgb(0, 0)) << item;
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[0].text, "one");
    EXPECT_EQ(titles[1].text, "one");
    EXPECT_EQ(titles[2].text, "three");
    EXPECT_EQ(titles[2].x, 2);
    EXPECT_EQ(titles[2].y, 21);  // (10 - 8) / 2 down
    EXPECT_EQ(titles[2].size, 8);
    EXPECT_EQ(titles[2].colour, 15);
    EXPECT_EQ(s.cmd.Screen().BackgroundNumber(), 60);
}

TEST(Menu, SelectRedrawsOnlyTheTwoItems) {
    MenuScreen s;
    s.Run("MENU(0,0,40,10,0,0,0,0,0,5,1,0);MSHW;BOXF(0,10,40,20,3);MSET(2);");
    EXPECT_EQ(s.At(0, 0), s.Colour(60));
    EXPECT_EQ(s.At(0, 10), s.Colour(3));  // item 1 stays as it was
    EXPECT_EQ(s.At(0, 20), s.Colour(61));
    EXPECT_EQ(s.At(0, 30), s.Colour(60));
    s.Run("MSET(9);");  // past the last item: item 0
    EXPECT_EQ(s.cmd.Screen().widgets.menu.selected, 0);
    EXPECT_EQ(s.At(0, 0), s.Colour(61));
    EXPECT_EQ(s.At(0, 20), s.Colour(60));
}

TEST(Menu, PagesThatDrawMenusDoNotRunForever) {
    MenuScreen s;
    s.pages.SetValue("pgcn0", "MSHW;MSET(1);MDF(1,0,'a');");
    s.Run("MENU(0,0,40,10,0,0,0,0,0,2,1,0);MSHW;MSET(1);");
    EXPECT_EQ(s.At(0, 10), s.Colour(61));
    EXPECT_EQ(s.cmd.Screen().widgets.menu.selected, 1);
    // Page numbers past the 128 pages, or 0, draw nothing.
    s.Run("CLS(0);MENU(0,0,40,10,0,0,0,0,0,2,129,0);MSHW;MENU(0,0,40,10,0,0,0,0,0,2,0,0);MSHW;");
    EXPECT_EQ(s.Count(kBlack), 64 * 80);
}

TEST(HotZones, EveryStyleUnpressed) {
    Screen s(64, 64);
    PutPicture(s.rom, 2, 40, 40, 0x100000);
    // Zone 0 at (10, 10), 20 x 10, drawn by its style after CLS.
    struct Case {
        const char* statements;
        std::vector<std::tuple<int, int, int>> pixels;  // (x, y, colour number); -1: black
    };
    const Case cases[] = {
        {"BTN(1,10,10,30,20,0);", {{10, 10, -1}}},
        {"BTN(1,10,10,30,20,1);", {{10, 10, 17}, {30, 20, 17}, {11, 11, -1}}},
        {"BTN(1,10,10,30,20,2);", {{10, 10, 19}, {29, 10, 19}, {10, 19, 19}, {30, 10, 20}, {10, 20, 20},
                                   {30, 20, -1}, {11, 11, -1}}},
        {"BTN(1,10,10,30,20,3);", {{10, 10, 17}, {11, 11, 17}, {29, 19, 17}, {12, 12, -1}}},
        {"BTN(1,10,10,30,20,4);", {{10, 10, 19}, {11, 11, 19}, {29, 11, 20}, {11, 19, 20}, {29, 19, -1}}},
        {"BTN(1,10,10,30,20,7);", {{10, 10, 40}, {11, 11, 50}, {12, 12, -1}}},
        {"BTN(1,522,10,542,20,7);", {{10, 10, 41}, {11, 11, 51}}},  // a = 1 above the 9 bits of x
        {"BTN(1,10,10,30,20,8);", {{10, 10, -1}}},
        {"BTN(1,10,10,30,20,17);", {{10, 10, 17}}},  // only the low 4 bits count
        {"PBTN(1,10,10,20,10,5,0,0);", {{10, 10, -1}}},  // slot 5 has no picture
    };
    for (const Case& c : cases) {
        s.Run(std::string("CLS(0);") + c.statements);
        EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {10, 10, 30, 20})) << c.statements;
        for (const auto& [x, y, colour] : c.pixels)
            EXPECT_EQ(s.At(x, y), colour < 0 ? kBlack : s.Colour(colour)) << c.statements << " at " << x << "," << y;
    }
    // Style 6: the part of the slot's picture under the zone.
    s.Run("CLS(0);BPIC(5,4,6,2,1);PBTN(1,10,10,20,10,13,0,0);");
    EXPECT_EQ(s.At(10, 10), PictureRgb(6, 4));
    EXPECT_EQ(s.At(29, 19), PictureRgb(25, 13));
    EXPECT_EQ(s.At(30, 10), kBlack);
}

TEST(HotZones, ZoneNumbersAndWideScreens) {
    Screen s(200, 64);
    s.Run("BTN(1,600,10,700,50,1);");  // x keeps 9 bits: 600 - 512 = 88
    EXPECT_EQ(s.At(88, 10), s.Colour(17));
    EXPECT_EQ(s.At(188, 50), s.Colour(17));
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {88, 10, 188, 50}));
    const auto& zones = s.cmd.Screen().widgets.zones;
    s.Run("CLS(0);BTN(1,50,10,20,30,1);");  // x1 not below x2: nothing
    EXPECT_EQ(zones[0].w, 0);
    EXPECT_EQ(s.Count(kBlack), 200 * 64);
    s.Run("BTN(0,1,2,3,4,1);BTN(33,1,2,5,4,1);");
    EXPECT_EQ(zones[31].w, 2);
    EXPECT_EQ(zones[0].w, 4);
    s.Run("TSIN(16,5,6,100,18,1,2);");
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {5, 6, 100, 22}));
    EXPECT_EQ(s.cmd.Screen().widgets.input.length, 2);
    s.Run("CLS(0);");
    EXPECT_EQ(zones[31].w, 0);
    EXPECT_EQ(zones[0].w, 0);
    EXPECT_EQ(s.cmd.Screen().widgets.input.mode, 0);
}

TEST(HotZones, IconButtonsFromTheSheet) {
    Screen s(100, 20);
    PutPicture(s.rom, 11, 800, 40, 0x100000);
    s.Run("TICN(11,10,10);");
    const IconSheet& sheet = s.cmd.Screen().widgets.icons;
    EXPECT_EQ(sheet.icon_width, 80);
    EXPECT_EQ(sheet.icon_height, 4);
    s.Run("BICN(2,0,0,3,4,65);");
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {0, 0, 80, 4}));
    for (int x = 0; x < 80; ++x)
        for (int y = 0; y < 4; ++y) ASSERT_EQ(s.At(x, y), PictureRgb(240 + x, y)) << x << "," << y;
    EXPECT_EQ(s.At(80, 0), kBlack);
    EXPECT_EQ(s.At(0, 4), kBlack);
    // A zero grid, or an unusable picture, leaves the sheet as it was.
    s.Run("TICN(11,0,10);TICN(11,10,0);TICN(12,1,1);");
    EXPECT_EQ(sheet.pn, 11);
    EXPECT_EQ(sheet.xn, 10);
}

}  // namespace
}  // namespace quelmo::test

namespace quelmo::test {
namespace {

TEST(Menu, TitlesAreDrawnAsSingleLinesOfText) {
    // The built-in 8 x 16 ASC font has one glyph here: 'A' as a full first column.
    Screen s(64, 40);
    THashTable pages;
    s.cmd.SetPages(&pages);
    for (int b = 0; b < 16; ++b) s.rom.Image()[0x75000 + 0x21 * 16 + b] = b < 2 ? 0xFF : 0x00;
    pages.SetValue("pgcn0", "MDF(1,0,'A');");
    s.Run("MENU(0,0,40,20,0,0,5,16,0,1,1,0);MSHW;");
    // Item 0 is selected (61); its title starts at x1 + ax2 = 5, (20 - 16) / 2 = 2 down, in colour 15.
    for (int y = 2; y < 18; ++y) EXPECT_EQ(s.At(5, y), s.Colour(15)) << y;
    EXPECT_EQ(s.At(6, 2), s.Colour(61));   // the glyph's paper is the item's colour
    EXPECT_EQ(s.At(5, 1), s.Colour(61));
    EXPECT_EQ(s.At(5, 18), s.Colour(61));
}

}  // namespace
}  // namespace quelmo::test
