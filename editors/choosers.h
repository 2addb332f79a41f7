#pragma once
// What the three chooser dialogs of the parameter grid offer: colour numbers with the screen's
// current colours, picture numbers, and key codes or page jumps for touch buttons.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quelmo {

class Tgd;

struct Choice {
    std::string caption;  // GBK
    int value = 0;        // what the dialog returns
};

// The swatch of colour number i is the screen's current colour i (SCC changes it).
std::array<uint32_t, 64> SwatchColours(const Tgd& screen);

// One button per picture of the list, in list order: caption n(n.jpg) for n = 1, 2, ...; the
// button at position p returns p.
std::vector<Choice> PictureChoices(int picture_count);

// Key codes 32..126 captioned with their character; then one button per page-list item,
// returning 129 + its position; then back (1), clear (2) and input done (13).
std::vector<Choice> KeyChoices(const std::vector<std::string>& page_captions);

}  // namespace quelmo
