// Removable-disk notifications: which udev events count, and their way to the main thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "sdcard/drive_monitor.h"
#include "support/cli.h"

namespace quelmo::sd {
namespace {

TEST(ClassifyUevent, DisksComingAndGoing) {
    struct Case {
        const char* action;
        const char* devtype;
        uint64_t size;
        std::optional<DriveEvent> want;
    } cases[] = {
        {"add", "disk", 15523840, DriveEvent::kArrival},
        {"add", "disk", 0, std::nullopt},  // a card reader without a card
        {"remove", "disk", 0, DriveEvent::kRemoval},
        {"change", "disk", 15523840, DriveEvent::kArrival},  // a card put into a reader
        {"change", "disk", 0, DriveEvent::kRemoval},         // and taken out
        {"add", "partition", 2048, std::nullopt},
        {"remove", "partition", 0, std::nullopt},
        {"bind", "disk", 2048, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyUevent(c.action, c.devtype, c.size), c.want) << c.action << " " << c.devtype << " " << c.size;
}

TEST(DriveMonitor, NotificationsRunOnTheDrainingThreadInOrder) {
    Dispatcher d;
    std::vector<DriveEvent> seen;
    {
        DriveMonitor monitor(d, [&](DriveEvent e) { seen.push_back(e); });
        monitor.Deliver(DriveEvent::kArrival);
        monitor.Deliver(DriveEvent::kRemoval);
        EXPECT_TRUE(seen.empty()) << "nothing runs before the dispatcher is drained";
        EXPECT_EQ(d.RunPending(), 2);
        EXPECT_EQ(seen, (std::vector{DriveEvent::kArrival, DriveEvent::kRemoval}));
        monitor.Deliver(DriveEvent::kArrival);
    }
    // Queued when the monitor went: dropped, not run against a handler that is gone.
    EXPECT_EQ(d.RunPending(), 1);
    EXPECT_EQ(seen.size(), 2u);
}

// Without udev the monitor polls the drive list; a card showing up in a made-up /sys arrives.
TEST(DriveMonitor, StartsAndStopsAndPollsWithoutUdev) {
    test::TempDir dir;
    SystemPaths paths;
    paths.sys = dir.path() / "sys";
    paths.dev = dir.path() / "dev";
    paths.mountinfo = dir.path() / "mountinfo";
    paths.swaps = dir.path() / "swaps";
    std::filesystem::create_directories(paths.sys / "block");
    std::ofstream(paths.mountinfo).flush();
    Dispatcher d;
    std::vector<DriveEvent> seen;
    DriveMonitor monitor(d, [&](DriveEvent e) { seen.push_back(e); }, paths);
    monitor.ForcePolling();
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(monitor.Start());  // a second start changes nothing
    ASSERT_FALSE(monitor.UsingUdev());
    const auto disk = paths.sys / "block" / "sdz";
    std::filesystem::create_directories(disk);
    std::ofstream(disk / "removable") << "1\n";
    std::ofstream(disk / "size") << "2048\n";
    EXPECT_TRUE(d.RunUntil(3000, [&] { return !seen.empty(); }));
    ASSERT_EQ(seen, std::vector{DriveEvent::kArrival});
    // The card taken out: its size drops to 0 and the drive leaves the list.
    std::ofstream(disk / "size") << "0\n";
    EXPECT_TRUE(d.RunUntil(3000, [&] { return seen.size() == 2; }));
    monitor.Stop();
    EXPECT_EQ(seen, (std::vector{DriveEvent::kArrival, DriveEvent::kRemoval}));
}

TEST(DriveMonitor, StopsPromptlyWhileWatching) {
    Dispatcher d;
    DriveMonitor monitor(d, [](DriveEvent) {});
    ASSERT_TRUE(monitor.Start());
    const auto t0 = std::chrono::steady_clock::now();
    monitor.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
    monitor.Stop();  // twice is harmless
}

}  // namespace
}  // namespace quelmo::sd
