#include "core/result.h"

#include <gtest/gtest.h>

#include <string>

namespace quelmo::test {
namespace {

// Taking the value of a failed result is a programming fault: the program stops there and says
// which error it held, rather than throwing through the engine's callers.
TEST(ResultDeathTest, TheValueOfAnErrorStopsTheProgramWithTheError) {
    Result<std::string> failed = Error{"cannot read pic.idx", 2};
    EXPECT_DEATH((void)failed.value(), "the value of a failed result was taken \\(error: cannot read pic.idx\\)");
    EXPECT_DEATH((void)failed->size(), "cannot read pic.idx");
    Result<int> good = 7;
    EXPECT_DEATH((void)good.error(), "the result holds a value");
    EXPECT_EQ(*good, 7);
    EXPECT_EQ(failed.error().message, "cannot read pic.idx");
}

}  // namespace
}  // namespace quelmo::test
