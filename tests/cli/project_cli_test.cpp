// The project commands end to end: every call is a separate run of the quelmo program over one
// working folder, as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <random>
#include <string>

#include "support/scratch_dir.h"
#include "support/zip_maker.h"

namespace quelmo::test {
namespace {
namespace fs = std::filesystem;

struct Output {
    int code = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ProjectCli : public ::testing::Test {
protected:
    // Runs quelmo with the test's working folder; `shell_prefix` runs first in the same shell.
    Output Run(const std::string& args, const std::string& shell_prefix = "") {
        const fs::path out = io_ / "out", err = io_ / "err";
        const std::string command = shell_prefix + Quote(QUELMO_CLI_PATH) + " --workdir " + Quote(work().string()) +
                                    " " + args + " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        const int status = std::system(("sh -c " + Quote(command)).c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
    }
    int Shell(const std::string& command) { return std::system(("sh -c " + Quote(command)).c_str()); }
    fs::path work() const { return dir_ / "work"; }
    fs::path file(const std::string& name) const { return dir_ / name; }
    std::string Info() { return Run("project info").out; }

    // A project with a picture and a stored page, saved as a.gpu.
    void SavedProject() {
        ASSERT_EQ(Run("project new 演示 " + Quote(file("a.gpu").string())).code, 0);
        WriteFile(work() / "temp/pic/1.jpg", "JPEG");
        ASSERT_EQ(Run("page set 5 --name 菜单 --text " + Quote("CLS(0); DS12(0,0,'a b;c',1);")).code, 0);
        ASSERT_EQ(Run("project save").out, "保存成功!\n");
    }

    ScratchDir dir_, io_;
};

TEST_F(ProjectCli, ProjectLivesAcrossRunsFromNewToCloseAndOpen) {
    EXPECT_EQ(Info(), "open: no\nname: \nfile: \nBTL: 6 (115200)\nmemory: 16 MB\n");
    SavedProject();
    EXPECT_EQ(Info(), "open: yes\nname: 演示\nfile: " + file("a.gpu").string() + "\nBTL: 6 (115200)\nmemory: 16 MB\n");
    // A fresh working folder gets our base image, and the project its copy.
    EXPECT_GT(fs::file_size(work() / "default.bin"), 0u);
    EXPECT_EQ(ReadFile(work() / "temp/rom.bin"), ReadFile(work() / "default.bin"));
    EXPECT_EQ(Run("page show 5").out, "CLS(0);\nDS12(0,0,'a b;c',1);\n");
    const std::string list = Run("page list").out;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 128);
    EXPECT_NE(list.find("\n5:菜单\n"), std::string::npos);
    EXPECT_EQ(list.substr(list.size() - 5), "128:\n");

    Output baud = Run("project set-baud 9600");
    EXPECT_EQ(baud.code, 0);
    EXPECT_EQ(baud.out, "保存成功!\n");
    EXPECT_EQ(Run("get BTL").out, "2\n");
    ASSERT_EQ(Run("project save").code, 0);

    ASSERT_EQ(Run("project close --no-save").code, 0);
    EXPECT_FALSE(fs::exists(work() / "temp"));
    EXPECT_EQ(Info().substr(0, 9), "open: no\n");

    ASSERT_EQ(Run("project open " + Quote(file("a.gpu").string())).code, 0);
    EXPECT_EQ(Info(), "open: yes\nname: 演示\nfile: " + file("a.gpu").string() + "\nBTL: 2 (9600)\nmemory: 16 MB\n");
    EXPECT_EQ(Run("page show 5").out, "CLS(0);\nDS12(0,0,'a b;c',1);\n");
    EXPECT_EQ(ReadFile(work() / "temp/pic/1.jpg"), "JPEG");
}

TEST_F(ProjectCli, SettingsAreGbkInsideAndUtf8Outside) {
    ASSERT_EQ(Run("project new p " + Quote(file("a.gpu").string())).code, 0);
    ASSERT_EQ(Run("set memo " + Quote("中文\nline")).code, 0);
    EXPECT_EQ(Run("get memo").out, "中文\nline\n");
    EXPECT_NE(ReadFile(work() / "temp/prj.ini.val").find("\xD6\xD0\xCE\xC4#~@Bline\r\n"), std::string::npos);
    EXPECT_EQ(Run("set X -12").code, 0);
    EXPECT_EQ(Run("get X").out, "-12\n");
    EXPECT_EQ(Run("get absent").out, "\n");
    EXPECT_EQ(Run("set " + Quote("two\nlines") + " v").code, 2);
}

TEST_F(ProjectCli, ArchiveIsReadableByZipToolsAndTheirArchivesOpen) {
    SavedProject();
    const std::string a = Quote(file("a.gpu").string());
    EXPECT_EQ(Shell("unzip -tq " + a + " >/dev/null"), 0);
    ASSERT_EQ(Shell("unzip -Z -v " + a + " > " + Quote(file("v.txt").string())), 0);
    ASSERT_EQ(Shell("unzip -Z1 " + a + " > " + Quote(file("names.txt").string())), 0);
    EXPECT_EQ(ReadFile(file("names.txt")), "temp/pic/1.jpg\ntemp/prj.ini.key\ntemp/prj.ini.val\ntemp/rom.bin\n");
    const std::string verbose = ReadFile(file("v.txt"));
    size_t deflated = 0;
    for (size_t at = verbose.find("compression method:"); at != std::string::npos;
         at = verbose.find("compression method:", at + 1))
        deflated += verbose.compare(verbose.find_first_not_of(' ', at + 19), 8, "deflated") == 0;
    EXPECT_EQ(deflated, 4u);

    // zip -r of a workspace (with its folder entries) opens in a fresh working folder.
    ASSERT_EQ(Shell("cd " + Quote(work().string()) + " && zip -qr " + Quote(file("z.gpu").string()) + " temp"), 0);
    ASSERT_EQ(Run("project close --no-save").code, 0);
    Output open = Run("project open " + Quote(file("z.gpu").string()));
    ASSERT_EQ(open.code, 0) << open.err;
    EXPECT_EQ(Info(), "open: yes\nname: 演示\nfile: " + file("z.gpu").string() + "\nBTL: 6 (115200)\nmemory: 16 MB\n");
    EXPECT_EQ(Run("page show 5").out, "CLS(0);\nDS12(0,0,'a b;c',1);\n");
}

TEST_F(ProjectCli, HostileArchivesAreRefusedAndLeaveTheWorkingFolderAsItWas) {
    ASSERT_TRUE(MakeZip(file("dotdot.gpu"), {{"temp/ok", "1"}, {"temp/../x", "evil"}}));
    ASSERT_TRUE(MakeZip(file("absolute.gpu"), {{"/etc/x", "evil"}}));
    ASSERT_TRUE(MakeZip(file("upper.gpu"), {{"TEMP/x", "evil"}}));
    ASSERT_TRUE(MakeZip(file("good.gpu"), {{"temp/prj.ini.key", std::string(3000, 'k')}}));
    const std::string good = ReadFile(file("good.gpu"));
    WriteFile(file("truncated.gpu"), good.substr(0, good.size() - 30));
    WriteFile(file("text.gpu"), "CLS(0);\r\nBOX(0,0,10,10,1);\r\n");

    WriteFile(work() / "temp/keep.txt", "mine");  // a workspace without a project
    EXPECT_EQ(Info().substr(0, 9), "open: no\n");
    const auto before = Snapshot(work());
    for (const char* name : {"dotdot", "absolute", "upper", "truncated", "text"}) {
        Output r = Run("project open " + Quote(file(std::string(name) + ".gpu").string()));
        EXPECT_EQ(r.code, 1) << name;
        EXPECT_EQ(r.err, "quelmo: 文件格式不对\n") << name;
        EXPECT_EQ(Snapshot(work()), before) << name;
        EXPECT_EQ(Info().substr(0, 9), "open: no\n") << name;
    }
    EXPECT_FALSE(fs::exists(dir_.path() / "x"));
}

TEST_F(ProjectCli, RefusedOperationsChangeNothing) {
    SavedProject();
    const auto before = Snapshot(dir_.path());
    const struct {
        std::string args;
        int code;
        std::string err;
    } cases[] = {
        {"project set-baud " + Quote("115200 "), 1, "quelmo: 波特率设置不正确,保存失败!\n"},
        {"project set-baud 1200", 1, "quelmo: 波特率设置不正确,保存失败!\n"},
        {"page set 1 --text " + std::string(1024, 'a'), 1, "quelmo: 保存失败!语句超过1024字节,请减少!\n"},
        {"page set 129 --text x", 2, ""},
        {"page set 1 --text x --text-file " + Quote(file("none").string()), 2, ""},
        {"page set 1 --text-file " + Quote(file("none").string()), 2, ""},
        {"project new other " + Quote(file("b.gpu").string()), 1, ""},
        {"project open " + Quote(file("a.gpu").string()), 1, ""},
        {"project close", 2, ""},
        {"page import " + Quote(file("Page9.str").string()), 2, ""},
    };
    for (const auto& c : cases) {
        Output r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args;
        if (!c.err.empty()) {
            EXPECT_EQ(r.err, c.err) << c.args;
        }
        EXPECT_EQ(Snapshot(dir_.path()), before) << c.args;
    }
    EXPECT_EQ(Run("page set 1 --text " + std::string(1023, 'a')).code, 0);
}

TEST_F(ProjectCli, FailedSaveKeepsThePreviousArchiveAndTheProjectOpen) {
    SavedProject();
    const std::string archive = ReadFile(file("a.gpu"));
    std::string noise(300000, '\0');
    std::mt19937 rng(1);
    for (auto& c : noise) c = static_cast<char>(rng());
    WriteFile(work() / "temp/pic/2.jpg", noise);

    // Files may grow to 64 KB only: the new archive cannot be written whole.
    Output r = Run("project save", "trap '' XFSZ; ulimit -f 128; ");
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(file("a.gpu")), archive);
    EXPECT_EQ(Info().substr(0, 10), "open: yes\n");

    // A target whose folder is a file, or is missing.
    WriteFile(file("plain"), "x");
    for (const std::string& target : {file("plain").string() + "/b.gpu", file("missing/b.gpu").string()}) {
        r = Run("project saveas " + Quote(target));
        EXPECT_EQ(r.code, 2) << target;
        EXPECT_NE(Info().find("file: " + file("a.gpu").string() + "\n"), std::string::npos);
    }
    EXPECT_EQ(ReadFile(file("a.gpu")), archive);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 3);  // work, a.gpu, plain

    // Closing with a save that fails keeps the workspace.
    r = Run("project close --save", "trap '' XFSZ; ulimit -f 128; ");
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(fs::exists(work() / "temp/pic/2.jpg"));
    EXPECT_EQ(Info().substr(0, 10), "open: yes\n");
}

TEST_F(ProjectCli, OldPagesImport) {
    SavedProject();
    WriteFile(file("scr/Page1.str"), "x\r\n\xB2\xCB\xB5\xA5\r\nCLS(1);|R|ACLS(2);\r\n");  // 菜单 in GBK
    WriteFile(file("scr/Page2.str"), "x\r\nbig\r\n" + std::string(1100, 'a') + "\r\n");
    Output r = Run("page import " + Quote(file("scr/Page1.str").string()));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "imported pages: 1\n");
    EXPECT_EQ(r.err, "quelmo: page 2 not imported: its text is 1024 bytes or longer\n");
    EXPECT_EQ(Run("page show 1").out, "CLS(1);\nCLS(2);\n");
    EXPECT_EQ(Run("page list").out.substr(0, 9), "1:菜单\n");
    EXPECT_EQ(Run("page show 5").out, "CLS(0);\nDS12(0,0,'a b;c',1);\n");
}

}  // namespace
}  // namespace quelmo::test
