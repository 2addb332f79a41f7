#pragma once
// GBK (code page 936) is the text of the module, the flash image and the project files.
// The engine keeps such text as GBK bytes in std::string; only the edges (terminal, windows)
// convert to and from UTF-8.
#include <string>
#include <string_view>

namespace quelmo {

// Converts UTF-8 to GBK. A character GBK cannot hold becomes '?' and clears *ok when given.
std::string Utf8ToGbk(std::string_view utf8, bool* ok = nullptr);

// Converts GBK to UTF-8. A byte sequence that is not GBK becomes U+FFFD and clears *ok.
std::string GbkToUtf8(std::string_view gbk, bool* ok = nullptr);

// True when byte b starts a two-byte (full-width) GBK character.
constexpr bool IsLeadByte(unsigned char b) { return b >= 0x80; }

}  // namespace quelmo
