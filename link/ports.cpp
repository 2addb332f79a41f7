#include "link/ports.h"

#include <algorithm>
#include <system_error>

namespace quelmo {

std::vector<std::string> ListPorts(const std::vector<std::string>& typed, const std::filesystem::path& sys_tty) {
    std::vector<std::string> ports;
    // Every step takes an error code: a folder that cannot be read lists the ports found so far.
    std::error_code ec;
    for (std::filesystem::directory_iterator it(sys_tty, ec), end; !ec && it != end; it.increment(ec)) {
        // Virtual terminals and unused legacy ports have no "device" link.
        std::error_code device_ec;
        if (std::filesystem::exists(it->path() / "device", device_ec))
            ports.push_back("/dev/" + it->path().filename().string());
    }
    for (const auto& p : typed)
        if (!p.empty()) ports.push_back(p);
    std::sort(ports.begin(), ports.end());
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

}  // namespace quelmo
