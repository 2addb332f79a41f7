#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/cli.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

CliRun In(const TempDir& dir, std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), {"--workdir", dir.path().string()});
    return RunQuelmo(args, input);
}

TEST(HelpCommand, PrintsTheHelpTextAndTheGrid) {
    TempDir dir;
    const CliRun r = In(dir, {"help", "DS16(5,6,'ab',1);"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out,
              "语法描述:\n显示16点阵:DS16(x1,y1,str,c,lx);参数:\nx1:左上角x坐标\ny1:左上角y坐标\nstr:要显示的字符串\n"
              "c:颜色号\nlx:限制的右边框X位置,可省\n备注:\n"
              "x1\tX\t5\ny1\tY\t6\nstr\tstr\tab\nc\tc\t1\t...\nlx\tX\t0\n");
}

TEST(RebuildCommand, ChangesNamedValues) {
    TempDir dir;
    CliRun r = In(dir, {"rebuild", "DS16(5,6,'ab',1)", "str=x y", "c=3"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "DS16(5,6,'x y',3,0)\n");
    r = In(dir, {"rebuild", "BOX(0,0,1,1,1)", "q=1"});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err, "quelmo: the statement has no parameter q\n");
}

TEST(CCodeCommand, WritesEachStyle) {
    TempDir dir;
    EXPECT_EQ(In(dir, {"ccode"}, "CLS(0);\n").out, "GpuSend(\"CLS(0);\");\nGpuSend(\"\\r\\n\");\n");
    EXPECT_EQ(In(dir, {"ccode", "--arduino", "--hex", "-"}, "DS16(0,0,'汉',1);\n").out,
              "Serial.print(\"DS16(0,0,'\\xBA\\xBA',1);\"); //DS16(0,0,'汉',1);\nSerial.print(\"\\r\\n\");\n");
    EXPECT_EQ(In(dir, {"ccode", "--single-line"}, "CLS(0);\nCLS(1);\n").out, "GpuSend(\"CLS(0);CLS(1);\\r\\n\");\n");
    EXPECT_EQ(In(dir, {"ccode", (dir.path() / "missing").string()}).exit_code, 2);
}

TEST(PymbCommand, UsesGivenTextsElseTheWorkspaceElseTheDefaults) {
    TempDir dir;
    CliRun r = In(dir, {"pymb"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const fs::path bin = dir.path() / "temp" / "pymb.bin";
    EXPECT_EQ(r.out, bin.string() + ": " + std::to_string(fs::file_size(bin)) + " bytes\n");

    std::ofstream(dir.path() / "temp" / "srf.mb", std::ios::binary) << "=a=xy\r\n=\r\n";
    r = In(dir, {"pymb"});
    EXPECT_EQ(r.out, "error code: =\n" + bin.string() + ": 1129 bytes\n");
    EXPECT_EQ(fs::file_size(bin), 1129u);

    std::ofstream(dir.path() / "ini", std::ios::binary) << "#S00#abc\r\n";
    std::ofstream(dir.path() / "mb", std::ios::binary) << "=a=" << std::string(70000, 'x');
    r = In(dir, {"pymb", "--ini", (dir.path() / "ini").string(), "--mb", (dir.path() / "mb").string()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err.rfind("quelmo: ", 0), 0u) << r.err;
    EXPECT_EQ(fs::file_size(bin), 1129u);  // a refused table leaves the last file alone
}

}  // namespace
}  // namespace quelmo::test
