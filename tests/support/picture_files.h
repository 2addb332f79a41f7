#pragma once
// Picture files made at test time: JPEG through libjpeg-turbo, GIF through giflib.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pictures/picture.h"
#include "support/cli.h"

namespace quelmo::test {

// A picture of one colour.
Picture Solid(int width, int height, uint8_t r, uint8_t g, uint8_t b);

// Writes a JPEG of the picture (quality 100 keeps solid colours exact).
void WriteJpeg(const std::filesystem::path& file, const Picture& picture, int quality = 100);

// One GIF frame: its place and colour indices into the shared palette, row after row.
struct TestGifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indices;
    int transparent = -1;
};
// Writes a GIF with a global palette of RGB triples (up to 256 entries).
void WriteGif(const std::filesystem::path& file, int width, int height, const std::vector<uint8_t>& palette,
              const std::vector<TestGifFrame>& frames);
// A frame of one index.
TestGifFrame SolidFrame(int left, int top, int width, int height, uint8_t index);

}  // namespace quelmo::test
