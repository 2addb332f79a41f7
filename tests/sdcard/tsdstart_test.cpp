// The SD card tool page: its two status lines and the upgrade copy of the flash image.
#include <gtest/gtest.h>

#include "card_files.h"
#include "flash/trom.h"
#include "sdcard/tsdstart.h"

namespace quelmo::sd {
namespace {

namespace fs = std::filesystem;

TEST(ToolPage, StatusLinesTellWhetherTheCardDataWereMade) {
    test::TempDir dir;
    Tsdstart page(dir.path());
    EXPECT_EQ(page.PictureStatus(), "未生成");
    EXPECT_EQ(page.RomStatus(), "未生成");
    fs::create_directories(dir.path() / "sd");
    test::WriteBytes(dir.path() / "sd/pic.sbin", 0, test::Bytes(153600, 1));
    EXPECT_EQ(page.PictureStatus(), "已生成,长度:153600字节");
    EXPECT_EQ(page.RomStatus(), "未生成");
}

class UpgradeCopy : public ::testing::Test {
protected:
    void SetUp() override {
        // Every byte tells its megabyte, so a copy of the wrong length or origin shows.
        for (size_t i = 0; i < Trom::Size(); ++i) rom.Image()[i] = static_cast<uint8_t>(i >> 20);
    }
    test::TempDir dir;
    Tsdstart page{dir.path()};
    Trom rom;
    int refreshes = 0;
    std::vector<int> built_for;  // the memory size each rebuild saw
    std::function<Status()> refresh = [this]() -> Status {
        ++refreshes;
        built_for.push_back(rom.MemorySize());
        return {};
    };
};

TEST_F(UpgradeCopy, IsTheFirstMemorySizeMegabytesOfTheImage) {
    struct Case {
        int connection;
        std::optional<int> memory;
        int module_memory;
        size_t length;
    };
    const Case cases[] = {
        {0, 2, 16, 2'097'152},   // offline, the size given
        {1, std::nullopt, 4, 4'194'304},  // the connected module's size
        {1, 16, 8, 16'777'216},  // a size given wins
    };
    for (const auto& c : cases) {
        rom.SetMemorySize(c.module_memory);
        auto message = page.MakeRom(rom, c.connection, c.memory, refresh);
        ASSERT_TRUE(message) << message.error().message;
        EXPECT_EQ(*message, "生成完成!");
        const fs::path file = dir.path() / "sd/rom.sbin";
        ASSERT_EQ(fs::file_size(file), c.length);
        const auto bytes = test::ReadBytes(file, 0, c.length);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), rom.Image()));
        EXPECT_EQ(page.RomStatus(), "已生成,长度:" + std::to_string(c.length) + "字节");
        EXPECT_FALSE(fs::exists(dir.path() / "sd/rom.sbin.part"));
    }
    EXPECT_EQ(refreshes, 3) << "the image is rebuilt before every copy";
    EXPECT_EQ(built_for, (std::vector<int>{2, 4, 16})) << "a size given is the module's for the rebuild";
}

TEST_F(UpgradeCopy, NeedsAConnectedModuleOrAMemorySize) {
    auto r = page.MakeRom(rom, 2, std::nullopt, refresh);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "需要先连接串口屏,才能生成!");
    r = page.MakeRom(rom, 0, 3, refresh);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, 2);
    EXPECT_EQ(refreshes, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "sd")) << "nothing is created on a refusal";
}

TEST_F(UpgradeCopy, FailedRebuildKeepsTheOldCopy) {
    ASSERT_TRUE(page.MakeRom(rom, 0, 2, refresh));
    auto r = page.MakeRom(rom, 0, 4, []() -> Status { return Error{"存储空间不够，请减少图片数量或全字库种类!", 1}; });
    ASSERT_FALSE(r);
    EXPECT_EQ(fs::file_size(dir.path() / "sd/rom.sbin"), 2'097'152u);
}

}  // namespace
}  // namespace quelmo::sd
