#pragma once
// The program's side of the device link on the main thread: the shared reply state the
// exchanges wait on, connecting (automatic search, manual connect, disconnect, forcing 115200,
// the error-detection run), identification with ";INF;", sending command text with its receive
// log, and the status panel. The windows are thin views over this; the command line drives it
// directly. Every wait is PumpWait, so received bytes reach ReplyBuffer while waiting.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "flash/trom.h"
#include "link/receive_log.h"
#include "link/tcomm.h"

namespace quelmo {

// Texts the user sees (UTF-8).
namespace link_text {
inline constexpr const char* kVersionTooOld = "当前版本的Quelmo只支持V5.5+的串口屏,您当前连接的设备是";
inline constexpr const char* kVersionTooOldEnd = ";请按照说明书进行升级后再使用新版Quelmo);";
inline constexpr const char* kCloseFirst = "请先关闭串口!";
inline constexpr const char* kFound = "发现串口屏!";
inline constexpr const char* kNoneFound = "没有发现串口屏!";
inline constexpr const char* kCannotConnect = "连接不上!";
inline constexpr const char* kNotFoundOnPort = "未发现该串口连接有Veltra串口屏!";
inline constexpr const char* kForced = "强制串口到115200传输!";
inline constexpr const char* kLogTitle = "连接日志:";
inline constexpr const char* kNoPort = "无串口";
inline constexpr const char* kDetectIntro =
    "错误检测是指无法正常连通的情况下,看屏显示信息确认发送是否正常,以及看连接日志的反馈确认接受是否正常"
    "的一种检测手段,点击OK后开始检测!";
inline constexpr const char* kDetectCommand =
    "CLS(0);BS12(0,0,219,4,'如果您看到此信息表示TTL线的TX到串口屏的RX线路正常!同时请关注连接日志的反馈提示!',15);"
    "SEND('如果您看到此信息表示TTL线的RX端与串口屏的TX端线路正常,串口屏连接正常!');\r";
inline constexpr const char* kConnectFirst = "请先连接串口液晶屏再发送指令!";
inline constexpr const char* kTooLong = "命令已经超出串口屏缓冲区，后面的指令可能无法正确执行!";
inline constexpr const char* kNotConnected = "串口屏未连接!";
inline constexpr const char* kOffline = "非连线编辑";
inline constexpr const char* kLineLost = "串口连接已断开!";
}  // namespace link_text

// The rates of the rate list, in list order (";USET(6);" selects 115200, the seventh).
inline constexpr std::array<uint32_t, 8> kBaudRates = {2400, 4800, 9600, 19200, 38400, 57600, 115200, 256000};
// The module's command buffer, in bytes of GBK text.
inline constexpr size_t kModuleBuffer = 1024;

// The main window's status panel as the window draws it.
struct StatusPanel {
    std::string Label1, Label2;           // connection and device lines
    std::string Label3, Label4, Label5;   // flash bar scale: "0M", half, full
    std::array<bool, 512> Columns{};      // flash bar: true (red) where a byte is not FF
};

struct LinkTimings {
    int short_wait = 300;   // QueryDevice during the automatic search
    int long_wait = 1200;   // QueryDevice during a manual connect
    int uset_wait = 100;
    int detect_wait = 200;
};

class DeviceLink {
public:
    DeviceLink(TComm& comm, Trom& rom);
    ~DeviceLink();

    // Shared state of every exchange.
    int ConnectionState = 0;   // 0 not connected, 1 connected, 2 offline editing
    std::string ReplyBuffer;   // GBK bytes received since it was last cleared
    int ReplyArrived = 0;
    int ReceiveView = 0;       // 1: received bytes also go to the receive log
    bool KeepBaud = false;     // do not force 115200 after connecting
    LinkTimings Timings;

    // What the windows show: log lines, message boxes, and what follows a connect (status
    // refresh and switching to the batch interface editor). All text UTF-8.
    std::function<void(const std::string&)> OnLog;
    std::function<void(const std::string&)> OnMessage;
    std::function<void()> OnConnected;
    // Asked before each probe of the automatic search; true ends the search there, with nothing
    // connected (the program is closing).
    std::function<bool()> StopRequested;

    TComm& Comm() { return comm_; }
    Trom& Rom() { return rom_; }
    DeviceInfo& Device() { return rom_.Device(); }
    ReceiveLog& RxLog() { return rxmemo_; }
    const std::vector<std::string>& ConnectionLog() const { return memo1_; }

    // The ";INF;" exchange.
    bool QueryDevice(bool long_wait);
    // Tries every port at every rate; true when a module was found (and is now connected).
    bool AutoSearch(const std::vector<std::string>& ports, std::string_view delay_text);
    // Connects to one port at one rate. An unusable delay text or an unopenable port comes back
    // as the error; no module is `false` with the message shown.
    Result<bool> ManualConnect(const std::string& port, uint32_t baud, std::string_view delay_text);
    void Disconnect();
    // The wire check: sends the fixed test text and logs what comes back.
    Status ErrorDetect(const std::string& port, uint32_t baud);

    // The batch interface editor's senders: false when refused (not connected).
    bool SendEditArea(std::string_view gbk_text);
    bool SendFixed(std::string_view gbk_text);

    // Waits until the line has been quiet for `quiet_ms` (at least one period).
    void WaitQuiet(int quiet_ms);
    // The received-bytes handler, run on the main thread for every block.
    void HandleReceive(const char* buffer, uint16_t length);
    // The port's hang-up request (the device went away): the port is closed, and a connection
    // ends with kLineLost in the log and as a message.
    void HandleHangup();

    StatusPanel RefreshStatus() const;

private:
    void Log(const std::string& line);
    void Message(const std::string& text);
    void ForceBaud();
    bool Send(std::string_view gbk_text, bool one_line);

    TComm& comm_;
    Trom& rom_;
    ReceiveLog rxmemo_;
    std::vector<std::string> memo1_;
};

// The flash bar: column i stands for MemorySize * 2048 bytes from i * MemorySize * 2048.
std::array<bool, 512> FlashBarColumns(const Trom& rom);

}  // namespace quelmo
