// The bundled demo project: it is what scripts/make_demo makes from samples/demo/, it opens as
// the start page opens a bundled sample, and its pages draw text of every size, pictures, the
// menu and the touch hot zones.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/scratch_dir.h"

namespace quelmo::test {
namespace {
namespace fs = std::filesystem;

const fs::path kRoot = fs::path(QUELMO_TEST_DATA).parent_path().parent_path();

// Pixels in the rectangle [x0, x1) x [y0, y1) that are near white (colour 15, the text).
int White(const PixelBuffer& png, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint32_t p = png.At(x, y);
            n += (p >> 16 & 0xFF) > 0xE0 && (p >> 8 & 0xFF) > 0xE0 && (p & 0xFF) > 0xE0;
        }
    return n;
}

// Pixels in the rectangle that are not black (the cleared screen).
int Ink(const PixelBuffer& png, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += (png.At(x, y) & 0xFFFFFF) != 0;
    return n;
}

TEST(DemoSample, RemadeFromItsSourcesByteForByte) {
    ScratchDir dir;
    const std::string command = "python3 " + (kRoot / "scripts" / "make_demo").string() + " " QUELMO_CLI_PATH " " +
                                (dir / "demo.gpu").string() + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string bundled = ReadFile(kRoot / "samples" / "demo.gpu");
    ASSERT_FALSE(bundled.empty());
    EXPECT_TRUE(ReadFile(dir / "demo.gpu") == bundled) << "samples/demo.gpu is stale: run scripts/make_demo";
}

TEST(DemoSample, OpensAndDrawsItsPages) {
    ScratchDir dir;
    const std::string work = (dir / "work").string();
    ::unsetenv("QUELMO_SAMPLES");  // the samples beside the program
    CliRun list = RunQuelmo({"--workdir", work, "samples", "list"});
    EXPECT_NE(list.out.find("demo.gpu(bundled)\n"), std::string::npos) << list.out;
    CliRun open = RunQuelmo({"--workdir", work, "samples", "open", "demo.gpu"});
    ASSERT_EQ(open.exit_code, 0) << open.err;
    CliRun pages = RunQuelmo({"--workdir", work, "page", "list"});
    for (const char* name : {"home", "menu", "items", "pictures"}) EXPECT_NE(pages.out.find(name), std::string::npos);

    auto render = [&](int page) {
        const fs::path png = dir / ("page" + std::to_string(page) + ".png");
        CliRun r = RunQuelmo({"--workdir", work, "render", "--project", "--page", std::to_string(page), "--out", png.string()});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        return ReadPng(png);
    };
    const PixelBuffer home = render(1);
    ASSERT_EQ(home.width(), 320);
    // Text of 32, 24, 16 and 12 pixels, each with ink in its own band.
    EXPECT_GT(White(home, 8, 6, 200, 38), 150);
    EXPECT_GT(Ink(home, 8, 52, 140, 76), 150);
    EXPECT_GT(Ink(home, 8, 84, 150, 100), 100);
    EXPECT_GT(Ink(home, 8, 106, 150, 118), 60);
    // The picture of the sunset and the frames of the two hot zones.
    EXPECT_EQ(Ink(home, 8, 128, 168, 218), 160 * 90);
    EXPECT_GT(Ink(home, 176, 128, 177, 165), 30);
    EXPECT_GT(Ink(home, 312, 176, 313, 213), 30);

    const PixelBuffer menu = render(2);
    // Four menu rows with their titles; the selected one in its own colour.
    const uint32_t row = menu.At(17, 45), selected = menu.At(17, 81);
    EXPECT_NE(row, selected);
    EXPECT_EQ(menu.At(17, 45 + 72), row);
    EXPECT_GT(White(menu, 56, 44, 216, 188), 200);

    const PixelBuffer pictures = render(4);
    // The background picture fills the screen; the text over it keeps it around its strokes.
    EXPECT_GT(White(pictures, 12, 12, 80, 44), 100);
    EXPECT_EQ(Ink(pictures, 0, 0, 320, 170), 320 * 170);
}

}  // namespace
}  // namespace quelmo::test
