#include "link/tcomm.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace quelmo {
namespace {

// On ports that keep line counters the idle receive thread looks at them this often, so line
// errors and modem changes are reported without bytes arriving.
constexpr int kCounterPollMs = 200;

}  // namespace

TComm::TComm(Dispatcher& dispatcher) : dispatcher_(dispatcher), alive_(std::make_shared<TComm*>(this)) {}

TComm::~TComm() { ClosePort(); }

serial::LineSettings TComm::EffectiveLine() const {
    serial::LineSettings s = line_;
    s.parity = static_cast<int>(parity_);
    return s;
}

std::string TComm::DevicePath() const {
    if (!comm_name_.empty() && comm_name_[0] != '/') return "/dev/" + comm_name_;
    return comm_name_;
}

Status TComm::OpenPort() {
    if (fd_ >= 0) return Error{comms_error::kAlreadyOpen, 1};

    const std::string path = DevicePath();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Error{comms_error::kCannotOpen, 1};
    // Not shared: a second opener, in this program or another, is refused.
    if (!serial::IsTerminal(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Error{comms_error::kCannotOpen, 1};
    }
    ::ioctl(fd, TIOCEXCL);

    fd_ = fd;
    ++opening_;
    line_failed_.store(false);
    serial::Purge(fd_, true, true);
    send_queue_empty_.store(true);
    serial::Apply(fd_, EffectiveLine());

    close_event_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (close_event_ < 0) {
        ::close(fd_);
        fd_ = -1;
        return Error{comms_error::kEvent, 1};
    }
    {
        std::lock_guard lock(queue_mu_);
        closing_ = false;
        queue_.clear();
    }
    try {
        reader_ = std::thread(&TComm::ReceiveLoop, this);
    } catch (const std::system_error&) {
        ::close(close_event_);
        ::close(fd_);
        close_event_ = fd_ = -1;
        return Error{comms_error::kReadThread, 1};
    }
    try {
        writer_ = std::thread(&TComm::TransmitLoop, this);
    } catch (const std::system_error&) {
        uint64_t one = 1;
        (void)!::write(close_event_, &one, sizeof one);
        reader_.join();
        ::close(close_event_);
        ::close(fd_);
        close_event_ = fd_ = -1;
        return Error{comms_error::kWriteThread, 1};
    }
    return {};
}

void TComm::ClosePort() {
    if (fd_ < 0) return;
    uint64_t one = 1;
    (void)!::write(close_event_, &one, sizeof one);
    {
        std::lock_guard lock(queue_mu_);
        closing_ = true;
    }
    queue_cv_.notify_all();
    serial::Purge(fd_, true, false);
    reader_.join();
    serial::Purge(fd_, false, true);
    writer_.join();
    send_queue_empty_.store(true);
    {
        std::lock_guard lock(queue_mu_);
        queue_.clear();
    }
    ::close(close_event_);
    ::close(fd_);
    close_event_ = fd_ = -1;
}

bool TComm::SendData(const char* data, size_t count) {
    if (fd_ < 0 || count == 0 || line_failed_.load()) return false;
    {
        std::lock_guard lock(queue_mu_);
        queue_.emplace_back(data, count);
    }
    send_queue_empty_.store(false);
    queue_cv_.notify_one();
    return true;
}

void TComm::Notify(std::function<void(TComm&)> action) {
    std::weak_ptr<TComm*> alive = alive_;
    dispatcher_.Post([alive, action = std::move(action)] {
        if (auto self = alive.lock()) action(**self);
    });
}

void TComm::PostHangup() {
    // A request that arrives after the port was closed, or closed and opened again, is stale.
    Notify([opening = opening_](TComm& c) {
        if (c.IsOpen() && c.opening_ == opening && c.OnRequestHangup) c.OnRequestHangup();
    });
}

void TComm::Deliver(const char* bytes, size_t count) {
    // The block carries one zero byte after the counted bytes.
    std::string block(bytes, count);
    Notify([block = std::move(block)](TComm& c) {
        if (c.OnReceiveData) c.OnReceiveData(block.c_str(), static_cast<uint16_t>(block.size()));
    });
}

void TComm::SampleCounters(serial::Counters& last) {
    serial::Counters now;
    if (!serial::ReadCounters(fd_, &now)) return;
    uint32_t errors = 0;
    if (now.overrun != last.overrun) errors |= line_error::kOverrun;
    if (now.buf_overrun != last.buf_overrun) errors |= line_error::kRxOver;
    if (now.parity != last.parity) errors |= line_error::kParity;
    if (now.frame != last.frame) errors |= line_error::kFrame;
    if (now.brk != last.brk) errors |= line_error::kBreak;
    uint32_t modem = 0;
    if (now.dcd != last.dcd) modem |= kModemCarrierChanged;
    if (now.ring != last.ring) modem |= kModemRing;
    last = now;
    if (errors)
        Notify([errors](TComm& c) {
            if (c.OnReceiveError) c.OnReceiveError(errors);
        });
    if (modem)
        Notify([modem](TComm& c) {
            if (c.OnModemStateChange) c.OnModemStateChange(modem);
        });
}

void TComm::ReceiveLoop() {
    char buffer[kBlockSize];
    size_t have = 0;
    serial::Counters counters;
    const bool has_counters = serial::ReadCounters(fd_, &counters);
    for (;;) {
        // Wait without limit for the first byte; once bytes are in, the block ends when the line
        // has been silent for longer than the read interval.
        int timeout = -1;
        if (have > 0)
            timeout = static_cast<int>(ReadIntervalTimeout());
        else if (has_counters)
            timeout = kCounterPollMs;
        pollfd fds[2] = {{fd_, POLLIN, 0}, {close_event_, POLLIN, 0}};
        const int r = ::poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR) continue;
            PostHangup();
            break;
        }
        if (fds[1].revents) break;
        if (r == 0) {
            if (have > 0) Deliver(buffer, have);
            have = 0;
            if (has_counters) SampleCounters(counters);
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(fd_, buffer + have, sizeof buffer - have);
            if (n > 0) {
                have += static_cast<size_t>(n);
                if (have == sizeof buffer) {
                    Deliver(buffer, have);
                    have = 0;
                }
                if (has_counters) SampleCounters(counters);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        }
        // The device went away (a hang-up, an unplugged adapter, a closed pseudo-terminal).
        if (have > 0) Deliver(buffer, have);
        PostHangup();
        break;
    }
}

bool TComm::WriteWhole(const std::string& block) {
    size_t done = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(fd_, block.data() + done, block.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{fd_, POLLOUT, 0}, {close_event_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                PostHangup();
                return false;
            }
            if (fds[1].revents) return false;  // closing: no hang-up
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL) && !(fds[0].revents & POLLOUT)) {
                PostHangup();
                return false;
            }
            continue;
        }
        if (n < 0 && errno == EBADF) return false;
        PostHangup();
        return false;
    }
    return true;
}

void TComm::TransmitLoop() {
    bool notify = true;
    for (;;) {
        std::string block;
        {
            std::unique_lock lock(queue_mu_);
            if (queue_.empty() && !closing_) {
                send_queue_empty_.store(true);
                if (notify)
                    Notify([](TComm& c) {
                        if (c.OnSendDataEmpty) c.OnSendDataEmpty();
                    });
                notify = false;
                queue_cv_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            }
            if (closing_) break;
            block = std::move(queue_.front());
            queue_.pop_front();
        }
        if (!WriteWhole(block)) {
            line_failed_.store(true);
            break;
        }
        notify = true;
    }
    send_queue_empty_.store(true);
}

}  // namespace quelmo
