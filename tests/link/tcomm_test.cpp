#include <termios.h>

#include <gtest/gtest.h>

#include "link/serial_line.h"
#include "link_fixture.h"

namespace quelmo::test {
namespace {

class TCommTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainDispatcher().RunPending();
        comm.SetCommName(peer.path);
        comm.SetBaudRate(115200);
        comm.SetReadIntervalTimeout(3);
    }
    void TearDown() override {
        comm.ClosePort();
        MainDispatcher().RunPending();
    }
    termios LineOf() {
        termios t{};
        tcgetattr(peer.master, &t);
        return t;
    }

    PtyPeer peer;
    TComm comm;
};

TEST_F(TCommTest, MissingPortGivesTheOpenErrorAndAFixedNameThenOpens) {
    comm.SetCommName("/dev/quelmo-no-such-port");
    auto s = comm.OpenPort();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().message, "打开串口出错\r\n此串口不存在或被占用");
    EXPECT_FALSE(comm.IsOpen());
    comm.SetCommName(peer.path);
    EXPECT_TRUE(comm.OpenPort().ok());
}

TEST_F(TCommTest, NotATerminalOrAlreadyTakenIsRefused) {
    comm.SetCommName("/dev/null");
    EXPECT_EQ(comm.OpenPort().error().message, "打开串口出错\r\n此串口不存在或被占用");
    comm.SetCommName(peer.path);
    ASSERT_TRUE(comm.OpenPort().ok());
    TComm second;
    second.SetCommName(peer.path);
    EXPECT_EQ(second.OpenPort().error().message, "打开串口出错\r\n此串口不存在或被占用");
}

TEST_F(TCommTest, OpeningAnOpenPortIsRefusedAndThePortKeepsWorking) {
    ASSERT_TRUE(comm.OpenPort().ok());
    auto s = comm.OpenPort();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().message, "此串口已经打开");
    ASSERT_TRUE(comm.SendData("ping", 4));
    EXPECT_EQ(peer.Read(4), "ping");
}

TEST_F(TCommTest, SendDataRefusesEmptyRequestsAndAClosedPort) {
    EXPECT_FALSE(comm.SendData("x", 1));
    ASSERT_TRUE(comm.OpenPort().ok());
    EXPECT_FALSE(comm.SendData("x", 0));
    comm.ClosePort();
    EXPECT_FALSE(comm.SendData("x", 1));
    EXPECT_EQ(peer.Read(1, 100), "");
}

TEST_F(TCommTest, RequestsLeaveWholeAndInCallOrder) {
    ASSERT_TRUE(comm.OpenPort().ok());
    // Larger than the line's buffer, so the first request is written in pieces.
    std::string first(6000, '\0'), second(3000, '\0');
    for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<char>('a' + i % 26);
    for (size_t i = 0; i < second.size(); ++i) second[i] = static_cast<char>('0' + i % 10);
    ASSERT_TRUE(comm.SendData(first.data(), first.size()));
    ASSERT_TRUE(comm.SendData(second.data(), second.size()));
    EXPECT_EQ(peer.Read(first.size() + second.size(), 5000), first + second);

    // A request longer than 16 bits can count goes whole too.
    std::string long_one(70000, '\0');
    for (size_t i = 0; i < long_one.size(); ++i) long_one[i] = static_cast<char>('a' + i % 23);
    ASSERT_TRUE(comm.SendData(long_one.data(), long_one.size()));
    EXPECT_EQ(peer.Read(long_one.size() + 1, 5000), long_one);
}

TEST_F(TCommTest, ABurstOf5000BytesArrivesAsSeveralZeroEndedBlocks) {
    std::vector<uint16_t> counts;
    std::string received;
    bool zero_after_each = true;
    comm.OnReceiveData = [&](const char* buffer, uint16_t length) {
        counts.push_back(length);
        received.append(buffer, length);
        zero_after_each = zero_after_each && buffer[length] == '\0';
    };
    ASSERT_TRUE(comm.OpenPort().ok());
    // Letters only: XON and XOFF bytes are flow control on this line, never data.
    std::string burst(5000, '\0');
    for (size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>('A' + i % 26);
    peer.Write(burst);
    PumpUntil(5000, [&] { return received.size() >= burst.size(); });
    EXPECT_GE(counts.size(), 2u);
    // No block is longer than the receive buffer, and none is empty.
    for (size_t i = 0; i < counts.size(); ++i) {
        EXPECT_LE(counts[i], TComm::kBlockSize) << "block " << i;
        EXPECT_GT(counts[i], 0u) << "block " << i;
    }
    EXPECT_EQ(received, burst);
    EXPECT_TRUE(zero_after_each);
}

TEST_F(TCommTest, LineIs8N1WithXonXoffAndLineChangesApplyAtOnce) {
    ASSERT_TRUE(comm.OpenPort().ok());
    termios t = LineOf();
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB));
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
    EXPECT_EQ(serial::CurrentRate(peer.master), 115200u);

    comm.SetBaudRate(256000);
    EXPECT_EQ(serial::CurrentRate(peer.master), 256000u);
    comm.SetStopBits(TComm::TStopBits::_2);
    EXPECT_TRUE(LineOf().c_cflag & CSTOPB);
    // A new name waits for the next open (a pseudo-terminal cannot show parity).
    comm.SetCommName("/dev/quelmo-no-such-port");
    EXPECT_TRUE(comm.SendData("still", 5));
    EXPECT_EQ(peer.Read(5), "still");
}

TEST_F(TCommTest, ClosingAnIdlePortReturnsPromptly) {
    comm.ClosePort();  // closed: nothing happens
    ASSERT_TRUE(comm.OpenPort().ok());
    const auto t0 = std::chrono::steady_clock::now();
    comm.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(comm.OpenPort().ok());
}

TEST_F(TCommTest, ALineThatGoesAwayRaisesHangupRequest) {
    int hangups = 0;
    comm.OnRequestHangup = [&] { ++hangups; };
    ASSERT_TRUE(comm.OpenPort().ok());
    ASSERT_TRUE(comm.SendData("x", 1));
    peer.Close();
    EXPECT_TRUE(PumpUntil(3000, [&] { return hangups > 0; }));
    comm.SendData("after", 5);
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
}

// Once the other end is gone, the transmit thread ends at its next write and SendData refuses
// from then on, instead of queueing bytes nobody will write.
TEST_F(TCommTest, AfterTheLineWentAwaySendDataRefuses) {
    int hangups = 0;
    comm.OnRequestHangup = [&] { ++hangups; };
    ASSERT_TRUE(comm.OpenPort().ok());
    peer.Close();
    bool refused = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!refused && std::chrono::steady_clock::now() < end) {
        refused = !comm.SendData("x", 1);
        PumpWait(5);
    }
    EXPECT_TRUE(refused);
    EXPECT_TRUE(PumpUntil(3000, [&] { return hangups > 0; }));
    // A request posted before the port was closed is not delivered to a later opening.
    PtyPeer again;
    comm.ClosePort();
    comm.SetCommName(again.path);
    ASSERT_TRUE(comm.OpenPort().ok());
    hangups = 0;
    PumpWait(50);
    EXPECT_EQ(hangups, 0);
    EXPECT_TRUE(comm.SendData("y", 1));
    EXPECT_EQ(again.Read(1), "y");
}

TEST_F(TCommTest, TheQueueEmptyEventFollowsTheLastWrite) {
    int empties = 0;
    comm.OnSendDataEmpty = [&] { ++empties; };
    ASSERT_TRUE(comm.OpenPort().ok());
    PumpUntil(1000, [&] { return empties == 1; });
    ASSERT_TRUE(comm.SendData("abc", 3));
    EXPECT_TRUE(PumpUntil(2000, [&] { return empties == 2; }));
    EXPECT_TRUE(comm.SendQueueEmpty());
    EXPECT_EQ(peer.Read(3), "abc");
}

}  // namespace
}  // namespace quelmo::test
