// The SD card writer on card image files: detection, format, data write, its refusals and its
// steps from 'start' to the reset.
#include <gtest/gtest.h>

#include <algorithm>

#include "card_files.h"
#include "sdcard/card.h"
#include "sdcard/tsdio.h"

namespace quelmo::sd {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

// A card whose writes fail from one offset on, as a card that dies half-way.
class FailingCard : public SectorDevice {
public:
    FailingCard(std::unique_ptr<SectorDevice> card, uint64_t fail_at) : card_(std::move(card)), fail_at_(fail_at) {}
    Status ReadSector(uint64_t offset, Sector& s) override { return card_->ReadSector(offset, s); }
    Status WriteSector(uint64_t offset, const Sector& s) override {
        if (offset >= fail_at_) return Error{"write failed at offset " + std::to_string(offset) + ": I/O error", 1};
        return card_->WriteSector(offset, s);
    }
    uint64_t Size() const override { return card_->Size(); }
    Status Close() override { return card_->Close(); }

private:
    std::unique_ptr<SectorDevice> card_;
    uint64_t fail_at_;
};

// Removable drives that the test plugs and unplugs; each is a card image.
class TestAccess : public CardAccess {
public:
    std::vector<Drive> RemovableDrives() override { return drives; }
    Result<std::unique_ptr<SectorDevice>> Open(const Drive& drive, Access access) override {
        ++opens;
        auto card = OpenCard(drive.device, drive.kind, access);
        if (!card || !fail_writes_at) return card;
        return std::unique_ptr<SectorDevice>(std::make_unique<FailingCard>(std::move(*card), *fail_writes_at));
    }
    std::vector<Drive> drives;
    std::optional<uint64_t> fail_writes_at;
    int opens = 0;
};

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(sd_folder); }

    Drive Card(uint64_t size, uint8_t fill, const std::string& name = "sdb") {
        const fs::path image = dir.path() / (name + ".img");
        test::MakeImage(image, size, fill);
        Drive d;
        d.name = name;
        d.device = image;
        d.kind = CardKind::kImage;
        d.size = size;
        return d;
    }
    void SdFile(const std::string& name, const Bytes& bytes) { test::WriteBytes(sd_folder / name, 0, bytes); }
    Bytes Image(const Drive& d, uint64_t offset, size_t n) { return test::ReadBytes(d.device, offset, n); }

    test::TempDir dir;
    fs::path sd_folder = dir.path() / "sd";
    TestAccess access;
    Tsdio writer{access, sd_folder};
};

TEST_F(WriterTest, CardWithFileSystemIsLoggedWithItsSizeAndFormattedWithLow32Bits) {
    Drive card = Card(64 * 1024, 0x00);
    // A FAT32 boot sector for 15,523,840 sectors of 512 bytes.
    Bytes boot(512, 0);
    boot[0] = 0xEB, boot[1] = 0x58, boot[2] = 0x90, boot[12] = 2, boot[13] = 8, boot[14] = 32, boot[16] = 2;
    boot[32] = 0x00, boot[33] = 0xE0, boot[34] = 0xEC, boot[35] = 0x00;
    boot[510] = 0x55, boot[511] = 0xAA;
    test::WriteBytes(card.device, 0, boot);
    test::WriteBytes(card.device, 512, Bytes(512, 0x5A));

    ASSERT_TRUE(writer.Detect(card));
    const std::vector<std::string> log = {"发现TF卡:" + card.device.string(), "大小：7,948,206,080", "类型：标准U盘或SD卡"};
    EXPECT_EQ(writer.Log(), log);
    EXPECT_EQ(writer.Text(2), "发现带有文件系统的TF卡(大小:7948206080字节),需要格式化");
    EXPECT_EQ(writer.Text(3), "需要格式化,请点击按钮格式化!");
    EXPECT_TRUE(writer.NeedsFormat());
    EXPECT_TRUE(writer.FormatVisible());
    EXPECT_FALSE(writer.WriteVisible());

    auto message = writer.Format();
    ASSERT_TRUE(message) << message.error().message;
    EXPECT_EQ(*message, "格式化完成!");
    EXPECT_EQ(writer.Text(3), "格式化GPU盘:7948206080字节");
    EXPECT_EQ(writer.CurrentStage(), Tsdio::Stage::kFormatted);
    EXPECT_TRUE(writer.WriteVisible());
    Bytes header(512, 0xFF);
    const Bytes start = {0x89, 0xA9, 0x8A, 0xD9, 0x00, 0x00, 0xC0, 0xD9};
    std::copy(start.begin(), start.end(), header.begin());
    EXPECT_EQ(Image(card, 0, 512), header);
    EXPECT_EQ(Image(card, 512, 512), Bytes(512, 0x5A)) << "format writes sector 0 only";
}

TEST_F(WriterTest, PreparedCardIsRecognisedWithoutFormat) {
    Drive card = Card(64 * 1024, 0xFF);
    test::WriteBytes(card.device, 0, {0x89, 0xA9, 0x8A, 0xD9, 0x00, 0x00, 0x00, 0x01});
    ASSERT_TRUE(writer.Detect(card));
    EXPECT_EQ(writer.CardSize(), 16'777'216u);
    EXPECT_FALSE(writer.NeedsFormat());
    EXPECT_EQ(writer.Text(2), "发现GPU盘,大小:16777216字节");
    EXPECT_EQ(writer.Text(3), "不需要格式化");
    EXPECT_EQ(writer.Log().back(), "GPU盘大小：16777216");
    EXPECT_FALSE(writer.FormatVisible());
    EXPECT_TRUE(writer.WriteVisible());
}

TEST_F(WriterTest, RawCardWithoutSignatureNeedsFormatAndGetsSizeZero) {
    Drive card = Card(64 * 1024, 0x00);
    ASSERT_TRUE(writer.Detect(card));
    EXPECT_EQ(writer.Log().back(), "未格式化的盘(RAW)    ");
    EXPECT_EQ(writer.Text(2), "发现TF卡.....");
    EXPECT_TRUE(writer.NeedsFormat());
    EXPECT_EQ(writer.CardSize(), 0u);
    ASSERT_TRUE(writer.Format());
    EXPECT_EQ(Image(card, 0, 8), (Bytes{0x89, 0xA9, 0x8A, 0xD9, 0, 0, 0, 0}));
    EXPECT_EQ(Image(card, 8, 504), Bytes(504, 0xFF));
}

// A formatted card of 1 MB, pre-filled with AB so that every byte the writer leaves shows.
class DataWriteTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        card = Card(1 << 20, 0xAB);
        test::WriteBytes(card.device, 0, {0x89, 0xA9, 0x8A, 0xD9, 0x00, 0x00, 0x10, 0x00});
        ASSERT_TRUE(writer.Detect(card));
    }
    Drive card;
    const std::time_t now = 1'700'000'000;
};

TEST_F(DataWriteTest, WithoutUpgradeCopyHeaderBytes16To20StayFfAndNothingFollowsThePictures) {
    SdFile("pic.idx", test::Pattern(4096, 1));
    SdFile("pic.sbin", test::Pattern(1000, 7));
    SdFile("rom.sbin", test::Pattern(2048, 9));  // present but not asked for
    test::ScopedTimeZone utc("UTC0");
    auto message = writer.WriteData(now);
    ASSERT_TRUE(message) << message.error().message;
    EXPECT_EQ(*message, "写入完成,请拔下tf卡!");

    Bytes header(512, 0xFF);
    const Bytes start = {0x89, 0xA9, 0x8A, 0xD9, 0x00, 0x00, 0x10, 0x00, 0x00, 0x10, 0x00, 0x00, 0x02};
    std::copy(start.begin(), start.end(), header.begin());
    EXPECT_EQ(Image(card, 0, 512), header);
    EXPECT_EQ(Image(card, 512, 1536), Bytes(1536, 0xAB)) << "sectors between the header and the time sector keep their contents";
    // The time of the write, 1,700,000,000 s on a clock at UTC, less 28,800 s: 65538080.
    Bytes time(512, 0xFF);
    const Bytes t = {0x89, 0xA9, 0x8A, 0xD9, 0x80, 0x80, 0x53, 0x65};
    std::copy(t.begin(), t.end(), time.begin());
    EXPECT_EQ(Image(card, 2048, 512), time);
    EXPECT_EQ(Image(card, 4096, 4096), test::Pattern(4096, 1));
    EXPECT_EQ(Image(card, 8192, 1000), test::Pattern(1000, 7));
    EXPECT_EQ(Image(card, 9216, 4096), Bytes(4096, 0xAB));
}

TEST_F(DataWriteTest, UpgradeCopyFollowsThePictureDataRoundedTo512) {
    SdFile("pic.sbin", test::Pattern(1000, 7));
    SdFile("rom.sbin", test::Pattern(2048, 9));
    writer.SetWriteRom(true);
    ASSERT_TRUE(writer.WriteData(now));
    EXPECT_EQ(Image(card, 16, 5), (Bytes{0x00, 0x24, 0x00, 0x00, 0x05}));
    EXPECT_EQ(Image(card, 9216, 2048), test::Pattern(2048, 9));
    EXPECT_EQ(Image(card, 9216 + 2048, 512), Bytes(512, 0xAB));
    // Missing pic.idx: nothing written there, and the header still names the picture entry.
    EXPECT_EQ(Image(card, 4096, 4096), Bytes(4096, 0xAB));
    EXPECT_EQ(Image(card, 8, 5), (Bytes{0x00, 0x10, 0x00, 0x00, 0x02}));
}

TEST_F(DataWriteTest, RefusalsLeaveTheCardUntouched) {
    struct Case {
        const char* name;
        size_t index, pictures, rom;  // bytes; 0 = file missing
        bool write_rom;
        const char* message;
    };
    const Case cases[] = {
        {"upgrade copy asked for but never made", 4096, 1000, 0, true, "has not been made"},
        {"data larger than the card", 4096, (1 << 20) - 8192, 4096, true, "but the card holds 1,048,576"},
        {"picture index larger than its 4096 bytes", 4097, 1000, 0, false, "the picture index holds 4096"},
    };
    const Bytes before = Image(card, 0, 1 << 20);
    for (const auto& c : cases) {
        fs::remove_all(sd_folder);
        fs::create_directories(sd_folder);
        if (c.index) SdFile("pic.idx", Bytes(c.index, 1));
        if (c.pictures) SdFile("pic.sbin", Bytes(c.pictures, 2));
        if (c.rom) SdFile("rom.sbin", Bytes(c.rom, 3));
        writer.SetWriteRom(c.write_rom);
        auto r = writer.WriteData(now);
        ASSERT_FALSE(r) << c.name;
        EXPECT_NE(r.error().message.find(c.message), std::string::npos) << c.name << ": " << r.error().message;
        EXPECT_TRUE(writer.WriteEnabled()) << c.name;
        EXPECT_EQ(Image(card, 0, 1 << 20), before) << c.name;
    }
}

TEST_F(DataWriteTest, FailedWriteStopsAndReportsItsOffset) {
    SdFile("pic.idx", test::Pattern(4096, 1));
    SdFile("pic.sbin", test::Pattern(600, 9));
    ASSERT_TRUE(writer.WriteData(now));  // an earlier write whose header names its data
    ASSERT_TRUE(writer.Detect(card));
    SdFile("pic.sbin", test::Pattern(5000, 7));
    access.fail_writes_at = 8192 + 2048;
    auto r = writer.WriteData(now);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, 1);
    EXPECT_NE(r.error().message.find("offset 10240"), std::string::npos) << r.error().message;
    // Written up to the failure, nothing after it, and no header naming the half-written data.
    EXPECT_EQ(Image(card, 8192, 2048), test::Pattern(2048, 7));
    EXPECT_EQ(Image(card, 10240, 2048), Bytes(2048, 0xAB));
    Sector formatted;
    ComposeFormatHeader(formatted, 0x100000);
    EXPECT_EQ(Image(card, 0, 512), Bytes(formatted, formatted + 512));
    EXPECT_EQ(writer.Text(4), "数据写入:9728");
    EXPECT_TRUE(writer.WriteEnabled());
    EXPECT_TRUE(writer.Card().has_value()) << "a failed write keeps the card for another try";
}

TEST_F(WriterTest, StepsFromStartToResetFindOnlyACardInsertedAfterStart) {
    Drive stick = Card(64 * 1024, 0x00, "sdb");
    access.drives = {stick};
    writer.Start();
    EXPECT_EQ(writer.Ok(1), "OK");
    EXPECT_EQ(writer.Text(2), "插入Veltra的TF卡,等待系统识别...");
    EXPECT_FALSE(writer.StartEnabled());
    EXPECT_TRUE(writer.Waiting());
    EXPECT_EQ(writer.CurrentStage(), Tsdio::Stage::kWaiting);
    EXPECT_EQ(writer.Log(), std::vector<std::string>{stick.device.string()});

    // The drive present at 'start' is never taken, even as the only one.
    auto found = writer.OnArrival();
    ASSERT_TRUE(found);
    EXPECT_FALSE(*found);
    EXPECT_FALSE(writer.Card().has_value());

    Drive card = Card(64 * 1024, 0xFF, "sdc");
    test::WriteBytes(card.device, 0, {0x89, 0xA9, 0x8A, 0xD9, 0x00, 0x00, 0x00, 0x01});
    access.drives = {stick, card};
    found = writer.OnArrival();
    ASSERT_TRUE(found);
    EXPECT_TRUE(*found);
    EXPECT_EQ(writer.Card()->name, "sdc");
    EXPECT_TRUE(writer.Waiting()) << "a detection does not end the waiting";
    EXPECT_EQ(writer.CurrentStage(), Tsdio::Stage::kCardFound);
    EXPECT_TRUE(writer.WriteVisible());

    ASSERT_TRUE(writer.WriteData(1'700'000'000));
    EXPECT_FALSE(writer.Waiting()) << "a data write resets the writer";
    EXPECT_EQ(writer.CurrentStage(), Tsdio::Stage::kIdle);
    EXPECT_TRUE(writer.StartEnabled());
    EXPECT_EQ(writer.Text(4), "");
    EXPECT_FALSE(writer.WriteVisible());

    writer.Start();
    access.drives = {stick};
    writer.OnRemoval();
    EXPECT_FALSE(writer.Waiting());
    for (int step = 1; step <= 4; ++step) EXPECT_EQ(writer.Ok(step), "") << step;
    EXPECT_EQ(writer.Text(1), Tsdio::kStartText);
    EXPECT_EQ(writer.Text(2), "");
    const int opens = access.opens;
    access.drives = {stick, card};
    found = writer.OnArrival();
    ASSERT_TRUE(found);
    EXPECT_FALSE(*found) << "arrivals are examined only while waiting";
    EXPECT_EQ(access.opens, opens);
}

}  // namespace
}  // namespace quelmo::sd
