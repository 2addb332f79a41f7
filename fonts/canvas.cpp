#include "fonts/canvas.h"
#include "core/byte_order.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace quelmo {
namespace {

// GBK two-byte codes (and single bytes) to Unicode, converted once.
std::vector<char32_t> BuildGbkTable() {
    std::vector<char32_t> table(65536, 0);
    for (int b = 0; b < 0x80; ++b) table[static_cast<size_t>(b)] = static_cast<char32_t>(b);
    table[0x80] = U'\u20AC';  // the euro sign of code page 936
    iconv_t cd = iconv_open("UTF-32LE", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return table;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[8];
            char* src = in;
            char* dst = out;
            size_t src_left = 2, dst_left = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1) && src_left == 0 &&
                dst_left == sizeof out - 4) {
                const auto* u = reinterpret_cast<const uint8_t*>(out);
                table[static_cast<size_t>(lead << 8 | trail)] =
                    static_cast<char32_t>(bytes::Le32(u));
            }
        }
    iconv_close(cd);
    return table;
}

// fontconfig keeps its configuration for the life of the process; hand it back at exit so a
// leak checker sees a clean process.
void UseFontconfig() {
    static const bool registered = [] {
        FcInit();
        return std::atexit(FcFini) == 0;
    }();
    (void)registered;
}

struct Match {
    std::string file;
    int index = 0;
    std::string family;
};

// fontconfig's best installed face for a name; Chinese coverage breaks ties, so a Chinese face
// name that is not installed finds a Chinese face.
Match Resolve(const std::string& name) {
    UseFontconfig();
    Match m;
    FcPattern* p = FcPatternCreate();
    if (!name.empty()) FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult result;
    if (FcPattern* found = FcFontMatch(nullptr, p, &result)) {
        FcChar8* s = nullptr;
        if (FcPatternGetString(found, FC_FILE, 0, &s) == FcResultMatch) m.file = reinterpret_cast<char*>(s);
        if (FcPatternGetString(found, FC_FAMILY, 0, &s) == FcResultMatch) m.family = reinterpret_cast<char*>(s);
        FcPatternGetInteger(found, FC_INDEX, 0, &m.index);
        FcPatternDestroy(found);
    }
    FcPatternDestroy(p);
    return m;
}

}  // namespace

char32_t GbkCodePoint(int lead, int trail) {
    static const std::vector<char32_t> table = BuildGbkTable();
    if (lead == 0) return trail >= 0 && trail <= 0x80 ? table[static_cast<size_t>(trail)] : 0;
    if (lead < 0x81 || lead > 0xFE || trail < 0 || trail > 0xFF) return 0;
    return table[static_cast<size_t>(lead << 8 | trail)];
}

struct MonoCanvas::Fonts {
    FT_Library lib = nullptr;
    std::map<std::string, Match> matches;
    std::map<std::pair<std::string, int>, FT_Face> faces;
    FT_Face face = nullptr;
    std::string family;
    std::string name;
    int height = -1, width = -1;
    int ascent = 0;

    ~Fonts() {
        for (auto& [key, f] : faces)
            if (f) FT_Done_Face(f);
        if (lib) FT_Done_FreeType(lib);
    }

    FT_Face Open(const Match& m) {
        auto key = std::make_pair(m.file, m.index);
        if (auto it = faces.find(key); it != faces.end()) return it->second;
        FT_Face f = nullptr;
        if (m.file.empty() || FT_New_Face(lib, m.file.c_str(), m.index, &f) != 0) f = nullptr;
        faces[key] = f;
        return f;
    }

    void Size(int h, int w) {
        if (FT_IS_SCALABLE(face)) {
            double asc = 0, desc = 0, avg = 0;
            if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
                asc = os2->usWinAscent;
                desc = os2->usWinDescent;
                avg = os2->xAvgCharWidth;
            }
            if (asc + desc <= 0) {
                asc = face->ascender;
                desc = -face->descender;
            }
            if (asc + desc <= 0) asc = face->units_per_EM, desc = 0;
            const double upem = face->units_per_EM;
            const double y_ppem = h * upem / (asc + desc);
            const double x_ppem = w > 0 && avg > 0 ? w * upem / avg : y_ppem;
            FT_Set_Char_Size(face, std::max<FT_F26Dot6>(1, std::lround(x_ppem * 64)),
                             std::max<FT_F26Dot6>(1, std::lround(y_ppem * 64)), 72, 72);
            ascent = static_cast<int>(std::lround(asc * h / (asc + desc)));
        } else if (face->num_fixed_sizes > 0) {
            // A bitmap face: the strike nearest the cell height.
            int best = 0;
            for (int i = 1; i < face->num_fixed_sizes; ++i)
                if (std::abs(face->available_sizes[i].height - h) < std::abs(face->available_sizes[best].height - h))
                    best = i;
            FT_Select_Size(face, best);
            ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
        }
    }

    // Loads a character's glyph, rendered when asked; false when the face has nothing to draw.
    bool Load(char32_t cp, bool render) {
        if (!face || cp == 0) return false;
        FT_Int32 flags = FT_LOAD_TARGET_MONO;
        if (render) flags |= FT_LOAD_RENDER | FT_LOAD_MONOCHROME;
        return FT_Load_Char(face, cp, flags) == 0;
    }
};

MonoCanvas::MonoCanvas() : fonts_(std::make_unique<Fonts>()), bits_(static_cast<size_t>(kStride) * kHeight, 0) {}

MonoCanvas::~MonoCanvas() = default;

void MonoCanvas::SelectFont(const std::string& face, int height, int width) {
    Fonts& f = *fonts_;
    height = std::max(height, 1);
    width = std::max(width, 0);
    if (f.face && face == f.name && height == f.height && width == f.width) return;
    if (!f.lib && FT_Init_FreeType(&f.lib) != 0) return;
    if (face != f.name || !f.face) {
        auto it = f.matches.find(face);
        if (it == f.matches.end()) it = f.matches.emplace(face, Resolve(face)).first;
        f.face = f.Open(it->second);
        f.family = f.face ? it->second.family : std::string();
        f.name = face;
    }
    f.height = height;
    f.width = width;
    if (f.face) f.Size(height, width);
}

const std::string& MonoCanvas::SelectedFace() const { return fonts_->family; }

namespace {

// Calls f(code point) for each character of a GBK text.
template <class F>
void ForEachCodePoint(std::string_view gbk, F f) {
    for (size_t i = 0; i < gbk.size();) {
        const auto b = static_cast<uint8_t>(gbk[i]);
        if (b > 0x80 && i + 1 < gbk.size()) {
            f(GbkCodePoint(b, static_cast<uint8_t>(gbk[i + 1])));
            i += 2;
        } else {
            f(GbkCodePoint(0, b));
            ++i;
        }
    }
}

}  // namespace

int MonoCanvas::TextWidth(std::string_view gbk) {
    int width = 0;
    ForEachCodePoint(gbk, [&](char32_t cp) {
        if (fonts_->Load(cp, false)) width += static_cast<int>((fonts_->face->glyph->advance.x + 32) >> 6);
    });
    return width;
}

void MonoCanvas::DrawText(int x, int y, std::string_view gbk) {
    Fonts& f = *fonts_;
    const int baseline = y + f.ascent;
    int pen = x;
    ForEachCodePoint(gbk, [&](char32_t cp) {
        if (!f.Load(cp, true)) return;
        const FT_GlyphSlot g = f.face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        const int left = pen + g->bitmap_left, top = baseline - g->bitmap_top;
        for (int r = 0; r < static_cast<int>(bm.rows); ++r) {
            const int yy = top + r;
            if (yy < 0 || yy >= kHeight) continue;
            const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
            uint8_t* row = bits_.data() + static_cast<size_t>(yy) * kStride;
            for (int c = 0; c < static_cast<int>(bm.width); ++c) {
                const bool ink = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (src[c >> 3] >> (7 - (c & 7))) & 1
                                                                     : src[c] >= 128;
                const int xx = left + c;
                if (ink && xx >= 0 && xx < kWidth) row[xx >> 3] |= static_cast<uint8_t>(0x80 >> (xx & 7));
            }
        }
        pen += static_cast<int>((g->advance.x + 32) >> 6);
    });
}

void MonoCanvas::FillWhite(int x1, int y1, int x2, int y2) {
    x1 = std::max(x1, 0), y1 = std::max(y1, 0);
    x2 = std::min(x2, kWidth), y2 = std::min(y2, kHeight);
    if (x1 >= x2 || y1 >= y2) return;
    for (int y = y1; y < y2; ++y) {
        uint8_t* row = bits_.data() + static_cast<size_t>(y) * kStride;
        int x = x1;
        for (; x < x2 && (x & 7); ++x) row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
        const int whole_end = x2 & ~7;
        if (x < whole_end) {
            std::memset(row + (x >> 3), 0, static_cast<size_t>((whole_end - x) >> 3));
            x = whole_end;
        }
        for (; x < x2; ++x) row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
    }
}

bool MonoCanvas::RowHasInk(int y, int x1, int x2) const {
    x1 = std::max(x1, 0), x2 = std::min(x2, kWidth);
    if (y < 0 || y >= kHeight || x1 >= x2) return false;
    const uint8_t* row = bits_.data() + static_cast<size_t>(y) * kStride;
    int x = x1;
    for (; x < x2 && (x & 7); ++x)
        if (IsBlack(x, y)) return true;
    for (; x + 8 <= x2; x += 8)
        if (row[x >> 3]) return true;
    for (; x < x2; ++x)
        if (IsBlack(x, y)) return true;
    return false;
}

std::vector<std::string> MonoCanvas::Faces() {
    UseFontconfig();
    std::set<std::string> names;
    FcPattern* p = FcPatternCreate();
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* set = FcFontList(nullptr, p, os)) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* s = nullptr;
            for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &s) == FcResultMatch; ++k)
                names.insert(reinterpret_cast<char*>(s));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(os);
    FcPatternDestroy(p);
    return {names.begin(), names.end()};
}

}  // namespace quelmo
