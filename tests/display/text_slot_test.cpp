// Text over background slots: glyph ink over the slot's picture, the picture cut out under the
// free parts of a label, and the plain paths when a slot has no usable picture.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/flash_pictures.h"
#include "support/screen.h"

namespace quelmo::test {
namespace {

constexpr uint32_t kPixels = 0x200000;

// 'A' and 'B' of the built-in 8 x 16 font with a different byte in every place.
struct SlotScreen : Screen {
    SlotScreen() : Screen(120, 40) {
        for (int code : {'A', 'B'})
            for (int i = 0; i < 16; ++i) rom.Image()[flash::kAsc16 + (code - 0x20) * 16 + i] = static_cast<uint8_t>(code * 13 + i * 29);
    }
    bool Ink(int code, int col, int row) const {
        return (rom.Image()[flash::kAsc16 + (code - 0x20) * 16 + col * 2 + row / 8] >> (row % 8)) & 1;
    }
    // Glyph `code` at (x, y) over the slot's picture placed at (sx, sy).
    void ExpectOverPicture(int code, int x, int y, int sx, int sy) const {
        for (int c = 0; c < 8; ++c)
            for (int r = 0; r < 16; ++r)
                ASSERT_EQ(At(x + c, y + r), Ink(code, c, r) ? Colour(1) : PictureRgb(x + c - sx, y + r - sy)) << c << "," << r;
    }
};

TEST(TextOverSlot, GlyphInkOverThePictureAndPlainWhereTheCellLeavesIt) {
    SlotScreen s;
    PutPicture(s.rom, 1, 60, 30, kPixels);
    s.Run("BPIC(1,2,1,1,1);SBC(2);PS16(1,10,5,'AB',1,0);PS16(9,54,5,'A',1,0);");
    s.ExpectOverPicture('A', 10, 5, 2, 1);
    s.ExpectOverPicture('B', 18, 5, 2, 1);
    // At x = 54 the cell reaches the picture's last column (54 + 8 is not below 2 + 60): plain.
    for (int r = 0; r < 16; ++r) EXPECT_EQ(s.At(54, 5 + r), s.Ink('A', 0, r) ? s.Colour(1) : s.Colour(2));
}

TEST(TextOverSlot, EmptyOrUnusableSlotsDrawPlainOrNothing) {
    SlotScreen s;
    PutPicture(s.rom, 1, 60, 30, kPixels);
    PutPicture(s.rom, 2, 1025, 30, kPixels, false);
    s.Run("BPIC(1,0,0,1,1);CLS(0);SBC(2);PS16(1,0,0,'A',1,0);");  // CLS empties the slot
    for (int r = 0; r < 16; ++r) EXPECT_EQ(s.At(0, r), s.Ink('A', 0, r) ? s.Colour(1) : s.Colour(2));
    s.Run("CLS(0);BPIC(3,0,0,2,1);PS16(3,0,0,'AB',1,0);");  // a record 1025 wide: nothing drawn
    EXPECT_EQ(s.Count(0xFF000000u), 120 * 40);
    EXPECT_EQ(s.cmd.Bounds().x2, 16);
}

TEST(TextOverSlot, LabelCutsThePictureUnderTheFreeParts) {
    SlotScreen s;
    PutPicture(s.rom, 4, 110, 20, kPixels);
    s.Run("BPIC(6,0,0,4,1);SBC(2);PLAB(16,0,0,100,'AB',1,1,6);");
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 42; ++x) ASSERT_EQ(s.At(x, y), PictureRgb(x, y)) << x << "," << y;
        for (int x = 58; x < 100; ++x) ASSERT_EQ(s.At(x, y), PictureRgb(x, y)) << x << "," << y;
    }
    s.ExpectOverPicture('A', 42, 0, 0, 0);
    s.ExpectOverPicture('B', 50, 0, 0, 0);
    EXPECT_EQ(s.At(100, 0), 0xFF000000u);
    EXPECT_EQ(s.At(0, 16), 0xFF000000u);
    const auto b = s.cmd.Bounds();
    EXPECT_EQ(std::vector<int>({b.x1, b.y1, b.x2, b.y2}), std::vector<int>({0, 0, 100, 16}));
    // Slot 14 & 7 = 6 as well; an empty slot gives a plain label.
    s.Run("CLS(0);PLAB(16,0,20,100,'AB',1,2,14);");
    EXPECT_EQ(s.At(0, 20), s.Colour(2));
}

}  // namespace
}  // namespace quelmo::test
