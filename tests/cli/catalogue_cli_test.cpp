#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct CliRun {
    std::string out;
    int code = -1;
};

class CatalogueCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quelmo_catcli_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs quelmo with the working folder and arguments (shell words), stdin from `input`.
    CliRun Quelmo(const std::string& args, const std::string& input = "") {
        const fs::path in = dir_ / "stdin";
        std::ofstream(in, std::ios::binary) << input;
        std::string cmd = QUELMO_CLI_PATH;
        cmd.append(" --workdir '").append(dir_.string()).append("' ").append(args);
        cmd.append(" < '").append(in.string()).append("' 2>&1");
        CliRun r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
        const int status = pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    fs::path dir_;
};

TEST_F(CatalogueCli, HelpPrintsTheHelpTextAndTheGrid) {
    const CliRun r = Quelmo("help 'DS16(5,6,'\"'\"'ab'\"'\"',1);'");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "语法描述:\n显示16点阵:DS16(x1,y1,str,c,lx);参数:\nx1:左上角x坐标\ny1:左上角y坐标\nstr:要显示的字符串\n"
              "c:颜色号\nlx:限制的右边框X位置,可省\n备注:\n"
              "x1\tX\t5\ny1\tY\t6\nstr\tstr\tab\nc\tc\t1\t...\nlx\tX\t0\n");
}

TEST_F(CatalogueCli, RebuildChangesNamedValues) {
    CliRun r = Quelmo("rebuild 'DS16(5,6,'\"'\"'ab'\"'\"',1)' 'str=x y' c=3");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "DS16(5,6,'x y',3,0)\n");
    r = Quelmo("rebuild 'BOX(0,0,1,1,1)' q=1");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "quelmo: the statement has no parameter q\n");
}

TEST_F(CatalogueCli, CCodeInEachStyle) {
    EXPECT_EQ(Quelmo("ccode", "CLS(0);\n").out, "GpuSend(\"CLS(0);\");\nGpuSend(\"\\r\\n\");\n");
    EXPECT_EQ(Quelmo("ccode --arduino --hex -", "DS16(0,0,'汉',1);\n").out,
              "Serial.print(\"DS16(0,0,'\\xBA\\xBA',1);\"); //DS16(0,0,'汉',1);\nSerial.print(\"\\r\\n\");\n");
    EXPECT_EQ(Quelmo("ccode --single-line", "CLS(0);\nCLS(1);\n").out, "GpuSend(\"CLS(0);CLS(1);\\r\\n\");\n");
    EXPECT_EQ(Quelmo("ccode nosuchfile").code, 2);
}

TEST_F(CatalogueCli, PymbUsesGivenTextsElseTheWorkspaceElseTheDefaults) {
    CliRun r = Quelmo("pymb");
    EXPECT_EQ(r.code, 0);
    const fs::path bin = dir_ / "temp" / "pymb.bin";
    const auto default_size = fs::file_size(bin);
    EXPECT_EQ(r.out, bin.string() + ": " + std::to_string(default_size) + " bytes\n");

    std::ofstream(dir_ / "temp" / "srf.mb", std::ios::binary) << "=a=xy\r\n=\r\n";
    r = Quelmo("pymb");
    EXPECT_EQ(r.out, "error code: =\n" + bin.string() + ": 1129 bytes\n");
    EXPECT_EQ(fs::file_size(bin), 1129u);

    std::ofstream(dir_ / "ini", std::ios::binary) << "#S00#abc\r\n";
    std::ofstream(dir_ / "mb", std::ios::binary) << std::string("=a=") + std::string(70000, 'x');
    r = Quelmo("pymb --ini '" + (dir_ / "ini").string() + "' --mb '" + (dir_ / "mb").string() + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.rfind("quelmo: ", 0), 0u) << r.out;
    EXPECT_EQ(fs::file_size(bin), 1129u);  // the refused table leaves the last file alone
}

}  // namespace
