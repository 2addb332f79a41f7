// The card layout's sectors, the time stamp rule, the size text and the file system probe.
#include <gtest/gtest.h>

#include <optional>

#include "card_files.h"
#include "sdcard/card.h"
#include "sdcard/device.h"
#include "sdcard/filesystem.h"

namespace quelmo::sd {
namespace {

using test::Bytes;

Bytes SectorBytes(const Sector& s) { return Bytes(s, s + kSectorSize); }

TEST(CardLayout, HeaderAndTimeSectorsByteForByte) {
    Sector s;
    // A 7,948,206,080-byte card keeps the low 32 bits of its size: D9C00000.
    ComposeFormatHeader(s, 7'948'206'080ull);
    Bytes expected(kSectorSize, 0xFF);
    const Bytes start = {0x89, 0xA9, 0x8A, 0xD9, 0x00, 0x00, 0xC0, 0xD9};
    std::copy(start.begin(), start.end(), expected.begin());
    EXPECT_EQ(SectorBytes(s), expected);
    EXPECT_TRUE(HasSignature(s));
    EXPECT_EQ(RecordedSize(s), 0xD9C00000u);

    // Without an upgrade copy bytes 16..20 stay FF.
    ComposeDataHeader(s, 16'777'216, std::nullopt);
    const Bytes entry = {0x00, 0x10, 0x00, 0x00, 0x02};
    std::copy(entry.begin(), entry.end(), expected.begin() + 8);
    expected[4] = 0x00, expected[5] = 0x00, expected[6] = 0x00, expected[7] = 0x01;
    EXPECT_EQ(SectorBytes(s), expected);

    ComposeDataHeader(s, 16'777'216, 9216);
    const Bytes rom = {0x00, 0x24, 0x00, 0x00, 0x05};
    std::copy(rom.begin(), rom.end(), expected.begin() + 16);
    EXPECT_EQ(SectorBytes(s), expected);

    ComposeTimeSector(s, 0x12345678);
    Bytes time(kSectorSize, 0xFF);
    const Bytes t = {0x89, 0xA9, 0x8A, 0xD9, 0x78, 0x56, 0x34, 0x12};
    std::copy(t.begin(), t.end(), time.begin());
    EXPECT_EQ(SectorBytes(s), time);
}

TEST(CardLayout, SizeTextHasThousandsSeparators) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {16'777'216, "16,777,216"}, {7'948'206'080ull, "7,948,206,080"}};
    for (const auto& [n, text] : cases) EXPECT_EQ(GroupThousands(n), text);
}

// Boot sectors and superblocks as the desktop's formatters lay them out, cut to the fields read.
void PutLe(Bytes& b, size_t at, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

Bytes Fat32Boot(uint32_t sectors) {
    Bytes b(512, 0);
    b[0] = 0xEB, b[1] = 0x58, b[2] = 0x90;
    PutLe(b, 11, 512, 2);
    b[13] = 8;
    PutLe(b, 14, 32, 2);
    b[16] = 2;
    PutLe(b, 32, sectors, 4);
    b[510] = 0x55, b[511] = 0xAA;
    return b;
}

Bytes Fat16Boot(uint16_t sectors) {
    Bytes b = Fat32Boot(0);
    PutLe(b, 19, sectors, 2);
    return b;
}

Bytes ExfatBoot(uint64_t sectors) {
    Bytes b(512, 0);
    b[0] = 0xEB, b[1] = 0x76, b[2] = 0x90;
    std::copy_n("EXFAT   ", 8, b.begin() + 3);
    PutLe(b, 72, sectors, 8);
    b[108] = 9;
    b[510] = 0x55, b[511] = 0xAA;
    return b;
}

Bytes NtfsBoot(uint64_t sectors) {
    Bytes b(512, 0);
    b[0] = 0xEB, b[1] = 0x52, b[2] = 0x90;
    std::copy_n("NTFS    ", 8, b.begin() + 3);
    PutLe(b, 11, 512, 2);
    PutLe(b, 40, sectors, 8);
    b[510] = 0x55, b[511] = 0xAA;
    return b;
}

Bytes Ext4Super(uint32_t blocks) {
    Bytes b(512, 0);
    PutLe(b, 4, blocks, 4);
    PutLe(b, 24, 2, 4);  // 4096-byte blocks
    PutLe(b, 56, 0xEF53, 2);
    return b;
}

Bytes MbrWithPartition(uint8_t type, uint32_t first_lba) {
    Bytes b(512, 0);
    b[446 + 4] = type;
    PutLe(b, 446 + 8, first_lba, 4);
    PutLe(b, 446 + 12, 100000, 4);
    b[510] = 0x55, b[511] = 0xAA;
    return b;
}

TEST(FileSystemProbe, FindsTheVolumeSizeOnTheCardOrInItsFirstPartition) {
    struct Piece {
        uint64_t offset;
        Bytes bytes;
    };
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::optional<uint64_t> size;
    };
    Bytes gpt_header(512, 0), gpt_entries(512, 0);
    std::copy_n("EFI PART", 8, gpt_header.begin());
    PutLe(gpt_header, 72, 2, 8);  // entries in LBA 2
    gpt_entries[0] = 0xA2;        // a type GUID that is not all zero
    PutLe(gpt_entries, 32, 40, 8);
    const Bytes prepared = {0x89, 0xA9, 0x8A, 0xD9, 0x00, 0x00, 0x00, 0x01};
    const Case cases[] = {
        {"FAT32 on the whole card", {{0, Fat32Boot(15'523'840)}}, 7'948'206'080ull},
        {"FAT16 in an MBR partition", {{0, MbrWithPartition(0x06, 2048)}, {2048 * 512, Fat16Boot(60000)}}, 60000ull * 512},
        {"exFAT in a GPT partition",
         {{0, MbrWithPartition(0xEE, 1)}, {512, gpt_header}, {1024, gpt_entries}, {40 * 512, ExfatBoot(1'000'000)}},
         1'000'000ull * 512},
        {"NTFS", {{0, NtfsBoot(200'000)}}, 200'000ull * 512},
        {"ext4", {{1024, Ext4Super(5000)}}, 5000ull * 4096},
        {"raw zeros", {}, std::nullopt},
        {"a card prepared for the module", {{0, prepared}}, std::nullopt},
        {"an MBR with an empty table", {{0, MbrWithPartition(0, 0)}}, std::nullopt},
        {"a partition holding nothing known", {{0, MbrWithPartition(0x83, 64)}}, std::nullopt},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const auto image = dir.path() / "card.img";
        test::MakeImage(image, 4 << 20, 0x00);
        for (const auto& p : c.pieces) test::WriteBytes(image, p.offset, p.bytes);
        auto card = OpenCard(image, CardKind::kImage, Access::kRead);
        ASSERT_TRUE(card) << card.error().message;
        EXPECT_EQ(FileSystemSize(**card), c.size) << c.name;
    }
}

}  // namespace
}  // namespace quelmo::sd
