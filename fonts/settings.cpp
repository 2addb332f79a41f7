#include "fonts/settings.h"

#include "core/gbk.h"
#include "core/hashtable.h"

namespace quelmo::fontset {

std::string Key(const char* family, int size, const char* suffix) {
    return std::string(family) + std::to_string(size) + suffix;
}

bool IsGeneratedSize(int size) { return size == 24 || size == 32 || size == 48 || size == 64; }

std::vector<StatusLine> StatusLines(const THashTable& store) {
    static constexpr char kNotSet[] = "未设置(需要设置才能生成点阵)";
    std::vector<StatusLine> lines;
    for (int n : kSizes) {
        StatusLine hz{n, true, false, kNotSet};
        if (const std::string face = store.GetValue(Key("hz", n, "zt")); !face.empty()) {
            const int set = store.GetInt(Key("hz", n, "bf"));
            hz.set = true;
            hz.text = "字体:" + GbkToUtf8(face) + "  " +
                      (set == kHzPart ? "部分汉字(小字库)" : set == kHzGb2312 ? "GB2312汉字(简体全字库)" : "GBK汉字(简繁体全字库)");
        }
        StatusLine asc{n, false, false, kNotSet};
        if (const std::string face = store.GetValue(Key("asc", n, "zt")); !face.empty()) {
            asc.set = true;
            asc.text = "字体:" + GbkToUtf8(face) + "  " +
                       (store.GetInt(Key("asc", n, "bf")) == kAscAll ? "全部96个ASC字符" : "部分ASC字符");
            if (store.GetInt(Key("asc", n, "dk")) == 1) asc.text += " 强制等宽";
        }
        lines.push_back(hz);
        lines.push_back(asc);
    }
    return lines;
}

bool MakeEnabled(const THashTable& store) {
    for (const auto& line : StatusLines(store))
        if (!line.set) return false;
    return true;
}

bool Gbk16(const THashTable& store) { return store.GetInt("hz16bf") == kGbk16On; }

void SetGbk16(THashTable& store, bool on) { store.SetInt("hz16bf", on ? kGbk16On : 0); }

ChineseChoice LoadChinese(const THashTable& store, int size) {
    ChineseChoice c;
    c.face = store.GetValue(Key("hz", size, "zt"));
    if (c.face.empty()) c.face = kDefaultFace;
    c.set = store.GetInt(Key("hz", size, "bf"));
    c.chars = store.GetValue(Key("hz", size, "memo"));
    return c;
}

Status ApplyChinese(THashTable& store, int size, const ChineseChoice& choice) {
    if (size == 64 && choice.set > kHzPart) return Error{kNoFullFont64};
    // 24,066 glyphs of 288 bytes fit neither the glyph buffer nor a place in the flash image.
    if (size == 48 && choice.set != kHzPart && choice.set != kHzGb2312) return Error{kNoGbk48};
    store.SetValue(Key("hz", size, "zt"), choice.face);
    store.SetInt(Key("hz", size, "bf"), choice.set);
    store.SetValue(Key("hz", size, "memo"), choice.chars);
    return {};
}

AscChoice LoadAsc(const THashTable& store, int size) {
    AscChoice c;
    c.face = store.GetValue(Key("asc", size, "zt"));
    if (c.face.empty()) c.face = kDefaultFace;
    c.same_width = store.GetInt(Key("asc", size, "dk")) == 1;
    c.set = store.GetInt(Key("asc", size, "bf"));
    c.chars = store.GetValue(Key("asc", size, "memo"));
    return c;
}

void ApplyAsc(THashTable& store, int size, const AscChoice& choice) {
    store.SetValue(Key("asc", size, "zt"), choice.face);
    store.SetInt(Key("asc", size, "dk"), choice.same_width ? 1 : 0);
    store.SetInt(Key("asc", size, "bf"), choice.set);
    store.SetValue(Key("asc", size, "memo"), choice.chars);
}

}  // namespace quelmo::fontset
