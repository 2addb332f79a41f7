#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>

#include "flash/layout.h"
#include "link/upload.h"
#include "link_fixture.h"

namespace quelmo::test {
namespace {

constexpr size_t kMb = 1024 * 1024;

TEST(RcpgReply, EntriesUpToTheClosingEquals) {
    struct Case {
        const char* reply;
        bool ok;
        std::vector<std::pair<int, uint32_t>> sums;
    } cases[] = {
        {"=2,1A|3,FF|=OK", true, {{2, 0x1A}, {3, 0xFF}}},
        {"RCPG=10,FFFFFC00|=OK", true, {{16, 0xFFFFFC00}}},
        {"=2,1A", false, {}},
        {"=2,1A|3,FF", false, {{2, 0x1A}}},
        {"=2,1a|=OK", false, {}},
        {"5,7|=OK", false, {}},  // reading starts after the first "="
        {"5,7|6,8|", false, {{5, 7}, {6, 8}}},  // no "=": from the first character
        {"=FFFFFFFFFF,1|2,3|=", true, {{2, 3}}},  // sectors outside the table are ignored
        {"", false, {}},
    };
    for (const Case& c : cases) {
        std::array<uint32_t, kMaxSectors> sums{};
        EXPECT_EQ(ParseRcpgReply(c.reply, sums), c.ok) << c.reply;
        std::array<uint32_t, kMaxSectors> expected{};
        for (auto [s, v] : c.sums) expected[s] = v;
        EXPECT_EQ(sums, expected) << c.reply;
    }
}

TEST(SectorSum, FirmwareAbove555AddsTheSumToTheXor) {
    Trom rom;
    const uint8_t words[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    std::memcpy(rom.Image() + 4096, words, sizeof words);
    std::memset(rom.Image() + 4096 + 8, 0, 4096 - 8);
    struct Case {
        int firmware;
        uint32_t blank, data;
    } cases[] = {{555, 0, 3}, {556, 0xFFFFFC00u, 6}};
    for (const Case& c : cases) {
        rom.Device().FirmwareNo = c.firmware;
        EXPECT_EQ(rom.SectorSum(0), c.blank);
        EXPECT_EQ(rom.SectorSum(1), c.data);
    }
}

TEST(UploadRanges, ButtonsCoverTheirRegions) {
    using B = SyncUpload::Button;
    using R = std::vector<std::pair<int, int>>;
    auto ranges = [](B b, int mb, int64_t end) {
        R out;
        for (auto r : SyncUpload::RangesFor(b, mb, end)) out.emplace_back(r.start_unit, r.units);
        return out;
    };
    // Ranges in 256-byte units, from the flash layout: [from, to) as (start, length).
    auto span = [](uint32_t from, uint32_t to) {
        return std::pair<int, int>(static_cast<int>(from / flash::kUnit), static_cast<int>((to - from) / flash::kUnit));
    };
    for (int mb : {2, 16})  // everything from the config block to the end of the module's flash
        EXPECT_EQ(ranges(B::All, mb, 0), (R{span(flash::kConfigBlock, static_cast<uint32_t>(mb) * flash::kMegabyte)})) << mb;
    // The mini font's index up to the picture index, and its glyphs up to the page table.
    EXPECT_EQ(ranges(B::Fonts, 2, 0), (R{span(flash::kMiniIndex, flash::kPicIndex), span(flash::kMiniGlyphs, flash::kPageTable)}));
    EXPECT_EQ(ranges(B::Pages, 2, 0), (R{span(flash::kPageTable, flash::kPicData)}));
    // The picture index, and the picture data up to the last whole unit before its end.
    const uint32_t end = flash::kPicData + 70000;
    EXPECT_EQ(ranges(B::Pictures, 2, end),
              (R{span(flash::kPicIndex, flash::kPicIndex + flash::kPicIndexSize),
                 span(flash::kPicData, end / flash::kUnit * flash::kUnit)}));
    // The numbers as the module knows them.
    EXPECT_EQ(span(flash::kMiniGlyphs, flash::kPageTable), (std::pair<int, int>(1888, 1696)));
    EXPECT_EQ(span(flash::kPicData, end / flash::kUnit * flash::kUnit), (std::pair<int, int>(4096, 273)));
}

class UploadTest : public ModuleTest {
protected:
    // A 2 MB module (512 sectors) holding `module_flash`, connected, and an upload with short
    // time limits.
    void Begin(VirtualModuleOptions o = {}) {
        o.memory = 2;
        StartModule(o);
        module->Stop();  // the flash belongs to the serving thread while it runs
        std::memcpy(module->Flash().Image(), module_flash.data(), module_flash.size());
        module->Start();
        ASSERT_TRUE(Connect());
        upload = std::make_unique<SyncUpload>(*link);
        upload->Timings = UploadTimings{1000, 300, 300, 300, 50, 1000};
        upload->OnLog = [this](const std::string& s) { upload_log.push_back(s); };
    }
    // Fills sector s of the image (and of the module's starting flash when `same`).
    void Sector(int s, uint8_t seed, bool same) {
        std::mt19937 rng(seed);
        for (size_t i = 0; i < flash::kSectorSize; ++i) {
            const auto b = static_cast<uint8_t>(rng());
            rom.Image()[s * flash::kSectorSize + i] = b;
            if (same) module_flash[s * flash::kSectorSize + i] = b;
        }
    }
    bool ModuleHoldsTheImage(size_t from = flash::kSectorSize) {
        module->Stop();
        return std::memcmp(module->Flash().Image() + from, rom.Image() + from, 2 * kMb - from) == 0;
    }

    std::vector<uint8_t> module_flash = std::vector<uint8_t>(2 * kMb, 0xFF);
    std::unique_ptr<SyncUpload> upload;
    std::vector<std::string> upload_log;
};

TEST_F(UploadTest, AModuleThatHoldsTheImageGetsOnlyTheChecksumQuery) {
    Sector(5, 1, true);
    Sector(300, 2, true);
    Begin();
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Done);
    EXPECT_EQ(messages.back(), "上传完成!");
    const auto commands = module->Commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1], ";RCPG(1,511);");
    EXPECT_EQ(upload_log[0], "Send:;RCPG(1,511);\r");
    EXPECT_EQ(upload_log[1].rfind("msec:", 0), 0u);
    EXPECT_EQ(upload_log[2].rfind("rec:=1,FFFFFC00|", 0), 0u);
    // Every sector of the range is done, the others are outside it.
    EXPECT_EQ(upload->SectorMap()[0], SyncUpload::kOutside);
    EXPECT_EQ(upload->SectorMap()[1], SyncUpload::kDone);
    EXPECT_EQ(upload->SectorMap()[511], SyncUpload::kDone);
    EXPECT_EQ(upload->SectorMap()[512], SyncUpload::kOutside);
}

TEST_F(UploadTest, OldFirmwareChecksumsAgreeToo) {
    Sector(7, 3, true);
    VirtualModuleOptions o;
    o.firmware = "5.55";
    Begin(o);
    EXPECT_EQ(rom.Device().FirmwareNo, 555);
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Done);
    EXPECT_EQ(module->Commands().size(), 2u);
}

TEST_F(UploadTest, ABlankImageSectorIsOneErase) {
    Sector(230, 4, false);
    std::fill_n(module_flash.begin() + 230 * flash::kSectorSize, flash::kSectorSize, 0x00);
    rom.Erase();
    Begin();
    EXPECT_EQ(upload->Press(SyncUpload::Button::Pages), SyncUpload::Outcome::Done);
    EXPECT_EQ(Lines(";EMEM(").size(), 1u);
    EXPECT_EQ(Lines(";EMEM(")[0], ";EMEM(230);");
    EXPECT_TRUE(Lines(";BUP(").empty());
    EXPECT_EQ(Lines(";RCPG(").back(), ";RCPG(230,0);");  // the confirmation
    EXPECT_NE(std::find(upload_log.begin(), upload_log.end(), "OK"), upload_log.end());
    EXPECT_TRUE(ModuleHoldsTheImage());
}

TEST_F(UploadTest, AFullSyncWritesWhatDiffersAndAsksForARestartWhenSector1Changed) {
    struct Case {
        bool sector1_differs;
        const char* message;
    } cases[] = {{true, "上传完成! 您修改了串口屏的内存分区配置，需要重启(断电)配置才能生效！"}, {false, "上传完成!"}};
    for (const Case& c : cases) {
        TearDown();
        module_flash.assign(2 * kMb, 0xFF);
        rom.Erase();
        Sector(1, 9, !c.sector1_differs);
        Sector(2, 10, false);
        Sector(511, 11, false);
        Sector(100, 12, true);
        std::fill_n(module_flash.begin() + 50 * flash::kSectorSize, 10, 0x00);  // the image has FF there
        Begin();
        EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Done);
        EXPECT_EQ(messages.back(), c.message);
        EXPECT_EQ(upload->ConfigChanged(), c.sector1_differs);
        EXPECT_EQ(Lines(";BUP(").size(), c.sector1_differs ? 12u : 8u);
        EXPECT_EQ(Lines(";EMEM(").size(), 1u);
        EXPECT_TRUE(ModuleHoldsTheImage());
    }
}

TEST_F(UploadTest, OkokBringsTenPreamblesAndARestartOfTheSector) {
    Sector(3, 5, false);
    VirtualModuleOptions o;
    o.faults.okok_at = 2;
    Begin(o);
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Done);
    std::vector<std::string> seen;
    for (const auto& c : module->Commands())
        if (c.rfind(";BUP(", 0) == 0 || c.find("NOPA") != std::string::npos) seen.push_back(c);
    std::string preamble;
    for (int i = 0; i < 30; ++i) preamble += "NOPA";
    std::vector<std::string> expected = {";BUP(48,", ";BUP(52,"};
    for (int i = 0; i < 10; ++i) expected.push_back(preamble);
    for (int a : {48, 52, 56, 60}) expected.push_back(";BUP(" + std::to_string(a) + ",");
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].rfind(expected[i], 0), 0u) << i << " " << seen[i];
    EXPECT_TRUE(ModuleHoldsTheImage());
}

TEST_F(UploadTest, AModuleThatFallsSilentMidUploadEndsInFailureAndDisconnect) {
    Sector(2, 6, false);
    Sector(3, 7, false);
    VirtualModuleOptions o;
    o.faults.silent_after = 5;  // INF, RCPG and three block commands
    Begin(o);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_EQ(messages.back(),
              "您的串口无法收到回复数据,请检查连接或者在连接界面增大延时值，然后重新连接串口再次上传!");
    EXPECT_EQ(link->ConnectionState, 0);
    EXPECT_FALSE(comm.IsOpen());
}

// The module hangs up in the middle of an upload: the run ends at once with the link's
// message, instead of waiting out time limits for replies that cannot come.
TEST_F(UploadTest, AHangUpDuringTheUploadEndsItAtOnce) {
    for (int s = 2; s < 8; ++s) Sector(s, static_cast<uint8_t>(s), false);
    Begin();
    upload->Timings = UploadTimings{20000, 20000, 20000, 20000, 50, 20000};
    upload->OnProgress = [this](int done, int) {
        if (done == 3) module->Hangup();
    };
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_EQ(upload->FinalMessage(), "串口连接已断开!");
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "串口连接已断开!"), 1);
    EXPECT_EQ(link->ConnectionState, 0);
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(UploadTest, ALostAcknowledgementIsAFailure) {
    Sector(2, 6, false);
    VirtualModuleOptions o;
    o.faults.drop_ack_at = 3;
    Begin(o);
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Failed);
    EXPECT_EQ(link->ConnectionState, 0);
    EXPECT_EQ(Lines(";BUP(").size(), 3u);
}

TEST_F(UploadTest, AGarbledChecksumReplyIsReportedAndTheRunGoesOn) {
    Sector(2, 6, true);
    VirtualModuleOptions o;
    o.faults.garbage_at = 2;  // the RCPG reply
    Begin(o);
    EXPECT_EQ(upload->Press(SyncUpload::Button::Pages), SyncUpload::Outcome::Done);
    EXPECT_NE(std::find(messages.begin(), messages.end(), "数据接收错误!"), messages.end());
    EXPECT_EQ(messages.back(), "上传完成!");
}

TEST_F(UploadTest, VerificationCatchesAModuleThatDidNotStore) {
    Sector(225, 8, false);
    VirtualModuleOptions o;
    o.faults.lose_writes = true;
    Begin(o);
    EXPECT_EQ(upload->Press(SyncUpload::Button::Pages), SyncUpload::Outcome::VerifyFailed);
    EXPECT_EQ(upload->Unverified(), std::vector<int>{225});
    EXPECT_EQ(messages.back(), "verify failed: the module's sectors 225 still differ from the image");
    EXPECT_EQ(Lines(";RCPG(").back(), ";RCPG(225,0);");
}

TEST_F(UploadTest, ForceWritesEverySectorOfTheRange) {
    Sector(224, 1, true);
    Begin();
    upload->ForceAll = true;
    EXPECT_EQ(upload->Press(SyncUpload::Button::Pages), SyncUpload::Outcome::Done);
    // Sectors 224 to 256: one with data (four blocks), 32 blank ones (one erase each).
    EXPECT_EQ(Lines(";BUP(").size(), 4u);
    EXPECT_EQ(Lines(";EMEM(").size(), 32u);
}

TEST_F(UploadTest, StopEndsTheRunQuietly) {
    for (int s = 2; s < 10; ++s) Sector(s, static_cast<uint8_t>(s), false);
    Begin();
    upload->OnProgress = [this](int done, int) {
        if (done == 2) upload->Stop = true;
    };
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Stopped);
    EXPECT_EQ(Lines(";BUP(").size(), 4u);
    EXPECT_TRUE(upload->FinalMessage().empty());
    EXPECT_EQ(link->ConnectionState, 1);
}

TEST_F(UploadTest, AnImageThatFailedToBuildIsNeverSent) {
    Sector(2, 6, false);
    Begin();
    upload->OnRefresh = [] { return false; };
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Refused);
    EXPECT_TRUE(Lines(";RCPG(").empty());
}

TEST_F(UploadTest, NotConnectedIsRefused) {
    Begin();
    link->Disconnect();
    EXPECT_EQ(upload->Press(SyncUpload::Button::All), SyncUpload::Outcome::Refused);
    EXPECT_EQ(messages.back(), "串口没有连接!");
}

// A scripted module on a bare line, to look at the blocks' bytes as they travel.
TEST(UploadWire, BlocksTravelXoredWithTheirIndexAndCarryTheirLastTwoBytes) {
    MainDispatcher().RunPending();
    PtyPeer peer;
    TComm comm;
    Trom rom;
    rom.Device().FirmwareNo = 556;
    std::memset(rom.Image() + 5 * 4096, 0, 4096);
    rom.Image()[5 * 4096 + 3 * 1024 + 1022] = 0xFF;
    rom.Image()[5 * 4096 + 3 * 1024 + 1023] = 0xFF;
    DeviceLink link(comm, rom);
    comm.SetCommName(peer.path);
    comm.SetReadIntervalTimeout(3);
    ASSERT_TRUE(comm.OpenPort().ok());
    link.ConnectionState = 1;

    std::vector<std::string> commands, payloads;
    std::thread module([&] {
        commands.push_back(peer.ReadLine());
        peer.Write("=5,0|=OK");
        for (int k = 0; k < 4; ++k) {
            commands.push_back(peer.ReadLine());
            peer.Write("OK");
            payloads.push_back(peer.Read(1024));
            peer.Write("W OK");
        }
        commands.push_back(peer.ReadLine());
        char reply[32];
        std::snprintf(reply, sizeof reply, "=5,%X|=OK", rom.SectorSum(5));
        peer.Write(reply);
    });
    SyncUpload upload(link);
    const auto outcome = upload.Run({5 * 16, 0});
    module.join();
    EXPECT_EQ(outcome, SyncUpload::Outcome::Done);
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[0], ";RCPG(5,0);\r");
    EXPECT_EQ(commands[1], ";BUP(80,0);\r");
    EXPECT_EQ(commands[2], ";BUP(84,0);\r");
    EXPECT_EQ(commands[4], ";BUP(92,510);\r");
    std::string counting;
    for (int i = 0; i < 1024; ++i) counting.push_back(static_cast<char>(i & 0xFF));
    ASSERT_EQ(payloads.size(), 4u);
    EXPECT_EQ(payloads[0], counting);
    EXPECT_EQ(payloads[3].substr(0, 1022), counting.substr(0, 1022));
    EXPECT_EQ(payloads[3].substr(1022), std::string("\x01\x00", 2));
    comm.ClosePort();
    MainDispatcher().RunPending();
}

}  // namespace
}  // namespace quelmo::test
