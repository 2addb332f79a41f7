// The splitter, the command name and the argument readers, observed through a recording handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/tcmd.h"
#include "flash/trom.h"
#include "support/screen.h"

namespace quelmo::test {
namespace {

// Records every statement that reaches the handler of "T" and of "BOX".
struct Recorder {
    Recorder() : cmd(rom) {
        cmd.Screen().SetSurface(pixels.View());
        current = this;
        cmd.Register("T", [](Tcmd& c) { current->seen.push_back(c.Statement()); }, Tcmd::kTypeNoBounds);
        cmd.Register("BOX", [](Tcmd& c) { current->seen.push_back(c.Statement()); }, Tcmd::kTypeNoBounds);
    }
    static inline Recorder* current = nullptr;
    Trom rom;
    PixelBuffer pixels{8, 8};
    Tcmd cmd;
    std::vector<std::string> seen;
};

TEST(Splitter, CutsAtSemicolonsOutsideQuotesAndDropsWhitespace) {
    const struct {
        std::string text;
        std::vector<std::string> statements;
    } cases[] = {
        {"T(0);T(0,0,'a;b',1);", {"T(0)", "T(0,0,'a;b',1)"}},
        {"T(0)", {}},                                   // no closing ';': nothing runs
        {" BOX ( 0 , 0 , 10 , 10 , 1 ) ;", {"BOX(0,0,10,10,1)"}},
        {"T(' a\tb\r\n');", {"T(' a\tb\r\n')"}},        // kept inside quotes
        {"T('it\\'s;x');T(1);", {"T('it\\'s;x')", "T(1)"}},  // \' does not close the quote
        {";;\r\n;T;", {"T"}},                           // empty statements are skipped
        {"T(1);T(2", {"T(1)"}},                         // text after the last ';' is not run
        {"T('\xB5\xA5');", {"T('\xB5\xA5')"}},          // GBK bytes are kept
        {"T(\x01\x7F);", {"T(\x7F)"}},                  // control bytes vanish, DEL is kept
    };
    for (const auto& c : cases) {
        Recorder r;
        r.cmd.RunText(c.text);
        EXPECT_EQ(r.seen, c.statements) << c.text;
    }
}

TEST(StatementName, FollowsTheFirstRuleThatApplies) {
    const std::pair<std::string, std::string> cases[] = {
        {"Q128", "Qn"},   {"S0", "Sn"},       {"DR2", "DRn"},   {"SBC(1)", "SBC"},
        {"RQX", "RQX"},   {"Q", "Q"},         {"QX(1)", "QX"},  {"SXY(1,2)", "SXY"},
        {"DR", "DR"},     {"DRX(1)", "DRX"},  {"a;b", "a"},     {"cls(0)", "cls"},
        {"", ""},         {"S1(2)", "Sn"},
    };
    for (const auto& [statement, name] : cases) EXPECT_EQ(Tcmd::StatementName(statement), name) << statement;
}

TEST(StatementName, OnlyThreeNamesOpenGroups) {
    for (const char* name : {"SXY", "W8UE", "CEUE"}) EXPECT_TRUE(Tcmd::OpensGroup(name)) << name;
    for (const char* name : {"sxy", "BOX", "SXY(", "", "W8BF"}) EXPECT_FALSE(Tcmd::OpensGroup(name)) << name;
}

// Reads the arguments of `statement` from position `pos` with the readers named in `kinds`
// (I integer, X, Y, S string) and returns them as text.
std::vector<std::string> Read(Tcmd& cmd, const std::string& statement, int pos, const std::string& kinds) {
    cmd.SetStatement(statement);
    cmd.SetPos(pos);
    std::vector<std::string> out;
    for (char k : kinds) {
        if (k == 'S') out.push_back(cmd.ReadString());
        else if (k == 'X') out.push_back(std::to_string(cmd.ReadX()));
        else if (k == 'Y') out.push_back(std::to_string(cmd.ReadY()));
        else out.push_back(std::to_string(cmd.ReadInt()));
    }
    return out;
}

TEST(Readers, ReadNumbersAndStringsAsTheModuleDoes) {
    Trom rom;
    Tcmd cmd(rom);
    using V = std::vector<std::string>;
    // Six digits: the sixth is taken as the separator, the comma then reads as an empty argument.
    EXPECT_EQ(Read(cmd, "PL(0,0,123456,10,1)", 4, "XYXYI"), (V{"0", "0", "12345", "0", "10"}));
    // No sign: '-' reads as 0 and is itself the separator.
    EXPECT_EQ(Read(cmd, "BOX(-5,0,10,10,1)", 5, "XYXYI"), (V{"0", "5", "0", "10", "10"}));
    // Empty and missing arguments read as 0; a malformed number reads its leading digits.
    EXPECT_EQ(Read(cmd, "X(,7x,", 3, "IIII"), (V{"0", "7", "0", "0"}));
    // Escapes inside strings.
    EXPECT_EQ(Read(cmd, "DS16(0,0,'it\\'s',1)", 6, "XYSI"), (V{"0", "0", "it's", "1"}));
    EXPECT_EQ(Read(cmd, "DS16(0,0,'a\\\\b',1)", 6, "XYSI"), (V{"0", "0", "a\\b", "1"}));
    EXPECT_EQ(Read(cmd, "DS16(0,0,'\\n',1)", 6, "XYSI"), (V{"0", "0", "n", "1"}));
    // A string that is cut by the end of the statement.
    EXPECT_EQ(Read(cmd, "DS16(0,0,'ab", 6, "XYSI"), (V{"0", "0", "ab", "0"}));
    // The second byte of a GBK character that happens to be 0x5C escapes the byte after it.
    EXPECT_EQ(Read(cmd, "T('\x81\x5C'')", 3, "S"), (V{"\x81'"}));
}

TEST(Readers, StringsStopAfter103Bytes) {
    Trom rom;
    Tcmd cmd(rom);
    const std::string s102(102, 'a');
    auto whole = Read(cmd, "DS16(0,0,'" + s102 + "',7)", 6, "XYSI");
    EXPECT_EQ(whole[2], s102);
    EXPECT_EQ(whole[3], "7");
    // 110 bytes: 103 are taken, and the colour is read from the rest of the string.
    const std::string s110 = std::string(103, 'a') + "42bcdef";
    auto cut = Read(cmd, "DS16(0,0,'" + s110 + "',7)", 6, "XYSI");
    EXPECT_EQ(cut[2], std::string(103, 'a'));
    EXPECT_EQ(cut[3], "42");
}

TEST(Readers, CoordinatesCarryTheDisplayOffset) {
    Screen s(200, 100);
    s.Run("SXY(100,50);");
    EXPECT_EQ(s.cmd.OffsetX(), 100);
    EXPECT_EQ(s.cmd.OffsetY(), 50);
    s.Run("PS(10,10,1);CLS(0);PS(10,10,1);");  // the offset survives CLS
    EXPECT_EQ(s.At(110, 60), s.Colour(1));
    EXPECT_EQ(s.Count(s.Colour(1)), 1);
    s.Run("SXY(0,0);PS(1,2,2);");
    EXPECT_EQ(s.At(1, 2), s.Colour(2));
    // SXY's own arguments are plain numbers, not shifted by the old offset.
    s.Run("SXY(5,5);SXY(7,8);");
    EXPECT_EQ(s.cmd.OffsetX(), 7);
    EXPECT_EQ(s.cmd.OffsetY(), 8);
}

}  // namespace
}  // namespace quelmo::test
