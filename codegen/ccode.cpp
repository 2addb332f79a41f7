#include "codegen/ccode.h"

#include "core/hashtable.h"

namespace quelmo {
namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::string_view kEndCall = "\");";
constexpr std::string_view kCrLf = "\\r\\n";

// The line as a comment after its call. Control bytes go (a lone CR would end the comment and
// turn the rest into code), and a comment that would end in a backslash, or in the trigraph
// for one, gets a closing "//": otherwise C joins the next line to the comment and the next
// send call vanishes.
std::string Comment(std::string_view line) {
    std::string out = " //";
    for (char c : line)
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out.push_back(c);
    size_t end = out.find_last_not_of(" \t");
    const std::string_view kept = std::string_view(out).substr(0, end + 1);
    if (kept.ends_with('\\') || kept.ends_with("?\?/")) out.append(" //");
    return out;
}

}  // namespace

std::string_view CCodePrefix(const CCodeOptions& options) {
    return options.arduino ? "Serial.print(\"" : "GpuSend(\"";
}

std::string EscapeCCode(std::string_view text, bool hex) {
    std::string out;
    out.reserve(text.size() * 2);
    bool in_quote = false;
    bool after_hex_escape = false;  // a hex digit right after \xHH would extend the escape
    for (size_t i = 0; i < text.size(); ++i) {
        const char b = text[i];
        const auto u = static_cast<unsigned char>(b);
        if (u < 0x20) continue;
        if (b == '\'') in_quote = !in_quote;
        if (after_hex_escape && IsHexDigit(b)) out.append("\"\"");
        after_hex_escape = false;
        if (b == '\\') {
            // "\\" decodes to one backslash. Before a quote (or '?') inside quotes the extra
            // backslash makes "\\\'" (or "\\\?"), which decodes to the same two bytes.
            out.append("\\\\");
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (in_quote && (next == '\'' || next == '?')) out.push_back('\\');
            continue;
        }
        if (b == '"') {
            out.append("\\\"");
            continue;
        }
        // "??" followed by some characters is a trigraph in C: "?\?" keeps both question marks.
        if (b == '?' && !out.empty() && out.back() == '?') {
            out.append("\\?");
            continue;
        }
        if (hex && u >= 0x80) {
            out.append("\\x");
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 15]);
            after_hex_escape = true;
            continue;
        }
        out.push_back(b);
    }
    return out;
}

std::vector<std::string> GenerateCCode(std::string_view text, const CCodeOptions& options) {
    const std::string_view prefix = CCodePrefix(options);
    std::vector<std::string> out;
    if (options.single_line) {
        out.push_back(std::string(prefix) + EscapeCCode(text, options.hex) + std::string(kCrLf) + std::string(kEndCall));
        return out;
    }
    for (const auto& line : SplitLines(text)) {
        std::string call = std::string(prefix) + EscapeCCode(line, options.hex) + std::string(kEndCall);
        if (options.hex) call.append(Comment(line));
        out.push_back(std::move(call));
    }
    out.push_back(std::string(prefix) + std::string(kCrLf) + std::string(kEndCall));
    return out;
}

}  // namespace quelmo
