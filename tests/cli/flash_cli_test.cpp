// quelmo build, base and render --project, run as a user runs them.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "flash/layout.h"
#include "display/tgd.h"
#include "core/hashtable.h"
#include "support/cli.h"
#include "tests/flash/workspace.h"

namespace quelmo {
namespace {

struct FlashCli : ::testing::Test {
    test::FlashWorkspace ws;
    // Runs quelmo in the workspace's working folder.
    test::CliRun Quelmo(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), {"--workdir", ws.Root().string()});
        return test::RunQuelmo(args, input);
    }
    // Writes the project settings the build reads, as the project commands save them.
    void SaveSettings() { ASSERT_TRUE(ws.settings.Save(ws.Workspace(), "prj.ini")); }
    std::string Image() { return test::ReadFile(ws.Root() / "flash.bin"); }
};

TEST_F(FlashCli, FreshWorkingFolderBuildsWithItsOwnBaseImage) {
    const auto fresh = ws.Root() / "fresh";  // nothing at all, not even the folder
    test::CliRun r = test::RunQuelmo({"--workdir", fresh.string(), "build"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("slots FF00 FF00 FF00 FF00 FF00 FF00 FF00 FF00\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("picture data end 0x0FFFFF\n"), std::string::npos) << r.out;
    EXPECT_EQ(std::filesystem::file_size(fresh / "default.bin"), flash::kBaseImageEnd);
    const std::string image = test::ReadFile(fresh / "flash.bin");
    ASSERT_EQ(image.size(), flash::kImageSize);
    EXPECT_NE(image.substr(flash::kAsc16 + 0x21 * 16, 16), std::string(16, '\0'));  // 'A' is there
    EXPECT_EQ(image.substr(flash::kConfigBlock, 2), "\xAE\x5F");
}

TEST_F(FlashCli, BuildPrintsTheSlotsAndWritesTheProjectImage) {
    ws.Put("pymb.bin", 100000);
    ws.Put("hz24.sbin", 588816);
    ws.Put("pic.sbin", 300);
    ws.settings.SetInt("hz24bf", 1);
    ws.settings.SetInt("BTL", 2);
    ws.settings.SetValue("pgcn0", "CLS(0);\r\nCLS(1);");
    SaveSettings();
    test::FlashWorkspace::PutAt(ws.Root() / "default.bin", 16, 0);
    const auto out = ws.Root() / "my.bin";
    test::CliRun r = Quelmo({"build", "--out", out.string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("slots F470 FD70 FD70 FD70 FD70 FD70 FD70 FF00\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("picture data end 0x10012C\n"), std::string::npos) << r.out;
    const std::string image = test::ReadFile(out);
    ASSERT_EQ(image.size(), flash::kImageSize);
    EXPECT_EQ(image.substr(flash::kPageTable, 18), std::string("U2;CLS(0);CLS(1);\0", 18));
    EXPECT_FALSE(std::filesystem::exists(ws.Root() / "flash.bin"));
}

TEST_F(FlashCli, NoRoomIsRefusedAndWritesNothing) {
    ws.Put("pymb.bin", 4096);
    ws.Put("pic.sbin", 0xF0000);  // up to 0x1F0000: no room left on a 2 MB module
    test::FlashWorkspace::PutAt(ws.Root() / "default.bin", 16, 0);
    test::CliRun r = Quelmo({"build", "--memory", "2"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "quelmo: 存储空间不够，请减少图片数量或全字库种类!\n");
    EXPECT_FALSE(std::filesystem::exists(ws.Root() / "flash.bin"));

    r = Quelmo({"build", "--memory", "4"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("slots 3EF0 3EF0 3EF0 3EF0 3EF0 3EF0 3EF0 3F00\n"), std::string::npos) << r.out;
}

TEST_F(FlashCli, WarningsAndBadUsage) {
    ws.Put("pic.idx", 5000);
    test::FlashWorkspace::PutAt(ws.Root() / "default.bin", 16, 0);
    test::CliRun r = Quelmo({"build"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("quelmo: warning: pic.idx is 5000 bytes; cut to the 4096 bytes"), std::string::npos) << r.err;

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"build", "--memory", "3"}, {"render", "--page", "2"}, {"render", "--project", "--page", "129"},
             {"render", "--project", "--page", "0"}}) {
        r = Quelmo(args, "CLS(0);");
        EXPECT_EQ(r.exit_code, 2) << args[0] << " " << args.back() << ": " << r.err;
    }
}

TEST_F(FlashCli, RenderRunsAStoredPage) {
    ws.settings.SetValue("pgcn4", "CLS(0);\r\nBOXF(3,4,20,30,1);");
    SaveSettings();
    test::FlashWorkspace::PutAt(ws.Root() / "default.bin", 16, 0);
    const auto png = ws.Root() / "page.png";
    test::CliRun r = Quelmo({"render", "--project", "--page", "5", "--out", png.string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "bounds 3 4 20 30\n");
    const PixelBuffer screen = test::ReadPng(png);
    ASSERT_EQ(screen.width(), 320);
    EXPECT_EQ(screen.At(3, 4), Tgd::ModuleToDesktop(0xF800));
    EXPECT_EQ(screen.At(20, 30), Rgb(0, 0, 0));

    // Without --page the given text runs over the project's image.
    r = Quelmo({"render", "--project", "--out", png.string()}, "BOX(1,2,3,4,1);");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "bounds 1 2 3 4\n");
}

TEST_F(FlashCli, PageRenderDrawsEveryPage) {
    ws.settings.SetValue("pgcn0", "BOXF(3,4,20,30,1);");
    ws.settings.SetValue("pgcn127", "SXY(100,0);BOXF(0,0,10,10,2);SXY(0,0);");
    ws.settings.SetValue("pgcn126", "SCC(1,2016);SXY(5,5);");  // left over, it must not reach page 128
    SaveSettings();
    test::FlashWorkspace::PutAt(ws.Root() / "default.bin", 16, 0);
    const auto out = ws.Root() / "pages";
    test::CliRun r = Quelmo({"page", "render", "--out-dir", out.string(), "--size", "854x480"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    for (int n = 1; n <= 128; ++n) ASSERT_TRUE(std::filesystem::exists(out / ("page" + std::to_string(n) + ".png"))) << n;
    const PixelBuffer first = test::ReadPng(out / "page1.png");
    EXPECT_EQ(first.width(), 854);
    EXPECT_EQ(first.At(3, 4), Tgd::ModuleToDesktop(0xF800));
    EXPECT_EQ(first.At(20, 30), Rgb(0, 0, 0));
    const PixelBuffer last = test::ReadPng(out / "page128.png");
    EXPECT_EQ(last.At(100, 0), Tgd::ModuleToDesktop(0x07E0));
    EXPECT_EQ(last.At(5, 5), Rgb(0, 0, 0));
    EXPECT_EQ(test::ReadPng(out / "page2.png").At(3, 4), Rgb(0, 0, 0));

    EXPECT_EQ(Quelmo({"page", "render", "--size", "0x5"}).exit_code, 2);
}

TEST_F(FlashCli, BaseReportsTheGlyphCounts) {
    const auto out = ws.Root() / "base.bin";
    test::CliRun r = Quelmo({"base", "--out", out.string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find(" of 8178 positions drawn"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("8x16 ASC: 94 of 96 codes drawn"), std::string::npos) << r.out;
    EXPECT_EQ(std::filesystem::file_size(out), flash::kBaseImageEnd);
    EXPECT_FALSE(std::filesystem::exists(ws.Root() / "default.bin"));
}

}  // namespace
}  // namespace quelmo
