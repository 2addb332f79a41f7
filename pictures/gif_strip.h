#pragma once
// The GIF-to-JPEG converter: an animation becomes one JPEG strip of its frames side by side,
// saved into the picture folder, where the picture list takes it up and the ICON statement can
// show it one cell at a time.
#include <filesystem>
#include <string>

#include "core/result.h"
#include "pictures/picture.h"

namespace quelmo::pictures {

inline constexpr int kStripQuality = 90;

struct GifStrip {
    std::string base_name;  // the GIF's file name without folder and extension
    Picture strip;          // cell i shows frames 0..i, each over everything before it
};

Result<GifStrip> ConvertGif(const std::filesystem::path& gif_file);

// temp/pic/ + base name + ".jpg" under the working folder.
std::filesystem::path StripTarget(const std::filesystem::path& workdir, const std::string& base_name);

// The question asked before an existing target is replaced (UTF-8).
std::string OverwriteQuestion(const std::string& base_name);

// Writes the strip as a JPEG of quality 90, replacing the target only once written whole.
Status SaveStrip(const GifStrip& strip, const std::filesystem::path& target);

}  // namespace quelmo::pictures
