// Runs any bytes through the interpreter on a screen whose size comes from the first bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "display/tcmd.h"
#include "display/framebuffer.h"
#include "flash/trom.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static quelmo::Trom rom;
    if (size < 4) return 0;
    const int width = 1 + ((data[0] | data[1] << 8) % 1024);
    const int height = 1 + ((data[2] | data[3] << 8) % 1024);
    quelmo::PixelBuffer screen(width, height);
    quelmo::Tcmd cmd(rom);
    cmd.Screen().SetSurface(screen.View());
    cmd.RunText(std::string_view(reinterpret_cast<const char*>(data + 4), size - 4));
    return 0;
}
