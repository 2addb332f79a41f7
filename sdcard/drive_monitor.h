#pragma once
// Removable-disk notifications: a udev monitor thread watches block disks come and go (a card
// reader reports a card put in or taken out as a change of its medium) and hands each
// notification to the main thread through a dispatcher. Where no udev monitor can be opened,
// the thread looks at the drive list once a second instead.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "core/dispatcher.h"
#include "core/result.h"
#include "sdcard/drives.h"

struct udev;
struct udev_monitor;

namespace quelmo::sd {

enum class DriveEvent { kArrival, kRemoval };

// The notification one udev event of a block device stands for: a whole disk added, or given a
// medium, arrives; one removed, or left without a medium, goes. Partitions and other changes
// stand for nothing. `size_sectors` is the disk's size attribute at the event.
std::optional<DriveEvent> ClassifyUevent(std::string_view action, std::string_view devtype, uint64_t size_sectors);

class DriveMonitor {
public:
    using Handler = std::function<void(DriveEvent)>;

    // `handler` runs on the thread that drains `dispatcher`.
    DriveMonitor(Dispatcher& dispatcher, Handler handler, SystemPaths paths = {});
    ~DriveMonitor();
    DriveMonitor(const DriveMonitor&) = delete;
    DriveMonitor& operator=(const DriveMonitor&) = delete;

    // Watch by polling even where udev is at hand (before Start).
    void ForcePolling() { force_polling_ = true; }
    // Starts watching; a second Start does nothing.
    Status Start();
    // Stops the thread and waits for it; no notification is posted after it returns.
    void Stop();
    // True once Start found a udev monitor; false while polling (or not started).
    bool UsingUdev() const { return udev_; }

    // Hands one notification to the handler through the dispatcher, as the watching thread does.
    void Deliver(DriveEvent event);

private:
    void WatchUdev(::udev* u, ::udev_monitor* mon);
    void WatchByPolling(DriveWatcher& watcher);

    Dispatcher& dispatcher_;
    Handler handler_;
    SystemPaths paths_;
    std::thread thread_;
    int stop_fd_ = -1;  // an eventfd that wakes the thread to stop
    std::atomic<bool> stopping_{false};
    bool udev_ = false;
    bool force_polling_ = false;
    // Notifications still queued when the monitor goes must not reach a handler that is gone.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace quelmo::sd
