#pragma once
// The ready-made input-method resources for a 320 x 240 screen: a key configuration and two
// keyboard pictures, T26A (every key raised) and T26B (every key pressed). The module draws the
// key labels of the current input state itself, so the pictures carry the key caps only.
// The program ships copies of what WriteReadyResources writes; a server may offer its own.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/result.h"
#include "pictures/picture.h"

namespace quelmo::ime {

inline constexpr int kKeyboardWidth = 320;
inline constexpr int kKeyboardHeight = 240;

// The three files of a resource set, in download order: the key configuration (saved in the
// working folder) and the two pictures (saved in the workspace's picture folder).
inline constexpr const char* kReadyKeyConfigFile = "SRF320240.ini";
inline constexpr std::array<const char*, 2> kKeyboardPictures = {"T26A320X240.jpg", "T26B320X240.jpg"};
// Where a server keeps them, below its address.
inline constexpr const char* kServerFolder = "/wd/zy/";

// The ready-made key configuration (GBK, CR LF lines).
std::string ReadyKeyConfig();

// The keyboard picture of a key configuration: each key with a rectangle drawn as a cap on a
// dark ground, raised or pressed.
Result<Picture> DrawKeyboard(std::string_view key_config, bool pressed);

// Writes the three files into `folder` (created when missing), the same bytes every time.
Status WriteReadyResources(const std::filesystem::path& folder);

}  // namespace quelmo::ime
