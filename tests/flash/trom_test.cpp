// Sector check values, blank sectors and block values read by the upload.
#include <gtest/gtest.h>

#include <cstring>

#include "flash/layout.h"
#include "flash/trom.h"

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

}  // namespace
}  // namespace quelmo
