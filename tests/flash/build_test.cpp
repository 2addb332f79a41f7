// Build: base image, fixed files and their regions, config block, placement from the top.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "flash/layout.h"
#include "flash/trom.h"
#include "tests/flash/workspace.h"

namespace quelmo {
namespace {

using test::FlashWorkspace;
using test::NotErased;
using test::SameBytes;

const uint8_t* Config(const Trom& rom) { return rom.Image() + flash::kConfigBlock; }

// The eight slots of the config block, in its order (bytes 2..17).
std::vector<uint16_t> Slots(const Trom& rom) {
    std::vector<uint16_t> s;
    for (uint32_t off = 2; off <= 16; off += 2) s.push_back(rom.ConfigValue(off));
    return s;
}

struct BuildTest : ::testing::Test {
    FlashWorkspace ws;
    Trom rom;
    Warnings warnings;
    Status Build() { return rom.Build(ws.Sources(), &warnings); }
};

TEST_F(BuildTest, EmptyWorkspaceWithoutBaseImage) {
    ASSERT_TRUE(Build());
    const uint8_t* c = Config(rom);
    const uint8_t head[] = {0xAE, 0x5F, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00,
                            0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
    EXPECT_EQ(std::memcmp(c, head, sizeof head), 0);
    for (int i = 18; i < 126; ++i) ASSERT_EQ(c[i], 0xFF) << i;
    EXPECT_EQ(c[126], 0x5E);
    EXPECT_EQ(c[127], 0xAF);
    // Everything else is erased, apart from the time stamp and the pages' 0 bytes.
    EXPECT_EQ(NotErased(rom, 0, flash::kConfigBlock), 0u);
    EXPECT_EQ(NotErased(rom, flash::kConfigBlock + 132, flash::kPageTable), 0u);
    for (int n = 0; n < flash::kPageCount; ++n) {
        const size_t slot = flash::kPageTable + static_cast<size_t>(n) * flash::kPageSlotSize;
        ASSERT_EQ(rom.Image()[slot], 0) << n;
        ASSERT_EQ(NotErased(rom, slot + 1, slot + flash::kPageSlotSize), 0u) << n;
    }
    EXPECT_EQ(NotErased(rom, flash::kPicData, flash::kImageSize), 0u);
    EXPECT_EQ(rom.PictureDataEnd(), 0xFFFFF);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(BuildTest, PymbAndGb2312Hz24FromTheTop) {
    const auto pymb = ws.Put("pymb.bin", 100000, 3);
    const auto hz24 = ws.Put("hz24.sbin", 588816, 5);
    ws.settings.SetInt("hz24bf", 1);
    ASSERT_TRUE(Build());
    const uint8_t expected[] = {0xF4, 0x70, 0xFD, 0x70, 0xFD, 0x70, 0xFD, 0x70, 0xFD,
                                0x70, 0xFD, 0x70, 0xFD, 0x70, 0xFF, 0x00};
    EXPECT_EQ(std::memcmp(Config(rom) + 2, expected, sizeof expected), 0);
    EXPECT_TRUE(SameBytes(rom.Image() + 0xFD7000, pymb));
    EXPECT_TRUE(SameBytes(rom.Image() + 0xF47000, hz24));
    // The tail of each rounded sector and the reserved top 64 KB stay erased.
    EXPECT_EQ(NotErased(rom, 0xFD7000 + pymb.size(), 0xFF0000 + 65536), 0u);
    EXPECT_EQ(NotErased(rom, 0xF47000 + hz24.size(), 0xFD7000), 0u);
}

TEST_F(BuildTest, GbkAboveGb2312AndAbsentFontsRepeatTheSlotBefore) {
    ws.Put("hz32.sbin", 5000);
    ws.Put("hz24.sbin", 100);
    ws.settings.SetInt("hz32bf", 2);
    ws.settings.SetInt("hz24bf", 1);
    ASSERT_TRUE(Build());
    // GBK 32 takes two sectors below 0xFF0000, the GB2312 24 font one more below it.
    EXPECT_EQ(Slots(rom), (std::vector<uint16_t>{0xFED0, 0xFEE0, 0xFEE0, 0xFEE0, 0xFEE0, 0xFEE0, 0xFF00, 0xFF00}));
}

TEST_F(BuildTest, MissingFontFileReservesOneEmptySector) {
    ws.settings.SetInt("hz48bf", 1);
    ws.settings.SetInt("hz16bf", 3);  // only 4 switches GBK16 on
    ws.settings.SetInt("hz32bf", 3);  // no such set: nothing placed
    ASSERT_TRUE(Build());
    EXPECT_EQ(Slots(rom), (std::vector<uint16_t>{0xFEF0, 0xFEF0, 0xFEF0, 0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00}));
    EXPECT_EQ(NotErased(rom, 0xFEF000, 0xFF0000), 0u);
}

TEST_F(BuildTest, EmptyPymbIsNotPlaced) {
    ws.Put("pymb.bin", 0);
    ASSERT_TRUE(Build());
    EXPECT_EQ(rom.ConfigValue(flash::kSlotPymb), 0xFF00);
}

TEST_F(BuildTest, MemorySizeSetsThePlacementTop) {
    struct Case { int mb; uint16_t top; } cases[] = {{2, 0x1F00}, {4, 0x3F00}, {8, 0x7F00}, {16, 0xFF00}};
    ws.Put("pymb.bin", 10);
    for (auto c : cases) {
        rom.SetMemorySize(c.mb);
        ASSERT_TRUE(Build()) << c.mb;
        EXPECT_EQ(rom.ConfigValue(flash::kSlotPlacementTop), c.top);
        EXPECT_EQ(rom.ConfigValue(flash::kSlotPymb), c.top - 16);
    }
    rom.SetMemorySize(3);
    auto s = Build();
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().code, 2);
}

TEST_F(BuildTest, CapacityAtTwoMegabytes) {
    rom.SetMemorySize(2);
    ws.Put("pymb.bin", 4096);  // cursor 0x1F0000 -> 0x1EF000
    ws.settings.SetInt("hz24bf", 1);
    ws.Put("hz24.sbin", 100);
    ws.settings.SetValue("pgcn0", "CLS(0);");
    // Picture data ending exactly at the cursor fits.
    ws.Put("pic.sbin", 0x1EE000 - flash::kPicData);
    ASSERT_TRUE(Build());
    EXPECT_EQ(rom.ConfigValue(flash::kSlotHz24Gb2312), 0x1EE0);

    // One byte more and the second step no longer fits: its slot and the ones after it stay FF,
    // the page table is not compiled.
    ws.Put("pic.sbin", 0x1EE000 - flash::kPicData + 1);
    auto s = Build();
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().message, kNoRoomMessage);
    EXPECT_EQ(s.error().code, 1);
    EXPECT_EQ(Slots(rom), (std::vector<uint16_t>{0xFFFF, 0x1EF0, 0x1EF0, 0x1EF0, 0x1EF0, 0x1EF0, 0x1EF0, 0x1F00}));
    EXPECT_EQ(rom.Image()[flash::kPageTable], 0xFF);

    // Ending above the first item's place fails at the first step.
    ws.Put("pic.sbin", 0x1EF000 - flash::kPicData + 1);
    ASSERT_FALSE(Build());
    EXPECT_EQ(rom.ConfigValue(flash::kSlotPymb), 0xFFFF);
}

TEST_F(BuildTest, NothingToPlaceMeansNoCapacityCheck) {
    rom.SetMemorySize(2);
    ws.Put("pic.sbin", 0x180000);  // ends at 0x280000, past the 2 MB module
    ASSERT_TRUE(Build());
    EXPECT_EQ(rom.PictureDataEnd(), 0x280000);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("0x280000"), std::string::npos);
}

TEST_F(BuildTest, FixedFilesGoToTheirRegions) {
    const auto idx = ws.Put("mini.idx", 8192, 1);
    const auto sbin = ws.Put("mini.sbin", 1000, 2);
    const auto pidx = ws.Put("pic.idx", 16, 3);
    const auto pic = ws.Put("pic.sbin", 12345, 4);
    ASSERT_TRUE(Build());
    EXPECT_TRUE(SameBytes(rom.Image() + 0x2000, idx));
    EXPECT_TRUE(SameBytes(rom.Image() + 0x76000, sbin));
    EXPECT_TRUE(SameBytes(rom.Image() + 0x4000, pidx));
    EXPECT_TRUE(SameBytes(rom.Image() + 0x100000, pic));
    EXPECT_EQ(rom.PictureDataEnd(), 0x100000 + 12345);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(BuildTest, LongFixedFilesAreCutToTheirRegions) {
    struct Case { const char* file; size_t region; size_t capacity; size_t next; } cases[] = {
        {"mini.idx", 0x2000, 8192, 0x4000},
        {"pic.idx", 0x4000, 4096, 0x5000},
        {"mini.sbin", 0x76000, 434176, 0xE0000},
    };
    for (auto c : cases) {
        FlashWorkspace fresh;
        const auto bytes = fresh.Put(c.file, c.capacity + 100);
        Warnings w;
        ASSERT_TRUE(rom.Build(fresh.Sources(), &w)) << c.file;
        EXPECT_TRUE(SameBytes(rom.Image() + c.region, std::vector<uint8_t>(bytes.begin(), bytes.begin() + c.capacity)));
        if (c.next != flash::kPageTable) EXPECT_EQ(NotErased(rom, c.next, c.next + 100), 0u) << c.file;
        else EXPECT_EQ(rom.Image()[c.next], 0) << c.file;  // page 1 is compiled there, not overwritten
        ASSERT_EQ(w.size(), 1u) << c.file;
        EXPECT_NE(w[0].find(c.file), std::string::npos);
    }
}

TEST_F(BuildTest, PictureDataIsCutAtTheEndOfTheImage) {
    ws.Put("pic.sbin", flash::kImageSize - flash::kPicData + 10);
    ASSERT_TRUE(Build());
    EXPECT_EQ(rom.PictureDataEnd(), static_cast<int64_t>(flash::kImageSize));
    ASSERT_EQ(warnings.size(), 2u);  // cut, and beyond the module's room
    EXPECT_NE(warnings[0].find("pic.sbin"), std::string::npos);
}

TEST_F(BuildTest, BaseImageIsTheStartingPoint) {
    const auto base = FlashWorkspace::PutAt(ws.BaseImage(), 0x80000, 9);
    ASSERT_TRUE(Build());
    // The base image shows everywhere except in the config block, and the page table lies
    // beyond it.
    EXPECT_TRUE(SameBytes(rom.Image(), std::vector<uint8_t>(base.begin(), base.begin() + flash::kConfigBlock)));
    EXPECT_TRUE(SameBytes(rom.Image() + 0x1100, std::vector<uint8_t>(base.begin() + 0x1100, base.end())));
    EXPECT_EQ(NotErased(rom, 0x80000, flash::kPageTable), 0u);

    // A rebuild starts from scratch: a file removed from the workspace leaves no trace.
    ws.Put("pic.sbin", 100);
    ASSERT_TRUE(Build());
    std::filesystem::remove(ws.Workspace() / "pic.sbin");
    ASSERT_TRUE(Build());
    EXPECT_EQ(NotErased(rom, flash::kPicData, flash::kPicData + 100), 0u);
}

TEST_F(BuildTest, OverlongBaseImageIsCutToTheImage) {
    FlashWorkspace::PutAt(ws.BaseImage(), flash::kImageSize + 1);
    ASSERT_TRUE(Build());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("default.bin"), std::string::npos);
}

TEST_F(BuildTest, MissingBaseImageIsDrawnAndKept) {
    auto src = ws.Sources();
    src.draw_missing_base = true;
    ASSERT_TRUE(rom.Build(src, &warnings));
    ASSERT_TRUE(std::filesystem::exists(ws.BaseImage()));
    EXPECT_EQ(std::filesystem::file_size(ws.BaseImage()), flash::kBaseImageEnd);
    EXPECT_EQ(rom.Image()[flash::kBaseVersionOffset], 1);
    EXPECT_NE(NotErased(rom, flash::kAsc16, flash::kMiniGlyphs), 0u);
    // The next build reads the file it wrote.
    std::vector<uint8_t> first(rom.Image(), rom.Image() + flash::kBaseImageEnd);
    ASSERT_TRUE(rom.Build(src, &warnings));
    EXPECT_TRUE(SameBytes(rom.Image(), first));
}

// Sets TZ for the lifetime of the object.
struct TimeZone {
    explicit TimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) saved = old, had = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TimeZone() {
        if (had) setenv("TZ", saved.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    std::string saved;
    bool had = false;
};

TEST_F(BuildTest, TimeStampIsLocalTimeAsUtcMinusEightHours) {
    const std::time_t t = 1700000000;
    {
        TimeZone tz("UTC0");
        EXPECT_EQ(BuildTimeStamp(t), static_cast<uint32_t>(t - 28800));
    }
    {
        TimeZone tz("CST-8");  // eight hours east of UTC: the offsets cancel
        EXPECT_EQ(BuildTimeStamp(t), static_cast<uint32_t>(t));
        ASSERT_TRUE(Build());
        const uint8_t* stamp = Config(rom) + flash::kTimeStamp;
        EXPECT_EQ(stamp[0] | stamp[1] << 8 | stamp[2] << 16 | static_cast<uint32_t>(stamp[3]) << 24, static_cast<uint32_t>(t));
    }
}

}  // namespace
}  // namespace quelmo
