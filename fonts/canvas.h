#pragma once
// The rasteriser's drawing bitmap: 3200 x 255 pixels of one bit (1 = black ink), with the
// desktop font operations it needs. Faces come from fontconfig and are drawn by FreeType,
// monochrome only, so every pixel is ink or background.
//
// Sizing follows the desktop convention the fonts were designed for: a cell height H makes
// ascent + descent = H pixels, with ascent and descent from the OS/2 table (usWinAscent,
// usWinDescent; ascender - descender when a face has none); an average width W scales
// horizontally so that xAvgCharWidth becomes W pixels (0 keeps the natural width).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quelmo {

class MonoCanvas {
public:
    static constexpr int kWidth = 3200;
    static constexpr int kHeight = 255;

    MonoCanvas();
    ~MonoCanvas();
    MonoCanvas(const MonoCanvas&) = delete;
    MonoCanvas& operator=(const MonoCanvas&) = delete;

    // Selects a font by face name (UTF-8), cell height and average width. A name that is not
    // installed selects fontconfig's best match for it, preferring faces with Chinese.
    void SelectFont(const std::string& face, int height, int width);
    // The family name of the face actually selected (UTF-8), empty when none could be loaded.
    const std::string& SelectedFace() const;

    // Advance width in pixels of a GBK text in the selected font.
    int TextWidth(std::string_view gbk);
    // Draws a GBK text in black with the top of its cell at (x, y).
    void DrawText(int x, int y, std::string_view gbk);
    // Paints [x1, x2) x [y1, y2) white.
    void FillWhite(int x1, int y1, int x2, int y2);
    bool IsBlack(int x, int y) const {
        return static_cast<unsigned>(x) < kWidth && static_cast<unsigned>(y) < kHeight &&
               (bits_[static_cast<size_t>(y) * kStride + (x >> 3)] >> (7 - (x & 7))) & 1;
    }

    // True when row y holds ink in [x1, x2).
    bool RowHasInk(int y, int x1, int x2) const;

    // Installed face families (UTF-8), sorted, without duplicates.
    static std::vector<std::string> Faces();

private:
    static constexpr int kStride = kWidth / 8;
    struct Fonts;
    std::unique_ptr<Fonts> fonts_;
    std::vector<uint8_t> bits_;
};

// The Unicode code point of a GBK character (lead 0 for a single byte); 0 when it has none.
char32_t GbkCodePoint(int lead, int trail);

}  // namespace quelmo
