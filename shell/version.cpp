#include "shell/version.h"

#include "shell/server_info.h"

namespace quelmo::shell {

std::string ProgramVersion::Text() const {
    return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(d);
}

int64_t ProgramVersion::Number() const { return a * (int64_t{1} << 24) + b * (int64_t{1} << 16) + d; }

ProgramVersion ParseVersion(std::string_view text) {
    ProgramVersion v;
    size_t pos = 0;
    v.a = ReadDigits(text, &pos);
    ++pos;  // one separator
    v.b = ReadDigits(text, &pos);
    ++pos;
    v.d = ReadDigits(text, &pos);
    return v;
}

ProgramVersion CurrentVersion() { return ParseVersion(QUELMO_VERSION); }

}  // namespace quelmo::shell
