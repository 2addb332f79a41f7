#include <gtest/gtest.h>

#include <fstream>

#include "display/framebuffer.h"
#include "display/tgd.h"
#include "support/cli.h"

namespace quelmo::test {
namespace {

TEST(RenderCommand, DrawsTheTextAndPrintsTheBounds) {
    TempDir dir;
    const auto png = dir.path() / "out.png";
    auto run = RunQuelmo({"--workdir", dir.path().string(), "render", "--size", "40x30", "--out", png.string(), "-"},
                         "CLS(0);\r\nBOXF(10,10,20,20,2);\nBOX(1,2,3,4,1);");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "bounds 1 2 3 4\n");
    const PixelBuffer screen = ReadPng(png);
    ASSERT_EQ(screen.width(), 40);
    ASSERT_EQ(screen.height(), 30);
    EXPECT_EQ(screen.At(10, 10), Tgd::ModuleToDesktop(0x07E0));
    EXPECT_EQ(screen.At(19, 19), Tgd::ModuleToDesktop(0x07E0));
    EXPECT_EQ(screen.At(20, 20), Rgb(0, 0, 0));
    EXPECT_EQ(screen.At(1, 2), Tgd::ModuleToDesktop(0xF800));
}

TEST(RenderCommand, ReadsAFileAndDefaultsTo320x240) {
    TempDir dir;
    const auto text = dir.path() / "page.txt";
    std::ofstream(text) << "PS(319,239,4);";
    auto run = RunQuelmo({"render", "--workdir", dir.path().string(), "--out", (dir.path() / "s.png").string(),
                          text.string()});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "bounds -1 -1 -1 -1\n");
    const PixelBuffer screen = ReadPng(dir.path() / "s.png");
    ASSERT_EQ(screen.width(), 320);
    EXPECT_EQ(screen.At(319, 239), Tgd::ModuleToDesktop(0xFFE0));
}

TEST(RenderCommand, RefusesBadInputWithStatus2) {
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {"render", "--out", (dir.path() / "a.png").string(), (dir.path() / "missing.txt").string()},
        {"render", "--size", "0x10", "--out", (dir.path() / "a.png").string(), "-"},
        {"render", "--size", "wide", "--out", (dir.path() / "a.png").string(), "-"},
        {"render", "--flash", (dir.path() / "missing.bin").string(), "--out", (dir.path() / "a.png").string(), "-"},
        {"render", "--out", (dir.path() / "no/such/folder/a.png").string(), "-"},
        {"render", "--no-such-option"},
    };
    for (const auto& args : cases) {
        auto run = RunQuelmo(args, "CLS(0);");
        EXPECT_EQ(run.exit_code, 2) << args[1];
        EXPECT_FALSE(run.err.empty()) << args[1];
    }
}

TEST(RenderCommand, TakesGbkBytesWithTheGbkFlag) {
    // A quote inside a GBK string: the statement still ends at the real closing quote.
    TempDir dir;
    auto run = RunQuelmo({"render", "--gbk", "--size", "8x8", "--out", (dir.path() / "g.png").string(), "-"},
                         "BOX(0,0,1,1,1);T('\xB5\xA5;');BOX(1,1,2,2,1);");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "bounds 1 1 2 2\n");
}

}  // namespace
}  // namespace quelmo::test
