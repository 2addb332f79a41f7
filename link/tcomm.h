#pragma once
// The serial port component. It opens one serial device, applies its line settings and
// time-outs, runs a receive thread and a transmit thread, and hands everything that happens on
// the line to the main thread as events, through the dispatcher. It knows nothing of the
// command language.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/dispatcher.h"
#include "core/result.h"
#include "link/serial_line.h"

namespace quelmo {

// The open errors, word for word as the user sees them.
namespace comms_error {
inline constexpr const char* kAlreadyOpen = "此串口已经打开";
inline constexpr const char* kCannotOpen = "打开串口出错\r\n此串口不存在或被占用";
inline constexpr const char* kQueues = "初始化缓冲区出错";
inline constexpr const char* kEvent = "无法创建事件";
inline constexpr const char* kReadThread = "无法创建读线程";
inline constexpr const char* kWriteThread = "无法创建写线程";
}  // namespace comms_error

// Line error flags of an RxError event.
namespace line_error {
inline constexpr uint32_t kRxOver = 0x01;
inline constexpr uint32_t kOverrun = 0x02;
inline constexpr uint32_t kParity = 0x04;
inline constexpr uint32_t kFrame = 0x08;
inline constexpr uint32_t kBreak = 0x10;
}  // namespace line_error

// Modem values of a ModemChange event.
inline constexpr uint32_t kModemCarrierChanged = 8;
inline constexpr uint32_t kModemRing = 4;

class TComm {
public:
    enum class TParity { None, Odd, Even, Mark, Space };
    enum class TStopBits { _1, _1_5, _2 };
    enum class TByteSize { _5, _6, _7, _8 };
    enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
    enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

    explicit TComm(Dispatcher& dispatcher = MainDispatcher());
    // Closes a port that is still open, so the device is released when the program ends.
    ~TComm();
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Opens `CommName` (a path; a bare name is looked up under /dev), applies the time-outs and
    // line settings and starts both threads. The error's message is one of comms_error.
    Status OpenPort();
    // Stops both threads and closes the device; nothing when closed. Notifications already
    // posted are still delivered.
    void ClosePort();
    bool IsOpen() const { return fd_ >= 0; }
    // Queues a copy of the bytes for the transmit thread and returns at once. False when the
    // port is closed, when count is 0, or when the transmit thread has ended because the line
    // failed (a hang-up request is on its way then): nothing is queued.
    bool SendData(const char* data, size_t count);
    // Advisory: true while nothing waits to be written.
    bool SendQueueEmpty() const { return send_queue_empty_.load(); }

    // Published properties. Setting a line property to a new value while open re-applies the
    // whole line settings; CommName and Parity take effect at the next OpenPort.
    const std::string& CommName() const { return comm_name_; }
    void SetCommName(std::string name) { comm_name_ = std::move(name); }
    uint32_t BaudRate() const { return line_.baud_rate; }
    void SetBaudRate(uint32_t v) { SetLine(&serial::LineSettings::baud_rate, v); }
    bool ParityCheck() const { return line_.parity_check; }
    void SetParityCheck(bool v) { SetLine(&serial::LineSettings::parity_check, v); }
    bool Outx_CtsFlow() const { return line_.cts_flow; }
    void SetOutx_CtsFlow(bool v) { SetLine(&serial::LineSettings::cts_flow, v); }
    bool Outx_DsrFlow() const { return line_.dsr_flow; }
    void SetOutx_DsrFlow(bool v) { SetLine(&serial::LineSettings::dsr_flow, v); }
    TDtrControl DtrControl() const { return static_cast<TDtrControl>(line_.dtr_control); }
    void SetDtrControl(TDtrControl v) { SetLine(&serial::LineSettings::dtr_control, static_cast<int>(v)); }
    bool DsrSensitivity() const { return line_.dsr_sensitivity; }
    void SetDsrSensitivity(bool v) { SetLine(&serial::LineSettings::dsr_sensitivity, v); }
    bool TxContinueOnXoff() const { return line_.tx_continue_on_xoff; }
    void SetTxContinueOnXoff(bool v) { SetLine(&serial::LineSettings::tx_continue_on_xoff, v); }
    bool Outx_XonXoffFlow() const { return line_.out_xon_xoff; }
    void SetOutx_XonXoffFlow(bool v) { SetLine(&serial::LineSettings::out_xon_xoff, v); }
    bool Inx_XonXoffFlow() const { return line_.in_xon_xoff; }
    void SetInx_XonXoffFlow(bool v) { SetLine(&serial::LineSettings::in_xon_xoff, v); }
    bool ReplaceWhenParityError() const { return line_.replace_parity_errors; }
    void SetReplaceWhenParityError(bool v) { SetLine(&serial::LineSettings::replace_parity_errors, v); }
    bool IgnoreNullChar() const { return line_.ignore_null; }
    void SetIgnoreNullChar(bool v) { SetLine(&serial::LineSettings::ignore_null, v); }
    TRtsControl RtsControl() const { return static_cast<TRtsControl>(line_.rts_control); }
    void SetRtsControl(TRtsControl v) { SetLine(&serial::LineSettings::rts_control, static_cast<int>(v)); }
    uint16_t XonLimit() const { return line_.xon_limit; }
    void SetXonLimit(uint16_t v) { SetLine(&serial::LineSettings::xon_limit, v); }
    uint16_t XoffLimit() const { return line_.xoff_limit; }
    void SetXoffLimit(uint16_t v) { SetLine(&serial::LineSettings::xoff_limit, v); }
    TByteSize ByteSize() const { return static_cast<TByteSize>(line_.byte_size); }
    void SetByteSize(TByteSize v) { SetLine(&serial::LineSettings::byte_size, static_cast<int>(v)); }
    TParity Parity() const { return parity_; }
    void SetParity(TParity v) { parity_ = v; }
    TStopBits StopBits() const { return static_cast<TStopBits>(line_.stop_bits); }
    void SetStopBits(TStopBits v) { SetLine(&serial::LineSettings::stop_bits, static_cast<int>(v)); }
    char XonChar() const { return line_.xon_char; }
    void SetXonChar(char v) { SetLine(&serial::LineSettings::xon_char, v); }
    char XoffChar() const { return line_.xoff_char; }
    void SetXoffChar(char v) { SetLine(&serial::LineSettings::xoff_char, v); }
    char ReplacedChar() const { return line_.replaced_char; }
    void SetReplacedChar(char v) { SetLine(&serial::LineSettings::replaced_char, v); }

    // Time-outs in ms. Only the read interval shapes reading here: a block is delivered once the
    // line has been silent for longer than it (at once when it is 0) or 4096 bytes are in.
    uint32_t ReadIntervalTimeout() const { return timeouts_[0].load(); }
    void SetReadIntervalTimeout(uint32_t v) { timeouts_[0].store(v); }
    uint32_t ReadTotalTimeoutMultiplier() const { return timeouts_[1].load(); }
    void SetReadTotalTimeoutMultiplier(uint32_t v) { timeouts_[1].store(v); }
    uint32_t ReadTotalTimeoutConstant() const { return timeouts_[2].load(); }
    void SetReadTotalTimeoutConstant(uint32_t v) { timeouts_[2].store(v); }
    uint32_t WriteTotalTimeoutMultiplier() const { return timeouts_[3].load(); }
    void SetWriteTotalTimeoutMultiplier(uint32_t v) { timeouts_[3].store(v); }
    uint32_t WriteTotalTimeoutConstant() const { return timeouts_[4].load(); }
    void SetWriteTotalTimeoutConstant(uint32_t v) { timeouts_[4].store(v); }

    // Events, always raised on the main thread. The received bytes are followed by a zero byte
    // that is not counted; the buffer is valid only during the call.
    std::function<void(const char* buffer, uint16_t length)> OnReceiveData;
    std::function<void(uint32_t event_mask)> OnReceiveError;
    std::function<void(uint32_t modem_event)> OnModemStateChange;
    std::function<void()> OnRequestHangup;
    std::function<void()> OnSendDataEmpty;

    static constexpr size_t kBlockSize = 4096;

private:
    template <class T, class V>
    void SetLine(T serial::LineSettings::*field, V value) {
        if (line_.*field == static_cast<T>(value)) return;
        line_.*field = static_cast<T>(value);
        if (IsOpen()) serial::Apply(fd_, EffectiveLine());
    }
    serial::LineSettings EffectiveLine() const;
    std::string DevicePath() const;

    void ReceiveLoop();
    void TransmitLoop();
    bool WriteWhole(const std::string& block);
    // Posts work for the main thread that runs only while this component exists.
    void Notify(std::function<void(TComm&)> action);
    void PostHangup();
    void Deliver(const char* bytes, size_t count);
    void SampleCounters(serial::Counters& last);

    Dispatcher& dispatcher_;
    std::shared_ptr<TComm*> alive_;
    std::string comm_name_ = "COM2";
    serial::LineSettings line_;
    TParity parity_ = TParity::None;
    std::atomic<uint32_t> timeouts_[5] = {100, 0, 0, 0, 0};

    int fd_ = -1;
    int close_event_ = -1;  // eventfd; signalled once to stop both threads
    std::thread reader_;
    std::thread writer_;
    std::atomic<bool> send_queue_empty_{true};
    std::atomic<bool> line_failed_{false};  // the transmit thread ended on a write error
    uint64_t opening_ = 0;                  // counts OpenPort: a hang-up belongs to one opening

    std::mutex queue_mu_;
    std::condition_variable queue_cv_;
    std::deque<std::string> queue_;
    bool closing_ = false;
};

}  // namespace quelmo
