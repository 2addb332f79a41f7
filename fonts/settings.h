#pragma once
// The font settings of a project, kept in the settings store, and the rules of the font setup
// window and its two dialogs. Keys are "hz" or "asc", the size in decimal and a suffix
// (hz24zt, asc64dk); hz16bf switches the 16-pixel GBK full font.
#include <string>
#include <vector>

#include "core/result.h"

namespace quelmo {

class THashTable;

namespace fontset {

inline constexpr int kSizes[4] = {24, 32, 48, 64};
inline constexpr int kGbk16On = 4;
// Chinese sets (hzNbf) and ASC sets (ascNbf).
inline constexpr int kHzPart = 0, kHzGb2312 = 1, kHzGbk = 2;
inline constexpr int kAscAll = 0, kAscPart = 1;

// "hz" or "asc" + size + suffix, for example Key("hz", 24, "zt") = "hz24zt".
std::string Key(const char* family, int size, const char* suffix);
bool IsGeneratedSize(int size);

// The default face the dialogs offer, GBK bytes of 宋体.
inline constexpr const char* kDefaultFace = "\xCB\xCE\xCC\xE5";

// One of the eight lines of the setup window.
struct StatusLine {
    int size = 0;
    bool chinese = false;
    bool set = false;   // the face name is set
    std::string text;   // UTF-8
};

// The Chinese line and the ASC line of each size, 24 to 64.
std::vector<StatusLine> StatusLines(const THashTable& store);
// Make is enabled only when all eight face names are set.
bool MakeEnabled(const THashTable& store);
bool Gbk16(const THashTable& store);
void SetGbk16(THashTable& store, bool on);

// The Chinese dialog's choices (texts GBK bytes).
struct ChineseChoice {
    std::string face;
    int set = kHzPart;
    std::string chars;
};
ChineseChoice LoadChinese(const THashTable& store, int size);
// OK: stores the choice, or refuses a full set at 64 pixels and a GBK set at 48 pixels and
// stores nothing.
Status ApplyChinese(THashTable& store, int size, const ChineseChoice& choice);

struct AscChoice {
    std::string face;
    bool same_width = false;
    int set = kAscAll;
    std::string chars;
};
AscChoice LoadAsc(const THashTable& store, int size);
void ApplyAsc(THashTable& store, int size, const AscChoice& choice);

// Refusal texts of the Chinese dialog.
inline constexpr const char* kNoFullFont64 = "64点阵暂不支持全字库，请选择小字库(部分汉字)";
inline constexpr const char* kNoGbk48 = "48点阵暂不支持GBK全字库，请选择GB2312全字库或小字库(部分汉字)";

}  // namespace fontset
}  // namespace quelmo
