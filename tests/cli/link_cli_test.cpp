// The device link end to end: `quelmo emulate` in one process, the other commands in others.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/cli.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

using quelmo::test::CliRun;
using quelmo::test::ReadFile;
using quelmo::test::RunQuelmo;

CliRun Quelmo(const fs::path& workdir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--workdir", workdir.string()});
    return RunQuelmo(args);
}

// `quelmo emulate` running in the background; its first line is the device path.
class Emulator {
public:
    Emulator(const fs::path& workdir, std::vector<std::string> args) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<std::string> all = {QUELMO_CLI_PATH, "--workdir", workdir.string(), "emulate"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, QUELMO_CLI_PATH, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') path_.push_back(c);
        close(fds[0]);
    }
    ~Emulator() { Stop(); }
    // SIGTERM, then the exit status.
    int Stop() {
        if (pid_ <= 0) return status_;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }
    const std::string& Path() const { return path_; }

private:
    pid_t pid_ = 0;
    int status_ = -1;
    std::string path_;
};

class LinkCli : public ::testing::Test {
protected:
    quelmo::test::TempDir temp;
    const fs::path dir = temp.path();
};

TEST_F(LinkCli, InfoSendAndUploadAgainstTheEmulator) {
    Emulator module(dir, {"--memory", "2", "--serial", "CLI00000000001", "--baud", "9600", "--flash-out",
                          (dir / "flash.bin").string(), "--screen-png", (dir / "screen.png").string(), "--trace",
                          (dir / "trace.txt").string()});
    ASSERT_EQ(module.Path().rfind("/dev/pts/", 0), 0u) << module.Path();

    // Found at 9600 and switched to 115200.
    CliRun info = Quelmo(dir, {"info", "--port", module.Path(), "--baud", "9600"});
    EXPECT_EQ(info.exit_code, 0);
    EXPECT_NE(info.out.find("SerialNo CLI00000000001\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("MemorySize 2\n"), std::string::npos);
    EXPECT_NE(info.out.find("连接: SN:CLI00000000001\n分辨率: 320X240   内存:2M\n"), std::string::npos);
    EXPECT_NE(info.out.find("强制串口到115200传输!"), std::string::npos);

    CliRun send = Quelmo(dir, {"send", "--port", module.Path(), "CLS(3);SEND('你好');"});
    EXPECT_EQ(send.exit_code, 0);
    EXPECT_EQ(send.out, "你好\n");

    // An image with data in a few sectors (sector 0 is never sent).
    std::string image(16u << 20, '\xFF');
    std::mt19937 rng(7);
    for (int s : {1, 2, 200, 511})
        for (int i = 0; i < 4096; ++i) image[static_cast<size_t>(s) * 4096 + i] = static_cast<char>(rng());
    std::ofstream(dir / "image.bin", std::ios::binary) << image;
    CliRun up = Quelmo(dir, {"upload", "--port", module.Path(), "--flash", (dir / "image.bin").string()});
    EXPECT_EQ(up.exit_code, 0) << up.out;
    EXPECT_NE(up.out.find("Send:;RCPG(1,511);"), std::string::npos);
    EXPECT_NE(up.out.find("上传完成! 您修改了串口屏的内存分区配置"), std::string::npos);

    CliRun again = Quelmo(dir, {"upload", "--port", module.Path(), "--flash", (dir / "image.bin").string()});
    EXPECT_EQ(again.exit_code, 0);
    EXPECT_NE(again.out.find("上传完成!\n"), std::string::npos);

    EXPECT_EQ(module.Stop(), 0);
    const std::string flash = ReadFile(dir / "flash.bin");
    ASSERT_EQ(flash.size(), 2u << 20);
    EXPECT_EQ(flash.substr(4096), image.substr(4096, (2u << 20) - 4096));
    EXPECT_TRUE(fs::file_size(dir / "screen.png") > 0);
    EXPECT_NE(ReadFile(dir / "trace.txt").find("> ;USET(6);"), std::string::npos);
}

TEST_F(LinkCli, FailuresExitWithTheirMessage) {
    EXPECT_EQ(Quelmo(dir, {"info", "--port", "/dev/quelmo-missing"}).exit_code, 1);
    EXPECT_EQ(Quelmo(dir, {"info", "--port", "/dev/null", "--baud", "1234"}).exit_code, 2);
    EXPECT_EQ(Quelmo(dir, {"emulate", "--fault", "sometimes"}).exit_code, 2);

    Emulator silent(dir, {"--fault", "silent-after=3", "--memory", "2"});
    std::ofstream(dir / "image.bin", std::ios::binary) << std::string(8192, '\x01');
    CliRun up = Quelmo(dir, {"upload", "--port", silent.Path(), "--flash", (dir / "image.bin").string()});
    EXPECT_EQ(up.exit_code, 1);
    EXPECT_NE(up.out.find("您的串口无法收到回复数据"), std::string::npos);
}

TEST_F(LinkCli, UploadWithoutAnImageSendsTheWorkspaceBuild) {
    Emulator module(dir, {"--memory", "2", "--flash-out", (dir / "module.bin").string()});
    CliRun up = Quelmo(dir, {"upload", "--port", module.Path()});
    EXPECT_EQ(up.exit_code, 0) << up.err;
    CliRun build = Quelmo(dir, {"build", "--memory", "2", "--out", (dir / "built.bin").string()});
    ASSERT_EQ(build.exit_code, 0);
    EXPECT_EQ(module.Stop(), 0);
    // Sector 1 holds the build time, which differs between the two builds.
    const size_t from = 2 * 4096, size = (2u << 20) - from;
    EXPECT_EQ(ReadFile(dir / "module.bin").substr(from), ReadFile(dir / "built.bin").substr(from, size));
}

TEST_F(LinkCli, SearchFindsTheEmulatorAmongTypedPorts) {
    Emulator module(dir, {"--baud", "2400"});
    CliRun found = Quelmo(dir, {"search", "--port", module.Path()});
    EXPECT_EQ(found.exit_code, 0);
    EXPECT_NE(found.out.find("测试" + module.Path() + " @ 2400\n"), std::string::npos) << found.out;
    EXPECT_NE(found.out.find("发现串口屏!"), std::string::npos);
    EXPECT_NE(found.out.find("port " + module.Path() + "\n"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(LinkCli, SdUpgradeCopyTakesTheConnectedModulesMemorySize) {
    Emulator module(dir, {"--memory", "4"});
    CliRun rom = Quelmo(dir, {"sd", "rom", "--port", module.Path()});
    EXPECT_EQ(rom.exit_code, 0) << rom.err;
    EXPECT_EQ(fs::file_size(dir / "sd" / "rom.sbin"), 4u << 20);
    // The copy is the workspace image built for that size: the placement top of 4 MB, 0x3F0000.
    std::ifstream in(dir / "sd" / "rom.sbin", std::ios::binary);
    std::array<unsigned char, 18> config{};
    in.seekg(4096);
    in.read(reinterpret_cast<char*>(config.data()), config.size());
    EXPECT_EQ(config[16], 0x3F);
    EXPECT_EQ(config[17], 0x00);

    CliRun both = Quelmo(dir, {"sd", "rom", "--port", module.Path(), "--memory", "2"});
    EXPECT_EQ(both.exit_code, 2);
    module.Stop();
    CliRun gone = Quelmo(dir, {"sd", "rom", "--port", module.Path()});
    EXPECT_NE(gone.exit_code, 0);
    EXPECT_EQ(fs::file_size(dir / "sd" / "rom.sbin"), 4u << 20);  // the old copy stays
}

}  // namespace
