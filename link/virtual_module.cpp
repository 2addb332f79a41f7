#include "link/virtual_module.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "display/tcmd.h"
#include "flash/layout.h"
#include "link/device_reply.h"
#include "link/serial_line.h"
#include "core/hashtable.h"

namespace quelmo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kChunk = 1024;
constexpr size_t kMaxLine = 64 * 1024;  // a longer line is dropped, as a full buffer would
// Bytes per throttled write: small enough that a burst stays continuous for a 3 ms reader.
constexpr size_t kPaceBytes = 16;


// Decimal arguments of "NAME(a,b,...)"; missing ones read 0.
std::vector<long> Arguments(std::string_view statement) {
    std::vector<long> args;
    const size_t open = statement.find('(');
    if (open == std::string_view::npos) return args;
    long value = 0;
    bool any = false;
    for (size_t i = open + 1; i < statement.size() && statement[i] != ')'; ++i) {
        const char c = statement[i];
        if (c >= '0' && c <= '9') {
            if (value < 100000000) value = value * 10 + (c - '0');
            any = true;
        } else if (c == ',') {
            args.push_back(value);
            value = 0;
            any = false;
        }
    }
    if (any || !args.empty()) args.push_back(value);
    return args;
}

std::string Escaped(std::string_view bytes, size_t limit = 200) {
    std::string out;
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else out.push_back(static_cast<char>(c));
    }
    if (bytes.size() > limit) out += "...(" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

}  // namespace

Result<ModuleFaults> ParseFaults(std::string_view list) {
    ModuleFaults f;
    while (!list.empty()) {
        const size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        if (item.empty()) continue;
        const size_t eq = item.find('=');
        const std::string_view key = item.substr(0, eq);
        const int value = eq == std::string_view::npos ? 0 : TextToInt(item.substr(eq + 1));
        const bool has_value = eq != std::string_view::npos && value > 0;
        if (key == "inf-ok" && eq == std::string_view::npos) f.inf_ok = true;
        else if (key == "lose-writes" && eq == std::string_view::npos) f.lose_writes = true;
        else if (key == "silent-after" && has_value) f.silent_after = value;
        else if (key == "garbage" && has_value) f.garbage_at = value;
        else if (key == "drop-ack" && has_value) f.drop_ack_at = value;
        else if (key == "okok" && has_value) f.okok_at = value;
        else if (key == "split" && has_value) f.split_ms = value;
        else
            return Error{"unknown fault '" + std::string(item) +
                             "' (use silent-after=N, garbage=N, drop-ack=N, okok=N, inf-ok, lose-writes, split=MS)",
                         2};
    }
    return f;
}

VirtualModule::VirtualModule(const VirtualModuleOptions& options)
    : options_(options),
      flash_(std::make_unique<Trom>()),
      screen_(options.width, options.height),
      baud_(options.baud) {
    DeviceInfo& d = flash_->Device();
    d.ScreenWidth = options.width;
    d.ScreenHeight = options.height;
    d.FirmwareText = options.firmware;
    d.MemorySize = options.memory;
    // The module's own check values follow its firmware, as the host's do.
    const std::string v = "V" + options.firmware + " ";
    d.FirmwareNo = TextToInt(v.substr(1, 1)) * 100 + TextToInt(v.substr(3, 2));
    cmd_ = std::make_unique<Tcmd>(*flash_);
    cmd_->Screen().SetSurface(screen_.View());
}

Result<std::unique_ptr<VirtualModule>> VirtualModule::Create(const VirtualModuleOptions& options) {
    if (options.width < 1 || options.width > 999 || options.height < 1 || options.height > 999)
        return Error{"the screen size must be 1..999 on each side", 2};
    if (options.memory != 2 && options.memory != 4 && options.memory != 8 && options.memory != 16)
        return Error{"--memory must be 2, 4, 8 or 16", 2};
    std::unique_ptr<VirtualModule> m(new VirtualModule(options));
    m->master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m->master_ < 0 || ::grantpt(m->master_) != 0 || ::unlockpt(m->master_) != 0)
        return Error{std::string("cannot create a pseudo-terminal: ") + std::strerror(errno), 1};
    char name[128];
    if (::ptsname_r(m->master_, name, sizeof name) != 0)
        return Error{"cannot name the pseudo-terminal", 1};
    m->device_path_ = name;
    m->slave_keep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m->slave_keep_ < 0) return Error{std::string("cannot open ") + name, 1};
    // Raw line until a host sets its own: no echo, no translation.
    termios t{};
    if (::tcgetattr(m->slave_keep_, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetspeed(&t, B9600);
        ::tcsetattr(m->slave_keep_, TCSANOW, &t);
    }
    ::fcntl(m->master_, F_SETFL, ::fcntl(m->master_, F_GETFL) | O_NONBLOCK);
    m->stop_event_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m->stop_event_ < 0) return Error{"cannot create an event", 1};
    if (!options.trace.empty()) {
        m->trace_.open(options.trace, std::ios::binary | std::ios::trunc);
        if (!m->trace_) return Error{"cannot create " + options.trace.string(), 2};
    }
    return m;
}

VirtualModule::~VirtualModule() {
    Stop();
    for (int fd : {master_, slave_keep_, stop_event_})
        if (fd >= 0) ::close(fd);
}

void VirtualModule::Start() {
    if (thread_.joinable()) return;
    uint64_t drain;
    while (::read(stop_event_, &drain, sizeof drain) > 0) {
    }
    start_ = rx_clock_ = tx_clock_ = Clock::now();
    thread_ = std::thread(&VirtualModule::Serve, this);
}

void VirtualModule::Stop() {
    if (!thread_.joinable()) return;
    uint64_t one = 1;
    (void)!::write(stop_event_, &one, sizeof one);
    thread_.join();
    if (trace_.is_open()) trace_.flush();
}

void VirtualModule::Hangup() {
    Stop();
    for (int* fd : {&slave_keep_, &master_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

std::vector<std::string> VirtualModule::Commands() const {
    std::lock_guard lock(commands_mu_);
    return commands_;
}

void VirtualModule::Pace(size_t bytes, Clock::time_point& clock, bool continuing) {
    if (!options_.throttle) return;
    // Ten bits a byte on the line: start, eight data bits, stop. Bytes that follow others
    // without a pause go on from where those ended, so waking late never slows the line down.
    const auto now = Clock::now();
    if (!continuing && clock < now) clock = now;
    clock += std::chrono::nanoseconds(static_cast<int64_t>(bytes) * 10 * 1000000000LL / baud_.load());
    std::this_thread::sleep_until(clock);
}

void VirtualModule::Serve() {
    char buffer[4096];
    bool rx_backlog = false;
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {stop_event_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) {
            if (fds[0].revents & (POLLERR | POLLNVAL)) return;
            continue;
        }
        const size_t want = options_.throttle ? 64 : sizeof buffer;
        const ssize_t n = ::read(master_, buffer, want);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            return;
        }
        bytes_in_ += static_cast<uint64_t>(n);
        Pace(static_cast<size_t>(n), rx_clock_, rx_backlog);
        // Bytes still queued behind these were already on their way: they follow without a pause.
        int queued = 0;
        rx_backlog = ::ioctl(master_, FIONREAD, &queued) == 0 && queued > 0;
        // Bytes sent at another rate than the module's arrive as noise; the module ignores them.
        const uint32_t line_rate = serial::CurrentRate(master_);
        if (line_rate != 0 && line_rate != baud_.load()) {
            Trace('?', std::string_view(buffer, static_cast<size_t>(n)));
            continue;
        }
        Take(buffer, static_cast<size_t>(n));
    }
}

void VirtualModule::Take(const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const char b = bytes[i];
        if (mode_ == Mode::Payload) {
            payload_.push_back(b);
            if (payload_.size() == kChunk) HandlePayload();
            continue;
        }
        if (b != '\r') {
            if (line_.size() < kMaxLine) line_.push_back(b);
            continue;
        }
        std::string line;
        line.swap(line_);
        if (mode_ == Mode::Resync) {
            // Out of step: everything up to the end of a "NOPA" preamble is dropped.
            Trace('>', line);
            Record(line);
            if (line.find("NOPA") != std::string::npos) mode_ = Mode::Text;
            continue;
        }
        HandleLine(line);
    }
}

void VirtualModule::Record(const std::string& line) {
    std::lock_guard lock(commands_mu_);
    commands_.push_back(line);
}

void VirtualModule::HandleLine(const std::string& line) {
    Trace('>', line);
    Record(line);
    // A preamble in step is harmless filler.
    if (line.find("NOPA") != std::string::npos && line.find(';') == std::string::npos) return;
    ++command_count_;
    const ModuleFaults& f = options_.faults;
    if (f.silent_after > 0 && command_count_ > f.silent_after) return;

    std::string answer;
    std::string statement;
    bool in_quote = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char b = line[i];
        if (b == ';' && !in_quote) {
            if (!statement.empty()) HandleStatement(statement, answer);
            statement.clear();
            continue;
        }
        if (b == '\'') {
            if (!in_quote) in_quote = true;
            else if (i == 0 || line[i - 1] != '\\') in_quote = false;
        }
        if (static_cast<unsigned char>(b) > 0x20 || in_quote) statement.push_back(b);
    }
    if (f.garbage_at == command_count_) answer = "#G@RB4GE~%&*#";
    if (!answer.empty()) Reply(answer);
}

void VirtualModule::HandleStatement(std::string_view s, std::string& answer) {
    const std::string_view name = Tcmd::StatementName(s);
    const std::vector<long> a = Arguments(s);
    const int sectors = flash_->MemorySize() * 256;
    if (name == "INF") {
        if (options_.faults.inf_ok) {
            answer += "OK\r";
            return;
        }
        char line[160];
        std::snprintf(line, sizeof line, "SN:%.14s MD:QV35 RS:%03dX%03d TP:1 V%s CP:GBK FL:%s\r",
                      options_.serial.c_str(), options_.width, options_.height, options_.firmware.c_str(),
                      CodeForMemory(options_.memory));
        answer += line;
    } else if (name == "USET") {
        if (!a.empty() && a[0] >= 0 && a[0] < 8) baud_.store(kRates[a[0]]);
    } else if (name == "RCPG") {
        // "=" then "sector,checksum|" for every sector asked for, then "=OK" (hexadecimal).
        const long first = a.size() > 0 ? a[0] : 0, count = a.size() > 1 ? a[1] : 0;
        answer += "=";
        char entry[32];
        for (long s = first; s <= first + count && s < sectors; ++s) {
            std::snprintf(entry, sizeof entry, "%lX,%X|", s, flash_->SectorSum(static_cast<int>(s)));
            answer += entry;
        }
        answer += "=OK";
    } else if (name == "EMEM") {
        const long sector = a.empty() ? -1 : a[0];
        if (sector >= 0 && sector < sectors) {
            std::memset(flash_->Image() + sector * flash::kSectorSize, 0xFF, flash::kSectorSize);
            if (sector <= 1) cmd_->Screen().ReadFontRegions();
        }
        answer += "OK";
    } else if (name == "BUP") {
        payload_unit_ = a.size() > 0 ? static_cast<int>(a[0]) : 0;
        payload_value_ = a.size() > 1 ? static_cast<int>(a[1]) : 0;
        payload_.clear();
        mode_ = Mode::Payload;
        answer += "OK";
    } else if (name == "SEND") {
        const size_t open = s.find('\''), close = s.rfind('\'');
        if (open != std::string_view::npos && close > open) answer += s.substr(open + 1, close - open - 1);
    } else {
        std::string text(s);
        text.push_back(';');
        cmd_->RunText(text);
    }
}

void VirtualModule::HandlePayload() {
    mode_ = Mode::Text;
    ++payload_count_;
    Trace('>', "<payload for unit " + std::to_string(payload_unit_) + ">");
    const ModuleFaults& f = options_.faults;
    if (f.silent_after > 0 && command_count_ > f.silent_after) return;
    // The payload travels as byte i XOR (i mod 256).
    for (size_t i = 0; i < kChunk; ++i) payload_[i] = static_cast<char>(payload_[i] ^ static_cast<char>(i & 0xFF));
    const int check = static_cast<uint8_t>(payload_[1022]) + static_cast<uint8_t>(payload_[1023]);
    // In step: the block's value matches and a sector is written chunk after chunk from its first.
    const bool in_order = payload_unit_ % 16 == 0 || payload_unit_ == last_unit_ + 4;
    if (check != payload_value_ || !in_order || f.okok_at == payload_count_) {
        last_unit_ = -1;
        mode_ = Mode::Resync;
        Reply("OKOK");
        return;
    }
    last_unit_ = payload_unit_;
    const size_t at = static_cast<size_t>(payload_unit_) * flash::kUnit;
    if (!f.lose_writes && payload_unit_ >= 0 && at + kChunk <= static_cast<size_t>(flash_->MemorySize()) << 20) {
        std::memcpy(flash_->Image() + at, payload_.data(), kChunk);
        if (at < 2 * flash::kSectorSize) cmd_->Screen().ReadFontRegions();
    }
    if (f.drop_ack_at == payload_count_) return;
    Reply("W OK");
}

void VirtualModule::Reply(std::string_view bytes) {
    Trace('<', bytes);
    const int parts = options_.faults.split_ms > 0 && bytes.size() >= 3 ? 3 : 1;
    size_t done = 0;
    for (int p = 0; p < parts; ++p) {
        const size_t end = p + 1 == parts ? bytes.size() : bytes.size() * (p + 1) / parts;
        if (p > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options_.faults.split_ms));
        const size_t part_start = done;
        while (done < end) {
            const size_t n = std::min(end - done, options_.throttle ? kPaceBytes : end - done);
            Pace(n, tx_clock_, done > part_start);
            size_t put = 0;
            while (put < n) {
                const ssize_t w = ::write(master_, bytes.data() + done + put, n - put);
                if (w > 0) {
                    put += static_cast<size_t>(w);
                    continue;
                }
                if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
                    pollfd pfd{master_, POLLOUT, 0};
                    ::poll(&pfd, 1, 100);
                    continue;
                }
                return;
            }
            bytes_out_ += n;
            done += n;
        }
    }
}

void VirtualModule::Trace(char direction, std::string_view bytes) {
    if (!trace_.is_open()) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
    trace_ << ms << " " << direction << " " << Escaped(bytes) << "\n";
}

}  // namespace quelmo
