// Text statements over a flash image whose config block and mini font index come from the
// input: the first 128 bytes become the config block, the next 2048 the index region that every
// size reads, the rest is command text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "display/tcmd.h"
#include "display/framebuffer.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "flash/font_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static quelmo::Trom rom;
    constexpr size_t kHead = quelmo::flash::kConfigSize + quelmo::fontfile::kIndexRegionSize;
    if (size < kHead) return 0;
    rom.Erase();
    std::memcpy(rom.Image() + quelmo::flash::kConfigBlock, data, quelmo::flash::kConfigSize);
    for (int n : quelmo::fontfile::kMiniSizes)
        std::memcpy(rom.Image() + quelmo::fontfile::IndexRegion(n), data + quelmo::flash::kConfigSize,
                    quelmo::fontfile::kIndexRegionSize);
    quelmo::PixelBuffer screen(160, 120);
    quelmo::Tcmd cmd(rom);
    cmd.Screen().SetSurface(screen.View());
    cmd.RunText(std::string_view(reinterpret_cast<const char*>(data + kHead), size - kHead));
    return 0;
}
