#pragma once
// Our own base image: the module's built-in fonts drawn from free bitmap fonts (WenQuanYi
// Bitmap Song at 12 and 16 pixels, GNU Unifont where it has no glyph), so that a fresh machine
// can build flash images without the module maker's factory data.
#include <cstdint>
#include <filesystem>

#include "core/result.h"

namespace quelmo {

// The version our base image carries at bytes 256..259. It is low on purpose: factory data from
// a server always counts as newer.
inline constexpr uint32_t kOwnBaseVersion = 1;

// The font files the base image is drawn from.
struct BaseFonts {
    std::filesystem::path song12 = "/usr/share/fonts/X11/misc/wenquanyi_9pt.pcf";
    std::filesystem::path song16 = "/usr/share/fonts/X11/misc/wenquanyi_12pt.pcf";
    std::filesystem::path unifont = "/usr/share/fonts/opentype/unifont/unifont.otf";
};

// How many glyphs came out with ink.
struct BaseImageReport {
    int hz12_glyphs = 0;  // of the 8178 GB2312 positions, 12 pixels
    int hz16_glyphs = 0;  // of the 8178 GB2312 positions, 16 pixels
    int asc_glyphs = 0;   // of the codes 0x20..0x7F, 8 x 16
};

// Draws the built-in fonts and the data version into the first flash::kBaseImageEnd bytes of
// `image`, which the caller has filled with FF; bytes outside the font regions stay as they are.
// GB2312 positions without a character, or whose character neither font has, are blank glyphs.
Result<BaseImageReport> DrawBaseImage(uint8_t* image, const BaseFonts& fonts = {});

// Draws the base image and writes its flash::kBaseImageEnd bytes to `path` (the image beyond
// them reads as erased flash).
Result<BaseImageReport> WriteBaseImage(const std::filesystem::path& path, const BaseFonts& fonts = {});

}  // namespace quelmo
