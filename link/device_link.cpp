#include "link/device_link.h"

#include <cstring>

#include "core/dispatcher.h"
#include "core/gbk.h"
#include "link/device_reply.h"
#include "core/hashtable.h"

namespace quelmo {
namespace {

constexpr char kInf[] = ";INF;\r";
constexpr char kUset[] = ";USET(6);\r";

// The delay box: a whole number, else nothing.
bool DelayValue(std::string_view text, uint32_t* out) {
    if (text.empty()) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || v > 0xFFFFFFFFu) return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

DeviceLink::DeviceLink(TComm& comm, Trom& rom) : comm_(comm), rom_(rom) {
    memo1_.push_back(link_text::kLogTitle);
    comm_.OnReceiveData = [this](const char* buffer, uint16_t length) { HandleReceive(buffer, length); };
    comm_.OnRequestHangup = [this] { HandleHangup(); };
}

DeviceLink::~DeviceLink() {
    comm_.OnReceiveData = nullptr;
    comm_.OnRequestHangup = nullptr;
}

void DeviceLink::HandleHangup() {
    const bool connected = ConnectionState == 1;
    comm_.ClosePort();
    if (!connected) return;
    ConnectionState = 0;
    Log(link_text::kLineLost);
    Message(link_text::kLineLost);
}

void DeviceLink::Log(const std::string& line) {
    memo1_.push_back(line);
    if (OnLog) OnLog(line);
}

void DeviceLink::Message(const std::string& text) {
    if (OnMessage) OnMessage(text);
}

void DeviceLink::HandleReceive(const char* buffer, uint16_t length) {
    const std::string_view text(buffer, length);
    ReplyBuffer.append(text);
    ReplyArrived = 1;
    if (ReceiveView == 1) rxmemo_.Append(text);
}

void DeviceLink::WaitQuiet(int quiet_ms) {
    // Ends one full quiet period after the last bytes arrived.
    do {
        ReplyArrived = 0;
        PumpWait(quiet_ms);
    } while (ReplyArrived != 0);
}

bool DeviceLink::QueryDevice(bool long_wait) {
    Log(std::string("发送:") + kInf);
    ReplyBuffer.clear();
    comm_.SendData(kInf, sizeof kInf - 1);
    WaitQuiet(long_wait ? Timings.long_wait : Timings.short_wait);
    const std::string reply = std::move(ReplyBuffer);
    ReplyBuffer.clear();
    Log(GbkToUtf8(reply));
    if (reply.rfind("SN", 0) == 0) {
        ParseInfReply(reply, &rom_.Device());
        if (!FirmwareAccepted(rom_.Device().FirmwareText)) {
            Message(std::string(link_text::kVersionTooOld) + GbkToUtf8(rom_.Device().FirmwareText) +
                    link_text::kVersionTooOldEnd);
            return false;
        }
        return true;
    }
    return reply.rfind("OK", 0) == 0;
}

void DeviceLink::ForceBaud() {
    if (ConnectionState == 0 || comm_.BaudRate() == 115200 || KeepBaud) return;
    Log(std::string("发送:") + kUset);
    ReplyBuffer.clear();
    ReplyArrived = 0;
    comm_.SendData(kUset, sizeof kUset - 1);
    PumpWait(Timings.uset_wait);
    comm_.ClosePort();
    comm_.SetBaudRate(115200);
    if (auto s = comm_.OpenPort(); !s) {
        // The port vanished between closing and reopening: nothing is connected any more.
        ConnectionState = 0;
        Message(s.error().message);
        return;
    }
    Log(link_text::kForced);
}

bool DeviceLink::AutoSearch(const std::vector<std::string>& ports, std::string_view delay_text) {
    uint32_t delay = 0;
    if (!DelayValue(delay_text, &delay)) delay = 0;
    comm_.SetReadIntervalTimeout(delay);
    if (ConnectionState == 1) {
        Message(link_text::kCloseFirst);
        return false;
    }
    std::vector<std::string> list = ports;
    if (list.empty()) list.push_back(link_text::kNoPort);
    for (const std::string& port : list) {
        for (uint32_t rate : kBaudRates) {
            if (StopRequested && StopRequested()) return false;
            comm_.SetCommName(port);
            comm_.SetBaudRate(rate);
            Log("测试" + port + " @ " + std::to_string(rate));
            if (!comm_.OpenPort()) {
                Log(port + link_text::kCannotConnect);
                break;
            }
            if (QueryDevice(false)) {
                Log(link_text::kFound);
                ConnectionState = 1;
                ForceBaud();
                if (ConnectionState != 1) return false;
                Message(link_text::kFound);
                if (OnConnected) OnConnected();
                return true;
            }
            comm_.ClosePort();
        }
    }
    Log(link_text::kNoneFound);
    return false;
}

Result<bool> DeviceLink::ManualConnect(const std::string& port, uint32_t baud, std::string_view delay_text) {
    uint32_t delay = 0;
    if (!DelayValue(delay_text, &delay)) {
        std::string message = "'";
        message.append(delay_text).append("' is not a valid integer value");
        return Error{message, 2};
    }
    comm_.SetReadIntervalTimeout(delay);
    if (ConnectionState != 0) {
        Disconnect();
        return false;
    }
    comm_.SetCommName(port);
    comm_.SetBaudRate(baud);
    if (auto s = comm_.OpenPort(); !s) return s.error();
    if (QueryDevice(true)) {
        ConnectionState = 1;
        ForceBaud();
        if (ConnectionState != 1) return false;
        if (OnConnected) OnConnected();
        return true;
    }
    comm_.ClosePort();
    ConnectionState = 0;
    Message(link_text::kNotFoundOnPort);
    return false;
}

void DeviceLink::Disconnect() {
    comm_.ClosePort();
    ConnectionState = 0;
}

Status DeviceLink::ErrorDetect(const std::string& port, uint32_t baud) {
    Message(link_text::kDetectIntro);
    if (ConnectionState == 1) Disconnect();
    comm_.SetCommName(port);
    comm_.SetBaudRate(baud);
    if (auto s = comm_.OpenPort(); !s) return s;
    ConnectionState = 1;
    PumpWait(Timings.detect_wait);
    ReplyBuffer.clear();
    ReplyArrived = 0;
    const std::string command = Utf8ToGbk(link_text::kDetectCommand);
    comm_.SendData(command.data(), command.size());
    PumpWait(Timings.detect_wait);
    Log(GbkToUtf8(ReplyBuffer));
    Disconnect();
    return {};
}

bool DeviceLink::Send(std::string_view gbk_text, bool one_line) {
    if (ConnectionState == 0) {
        Message(link_text::kConnectFirst);
        return false;
    }
    std::string text;
    for (char c : gbk_text)
        if (!one_line || (c != '\n' && c != '\r')) text.push_back(c);
    text.push_back('\r');
    if (text.size() > kModuleBuffer) Message(link_text::kTooLong);
    rxmemo_.AddLine("send:" + text);
    ReplyBuffer.clear();
    comm_.SendData(text.data(), text.size());  // refused while offline: echoed only
    return true;
}

bool DeviceLink::SendEditArea(std::string_view gbk_text) { return Send(gbk_text, true); }

bool DeviceLink::SendFixed(std::string_view gbk_text) { return Send(gbk_text, false); }

std::array<bool, 512> FlashBarColumns(const Trom& rom) {
    std::array<bool, 512> columns{};
    const size_t mb = static_cast<size_t>(std::clamp(rom.MemorySize(), 0, 16));
    const size_t width = mb * 2048;
    const uint8_t* image = rom.Image();
    // A column is compared whole against erased bytes: an erased 16 MB image is read at memory
    // speed rather than byte by byte.
    static const std::array<uint8_t, 16 * 2048> kErased = [] {
        std::array<uint8_t, 16 * 2048> a;
        a.fill(0xFF);
        return a;
    }();
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i] = width > 0 && std::memcmp(image + i * width, kErased.data(), width) != 0;
    return columns;
}

StatusPanel DeviceLink::RefreshStatus() const {
    StatusPanel p;
    const DeviceInfo& d = rom_.Device();
    if (ConnectionState == 0) {
        p.Label1 = link_text::kNotConnected;
    } else {
        p.Label1 = ConnectionState == 1 ? "连接: SN:" + GbkToUtf8(d.SerialNo) : link_text::kOffline;
        p.Label2 = "分辨率: " + std::to_string(d.ScreenWidth) + "X" + std::to_string(d.ScreenHeight) +
                   "   内存:" + std::to_string(d.MemorySize) + "M";
    }
    p.Label3 = "0M";
    p.Label4 = std::to_string(d.MemorySize / 2) + "M";
    p.Label5 = std::to_string(d.MemorySize) + "M";
    p.Columns = FlashBarColumns(rom_);
    return p;
}

}  // namespace quelmo
