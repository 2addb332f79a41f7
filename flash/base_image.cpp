#include "flash/base_image.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/file_write.h"
#include "core/gbk.h"
#include "flash/layout.h"

namespace quelmo {
namespace {

using namespace flash;

// The single code point of a UTF-8 text, or 0 when it is not exactly one valid character.
uint32_t SingleCodePoint(const std::string& utf8) {
    if (utf8.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(utf8[0]);
    size_t n = b0 < 0x80 ? 1 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
    if (n == 0 || utf8.size() != n) return 0;
    uint32_t cp = n == 1 ? b0 : b0 & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) cp = cp << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    return cp;
}

// Unicode of every GB2312 position in code order; 0 where the position holds no character
// (unassigned, or one of the user-defined areas that map to private use).
const std::vector<uint32_t>& Gb2312CodePoints() {
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> t(kGb2312Glyphs, 0);
        for (int i = 0; i < kGb2312Glyphs; ++i) {
            const char code[2] = {static_cast<char>(0xA1 + i / kGb2312Cells), static_cast<char>(0xA1 + i % kGb2312Cells)};
            bool ok = false;
            const std::string utf8 = GbkToUtf8(std::string_view(code, 2), &ok);
            const uint32_t cp = ok ? SingleCodePoint(utf8) : 0;
            t[static_cast<size_t>(i)] = (cp >= 0xE000 && cp <= 0xF8FF) ? 0 : cp;
        }
        return t;
    }();
    return table;
}

struct FaceDeleter {
    void operator()(FT_FaceRec_* f) const { FT_Done_Face(f); }
};
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

class Library {
public:
    Library() { ok_ = FT_Init_FreeType(&lib_) == 0; }
    ~Library() {
        if (ok_) FT_Done_FreeType(lib_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    bool ok() const { return ok_; }

    Result<FacePtr> Open(const std::filesystem::path& path, int pixels) {
        FT_Face face = nullptr;
        if (FT_New_Face(lib_, path.c_str(), 0, &face) != 0)
            return Error{"cannot open the font " + path.string() + " (Debian packages xfonts-wqy and fonts-unifont)", 2};
        FacePtr owned(face);
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels)) != 0)
            return Error{"the font " + path.string() + " has no " + std::to_string(pixels) + "-pixel size", 2};
        return owned;
    }

private:
    FT_Library lib_ = nullptr;
    bool ok_ = false;
};

// Where a face's baseline goes in a cell of `height` rows. Full-width cells centre the face's
// ideograph box (taken from U+5B57) in the cell; 8 x 16 cells keep the deepest descender of
// g, j, p, q, y inside the cell.
int Baseline(FT_Face face, int height, bool full_width) {
    auto extent = [face](uint32_t cp, int* top, int* rows) {
        const FT_UInt index = FT_Get_Char_Index(face, cp);
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0)
            return false;
        *top = face->glyph->bitmap_top;
        *rows = static_cast<int>(face->glyph->bitmap.rows);
        return true;
    };
    int top = 0, rows = 0;
    if (full_width) {
        if (extent(0x5B57, &top, &rows)) return top + std::max(height - rows + 1, 0) / 2;
    } else {
        int descent = 0;
        for (uint32_t cp : {'g', 'j', 'p', 'q', 'y'})
            if (extent(cp, &top, &rows)) descent = std::max(descent, rows - top);
        return height - descent;
    }
    return static_cast<int>((face->size->metrics.ascender + 32) >> 6);
}

// Draws characters into column-major glyph cells: `height` rows in columns of two bytes, bit 0
// of a byte the top row of its eight, a set bit ink.
class CellPainter {
public:
    CellPainter(int width, int height, std::vector<FT_Face> faces) : width_(width), height_(height), faces_(std::move(faces)) {
        for (FT_Face face : faces_) baselines_.push_back(Baseline(face, height_, width_ == height_));
    }

    // Clears the cell and draws the character with the first face that gives it ink (a face may
    // hold an empty placeholder for a character it does not draw); true when ink was drawn.
    bool Paint(uint32_t cp, uint8_t* cell) const {
        std::memset(cell, 0, static_cast<size_t>(width_) * 2);
        if (cp == 0) return false;
        for (size_t i = 0; i < faces_.size(); ++i) {
            FT_Face face = faces_[i];
            const FT_UInt index = FT_Get_Char_Index(face, cp);
            if (index == 0) continue;
            if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) continue;
            if (Blit(face->glyph, baselines_[i], cell)) return true;
        }
        return false;
    }

private:
    bool Blit(const FT_GlyphSlot slot, int baseline, uint8_t* cell) const {
        const FT_Bitmap& bm = slot->bitmap;
        bool ink = false;
        for (unsigned y = 0; y < bm.rows; ++y) {
            const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
            const int cy = baseline - slot->bitmap_top + static_cast<int>(y);
            if (cy < 0 || cy >= height_) continue;
            for (unsigned x = 0; x < bm.width; ++x) {
                const bool set = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128;
                const int cx = slot->bitmap_left + static_cast<int>(x);
                if (!set || cx < 0 || cx >= width_) continue;
                cell[cx * 2 + cy / 8] |= static_cast<uint8_t>(1u << (cy % 8));
                ink = true;
            }
        }
        return ink;
    }

    int width_;
    int height_;
    std::vector<FT_Face> faces_;
    std::vector<int> baselines_;
};

int PaintGb2312(const CellPainter& painter, uint8_t* region, uint32_t glyph_bytes) {
    const auto& cps = Gb2312CodePoints();
    int drawn = 0;
    for (int i = 0; i < kGb2312Glyphs; ++i)
        drawn += painter.Paint(cps[static_cast<size_t>(i)], region + static_cast<size_t>(i) * glyph_bytes) ? 1 : 0;
    return drawn;
}

}  // namespace

Result<BaseImageReport> DrawBaseImage(uint8_t* image, const BaseFonts& fonts) {
    Library lib;
    if (!lib.ok()) return Error{"cannot start the font engine", 2};
    auto song12 = lib.Open(fonts.song12, 12);
    if (!song12) return song12.error();
    auto song16 = lib.Open(fonts.song16, 16);
    if (!song16) return song16.error();
    auto uni12 = lib.Open(fonts.unifont, 12);
    if (!uni12) return uni12.error();
    auto uni16 = lib.Open(fonts.unifont, 16);
    if (!uni16) return uni16.error();

    BaseImageReport report;
    report.hz12_glyphs = PaintGb2312(CellPainter(12, 12, {song12->get(), uni12->get()}), image + kHz12, kHz12GlyphBytes);
    report.hz16_glyphs = PaintGb2312(CellPainter(16, 16, {song16->get(), uni16->get()}), image + kHz16, kHz16GlyphBytes);
    // Unifont is drawn on an 8 x 16 grid; WenQuanYi's proportional Latin letters are up to 10
    // pixels wide and would lose columns.
    const CellPainter asc(8, 16, {uni16->get(), song16->get()});
    for (int c = 0; c < kAscCount; ++c)
        report.asc_glyphs += asc.Paint(c + kAscFirst == 0x7F ? 0 : static_cast<uint32_t>(c + kAscFirst),
                                       image + kAsc16 + static_cast<size_t>(c) * kAsc16GlyphBytes) ? 1 : 0;
    for (int i = 0; i < 4; ++i) image[kBaseVersionOffset + i] = static_cast<uint8_t>(kOwnBaseVersion >> (8 * i));
    return report;
}

Result<BaseImageReport> WriteBaseImage(const std::filesystem::path& path, const BaseFonts& fonts) {
    std::vector<uint8_t> image(kBaseImageEnd, 0xFF);
    auto report = DrawBaseImage(image.data(), fonts);
    if (!report) return report;
    if (auto s = WriteFileWhole(path, image.data(), image.size()); !s) return s.error();
    return report;
}

}  // namespace quelmo
