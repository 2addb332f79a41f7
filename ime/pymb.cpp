#include "ime/pymb.h"

#include <system_error>

#include "core/byte_order.h"
#include "core/file_write.h"
#include "core/gbk.h"
#include "core/hashtable.h"

namespace quelmo::ime {
namespace {

constexpr const char* kDefaultKeyConfig =
    "#S00#abcdefghijklmnopqrstuvwxyz 00000  //PY in chinese status\r\n"
    "#S01#abcdefghijklmnopqrstuvwxyz 00000  //low case in english\r\n"
    "#S02#ABCDEFGHIJKLMNOPQRSTUVWXYZ 00000  //upper case in english\r\n"
    "#S03#-!、:3;()8￥@\"#_9014/57？2，6。 00000  //numbers\r\n"
    "#S04#_!?\\{|~<*>$&`@+=[}-#^:],%. 00000  //charactedrs\r\n"
    "\r\n"
    "#P16#1,35,28,72\r\n#P22#31,35,58,72\r\n#P04#61,35,88,72\r\n#P17#91,35,118,72\r\n"
    "#P19#121,35,148,72\r\n#P24#151,35,178,72\r\n#P20#181,35,208,72\r\n#P08#211,35,238,72\r\n"
    "#P14#241,35,268,72\r\n#P15#271,35,298,72\r\n"
    "\r\n"
    "#P00#17,79,43,116\r\n#P18#47,79,73,116\r\n#P03#77,79,103,116\r\n#P05#107,79,133,116\r\n"
    "#P06#137,79,163,116\r\n#P07#167,79,193,116\r\n#P09#197,79,223,116\r\n#P10#227,79,253,116\r\n"
    "#P11#257,79,283,116\r\n"
    "\r\n"
    "#P25#47,121,73,158\r\n#P23#77,121,103,158\r\n#P02#107,121,133,158\r\n#P21#137,121,163,158\r\n"
    "#P01#167,121,193,158\r\n#P13#197,121,223,158\r\n#P12#227,121,253,158\r\n"
    "\r\n"
    "#P32#0,164,36,201\r\n#P33#39,164,71,201\r\n#P35#77,164,103,201\r\n#P52#106,164,221,201\r\n"
    "#P36#228,164,298,201\r\n"
    "\r\n"
    "#P34#2,123,38,160\r\n#P37#263,123,299,160\r\n"
    "\r\n"
    "#P46#92,0,120,28\r\n#P38#60,0,88,28\r\n#P47#123,0,151,28\r\n#P48#154,0,182,28\r\n"
    "#P49#184,0,212,28\r\n#P50#214,0,242,28\r\n#P51#243,0,271,28\r\n#P39#272,0,300,28\r\n"
    "#P40#2,0,57,28\r\n";

constexpr const char* kDefaultCodeTable =
#include "ime/data/default_srf_mb.inc"
    ;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The two digits after a line's two-letter tag ("#S03" gives 3); any byte counts as a digit.
int TwoDigits(std::string_view line) { return (line[2] - '0') * 10 + (line[3] - '0'); }

void Put16(std::vector<uint8_t>& image, size_t at, uint32_t v) { bytes::PutLe16(image.data() + at, v); }

struct Entry {
    uint32_t code = 0;
    std::string letters;
    size_t start = 0;  // in the character buffer
    size_t groups = 0;
};

}  // namespace

const std::string& DefaultKeyConfig() {
    static const std::string text = Utf8ToGbk(kDefaultKeyConfig);
    return text;
}

const std::string& DefaultCodeTable() {
    static const std::string text = Utf8ToGbk(kDefaultCodeTable);
    return text;
}

int PymbBuilder::Digit(char letter) const {
    const int v = (letter >= 'a' && letter <= 'z') ? letter_values_[letter - 'a'] : 0;
    return (v & 0x1F) + 1;
}

uint32_t PymbBuilder::Code(std::string_view pinyin) const {
    if (pinyin.empty() || pinyin.size() > kPinyinLetters) return 0;
    uint32_t code = 0;
    for (char c : pinyin) code = code * 32 + static_cast<uint32_t>(Digit(c));
    return code;
}

void PymbBuilder::ParseKeyConfig(std::string_view text, std::vector<uint8_t>& image, std::vector<std::string>& errors) {
    for (const auto& line : SplitLines(text)) {
        if (line.size() < 2 || line[0] != '#') continue;
        if (line[1] == 'S') {
            if (line.size() < kLabelLineMin) {
                errors.push_back(line);
                continue;
            }
            const int row = TwoDigits(line);
            if (row < 0 || row >= kLabelRows) continue;
            size_t pos = 5;
            for (int key = 0; key < kLabelKeys; ++key) {
                const auto b = static_cast<unsigned char>(pos < line.size() ? line[pos] : 0);
                const bool wide = IsLeadByte(b);
                if (pos >= line.size() || (wide && pos + 1 >= line.size())) {
                    errors.push_back(line);  // once for every key beyond the end; the key keeps its bytes
                    continue;
                }
                const size_t at = kLabelsOffset + 64 * row + 2 * key;
                image[at] = wide ? b : 0;
                image[at + 1] = wide ? static_cast<uint8_t>(line[pos + 1]) : b;
                if (row == 0 && !wide && key < 26) letter_values_[key] = b - (mode_ == 2 ? '0' : 'a');
                pos += wide ? 2 : 1;
            }
        } else if (line[1] == 'P') {
            if (line.size() < 4) continue;
            const int key = TwoDigits(line);
            if (key < 0 || key >= kKeys) continue;
            size_t pos = 5;
            for (int i = 0; i < 4; ++i) {
                if (pos >= line.size() || !IsDigit(line[pos])) {
                    errors.push_back(line);
                    ++pos;
                    continue;
                }
                uint32_t v = 0;
                while (pos < line.size() && IsDigit(line[pos])) v = (v * 10 + (line[pos++] - '0')) & 0xFFFF;
                ++pos;
                Put16(image, kKeysOffset + 8 * key + 2 * i, v);
            }
        } else if (line[1] == 'T') {
            if (line.size() < 4) continue;
            const int t = TwoDigits(line);
            if (t == 1 || t == 2) mode_ = t;
        }
    }
}

Result<PymbOutput> PymbBuilder::Build(std::string_view key_config, std::string_view code_table) {
    PymbOutput out;
    std::vector<uint8_t> image(kEntriesOffset, 0xFF);
    mode_ = 1;
    ParseKeyConfig(key_config, image, out.errors);

    std::vector<Entry> entries;
    std::vector<uint8_t> chars;
    std::array<uint32_t, kStartEntries> group_counts{};
    for (const auto& line : SplitLines(code_table)) {
        if (line.empty() || line[0] != '=') continue;
        size_t pos = 1;
        while (pos < line.size() && line[pos] >= 'a' && line[pos] <= 'z') ++pos;
        const std::string_view pinyin = std::string_view(line).substr(1, pos - 1);
        if (pinyin.empty()) {
            // No first letter, so no group for the start table: listed, not built.
            out.errors.push_back(line);
            continue;
        }
        ++pos;  // the separator
        Entry e;
        e.code = Code(pinyin);
        e.letters = std::string(pinyin.substr(0, kPinyinLetters));
        e.start = chars.size();
        ++group_counts[Digit(pinyin[0])];
        size_t count = 0;
        while (pos < line.size()) {
            const auto b = static_cast<unsigned char>(line[pos]);
            if (IsLeadByte(b)) {
                if (pos + 1 >= line.size()) break;  // a lead byte without its trail byte
                chars.push_back(b);
                chars.push_back(static_cast<uint8_t>(line[pos + 1]));
                pos += 2;
            } else {
                chars.push_back(0);
                chars.push_back(b);
                ++pos;
            }
            ++count;
        }
        for (; count % kGroupChars != 0; ++count) {
            chars.push_back(0);
            chars.push_back(0);
        }
        e.groups = count / kGroupChars;
        if (e.groups > 0xFF)
            return Error{"the code table line for \"" + GbkToUtf8(e.letters) + "\" has more than 1530 characters", 1};
        entries.push_back(std::move(e));
    }

    const size_t chars_at = kEntriesOffset + kEntrySize * entries.size();
    const size_t total = chars_at + chars.size();
    if (total > kMaxLength)
        return Error{"the input method table would be " + std::to_string(total) +
                         " bytes; its 16-bit offsets reach 65535 at most",
                     1};

    image.resize(total, 0xFF);
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const size_t at = kEntriesOffset + kEntrySize * i;
        bytes::PutLe32(image.data() + at, e.code);
        for (int k = 0; k < kPinyinLetters; ++k)
            image[at + 4 + k] = k < static_cast<int>(e.letters.size()) ? static_cast<uint8_t>(e.letters[k]) : 0;
        Put16(image, at + 10, static_cast<uint32_t>(chars_at + e.start));
        image[at + 12] = static_cast<uint8_t>(e.groups);
    }
    uint32_t below = 0;
    for (int g = 0; g < kStartEntries; ++g) {
        Put16(image, kStartTableOffset + 2 * g, below);
        below += group_counts[g];
    }
    std::copy(chars.begin(), chars.end(), image.begin() + static_cast<std::ptrdiff_t>(chars_at));

    std::copy(std::begin(kMagic), std::end(kMagic), image.begin());
    image[kModeOffset] = static_cast<uint8_t>(mode_);
    Put16(image, kLengthOffset, static_cast<uint32_t>(total));
    out.bytes = std::move(image);
    return out;
}

Result<PymbOutput> WritePymb(PymbBuilder& builder, const std::filesystem::path& workspace,
                             std::string_view key_config, std::string_view code_table) {
    auto built = builder.Build(key_config, code_table);
    if (!built) return built;
    std::error_code ec;
    std::filesystem::create_directories(workspace, ec);
    if (auto s = WriteFileWhole(workspace / kFileName, built->bytes.data(), built->bytes.size()); !s) return s.error();
    return built;
}

}  // namespace quelmo::ime
