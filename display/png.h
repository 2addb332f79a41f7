#pragma once
#include <filesystem>

#include "core/result.h"
#include "display/framebuffer.h"

namespace quelmo {

// Writes the framebuffer as an 8-bit RGB PNG.
Status WritePng(const Framebuffer& fb, const std::filesystem::path& path);

}  // namespace quelmo
