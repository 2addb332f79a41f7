#pragma once
// The SD card writer: the model behind the "sdio" window. It walks the user through four
// steps: start (note the drives present), insert a card (detect it), format it when needed,
// write the data of sd/ onto it. The window shows the labels, log and buttons held here.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"
#include "sdcard/device.h"
#include "sdcard/drives.h"

namespace quelmo::sd {

// What the writer needs of the platform. The system one reads /sys and opens real devices or
// card images; tests put their own in between.
class CardAccess {
public:
    virtual ~CardAccess() = default;
    virtual std::vector<Drive> RemovableDrives() = 0;
    virtual Result<std::unique_ptr<SectorDevice>> Open(const Drive& drive, Access access) = 0;
};

class SystemCardAccess : public CardAccess {
public:
    explicit SystemCardAccess(SystemPaths paths = {}) : paths_(std::move(paths)) {}
    std::vector<Drive> RemovableDrives() override { return ListRemovableDrives(paths_); }
    Result<std::unique_ptr<SectorDevice>> Open(const Drive& drive, Access access) override {
        return OpenCard(drive.device, drive.kind, access, paths_);
    }

private:
    SystemPaths paths_;
};

class Tsdio {
public:
    static constexpr const char* kStartText = "please remove all removable device, include Tarvo card, and start";

    // `sd_folder` holds pic.idx, pic.sbin and rom.sbin.
    Tsdio(CardAccess& access, std::filesystem::path sd_folder);

    // Clears the step results and texts and waits for nothing: at creation, when any device is
    // removed, after a data write.
    void Reset();
    // 'start': notes the removable drives present now; only a drive that arrives later is taken.
    void Start();
    // A device arrived. While waiting, the first drive not present at 'start' is examined;
    // returns true when one was. Waiting goes on: a further arrival is examined again.
    Result<bool> OnArrival();
    void OnRemoval() { Reset(); }
    // Examines `drive` as the card: a file system (needs format), the module's signature (ready,
    // size from the header), or neither (needs format, size 0).
    Status Detect(const Drive& drive);
    // 'format': writes the header sector with the signature and the card size. Returns the
    // message to show.
    Result<std::string> Format();
    // 'data write in': pic.idx, pic.sbin, the upgrade copy when WriteRom() is set, then the
    // header and the time sector stamped with `now`. Stops at the first failed read or write.
    Result<std::string> WriteData(std::time_t now);

    // cb1: also write rom.sbin for an offline upgrade.
    bool WriteRom() const { return write_rom_; }
    void SetWriteRom(bool on) { write_rom_ = on; }

    // Step results ok1..ok4 and texts t1..t4, step 1..4.
    const std::string& Ok(int step) const { return ok_[step - 1]; }
    const std::string& Text(int step) const { return t_[step - 1]; }
    const std::vector<std::string>& Log() const { return log_; }
    bool StartEnabled() const { return start_enabled_; }
    bool FormatVisible() const { return format_visible_; }
    bool WriteVisible() const { return write_visible_; }
    bool WriteEnabled() const { return write_enabled_; }
    bool Waiting() const { return waiting_; }

    // Idle (after a reset) -> waiting ('start') -> card found -> formatted; a data write, or
    // any device removal, resets to idle.
    enum class Stage { kIdle, kWaiting, kCardFound, kFormatted };
    Stage CurrentStage() const;

    const std::optional<Drive>& Card() const { return card_; }
    uint64_t CardSize() const { return card_size_; }
    bool NeedsFormat() const { return needs_format_; }

    // Called after every sector of the data with its offset, so a window can repaint.
    std::function<void(uint64_t offset)> on_progress;

private:
    Result<uint64_t> WriteFileAt(SectorDevice& card, const std::filesystem::path& file, uint64_t offset);
    Status CheckFits(const SectorDevice& card) const;

    CardAccess& access_;
    std::filesystem::path folder_;
    std::string ok_[4];
    std::string t_[4];
    std::vector<std::string> log_;
    bool start_enabled_ = true;
    bool format_visible_ = false;
    bool write_visible_ = false;
    bool write_enabled_ = true;
    bool waiting_ = false;
    bool write_rom_ = false;
    std::vector<std::string> drives_before_;
    std::optional<Drive> card_;
    uint64_t card_size_ = 0;
    bool needs_format_ = false;
    bool formatted_ = false;
};

}  // namespace quelmo::sd
