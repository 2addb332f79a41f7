#pragma once
// Gathers the Chinese characters that a project's pages draw at a generated size, so a small
// font library can carry exactly the glyphs the project shows.
#include <string>
#include <string_view>

namespace quelmo {

class Tcmd;

// The Chinese characters (GBK pairs, in order of first appearance, each once) in the strings of
// the text statements of command text that draw at `size`: DSn, PSn, BSn with n = size, and
// LABL and PLAB whose size argument is `size`. The interpreter's argument readers read the
// strings exactly as the screen would; nothing is run.
std::string CollectChinese(Tcmd& cmd, std::string_view text, int size);

// `list` followed by the characters of `more` it does not hold yet.
std::string MergeChinese(std::string_view list, std::string_view more);

// Number of Chinese characters in a GBK text.
int CountChinese(std::string_view text);

}  // namespace quelmo
