// The input method table builder on arbitrary key configuration and code table texts: the first
// byte splits the input between the two.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ime/pymb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t split = all.size() * data[0] / 255;
    quelmo::ime::PymbBuilder builder;
    auto out = builder.Build(all.substr(0, split), all.substr(split));
    if (out.ok() && out->bytes.size() > quelmo::ime::kMaxLength) __builtin_trap();
    return 0;
}
