// Sector check values, blank sectors and block values read by the upload.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "flash/layout.h"
#include "flash/trom.h"
#include "support/scratch_dir.h"

namespace quelmo {
namespace {

TEST(SectorSum, ErasedSectorDependsOnFirmware) {
    Trom rom;
    struct Case { int firmware; uint32_t sum; } cases[] = {{0, 0}, {555, 0}, {556, 0xFFFFFC00}, {700, 0xFFFFFC00}};
    for (auto c : cases) {
        rom.Device().FirmwareNo = c.firmware;
        EXPECT_EQ(rom.SectorSum(3), c.sum) << "firmware " << c.firmware;
    }
}

TEST(SectorSum, WordsAreLittleEndianXorPlusSum) {
    Trom rom;
    uint8_t* sector = rom.Image() + 5 * flash::kSectorSize;
    std::memset(sector, 0, flash::kSectorSize);
    const uint8_t words[] = {0x01, 0x02, 0x03, 0x04, 0x10, 0x00, 0x00, 0x80};  // 0x04030201, 0x80000010
    std::memcpy(sector + 4088, words, sizeof words);
    rom.Device().FirmwareNo = 555;
    EXPECT_EQ(rom.SectorSum(5), 0x04030201u ^ 0x80000010u);
    rom.Device().FirmwareNo = 556;
    EXPECT_EQ(rom.SectorSum(5), (0x04030201u ^ 0x80000010u) + 0x04030201u + 0x80000010u);
    EXPECT_EQ(rom.SectorSum(4), 0xFFFFFC00u);  // neighbours stay out of it
}

TEST(SectorBlank, OneByteMakesASectorUsed) {
    Trom rom;
    EXPECT_TRUE(rom.SectorBlank(0));
    rom.Image()[2 * flash::kSectorSize + 4095] = 0xFE;
    EXPECT_TRUE(rom.SectorBlank(1));
    EXPECT_FALSE(rom.SectorBlank(2));
    EXPECT_TRUE(rom.SectorBlank(3));
}

TEST(BlockValue, SumsTheLastTwoBytesOfTheBlock) {
    Trom rom;
    uint8_t* block = rom.Image() + 10 * flash::kUnit;
    std::memset(block, 0, 1024);
    block[1021] = 200;  // not part of the value
    block[1022] = 3;
    block[1023] = 250;
    EXPECT_EQ(rom.BlockValue(10), 253);
    EXPECT_EQ(rom.BlockValue(14), 510);  // erased: FF + FF
}

TEST(Trom, ReadersOutsideTheImageReadNothing) {
    Trom rom;
    EXPECT_EQ(rom.SectorSum(-1), 0u);
    EXPECT_EQ(rom.SectorSum(4096), 0u);
    EXPECT_FALSE(rom.SectorBlank(4096));
    EXPECT_FALSE(rom.SectorBlank(-1));
    EXPECT_EQ(rom.BlockValue(65532), 510);  // the last whole block
    EXPECT_EQ(rom.BlockValue(65533), 0);    // would run past the image
    EXPECT_EQ(rom.BlockValue(-1), 0);
}

// A file shorter than the image fills it from address 0 and leaves FF after its end, whatever
// the image held; one longer than 16 MB, or no file at all, is refused and changes nothing.
TEST(Trom, LoadFileTakesUpTo16MegabytesAndErasesTheRest) {
    test::ScratchDir dir;
    Trom rom;
    std::memset(rom.Image(), 0x5A, Trom::Size());
    test::WriteFile(dir / "short.sbin", std::string("\x01\x02\x03", 3));
    ASSERT_TRUE(rom.LoadFile(dir / "short.sbin"));
    EXPECT_EQ(std::vector<uint8_t>(rom.Image(), rom.Image() + 4), (std::vector<uint8_t>{1, 2, 3, 0xFF}));
    EXPECT_EQ(std::count(rom.Image() + 3, rom.Image() + Trom::Size(), 0xFF), static_cast<long>(Trom::Size() - 3));

    // Sparse files: no disk is spent on their 16 MB.
    std::filesystem::resize_file(dir / "short.sbin", Trom::Size());
    test::WriteFile(dir / "long.sbin", "x");
    std::filesystem::resize_file(dir / "long.sbin", Trom::Size() + 1);
    std::filesystem::create_directories(dir / "folder.sbin");
    struct Case {
        const char* name;
        const char* message;
    } refused[] = {{"long.sbin", " is larger than 16 MB"}, {"folder.sbin", ""}, {"missing.sbin", ""}};
    for (const Case& c : refused) {
        std::memset(rom.Image(), 0x5A, Trom::Size());
        const Status s = rom.LoadFile(dir / c.name);
        ASSERT_FALSE(s.ok()) << c.name;
        const std::string path = (dir / c.name).string();
        EXPECT_EQ(s.error().message, *c.message ? path + c.message : "cannot read " + path);
        EXPECT_EQ(std::count(rom.Image(), rom.Image() + Trom::Size(), 0x5A), static_cast<long>(Trom::Size())) << c.name;
    }
    ASSERT_TRUE(rom.LoadFile(dir / "short.sbin"));  // exactly 16 MB: all of it
    EXPECT_EQ(rom.Image()[2], 3);
    EXPECT_EQ(rom.Image()[Trom::Size() - 1], 0);
}

}  // namespace
}  // namespace quelmo
