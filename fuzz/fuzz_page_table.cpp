// Compiles any bytes as a page text, with the page number and baud rate index from the first
// two bytes, and checks that the slot holds at most 1023 text bytes and its 0 byte while the
// slots around it stay erased.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "flash/layout.h"
#include "flash/trom.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quelmo;
    static Trom rom;
    if (size < 2) return 0;
    const int page = static_cast<int8_t>(data[0]) * 3;  // negatives and numbers past 127 too
    const int btl = data[1] % 8;
    Warnings warnings;
    rom.CompilePage(page, std::string_view(reinterpret_cast<const char*>(data + 2), size - 2), btl, &warnings);

    const int n = ((page % flash::kPageCount) + flash::kPageCount) % flash::kPageCount;
    uint8_t* slot = rom.Image() + flash::kPageTable + static_cast<size_t>(n) * flash::kPageSlotSize;
    const void* zero = std::memchr(slot, 0, flash::kPageSlotSize);
    if (zero == nullptr) std::abort();
    const uint8_t* before = slot - 1;
    const uint8_t* after = slot + flash::kPageSlotSize;
    if (*before != 0xFF || *after != 0xFF) std::abort();
    std::memset(slot, 0xFF, flash::kPageSlotSize);
    return 0;
}
