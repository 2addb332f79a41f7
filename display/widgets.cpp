#include "display/widgets.h"

#include <algorithm>

#include "display/tcmd.h"
#include "display/picture.h"
#include "display/tgd.h"
#include "flash/layout.h"
#include "core/hashtable.h"

namespace quelmo {
namespace {

using namespace widget_colour;

// Sums that the module keeps in 32 bits wrap as they do there.
int Wrap(int64_t v) { return static_cast<int>(static_cast<uint32_t>(v)); }

// The right edge of the curve: a line from (x, y) towards (x, y + len) without its end pixel.
void VerticalEdge(Tgd& gd, int x, int y, int len, int c) {
    const int64_t first = len >= 0 ? y : static_cast<int64_t>(y) + len + 1;
    const int64_t last = len >= 0 ? static_cast<int64_t>(y) + len - 1 : y;
    const int64_t from = std::max<int64_t>(first, 0), to = std::min<int64_t>(last, gd.Height() - 1);
    for (int64_t r = from; r <= to; ++r) gd.Pixel(x, static_cast<int>(r), c);
}

}  // namespace

void SetUpCurve(Tgd& gd, int x1, int y1, int xp, int yn, int xn, int yp) {
    CurveState& c = gd.widgets.curve;
    c.x1 = x1;
    c.y1 = y1;
    c.xp = xp;
    c.yn = yn;
    c.xn = xn;
    c.yp = yp;
    c.samples.fill(0);
    c.count = 0;
    DrawCurve(gd);
}

void AppendSample(Tgd& gd, int value) {
    CurveState& c = gd.widgets.curve;
    const int n = c.Width();
    // A curve of no columns keeps no samples (nothing would ever move them out).
    if (n > kCurveSamples || n < 1) return;
    c.samples[static_cast<size_t>(c.count)] = static_cast<uint8_t>(value);
    if (++c.count >= n) {
        // Full: everything moves one place left; the last column takes the 0 after the window.
        for (int i = 0; i < n; ++i) c.samples[static_cast<size_t>(i)] = c.samples[static_cast<size_t>(i) + 1];
        c.count = n - 1;
    }
}

void DrawCurve(Tgd& gd) {
    const CurveState& c = gd.widgets.curve;
    const int w = c.Width(), h = c.Height();
    if (w == 0 || h == 0) return;
    gd.work = gd.bounds = {c.x1, c.y1, Wrap(static_cast<int64_t>(c.x1) + w), Wrap(static_cast<int64_t>(c.y1) + h)};
    if (w > kCurveSamples || w < 0) return;
    VerticalEdge(gd, Wrap(static_cast<int64_t>(c.x1) + w), c.y1, h, kCurveGridAbove);
    // Rows 0 .. H from the top; only those on the surface are visited.
    const int64_t r_from = std::max<int64_t>(0, -static_cast<int64_t>(c.y1));
    const int64_t r_to = std::min<int64_t>(h, static_cast<int64_t>(gd.Height()) - 1 - c.y1);
    int64_t previous = 0;
    for (int i = 0; i < w; ++i) {
        // A column's band joins its sample to the one before: v = sample H / 256.
        const int64_t v = (static_cast<int64_t>(c.samples[static_cast<size_t>(i)]) * h) >> 8;
        const int64_t lo = i == 0 ? v : std::min(v, previous), hi = i == 0 ? v : std::max(v, previous);
        previous = v;
        const bool grid_column = i % c.xp == 0;
        for (int64_t r = r_from; r <= r_to; ++r) {
            const int64_t j = h - r;
            const bool grid = grid_column || (r > 0 && r % c.yp == 0);
            int colour = j > hi ? (grid ? kCurveGridAbove : kCurveAbove)
                       : j < lo ? (grid ? kCurveGridBelow : kCurveBelow)
                                : kCurve;
            if (j == 0) colour = kCurveGridBelow;
            if (j == h) colour = kCurveGridAbove;
            gd.Pixel(c.x1 + i, static_cast<int>(c.y1 + r), colour);
        }
    }
}

void DrawZone(Tgd& gd, int k) {
    const HotZone& z = gd.widgets.zones[static_cast<size_t>(k) % kHotZones];
    if (z.w == 0) return;
    const int x = z.x & 511, a = static_cast<int>(static_cast<unsigned>(z.x) >> 9);
    const int y = z.y & 511;
    const int w = z.w, h = z.h;
    const Tgd::Rect outer{x, y, x + w, y + h}, inner{x + 1, y + 1, x + w - 1, y + h - 1};
    auto bevel = [&](const Tgd::Rect& r) {
        gd.Line(r.x1, r.y1, r.x2, r.y1, kBevelLight);  // top
        gd.Line(r.x1, r.y1, r.x1, r.y2, kBevelLight);  // left
        gd.Line(r.x2, r.y1, r.x2, r.y2, kBevelDark);   // right
        gd.Line(r.x1, r.y2, r.x2, r.y2, kBevelDark);   // bottom
    };
    switch (z.style & 15) {
        case 1:
            gd.Box(outer, kFrame);
            break;
        case 2:
            bevel(outer);
            break;
        case 3:
            gd.Box(outer, kFrame);
            gd.Box(inner, kFrame);
            break;
        case 4:
            bevel(outer);
            bevel(inner);
            break;
        case 5: {
            const IconSheet& s = gd.widgets.icons;
            DrawIcon(gd, x, y, s.pn, s.xn, s.yn, a);
            break;
        }
        case 6: {
            const BackgroundSlot& slot = gd.Background(a);
            if (slot.pn != 0) CutPicture(gd, x, y, slot.pn, x - slot.x, y - slot.y, w, h);
            break;
        }
        case 7:
            gd.Box(outer, kSchemeFrame + a);
            gd.Box(inner, kSchemeInner + a);
            break;
        default:
            break;
    }
    gd.work = gd.bounds = outer;
    gd.widgets.last_width = w;
    gd.widgets.last_height = h;
}

bool SetIconSheet(Tgd& gd, int pn, int xn, int yn) {
    const PictureRecord rec = ReadPictureRecord(gd, pn);
    if (!rec.SizeUsable() || xn <= 0 || yn <= 0) return false;
    gd.widgets.icons = IconSheet{pn, xn, yn, rec.width / xn, rec.height / yn};
    return true;
}

void DrawMenuItems(Tcmd& cmd, bool all) {
    Tgd& gd = cmd.Screen();
    MenuState& m = gd.widgets.menu;
    if (m.running_page || m.max <= 0 || m.pg < 1) return;
    // Page pg is the pg-th of the 128 stored pages, kept under pgcn0 .. pgcn127.
    if (m.pg > flash::kPageCount) return;
    const std::string page = cmd.Pages() ? cmd.Pages()->GetValue(flash::PageTextKey(m.pg - 1)) : std::string();
    // The page may redefine the menu while it runs; the items drawn are those of now.
    const MenuState def = m;
    m.running_page = true;
    m.drawing = 0;
    cmd.RunText(page);
    for (int i = 0; i < def.max; ++i) {
        if (!all && i != def.selected && i != def.previous) continue;
        const int yi = Wrap(def.y1 + static_cast<int64_t>(i) * def.h);
        m.drawing = i + 1;
        cmd.RunText(page);  // its MDF for number i + 1 sets the item's icon and title
        m.drawing = 0;
        const int colour = i == def.selected ? kMenuSelected : kMenuItem;
        gd.FillBox({def.x1, yi, def.x1 + def.w, yi + def.h}, colour);
        gd.SetBackgroundNumber(colour);
        const int dy = def.hzm < def.h ? (def.h - def.hzm) / 2 : 0;
        if (gd.widgets.text_line) gd.widgets.text_line(gd, def.x1 + def.ax2, yi + dy, m.title, def.hzm, kMenuText);
        const int icon_dy = def.pw < def.h ? (def.h - def.pw) / 2 : dy;
        DrawPicture(gd, def.x1 + def.ax1, yi + icon_dy, m.icon);
    }
    m.running_page = false;
    const int height = Wrap(static_cast<int64_t>(def.max) * def.h);
    gd.work = gd.bounds = {def.x1, def.y1, def.x1 + def.w, Wrap(static_cast<int64_t>(def.y1) + height)};
    gd.widgets.last_width = def.w;
    gd.widgets.last_height = height;
}

void Tgd::ResetWidgetState() {
    widgets.zones.fill(HotZone{});
    widgets.input.mode = 0;
    for (BackgroundSlot& slot : pictures.backgrounds) slot.pn = 0;
    widgets.curve.count = 0;
}

}  // namespace quelmo
