#pragma once
// The settings container: an ordered table of byte-string keys and values, stored as the file
// pair <folder>/<name>.key and <folder>/<name>.val, one entry a line, CR LF after each. Values
// never hold CR or LF: they are stored as "#~@A" and "#~@B". Lookup is a linear scan.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace quelmo {

class THashTable {
public:
    // Replaces the content with the file pair. When the two files hold different numbers of
    // lines (edited by hand), the keys decide: missing values read as empty and surplus values
    // are dropped; MismatchedLines() then says how many lines differed. A missing value file
    // reads as one without lines; a missing key file is an error and changes nothing.
    Status Load(const std::filesystem::path& folder, std::string_view name);
    // Replaces both files together: a save that fails leaves the old pair as it was.
    Status Save(const std::filesystem::path& folder, std::string_view name) const;

    void SetValue(std::string_view key, std::string_view text);
    void SetInt(std::string_view key, int32_t value);
    std::string GetValue(std::string_view key) const;
    int32_t GetInt(std::string_view key) const;
    void Clear();

    size_t Count() const { return keys_.size(); }
    const std::vector<std::string>& Keys() const { return keys_; }
    int MismatchedLines() const { return mismatched_lines_; }

    // Keys are written to their file unescaped, so a key holding CR or LF would shift every
    // later line of the pair; callers that take keys from outside check them here.
    static bool KeyFitsFile(std::string_view key) { return key.find_first_of("\r\n") == std::string_view::npos; }

    static std::string Escape(std::string_view text);
    static std::string Unescape(std::string_view stored);

private:
    int Find(std::string_view key) const;

    std::vector<std::string> keys_;
    std::vector<std::string> values_;  // escaped, as stored
    int mismatched_lines_ = 0;
};

// Splits text at CR LF, a lone CR or a lone LF; a final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// The standard text-to-integer conversion: optional sign and decimal digits, nothing else;
// any other text (the empty text included) gives 0.
int32_t TextToInt(std::string_view text);

}  // namespace quelmo
