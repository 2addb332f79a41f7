// The font settings rules and the font build run over a settings store and a temporary folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/gbk.h"
#include "fonts/build_run.h"
#include "fonts/canvas.h"
#include "fonts/settings.h"
#include "fonts/tmakefont.h"
#include "core/hashtable.h"
#include "support/file_limits.h"
#include "support/scratch_dir.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;
using namespace fontset;

constexpr char kNotSet[] = "未设置(需要设置才能生成点阵)";

void SetAll(THashTable& store) {
    for (int n : kSizes) {
        ASSERT_TRUE(ApplyChinese(store, n, {Utf8ToGbk("宋体"), kHzPart, Utf8ToGbk("汉字\r\n薄")}).ok());
        ApplyAsc(store, n, {Utf8ToGbk("DejaVu Sans"), true, kAscAll, ""});
    }
}

TEST(FontSettings, NewProjectShowsEightUnsetLinesAndNoMake) {
    THashTable store;
    const auto lines = StatusLines(store);
    ASSERT_EQ(lines.size(), 8u);
    for (const auto& l : lines) EXPECT_EQ(l.text, kNotSet);
    EXPECT_FALSE(MakeEnabled(store));
    SetAll(store);
    EXPECT_TRUE(MakeEnabled(store));
    store.SetValue("asc48zt", "");
    EXPECT_FALSE(MakeEnabled(store));
}

TEST(FontSettings, DialogChoicesShowInTheStatusLines) {
    THashTable store;
    SetAll(store);
    ASSERT_TRUE(ApplyChinese(store, 24, {Utf8ToGbk("宋体"), kHzGbk, ""}).ok());
    ASSERT_TRUE(ApplyChinese(store, 32, {Utf8ToGbk("宋体"), kHzGb2312, ""}).ok());
    ApplyAsc(store, 48, {"Arial", false, kAscPart, "abc"});
    EXPECT_EQ(store.GetInt("hz24bf"), 2);
    const auto lines = StatusLines(store);
    auto find = [&](int size, bool chinese) {
        return std::find_if(lines.begin(), lines.end(), [&](auto& l) { return l.size == size && l.chinese == chinese; })->text;
    };
    EXPECT_EQ(find(24, true), "字体:宋体  GBK汉字(简繁体全字库)");
    EXPECT_EQ(find(32, true), "字体:宋体  GB2312汉字(简体全字库)");
    EXPECT_EQ(find(48, true), "字体:宋体  部分汉字(小字库)");
    EXPECT_EQ(find(32, false), "字体:DejaVu Sans  全部96个ASC字符 强制等宽");
    EXPECT_EQ(find(48, false), "字体:Arial  部分ASC字符");
    EXPECT_EQ(store.GetInt("asc32dk"), 1);
}

TEST(FontSettings, FullSetsThatCannotBeBuiltAreRefusedAndNothingIsStored) {
    THashTable store;
    SetAll(store);
    struct Case { int size; int set; const char* message; };
    for (const Case c : {Case{64, kHzGb2312, kNoFullFont64}, Case{64, kHzGbk, kNoFullFont64}, Case{48, kHzGbk, kNoGbk48}}) {
        const Status s = ApplyChinese(store, c.size, {"X", c.set, "Y"});
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().message, c.message);
        EXPECT_EQ(LoadChinese(store, c.size).set, kHzPart);
        EXPECT_EQ(LoadChinese(store, c.size).face, Utf8ToGbk("宋体"));
    }
    EXPECT_TRUE(ApplyChinese(store, 48, {"X", kHzGb2312, ""}).ok());
    SetGbk16(store, true);
    EXPECT_EQ(store.GetInt("hz16bf"), 4);
    SetGbk16(store, false);
    EXPECT_EQ(store.GetInt("hz16bf"), 0);
    EXPECT_EQ(LoadAsc(THashTable{}, 24).face, Utf8ToGbk("宋体"));
}

struct BuildRun : ::testing::Test {
    BuildRun() : mf(canvas) {
        mf.ResetDefaults();
        dir = fs::temp_directory_path() / ("quelmo-fontrun-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        SetAll(store);
    }
    ~BuildRun() override { fs::remove_all(dir); }
    Status Build() {
        log.clear();
        FontBuildEvents ev;
        ev.log = [this](const std::string& l) { log.push_back(l); };
        return RunFontBuild(mf, store, dir, ev);
    }
    int Count(const std::string& prefix) const {
        return static_cast<int>(std::count_if(log.begin(), log.end(), [&](auto& l) { return l.rfind(prefix, 0) == 0; }));
    }
    int Line(const std::string& text) const {
        return static_cast<int>(std::find(log.begin(), log.end(), text) - log.begin());
    }
    std::vector<uint8_t> Read(const char* name) const {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    MonoCanvas canvas;
    Tmakefont mf;
    THashTable store;
    fs::path dir;
    std::vector<std::string> log;
};

TEST_F(BuildRun, SmallLibrariesOnlyWriteTheMiniFont) {
    ASSERT_TRUE(Build().ok());
    EXPECT_EQ(Count("开始生成"), 8);
    EXPECT_EQ(Count("使用字体:"), 8);
    EXPECT_EQ(Count("生成完成"), 8);
    EXPECT_EQ(log[0], "开始生成24点阵的asc字符");
    EXPECT_EQ(log[1], "使用字体:DejaVu Sans");
    EXPECT_EQ(log[2], "实际字体:DejaVu Sans");
    EXPECT_EQ(log[3].rfind("自动使用参数: 宽:", 0), 0u) << log[3];
    EXPECT_NE(std::find(log.begin(), log.end(), "实际字体:WenQuanYi Zen Hei"), log.end());
    const auto idx = Read("mini.idx");
    ASSERT_EQ(idx.size(), 8192u);
    for (int region = 0; region < 4; ++region) {
        const uint8_t* r = idx.data() + region * 2048;
        EXPECT_EQ(r[94 * 4 + 1], 0x7E);
        EXPECT_EQ(std::vector<int>({r[95 * 4], r[95 * 4 + 1], r[96 * 4], r[97 * 4], r[98 * 4]}),
                  std::vector<int>({0xBA, 0xBA, 0xD7, 0xB1, 0xFF}));  // 汉 字 薄, CR LF removed
    }
    EXPECT_FALSE(Read("mini.sbin").empty());
    for (const char* f : {"hz16.sbin", "hz24.sbin", "hz32.sbin", "hz48.sbin"}) EXPECT_FALSE(fs::exists(dir / f)) << f;
}

TEST_F(BuildRun, FullFontsFollowTheMiniFontAndTakeNoRecords) {
    store.SetInt("hz24bf", kHzGb2312);
    SetGbk16(store, true);
    store.SetValue("hz32memo", "");
    ASSERT_TRUE(Build().ok());
    EXPECT_EQ(fs::file_size(dir / "hz24.sbin"), 588816u);
    EXPECT_EQ(fs::file_size(dir / "hz16.sbin"), 770112u);
    const auto idx = Read("mini.idx");
    EXPECT_EQ(idx[95 * 4], 0xFF);             // 24: ASC records only
    EXPECT_EQ(idx[2048 + 95 * 4], 0xFF);      // 32: an empty small library
    // The 16-pixel GBK font comes after the mini font (64 pixels last) and before the 24-pixel full font.
    EXPECT_EQ(std::count(log.begin(), log.end(), "开始生成24点阵的汉字"), 1);
    EXPECT_LT(Line("开始生成64点阵的汉字"), Line("开始生成16点阵的汉字"));
    EXPECT_LT(Line("开始生成16点阵的汉字"), Line("开始生成24点阵的汉字"));
    EXPECT_LT(Line("开始生成24点阵的汉字"), static_cast<int>(log.size()));
}

TEST_F(BuildRun, AFaceThatIsNotInstalledBuildsWithTheMatchAndSaysWhich) {
    store.SetValue("hz64zt", "No Such Face");
    ASSERT_TRUE(Build().ok());
    const int at = Line("使用字体:No Such Face");
    ASSERT_LT(at + 1, static_cast<int>(log.size()));
    EXPECT_EQ(log[static_cast<size_t>(at) + 1], "实际字体:WenQuanYi Zen Hei");
    EXPECT_EQ(Read("mini.idx")[3 * 2048 + 95 * 4], 0xBA);  // 汉 made it into the 64-pixel region
}

// A build that fails part-way, with the mini font already made, leaves every old font file as
// it was: the disk fills up while the 24-pixel full font is written, or its name is taken by a
// folder so it cannot be put in place.
TEST_F(BuildRun, ABuildThatFailsPartWayLeavesTheOldFiles) {
    store.SetInt("hz24bf", kHzGb2312);
    ASSERT_TRUE(Build().ok());
    ASSERT_EQ(fs::file_size(dir / "hz24.sbin"), 588816u);
    // The next build would make other mini font files.
    ASSERT_TRUE(ApplyChinese(store, 32, {Utf8ToGbk("宋体"), kHzPart, Utf8ToGbk("薄")}).ok());
    const auto before = Snapshot(dir);

    EXPECT_EQ(WithFileSizeLimit(256 * 1024, [&] { return Build().ok(); }), 1);
    EXPECT_EQ(Snapshot(dir), before);

    fs::remove(dir / "hz24.sbin");
    fs::create_directories(dir / "hz24.sbin/in-the-way");
    const auto blocked = Snapshot(dir);
    const Status s = Build();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().message.rfind("cannot write " + (dir / "hz24.sbin").string() + ": ", 0), 0u) << s.error().message;
    EXPECT_EQ(Snapshot(dir), blocked);

    fs::remove_all(dir / "hz24.sbin");
    ASSERT_TRUE(Build().ok());
    EXPECT_NE(Read("mini.idx"), std::vector<uint8_t>(before.at("mini.idx").begin(), before.at("mini.idx").end()));
    EXPECT_EQ(fs::file_size(dir / "hz24.sbin"), 588816u);
}

TEST_F(BuildRun, Gbk48IsRefusedBeforeAnythingIsWritten) {
    store.SetInt("hz48bf", kHzGbk);  // as a hand-edited project would hold it
    const Status s = Build();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().message, kNoGbk48);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(fs::exists(dir / "mini.idx"));
}

}  // namespace
}  // namespace quelmo::test
