#pragma once
// Text on the simulated screen: the module's bitmap fonts read from the flash image, one glyph
// at a time, exactly where the module finds them. The handlers store the coordinates, the
// colour and the text in the screen and call one of the entry points below.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "flash/layout.h"

namespace quelmo {

class Tgd;

namespace text {

inline constexpr int kMaxBytes = 127;      // bytes of a text that are drawn at most
inline constexpr int kDefaultBase16 = flash::Units(flash::kHz16);  // built-in 16-pixel GB2312 font
inline constexpr int kIndexRecords = 513;  // records the mini index search looks at
inline constexpr int kAsc12Width = 6;      // pen advance of a 12-pixel half-width character
inline constexpr int kAsc16Width = 8;

}  // namespace text

// The screen's text state. Bases count 256-byte units; 0 means the full font is absent.
struct TextState {
    std::string text;      // GBK bytes of the current statement
    int lx = 0;            // right-edge limit, 0 when none
    int offset_x = 0;      // the interpreter's display offset x; the limit counts only above it
    int pen_x = 0;         // pen after the last single-line text
    int pen_y = 0;
    int half_width = 0;    // width of the last half-width glyph found
    int base16 = text::kDefaultBase16, base24 = 0, base32 = 0, base48 = 0;
    bool gbk16 = false, gbk24 = false, gbk32 = false;
    std::array<uint8_t, 8192> glyph{};  // the glyph being drawn over a picture
};

namespace text {

// Single line (DS): from (work.x1, work.y1), size s, limit TextState::lx.
void DrawLine(Tgd& gd, int size);
// Single line over background slot m (PS and PLAB).
void DrawLineOverSlot(Tgd& gd, int size, int slot);
// Paragraph (BS): right edge x2, line spacing lw; the limit is off.
void DrawParagraph(Tgd& gd, int size, int x2, int lw);
// Label (LABL): box work.x1 .. work.x2 at work.y1; alignment 1 centre, 2 right, else left.
void DrawLabel(Tgd& gd, int size, int align);
// Label over background slot (PLAB); a slot without a picture gives a plain label.
void DrawLabelOverSlot(Tgd& gd, int size, int align, int slot);
// A single line of `s` at (x, y) in colour number `colour`, without a limit: the menu's titles.
void DrawTitle(Tgd& gd, int x, int y, std::string_view s, int size, int colour);
// Width in pixels of a text at a size, as the labels measure it.
int Measure(Tgd& gd, int size, std::string_view text);

// The built-in 5 x 7 table: 5 column bytes for code c in 0x20..0x7E, bit 0 the top row.
const uint8_t* Asc12Glyph(uint8_t c);

}  // namespace text
}  // namespace quelmo
