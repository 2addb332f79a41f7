#include "codegen/ccode.h"

#include "core/hashtable.h"

namespace quelmo {
namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::string_view kEndCall = "\");";
constexpr std::string_view kCrLf = "\\r\\n";

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
        if (options.hex) call.append(" //").append(line);
        out.push_back(std::move(call));
    }
    out.push_back(std::string(prefix) + std::string(kCrLf) + std::string(kEndCall));
    return out;
}

}  // namespace quelmo
