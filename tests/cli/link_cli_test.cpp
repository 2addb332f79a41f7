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
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Output {
    int status = -1;
    std::string out;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q.append("'\\''");
        else q.push_back(c);
    }
    q.push_back('\'');
    return q;
}

// Runs quelmo with the arguments (shell-quoted here) and collects stdout.
Output Quelmo(const fs::path& workdir, const std::vector<std::string>& args) {
    std::string command = Quote(QUELMO_CLI_PATH) + " --workdir " + Quote(workdir.string());
    for (const auto& a : args) command.append(" ").append(Quote(a));
    command += " 2>/dev/null";
    Output o;
    FILE* p = popen(command.c_str(), "r");
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) o.out.append(buf.data(), n);
    const int status = pclose(p);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
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
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quelmo-link-cli-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST_F(LinkCli, InfoSendAndUploadAgainstTheEmulator) {
    Emulator module(dir, {"--memory", "2", "--serial", "CLI00000000001", "--baud", "9600", "--flash-out",
                          (dir / "flash.bin").string(), "--screen-png", (dir / "screen.png").string(), "--trace",
                          (dir / "trace.txt").string()});
    ASSERT_EQ(module.Path().rfind("/dev/pts/", 0), 0u) << module.Path();

    // Found at 9600 and switched to 115200.
    Output info = Quelmo(dir, {"info", "--port", module.Path(), "--baud", "9600"});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("SerialNo CLI00000000001\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("MemorySize 2\n"), std::string::npos);
    EXPECT_NE(info.out.find("连接: SN:CLI00000000001\n分辨率: 320X240   内存:2M\n"), std::string::npos);
    EXPECT_NE(info.out.find("强制串口到115200传输!"), std::string::npos);

    Output send = Quelmo(dir, {"send", "--port", module.Path(), "CLS(3);SEND('你好');"});
    EXPECT_EQ(send.status, 0);
    EXPECT_EQ(send.out, "你好\n");

    // An image with data in a few sectors (sector 0 is never sent).
    std::string image(16u << 20, '\xFF');
    std::mt19937 rng(7);
    for (int s : {1, 2, 200, 511})
        for (int i = 0; i < 4096; ++i) image[static_cast<size_t>(s) * 4096 + i] = static_cast<char>(rng());
    std::ofstream(dir / "image.bin", std::ios::binary) << image;
    Output up = Quelmo(dir, {"upload", "--port", module.Path(), "--flash", (dir / "image.bin").string()});
    EXPECT_EQ(up.status, 0) << up.out;
    EXPECT_NE(up.out.find("Send:;RCPG(1,511);"), std::string::npos);
    EXPECT_NE(up.out.find("上传完成! 您修改了串口屏的内存分区配置"), std::string::npos);

    Output again = Quelmo(dir, {"upload", "--port", module.Path(), "--flash", (dir / "image.bin").string()});
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.out.find("上传完成!\n"), std::string::npos);

    EXPECT_EQ(module.Stop(), 0);
    const std::string flash = ReadAll(dir / "flash.bin");
    ASSERT_EQ(flash.size(), 2u << 20);
    EXPECT_EQ(flash.substr(4096), image.substr(4096, (2u << 20) - 4096));
    EXPECT_TRUE(fs::file_size(dir / "screen.png") > 0);
    EXPECT_NE(ReadAll(dir / "trace.txt").find("> ;USET(6);"), std::string::npos);
}

TEST_F(LinkCli, FailuresExitWithTheirMessage) {
    EXPECT_EQ(Quelmo(dir, {"info", "--port", "/dev/quelmo-missing"}).status, 1);
    EXPECT_EQ(Quelmo(dir, {"info", "--port", "/dev/null", "--baud", "1234"}).status, 2);
    EXPECT_EQ(Quelmo(dir, {"emulate", "--fault", "sometimes"}).status, 2);

    Emulator silent(dir, {"--fault", "silent-after=3", "--memory", "2"});
    std::ofstream(dir / "image.bin", std::ios::binary) << std::string(8192, '\x01');
    Output up = Quelmo(dir, {"upload", "--port", silent.Path(), "--flash", (dir / "image.bin").string()});
    EXPECT_EQ(up.status, 1);
    EXPECT_NE(up.out.find("您的串口无法收到回复数据"), std::string::npos);
}

TEST_F(LinkCli, SearchFindsTheEmulatorAmongTypedPorts) {
    Emulator module(dir, {"--baud", "2400"});
    Output found = Quelmo(dir, {"search", "--port", module.Path()});
    EXPECT_EQ(found.status, 0);
    EXPECT_NE(found.out.find("测试" + module.Path() + " @ 2400\n"), std::string::npos) << found.out;
    EXPECT_NE(found.out.find("发现串口屏!"), std::string::npos);
    EXPECT_NE(found.out.find("port " + module.Path() + "\n"), std::string::npos);
}

}  // namespace
