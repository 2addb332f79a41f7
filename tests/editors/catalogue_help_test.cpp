#include <gtest/gtest.h>

#include "core/catalogue.h"
#include "core/gbk.h"
#include "editors/statement_help.h"
#include "support/screen.h"

namespace quelmo {
namespace {

std::string G(std::string_view utf8) { return Utf8ToGbk(utf8); }
std::string U(std::string_view gbk) { return GbkToUtf8(gbk); }

TEST(Catalogue, HoldsEveryEntryInOrderUnderItsFiveKeys) {
    const Catalogue& cat = Catalogue::Shared();
    ASSERT_EQ(cat.Names().size(), 55u);
    EXPECT_EQ(cat.Names().front(), "LABL");
    EXPECT_EQ(cat.Names().back(), "SEBL");
    EXPECT_EQ(cat.Table().Count(), 55u * 5);
    EXPECT_EQ(cat.Table().Keys()[0], "LABL#T");
    EXPECT_EQ(cat.Table().Keys()[4], "LABL#P");

    EXPECT_EQ(cat.Type("CPIC"), 5);
    EXPECT_EQ(U(cat.Signature("PLAB")), "图片叠加标签:PABL(m,x1,y1,x2,str,c,ali,pn);");
    EXPECT_EQ(cat.Example("ICON"), "ICON(0,0,10,11,1,0);");
    EXPECT_EQ(U(cat.Remark("CBOX")), "本语句是模拟显示");
    EXPECT_EQ(U(cat.Parameters("SCC")), "c:c:颜色号\r\ncolor:color:0~65535 64K颜色值");
    // A name without an entry reads as empty text and type 0.
    EXPECT_EQ(cat.Type("PS12"), 0);
    EXPECT_EQ(cat.Signature("W8UE"), "");
    EXPECT_EQ(cat.Parameters("RQX"), "");
}

TEST(Catalogue, PaletteHasNineCategoriesWithCaptionsInOrder) {
    const Catalogue& cat = Catalogue::Shared();
    EXPECT_EQ(cat.PaletteCategories(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 9}));
    EXPECT_EQ(U(Catalogue::CategoryName(0)), "基本绘图指令");
    EXPECT_EQ(U(Catalogue::CategoryName(8)), "表格相关指令");
    std::vector<std::string> basic;
    for (const auto& c : cat.Captions(0)) basic.push_back(U(c));
    EXPECT_EQ(basic, (std::vector<std::string>{"清屏:CLS", "空心方框:BOX", "实心方框:BOXF", "画园:CIR", "画实心园:CIRF",
                                               "画点:PS", "画线:PL", "圆角空心方框:CBOX", "圆角实心方框:CBOF"}));
    EXPECT_EQ(U(cat.Captions(1).front()), "显示标签:LABL");
    EXPECT_EQ(U(cat.Captions(3)[3]), "图片叠加标签:PLAB");  // named by the command, not the signature
    EXPECT_TRUE(cat.Captions(8).empty());
}

TEST(Catalogue, PaletteButtonGivesTheTrimmedDefaultStatement) {
    const Catalogue& cat = Catalogue::Shared();
    EXPECT_EQ(cat.PaletteStatement(G("清屏:CLS")), "CLS(0)");
    EXPECT_EQ(cat.PaletteStatement(G("显示图标:ICON")), "ICON(0,0,10,11,1,0);");
    EXPECT_EQ(cat.PaletteStatement(G("送数据:Qn")), "Q128");
    EXPECT_EQ(cat.PaletteStatement(G("无此命令:XYZW")), "");
    EXPECT_EQ(cat.PaletteStatement("no colon"), "");
}

// Every name the interpreter runs with a catalogue type must run with the same type, since the
// runner and the editors read the type from different tables.
TEST(Catalogue, TypesAgreeWithTheHandlerTable) {
    test::Screen s;
    int both = 0;
    for (const auto& name : Catalogue::Shared().Names()) {
        const int handler_type = s.cmd.TypeOf(name);
        if (handler_type == Tcmd::kTypeNone) continue;
        ++both;
        EXPECT_EQ(handler_type, Catalogue::Shared().Type(name)) << name;
    }
    EXPECT_GE(both, 13);
}

TEST(StatementHelp, ButtonShowsRowsKindsAndTheDescriptionUpToItsFirstSpace) {
    test::Screen s;
    s.editor.design_dirty = 0;
    ParameterGrid grid;
    const std::string help = U(ShowStatementHelp(s.cmd, s.editor, "BTN(1,10,10,110,110,3)", grid));
    EXPECT_EQ(help.substr(0, help.find("\r\nn:")), "语法描述:\r\n按钮热区:BTN(n,x1,y1,x2,y2,t,asc);参数:");
    EXPECT_NE(help.find("\r\nn:区域编号\r\n"), std::string::npos);
    EXPECT_NE(help.find("\r\nt:显示类型;=0\r\n"), std::string::npos);
    EXPECT_TRUE(help.ends_with("\r\nasc:按钮键码\r\n备注:"));

    const std::vector<std::pair<std::string, std::string>> want = {
        {"n", "1"}, {"x1", "10"}, {"y1", "10"}, {"x2", "110"}, {"y2", "110"}, {"t", "3"}, {"asc", "0"}};
    ASSERT_EQ(grid.rows.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(grid.rows[i].name, want[i].first);
        EXPECT_EQ(grid.rows[i].value, want[i].second) << want[i].first;
        EXPECT_EQ(grid.rows[i].chooser, i == 6) << want[i].first;
    }
    EXPECT_EQ(s.editor.kinds[1], "int");
    EXPECT_EQ(s.editor.kinds[2], "X");
    EXPECT_EQ(s.editor.kinds[7], "asc");
    EXPECT_EQ(s.editor.kinds[8], "");
    EXPECT_EQ(s.editor.design_dirty, 1);
}

TEST(StatementHelp, UnknownCommandHasOnlyTheFixedCaptions) {
    test::Screen s;
    ParameterGrid grid{{{"old", "int", "1", false}}};
    EXPECT_EQ(U(ShowStatementHelp(s.cmd, s.editor, "XYZ(1,2)", grid)), "语法描述:\r\n参数:\r\n备注:");
    EXPECT_TRUE(grid.rows.empty());
    EXPECT_EQ(ApplyParameterGrid("XYZ(1,2)", grid), "XYZ");
}

TEST(StatementHelp, ApplyingTheUnchangedGridFillsOmittedCoordinates) {
    test::Screen s;
    ParameterGrid grid;
    ShowStatementHelp(s.cmd, s.editor, "DS16(5,6,'ab',1)", grid);
    EXPECT_EQ(grid.Find("str")->value, "ab");
    EXPECT_EQ(ApplyParameterGrid("DS16(5,6,'ab',1)", grid), "DS16(5,6,'ab',1,0)");

    grid.Find("str")->value = "x y";
    grid.Find("c")->value = "";
    grid.Find("x1")->value = "";
    EXPECT_EQ(ApplyParameterGrid("DS16", grid), "DS16(0,6,'x y',,0)");

    grid.Find("c")->value = "red";  // not a number: copied as it stands
    EXPECT_EQ(ApplyParameterGrid("DS16", grid), "DS16(0,6,'x y',red,0)");

    EXPECT_EQ(ApplyParameterGrid("RQX", grid), "RQX");
}

TEST(StatementHelp, StringsWithQuotesOrBackslashesSurviveTheRoundTrip) {
    test::Screen s;
    ParameterGrid grid;
    ShowStatementHelp(s.cmd, s.editor, R"(DS16(0,0,'it\'s a\\b',1))", grid);
    EXPECT_EQ(grid.Find("str")->value, R"(it's a\b)");
    EXPECT_EQ(ApplyParameterGrid("DS16", grid), R"(DS16(0,0,'it\'s a\\b',1,0))");
}

TEST(StatementHelp, CoordinatesIncludeTheDisplayOffset) {
    test::Screen s(320, 240);
    s.Run("SXY(100,0);");
    ParameterGrid grid;
    ShowStatementHelp(s.cmd, s.editor, "BOX(10,10,20,20,1)", grid);
    EXPECT_EQ(grid.Find("x1")->value, "110");
    EXPECT_EQ(grid.Find("y1")->value, "10");
}

TEST(RebuildStatement, TakesBoundsAndSizeAndTheOtherValuesFromTheGrid) {
    test::Screen s;
    ParameterGrid grid;
    ShowStatementHelp(s.cmd, s.editor, "CPIC(1,2,3,4,5,6,7)", grid);
    s.cmd.SetBounds({11, 12, 41, 52});
    s.editor.width_value = 30;
    s.editor.height_value = 40;
    EXPECT_EQ(RebuildStatement(s.cmd, s.editor, "CPIC(1,2,3,4,5,6,7)", grid), "CPIC(11,12,3,4,5,30,40)");

    // A positive display offset comes off the coordinates; strings are quoted.
    s.Run("SXY(10,5);");
    ShowStatementHelp(s.cmd, s.editor, "LABL(24,20,10,200,'ab',15,1)", grid);
    s.cmd.SetBounds({40, 25, 240, 49});
    EXPECT_EQ(RebuildStatement(s.cmd, s.editor, "LABL", grid), "LABL(24,30,20,230,'ab',15,1)");
}

TEST(SplitParameterLine, SeparatesAtColonsSpacesAndQuotes) {
    EXPECT_EQ(SplitParameterLine("a:int:x y"), (std::vector<std::string>{"a", "int", "x", "y"}));
    EXPECT_EQ(SplitParameterLine("a::b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitParameterLine("a:\"q r\":s"), (std::vector<std::string>{"a", "q r", "s"}));
    EXPECT_EQ(SplitParameterLine("  a :  b:"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_TRUE(SplitParameterLine("").empty());
}

}  // namespace
}  // namespace quelmo
