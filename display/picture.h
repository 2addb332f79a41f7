#pragma once
// Pictures on the simulated screen, read from the flash image as the module reads them.
//
// Picture index at 0x4000: record pn at 0x4000 + 8 pn, width (bytes 0..1) and height (2..3)
// big-endian, the data address in bytes 5..7 (24-bit big-endian). Pixel (col, row) of the data
// is the RGB565 value at address + 2 (height col + row), high byte first.
#include <array>
#include <cstdint>

namespace quelmo {

class Tgd;

inline constexpr int kMaxPictureSide = 1024;   // a record wider or higher is unusable
inline constexpr int kMaxPictureNumber = 511;  // PIC draws nothing above it
inline constexpr int kPictureBlock = 512;      // PIC reads the pixel data in blocks this long
inline constexpr int kBackgroundSlots = 8;

struct PictureRecord {
    int width = 0;
    int height = 0;
    int64_t address = 0;
    bool SizeUsable() const { return width <= kMaxPictureSide && height <= kMaxPictureSide; }
};

struct BackgroundSlot {
    int x = 0;
    int y = 0;
    int pn = 0;  // 0: the slot has no picture
};

struct PictureState {
    int pn = 0;  // the picture a cut is taken from
    int cut_x = 0, cut_y = 0;
    int icon_xn = 0, icon_yn = 0;
    std::array<BackgroundSlot, kBackgroundSlots> backgrounds{};  // "slots" is a Qt keyword
};

// The picture header read (also used by text over backgrounds and by the widgets).
PictureRecord ReadPictureRecord(Tgd& gd, int pn);

// PIC: picture pn with its top-left corner at (x, y).
void DrawPicture(Tgd& gd, int x, int y, int pn);
// CPIC: the w x h part of picture pn from (px, py), drawn at (x, y). At most 255 rows show: a
// column is read as (2 h mod 512) bytes.
void CutPicture(Tgd& gd, int x, int y, int pn, int px, int py, int w, int h);
// ICON: icon n of picture pn cut into xn x yn icons (numbered across first), drawn at (x, y).
void DrawIcon(Tgd& gd, int x, int y, int pn, int xn, int yn, int n);
// BPIC: slot m & 7 <- (x, y, pn); the picture is drawn too when `draw`.
void SetBackground(Tgd& gd, int m, int x, int y, int pn, bool draw);

}  // namespace quelmo
