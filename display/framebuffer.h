#pragma once
// A view of pixels owned by someone else (the window's image, a PNG buffer, a test array).
// Pixels are 32-bit 0xFFRRGGBB, row after row, `stride` pixels apart.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quelmo {

struct Framebuffer {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;

    bool Contains(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height);
    }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * stride + x]; }
    uint32_t* Row(int y) const { return pixels + static_cast<size_t>(y) * stride; }
};

// Owns pixels for callers that have no surface of their own (the command line, tests, the
// virtual module).
class PixelBuffer {
public:
    PixelBuffer(int width, int height, uint32_t fill = 0xFF000000u)
        : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}
    Framebuffer View() { return Framebuffer{pixels_.data(), width_, height_, width_}; }
    uint32_t At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint32_t>& pixels() const { return pixels_; }

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

// 0xFFRRGGBB from 8-bit components.
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }

}  // namespace quelmo
