#include "editors/design_lines.h"

#include "core/catalogue.h"
#include "core/gbk.h"
#include "display/tcmd.h"
#include "core/hashtable.h"

namespace quelmo {
namespace {

constexpr std::string_view kGroupEnd = "SXY(0,0)";

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

bool IsGroupLine(std::string_view line) { return !line.empty() && line.front() == '['; }

// A group line without its brackets; any other line as it is.
std::string_view Unbracketed(std::string_view line) {
    if (IsGroupLine(line) && line.size() >= 2) return line.substr(1, line.size() - 2);
    return line;
}

std::vector<std::string> SplitStatements(std::string_view text) {
    std::vector<std::string> out;
    std::string acc;
    bool in_string = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ';' && !in_string) {
            if (!acc.empty()) out.push_back(std::move(acc));
            acc.clear();
            continue;
        }
        if (c == '\'') {
            if (!in_string)
                in_string = true;
            else if (i == 0 || text[i - 1] != '\\')
                in_string = false;
        }
        if (in_string || static_cast<unsigned char>(c) >= '!') acc.push_back(c);
    }
    if (!acc.empty()) out.push_back(std::move(acc));
    return out;
}

bool StartsGroup(std::string_view statement) { return Tcmd::OpensGroup(Tcmd::StatementName(statement)); }

std::string JoinEachWithSemicolon(const std::vector<std::string>& lines, size_t from, size_t to) {
    std::string out;
    for (size_t i = from; i < to; ++i) out.append(Unbracketed(lines[i])).push_back(';');
    return out;
}

std::string RemoveAll(std::string_view text, std::string_view what) {
    std::string out;
    size_t pos = 0;
    for (size_t hit; (hit = text.find(what, pos)) != std::string_view::npos; pos = hit + what.size())
        out.append(text.substr(pos, hit - pos));
    out.append(text.substr(pos));
    return out;
}

}  // namespace

std::vector<std::string> LoadCodeLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string group;
    bool open = false;
    const std::vector<std::string> statements = SplitStatements(text);
    for (const std::string& s : statements) {
        const bool starter = StartsGroup(s);
        if (open) {
            group.push_back(';');
            group.append(s);
            if (starter) {
                group.append(";]");
                lines.emplace_back(TrimSpaces(group));
                open = false;
            }
        } else if (s == kGroupEnd) {
            continue;
        } else if (starter) {
            group.clear();
            group.push_back('[');
            group.insert(group.end(), s.begin(), s.end());
            open = true;
        } else {
            lines.emplace_back(TrimSpaces(s));
        }
    }
    if (open) lines.emplace_back(TrimSpaces(group.append(";]")));
    return lines;
}

std::string LayOutStatements(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 32);
    bool in_string = false, escape = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') continue;
        if (c != ' ' || in_string) out.push_back(c);
        if (c == ';' && !in_string) out.append("\r\n");
        if (c == '\'' && !in_string)
            in_string = true;
        else if (c == '\'' && in_string && !escape)
            in_string = false;
        else if (c == '\\' && in_string && !escape)
            escape = true;
        else if (escape)
            escape = false;
    }
    return out;
}

std::string EndDesignText(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out.append("\r\n");
        out.append(Unbracketed(lines[i])).push_back(';');
    }
    return out;
}

std::string ImportText(const std::vector<std::string>& edit_lines) {
    std::string out;
    for (const auto& line : edit_lines) out.append(TrimBlanks(line));
    out.push_back(';');
    return out;
}

std::string GroupEditText(std::string_view group_line) {
    const std::string laid = LayOutStatements(group_line);
    if (laid.size() < 2) return {};
    return laid.substr(1, laid.size() - 2);
}

Result<std::string> DirectEditGroup(std::string_view text) {
    const auto lines = SplitLines(text);
    if (lines.empty() || !StartsGroup(TrimBlanks(lines.front())))
        return Error{"语句组必须以 SXY 等设置左上角坐标的语句开头", 1};
    if (text.find(kGroupEnd) == std::string_view::npos) return Error{"语句组必须以 SXY(0,0); 语句结尾", 1};
    std::string line = "[";
    for (char c : text)
        if (c != '\r' && c != '\n') line.push_back(c);
    line.push_back(']');
    return line;
}

GroupDesign OpenGroupDesign(const std::vector<std::string>& lines, size_t current,
                            std::vector<std::string>& group_lines) {
    GroupDesign d;
    group_lines.clear();
    if (current >= lines.size()) return d;
    d.before = JoinEachWithSemicolon(lines, 0, current);
    d.after = JoinEachWithSemicolon(lines, current + 1, lines.size());
    const std::string_view group = Unbracketed(lines[current]);
    const auto laid = SplitLines(LayOutStatements(RemoveAll(group, "SXY(0,0);")));
    if (laid.empty()) return d;
    d.head = laid.front();
    std::string rest;
    for (size_t i = 1; i < laid.size(); ++i) rest.append(laid[i]);
    group_lines = LoadCodeLines(rest);
    return d;
}

std::string EndGroupDesign(const GroupDesign& design, const std::vector<std::string>& group_lines) {
    std::string text = design.before + design.head + ";";
    text.append(JoinEachWithSemicolon(group_lines, 0, group_lines.size()));
    text.append("SXY(0,0);");
    text.append(design.after);
    return text;
}

bool AppendPaletteLine(const Catalogue& catalogue, std::string_view caption, std::vector<std::string>& lines) {
    std::string statement = catalogue.PaletteStatement(caption);
    if (statement.empty()) return false;
    lines.push_back(std::move(statement));
    return true;
}

}  // namespace quelmo
