#include "display/text.h"

#include <algorithm>
#include <cstring>

#include "core/byte_order.h"
#include "display/picture.h"
#include "display/tgd.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "flash/font_format.h"

namespace quelmo {
namespace {

using fontfile::kGb2312;
using fontfile::kGbk;

int Be16(const uint8_t* p) { return static_cast<int>(bytes::Be16(p)); }

// A glyph located in the flash image; its bytes sit in the screen's scratch area until the next
// flash read.
struct Glyph {
    const uint8_t* bytes = nullptr;
    int size = 0;     // rows it is drawn with: the statement's size, or 16 after a fallback
    int columns = 0;
};

// Bytes per column and rows drawn: 12-pixel glyphs keep two bytes a column of which 12 rows show.
int ColumnBytes(int size) { return size == 12 ? 2 : size / 8; }
int GlyphRows(int size) { return size == 12 ? 12 : ColumnBytes(size) * 8; }

// Columns that fit the scratch area, so a glyph of an odd size never reads past it.
int FitColumns(int columns, int size) {
    const int per = ColumnBytes(size);
    if (per <= 0) return 0;
    return std::clamp(columns, 0, Tgd::kScratchSize / per);
}

Glyph Read(Tgd& gd, int64_t address, int size, int columns) {
    columns = FitColumns(columns, size);
    return Glyph{gd.ReadFlash(address, columns * ColumnBytes(size)), size, columns};
}

// Searches the mini index region of a size; a half-width match leaves its width as the last
// half-width width. Record: width or lead, code or trail, glyph offset / 8 (big-endian).
bool SearchIndex(Tgd& gd, int size, int lead, int code, int& offset8) {
    // The regions lie well inside the image, so the records are read in place rather than
    // through the scratch area; the bytes are the same.
    const uint8_t* r = gd.Rom().Image() + fontfile::IndexRegion(size);
    for (int i = 0; i < text::kIndexRecords; ++i, r += fontfile::kRecordSize) {
        if (r[0] == fontfile::kEndOfRegion) return false;
        if (r[1] != code || (lead != 0 && r[0] != lead)) continue;
        if (lead == 0) gd.text_state.half_width = r[0];
        offset8 = Be16(r + 2);
        return true;
    }
    return false;
}

// Finds the glyph of (lead, code) at a size; lead 0 is a half-width character.
bool Locate(Tgd& gd, int size, int lead, int code, Glyph& g) {
    TextState& ts = gd.text_state;
    if (lead != 0 && size == 12) {
        const int64_t pos = kGb2312.Position(lead, code);
        g = Read(gd, flash::kHz12 + pos * flash::kHz12GlyphBytes, 12, 12);
        return true;
    }
    if (lead == 0 && size == 16) {
        ts.half_width = text::kAsc16Width;
        g = Read(gd, flash::kAsc16 + static_cast<int64_t>(code - flash::kAscFirst) * flash::kAsc16GlyphBytes, 16,
                 text::kAsc16Width);
        return true;
    }
    if (lead != 0) {
        int base = 0;
        bool gbk = false;
        switch (size) {
            case 16: base = ts.base16; gbk = ts.gbk16; break;
            case 24: base = ts.base24; gbk = ts.gbk24; break;
            case 32: base = ts.base32; gbk = ts.gbk32; break;
            case 48: base = ts.base48; break;
            default: break;
        }
        if (base != 0) {
            const int64_t pos = gbk ? kGbk.Position(lead, code) : kGb2312.Position(lead, code);
            g = Read(gd, static_cast<int64_t>(base) * flash::kUnit + pos * fontfile::GlyphBytes(size), size, size);
            return true;
        }
    }
    int offset8 = 0;
    if (!SearchIndex(gd, size, lead, code, offset8)) return false;
    int columns = size;
    if (lead == 0) {
        if (ts.half_width == 0) ts.half_width = size / 2;
        columns = ts.half_width;
    }
    g = Read(gd, flash::kMiniGlyphs + static_cast<int64_t>(offset8) * fontfile::kGlyphAlign, size, columns);
    return true;
}

// A character missing from its size shows its 16-pixel glyph, which is always there.
Glyph Find(Tgd& gd, int size, int lead, int code) {
    Glyph g;
    if (!Locate(gd, size, lead, code, g)) Locate(gd, 16, lead, code, g);
    return g;
}

// Columns left of the right-edge limit.
int LimitColumns(const TextState& ts, int x, int n) {
    if (ts.lx > ts.offset_x && ts.lx < x + n) return ts.lx - x;
    return n;
}

void DrawGlyph(Tgd& gd, const Glyph& g, int x, int y) {
    const int n = LimitColumns(gd.text_state, x, g.columns);
    const int per = ColumnBytes(g.size), rows = GlyphRows(g.size);
    const uint32_t ink = gd.Colour(gd.foreground), paper = gd.Colour(gd.BackgroundNumber());
    // Row by row over the part of the cell that lies on the surface.
    const Framebuffer& fb = gd.Surface();
    const int i0 = std::max(0, -x), i1 = std::min(n, fb.width - x);
    const int r0 = std::max(0, -y), r1 = std::min(rows, fb.height - y);
    for (int row = r0; row < r1; ++row) {
        uint32_t* out = fb.Row(y + row) + x;
        const uint8_t* b = g.bytes + (row >> 3);
        const int bit = row & 7;
        for (int i = i0; i < i1; ++i) out[i] = (b[i * per] >> bit) & 1 ? ink : paper;
    }
}

// A 12-pixel half-width character from the built-in table: a background row above, eight rows
// of the column byte, four background rows below, and a sixth background column.
void DrawAsc12(Tgd& gd, int code, int x, int y) {
    const uint8_t* cols = text::Asc12Glyph(static_cast<uint8_t>(code));
    const uint32_t ink = gd.Colour(gd.foreground), paper = gd.Colour(gd.BackgroundNumber());
    for (int k = 0; k < 5; ++k) {
        gd.SetPixel(x + k, y + 3, paper);
        for (int bit = 0; bit < 8; ++bit) gd.SetPixel(x + k, y + 4 + bit, (cols[k] >> bit) & 1 ? ink : paper);
        for (int r = 12; r < 16; ++r) gd.SetPixel(x + k, y + r, paper);
    }
    for (int r = 3; r < 15; ++r) gd.SetPixel(x + 5, y + r, paper);
}

// Draws one character and returns the pen advance.
int DrawChar(Tgd& gd, int size, int lead, int code, int x, int y) {
    if (lead == 0 && size == 12) {
        DrawAsc12(gd, code, x, y);
        gd.text_state.half_width = text::kAsc12Width;
        return text::kAsc12Width;
    }
    DrawGlyph(gd, Find(gd, size, lead, code), x, y);
    return lead != 0 ? size : gd.text_state.half_width;
}

// Calls f(lead, code) for each character of the text (lead 0 for a half-width one) until f
// returns false. A zero byte ends the text; the character holding byte 127 is the last.
template <class F>
void ForEachChar(std::string_view s, F f) {
    const size_t n = s.size();
    for (size_t i = 0; i < n && i < static_cast<size_t>(text::kMaxBytes);) {
        const auto b = static_cast<uint8_t>(s[i]);
        if (b == 0) return;
        if (b >= 0x80) {
            const int trail = i + 1 < n ? static_cast<uint8_t>(s[i + 1]) : 0;
            if (!f(b, trail) || trail == 0) return;
            i += 2;
        } else {
            if (!f(0, b)) return;
            ++i;
        }
    }
}

// One glyph over a slot's picture: ink in the foreground colour, the picture where it is clear.
void DrawCharOverSlot(Tgd& gd, int size, int lead, int code, int x, int y, const BackgroundSlot& slot) {
    const PictureRecord pic = ReadPictureRecord(gd, slot.pn);
    if (!pic.SizeUsable() || pic.address >= static_cast<int64_t>(flash::kImageSize)) return;
    const Glyph found = Find(gd, size, lead, code);
    const int n = found.columns;
    if (!(slot.x <= x && x + n < slot.x + pic.width && slot.y <= y && y + n <= slot.y + pic.height)) {
        DrawGlyph(gd, found, x, y);
        return;
    }
    TextState& ts = gd.text_state;
    const int per = ColumnBytes(found.size);
    std::memcpy(ts.glyph.data(), found.bytes, static_cast<size_t>(n * per));
    const int cols = LimitColumns(ts, x, n);
    const int want = 2 * size;
    const int readable = std::min(want, Tgd::kScratchSize - Tgd::kBackgroundScratch);
    const int rows = std::min(GlyphRows(found.size), readable / 2);
    const uint32_t ink = gd.Colour(gd.foreground);
    for (int i = 0; i < cols; ++i) {
        // Picture pixel (col, row) lies at data + 2 * (height * col + row), big-endian RGB565.
        const int64_t a = pic.address + 2 * (static_cast<int64_t>(pic.height) * (x + i - slot.x) + (y - slot.y));
        const uint8_t* px = gd.ReadBackground(a, readable);
        const uint8_t* col = ts.glyph.data() + i * per;
        for (int row = 0; row < rows; ++row) {
            const bool set = (col[row >> 3] >> (row & 7)) & 1;
            gd.SetPixel(x + i, y + row,
                        set ? ink : Tgd::ModuleToDesktop(static_cast<uint16_t>(bytes::Be16(px + 2 * row))));
        }
    }
}

// Single line from (x, y); over a slot when `slot` has a picture.
void Line(Tgd& gd, int size, int x, int y, const BackgroundSlot* slot) {
    TextState& ts = gd.text_state;
    gd.bounds = {x, y, x, y + size};
    ts.pen_x = x;
    ts.pen_y = y;
    ForEachChar(ts.text, [&](int lead, int code) {
        const int pen = ts.pen_x;
        int advance;
        if (slot && slot->pn != 0) {
            DrawCharOverSlot(gd, size, lead, code, pen, y, *slot);
            advance = lead != 0 ? size : ts.half_width;
        } else {
            advance = DrawChar(gd, size, lead, code, pen, y);
        }
        ts.pen_x = pen + advance;
        gd.bounds.x2 = ts.pen_x;
        return !(ts.lx > ts.offset_x && ts.lx < ts.pen_x);
    });
    ts.lx = 0;
}

void Label(Tgd& gd, int size, int align, const BackgroundSlot* slot) {
    TextState& ts = gd.text_state;
    const int x1 = gd.work.x1, y1 = gd.work.y1, x2 = gd.work.x2;
    const int w = text::Measure(gd, size, ts.text);
    const bool over = slot && slot->pn != 0;
    // Parts of the box the text leaves free: the background colour, or the slot's picture cut
    // out under them.
    auto paint = [&](int from, int to) {
        if (over)
            CutPicture(gd, from, y1, slot->pn, from - slot->x, y1 - slot->y, to - from, size);
        else
            gd.FillRect(from, y1, to, y1 + size, gd.Colour(gd.BackgroundNumber()));
    };
    int xs = x1;
    if (w + 1 < x2 - x1) {
        if (align == 1) {
            xs = x1 + (x2 - x1 - w) / 2;
            paint(x1, xs);
            paint(xs + w, x2);
        } else if (align == 2) {
            xs = x2 - w;
            paint(x1, xs);
        } else {
            paint(x1 + w, x2);
        }
    }
    ts.lx = x2;
    Line(gd, size, xs, y1, over ? slot : nullptr);
    gd.bounds = {x1, y1, x2, y1 + size};
}

// The common 5 x 7 dot-matrix set, codes 0x20..0x7E, one byte a column, bit 0 at the top.
constexpr uint8_t kAsc12[95][5] = {
    {0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x2F, 0x00, 0x00}, {0x00, 0x07, 0x00, 0x07, 0x00},
    {0x14, 0x7F, 0x14, 0x7F, 0x14}, {0x24, 0x2A, 0x7F, 0x2A, 0x12}, {0x62, 0x64, 0x08, 0x13, 0x23},
    {0x36, 0x49, 0x55, 0x22, 0x50}, {0x00, 0x05, 0x03, 0x00, 0x00}, {0x00, 0x1C, 0x22, 0x41, 0x00},
    {0x00, 0x41, 0x22, 0x1C, 0x00}, {0x14, 0x08, 0x3E, 0x08, 0x14}, {0x08, 0x08, 0x3E, 0x08, 0x08},
    {0x00, 0x00, 0xA0, 0x60, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08}, {0x00, 0x60, 0x60, 0x00, 0x00},
    {0x20, 0x10, 0x08, 0x04, 0x02}, {0x3E, 0x51, 0x49, 0x45, 0x3E}, {0x00, 0x42, 0x7F, 0x40, 0x00},
    {0x42, 0x61, 0x51, 0x49, 0x46}, {0x21, 0x41, 0x45, 0x4B, 0x31}, {0x18, 0x14, 0x12, 0x7F, 0x10},
    {0x27, 0x45, 0x45, 0x45, 0x39}, {0x3C, 0x4A, 0x49, 0x49, 0x30}, {0x01, 0x71, 0x09, 0x05, 0x03},
    {0x36, 0x49, 0x49, 0x49, 0x36}, {0x06, 0x49, 0x49, 0x29, 0x1E}, {0x00, 0x36, 0x36, 0x00, 0x00},
    {0x00, 0x56, 0x36, 0x00, 0x00}, {0x08, 0x14, 0x22, 0x41, 0x00}, {0x14, 0x14, 0x14, 0x14, 0x14},
    {0x00, 0x41, 0x22, 0x14, 0x08}, {0x02, 0x01, 0x51, 0x09, 0x06}, {0x32, 0x49, 0x59, 0x51, 0x3E},
    {0x7C, 0x12, 0x11, 0x12, 0x7C}, {0x7F, 0x49, 0x49, 0x49, 0x36}, {0x3E, 0x41, 0x41, 0x41, 0x22},
    {0x7F, 0x41, 0x41, 0x22, 0x1C}, {0x7F, 0x49, 0x49, 0x49, 0x41}, {0x7F, 0x09, 0x09, 0x09, 0x01},
    {0x3E, 0x41, 0x49, 0x49, 0x7A}, {0x7F, 0x08, 0x08, 0x08, 0x7F}, {0x00, 0x41, 0x7F, 0x41, 0x00},
    {0x20, 0x40, 0x41, 0x3F, 0x01}, {0x7F, 0x08, 0x14, 0x22, 0x41}, {0x7F, 0x40, 0x40, 0x40, 0x40},
    {0x7F, 0x02, 0x0C, 0x02, 0x7F}, {0x7F, 0x04, 0x08, 0x10, 0x7F}, {0x3E, 0x41, 0x41, 0x41, 0x3E},
    {0x7F, 0x09, 0x09, 0x09, 0x06}, {0x3E, 0x41, 0x51, 0x21, 0x5E}, {0x7F, 0x09, 0x19, 0x29, 0x46},
    {0x46, 0x49, 0x49, 0x49, 0x31}, {0x01, 0x01, 0x7F, 0x01, 0x01}, {0x3F, 0x40, 0x40, 0x40, 0x3F},
    {0x1F, 0x20, 0x40, 0x20, 0x1F}, {0x3F, 0x40, 0x38, 0x40, 0x3F}, {0x63, 0x14, 0x08, 0x14, 0x63},
    {0x07, 0x08, 0x70, 0x08, 0x07}, {0x61, 0x51, 0x49, 0x45, 0x43}, {0x00, 0x7F, 0x41, 0x41, 0x00},
    {0x55, 0x2A, 0x55, 0x2A, 0x55}, {0x00, 0x41, 0x41, 0x7F, 0x00}, {0x04, 0x02, 0x01, 0x02, 0x04},
    {0x40, 0x40, 0x40, 0x40, 0x40}, {0x00, 0x01, 0x02, 0x04, 0x00}, {0x20, 0x54, 0x54, 0x54, 0x78},
    {0x7F, 0x48, 0x44, 0x44, 0x38}, {0x38, 0x44, 0x44, 0x44, 0x20}, {0x38, 0x44, 0x44, 0x48, 0x7F},
    {0x38, 0x54, 0x54, 0x54, 0x18}, {0x08, 0x7E, 0x09, 0x01, 0x02}, {0x18, 0xA4, 0xA4, 0xA4, 0x7C},
    {0x7F, 0x08, 0x04, 0x04, 0x78}, {0x00, 0x44, 0x7D, 0x40, 0x00}, {0x40, 0x80, 0x84, 0x7D, 0x00},
    {0x7F, 0x10, 0x28, 0x44, 0x00}, {0x00, 0x41, 0x7F, 0x40, 0x00}, {0x7C, 0x04, 0x18, 0x04, 0x78},
    {0x7C, 0x08, 0x04, 0x04, 0x78}, {0x38, 0x44, 0x44, 0x44, 0x38}, {0xFC, 0x24, 0x24, 0x24, 0x18},
    {0x18, 0x24, 0x24, 0x18, 0xFC}, {0x7C, 0x08, 0x04, 0x04, 0x08}, {0x48, 0x54, 0x54, 0x54, 0x20},
    {0x04, 0x3F, 0x44, 0x40, 0x20}, {0x3C, 0x40, 0x40, 0x20, 0x7C}, {0x1C, 0x20, 0x40, 0x20, 0x1C},
    {0x3C, 0x40, 0x30, 0x40, 0x3C}, {0x44, 0x28, 0x10, 0x28, 0x44}, {0x1C, 0xA0, 0xA0, 0xA0, 0x7C},
    {0x44, 0x64, 0x54, 0x4C, 0x44}, {0x00, 0x08, 0x36, 0x41, 0x00}, {0x00, 0x00, 0x7F, 0x00, 0x00},
    {0x00, 0x41, 0x36, 0x08, 0x00}, {0x08, 0x04, 0x08, 0x10, 0x08},
};

}  // namespace

namespace text {

const uint8_t* Asc12Glyph(uint8_t c) {
    // Control bytes and 0x7F have no glyph of their own: they draw as a space.
    if (c < fontfile::kFirstAsc || c > fontfile::kLastAsc) c = ' ';
    return kAsc12[c - fontfile::kFirstAsc];
}

void DrawLine(Tgd& gd, int size) { Line(gd, size, gd.work.x1, gd.work.y1, nullptr); }

void DrawTitle(Tgd& gd, int x, int y, std::string_view s, int size, int colour) {
    gd.text_state.text.assign(s);
    gd.text_state.lx = 0;
    gd.foreground = colour;
    Line(gd, size, x, y, nullptr);
}

void DrawLineOverSlot(Tgd& gd, int size, int slot) {
    // 12-pixel glyphs do not fit the over-picture layout of size/8 bytes a column: a 12-pixel
    // line is drawn as it is without a slot.
    if (size == 12) return DrawLine(gd, size);
    Line(gd, size, gd.work.x1, gd.work.y1, &gd.Background(slot));
}

void DrawParagraph(Tgd& gd, int size, int x2, int lw) {
    TextState& ts = gd.text_state;
    const int x1 = gd.work.x1;
    int y = gd.work.y1;
    ts.lx = 0;
    gd.bounds = {x1, y, x2, y + size};
    ts.pen_x = x1;
    ForEachChar(ts.text, [&](int lead, int code) {
        const int room = lead != 0 ? size : size / 2;
        if (ts.pen_x >= x2 - room) {
            ts.pen_x = x1;
            y += size + lw;
            gd.bounds.y2 = y + size;
        }
        ts.pen_x += DrawChar(gd, size, lead, code, ts.pen_x, y);
        return true;
    });
    ts.pen_y = y;
}

void DrawLabel(Tgd& gd, int size, int align) { Label(gd, size, align, nullptr); }

void DrawLabelOverSlot(Tgd& gd, int size, int align, int slot) {
    if (size == 12) return Label(gd, size, align, nullptr);
    Label(gd, size, align, &gd.Background(slot));
}

int Measure(Tgd& gd, int size, std::string_view s) {
    int width = 0;
    ForEachChar(s, [&](int lead, int code) {
        if (lead != 0) {
            width += size;
        } else if (size < 24) {
            width += size / 2;
        } else {
            int offset8 = 0;
            SearchIndex(gd, size, 0, code, offset8);
            width += gd.text_state.half_width;
        }
        return true;
    });
    return width;
}

}  // namespace text

void Tgd::ReadFontRegions() {
    // Config block at 4096: markers AE 5F .. 5E AF around 16-bit big-endian slots in 256-byte
    // units. A GB2312 font is absent when its slot equals the next one; a GBK font is present
    // when the next slot is not FFFF and lies above its own.
    TextState& ts = text_state;
    ts.base16 = text::kDefaultBase16;
    ts.base24 = ts.base32 = ts.base48 = 0;
    ts.gbk16 = ts.gbk24 = ts.gbk32 = false;
    const uint8_t* c = Rom().Image() + flash::kConfigBlock;
    if (c[0] != flash::kMarkerStart[0] || c[1] != flash::kMarkerStart[1] ||
        c[flash::kConfigSize - 2] != flash::kMarkerEnd[0] || c[flash::kConfigSize - 1] != flash::kMarkerEnd[1])
        return;
    const int a = Be16(c + flash::kSlotHz24Gb2312), b = Be16(c + flash::kSlotHz32Gb2312),
              cc = Be16(c + flash::kSlotHz48Gb2312), d = Be16(c + flash::kSlotHz16Gbk),
              e = Be16(c + flash::kSlotHz24Gbk), f = Be16(c + flash::kSlotHz32Gbk), g = Be16(c + flash::kSlotPymb);
    ts.base24 = a == b ? 0 : a;
    ts.base32 = cc == b ? 0 : b;
    ts.base48 = d == cc ? 0 : cc;
    if (e != 0xFFFF && d < e) { ts.base16 = d; ts.gbk16 = true; }
    if (f != 0xFFFF && e < f) { ts.base24 = e; ts.gbk24 = true; }
    if (g != 0xFFFF && f < g) { ts.base32 = f; ts.gbk32 = true; }
}

}  // namespace quelmo
