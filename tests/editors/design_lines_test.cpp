#include <gtest/gtest.h>

#include "core/catalogue.h"
#include "core/gbk.h"
#include "editors/design_lines.h"

namespace quelmo {
namespace {

using Lines = std::vector<std::string>;

TEST(LoadCodeLines, GroupsStatementsAfterAnOffsetStatement) {
    const struct {
        const char* text;
        Lines lines;
    } cases[] = {
        {"CLS(0); SXY(10,20); DS16(0,0,'a;b',1); SXY(0,0); BOX(0,0,9,9,1);",
         {"CLS(0)", "[SXY(10,20);DS16(0,0,'a;b',1);SXY(0,0);]", "BOX(0,0,9,9,1)"}},
        // A text that ends inside a group closes it there.
        {"SXY(5,5);BOX(0,0,1,1,1);PS(1,1,1)", {"[SXY(5,5);BOX(0,0,1,1,1);PS(1,1,1);]"}},
        // SXY(0,0) outside a group is dropped; W8UE and CEUE open groups too.
        {"SXY(0,0);W8UE(1);PS(0,0,1);CEUE(2);;CLS(1);", {"[W8UE(1);PS(0,0,1);CEUE(2);]", "CLS(1)"}},
        // Blanks and control bytes outside strings vanish; a \' does not end a string.
        {"DS16 (0,\t0,'a b\\'; c',1);\r\n", {"DS16(0,0,'a b\\'; c',1)"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(LoadCodeLines(c.text), c.lines) << c.text;
}

TEST(DesignText, EndDesignAndImport) {
    EXPECT_EQ(EndDesignText({"CLS(0)", "[SXY(10,20);DS16(0,0,'a',1);SXY(0,0);]"}),
              "CLS(0);\r\nSXY(10,20);DS16(0,0,'a',1);SXY(0,0);;");
    EXPECT_EQ(EndDesignText({}), "");
    EXPECT_EQ(ImportText({"  CLS(0);  ", "BOX(0,0,9,9,1)"}), "CLS(0);BOX(0,0,9,9,1);");
    EXPECT_EQ(LoadCodeLines(ImportText({"CLS(0);", "SXY(1,2);PS(0,0,1);SXY(0,0);"})),
              (Lines{"CLS(0)", "[SXY(1,2);PS(0,0,1);SXY(0,0);]"}));
}

TEST(DesignText, LayOutOneStatementPerLine) {
    EXPECT_EQ(LayOutStatements("CLS(0); DS16(0,0,'a; b\\'c',1);\r\nPS(1, 1,1);"),
              "CLS(0);\r\nDS16(0,0,'a; b\\'c',1);\r\nPS(1,1,1);\r\n");
    // "\\" leaves no escape pending, so the quote after it ends the string.
    EXPECT_EQ(LayOutStatements("DS16(0,0,'a\\\\',1); PS(0,0,1);"), "DS16(0,0,'a\\\\',1);\r\nPS(0,0,1);\r\n");
    EXPECT_EQ(GroupEditText("[SXY(10,20);DS16(0,0,'a',1);SXY(0,0);]"),
              "SXY(10,20);\r\nDS16(0,0,'a',1);\r\nSXY(0,0);\r\n");
}

TEST(DesignText, DirectEditChecksTheGroupsEnds) {
    auto r = DirectEditGroup("SXY(10,20);\r\nBOX(0,0,5,5,1);\r\nSXY(0,0);\r\n");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, "[SXY(10,20);BOX(0,0,5,5,1);SXY(0,0);]");
    r = DirectEditGroup("BOX(0,0,5,5,1);\r\nSXY(0,0);");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().message, "语句组必须以 SXY 等设置左上角坐标的语句开头");
    r = DirectEditGroup("SXY(10,20);\r\nBOX(0,0,5,5,1);");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().message, "语句组必须以 SXY(0,0); 语句结尾");
}

TEST(DesignText, GroupDesignOpensAndEndsBackIntoTheSameLines) {
    const Lines lines = {"CLS(0)", "[SXY(10,20);DS16(0,0,'a',1);BOX(0,0,5,5,1);SXY(0,0);]", "[SXY(1,1);PS(0,0,1);SXY(0,0);]",
                         "BOX(1,1,2,2,1)"};
    Lines group;
    const GroupDesign d = OpenGroupDesign(lines, 1, group);
    EXPECT_EQ(d.before, "CLS(0);");
    EXPECT_EQ(d.head, "SXY(10,20);");
    EXPECT_EQ(d.after, "SXY(1,1);PS(0,0,1);SXY(0,0);;BOX(1,1,2,2,1);");
    EXPECT_EQ(group, (Lines{"DS16(0,0,'a',1)", "BOX(0,0,5,5,1)"}));

    group.push_back("PS(3,3,1)");
    const Lines after = LoadCodeLines(EndGroupDesign(d, group));
    EXPECT_EQ(after, (Lines{"CLS(0)", "[SXY(10,20);DS16(0,0,'a',1);BOX(0,0,5,5,1);PS(3,3,1);SXY(0,0);]",
                            "[SXY(1,1);PS(0,0,1);SXY(0,0);]", "BOX(1,1,2,2,1)"}));
}

TEST(DesignText, PaletteAppendsTheDefaultStatement) {
    const Catalogue& cat = Catalogue::Shared();
    Lines lines = {"CLS(0)"};
    EXPECT_TRUE(AppendPaletteLine(cat, Utf8ToGbk("显示图标:ICON"), lines));
    EXPECT_FALSE(AppendPaletteLine(cat, Utf8ToGbk("表格:TABL"), lines));
    EXPECT_EQ(lines, (Lines{"CLS(0)", "ICON(0,0,10,11,1,0);"}));
}

}  // namespace
}  // namespace quelmo
