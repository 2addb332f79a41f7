#pragma once
// The virtual module: a stand-in for the display module on a pseudo-terminal. It answers the
// identification, checksum, erase and block-write commands from its own flash, runs any other
// command text on its own simulated screen, and can run at a baud rate's speed and misbehave on
// purpose (silence, garbage, a lost acknowledgement, an out-of-step answer).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/result.h"
#include "display/framebuffer.h"
#include "flash/trom.h"

namespace quelmo {

class Tcmd;

// Misbehaviour on purpose. Commands (CR-ended lines) and block payloads count from 1.
struct ModuleFaults {
    int silent_after = 0;     // answer nothing after this many commands (0: never silent)
    int garbage_at = 0;       // answer this command with garbage
    int drop_ack_at = 0;      // store this payload but send no "W OK"
    int okok_at = 0;          // answer this payload with "OKOK" (once)
    bool inf_ok = false;      // answer ";INF;" with "OK" instead of the SN line
    bool lose_writes = false; // acknowledge blocks without storing them
    int split_ms = 0;         // send every answer in three bursts this many ms apart
};
// "silent-after=N,garbage=N,drop-ack=N,okok=N,inf-ok,lose-writes,split=MS" (any subset,
// comma-separated).
Result<ModuleFaults> ParseFaults(std::string_view list);

struct VirtualModuleOptions {
    int width = 320;
    int height = 240;
    std::string firmware = "5.56";
    int memory = 16;                     // MB: 2, 4, 8 or 16
    std::string serial = "QV000000000001";
    uint32_t baud = 115200;              // the module listens at this rate only
    bool throttle = false;               // take a real line's time for every byte
    ModuleFaults faults;
    std::filesystem::path trace;         // protocol trace, when given
};

class VirtualModule {
public:
    // The rates of the ";USET(n);" command, n from 0.
    static constexpr uint32_t kRates[8] = {2400, 4800, 9600, 19200, 38400, 57600, 115200, 256000};

    static Result<std::unique_ptr<VirtualModule>> Create(const VirtualModuleOptions& options);
    ~VirtualModule();

    // The pseudo-terminal a host opens.
    const std::string& DevicePath() const { return device_path_; }
    void Start();
    void Stop();
    // Stops serving and closes the line: the host's port sees the device go away.
    void Hangup();

    // Read these only while stopped.
    Trom& Flash() { return *flash_; }
    PixelBuffer& Screen() { return screen_; }

    // Every line received so far (GBK, without its CR; preambles included) and the bytes both ways.
    std::vector<std::string> Commands() const;
    uint64_t BytesIn() const { return bytes_in_.load(); }
    uint64_t BytesOut() const { return bytes_out_.load(); }
    uint32_t Baud() const { return baud_.load(); }

private:
    explicit VirtualModule(const VirtualModuleOptions& options);
    void Serve();
    void Take(const char* bytes, size_t count);
    void Record(const std::string& line);
    void HandleLine(const std::string& line);
    void HandleStatement(std::string_view statement, std::string& answer);
    void HandlePayload();
    void Reply(std::string_view bytes);
    void Trace(char direction, std::string_view bytes);
    void Pace(size_t bytes, std::chrono::steady_clock::time_point& clock, bool continuing);

    VirtualModuleOptions options_;
    std::unique_ptr<Trom> flash_;
    PixelBuffer screen_;
    std::unique_ptr<Tcmd> cmd_;
    std::string device_path_;
    int master_ = -1;
    int slave_keep_ = -1;  // keeps the line up while no host has it open
    int stop_event_ = -1;
    std::thread thread_;
    std::atomic<uint32_t> baud_;
    std::atomic<uint64_t> bytes_in_{0};
    std::atomic<uint64_t> bytes_out_{0};
    mutable std::mutex commands_mu_;
    std::vector<std::string> commands_;
    std::ofstream trace_;
    std::chrono::steady_clock::time_point start_;

    // Serving state (serving thread only).
    enum class Mode { Text, Payload, Resync } mode_ = Mode::Text;
    std::string line_;
    std::string payload_;
    int payload_unit_ = 0;
    int payload_value_ = 0;
    int last_unit_ = -1;
    int command_count_ = 0;
    int payload_count_ = 0;
    std::chrono::steady_clock::time_point rx_clock_, tx_clock_;
};

}  // namespace quelmo
