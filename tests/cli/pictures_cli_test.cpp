#include <gtest/gtest.h>

#include <fstream>

#include "support/picture_files.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

// Runs quelmo in the working folder with the arguments.
CliRun Quelmo(const fs::path& workdir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--workdir", workdir.string()});
    return RunQuelmo(args);
}

const std::vector<uint8_t> kPalette{0, 0, 0, 255, 255, 255};

TEST(PicturesCommand, ListSortAndMake) {
    TempDir dir;
    const fs::path pic = dir.path() / "temp" / "pic";
    fs::create_directories(pic);
    WriteJpeg(pic / "zz.jpg", Solid(320, 240, 255, 255, 255));
    WriteGif(pic / "3.gif", 2, 1, kPalette, {SolidFrame(0, 0, 2, 1, 1), SolidFrame(0, 0, 1, 1, 0)});

    CliRun list = Quelmo(dir.path(), {"pictures", "list"});
    EXPECT_EQ(list.exit_code, 0) << list.err;
    EXPECT_EQ(list.out, "1  4x1  3.gif\n2  320x240  zz.jpg\n");

    CliRun sort = Quelmo(dir.path(), {"pictures", "sort"});
    EXPECT_EQ(sort.exit_code, 0) << sort.err;
    EXPECT_EQ(sort.out, "1  4x1  1.gif\n2  320x240  2.jpg\n");
    EXPECT_TRUE(fs::exists(pic / "1.gif"));
    EXPECT_TRUE(fs::exists(pic / "2.jpg"));

    CliRun make = Quelmo(dir.path(), {"pictures", "make"});
    EXPECT_EQ(make.exit_code, 0) << make.err;
    EXPECT_EQ(make.out, "生成完成!\n");
    EXPECT_NE(make.err.find("100%"), std::string::npos);
    EXPECT_EQ(fs::file_size(dir.path() / "temp" / "pic.sbin"), 8u + 153600u);
    const std::string idx = ReadFile(dir.path() / "temp" / "pic.idx");
    EXPECT_EQ(idx.substr(16, 8), std::string("\x01\x40\x00\xF0\x00\x10\x00\x08", 8));
}

TEST(PicturesCommand, SdListMakesItsOwnFiles) {
    TempDir dir;
    fs::create_directories(dir.path() / "sd" / "pic");
    WriteJpeg(dir.path() / "sd" / "pic" / "1.jpg", Solid(2, 2, 0, 0, 0));
    CliRun make = Quelmo(dir.path(), {"pictures", "make", "--sd"});
    EXPECT_EQ(make.exit_code, 0) << make.err;
    EXPECT_EQ(make.out, "图片生成完成!\n");
    EXPECT_EQ(fs::file_size(dir.path() / "sd" / "pic.sbin"), 8u);
    EXPECT_FALSE(fs::exists(dir.path() / "temp" / "pic.sbin"));
}

TEST(PicturesCommand, DamagedPictureStopsWithItsName) {
    TempDir dir;
    const fs::path pic = dir.path() / "temp" / "pic";
    fs::create_directories(pic);
    WriteJpeg(pic / "1.jpg", Solid(16, 16, 1, 2, 3));
    std::ofstream(pic / "2.gif", std::ios::binary) << "GIF89a\x10\x00";
    CliRun make = Quelmo(dir.path(), {"pictures", "make"});
    EXPECT_EQ(make.exit_code, 2);
    EXPECT_NE(make.err.find("2.gif"), std::string::npos) << make.err;
    EXPECT_FALSE(fs::exists(dir.path() / "temp" / "pic.sbin"));
    CliRun list = Quelmo(dir.path(), {"pictures", "list"});
    EXPECT_EQ(list.exit_code, 2);
    EXPECT_EQ(list.out, "1  16x16  1.jpg\n");
}

// A picture folder that cannot be read (a file took its name) stops make with the reason and
// keeps the data files made before.
TEST(PicturesCommand, UnreadableFolderStopsMakeAndKeepsTheFiles) {
    TempDir dir;
    const fs::path pic = dir.path() / "temp" / "pic";
    fs::create_directories(pic);
    WriteJpeg(pic / "1.jpg", Solid(2, 2, 0, 0, 0));
    ASSERT_EQ(Quelmo(dir.path(), {"pictures", "make"}).exit_code, 0);
    const std::string sbin = ReadFile(dir.path() / "temp" / "pic.sbin");
    fs::rename(pic, dir.path() / "pictures-elsewhere");
    std::ofstream(pic) << "not a folder";
    CliRun make = Quelmo(dir.path(), {"pictures", "make"});
    EXPECT_EQ(make.exit_code, 2);
    EXPECT_EQ(make.err, "quelmo: cannot read the picture folder " + pic.string() + ": Not a directory\n");
    EXPECT_EQ(ReadFile(dir.path() / "temp" / "pic.sbin"), sbin);
}

TEST(Gif2JpgCommand, WritesTheStripAndAsksBeforeReplacing) {
    TempDir dir;
    WriteGif(dir.path() / "a.gif", 32, 32, kPalette,
             {SolidFrame(0, 0, 32, 32, 0), SolidFrame(8, 8, 16, 16, 1), SolidFrame(8, 8, 16, 16, 0)});
    const std::string gif = (dir.path() / "a.gif").string();
    const fs::path target = dir.path() / "temp" / "pic" / "a.jpg";

    CliRun first = Quelmo(dir.path(), {"gif2jpg", gif});
    EXPECT_EQ(first.exit_code, 0) << first.err;
    auto strip = pictures::DecodeJpeg(ReadFile(target));
    ASSERT_TRUE(strip.ok());
    EXPECT_EQ(strip->width, 96);
    EXPECT_EQ(strip->height, 32);

    std::ofstream(target, std::ios::binary) << "mine";
    CliRun again = Quelmo(dir.path(), {"gif2jpg", gif});
    EXPECT_EQ(again.exit_code, 1);
    EXPECT_EQ(again.out, "已经发现:a.jpg 文件存在，是否覆盖？\n");
    EXPECT_EQ(ReadFile(target), "mine");

    CliRun yes = Quelmo(dir.path(), {"gif2jpg", "--yes", gif});
    EXPECT_EQ(yes.exit_code, 0) << yes.err;
    EXPECT_NE(ReadFile(target), "mine");

    CliRun missing = Quelmo(dir.path(), {"gif2jpg", (dir.path() / "none.gif").string()});
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_NE(missing.err.find("none.gif"), std::string::npos);
}

}  // namespace
}  // namespace quelmo::test

namespace quelmo::test {
namespace {

TEST(PicturesCommand, RenderProjectDrawsTheMadePictures) {
    TempDir dir;
    const fs::path pic = dir.path() / "temp" / "pic";
    fs::create_directories(pic);
    // A 2 x 1 GIF, red then blue.
    WriteGif(pic / "1.gif", 2, 1, {255, 0, 0, 0, 0, 255}, {TestGifFrame{0, 0, 2, 1, {0, 1}}});
    ASSERT_EQ(Quelmo(dir.path(), {"pictures", "make"}).exit_code, 0);
    const fs::path png = dir.path() / "s.png";
    CliRun run = RunQuelmo({"--workdir", dir.path().string(), "render", "--project", "--size", "8x8", "--out",
                            png.string(), "-"},
                           "PIC(2,3,1);");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "bounds 2 3 4 4\n");
    const PixelBuffer screen = ReadPng(png);
    ASSERT_EQ(screen.width(), 8);
    EXPECT_EQ(screen.At(2, 3), Rgb(248, 0, 0));
    EXPECT_EQ(screen.At(3, 3), Rgb(0, 0, 248));
    EXPECT_EQ(screen.At(4, 3), Rgb(0, 0, 0));
}

}  // namespace
}  // namespace quelmo::test

namespace quelmo::test {
namespace {

// From a picture in sd/pic to a written card image, all through `quelmo sd`.
TEST(PicturesCommand, SdToolMakesThePictureDataAndWritesACard) {
    TempDir dir;
    const fs::path work = dir.path();
    fs::create_directories(work / "sd" / "pic");
    WriteJpeg(work / "sd" / "pic" / "b.jpg", Solid(320, 240, 255, 255, 255));
    EXPECT_EQ(Quelmo(work, {"sd", "pictures", "list"}).out, "0  320x240  b.jpg\n");
    EXPECT_EQ(Quelmo(work, {"sd", "pictures", "sort"}).exit_code, 0);
    EXPECT_TRUE(fs::exists(work / "sd" / "pic" / "1.jpg"));  // files are named from 1
    CliRun make = Quelmo(work, {"sd", "pictures", "make"});
    ASSERT_EQ(make.exit_code, 0) << make.err;
    EXPECT_EQ(make.out, "图片生成完成!\n");
    EXPECT_EQ(Quelmo(work, {"sd", "status"}).out, "pic.sbin: 已生成,长度:153600字节\nrom.sbin: 未生成\n");
    EXPECT_EQ(Quelmo(work, {"sd", "pictures", "make", "--sd"}).exit_code, 2);  // no switch here

    // A card image of 16 MB, formatted, then written: its picture record 0 points at 8192.
    const fs::path card = work / "card.img";
    std::ofstream(card, std::ios::binary).write(std::string(16u << 20, '\0').data(), 16u << 20);
    ASSERT_EQ(Quelmo(work, {"sd", "format", "--image", card.string(), "--yes"}).exit_code, 0);
    CliRun write = Quelmo(work, {"sd", "write", "--image", card.string(), "--yes"});
    ASSERT_EQ(write.exit_code, 0) << write.out << write.err;
    const std::string bytes = ReadFile(card);
    EXPECT_EQ(bytes.substr(8192 + 0, 2), std::string("\xDE\xF7", 2));  // white, little-endian
}

}  // namespace
}  // namespace quelmo::test
