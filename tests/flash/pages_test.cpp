// The page table: 128 slots of 1024 bytes at 0xE0000, each a text and its 0 byte.
#include <gtest/gtest.h>

#include <string>

#include "flash/layout.h"
#include "flash/trom.h"
#include "core/hashtable.h"
#include "tests/flash/workspace.h"

namespace quelmo {
namespace {

using test::NotErased;

const uint8_t* Slot(const Trom& rom, int n) { return rom.Image() + flash::kPageTable + n * flash::kPageSlotSize; }

// The slot's text up to its 0 byte (the whole slot when it has none).
std::string SlotText(const Trom& rom, int n) {
    const char* p = reinterpret_cast<const char*>(Slot(rom, n));
    return std::string(p, strnlen(p, flash::kPageSlotSize));
}

TEST(CompileAllPages, BaudRatePrefixAndLineBreaks) {
    Trom rom;
    THashTable settings;
    settings.SetValue("pgcn0", "CLS(0);\r\nCLS(1);");
    settings.SetValue("pgcn5", "\r\n\r\n");
    settings.SetValue("pgcn127", "A\rB\nC");
    rom.CompileAllPages(&settings, 2);
    const std::string page0 = "U2;CLS(0);CLS(1);";
    EXPECT_EQ(SlotText(rom, 0), page0);
    EXPECT_EQ(NotErased(rom, flash::kPageTable + page0.size() + 1, flash::kPageTable + flash::kPageSlotSize), 0u);
    EXPECT_EQ(SlotText(rom, 5), "");
    EXPECT_EQ(SlotText(rom, 127), "ABC");
    EXPECT_EQ(SlotText(rom, 1), "");
    EXPECT_EQ(settings.GetValue("pgcn0"), "CLS(0);\r\nCLS(1);");  // the store keeps its text

    rom.CompileAllPages(&settings, 6);  // 115200 needs no prefix
    EXPECT_EQ(SlotText(rom, 0), "CLS(0);CLS(1);");
}

TEST(CompileAllPages, NoPagesAtAll) {
    Trom rom;
    THashTable settings;
    rom.CompileAllPages(&settings, 3);
    EXPECT_EQ(SlotText(rom, 0), "U3;");
    for (int n = 1; n < flash::kPageCount; ++n) ASSERT_EQ(Slot(rom, n)[0], 0) << n;
    rom.CompileAllPages(nullptr, 6);
    EXPECT_EQ(Slot(rom, 0)[0], 0);
}

TEST(CompilePage, NumberIsTakenModulo128) {
    Trom rom;
    rom.CompilePage(128 + 7, "X;", 6);
    rom.CompilePage(-1, "Y;", 6);
    rom.CompilePage(128, "Z;", 4);  // page 0 again: the prefix applies
    EXPECT_EQ(SlotText(rom, 7), "X;");
    EXPECT_EQ(SlotText(rom, 127), "Y;");
    EXPECT_EQ(SlotText(rom, 0), "U4;Z;");
    EXPECT_EQ(NotErased(rom, flash::kPageTable + 128 * flash::kPageSlotSize, flash::kImageSize), 0u);
}

TEST(CompilePage, TextThatDoesNotFitIsCutInsideItsSlot) {
    const std::string chinese = "\xBA\xBA";  // one double-byte character
    struct Case {
        const char* what;
        int page;
        int btl;
        std::string text;
        size_t kept;  // text bytes in the slot, prefix included
        bool warned;
    } cases[] = {
        {"1023 bytes fit", 3, 6, std::string(1023, 'a'), 1023, false},
        {"1024 bytes are cut", 3, 6, std::string(1024, 'a'), 1023, true},
        {"the prefix pushes page 0 over", 0, 2, std::string(1021, 'a'), 1023, true},
        {"a character is not split", 3, 6, std::string(1022, 'a') + chinese, 1022, true},
        {"a character ending at 1023 stays", 3, 6, std::string(1021, 'a') + chinese + "b", 1023, true},
    };
    for (const auto& c : cases) {
        Trom rom;
        Warnings w;
        rom.CompilePage(c.page, c.text, c.btl, &w);
        const uint8_t* slot = Slot(rom, c.page);
        EXPECT_EQ(slot[c.kept], 0) << c.what;
        EXPECT_EQ(strnlen(reinterpret_cast<const char*>(slot), flash::kPageSlotSize), c.kept) << c.what;
        EXPECT_EQ(w.size(), c.warned ? 1u : 0u) << c.what;
        // The next slot is untouched.
        EXPECT_EQ(NotErased(rom, flash::kPageTable + (c.page + 1) * flash::kPageSlotSize,
                            flash::kPageTable + (c.page + 2) * flash::kPageSlotSize), 0u) << c.what;
    }
}

TEST(Build, CompilesThePagesLast) {
    test::FlashWorkspace ws;
    ws.Put("mini.sbin", 434176);  // fills its region up to the page table
    ws.settings.SetValue("pgcn1", "DS16(0,0,'\xBA\xBA',1);");
    ws.settings.SetValue("pgcn2", std::string(1500, 'x'));
    auto src = ws.Sources();
    src.btl = 0;
    Trom rom;
    Warnings w;
    ASSERT_TRUE(rom.Build(src, &w));
    EXPECT_EQ(SlotText(rom, 0), "U0;");
    EXPECT_EQ(SlotText(rom, 1), "DS16(0,0,'\xBA\xBA',1);");
    EXPECT_EQ(SlotText(rom, 2), std::string(1023, 'x'));
    ASSERT_EQ(w.size(), 1u);
    EXPECT_NE(w[0].find("page 3"), std::string::npos);
}

}  // namespace
}  // namespace quelmo
