#include "core/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace quelmo {
namespace {

// Runs iconv over the whole input; an unconvertible or invalid sequence is replaced and the
// conversion goes on after it (skipping one character of the input).
// The length of the leading run of ASCII bytes, eight at a time.
size_t AsciiPrefix(std::string_view in) {
    size_t i = 0;
    for (; i + 8 <= in.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, in.data() + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < in.size() && static_cast<unsigned char>(in[i]) < 0x80) ++i;
    return i;
}

std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    bool utf8_input, bool* ok) {
    if (ok) *ok = true;
    // ASCII reads the same in both encodings: text that is all ASCII (command text mostly is)
    // needs no conversion, and in UTF-8 an ASCII start never belongs to a later character.
    const size_t ascii = AsciiPrefix(in);
    if (ascii == in.size()) return std::string(in);
    std::string out;
    if (utf8_input) {
        out.reserve(in.size() * 2);
        out.assign(in.substr(0, ascii));
        in.remove_prefix(ascii);
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (ok) *ok = false;
        return out.append(in);
    }
    out.reserve(out.size() + in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char buf[4096];
    while (src_left > 0) {
        char* dst = buf;
        size_t dst_left = sizeof buf;
        size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: replace one input character and go on.
        if (ok) *ok = false;
        out.append(replacement);
        size_t skip = 1;
        if (utf8_input) {
            auto b = static_cast<unsigned char>(*src);
            skip = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        } else if (static_cast<unsigned char>(*src) >= 0x80 && src_left >= 2) {
            skip = 2;
        }
        if (skip > src_left) skip = src_left;
        src += skip;
        src_left -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8, bool* ok) {
    return Convert("GBK", "UTF-8", utf8, "?", true, ok);
}

std::string GbkToUtf8(std::string_view gbk, bool* ok) {
    return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", false, ok);
}

}  // namespace quelmo
