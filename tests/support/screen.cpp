#include "support/screen.h"

#include <algorithm>

namespace quelmo::test {

int Screen::Count(uint32_t colour) const {
    return static_cast<int>(std::count(pixels.pixels().begin(), pixels.pixels().end(), colour));
}

}  // namespace quelmo::test
