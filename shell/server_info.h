#pragma once
// ser.ini, the server's information file saved in the working folder. A line is known by its
// first two characters; the third is a separator of any kind and the value starts at the fourth.
//   "#V" newest program version a.b.d (the first such line counts)
//   "#F" newest base data version, decimal digits (the first such line counts)
//   "#D" one sample project: a file name, optionally followed by "(" and a description
// Other lines are ignored. A missing or unreadable file reads as a file without lines.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "shell/version.h"

namespace quelmo::shell {

inline constexpr std::string_view kServerInfoFile = "ser.ini";

struct ServerInfo {
    bool has_version = false;
    ProgramVersion version;          // 0.0.0 without a "#V" line
    bool has_data_version = false;
    int64_t data_version = 0;        // 0 without a "#F" line
    std::vector<std::string> samples;  // the "#D" values in the file's order, GBK bytes
};

// The run of decimal digits starting at *pos (0 when there is none); *pos ends after the run.
// A run longer than nine digits reads as 999999999, so no value overflows.
int64_t ReadDigits(std::string_view text, size_t* pos);

ServerInfo ParseServerInfo(std::string_view text);
ServerInfo ReadServerInfo(const std::filesystem::path& file);

}  // namespace quelmo::shell
