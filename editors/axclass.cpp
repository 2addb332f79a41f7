#include "editors/axclass.h"

#include <array>

#include "core/catalogue.h"
#include "core/gbk.h"
#include "editors/statement_help.h"
#include "display/tcmd.h"

namespace quelmo {
namespace {

constexpr uint32_t kSelectedPen = Rgb(255, 0, 0);
constexpr uint32_t kPen = Rgb(255, 255, 255);
constexpr uint32_t kLabelBackground = Rgb(0, 255, 255);
constexpr uint32_t kLabelInk = Rgb(0, 0, 0);
constexpr int kCellWidth = 6;
constexpr int kCellHeight = 9;  // a row of padding above and below the 7 glyph rows

// 5 x 7 glyphs, one byte per row, bit 4 the leftmost column.
using Glyph = std::array<uint8_t, 7>;
constexpr Glyph kDigits[10] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};
constexpr Glyph kLetters[26] = {
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}, {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}, {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}, {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11},
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}, {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}, {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04},
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}, {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11},
    {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},
};
constexpr Glyph kSmallN = {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11};  // the n of Qn, Sn, DRn

const Glyph* GlyphOf(char c) {
    if (c >= '0' && c <= '9') return &kDigits[c - '0'];
    if (c >= 'A' && c <= 'Z') return &kLetters[c - 'A'];
    if (c >= 'a' && c <= 'z') return c == 'n' ? &kSmallN : &kLetters[c - 'a'];
    return nullptr;
}

void Put(Framebuffer fb, int x, int y, uint32_t rgb) {
    if (fb.Contains(x, y)) fb.Row(y)[x] = rgb;
}

// A horizontal or vertical line from (xa, ya) towards (xb, yb), the end pixel not set.
void StraightLine(Framebuffer fb, int xa, int ya, int xb, int yb, uint32_t rgb) {
    const int dx = (xb > xa) - (xb < xa), dy = (yb > ya) - (yb < ya);
    for (int x = xa, y = ya; x != xb || y != yb; x += dx, y += dy) {
        Put(fb, x, y, rgb);
        if (dx != 0 && dy != 0) break;  // only straight lines are drawn here
    }
}

}  // namespace

int DrawSmallText(Framebuffer fb, int x, int y, std::string_view text, uint32_t ink, uint32_t background) {
    const int width = static_cast<int>(text.size()) * kCellWidth + 1;
    for (int row = 0; row < kCellHeight; ++row)
        for (int col = 0; col < width; ++col) Put(fb, x + col, y + row, background);
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* g = GlyphOf(text[i]);
        if (!g) continue;
        const int left = x + 1 + static_cast<int>(i) * kCellWidth;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if ((*g)[row] & (0x10 >> col)) Put(fb, left + col, y + 1 + row, ink);
    }
    return width;
}

void TAXclass::SetStatement(std::string_view text) {
    statement.assign(text);
    if (!text.empty() && text.front() == '[') {
        static const std::string kGroupLabel = Utf8ToGbk("控件");
        label = kGroupLabel;
        type = Tcmd::kTypeNoBounds;
        return;
    }
    label.assign(Tcmd::StatementName(text));
    type = Catalogue::Shared().Type(label);
    if (type == Tcmd::kTypeNone) type = Tcmd::kTypeNoBounds;
}

void TAXclass::Render(int mode) {
    if (statement.empty()) return;
    if (mode == kRunAndFrame || mode == kRunOnly) {
        if (statement.front() == '[')
            cmd_->RunText(std::string_view(statement).substr(1, statement.size() >= 2 ? statement.size() - 2 : 0));
        else
            cmd_->RunStatement(statement);
        const auto b = cmd_->Bounds();
        x1 = b.x1;
        y1 = b.y1;
        x2 = b.x2;
        y2 = b.y2;
        w = x2 - x1;
        h = y2 - y1;
    }
    if ((mode == kRunAndFrame || mode == kFrameOnly) && type != Tcmd::kTypeNoBounds) DrawFrame();
}

void TAXclass::DrawFrame() {
    const uint32_t pen = selected ? kSelectedPen : kPen;
    StraightLine(canvas_, x1, y1, x2, y1, pen);
    StraightLine(canvas_, x2, y1, x2, y2, pen);
    StraightLine(canvas_, x2, y2, x1, y2, pen);
    StraightLine(canvas_, x1, y2, x1, y1, pen);
    DrawSmallText(canvas_, x1 + 1, y1 + 1, label, kLabelInk, kLabelBackground);
}

int TAXclass::HitTest(int x, int y) const {
    const int k = type;
    if (k == Tcmd::kTypeNoBounds) return kNoZone;
    if (x1 <= x && x < x2 - kEdgeReach && y1 <= y && y < y2 - kEdgeReach) return kMoveZone;
    const bool right_edge = k == 1 || k == 4 || k == 5;
    const bool bottom_edge = k == 1 || k == 5;
    if (right_edge && x2 - kEdgeReach < x && x < x2 + kEdgeReach && y1 <= y && y < y2) return kRightEdge;
    if (bottom_edge && y2 - kEdgeReach < y && y < y2 + kEdgeReach && x1 <= x && x < x2) return kBottomEdge;
    return kNoZone;
}

void TAXclass::Regenerate(const ParameterGrid& grid) {
    cmd_->SetBounds({x1, y1, x2, y2});
    state_->width_value = w;
    state_->height_value = h;
    statement = RebuildStatement(*cmd_, *state_, statement, grid);
}

}  // namespace quelmo
