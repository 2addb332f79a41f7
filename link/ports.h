#pragma once
// The serial ports the user can choose from.
#include <filesystem>
#include <string>
#include <vector>

namespace quelmo {

// Device paths of the serial ports under `sys_tty` (/sys/class/tty) that have a device behind
// them, plus `typed` (any path the user names, pseudo-terminals included), without duplicates
// and sorted as text.
std::vector<std::string> ListPorts(const std::vector<std::string>& typed = {},
                                   const std::filesystem::path& sys_tty = "/sys/class/tty");

}  // namespace quelmo
