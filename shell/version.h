#pragma once
// The program's version. Of a four-part file version a.b.c.d the program shows and compares
// a, b and d; ours is compiled in as major.minor.patch, which stands for a.b.d.
#include <cstdint>
#include <string>
#include <string_view>

namespace quelmo::shell {

struct ProgramVersion {
    int64_t a = 0, b = 0, d = 0;

    // "a.b.d" in decimal.
    std::string Text() const;
    // a * 2^24 + b * 2^16 + d: 5.0.25 gives 83,886,105.
    int64_t Number() const;
};

// Reads "a.b.d": three runs of decimal digits, each separated from the next by one character of
// any kind. A missing run reads as 0, a run longer than nine digits as 999999999.
ProgramVersion ParseVersion(std::string_view text);

// The version of this build.
ProgramVersion CurrentVersion();

}  // namespace quelmo::shell
