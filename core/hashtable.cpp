#include "core/hashtable.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "core/file_write.h"

namespace quelmo {
namespace {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (true) {
        size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

Result<std::string> ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Error{"cannot open " + path.string(), 2};
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The lines, each ended by CR LF.
std::string JoinLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const auto& line : lines) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) text.append(line).append("\r\n");
    return text;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

int32_t TextToInt(std::string_view text) {
    if (text.empty()) return 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+') {  // from_chars takes '-' but not '+'
        ++first;
        if (first == last || *first == '-') return 0;
    }
    int32_t value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) return 0;
    return value;
}

std::string THashTable::Escape(std::string_view text) {
    return ReplaceAll(ReplaceAll(text, "\r", "#~@A"), "\n", "#~@B");
}

std::string THashTable::Unescape(std::string_view stored) {
    return ReplaceAll(ReplaceAll(stored, "#~@A", "\r"), "#~@B", "\n");
}

int THashTable::Find(std::string_view key) const {
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == key) return static_cast<int>(i);
    return -1;
}

void THashTable::SetValue(std::string_view key, std::string_view text) {
    std::string stored = Escape(text);
    int i = Find(key);
    if (i >= 0) {
        values_[static_cast<size_t>(i)] = std::move(stored);
    } else {
        keys_.emplace_back(key);
        values_.push_back(std::move(stored));
    }
}

void THashTable::SetInt(std::string_view key, int32_t value) { SetValue(key, std::to_string(value)); }

std::string THashTable::GetValue(std::string_view key) const {
    int i = Find(key);
    return i < 0 ? std::string() : Unescape(values_[static_cast<size_t>(i)]);
}

int32_t THashTable::GetInt(std::string_view key) const { return TextToInt(GetValue(key)); }

void THashTable::Clear() {
    keys_.clear();
    values_.clear();
    mismatched_lines_ = 0;
}

Status THashTable::Load(const std::filesystem::path& folder, std::string_view name) {
    auto keys = ReadWhole(folder / (std::string(name) + ".key"));
    if (!keys) return keys.error();
    // A missing value file reads like one of no lines: the keys decide, all values empty.
    const auto value_path = folder / (std::string(name) + ".val");
    std::error_code ec;
    auto values = std::filesystem::exists(value_path, ec) ? ReadWhole(value_path) : Result<std::string>(std::string());
    if (!values) return values.error();
    keys_ = SplitLines(*keys);
    values_ = SplitLines(*values);
    mismatched_lines_ = static_cast<int>(keys_.size()) - static_cast<int>(values_.size());
    if (mismatched_lines_ < 0) mismatched_lines_ = -mismatched_lines_;
    values_.resize(keys_.size());
    return {};
}

Status THashTable::Save(const std::filesystem::path& folder, std::string_view name) const {
    // The two files replace the old pair together: keys never meet values of another save.
    const std::string keys = JoinLines(keys_), values = JoinLines(values_);
    FileSet pair;
    if (auto s = pair.Add(folder / (std::string(name) + ".key"), reinterpret_cast<const uint8_t*>(keys.data()), keys.size()); !s)
        return s;
    if (auto s = pair.Add(folder / (std::string(name) + ".val"), reinterpret_cast<const uint8_t*>(values.data()), values.size()); !s)
        return s;
    return pair.Commit();
}

}  // namespace quelmo
