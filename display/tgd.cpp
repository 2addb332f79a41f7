#include "display/tgd.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "flash/trom.h"

namespace quelmo {
namespace {

// The module's default colour table, as RGB565.
constexpr uint16_t kDefaultColours[Tgd::kColours] = {
    0x0000, 0xF800, 0x07E0, 0x001F, 0xFFE0, 0x07FF, 0xF81F, 0xCE79,
    0x4208, 0xC208, 0x4608, 0x4218, 0xCE68, 0x4679, 0xCA39, 0xFFFF,
    0xFFFF, 0xF800, 0xFFFF, 0xCE79, 0x4208, 0x0000, 0x2B25, 0x1FC3,
    0x1FC3, 0x0320, 0x07E0, 0xF800, 0xFFE0, 0x07E0, 0xF800, 0xFFE0,
    0xFFE0, 0x07FF, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x026B, 0x75D7, 0x3B94, 0xDB8B, 0x9BCB, 0x7BD7, 0xD4C9, 0x824F,
    0x956B, 0x9317, 0x2046, 0x44F4, 0x23BD, 0xD245, 0x8505, 0x5295,
    0xD3E2, 0x608A, 0x7CC5, 0x7194, 0x2124, 0x239D, 0x0000, 0x0000,
};

}  // namespace

Tgd::Tgd(const Trom& rom) : rom_(rom) {
    ResetColourTable();
    ReadFontRegions();
}

uint32_t Tgd::ModuleToDesktop(uint16_t v) {
    // The low bits stay 0: FFFF becomes F8 FC F8, not white.
    return Rgb(static_cast<uint32_t>(v >> 11) * 8, static_cast<uint32_t>((v >> 5) & 0x3F) * 4,
               static_cast<uint32_t>(v & 0x1F) * 8);
}

uint16_t Tgd::DesktopToModule(uint32_t rgb) {
    uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g >> 2) << 5) | (b >> 3));
}

void Tgd::ResetColourTable() {
    for (int i = 0; i < kColours; ++i) colours_[static_cast<size_t>(i)] = ModuleToDesktop(kDefaultColours[i]);
}

void Tgd::SetColour(int number, int v) {
    if (number < 0 || number >= kColours) return;
    colours_[static_cast<size_t>(number)] = ModuleToDesktop(static_cast<uint16_t>(v));
}

const uint8_t* Tgd::ReadFlash(int64_t a, int n) {
    n = std::clamp(n, 0, kScratchSize);
    constexpr auto size = static_cast<int64_t>(flash::kImageSize);
    if (a < 0) a = size;
    if (a < size - n)
        std::memcpy(scratch_.data(), rom_.Image() + a, static_cast<size_t>(n));
    else
        std::memset(scratch_.data(), 0xFF, static_cast<size_t>(n));
    return scratch_.data();
}

const uint8_t* Tgd::ReadBackground(int64_t a, int n) {
    n = std::clamp(n, 0, kScratchSize - kBackgroundScratch);
    constexpr auto size = static_cast<int64_t>(flash::kImageSize);
    if (a >= 0 && a < size - n)
        std::memcpy(scratch_.data() + kBackgroundScratch, rom_.Image() + a, static_cast<size_t>(n));
    return scratch_.data() + kBackgroundScratch;
}

void Tgd::Pixel(int x, int y, int c) { SetPixel(x, y, Colour(c)); }

void Tgd::Line(int x1, int y1, int x2, int y2, int c) {
    // Bresenham along the major axis from the start point towards the end point; the end pixel
    // itself is left out, as the desktop line primitive does.
    const uint32_t rgb = Colour(c);
    const int64_t dx = std::abs(static_cast<int64_t>(x2) - x1), dy = std::abs(static_cast<int64_t>(y2) - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    const bool x_major = dx >= dy;
    const int64_t major = x_major ? dx : dy, minor = x_major ? dy : dx;
    int64_t x = x1, y = y1, err = 2 * minor - major;
    for (int64_t i = 0; i < major; ++i) {
        if (x >= 0 && y >= 0 && x < surface_.width && y < surface_.height)
            surface_.Row(static_cast<int>(y))[x] = rgb;
        if (err > 0) {
            if (x_major) y += sy; else x += sx;
            err -= 2 * major;
        }
        err += 2 * minor;
        if (x_major) x += sx; else y += sy;
    }
}

void Tgd::Box(const Rect& r, int c) {
    Line(r.x1, r.y1, r.x1, r.y2, c);
    Line(r.x1, r.y2, r.x2, r.y2, c);
    Line(r.x2, r.y2, r.x2, r.y1, c);
    Line(r.x2, r.y1, r.x1, r.y1, c);
    bounds = r;
}

void Tgd::FillRect(int left, int top, int right, int bottom, uint32_t rgb) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, surface_.width);
    bottom = std::min(bottom, surface_.height);
    if (left >= right || top >= bottom) return;
    for (int y = top; y < bottom; ++y) std::fill(surface_.Row(y) + left, surface_.Row(y) + right, rgb);
}

void Tgd::FillBox(const Rect& r, int c) {
    FillRect(r.x1, r.y1, r.x2, r.y2, Colour(c));
    bounds = r;
}

void Tgd::SchemeBox(const Rect& r, int scheme) {
    FillBox(r, scheme + 50);
    Box(r, scheme + 40);
}

void Tgd::Circle(int x, int y, int r, int c) {
    const uint32_t rgb = Colour(c);
    int64_t dx = 0, dy = r, d = 3 - 2 * static_cast<int64_t>(r);
    // Midpoint steps as the module takes them: the error update without the constant term.
    while (dy >= dx) {
        const int64_t px[8] = {x + dx, x + dy, x - dy, x - dx, x - dx, x - dy, x + dy, x + dx};
        const int64_t py[8] = {y + dy, y + dx, y + dx, y + dy, y - dy, y - dx, y - dx, y - dy};
        for (int i = 0; i < 8; ++i)
            if (px[i] >= 0 && py[i] >= 0 && px[i] < surface_.width && py[i] < surface_.height)
                surface_.Row(static_cast<int>(py[i]))[px[i]] = rgb;
        if (d < 0) {
            d += 4 * dx + 6;
        } else {
            d += 4 * (dx - dy);
            --dy;
        }
        ++dx;
    }
}

void Tgd::FillEllipse(int left, int top, int right, int bottom, uint32_t rgb) {
    // A pixel belongs to the ellipse when its centre lies inside the ellipse inscribed in the
    // half-open rectangle, so the right column and bottom row of the rectangle stay outside.
    const double w = static_cast<double>(right) - left, h = static_cast<double>(bottom) - top;
    if (w <= 0 || h <= 0) return;
    const double cx = left + w / 2, cy = top + h / 2, a = w / 2, b = h / 2;
    const int y0 = std::max(top, 0), y1 = std::min(bottom, surface_.height);
    for (int y = y0; y < y1; ++y) {
        const double ny = (y + 0.5 - cy) / b;
        const double span = 1 - ny * ny;
        if (span < 0) continue;
        const double half = a * std::sqrt(span);
        // Pixel x is inside when |x + 0.5 - cx| <= half.
        int xa = static_cast<int>(std::ceil(cx - half - 0.5));
        int xb = static_cast<int>(std::floor(cx + half - 0.5));
        xa = std::max({xa, left, 0});
        xb = std::min({xb, right - 1, surface_.width - 1});
        if (xa <= xb) std::fill(surface_.Row(y) + xa, surface_.Row(y) + xb + 1, rgb);
    }
}

void Tgd::FillCircle(int x, int y, int r, int c) { FillEllipse(x - r, y - r, x + r, y + r, Colour(c)); }

void Tgd::Clear(int c) { FillRect(0, 0, surface_.width, surface_.height, Colour(c)); }

}  // namespace quelmo
