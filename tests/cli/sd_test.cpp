// quelmo sd end to end: the card data in the working folder, formatting and writing a card
// image, and the refusals, as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "../sdcard/card_files.h"
#include "support/cli.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

class SdCommand : public ::testing::Test {
protected:
    // Runs `quelmo --workdir W sd ARGS` with nothing on standard input (no one answers).
    CliRun Sd(const std::string& args) {
        std::vector<std::string> argv = {"--workdir", work.string(), "sd"};
        std::istringstream words(args);
        for (std::string w; words >> w;) argv.push_back(w);
        return RunQuelmo(argv);
    }
    // The same through bash, after `prefix` (limits, traps) has run in that shell.
    CliRun SdAfter(const std::string& prefix, const std::string& args) {
        const fs::path out = dir.path() / "out.txt", err = dir.path() / "err.txt";
        const std::string command = prefix + " exec " + std::string(QUELMO_CLI_PATH) + " --workdir " + work.string() +
                                    " sd " + args + " < /dev/null > " + out.string() + " 2> " + err.string();
        const int status = std::system(("bash -c \"" + command + "\"").c_str());
        CliRun r;
        r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Text(out);
        r.err = Text(err);
        return r;
    }
    static std::string Text(const fs::path& file) {
        std::ifstream f(file);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    test::TempDir dir;
    fs::path work = dir.path() / "work";
    fs::path image = dir.path() / "card.img";
};

TEST_F(SdCommand, UpgradeCopyAndStatus) {
    CliRun r = Sd("status");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "pic.sbin: 未生成\nrom.sbin: 未生成\n");

    r = Sd("rom");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "quelmo: 需要先连接串口屏,才能生成!\n");
    EXPECT_EQ(Sd("rom --memory 3").exit_code, 2);
    // A port with no module behind it: nothing is made.
    r = Sd("rom --port " + (dir.path() / "no-such-port").string());
    EXPECT_NE(r.exit_code, 0);
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(fs::exists(work / "sd/rom.sbin"));

    // The copy is taken from the given flash image, cut at the memory size.
    const fs::path flash = dir.path() / "flash.bin";
    test::MakeImage(flash, 16 << 20, 0x5A);
    r = Sd("rom --memory 2 --flash " + flash.string());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "生成完成!\nrom.sbin: 已生成,长度:2097152字节\n");
    EXPECT_EQ(test::ReadBytes(work / "sd/rom.sbin", 0, 3 << 20), Bytes(2'097'152, 0x5A));
    EXPECT_EQ(Sd("status").out, "pic.sbin: 未生成\nrom.sbin: 已生成,长度:2097152字节\n");
}

TEST_F(SdCommand, FormatAndWriteACardImage) {
    test::MakeImage(image, 4 << 20, 0x00);
    CliRun r = Sd("write --image " + image.string() + " --yes");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(Has(r.err, "需要格式化")) << r.err;

    // Without --yes and with no answer nothing is written.
    r = Sd("format --image " + image.string());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "quelmo: cancelled; nothing was written\n");
    EXPECT_EQ(test::ReadBytes(image, 0, 512), Bytes(512, 0x00));

    r = Sd("format --image " + image.string() + " --yes");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "未格式化的盘(RAW)    \n")) << r.out;
    EXPECT_TRUE(Has(r.out, "格式化完成!\n")) << r.out;

    fs::create_directories(work / "sd");
    test::WriteBytes(work / "sd/pic.idx", 0, test::Pattern(4096, 3));
    test::WriteBytes(work / "sd/pic.sbin", 0, test::Pattern(1000, 5));
    ASSERT_EQ(Sd("rom --memory 2").exit_code, 0);
    // Built for a 2 MB module: the config block's placement top is 0x1F0000 (unit 1F00).
    EXPECT_EQ(test::ReadBytes(work / "sd/rom.sbin", 4096 + 16, 2), (Bytes{0x1F, 0x00}));
    r = Sd("write --image " + image.string() + " --rom --yes");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "发现GPU盘,大小:0字节\n不需要格式化\n写入完成,请拔下tf卡!\n")) << r.out;
    EXPECT_EQ(test::ReadBytes(image, 0, 21), (Bytes{0x89, 0xA9, 0x8A, 0xD9, 0, 0, 0, 0, 0x00, 0x10, 0x00, 0x00, 0x02, 0xFF,
                                                    0xFF, 0xFF, 0x00, 0x24, 0x00, 0x00, 0x05}));
    EXPECT_EQ(test::ReadBytes(image, 4096, 4096), test::Pattern(4096, 3));
    EXPECT_EQ(test::ReadBytes(image, 8192, 1000), test::Pattern(1000, 5));
    EXPECT_EQ(test::ReadBytes(image, 9216, 2'097'152), test::ReadBytes(work / "sd/rom.sbin", 0, 2'097'152));
    EXPECT_EQ(test::ReadBytes(image, 9216 + 2'097'152, 512), Bytes(512, 0x00));
}

TEST_F(SdCommand, RefusesWhatIsNoCard) {
    test::MakeImage(image, 64 * 1024, 0x00);
    struct Case {
        std::string args;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"format --device /dev/null --yes", 2, "/dev/null is neither a block device nor a regular file"},
        {"write --image " + dir.path().string() + " --yes", 2, "is neither a block device nor a regular file"},
        {"format --device " + image.string() + " --yes", 2, "is not a block device; use --image"},
        {"format --yes", 2, "give exactly one of --device DEV and --image FILE"},
        {"format --device /dev/null --image " + image.string() + " --yes", 2, "give exactly one of"},
    };
    for (const auto& c : cases) {
        CliRun r = Sd(c.args);
        EXPECT_EQ(r.exit_code, c.code) << c.args;
        EXPECT_EQ(r.err.rfind("quelmo: ", 0), 0u) << r.err;
        EXPECT_TRUE(Has(r.err, c.message)) << c.args << ": " << r.err;
    }
    EXPECT_EQ(test::ReadBytes(image, 0, 64 * 1024), Bytes(64 * 1024, 0x00));
}

TEST_F(SdCommand, DetectWaitsOnlyForACardInsertedFromNowOn) {
    CliRun r = Sd("detect --timeout 0.5");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(Has(r.out, "插入Veltra的TF卡,等待系统识别...\n")) << r.out;
    EXPECT_EQ(r.err, "quelmo: no card was inserted within 0.5 s\n");
}

// The card image may grow no further than 10 KB (RLIMIT_FSIZE): the write of the picture data
// fails at byte 10240, as a card that fails half-way.
TEST_F(SdCommand, WriteThatFailsHalfWayReportsTheOffsetAndStops) {
    test::MakeImage(image, 1 << 20, 0x00);
    ASSERT_EQ(Sd("format --image " + image.string() + " --yes").exit_code, 0);
    fs::create_directories(work / "sd");
    test::WriteBytes(work / "sd/pic.sbin", 0, test::Pattern(8000, 1));
    CliRun r = SdAfter("trap '' XFSZ; ulimit -f 10;", "write --image " + image.string() + " --yes");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(Has(r.err, "quelmo: write failed at offset 10240 of " + image.string())) << r.err;
    EXPECT_FALSE(Has(r.out, "写入完成")) << r.out;
    // Stopped: the header still reads as freshly formatted, naming no data.
    EXPECT_EQ(test::ReadBytes(image, 8, 8), Bytes(8, 0xFF));
    EXPECT_EQ(test::ReadBytes(image, 8192, 2048), test::Pattern(2048, 1));
}

}  // namespace
}  // namespace quelmo::test
