// The application context, its helpers and the GBK conversion at the edges.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <stdlib.h>
#include <unistd.h>

#include "core/file_write.h"
#include "core/gbk.h"
#include "display/tcmd.h"
#include "shell/context.h"
#include "flash/trom.h"
#include "core/hashtable.h"
#include "support/cli.h"

namespace quelmo::test {
namespace {

TEST(Context, CreatesItsSingletonsWithoutTouchingTheDisk) {
    TempDir dir;
    const auto workdir = dir.path() / "work";
    Tglobal g(workdir);
    EXPECT_EQ(g.Rom().Image()[0], 0xFF);
    EXPECT_EQ(g.Rom().Image()[Trom::Size() - 1], 0xFF);
    EXPECT_EQ(g.Rom().MemorySize(), 16);
    EXPECT_EQ(g.Settings().Count(), 0u);
    EXPECT_EQ(g.Cmd().OffsetX(), 0);
    EXPECT_EQ(g.Cmd().Bounds().x1, -1);
    EXPECT_EQ(g.Workspace(), workdir / "temp");
    EXPECT_FALSE(std::filesystem::exists(workdir));
}

TEST(Context, IntegerHelperTakesOnlyASignAndDigits) {
    const std::pair<const char*, int> cases[] = {
        {"42", 42}, {"-12", -12}, {"+7", 7}, {"", 0}, {"abc", 0}, {"12a", 0}, {" 5", 0},
        {"-", 0},   {"+-3", 0},   {"2147483647", 2147483647}, {"2147483648", 0}, {"0x10", 0},
    };
    for (auto [text, value] : cases) EXPECT_EQ(Tglobal::ToInt(text), value) << '"' << text << '"';
}

TEST(Context, RemoveFolderDeletesTheTreeWithoutAsking) {
    TempDir dir;
    const auto temp = dir.path() / "temp";
    std::filesystem::create_directories(temp / "pic" / "deep");
    std::ofstream(temp / "pic" / "deep" / "a.jpg") << "x";
    EXPECT_TRUE(RemoveFolder(temp));
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_TRUE(RemoveFolder(temp));  // nothing there: still gone
}

TEST(Gbk, ConvertsBothWays) {
    EXPECT_EQ(Utf8ToGbk("汉字ABC"), "\xBA\xBA\xD7\xD6" "ABC");
    EXPECT_EQ(GbkToUtf8("\xBA\xBA\xD7\xD6" "ABC"), "汉字ABC");
    EXPECT_EQ(Utf8ToGbk("CLS(0);"), "CLS(0);");
    bool ok = false;
    EXPECT_EQ(Utf8ToGbk("a😀b", &ok), "a?b");  // not in GBK
    EXPECT_FALSE(ok);
    EXPECT_EQ(GbkToUtf8("a\xFF", &ok), "a\xEF\xBF\xBD");
    EXPECT_FALSE(ok);
    EXPECT_EQ(GbkToUtf8("", &ok), "");
    EXPECT_TRUE(ok);

    // Long ASCII runs before, between and after other characters, across the eight-byte steps;
    // GBK trail bytes in the ASCII range stay part of their character.
    const std::string run(13, 'x');
    struct Case {
        std::string utf8, gbk;
    } cases[] = {
        {run + "汉" + run, run + "\xBA\xBA" + run},
        {"ABCDEFG汉", "ABCDEFG\xBA\xBA"},
        {"ABCDEFGH汉", "ABCDEFGH\xBA\xBA"},
        {run + "丂@", run + "\x81\x40@"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToGbk(c.utf8, &ok), c.gbk) << c.utf8;
        EXPECT_TRUE(ok) << c.utf8;
        EXPECT_EQ(GbkToUtf8(c.gbk, &ok), c.utf8) << c.utf8;
        EXPECT_TRUE(ok) << c.utf8;
    }
    EXPECT_EQ(Utf8ToGbk(run + "\xE6\xB1", &ok), run + "?");  // cut short after an ASCII run
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace quelmo::test

namespace quelmo::test {
namespace {

// No home and a working folder that was removed under the program: the work folder is the
// relative "quelmo", and nothing is thrown at the caller.
TEST(ContextDeathTest, WorkdirWithoutHomeOrWorkingFolderIsRelative) {
    EXPECT_EXIT(
        {
            TempDir gone;
            const std::filesystem::path cwd = gone.path() / "cwd";
            std::filesystem::create_directories(cwd);
            if (::chdir(cwd.c_str()) != 0) std::_Exit(2);
            std::filesystem::remove(cwd);
            for (const char* name : {"QUELMO_HOME", "XDG_DATA_HOME", "HOME"}) ::unsetenv(name);
            std::_Exit(ResolveWorkdir() == std::filesystem::path("quelmo") ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace quelmo::test
