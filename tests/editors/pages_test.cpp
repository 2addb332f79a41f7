#include "editors/pages.h"

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace quelmo::test {
namespace {
namespace fs = std::filesystem;

TEST(PageList, FreshStoreGives128EmptyCaptions) {
    THashTable store;
    PageEditor editor(store);
    EXPECT_EQ(editor.Item(0).caption, "1:");
    EXPECT_EQ(editor.Item(127).caption, "128:");
    EXPECT_EQ(editor.CurrentPage(), 0);
}

TEST(PageList, RebuildReadsPageKeys) {
    THashTable store;
    store.SetValue("pgcn2", "CLS(0);");
    store.SetValue("page2", "menu");
    PageEditor editor(store);
    EXPECT_EQ(editor.Item(2).caption, "3:menu");
    EXPECT_EQ(editor.Item(2).text, "CLS(0);");
    store.SetValue("page127", "last");
    editor.Rebuild();
    EXPECT_EQ(editor.Item(127).caption, "128:last");
}

TEST(PageLayout, OneStatementPerLineOutsideStrings) {
    const struct {
        const char* text;
        const char* laid_out;
    } cases[] = {
        {"CLS(0); DS12(0,0,'a b;c',1);", "CLS(0);\r\nDS12(0,0,'a b;c',1);\r\n"},
        {"CLS(0);\r\n\r\nCLS(1);", "CLS(0);\r\nCLS(1);\r\n"},
        {"DS12(0,0,'it\\'s; x',1);", "DS12(0,0,'it\\'s; x',1);\r\n"},     // \' does not end the string
        {"DS12(0,0,'a\\\\',1); CLS(0);", "DS12(0,0,'a\\\\',1);\r\nCLS(0);\r\n"},  // \\ leaves no escape
        {"DS12(0,0,'\\'';x", "DS12(0,0,'\\'';\r\nx"},  // after \' the next quote ends the string
        {"'a\r\nb'", "'ab'"},
        {"  ", ""},
        {"CLS(0)", "CLS(0)"},
    };
    for (const auto& c : cases) EXPECT_EQ(LayoutPage(c.text), c.laid_out) << c.text;
}

TEST(PageSave, NeedsAChosenPage) {
    THashTable store;
    PageEditor editor(store);
    auto s = editor.Save("CLS(0);", "x");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().message, "您没有预先点击批界面序号按钮,已确定修改的批界面编号,当前语句属于临时使用,无法存储!");
    EXPECT_EQ(store.Count(), 0u);
}

TEST(PageSave, StoresTextAndNameUnderThePageKeys) {
    THashTable store;
    PageEditor editor(store);
    store.SetValue("page4", "old");
    editor.Rebuild();
    const ChosenPage chosen = editor.Choose(4);
    EXPECT_EQ(chosen.name, "old");
    EXPECT_EQ(editor.CurrentPage(), 5);
    ASSERT_TRUE(editor.Save("CLS(0);\r\nCLS(1);", "menu"));
    EXPECT_EQ(store.GetValue("pgcn4"), "CLS(0);\r\nCLS(1);");
    EXPECT_EQ(store.GetValue("page4"), "menu");
    EXPECT_EQ(editor.Item(4).caption, "5:menu");
    EXPECT_EQ(editor.Item(4).text, "CLS(0);\r\nCLS(1);");

    // A name holding ':' comes back whole: the name starts after the caption's first ':'.
    ASSERT_TRUE(editor.Save("x", "a:b"));
    EXPECT_EQ(editor.Choose(4).name, "a:b");
}

TEST(PageSave, TextMustBeShorterThanTheSlot) {
    THashTable store;
    PageEditor editor(store);
    editor.Choose(0);
    ASSERT_TRUE(editor.Save(std::string(1023, 'a'), "full"));
    EXPECT_EQ(store.GetValue("pgcn0").size(), 1023u);
    auto s = editor.Save(std::string(1024, 'b'), "over");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().message, "保存失败!语句超过1024字节,请减少!");
    EXPECT_EQ(store.GetValue("pgcn0"), std::string(1023, 'a'));
    EXPECT_EQ(store.GetValue("page0"), "full");
    EXPECT_EQ(editor.Item(0).caption, "1:full");
}

TEST(PageImport, ReadsTheOldFilesThatExistAndLeavesTheOthers) {
    ScratchDir dir;
    WriteFile(dir / "scr/Page1.str", "x\r\nfirst\r\nCLS(0);|R|ADS12(0,0,'x',1);\r\nignored\r\n");
    WriteFile(dir / "scr/Page3.str", "x\r\nthird\r\nCLS(3);\r\n");
    WriteFile(dir / "scr/Page128.str", "x\r\nnever\r\nCLS(9);\r\n");
    THashTable store;
    store.SetValue("pgcn1", "kept");
    store.SetValue("page1", "two");
    PageEditor editor(store);
    auto r = editor.ImportOld(dir / "scr/Page1.str");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->imported, (std::vector<int>{1, 3}));
    EXPECT_EQ(store.GetValue("pgcn0"), "CLS(0);\r\nDS12(0,0,'x',1);");
    EXPECT_EQ(store.GetValue("page0"), "first");
    EXPECT_EQ(store.GetValue("pgcn2"), "CLS(3);");
    EXPECT_EQ(editor.Item(2).caption, "3:third");
    EXPECT_EQ(store.GetValue("pgcn1"), "kept");
    EXPECT_EQ(editor.Item(1).caption, "2:two");
    EXPECT_EQ(store.GetValue("pgcn127"), "");
}

TEST(PageImport, FileNamesMatchInAnyLetterCase) {
    ScratchDir dir;
    WriteFile(dir / "page1.str", "x\r\none\r\nA;\r\n");
    WriteFile(dir / "PAGE2.STR", "x\r\ntwo\r\nB;\r\n");
    THashTable store;
    PageEditor editor(store);
    auto r = editor.ImportOld(dir / "page1.str");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->imported, (std::vector<int>{1, 2}));
    EXPECT_EQ(store.GetValue("pgcn0"), "A;");
    EXPECT_EQ(store.GetValue("pgcn1"), "B;");  // not a second copy of page 1
}

TEST(PageImport, OverlongAndShortFiles) {
    ScratchDir dir;
    WriteFile(dir / "Page1.str", "x\r\nlong\r\n" + std::string(1024, 'a') + "\r\n");
    WriteFile(dir / "Page2.str", "x\r\nname only\r\n");
    WriteFile(dir / "Page3.str", "");
    WriteFile(dir / "Page4.str", "x\r\nlf\r\n" + std::string(1022, 'b') + "|R\r\n");  // 1023 bytes once unescaped
    THashTable store;
    store.SetValue("pgcn0", "before");
    PageEditor editor(store);
    auto r = editor.ImportOld(dir / "Page1.str");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->too_long, std::vector<int>{1});
    EXPECT_EQ(r->imported, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(store.GetValue("pgcn0"), "before");
    EXPECT_EQ(store.GetValue("page1"), "name only");
    EXPECT_EQ(store.GetValue("pgcn1"), "");
    EXPECT_EQ(store.GetValue("pgcn3").size(), 1023u);
}

TEST(PageImport, RefusesAFileThatIsNotPage1) {
    ScratchDir dir;
    WriteFile(dir / "Page2.str", "x\r\ntwo\r\nB;\r\n");
    THashTable store;
    PageEditor editor(store);
    EXPECT_FALSE(editor.ImportOld(dir / "Page2.str"));
    EXPECT_FALSE(editor.ImportOld(dir / "Page1.str"));  // does not exist
    EXPECT_EQ(store.Count(), 0u);
}

}  // namespace
}  // namespace quelmo::test
