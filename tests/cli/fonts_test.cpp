#include <gtest/gtest.h>

#include <filesystem>

#include "core/gbk.h"
#include "core/hashtable.h"
#include "support/cli.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

CliRun Fonts(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--workdir", dir.path().string(), "fonts"});
    return RunQuelmo(args);
}

THashTable Store(const TempDir& dir) {
    THashTable t;
    EXPECT_TRUE(t.Load(dir.path() / "temp", "prj.ini").ok());
    return t;
}

void SetUpAll(const TempDir& dir) {
    for (const char* n : {"24", "32", "48", "64"}) {
        auto r = Fonts(dir, {"set", n, "--hz-face", "宋体", "--hz-chars", "汉字", "--asc-face", "DejaVu Sans", "--proportional"});
        ASSERT_EQ(r.exit_code, 0) << r.err;
    }
}

TEST(FontsCommand, NothingSetMeansNoMake) {
    TempDir dir;
    auto status = Fonts(dir, {"status"});
    ASSERT_EQ(status.exit_code, 0) << status.err;
    EXPECT_NE(status.out.find("hz24: 未设置(需要设置才能生成点阵)\nasc24: 未设置(需要设置才能生成点阵)\n"), std::string::npos);
    EXPECT_NE(status.out.find("make: disabled"), std::string::npos);
    auto build = Fonts(dir, {"build"});
    EXPECT_EQ(build.exit_code, 1);
    EXPECT_EQ(build.err, "quelmo: Note: Need to finish all above 8 setup, then can generate pixel data\n");
    EXPECT_FALSE(fs::exists(dir.path() / "temp" / "mini.idx"));
}

TEST(FontsCommand, RefusedSetsChangeNothing) {
    TempDir dir;
    SetUpAll(dir);
    struct Case { std::vector<std::string> args; int code; std::string err; };
    const Case cases[] = {
        {{"set", "64", "--hz-set", "gb2312"}, 1, "quelmo: 64点阵暂不支持全字库，请选择小字库(部分汉字)\n"},
        {{"set", "48", "--hz-set", "gbk", "--hz-face", "X"}, 1, "quelmo: 48点阵暂不支持GBK全字库，请选择GB2312全字库或小字库(部分汉字)\n"},
        {{"set", "16", "--hz-face", "X"}, 2, "quelmo: SIZE must be 24, 32, 48 or 64\n"},
        {{"set", "24", "--hz-set", "big5"}, 2, ""},
        {{"set", "24", "--same-width", "--proportional"}, 2, ""},
        {{"gbk16", "maybe"}, 2, ""},
    };
    for (const auto& c : cases) {
        auto r = Fonts(dir, c.args);
        EXPECT_EQ(r.exit_code, c.code) << c.args[1];
        if (!c.err.empty()) {
            EXPECT_EQ(r.err, c.err);
        }
    }
    const THashTable t = Store(dir);
    EXPECT_EQ(t.GetInt("hz64bf"), 0);
    EXPECT_EQ(t.GetInt("hz48bf"), 0);
    EXPECT_EQ(GbkToUtf8(t.GetValue("hz48zt")), "宋体");
}

TEST(FontsCommand, SetStoresTheKeysAndGbk16Switches) {
    TempDir dir;
    auto r = Fonts(dir, {"set", "32", "--hz-set", "gbk", "--asc-face", "DejaVu Sans", "--asc-set", "part",
                         "--asc-chars", "0123", "--same-width"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "hz32: 字体:宋体  GBK汉字(简繁体全字库)\nasc32: 字体:DejaVu Sans  部分ASC字符 强制等宽\n");
    ASSERT_EQ(Fonts(dir, {"gbk16", "on"}).exit_code, 0);
    THashTable t = Store(dir);
    EXPECT_EQ(t.GetInt("hz32bf"), 2);
    EXPECT_EQ(t.GetInt("asc32dk"), 1);
    EXPECT_EQ(t.GetInt("asc32bf"), 1);
    EXPECT_EQ(t.GetValue("asc32memo"), "0123");
    EXPECT_EQ(t.GetInt("hz16bf"), 4);
    ASSERT_EQ(Fonts(dir, {"gbk16", "off"}).exit_code, 0);
    EXPECT_EQ(Store(dir).GetInt("hz16bf"), 0);
}

TEST(FontsCommand, BuildLogsEachStepAndWritesTheFiles) {
    TempDir dir;
    SetUpAll(dir);
    ASSERT_EQ(Fonts(dir, {"set", "24", "--hz-set", "gb2312"}).exit_code, 0);
    auto r = Fonts(dir, {"build"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("开始生成24点阵的asc字符\n使用字体:DejaVu Sans\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("实际字体:WenQuanYi Zen Hei\n"), std::string::npos);
    EXPECT_NE(r.out.find("开始生成24点阵的汉字\n"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - std::string("生成完成\n汉字点阵生成完成！\n").size()), "生成完成\n汉字点阵生成完成！\n");
    EXPECT_NE(r.err.find("] 100%"), std::string::npos);
    EXPECT_EQ(fs::file_size(dir.path() / "temp" / "hz24.sbin"), 588816u);
    EXPECT_EQ(fs::file_size(dir.path() / "temp" / "mini.idx"), 8192u);
}

TEST(FontsCommand, CollectAddsThePagesCharactersOfEachSize) {
    TempDir dir;
    SetUpAll(dir);
    THashTable t = Store(dir);
    t.SetValue("pgcn0", Utf8ToGbk("DS24(0,0,'汉薄',1);LABL(24,0,0,99,'A啊',1,1);DS32(0,0,'中',1);\r\nLABL(32,0,0,9,'国',1,1);"));
    t.SetValue("pgcn127", Utf8ToGbk("BS24(0,0,100,0,'薄字文',1);PS24(1,0,0,'\\'本',1,0);DS16(0,0,'字',1);"));
    ASSERT_TRUE(t.Save(dir.path() / "temp", "prj.ini").ok());
    auto r = Fonts(dir, {"collect", "24"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "hz24: 6 characters in the pages, 4 added, 6 in the small library\n");
    t = Store(dir);
    EXPECT_EQ(GbkToUtf8(t.GetValue("hz24memo")), "汉字薄啊文本");
    EXPECT_EQ(GbkToUtf8(t.GetValue("hz32memo")), "汉字");
    ASSERT_EQ(Fonts(dir, {"collect"}).exit_code, 0);
    EXPECT_EQ(GbkToUtf8(Store(dir).GetValue("hz32memo")), "汉字中国");
}

TEST(FontsCommand, FacesAreSortedAndIncludeTheFreeCjkFaces) {
    TempDir dir;
    auto r = Fonts(dir, {"faces"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("WenQuanYi Zen Hei\n"), std::string::npos);
    EXPECT_NE(r.out.find("DejaVu Sans\n"), std::string::npos);
}

}  // namespace
}  // namespace quelmo::test
