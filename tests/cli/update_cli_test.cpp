// quelmo update-check and quelmo samples end to end, against web servers on loopback. The
// self-update runs a copy of the program in a temporary install folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/http_server.h"
#include "support/scratch_dir.h"

namespace quelmo::test {
namespace {
namespace fs = std::filesystem;

// Sets an environment variable for the programs the test starts, and restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string BaseImage(int32_t version) {
    std::string bytes(1024, 'x');
    for (int i = 0; i < 4; ++i) bytes[256 + i] = static_cast<char>(static_cast<uint32_t>(version) >> (8 * i));
    return bytes;
}

// /bin/echo stands for the newer program: started with the old one's arguments, it prints them.
const fs::path kNewProgram = "/bin/echo";

struct Install {
    ScratchDir dir;
    fs::path program, work;
    Install() : program(dir / "bin" / "quelmo"), work(dir / "work") {
        fs::create_directories(program.parent_path());
        fs::create_directories(dir / "site" / "wd");
        fs::copy_file(QUELMO_CLI_PATH, program);
        WriteFile(work / "default.bin", BaseImage(1));
        WriteFile(dir / "site" / "wd" / "getinfo.php", "#V 99.0.0\r\n#F 1\r\n");
    }
    CliRun Check(const std::string& server, bool yes) {
        ScopedEnv env("QUELMO_SERVER", server);
        std::vector<std::string> args{"update-check", "--workdir", work.string()};
        if (yes) args.push_back("--yes");
        return RunProgram(program, args);
    }
};

TEST(UpdateCheckCli, NewerProgramIsSwappedInAndStarted) {
    Install in;
    const std::string newer = ReadFile(kNewProgram);
    ASSERT_FALSE(newer.empty());
    WriteFile(in.dir / "site" / "wd" / "quelmo", newer);
    FolderServer server(in.dir / "site");
    ASSERT_FALSE(server.Address().empty());

    const std::string old = ReadFile(in.program);
    CliRun no = in.Check(server.Address(), false);
    EXPECT_EQ(no.exit_code, 1);
    EXPECT_NE(no.out.find("发现新版本:99.0.0  当前版本:" QUELMO_VERSION "   是否升级?"), std::string::npos) << no.out;
    EXPECT_EQ(ReadFile(in.program), old);

    CliRun yes = in.Check(server.Address(), true);
    EXPECT_EQ(yes.exit_code, 0) << yes.err;
    EXPECT_NE(yes.out.find("下载升级程序..."), std::string::npos);
    // The new program ran with the old one's arguments.
    EXPECT_NE(yes.out.find("\nupdate-check --workdir " + in.work.string() + " --yes\n"), std::string::npos) << yes.out;
    EXPECT_EQ(ReadFile(in.program), newer);
    EXPECT_FALSE(fs::exists(in.dir / "bin" / "quelmo.tmp"));
}

TEST(UpdateCheckCli, TruncatedOrForeignProgramIsRefused) {
    const std::string whole = ReadFile(kNewProgram);
    for (const std::string& served : {whole.substr(0, whole.size() / 2), std::string("#!/bin/sh\necho hi\n")}) {
        Install in;
        WriteFile(in.dir / "site" / "wd" / "quelmo", served);
        FolderServer server(in.dir / "site");
        ASSERT_FALSE(server.Address().empty());
        const std::string old = ReadFile(in.program);
        CliRun run = in.Check(server.Address(), true);
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_EQ(ReadFile(in.program), old);
        fs::remove(in.program);
        EXPECT_TRUE(fs::is_empty(in.dir / "bin")) << "nothing but the program in its folder";
    }
}

TEST(UpdateCheckCli, UpToDateAndNoServer) {
    Install in;
    WriteFile(in.dir / "site" / "wd" / "getinfo.php", "#V " QUELMO_VERSION "\r\n#F 1\r\n");
    FolderServer server(in.dir / "site");
    CliRun run = in.Check(server.Address(), false);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("up to date"), std::string::npos);

    fs::remove(in.work / "ser.ini");
    run = in.Check("", false);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.err.find("no server"), std::string::npos);
    EXPECT_FALSE(fs::exists(in.work / "ser.ini"));
    EXPECT_EQ(ReadFile(in.work / "default.bin"), BaseImage(1));
}

TEST(SamplesCli, ListAndOpenFromTheServer) {
    ScratchDir dir;
    const fs::path maker = dir / "maker", work = dir / "work";
    // A real project archive made by the program itself.
    WriteFile(maker / "default.bin", BaseImage(1));
    ASSERT_EQ(RunQuelmo({"--workdir", maker.string(), "project", "new", "sample", (dir / "demo.gpu").string()}).exit_code, 0);
    ASSERT_EQ(RunQuelmo({"--workdir", maker.string(), "project", "save"}).exit_code, 0);
    const std::string archive = ReadFile(dir / "demo.gpu");
    ASSERT_FALSE(archive.empty());
    WriteFile(dir / "bundled" / "own.gpu", archive);
    ScriptedServer server({{"/wd/gpu/demo.gpu", {archive}}, {"/wd/gpu/cut.gpu", {archive, archive.size() / 2}}});
    WriteFile(work / "ser.ini", "#D demo.gpu(320x240 demo)\r\n#D cut.gpu(cut short)\r\n#D ../x.gpu\r\n");
    ScopedEnv env("QUELMO_SERVER", server.Address());
    ScopedEnv samples("QUELMO_SAMPLES", (dir / "bundled").string());

    CliRun list = RunQuelmo({"--workdir", work.string(), "samples", "list"});
    EXPECT_EQ(list.out, "own.gpu(bundled)\ndemo.gpu(320x240 demo)\ncut.gpu(cut short)\n");

    CliRun cut = RunQuelmo({"--workdir", work.string(), "samples", "open", "cut.gpu"});
    EXPECT_NE(cut.exit_code, 0);
    EXPECT_FALSE(fs::exists(work / "cut.gpu"));
    EXPECT_NE(RunQuelmo({"--workdir", work.string(), "project", "info"}).out.find("open: no"), std::string::npos);

    CliRun open = RunQuelmo({"--workdir", work.string(), "samples", "open", "demo.gpu"});
    EXPECT_EQ(open.exit_code, 0) << open.err;
    EXPECT_NE(open.out.find("下载完成，开始解包"), std::string::npos);
    CliRun info = RunQuelmo({"--workdir", work.string(), "project", "info"});
    EXPECT_NE(info.out.find("open: yes"), std::string::npos);
    EXPECT_NE(info.out.find("file: " + (work / "demo.gpu").string()), std::string::npos) << info.out;

    // A bundled sample needs no server.
    ASSERT_EQ(RunQuelmo({"--workdir", work.string(), "project", "close", "--no-save"}).exit_code, 0);
    ScopedEnv none("QUELMO_SERVER", "");
    open = RunQuelmo({"--workdir", work.string(), "samples", "open", "own.gpu"});
    EXPECT_EQ(open.exit_code, 0) << open.err;
    EXPECT_EQ(ReadFile(work / "own.gpu"), archive);
}

}  // namespace
}  // namespace quelmo::test
