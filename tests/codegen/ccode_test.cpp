#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codegen/ccode.h"
#include "core/gbk.h"
#include "core/hashtable.h"

namespace quelmo {
namespace {

namespace fs = std::filesystem;

std::string G(std::string_view utf8) { return Utf8ToGbk(utf8); }

std::vector<std::string> Lines(std::string_view text, CCodeOptions o) { return GenerateCCode(G(text), o); }

TEST(CCode, PerLineOutputInBothStyles) {
    EXPECT_EQ(Lines("CLS(0);", {}), (std::vector<std::string>{"GpuSend(\"CLS(0);\");", "GpuSend(\"\\r\\n\");"}));
    EXPECT_EQ(Lines("CLS(0);", {.arduino = true}),
              (std::vector<std::string>{"Serial.print(\"CLS(0);\");", "Serial.print(\"\\r\\n\");"}));
    EXPECT_EQ(Lines("", {}), (std::vector<std::string>{"GpuSend(\"\\r\\n\");"}));
    EXPECT_EQ(Lines("CLS(0);\r\nBOX(0,0,9,9,1);\r\n", {.single_line = true}),
              (std::vector<std::string>{"GpuSend(\"CLS(0);BOX(0,0,9,9,1);\\r\\n\");"}));
}

// Texts the escaping has always handled keep their exact output.
TEST(CCode, EscapesQuotesAndChineseAsBefore) {
    const struct {
        const char* in;
        bool hex;
        const char* out;
    } cases[] = {
        {"DS16(0,0,'a\"b',1);", false, "DS16(0,0,'a\\\"b',1);"},
        {"DS16(0,0,'it\\'s',1);", false, "DS16(0,0,'it\\\\\\'s',1);"},
        {"DS16(0,0,'汉',1);", true, "DS16(0,0,'\\xBA\\xBA',1);"},
        {"DS16(0,0,'汉',1);", false, "DS16(0,0,'\xBA\xBA',1);"},
        {"DS16(0,0,'a b',1);\t", false, "DS16(0,0,'a b',1);"},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeCCode(G(c.in), c.hex), c.out) << c.in;
    EXPECT_EQ(Lines("DS16(0,0,'汉',1);", {.hex = true})[0],
              G("GpuSend(\"DS16(0,0,'\\xBA\\xBA',1);\"); //DS16(0,0,'汉',1);"));
}

TEST(CCode, MendedEscapesDecodeToTheCommandBytes) {
    EXPECT_EQ(EscapeCCode("'a\\\\b'", false), "'a\\\\\\\\b'");  // 'a\\b' -> each backslash doubled
    EXPECT_EQ(EscapeCCode("'\\n'", false), "'\\\\n'");
    EXPECT_EQ(EscapeCCode(G("'汉A'"), true), "'\\xBA\\xBA\"\"A'");
    EXPECT_EQ(EscapeCCode(G("'汉g'"), true), "'\\xBA\\xBAg'");  // not a hex digit: nothing added
}

// The generated program, compiled with the system's C compiler and run with a GpuSend that
// writes its argument, must send exactly the command text: each line without its control
// bytes, then CR LF.
class CompiledCCode : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quelmo_ccode_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string CompileAndRun(const std::vector<std::string>& calls) {
        const fs::path src = dir_ / "send.c", exe = dir_ / "send";
        {
            std::ofstream out(src, std::ios::binary);
            out << "#include <stdio.h>\n#include <string.h>\n"
                   "static void GpuSend(const char* s) { fwrite(s, 1, strlen(s), stdout); }\n"
                   "static struct { void (*print)(const char*); } Serial = { GpuSend };\n"
                   "int main(void) {\n(void)Serial;\n";
            for (const auto& call : calls) out << call << "\n";
            out << "return 0;\n}\n";
        }
        std::string compile = "gcc -std=c99 -Wall -Werror -o '";
        compile.append(exe.string()).append("' '").append(src.string()).append("' 2>&1");
        FILE* p = popen(compile.c_str(), "r");
        std::string diag;
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) diag.append(buf, n);
        EXPECT_EQ(pclose(p), 0) << diag;
        std::string sent;
        std::string run = "'";
        run.append(exe.string()).append("'");
        p = popen(run.c_str(), "r");
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) sent.append(buf, n);
        pclose(p);
        return sent;
    }

    fs::path dir_;
};

TEST_F(CompiledCCode, SendsExactlyTheCommandText) {
    const std::vector<std::string> texts = {
        "CLS(0);",
        R"(DS16(0,0,'it\'s',1);)",
        R"(DS16(0,0,'a\\b',1);)",
        R"(DS16(0,0,'\n',1);)",
        R"(DS16(0,0,'x\?y',1);)",
        R"(DS16(0,0,'a"b',1);)",
        R"(DS16(0,0,'a\"b',1);)",
        R"(DS16(0,0,'end\',1);)",
        "DS16(0,0,'汉A',1);",
        "DS16(0,0,'汉字abc',1);BOX(0,0,9,9,1);",
        R"(PL(1,"2\3);)",
        // A line ending in a backslash must not carry its comment onto the next line.
        R"(DS16(0,0,'a',1);\)",
        "CLS(1);",
        "DS16(0,0,'汉',1);\\  ",
        "BOX(0,0,9,9,1);",
        // Trigraphs: "??/" is a backslash and "??=" a '#' to a C compiler.
        "DS16(0,0,'what?\?/',1);?\?/",
        "CLS(2);",
        "DS16(0,0,'a?\?=b?\?\?',1);",
    };
    std::string text, want;
    for (const auto& t : texts) {
        const std::string gbk = G(t);
        text.append(gbk).append("\r\n");
        want.append(gbk);
    }
    want.append("\r\n");
    std::string single_want;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20) single_want.push_back(c);
    single_want.append("\r\n");

    const struct {
        CCodeOptions options;
        const std::string& want;
    } runs[] = {
        {{}, want},
        {{.hex = true}, want},
        {{.arduino = true, .hex = true}, want},
        {{.single_line = true}, single_want},
        {{.hex = true, .single_line = true}, single_want},
    };
    for (const auto& run : runs) {
        const std::string sent = CompileAndRun(GenerateCCode(text, run.options));
        EXPECT_EQ(sent, run.want) << "hex " << run.options.hex << " arduino " << run.options.arduino << " single "
                                  << run.options.single_line;
    }
}

}  // namespace
}  // namespace quelmo
