#pragma once
// A small screen for pixel tests: an interpreter over an all-FF flash image drawing into its own
// framebuffer, which starts black.
#include <string_view>

#include "core/gbk.h"
#include "display/tcmd.h"
#include "editors/statement_help.h"
#include "display/framebuffer.h"
#include "flash/trom.h"

namespace quelmo::test {

struct Screen {
    explicit Screen(int width = 64, int height = 48) : pixels(width, height), cmd(rom) {
        cmd.Screen().SetSurface(pixels.View());
    }
    // Runs UTF-8 command text (converted to GBK as the editors do).
    void Run(std::string_view utf8) { cmd.RunText(Utf8ToGbk(utf8)); }
    uint32_t At(int x, int y) const { return pixels.At(x, y); }
    uint32_t Colour(int number) const { return cmd.Screen().Colour(number); }
    // Number of pixels of the given colour.
    int Count(uint32_t colour) const;

    Trom rom;
    PixelBuffer pixels;
    Tcmd cmd;
    EditorState editor;  // what the editors remember between help requests
};

}  // namespace quelmo::test
