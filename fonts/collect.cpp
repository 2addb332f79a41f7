#include "fonts/collect.h"

#include <set>
#include <vector>

#include "display/tcmd.h"

namespace quelmo {
namespace {

// Statements as the interpreter splits them: at ';' outside quotes, whitespace outside quotes
// dropped, text after the last ';' ignored.
std::vector<std::string> Statements(std::string_view text) {
    std::vector<std::string> out;
    std::string acc;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char b = text[i];
        if (b == ';' && !quoted) {
            if (!acc.empty()) out.push_back(acc);
            acc.clear();
            continue;
        }
        if (b == '\'') {
            if (!quoted)
                quoted = true;
            else if (i == 0 || text[i - 1] != '\\')
                quoted = false;
        }
        if (static_cast<unsigned char>(b) > 0x20 || quoted) acc.push_back(b);
    }
    return out;
}

// Calls f(pair) for each two-byte character of a GBK text.
template <class F>
void ForEachChinese(std::string_view s, F f) {
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) > 0x80 && i + 1 < s.size()) {
            f(s.substr(i, 2));
            i += 2;
        } else {
            ++i;
        }
    }
}

// The string a text statement draws at `size`, or nothing when it draws at another size.
bool TextOf(Tcmd& cmd, const std::string& statement, int size, std::string& out) {
    const std::string name(Tcmd::StatementName(statement));
    const std::string n = std::to_string(size);
    int skip = 0;  // integer arguments before the string
    if (name == "DS" + n) skip = 2;
    else if (name == "PS" + n) skip = 3;
    else if (name == "BS" + n) skip = 4;
    else if (name != "LABL" && name != "PLAB") return false;
    cmd.SetStatement(statement);
    cmd.SetPos(6);
    if (skip == 0) {
        if (cmd.ReadInt() != size) return false;
        skip = 3;
    }
    for (int i = 0; i < skip; ++i) cmd.ReadInt();
    out = cmd.ReadString();
    return true;
}

}  // namespace

std::string CollectChinese(Tcmd& cmd, std::string_view text, int size) {
    std::string found;
    for (const auto& st : Statements(text)) {
        std::string s;
        if (TextOf(cmd, st, size, s)) found = MergeChinese(found, s);
    }
    return found;
}

std::string MergeChinese(std::string_view list, std::string_view more) {
    std::string out(list);
    std::set<std::string_view> have;
    ForEachChinese(list, [&](std::string_view c) { have.insert(c); });
    ForEachChinese(more, [&](std::string_view c) {
        if (have.insert(c).second) out.append(c);
    });
    return out;
}

int CountChinese(std::string_view text) {
    int n = 0;
    ForEachChinese(text, [&](std::string_view) { ++n; });
    return n;
}

}  // namespace quelmo
