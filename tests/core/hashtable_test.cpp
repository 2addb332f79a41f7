#include "core/hashtable.h"

#include <gtest/gtest.h>

#include "support/file_limits.h"
#include "support/scratch_dir.h"

namespace quelmo::test {
namespace {

TEST(HashTable, FilePairHoldsOneLinePerKeyWithLineBreaksEscaped) {
    ScratchDir dir;
    THashTable t;
    t.SetInt("BTL", 6);
    t.SetValue("pgcn0", "CLS(0);\r\nCLS(1);");
    ASSERT_TRUE(t.Save(dir.path(), "prj.ini"));
    EXPECT_EQ(ReadFile(dir / "prj.ini.key"), "BTL\r\npgcn0\r\n");
    EXPECT_EQ(ReadFile(dir / "prj.ini.val"), "6\r\nCLS(0);#~@A#~@BCLS(1);\r\n");

    THashTable back;
    ASSERT_TRUE(back.Load(dir.path(), "prj.ini"));
    EXPECT_EQ(back.Keys(), t.Keys());
    EXPECT_EQ(back.GetValue("pgcn0"), "CLS(0);\r\nCLS(1);");
    EXPECT_EQ(back.GetInt("BTL"), 6);
    EXPECT_EQ(back.MismatchedLines(), 0);
}

TEST(HashTable, ReplacingAValueKeepsItsPlace) {
    THashTable t;
    t.SetValue("a", "1");
    t.SetValue("b", "2");
    t.SetValue("a", "3\n");
    EXPECT_EQ(t.Keys(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(t.GetValue("a"), "3\n");
}

TEST(HashTable, KeysAreCaseSensitive) {
    THashTable t;
    t.SetValue("BTL", "1");
    t.SetValue("btl", "2");
    EXPECT_EQ(t.Count(), 2u);
    EXPECT_EQ(t.GetInt("BTL"), 1);
    EXPECT_EQ(t.GetInt("btl"), 2);
}

TEST(HashTable, GetIntReadsOnlyWholeDecimalIntegers) {
    const struct {
        const char* stored;
        int32_t expected;
    } cases[] = {
        {"-12", -12}, {"+7", 7},   {"0", 0},  {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"", 0},      {"abc", 0},  {"12abc", 0}, {" 5", 0},  {"5 ", 0},   {"-", 0},
        {"+-5", 0},   {"2147483648", 0},         {"1.5", 0}, {"0x10", 0},
    };
    THashTable t;
    EXPECT_EQ(t.GetInt("absent"), 0);
    EXPECT_EQ(t.GetValue("absent"), "");
    for (const auto& c : cases) {
        t.SetValue("k", c.stored);
        EXPECT_EQ(t.GetInt("k"), c.expected) << '"' << c.stored << '"';
    }
}

TEST(HashTable, EscapeTextsInAValueReadBackAsLineBreaks) {
    THashTable t;
    t.SetValue("k", "a#~@Ab#~@Bc");
    EXPECT_EQ(t.GetValue("k"), "a\rb\nc");
}

TEST(HashTable, EmptyTableIsTwoEmptyFiles) {
    ScratchDir dir;
    THashTable t;
    ASSERT_TRUE(t.Save(dir.path(), "prj.ini"));
    EXPECT_EQ(ReadFile(dir / "prj.ini.key"), "");
    EXPECT_EQ(ReadFile(dir / "prj.ini.val"), "");
    t.SetValue("stale", "x");
    ASSERT_TRUE(t.Load(dir.path(), "prj.ini"));
    EXPECT_EQ(t.Count(), 0u);
}

// Files edited by hand: the key file decides how many entries there are.
TEST(HashTable, MismatchedLineCountsLetTheKeysDecide) {
    const struct {
        const char* keys;
        const char* values;  // nullptr: no value file at all
        std::vector<std::string> expected_values;
        int mismatch;
    } cases[] = {
        {"a\r\nb\r\nc\r\n", "1\r\n", {"1", "", ""}, 2},
        {"a\r\n", "1\r\n2\r\n3\r\n", {"1"}, 2},
        {"a\rb\nc", "1\n2\r3", {"1", "2", "3"}, 0},  // lone CR and lone LF end lines too
        {"a\r\n\r\nc\r\n", "1\r\n2\r\n3\r\n", {"1", "2", "3"}, 0},
        {"a\r\nb\r\n", nullptr, {"", ""}, 2},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        WriteFile(dir / "s.key", c.keys);
        if (c.values) WriteFile(dir / "s.val", c.values);
        THashTable t;
        ASSERT_TRUE(t.Load(dir.path(), "s")) << c.keys;
        ASSERT_EQ(t.Count(), c.expected_values.size()) << c.keys;
        for (size_t i = 0; i < t.Count(); ++i) EXPECT_EQ(t.GetValue(t.Keys()[i]), c.expected_values[i]) << c.keys;
        EXPECT_EQ(t.MismatchedLines(), c.mismatch) << c.keys;

        // Saving writes a consistent pair again.
        ASSERT_TRUE(t.Save(dir.path(), "s"));
        THashTable again;
        ASSERT_TRUE(again.Load(dir.path(), "s"));
        EXPECT_EQ(again.MismatchedLines(), 0);
        EXPECT_EQ(again.Count(), t.Count());
    }
}

TEST(HashTable, FailedLoadOrSaveKeepsTheContent) {
    ScratchDir dir;
    THashTable t;
    t.SetValue("k", "v");
    EXPECT_FALSE(t.Load(dir.path(), "missing"));
    EXPECT_EQ(t.GetValue("k"), "v");
    EXPECT_FALSE(t.Save(dir / "no-such-folder", "s"));
    EXPECT_EQ(t.GetValue("k"), "v");

    // A save over an older pair that fails halfway leaves no stray part files behind.
    WriteFile(dir / "blocked.val/x", "");  // a folder where the value file goes
    const auto before = Snapshot(dir.path());
    EXPECT_FALSE(t.Save(dir.path(), "blocked"));
    EXPECT_EQ(Snapshot(dir.path()), before);
}

// A save that fails on either file leaves the older pair whole: the next load must never pair
// new keys with old values.
TEST(HashTable, SaveThatFailsOnTheSecondFileKeepsTheOldPair) {
    ScratchDir dir;
    THashTable old_pair;
    old_pair.SetValue("a", "1");
    old_pair.SetValue("b", "2");
    THashTable next;  // other keys, and values long enough to fill the disk
    next.SetValue("c", std::string(6000, 'x'));
    next.SetValue("a", "3");

    // The disk fills up while the values are written: the keys (7 bytes) fit, the values not.
    ASSERT_TRUE(old_pair.Save(dir.path(), "full"));
    const auto before = Snapshot(dir.path());
    EXPECT_EQ(WithFileSizeLimit(4096, [&] { return next.Save(dir.path(), "full").ok(); }), 1);
    EXPECT_EQ(Snapshot(dir.path()), before);

    // The value file cannot be put in place (a folder took its name after the last save).
    ASSERT_TRUE(old_pair.Save(dir.path(), "placed"));
    std::filesystem::remove(dir / "placed.val");
    WriteFile(dir / "placed.val/x", "");
    const auto blocked = Snapshot(dir.path());
    EXPECT_FALSE(next.Save(dir.path(), "placed"));
    EXPECT_EQ(Snapshot(dir.path()), blocked);
    EXPECT_EQ(ReadFile(dir / "placed.key"), "a\r\nb\r\n");

    // Both written: both replaced, the values' file keeping its permission bits.
    std::filesystem::permissions(dir / "full.val", std::filesystem::perms(0640));
    ASSERT_TRUE(next.Save(dir.path(), "full"));
    THashTable back;
    ASSERT_TRUE(back.Load(dir.path(), "full"));
    EXPECT_EQ(back.Keys(), next.Keys());
    EXPECT_EQ(back.GetValue("c"), next.GetValue("c"));
    EXPECT_EQ(std::filesystem::status(dir / "full.val").permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(Snapshot(dir.path()).size(), blocked.size());  // nothing left behind
}

}  // namespace
}  // namespace quelmo::test
