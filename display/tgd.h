#pragma once
// The simulated screen: the module's colour table, its flash reader and its drawing primitives,
// drawing into a framebuffer that belongs to someone else (the window, the command line, a test).
#include <array>
#include <cstdint>

#include "display/framebuffer.h"
#include "display/text.h"
#include "display/picture.h"
#include "display/widgets.h"

namespace quelmo {

class Trom;

class Tgd {
public:
    static constexpr int kColours = 64;
    static constexpr int kScratchSize = 8192;
    static constexpr int kBackgroundScratch = 513;  // where the background reader puts its column

    explicit Tgd(const Trom& rom);

    // The surface is borrowed; nothing is drawn until one is set.
    void SetSurface(Framebuffer surface) { surface_ = surface; }
    const Framebuffer& Surface() const { return surface_; }
    int Width() const { return surface_.width; }
    int Height() const { return surface_.height; }
    const Trom& Rom() const { return rom_; }

    // Colours. A module colour is RGB565; a desktop colour is 0xFFRRGGBB.
    static uint32_t ModuleToDesktop(uint16_t v);
    static uint16_t DesktopToModule(uint32_t rgb);
    void ResetColourTable();
    // Colour numbers of 64 and above wrap around the table (number & 63).
    uint32_t Colour(int number) const { return colours_[static_cast<unsigned>(number) & (kColours - 1)]; }
    // SCC: entry `number` <- module colour v. Numbers of 64 and above are ignored.
    void SetColour(int number, int v);
    int BackgroundNumber() const { return background_; }
    void SetBackgroundNumber(int number) { background_ = number; }  // SBC

    // Reads the font regions and modes from the flash image's config block; called when the
    // screen is created and after every build of the flash image.
    void ReadFontRegions();
    // Text: the state the text statements keep between glyphs and statements.
    TextState text_state;

    // The flash reader: n bytes from flash address a into the scratch area. A negative a counts as
    // 16 MB; a read that would touch the last byte of the image or go past it yields FF bytes.
    const uint8_t* ReadFlash(int64_t a, int n);
    // The background reader: n bytes from a into the scratch area from byte 513 on, only when
    // 0 <= a < 16 MB - n; otherwise that part of the scratch area keeps what it had.
    const uint8_t* ReadBackground(int64_t a, int n);
    uint8_t* Scratch() { return scratch_.data(); }

    // The coordinates and colour of the current statement, set by the interpreter.
    struct Rect { int x1 = 0, y1 = 0, x2 = 0, y2 = 0; };
    Rect work;
    int foreground = 0;

    // The rectangle covered by the most recent operation that records one; -1 in all four when none.
    Rect bounds{-1, -1, -1, -1};
    void ClearBounds() { bounds = {-1, -1, -1, -1}; }

    // Primitives. Coordinates off the surface are clipped; none checks its arguments.
    void SetPixel(int x, int y, uint32_t rgb) {
        if (surface_.Contains(x, y)) surface_.Row(y)[x] = rgb;
    }
    void Pixel(int x, int y, int c);                        // PS
    void Line(int x1, int y1, int x2, int y2, int c);       // PL: the end pixel is not set
    void Box(const Rect& r, int c);                         // BOX, CBOX
    void FillBox(const Rect& r, int c);                     // BOXF, CBOF: right column, bottom row excluded
    void SchemeBox(const Rect& r, int scheme);              // W8BF
    void Circle(int x, int y, int r, int c);                // CIR
    void FillCircle(int x, int y, int r, int c);            // CIRF
    void Clear(int c);                                      // CLS: the surface only
    // What CLS resets besides the surface: hot zones, the input box, the background slots'
    // pictures and the curve's samples. Colours, offset, menu, icon sheet and curve setup stay.
    void ResetWidgetState();
    // Fills the ellipse inscribed in [left, right) x [top, bottom).
    void FillEllipse(int left, int top, int right, int bottom, uint32_t rgb);
    void FillRect(int left, int top, int right, int bottom, uint32_t rgb);

    // Picture and widget state; the operations on them are in display/picture.h and
    // display/widgets.h.
    PictureState pictures;
    WidgetState widgets;
    // Background slot m & 7: its position and picture number (0: no picture).
    const BackgroundSlot& Background(int m) const { return pictures.backgrounds[static_cast<unsigned>(m) & 7]; }

private:
    const Trom& rom_;
    Framebuffer surface_;
    std::array<uint32_t, kColours> colours_{};
    int background_ = 0;
    std::array<uint8_t, kScratchSize> scratch_{};
};

}  // namespace quelmo
