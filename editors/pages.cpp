#include "editors/pages.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>

namespace quelmo {
namespace fs = std::filesystem;
using namespace pages;

namespace {

std::string Caption(int n, std::string_view name) { return std::to_string(n + 1) + ":" + std::string(name); }

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit = text.find(from); hit != std::string_view::npos; hit = text.find(from, pos)) {
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace


std::string LayoutPage(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    bool in_string = false, escape = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') continue;
        if (c != ' ' || in_string) out.push_back(c);
        if (c == ';' && !in_string) out.append("\r\n");
        if (c == '\'' && !in_string) {
            in_string = true;
        } else if (c == '\'' && in_string && !escape) {
            in_string = false;
        } else if (c == '\\' && in_string && !escape) {
            escape = true;
        } else if (escape) {
            escape = false;
        }
    }
    return out;
}

PageEditor::PageEditor(THashTable& store) : store_(store) { Rebuild(); }

void PageEditor::Rebuild() {
    for (int n = 0; n < kPageCount; ++n)
        items_[static_cast<size_t>(n)] = {Caption(n, store_.GetValue(PageNameKey(n))), store_.GetValue(PageTextKey(n))};
}

ChosenPage PageEditor::Choose(int n) {
    current_ = n + 1;
    const PageItem& item = Item(n);
    return {LayoutPage(item.text), item.caption.substr(item.caption.find(':') + 1)};
}

Status PageEditor::Save(std::string_view text, std::string_view name) {
    if (current_ == 0) return Error{std::string(kMsgNoPageChosen), 1};
    if (text.size() >= kTextLimit) return Error{std::string(kMsgTooLong), 1};
    const int n = current_ - 1;
    store_.SetValue(PageTextKey(n), text);
    store_.SetValue(PageNameKey(n), name);
    items_[static_cast<size_t>(n)] = {Caption(n, name), std::string(text)};
    return {};
}

Result<ImportReport> PageEditor::ImportOld(const fs::path& page1) {
    if (Lower(page1.filename().string()) != "page1.str")
        return Error{"choose the old page file Page1.str (" + page1.string() + " is not one)", 2};
    std::error_code ec;
    if (!fs::is_regular_file(page1, ec)) return Error{"cannot read " + page1.string(), 2};

    // The old files come from a file system that ignores letter case: match names that way.
    fs::path folder = page1.parent_path();
    if (folder.empty()) folder = ".";
    std::map<std::string, fs::path> by_name;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        by_name.emplace(Lower(it->path().filename().string()), it->path());
    by_name[Lower(page1.filename().string())] = page1;

    ImportReport report;
    for (int m = 1; m <= kOldPageLast; ++m) {
        auto hit = by_name.find("page" + std::to_string(m) + ".str");
        if (hit == by_name.end()) continue;
        std::ifstream in(hit->second, std::ios::binary);
        if (!in) continue;
        std::ostringstream ss;
        ss << in.rdbuf();
        // Line 1 is unused, line 2 the name, line 3 the text with "|R" for CR and "|A" for LF;
        // a line the file lacks reads as empty.
        const std::vector<std::string> lines = SplitLines(ss.str());
        const std::string name = lines.size() > 1 ? lines[1] : std::string();
        const std::string text =
            ReplaceAll(ReplaceAll(lines.size() > 2 ? lines[2] : std::string(), "|R", "\r"), "|A", "\n");
        if (text.size() >= kTextLimit) {
            report.too_long.push_back(m);
            continue;
        }
        const int n = m - 1;
        store_.SetValue(PageTextKey(n), text);
        store_.SetValue(PageNameKey(n), name);
        items_[static_cast<size_t>(n)] = {Caption(n, name), text};
        report.imported.push_back(m);
    }
    return report;
}

}  // namespace quelmo
