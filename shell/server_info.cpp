#include "shell/server_info.h"

#include <fstream>
#include <sstream>

namespace quelmo::shell {

int64_t ReadDigits(std::string_view text, size_t* pos) {
    constexpr int64_t kMax = 999999999;
    int64_t value = 0;
    while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9') {
        value = value * 10 + (text[*pos] - '0');
        if (value > kMax) value = kMax;
        ++*pos;
    }
    return value;
}

ServerInfo ParseServerInfo(std::string_view text) {
    ServerInfo info;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() < 2 || line[0] != '#') continue;
        const std::string_view value = line.size() > 3 ? line.substr(3) : std::string_view{};
        if (line[1] == 'V' && !info.has_version) {
            info.has_version = true;
            info.version = ParseVersion(value);
        } else if (line[1] == 'F' && !info.has_data_version) {
            info.has_data_version = true;
            size_t pos = 0;
            info.data_version = ReadDigits(value, &pos);
        } else if (line[1] == 'D') {
            info.samples.emplace_back(value);
        }
    }
    return info;
}

ServerInfo ReadServerInfo(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return {};
    return ParseServerInfo(ss.str());
}

}  // namespace quelmo::shell
