#include "editors/axclass.h"

#include <array>

#include "core/catalogue.h"
#include "core/gbk.h"
#include "editors/statement_help.h"
#include "display/tcmd.h"
#include "display/text.h"

namespace quelmo {
namespace {

constexpr uint32_t kSelectedPen = Rgb(255, 0, 0);
constexpr uint32_t kPen = Rgb(255, 255, 255);
constexpr uint32_t kLabelBackground = Rgb(0, 255, 255);
constexpr uint32_t kLabelInk = Rgb(0, 0, 0);
constexpr int kCellWidth = 6;
constexpr int kCellHeight = 9;  // a row of padding above the 7 glyph rows and a descender row

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
        // The screen's own 5 x 7 set, one byte a column, bit 0 at the top.
        const uint8_t* columns = text::Asc12Glyph(static_cast<uint8_t>(text[i]));
        const int left = x + 1 + static_cast<int>(i) * kCellWidth;
        for (int col = 0; col < 5; ++col)
            for (int row = 0; row < kCellHeight - 1; ++row)
                if ((columns[col] >> row) & 1) Put(fb, left + col, y + 1 + row, ink);
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
