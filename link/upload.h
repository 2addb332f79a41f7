#pragma once
// The sector upload: asks the module for the check value of every 4 KB sector in a range
// (";RCPG(first,count);"), compares them with the local image's, and writes only the sectors
// that differ: an all-FF sector as one ";EMEM(s);", any other as four 1 KB blocks, each
// announced by ";BUP(unit,value);" and acknowledged with "W OK". A module that answers "OKOK"
// is out of step: it gets the "NOPA" preamble and the whole sector again. After the last sector
// the written span is asked for once more, to confirm that the module now holds the image.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/device_link.h"

namespace quelmo {

namespace upload_text {
inline constexpr const char* kDone = "上传完成!";
inline constexpr const char* kDoneRestart = "上传完成! 您修改了串口屏的内存分区配置，需要重启(断电)配置才能生效！";
inline constexpr const char* kNoReply =
    "您的串口无法收到回复数据,请检查连接或者在连接界面增大延时值，然后重新连接串口再次上传!";
inline constexpr const char* kBadReply = "数据接收错误!";
inline constexpr const char* kNotConnected = "串口没有连接!";
inline constexpr const char* kGettingInfo = "正在获取信息....";
inline constexpr const char* kUploading = "上传中......";
}  // namespace upload_text

inline constexpr int kMaxSectors = 4096;
// The preamble that brings an out-of-step module back: "NOPA" 30 times and a CR, sent ten times.
inline constexpr int kPreambleRepeats = 10;

// Reads the module's check values from an RCPG reply into `sums` (entries for sectors outside
// it are ignored): after the first "=", entries of hex sector, one separator, hex value, "|";
// an "=" after a "|" ends the list. False when an entry is not closed by "|".
bool ParseRcpgReply(std::string_view reply, std::array<uint32_t, kMaxSectors>& sums);

struct UploadTimings {
    int checksums = 12000;  // RCPG reply
    int command = 1000;     // any reply to BUP
    int ack = 3000;         // "W OK" or "OKOK" after a payload
    int erase = 3000;       // any reply to EMEM
    int okok_pause = 300;
    int verify = 12000;
};

class SyncUpload {
public:
    enum class Button { All, Fonts, Pages, Pictures };
    enum Cell : uint8_t { kOutside, kSame, kDiffers, kDone };
    enum class Outcome { Done, Stopped, Failed, VerifyFailed, Refused };
    struct Range {
        int start_unit;
        int units;
    };

    explicit SyncUpload(DeviceLink& link);

    UploadTimings Timings;
    bool ForceAll = false;          // write every sector of the range
    std::atomic<bool> Stop{false};  // the "stop transmission" button (any thread may set it)
    // Further reasons to stop, asked wherever Stop is (the program closing, the port gone).
    std::function<bool()> StopRequested;
    // A module that answers "OKOK" for the same sector this many times in a row has failed.
    int MaxRestarts = 10;

    // The "reflash display" refresh run before every button (rebuilds the image). A refresh that
    // fails (the build ran out of room) leaves an incomplete image, which is never uploaded.
    std::function<bool()> OnRefresh;
    // The picture data end of an image that was not built here; else the image's own.
    std::optional<int64_t> PictureEnd;
    std::function<void(const std::string&)> OnLog;       // upload log lines (UTF-8)
    std::function<void(const std::string&)> OnStatus;    // the status text
    std::function<void(int done, int total)> OnProgress; // after each sector of a run
    std::function<void()> OnMapDrawn;                    // the map was set up for a run

    // The ranges a button runs, in 256-byte units; `picture_end` is the picture data end in bytes.
    static std::vector<Range> RangesFor(Button button, int memory_mb, int64_t picture_end);
    Outcome Press(Button button);
    // One run over (start unit, units).
    Outcome Run(Range range);

    const std::array<Cell, kMaxSectors>& SectorMap() const { return map_; }
    const std::array<uint32_t, kMaxSectors>& ModuleSums() const { return module_sums_; }
    bool ConfigChanged() const { return config_changed_; }
    // Sectors that still differed after the last run's verification.
    const std::vector<int>& Unverified() const { return unverified_; }
    // The final message of the last button press (a message box in the window).
    const std::string& FinalMessage() const { return final_message_; }

private:
    enum class Step { Ok, Failed, Stopped };
    Step SendCommand(const std::string& command);
    Step QuerySums(int first, int count, int limit_ms);
    Step WriteSector(int sector);
    Step EraseSector(int sector);
    bool Stopping() const { return Stop.load() || (StopRequested && StopRequested()); }
    void Fail(bool during_query);
    // Queues bytes; false (the run has failed with kLineLost) when the port refuses them.
    bool Send(const std::string& bytes);
    bool Connected() const { return link_.ConnectionState != 0 && link_.Comm().IsOpen(); }
    // After a wait: false (the run has failed with kLineLost) when the line went away.
    bool LineUp();
    void LineLost();
    void Log(const std::string& line);
    void Status(const std::string& text);

    DeviceLink& link_;
    std::array<uint32_t, kMaxSectors> module_sums_{};
    std::array<uint32_t, kMaxSectors> local_sums_{};
    std::array<Cell, kMaxSectors> map_{};
    bool config_changed_ = false;
    std::vector<int> unverified_;
    std::string final_message_;
};

// The sector map cell colours (0xFFRRGGBB) by cell state.
inline constexpr uint32_t kCellColours[4] = {0xFFC0C0C0u, 0xFF008080u, 0xFFFFFF00u, 0xFF80FF00u};

}  // namespace quelmo
