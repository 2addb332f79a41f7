#pragma once
// The module's widgets as the simulated screen keeps them: the scrolling curve, the menu, the 32
// touch hot zones with their button icon sheet, and the input box. The simulator draws how they
// look when defined or redrawn, never their pressed look.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quelmo {

class Tgd;
class Tcmd;

inline constexpr int kCurveSamples = 400;
inline constexpr int kHotZones = 32;

// Colour numbers with a fixed role.
namespace widget_colour {
inline constexpr int kMenuText = 15;
inline constexpr int kFrame = 17;
inline constexpr int kBevelLight = 19;
inline constexpr int kBevelDark = 20;
inline constexpr int kCurveAbove = 21;
inline constexpr int kCurveGridAbove = 22;  // also the top row and the right edge
inline constexpr int kCurve = 23;
inline constexpr int kCurveGridBelow = 24;  // also the bottom row
inline constexpr int kCurveBelow = 25;
inline constexpr int kSchemeFrame = 40;     // style 7: 40 + a, inner outline 50 + a
inline constexpr int kSchemeInner = 50;
inline constexpr int kMenuItem = 60;
inline constexpr int kMenuSelected = 61;
}  // namespace widget_colour

struct CurveState {
    int x1 = 0, y1 = 0;
    int xp = 0;  // grid cell width
    int yn = 0;  // grid cells down
    int xn = 0;  // grid cells across
    int yp = 0;  // grid cell height
    std::array<uint8_t, kCurveSamples + 1> samples{};  // the byte after the window is always 0
    int count = 0;
    // W = xp xn columns; rows 0 .. H with H = yn yp - 1. Products wrap at 32 bits as the module's do.
    int Width() const { return static_cast<int>(static_cast<uint32_t>(xp) * static_cast<uint32_t>(xn)); }
    int Height() const { return static_cast<int>(static_cast<uint32_t>(yn) * static_cast<uint32_t>(yp) - 1u); }
};

struct MenuState {
    int x1 = 0, y1 = 0, w = 0, h = 0;
    int pw = 0;   // icon size
    int ax1 = 0;  // icon offset from the left edge
    int ax2 = 0;  // text offset from the left edge
    int hzm = 0;  // text size
    int yn = 0, max = 0, pg = 0, go = 0;
    int selected = 0, previous = 0;
    int drawing = 0;  // the item being drawn, counted from 1; 0 while none is
    int icon = 0;
    std::string title;
    bool running_page = false;  // a menu page that draws a menu is not run again
};

// x and y keep 9 bits; the bits above carry a and b (icons, slots or colour offsets).
struct HotZone {
    int x = 0, y = 0, w = 0, h = 0, style = 0, key = 0;
};

struct IconSheet {
    int pn = 0, xn = 0, yn = 0, icon_width = 0, icon_height = 0;
};

struct InputBox {
    int hzm = 0, x1 = 0, y1 = 0, limit_x = 0, length = 0, mode = 0, colour = 0;
    std::string text;
};

// Draws one line of GBK text at (x, y) in the given size and colour number over the screen's
// background colour, as the single-line text statements do. The text drawing code sets it; the
// menu draws its titles through it.
using TextLineFn = void (*)(Tgd& gd, int x, int y, std::string_view text, int size, int colour);

struct WidgetState {
    CurveState curve;
    MenuState menu;
    std::array<HotZone, kHotZones> zones{};
    IconSheet icons;
    InputBox input;
    int last_width = 0, last_height = 0;  // the last size of the most recent widget
    TextLineFn text_line = nullptr;
};

// Curve: set up (DQX), append a sample (Qn), draw (RQX, and Sn after appending).
void SetUpCurve(Tgd& gd, int x1, int y1, int xp, int yn, int xn, int yp);
void AppendSample(Tgd& gd, int value);
void DrawCurve(Tgd& gd);

// Hot zone k (0..31): draws its unpressed look and records its bounds.
void DrawZone(Tgd& gd, int k);
// TICN: false (and no change) when the picture is unusable or the grid has a zero side.
bool SetIconSheet(Tgd& gd, int pn, int xn, int yn);

// MSHW (all items) and MSET (the selected and the previous item): runs the menu's page through
// the interpreter, which must have its pages.
void DrawMenuItems(Tcmd& cmd, bool all);

}  // namespace quelmo
