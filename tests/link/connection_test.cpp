#include <gtest/gtest.h>

#include <algorithm>

#include "core/gbk.h"
#include "link_fixture.h"

namespace quelmo::test {
namespace {

using ConnectionTest = ModuleTest;

TEST_F(ConnectionTest, AnSnReplyFillsTheDeviceInfo) {
    VirtualModuleOptions o;
    o.width = 480;
    o.height = 272;
    o.memory = 4;
    o.serial = "QV123456789012";
    StartModule(o);
    ASSERT_TRUE(Connect());
    EXPECT_EQ(link->ConnectionState, 1);
    const DeviceInfo& d = rom.Device();
    EXPECT_EQ(d.SerialNo, "QV123456789012");
    EXPECT_EQ(d.ScreenWidth, 480);
    EXPECT_EQ(d.ScreenHeight, 272);
    EXPECT_EQ(d.FirmwareText, "5.56");
    EXPECT_EQ(d.FirmwareNo, 556);
    EXPECT_EQ(d.MemorySize, 4);
    EXPECT_EQ(logs.front(), "发送:;INF;\r");
}

TEST_F(ConnectionTest, AnOkReplyIsAcceptedWithoutTouchingTheDeviceInfo) {
    VirtualModuleOptions o;
    o.faults.inf_ok = true;
    StartModule(o);
    rom.Device().SerialNo = "before";
    rom.Device().MemorySize = 2;
    ASSERT_TRUE(Connect());
    EXPECT_EQ(rom.Device().SerialNo, "before");
    EXPECT_EQ(rom.Device().MemorySize, 2);
}

TEST_F(ConnectionTest, FirmwareOlderThan5Point5IsRefused) {
    struct Case {
        const char* firmware;
        bool accepted;
    } cases[] = {{"5.49", false}, {"5.56", true}, {"6.00", true}};
    for (const Case& c : cases) {
        TearDown();
        messages.clear();
        VirtualModuleOptions o;
        o.firmware = c.firmware;
        StartModule(o);
        EXPECT_EQ(Connect(), c.accepted) << c.firmware;
        if (!c.accepted) {
            ASSERT_EQ(messages.size(), 2u);
            EXPECT_EQ(messages[0], std::string("当前版本的Quelmo只支持V5.5+的串口屏,您当前连接的设备是") + c.firmware +
                                       ";请按照说明书进行升级后再使用新版Quelmo);");
            EXPECT_EQ(messages[1], "未发现该串口连接有Veltra串口屏!");
            EXPECT_FALSE(comm.IsOpen());
            EXPECT_EQ(link->ConnectionState, 0);
        }
    }
}

TEST_F(ConnectionTest, AReplyInSeveralBurstsIsCollectedWhole) {
    VirtualModuleOptions o;
    o.faults.split_ms = 100;  // within the 150 ms quiet period
    o.serial = "SPLIT000000001";
    StartModule(o);
    ASSERT_TRUE(Connect());
    rom.Device() = DeviceInfo{};
    // The short wait, as the automatic search uses it.
    EXPECT_TRUE(link->QueryDevice(false));
    EXPECT_EQ(rom.Device().SerialNo, "SPLIT000000001");
    EXPECT_EQ(rom.Device().MemorySize, 16);
}

TEST_F(ConnectionTest, UsetOnlyWhenTheModuleWasFoundBelow115200) {
    struct Case {
        uint32_t rate;
        bool keep;
        bool uset;
    } cases[] = {{9600, false, true}, {115200, false, false}, {9600, true, false}};
    for (const Case& c : cases) {
        TearDown();
        logs.clear();
        VirtualModuleOptions o;
        o.baud = c.rate;
        StartModule(o);
        link->KeepBaud = c.keep;
        ASSERT_TRUE(Connect(c.rate));
        EXPECT_EQ(Lines(";USET(6);").size(), c.uset ? 1u : 0u) << c.rate;
        const uint32_t now = c.uset ? 115200 : c.rate;
        EXPECT_EQ(comm.BaudRate(), now);
        EXPECT_EQ(module->Baud(), now);
        if (c.uset) {
            EXPECT_EQ(logs.back(), "强制串口到115200传输!");
        }
        // Still talking after the switch.
        EXPECT_TRUE(link->QueryDevice(false));
    }
}

TEST_F(ConnectionTest, ASilentPortIsNotAModule) {
    VirtualModuleOptions o;
    o.baud = 9600;  // deaf at 115200
    StartModule(o);
    EXPECT_FALSE(Connect(115200));
    EXPECT_EQ(messages.back(), "未发现该串口连接有Veltra串口屏!");
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(link->ConnectionState, 0);
}

TEST_F(ConnectionTest, AutomaticSearchTriesEveryPortAndRate) {
    VirtualModuleOptions o;
    o.baud = 19200;
    StartModule(o);
    int connected = 0;
    link->OnConnected = [&] { ++connected; };
    const std::string port = module->DevicePath();
    ASSERT_TRUE(link->AutoSearch({"/dev/quelmo-missing", port}, "3"));
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(link->ConnectionState, 1);
    const std::vector<std::string> expected_start = {"连接日志:", "测试/dev/quelmo-missing @ 2400",
                                                     "/dev/quelmo-missing连接不上!", "测试" + port + " @ 2400"};
    const auto& log = link->ConnectionLog();
    ASSERT_GE(log.size(), expected_start.size());
    EXPECT_TRUE(std::equal(expected_start.begin(), expected_start.end(), log.begin()));
    EXPECT_NE(std::find(log.begin(), log.end(), "测试" + port + " @ 19200"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "发现串口屏!"), log.end());
    EXPECT_EQ(messages.back(), "发现串口屏!");
    EXPECT_EQ(comm.BaudRate(), 115200u);

    // While connected a search is refused.
    EXPECT_FALSE(link->AutoSearch({port}, "3"));
    EXPECT_EQ(messages.back(), "请先关闭串口!");
}

TEST_F(ConnectionTest, ASearchThatFindsNothingSaysSo) {
    StartModule();
    EXPECT_FALSE(link->AutoSearch({}, "x"));
    EXPECT_EQ(comm.ReadIntervalTimeout(), 0u);
    const auto& log = link->ConnectionLog();
    EXPECT_EQ(log[1], "测试无串口 @ 2400");
    EXPECT_EQ(log[2], "无串口连接不上!");
    EXPECT_EQ(log.back(), "没有发现串口屏!");
}

TEST_F(ConnectionTest, ManualConnectRefusesADelayThatIsNotANumber) {
    StartModule();
    auto r = link->ManualConnect(module->DevicePath(), 115200, "3ms");
    ASSERT_FALSE(r.ok());
    EXPECT_FALSE(comm.IsOpen());
    auto missing = link->ManualConnect("/dev/quelmo-missing", 115200, "3");
    EXPECT_EQ(missing.error().message, "打开串口出错\r\n此串口不存在或被占用");
}

TEST_F(ConnectionTest, ErrorDetectionSendsTheWireTestAndLogsTheEcho) {
    StartModule();
    ASSERT_TRUE(link->ErrorDetect(module->DevicePath(), 115200).ok());
    EXPECT_EQ(link->ConnectionState, 0);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(link->ConnectionLog().back(), "如果您看到此信息表示TTL线的RX端与串口屏的TX端线路正常,串口屏连接正常!");
    ASSERT_EQ(Lines("CLS(0);BS12(").size(), 1u);
    EXPECT_EQ(Lines("CLS(0);")[0] + "\r", Utf8ToGbk(link_text::kDetectCommand));
}

// A module that hangs up while connected: the link closes the port and says so, once.
TEST_F(ConnectionTest, AHangUpWhileConnectedEndsTheConnection) {
    StartModule();
    ASSERT_TRUE(Connect());
    module->Hangup();
    EXPECT_TRUE(Eventually([&] { return link->ConnectionState == 0; }));
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "串口连接已断开!"), 1);
    EXPECT_EQ(logs.back(), "串口连接已断开!");
    EXPECT_FALSE(link->SendFixed("CLS(0);"));  // refused: not connected
}

}  // namespace
}  // namespace quelmo::test
