#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "display/framebuffer.h"
#include "display/tgd.h"
#include "support/cli.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Generated fonts reach the screen: fonts build, then render --project draws the glyphs that
// mini.idx and mini.sbin hold, pixel for pixel.
TEST(FontsCommand, BuiltFontsDrawOnTheProjectScreen) {
    TempDir dir;
    const std::string wd = dir.path().string();
    for (const char* n : {"24", "32", "48", "64"})
        ASSERT_EQ(RunQuelmo({"--workdir", wd, "fonts", "set", n, "--hz-face", "宋体", "--hz-chars", "薄",
                             "--asc-face", "DejaVu Sans", "--same-width"}).exit_code, 0);
    ASSERT_EQ(RunQuelmo({"--workdir", wd, "fonts", "build"}).exit_code, 0);
    const auto png = dir.path() / "s.png";
    auto r = RunQuelmo({"--workdir", wd, "render", "--project", "--size", "80x30", "--out", png.string(), "-"},
                       "SBC(2);DS24(0,0,'A薄',1);");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "bounds 0 0 36 24\n");
    const PixelBuffer s = ReadPng(png);
    ASSERT_EQ(s.width(), 80);
    const uint32_t ink = Tgd::ModuleToDesktop(0xF800), paper = Tgd::ModuleToDesktop(0x07E0);

    const auto idx = ReadBytes(dir.path() / "temp" / "mini.idx");
    const auto glyphs = ReadBytes(dir.path() / "temp" / "mini.sbin");
    ASSERT_EQ(idx.size(), 8192u);
    // Region 24: record of 'A' (0x41, the 34th ASC record) and the first Chinese record (薄).
    auto glyph_at = [&](int record) { return static_cast<size_t>(8 * (idx[record * 4 + 2] << 8 | idx[record * 4 + 3])); };
    ASSERT_EQ(idx[33 * 4 + 1], 0x41);
    ASSERT_EQ(idx[95 * 4], 0xB1);
    int top = 99, left = 99, right = -1, bottom = -1;
    for (int x = 0; x < 36; ++x)
        for (int y = 0; y < 24; ++y) {
            const bool is_a = x < 12;
            const size_t g = glyph_at(is_a ? 33 : 95) + static_cast<size_t>((is_a ? x : x - 12) * 3 + y / 8);
            const bool bit = (glyphs.at(g) >> (y % 8)) & 1;
            ASSERT_EQ(s.At(x, y), bit ? ink : paper) << x << "," << y;
            if (is_a) {
                EXPECT_FALSE(bit && y < 2) << "ASC ink in the top two rows at " << x;
            } else if (bit) {
                top = std::min(top, y), bottom = std::max(bottom, y), left = std::min(left, x - 12), right = std::max(right, x - 12);
            }
        }
    // The fitted Chinese glyph sits in the cell's top-left square, centred along its shorter side.
    const int w = right - left, h = bottom - top;
    EXPECT_EQ(w < h ? top : left, 0);
    EXPECT_EQ(w < h ? left : top, std::abs(h - w) / 2);
}

}  // namespace
}  // namespace quelmo::test
