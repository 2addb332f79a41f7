#include "sdcard/drive_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace quelmo::sd {

std::optional<DriveEvent> ClassifyUevent(std::string_view action, std::string_view devtype, uint64_t size_sectors) {
    if (devtype != "disk") return std::nullopt;
    if (action == "add") return size_sectors > 0 ? std::optional(DriveEvent::kArrival) : std::nullopt;
    if (action == "remove") return DriveEvent::kRemoval;
    // A card reader stays; putting a card in or taking it out changes its medium.
    if (action == "change") return size_sectors > 0 ? DriveEvent::kArrival : DriveEvent::kRemoval;
    return std::nullopt;
}

DriveMonitor::DriveMonitor(Dispatcher& dispatcher, Handler handler, SystemPaths paths)
    : dispatcher_(dispatcher), handler_(std::move(handler)), paths_(std::move(paths)) {}

DriveMonitor::~DriveMonitor() {
    Stop();
    alive_->store(false);
}

void DriveMonitor::Deliver(DriveEvent event) {
    dispatcher_.Post([alive = alive_, handler = &handler_, event] {
        if (alive->load() && *handler) (*handler)(event);
    });
}

Status DriveMonitor::Start() {
    if (thread_.joinable()) return {};
    stop_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stop_fd_ < 0) return Error{std::string("cannot watch the drives: ") + std::strerror(errno), 2};
    stopping_ = false;

    udev* u = force_polling_ ? nullptr : udev_new();
    udev_monitor* mon = u ? udev_monitor_new_from_netlink(u, "udev") : nullptr;
    if (mon && (udev_monitor_filter_add_match_subsystem_devtype(mon, "block", "disk") < 0 ||
                udev_monitor_enable_receiving(mon) < 0)) {
        udev_monitor_unref(mon);
        mon = nullptr;
    }
    udev_ = mon != nullptr;
    if (mon)
        thread_ = std::thread([this, u, mon] { WatchUdev(u, mon); });
    else {
        if (u) udev_unref(u);
        // The first look is taken here, so a drive that comes after Start returns is an arrival.
        auto watcher = std::make_shared<DriveWatcher>([this] { return ListRemovableDrives(paths_); });
        watcher->Poll();
        thread_ = std::thread([this, watcher] { WatchByPolling(*watcher); });
    }
    return {};
}

void DriveMonitor::Stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    const uint64_t one = 1;
    (void)!::write(stop_fd_, &one, sizeof one);
    thread_.join();
    ::close(stop_fd_);
    stop_fd_ = -1;
}

void DriveMonitor::WatchUdev(::udev* u, ::udev_monitor* mon) {
    pollfd fds[2] = {{udev_monitor_get_fd(mon), POLLIN, 0}, {stop_fd_, POLLIN, 0}};
    while (!stopping_) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents) break;
        if (!(fds[0].revents & POLLIN)) continue;
        udev_device* dev = udev_monitor_receive_device(mon);
        if (!dev) continue;
        const char* action = udev_device_get_action(dev);
        const char* devtype = udev_device_get_devtype(dev);
        const char* size = udev_device_get_sysattr_value(dev, "size");
        const auto event = ClassifyUevent(action ? action : "", devtype ? devtype : "",
                                          size ? std::strtoull(size, nullptr, 10) : 0);
        udev_device_unref(dev);
        if (event) Deliver(*event);
    }
    udev_monitor_unref(mon);
    udev_unref(u);
}

void DriveMonitor::WatchByPolling(DriveWatcher& watcher) {
    pollfd stop = {stop_fd_, POLLIN, 0};
    while (!stopping_) {
        if (::poll(&stop, 1, 1000) != 0) {
            if (stopping_ || stop.revents) break;
            continue;
        }
        const auto change = watcher.Poll();
        if (change.removed) Deliver(DriveEvent::kRemoval);
        if (change.arrived) Deliver(DriveEvent::kArrival);
    }
}

}  // namespace quelmo::sd
