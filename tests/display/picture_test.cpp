#include <gtest/gtest.h>

#include "support/screen.h"
#include "support/flash_pictures.h"

namespace quelmo::test {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;

// True when the w x h area at (x, y) shows the picture's columns from c0 and rows from r0.
::testing::AssertionResult Shows(const Screen& s, int x, int y, int w, int h, int c0, int r0) {
    for (int i = 0; i < w; ++i)
        for (int j = 0; j < h; ++j)
            if (s.At(x + i, y + j) != PictureRgb(c0 + i, r0 + j))
                return ::testing::AssertionFailure() << "pixel (" << x + i << ", " << y + j << ")";
    return ::testing::AssertionSuccess();
}

bool SameBounds(const Tgd::Rect& a, const Tgd::Rect& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

TEST(Pictures, WholePictureAndItsRefusals) {
    Screen s(128, 64);
    PutPicture(s.rom, 1, 30, 20, 0x100000);
    PutPicture(s.rom, 2, 1025, 1, 0x200000, false);
    PutPicture(s.rom, 3, 2, 2, 0xFFFE00);  // its only block reaches the last byte: reads FF
    s.Run("PIC(5,6,1);");
    EXPECT_TRUE(Shows(s, 5, 6, 30, 20, 0, 0));
    EXPECT_EQ(s.Count(kBlack), 128 * 64 - 600);
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {5, 6, 35, 26}));

    s.Run("CLS(0);PIC(0,0,2);");
    EXPECT_EQ(s.Count(kBlack), 128 * 64);
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {-1, -1, -1, -1}));
    s.Run("PIC(0,0,512);");
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {-1, -1, -1, -1}));

    s.Run("PIC(0,0,3);");
    EXPECT_EQ(s.Count(Tgd::ModuleToDesktop(0xFFFF)), 4);
}

TEST(Pictures, CutMustFitAndShowsAtMost255Rows) {
    Screen s(128, 400);
    PutPicture(s.rom, 4, 100, 50, 0x100000);
    s.Run("CPIC(10,10,4,90,0,10,50);");
    EXPECT_TRUE(Shows(s, 10, 10, 10, 50, 90, 0));
    EXPECT_EQ(s.Count(kBlack), 128 * 400 - 500);
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {10, 10, 20, 60}));
    s.Run("CLS(0);CPIC(10,10,4,91,0,10,50);CPIC(0,0,4,0,1,1,50);CPIC(0,0,0,0,0,1,1);");
    EXPECT_EQ(s.Count(kBlack), 128 * 400);

    // Rows: (2 h mod 512) / 2 of them.
    PutPicture(s.rom, 5, 2, 300, 0x200000, false);
    for (const auto& [h, rows] : {std::pair{300, 44}, std::pair{256, 0}, std::pair{255, 255}}) {
        s.Run("CLS(0);CPIC(0,0,5,0,0,1," + std::to_string(h) + ");");
        EXPECT_EQ(s.Count(kBlack), 128 * 400 - rows) << h;
        EXPECT_EQ(s.cmd.Bounds().y2, h);
    }
}

TEST(Pictures, IconFromASheet) {
    Screen s(64, 48);
    PutPicture(s.rom, 6, 100, 40, 0x100000);
    s.Run("ICON(0,0,6,10,2,13);");
    EXPECT_TRUE(Shows(s, 0, 0, 10, 20, 30, 20));
    EXPECT_EQ(s.Count(kBlack), 64 * 48 - 200);
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {0, 0, 10, 20}));
    // A zero grid draws nothing; an icon past the grid reads on into later columns.
    s.Run("CLS(0);ICON(0,0,6,0,2,1);ICON(0,0,6,10,0,1);");
    EXPECT_EQ(s.Count(kBlack), 64 * 48);
    s.Run("ICON(0,0,6,10,2,20);");  // row 2 starts at sheet row 40 = column + 1, row 0
    EXPECT_TRUE(Shows(s, 0, 0, 10, 20, 1, 0));
}

TEST(Pictures, IconColumnsOfTheTallestSheet) {
    Screen s(4, 1100);
    PutPicture(s.rom, 7, 2, 1024, 0x100000, false);
    s.Run("ICON(0,0,7,1,1,0);");
    EXPECT_TRUE(SameBounds(s.cmd.Bounds(), {0, 0, 2, 1024}));
    EXPECT_EQ(s.Count(kBlack), 4 * 1100 - 2 * 1024);
}

TEST(Pictures, BackgroundSlotsAndCls) {
    Screen s(64, 64);
    PutPicture(s.rom, 5, 4, 4, 0x100000);
    s.Run("BPIC(2,10,20,5,1);");
    EXPECT_EQ(s.Count(kBlack), 64 * 64);
    const Tgd& gd = s.cmd.Screen();
    EXPECT_EQ(gd.Background(2).pn, 5);
    s.Run("BPIC(10,10,20,5);");  // slot 10 & 7 = 2, drawn
    EXPECT_TRUE(Shows(s, 10, 20, 4, 4, 0, 0));
    EXPECT_EQ(gd.Background(2).x, 10);

    s.Run("BPIC(3,20,30,7,1);CLS(0);");
    EXPECT_EQ(gd.Background(3).x, 20);
    EXPECT_EQ(gd.Background(3).y, 30);
    EXPECT_EQ(gd.Background(3).pn, 0);
    EXPECT_EQ(gd.Background(2).pn, 0);
}

}  // namespace
}  // namespace quelmo::test
