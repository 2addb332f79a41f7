#include "shell/navigation.h"

#include <gtest/gtest.h>

#include <string>

namespace quelmo {
namespace {

TEST(Navigation, ReturnWalksBackToTheStartPageAndStopsThere) {
    Navigation nav;
    for (const char* name : {"A", "B", "C"}) nav.Navigate(name);
    EXPECT_EQ(nav.Current(), "C");
    EXPECT_EQ(nav.Depth(), 3);
    for (const char* expected : {"B", "A", "start"}) {
        ASSERT_TRUE(nav.Return());
        EXPECT_EQ(nav.Current(), expected);
    }
    EXPECT_FALSE(nav.CanReturn());
    EXPECT_FALSE(nav.Return());
    EXPECT_EQ(nav.Current(), "start");
    EXPECT_EQ(nav.Depth(), 0);
}

TEST(Navigation, StartResetsTheDepthFromDeepInTheHistory) {
    Navigation nav;
    for (const char* name : {"A", "B", "C"}) nav.Navigate(name);
    nav.Navigate("start");
    EXPECT_EQ(nav.Depth(), 0);
    EXPECT_FALSE(nav.Return());
    // A new chain overwrites the old one from entry 1.
    nav.Navigate("D");
    ASSERT_TRUE(nav.Return());
    EXPECT_EQ(nav.Current(), "start");
}

TEST(Navigation, ReturnThenNavigateReplacesTheEntryAbove) {
    Navigation nav;
    nav.Navigate("A");
    nav.Navigate("B");
    nav.Return();
    nav.Navigate("C");
    EXPECT_EQ(nav.Depth(), 2);
    ASSERT_TRUE(nav.Return());
    EXPECT_EQ(nav.Current(), "A");
}

TEST(Navigation, AFullHistoryDropsItsOldestEntryAndKeepsStart) {
    Navigation nav;
    const int total = shell::kHistorySize + 40;  // well past the 256 entries above "start"
    for (int i = 1; i <= total; ++i) nav.Navigate("w" + std::to_string(i));
    EXPECT_EQ(nav.Depth(), shell::kHistorySize - 1);
    EXPECT_EQ(nav.Current(), "w" + std::to_string(total));
    // The 256 latest windows come back newest first, then "start".
    for (int i = total - 1; i > total - shell::kHistorySize + 1; --i) {
        ASSERT_TRUE(nav.Return());
        ASSERT_EQ(nav.Current(), "w" + std::to_string(i));
    }
    ASSERT_TRUE(nav.Return());
    EXPECT_EQ(nav.Current(), "start");
    EXPECT_FALSE(nav.Return());
}

}  // namespace
}  // namespace quelmo
