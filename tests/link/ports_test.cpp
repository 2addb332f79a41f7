#include <gtest/gtest.h>

#include <filesystem>

#include "link/ports.h"
#include "support/cli.h"

namespace quelmo {
namespace {

TEST(Ports, SerialDevicesWithADeviceBehindThemAndTypedPathsSortedAsText) {
    test::TempDir sys;
    for (const char* name : {"ttyS2", "ttyS10", "ttyS1", "ttyUSB0", "tty0", "console"}) {
        std::filesystem::create_directories(sys.path() / name);
        // Virtual terminals and the console have no device behind them.
        if (std::string_view(name).rfind("ttyS", 0) == 0 || std::string_view(name) == "ttyUSB0")
            std::filesystem::create_directories(sys.path() / name / "device");
    }
    EXPECT_EQ(ListPorts({"/dev/pts/3", "/dev/ttyS1"}, sys.path()),
              (std::vector<std::string>{"/dev/pts/3", "/dev/ttyS1", "/dev/ttyS10", "/dev/ttyS2", "/dev/ttyUSB0"}));
    EXPECT_TRUE(ListPorts({}, sys.path() / "missing").empty());
}

}  // namespace
}  // namespace quelmo
