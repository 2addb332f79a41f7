#include <gtest/gtest.h>

#include "support/screen.h"

namespace quelmo::test {
namespace {

TEST(Primitives, FilledBoxLeavesRightColumnAndBottomRow) {
    Screen s;
    s.Run("BOXF(10,10,11,11,1);");
    EXPECT_EQ(s.At(10, 10), s.Colour(1));
    EXPECT_EQ(s.Count(s.Colour(1)), 1);
}

}  // namespace
}  // namespace quelmo::test
