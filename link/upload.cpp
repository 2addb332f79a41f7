#include "link/upload.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/dispatcher.h"
#include "core/gbk.h"
#include "flash/layout.h"

namespace quelmo {
namespace {

using Clock = std::chrono::steady_clock;

bool Contains(const std::string& s, std::string_view what) { return s.find(what) != std::string::npos; }

// Upper-case hexadecimal digits only; the value saturates instead of wrapping for sectors.
uint64_t ReadHex(std::string_view s, size_t& pos) {
    uint64_t v = 0;
    for (; pos < s.size(); ++pos) {
        const char c = s[pos];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        v = v < (uint64_t{1} << 40) ? v * 16 + static_cast<uint64_t>(d) : v;
    }
    return v;
}

}  // namespace

bool ParseRcpgReply(std::string_view reply, std::array<uint32_t, kMaxSectors>& sums) {
    const size_t eq = reply.find('=');
    size_t pos = eq == std::string_view::npos ? 0 : eq + 1;
    for (;;) {
        const uint64_t sector = ReadHex(reply, pos);
        ++pos;  // the separator, whatever it is
        const uint64_t sum = ReadHex(reply, pos);
        if (pos >= reply.size() || reply[pos] != '|') return false;
        if (sector < kMaxSectors) sums[sector] = static_cast<uint32_t>(sum);
        ++pos;
        if (pos < reply.size() && reply[pos] == '=') return true;
    }
}

SyncUpload::SyncUpload(DeviceLink& link) : link_(link) {}

void SyncUpload::Log(const std::string& line) {
    if (OnLog) OnLog(line);
}

void SyncUpload::Status(const std::string& text) {
    if (OnStatus) OnStatus(text);
}

std::vector<SyncUpload::Range> SyncUpload::RangesFor(Button button, int memory_mb, int64_t picture_end) {
    switch (button) {
        using flash::Units;
        case Button::All: {
            const int from = Units(flash::kConfigBlock);
            return {{from, memory_mb * Units(flash::kMegabyte) - from}};
        }
        case Button::Fonts:
            return {{Units(flash::kMiniIndex), Units(flash::kMiniIndexSize)},
                    {Units(flash::kMiniGlyphs), Units(flash::kMiniGlyphsSize)}};
        case Button::Pages: return {{Units(flash::kPageTable), Units(flash::kPageSlotSize * flash::kPageCount)}};
        case Button::Pictures: {
            const int64_t e = picture_end / static_cast<int64_t>(flash::kUnit);
            return {{Units(flash::kPicIndex), Units(flash::kPicIndexSize)},
                    {Units(flash::kPicData), static_cast<int>(e - Units(flash::kPicData))}};
        }
    }
    return {};
}

SyncUpload::Outcome SyncUpload::Press(Button button) {
    final_message_.clear();
    if (OnRefresh && !OnRefresh()) return Outcome::Refused;
    if (link_.ConnectionState == 0 || !link_.Comm().IsOpen()) {
        final_message_ = upload_text::kNotConnected;
        if (link_.OnMessage) link_.OnMessage(final_message_);
        return Outcome::Refused;
    }
    Stop = false;
    if (button == Button::All) config_changed_ = false;
    Outcome outcome = Outcome::Done;
    const int64_t picture_end = PictureEnd ? *PictureEnd : link_.Rom().PictureDataEnd();
    for (const Range& r : RangesFor(button, link_.Rom().MemorySize(), picture_end)) {
        outcome = Run(r);
        if (outcome != Outcome::Done) break;
    }
    return outcome;
}

bool SyncUpload::Send(const std::string& bytes) {
    if (link_.Comm().SendData(bytes.data(), bytes.size())) return true;
    LineLost();
    return false;
}

bool SyncUpload::LineUp() {
    if (Connected()) return true;
    LineLost();
    return false;
}

void SyncUpload::LineLost() {
    // The port refused the bytes or went away while waiting: no reply can come, so the run ends
    // now. The link has said so already when its hang-up handler closed the port.
    const bool told = link_.ConnectionState == 0;
    final_message_ = link_text::kLineLost;
    if (!told && link_.OnMessage) link_.OnMessage(final_message_);
    link_.Disconnect();
    Status("");
}

void SyncUpload::Fail(bool during_query) {
    final_message_ = upload_text::kNoReply;
    if (link_.OnMessage) link_.OnMessage(final_message_);
    link_.Disconnect();
    if (during_query) Status("");
}

SyncUpload::Step SyncUpload::QuerySums(int first, int count, int limit_ms) {
    const std::string command = ";RCPG(" + std::to_string(first) + "," + std::to_string(count) + ");\r";
    Log("Send:" + command);
    link_.ReplyBuffer.clear();
    if (!Send(command)) return Step::Failed;
    const auto t0 = Clock::now();
    PumpUntil(limit_ms, [this] { return Stopping() || !Connected() || Contains(link_.ReplyBuffer, "|=OK"); });
    if (!LineUp()) return Step::Failed;
    if (Stopping()) {
        Status("");
        return Step::Stopped;
    }
    Log("msec:" + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count()));
    if (link_.ReplyBuffer.empty()) {
        Fail(true);
        return Step::Failed;
    }
    Log("rec:" + GbkToUtf8(link_.ReplyBuffer));
    if (!ParseRcpgReply(link_.ReplyBuffer, module_sums_) && link_.OnMessage) link_.OnMessage(upload_text::kBadReply);
    return Step::Ok;
}

SyncUpload::Outcome SyncUpload::Run(Range range) {
    Trom& rom = link_.Rom();
    const int sectors = std::min(std::max(rom.MemorySize(), 0) * 256, kMaxSectors);
    const int s0 = range.start_unit / 16;
    const int c = std::max(range.units / 16, 0);
    unverified_.clear();

    Status(upload_text::kGettingInfo);
    if (Step st = QuerySums(s0, c, Timings.checksums); st != Step::Ok)
        return st == Step::Stopped ? Outcome::Stopped : Outcome::Failed;

    for (int s = 0; s < sectors; ++s) local_sums_[s] = rom.SectorSum(s);
    Status(upload_text::kUploading);
    for (int s = 0; s < kMaxSectors; ++s) {
        const bool inside = s >= s0 && s <= s0 + c && s < sectors;
        map_[s] = !inside ? kOutside : module_sums_[s] == local_sums_[s] ? kSame : kDiffers;
    }
    if (OnMapDrawn) OnMapDrawn();

    const int last = std::min(s0 + c, sectors - 1);
    int first_written = -1, last_written = -1;
    for (int s = s0; s <= last; ++s) {
        if (Stopping()) return Outcome::Stopped;
        if (module_sums_[s] != local_sums_[s] || ForceAll) {
            const Step st = rom.SectorBlank(s) ? EraseSector(s) : WriteSector(s);
            if (st == Step::Failed) return Outcome::Failed;
            if (first_written < 0) first_written = s;
            last_written = s;
            if (st == Step::Stopped) {
                map_[s] = kDone;
                return Outcome::Stopped;
            }
        }
        map_[s] = kDone;
        if (OnProgress) OnProgress(s - s0 + 1, last - s0 + 1);
    }

    if (first_written >= 0) {
        // Confirm: the module's check values over what was written must now match the image.
        if (Step st = QuerySums(first_written, last_written - first_written, Timings.verify); st != Step::Ok)
            return st == Step::Stopped ? Outcome::Stopped : Outcome::Failed;
        for (int s = first_written; s <= last_written; ++s)
            if (module_sums_[s] != local_sums_[s]) unverified_.push_back(s);
        if (!unverified_.empty()) {
            std::string list;
            for (int s : unverified_) list += (list.empty() ? "" : ", ") + std::to_string(s);
            final_message_ = "verify failed: the module's sectors " + list + " still differ from the image";
            if (link_.OnMessage) link_.OnMessage(final_message_);
            Status("");
            return Outcome::VerifyFailed;
        }
    }
    final_message_ = config_changed_ ? upload_text::kDoneRestart : upload_text::kDone;
    if (link_.OnMessage) link_.OnMessage(final_message_);
    Status("");
    return Outcome::Done;
}

SyncUpload::Step SyncUpload::EraseSector(int sector) {
    const std::string command = ";EMEM(" + std::to_string(sector) + ");\r";
    Log("Send:" + command);
    link_.ReplyBuffer.clear();
    if (!Send(command)) return Step::Failed;
    // A stop (or the port going away) ends the wait at once; the module then needs no reply.
    const bool answered =
        PumpUntil(Timings.erase, [this] { return Stopping() || !Connected() || !link_.ReplyBuffer.empty(); });
    if (!LineUp()) return Step::Failed;
    if (link_.ReplyBuffer.empty() && Stopping()) return Step::Stopped;
    if (!answered) {
        Fail(false);
        return Step::Failed;
    }
    Log(GbkToUtf8(link_.ReplyBuffer));
    return Step::Ok;
}

SyncUpload::Step SyncUpload::WriteSector(int sector) {
    if (sector == 1) config_changed_ = true;
    const uint8_t* image = link_.Rom().Image();
    std::string payload(1024, '\0');
    for (int restarts = 0;; ++restarts) {
        bool out_of_step = false;
        for (int k = 0; k < 4 && !out_of_step; ++k) {
            const int a = sector * 16 + k * 4;
            const std::string command =
                ";BUP(" + std::to_string(a) + "," + std::to_string(link_.Rom().BlockValue(a)) + ");\r";
            link_.ReplyBuffer.clear();
            if (!Send(command)) return Step::Failed;
            // Byte i of the block travels as image byte XOR (i mod 256).
            const uint8_t* block = image + static_cast<size_t>(a) * flash::kUnit;
            for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(block[i] ^ (i & 0xFF));
            const bool answered = PumpUntil(
                Timings.command, [this] { return Stopping() || !Connected() || !link_.ReplyBuffer.empty(); });
            if (!LineUp()) return Step::Failed;
            if (link_.ReplyBuffer.empty() && Stopping()) return Step::Stopped;
            if (!answered) {
                Fail(false);
                return Step::Failed;
            }
            link_.ReplyBuffer.clear();
            if (!Send(payload)) return Step::Failed;
            const std::string& reply = link_.ReplyBuffer;
            PumpUntil(Timings.ack, [&] {
                return Stopping() || !Connected() || Contains(reply, "OKOK") || Contains(reply, "W OK") ||
                       reply.size() > 6;
            });
            if (!LineUp()) return Step::Failed;
            if (Stopping()) return Step::Stopped;
            if (Contains(reply, "OKOK")) {
                out_of_step = true;
            } else if (!Contains(reply, "W OK")) {
                Fail(false);
                return Step::Failed;
            }
        }
        if (!out_of_step) return Step::Ok;
        // A module that never gets back in step would otherwise be written for ever.
        if (restarts + 1 >= MaxRestarts) {
            Fail(false);
            return Step::Failed;
        }
        std::string preamble;
        for (int i = 0; i < 30; ++i) preamble += "NOPA";
        preamble += '\r';
        for (int i = 0; i < kPreambleRepeats; ++i)
            if (!Send(preamble)) return Step::Failed;
        std::this_thread::sleep_for(std::chrono::milliseconds(Timings.okok_pause));
    }
}

}  // namespace quelmo
