#include <gtest/gtest.h>

#include "core/gbk.h"
#include "link/receive_log.h"
#include "link_fixture.h"
#include "support/screen.h"

namespace quelmo::test {
namespace {

class SendingTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        StartModule();
        ASSERT_TRUE(Connect());
        link->ReceiveView = 1;
    }
    // Waits until the module has seen `n` lines.
    void WaitForLines(size_t n) {
        Eventually([&] { return module->Commands().size() >= n; });
    }
};

TEST_F(SendingTest, ThreeLinesOfTheEditAreaGoAsOneLine) {
    ASSERT_TRUE(link->SendEditArea("CLS(0);\r\nBOX(0,0,9,9,1);\r\nDS12(0,0,'a',1);"));
    WaitForLines(2);
    const auto commands = module->Commands();
    EXPECT_EQ(commands.back(), "CLS(0);BOX(0,0,9,9,1);DS12(0,0,'a',1);");
    EXPECT_EQ(link->RxLog().Text(), "send:CLS(0);BOX(0,0,9,9,1);DS12(0,0,'a',1);\r\r\n");
}

TEST_F(SendingTest, SendFixedKeepsLineBreaks) {
    ASSERT_TRUE(link->SendFixed("CLS(0);\nCLS(1);"));
    WaitForLines(2);
    EXPECT_EQ(module->Commands().back(), "CLS(0);\nCLS(1);");
}

TEST_F(SendingTest, MoreThan1024BytesWarnsAndIsStillSentWhole) {
    for (size_t length : {1023u, 1024u}) {
        messages.clear();
        // length bytes of text plus the CR: 1024 fits the module's buffer, 1025 does not.
        std::string text = "CLS(0);";
        text.append(length - text.size(), ' ');
        ASSERT_TRUE(link->SendEditArea(text));
        EXPECT_EQ(messages.size(), length == 1024u ? 1u : 0u) << length;
        if (!messages.empty()) {
            EXPECT_EQ(messages[0], "命令已经超出串口屏缓冲区，后面的指令可能无法正确执行!");
        }
    }
    WaitForLines(3);
    EXPECT_EQ(module->Commands().back().size(), 1024u);
}

TEST_F(SendingTest, NothingIsSentOrEchoedWhileNotConnected) {
    link->Disconnect();
    EXPECT_FALSE(link->SendEditArea("CLS(0);"));
    EXPECT_EQ(messages.back(), "请先连接串口液晶屏再发送指令!");
    EXPECT_EQ(link->RxLog().Text(), "");
}

TEST_F(SendingTest, TheModuleRunsCommandTextOnItsScreenAndEchoesSend) {
    ASSERT_TRUE(link->SendEditArea(Utf8ToGbk("CLS(1);BOXF(10,10,20,20,2);SEND('你好');")));
    link->WaitQuiet(150);
    EXPECT_EQ(GbkToUtf8(link->ReplyBuffer), "你好");
    EXPECT_NE(link->RxLog().Text().find(Utf8ToGbk("你好")), std::string::npos);
    module->Stop();
    Screen reference(320, 240);
    reference.Run("CLS(1);BOXF(10,10,20,20,2);");
    EXPECT_EQ(module->Screen().pixels(), reference.pixels.pixels());
}

TEST(ReceiveLog, BurstsJoinWithoutALineBreak) {
    ReceiveLog log;
    log.Append("W ");
    log.Append("OK");
    EXPECT_EQ(log.Text(), "W OK");
}

TEST(ReceiveLog, PassingTheLimitKeepsTheLastThreeLines) {
    ReceiveLog log;
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line" + std::to_string(i) + "\r\n";
    ASSERT_LE(text.size(), ReceiveLog::kTrimAbove);
    log.Append(text);
    EXPECT_EQ(log.Text(), text);
    log.Append(std::string(ReceiveLog::kTrimAbove - text.size(), 'x'));
    EXPECT_EQ(log.Text().size(), ReceiveLog::kTrimAbove);
    log.Append("y");
    EXPECT_EQ(log.Text(), "line398\r\nline399\r\n" + std::string(ReceiveLog::kTrimAbove - text.size(), 'x') + "y\r\n");
}

TEST(StatusPanel, TextsFollowTheConnectionState) {
    TComm comm;
    Trom rom;
    DeviceLink link(comm, rom);
    rom.Device() = DeviceInfo{"QV1", 480, 272, "5.56", 556, 16};
    struct Case {
        int state;
        const char* label1;
        const char* label2;
    } cases[] = {{0, "串口屏未连接!", ""},
                 {1, "连接: SN:QV1", "分辨率: 480X272   内存:16M"},
                 {2, "非连线编辑", "分辨率: 480X272   内存:16M"}};
    for (const Case& c : cases) {
        link.ConnectionState = c.state;
        const StatusPanel p = link.RefreshStatus();
        EXPECT_EQ(p.Label1, c.label1);
        EXPECT_EQ(p.Label2, c.label2);
        EXPECT_EQ(p.Label3, "0M");
        EXPECT_EQ(p.Label4, "8M");
        EXPECT_EQ(p.Label5, "16M");
    }
}

TEST(StatusPanel, FlashBarMarksColumnsHoldingData) {
    Trom rom;
    rom.SetMemorySize(2);  // a column covers 4096 bytes
    const auto blank = FlashBarColumns(rom);
    EXPECT_EQ(std::count(blank.begin(), blank.end(), true), 0);
    rom.Image()[4096 * 3 + 4095] = 0;
    rom.Image()[2 * 1024 * 1024] = 0;  // beyond the memory size: not on the bar
    auto columns = FlashBarColumns(rom);
    EXPECT_EQ(std::count(columns.begin(), columns.end(), true), 1);
    EXPECT_TRUE(columns[3]);
}

}  // namespace
}  // namespace quelmo::test
