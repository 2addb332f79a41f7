#include "link/ports.h"

#include <algorithm>
#include <system_error>

namespace quelmo {

std::vector<std::string> ListPorts(const std::vector<std::string>& typed, const std::filesystem::path& sys_tty) {
    std::vector<std::string> ports;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(sys_tty, ec)) {
        // Virtual terminals and unused legacy ports have no "device" link.
        if (std::filesystem::exists(entry.path() / "device", ec))
            ports.push_back("/dev/" + entry.path().filename().string());
    }
    for (const auto& p : typed)
        if (!p.empty()) ports.push_back(p);
    std::sort(ports.begin(), ports.end());
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

}  // namespace quelmo
