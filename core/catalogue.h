#pragma once
// The command catalogue the editors offer: for every command its editing type, syntax line,
// default statement, parameter list and remark, kept in an in-memory settings table under
// name + "#T", "#S", "#D", "#BZ" and "#P", plus the palette captions of each category.
// All texts are GBK bytes.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/hashtable.h"

namespace quelmo {

class Catalogue {
public:
    static constexpr int kCategories = 10;
    static constexpr int kMaxCaptions = 31;  // a palette category holds at most this many buttons

    // Registers every entry in catalogue order.
    Catalogue();
    // The catalogue never changes, so every interpreter shares one, built on first use.
    static const Catalogue& Shared();

    // A missing key reads as empty text; a missing type reads as 0.
    int Type(std::string_view name) const { return table_.GetInt(Key(name, "#T")); }
    std::string Signature(std::string_view name) const { return table_.GetValue(Key(name, "#S")); }
    std::string Example(std::string_view name) const { return table_.GetValue(Key(name, "#D")); }
    std::string Remark(std::string_view name) const { return table_.GetValue(Key(name, "#BZ")); }
    // One parameter a line, lines separated by CR LF.
    std::string Parameters(std::string_view name) const { return table_.GetValue(Key(name, "#P")); }

    const THashTable& Table() const { return table_; }
    // Command names in registration order.
    const std::vector<std::string>& Names() const { return names_; }

    // Category name in GBK; categories without commands have no palette group.
    static std::string CategoryName(int category);
    // Captions "<signature up to its first ':'>" + name, in registration order.
    const std::vector<std::string>& Captions(int category) const { return captions_[category]; }
    // Categories that appear in the palette, in number order.
    std::vector<int> PaletteCategories() const;

    // The palette button: the command name is the at most 4 bytes after the caption's first ':';
    // gives its default statement trimmed, or empty text when the command has none.
    std::string PaletteStatement(std::string_view caption) const;

private:
    static std::string Key(std::string_view name, std::string_view suffix);
    void Register(int category, int type, std::string_view name, std::string_view signature,
                  std::string_view example, std::string_view params, std::string_view remark);

    THashTable table_;
    std::vector<std::string> names_;
    std::array<std::vector<std::string>, kCategories> captions_;
};

}  // namespace quelmo
