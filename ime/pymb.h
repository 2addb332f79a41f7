#pragma once
// The module's pinyin input-method table, pymb.bin: the on-screen keys, their label sets and the
// pinyin code table, compiled from the key configuration text (srf.ini) and the code table text
// (srf.mb). Numbers are little-endian; every byte not written reads FF.
//
//   0     magic 50 59 55 AA          16 + 8k   key k (0..63): x1, y1, x2, y2, 16 bits each
//   4     code mode (1 letters, 2 digits)   528 + 64r + 2k  label of key k (0..31) in row r (0..4)
//   5     total length, 16 bits      1024 + 2g start table: entries whose first digit is below g
//   1104 + 13i  entry i: code (32 bits), six pinyin letters, character offset (16), groups (8)
//   1104 + 13E  characters, two bytes each (lead, trail or 0, byte), six to a group
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "flash/layout.h"

namespace quelmo::ime {

constexpr uint8_t kMagic[4] = {0x50, 0x59, 0x55, 0xAA};
constexpr int kModeOffset = 4;
constexpr int kLengthOffset = 5;
constexpr int kKeysOffset = 16;
constexpr int kKeys = 64;
constexpr int kLabelsOffset = 528;
constexpr int kLabelRows = 5;
constexpr int kLabelKeys = 32;
constexpr int kStartTableOffset = 1024;
constexpr int kStartEntries = 33;
constexpr int kEntriesOffset = 1104;
constexpr int kEntrySize = 13;
constexpr int kPinyinLetters = 6;
constexpr int kGroupChars = 6;
constexpr size_t kMaxLength = 0xFFFF;  // the header and the character offsets are 16 bits
constexpr int kLabelLineMin = 37;      // "#Srr#" and 32 single-byte keys

constexpr const char* kFileName = flash::kPymbFile;
constexpr const char* kKeyConfigFile = "srf.ini";
constexpr const char* kCodeTableFile = "srf.mb";

// The built-in texts (GBK, CR LF lines), used when the workspace folder has no srf.ini / srf.mb.
const std::string& DefaultKeyConfig();
const std::string& DefaultCodeTable();

struct PymbOutput {
    std::vector<uint8_t> bytes;       // the whole file
    std::vector<std::string> errors;  // the error output: offending lines, GBK
};

class PymbBuilder {
public:
    // Compiles the two texts. Faulty key lines and "=" lines without a letter go to the error
    // output and the rest is still built; a table whose length, character offsets or group
    // counts do not fit their fields is refused.
    Result<PymbOutput> Build(std::string_view key_config, std::string_view code_table);

    // The pinyin code of 1 to 6 letters: base 32, first letter most significant, each letter's
    // digit (1..32) taken from the row-0 labels; 0 for any other length.
    uint32_t Code(std::string_view pinyin) const;
    int Digit(char letter) const;

private:
    void ParseKeyConfig(std::string_view text, std::vector<uint8_t>& image, std::vector<std::string>& errors);

    // Set by the row-0 label line and kept from one build to the next.
    std::array<int, 26> letter_values_{};
    int mode_ = 1;
};

// Builds pymb.bin into `workspace` from the given texts, replacing any earlier file whole.
Result<PymbOutput> WritePymb(PymbBuilder& builder, const std::filesystem::path& workspace,
                             std::string_view key_config, std::string_view code_table);

}  // namespace quelmo::ime
