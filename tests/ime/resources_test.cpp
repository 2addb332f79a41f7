// The ready-made keyboard pictures: caps exactly where the key rectangles are.
#include <gtest/gtest.h>

#include "ime/pymb.h"
#include "ime/resources.h"

namespace quelmo::ime {
namespace {

bool Dark(const Picture& p, int x, int y) { return p.At(x, y)[0] < 60 && p.At(x, y)[2] < 60; }
bool Blue(const Picture& p, int x, int y) { return p.At(x, y)[2] > p.At(x, y)[0] + 60; }
bool Light(const Picture& p, int x, int y) { return p.At(x, y)[0] > 120 && !Blue(p, x, y); }

TEST(KeyboardPicture, CapsFollowTheKeyRectangles) {
    auto raised = DrawKeyboard(ReadyKeyConfig(), false);
    auto pressed = DrawKeyboard(ReadyKeyConfig(), true);
    ASSERT_TRUE(raised && pressed);
    ASSERT_EQ(raised->width, 320);
    ASSERT_EQ(raised->height, 240);
    // Key 16 (q) is 1,35 .. 28,72; its edge is dark, its corners show the ground.
    EXPECT_TRUE(Light(*raised, 10, 50));
    EXPECT_TRUE(Blue(*pressed, 10, 50));
    EXPECT_TRUE(Dark(*raised, 1, 50));
    EXPECT_TRUE(Dark(*raised, 28, 72));
    EXPECT_TRUE(Light(*raised, 27, 71));
    // Between keys and below the bottom row only the ground.
    EXPECT_TRUE(Dark(*raised, 29, 50));
    EXPECT_TRUE(Dark(*pressed, 160, 220));
    // Key 52 (the wide key of the bottom row) is a function key: grey, not white.
    EXPECT_TRUE(Light(*raised, 160, 180));
    EXPECT_LT(raised->At(160, 180)[0], raised->At(10, 50)[0]);
}

TEST(KeyboardPicture, OnlyKeysWithRectanglesAreDrawn) {
    auto p = DrawKeyboard("#P05#10,10,20,20\r\n", false);
    ASSERT_TRUE(p);
    EXPECT_TRUE(Light(*p, 15, 15));
    int light = 0;
    for (int y = 0; y < p->height; ++y)
        for (int x = 0; x < p->width; ++x) light += !Dark(*p, x, y);
    EXPECT_EQ(light, 9 * 9);  // the inside of the one cap
}

}  // namespace
}  // namespace quelmo::ime
