#include "editors/choosers.h"

#include "display/tgd.h"

namespace quelmo {

std::array<uint32_t, 64> SwatchColours(const Tgd& screen) {
    std::array<uint32_t, 64> out{};
    for (int i = 0; i < 64; ++i) out[i] = screen.Colour(i);
    return out;
}

std::vector<Choice> PictureChoices(int picture_count) {
    std::vector<Choice> out;
    for (int p = 0; p < picture_count; ++p) {
        const std::string n = std::to_string(p + 1);
        out.push_back({n + "(" + n + ".jpg)", p});
    }
    return out;
}

std::vector<Choice> KeyChoices(const std::vector<std::string>& page_captions) {
    std::vector<Choice> out;
    for (int c = 32; c <= 126; ++c) out.push_back({std::string(1, static_cast<char>(c)), c});
    for (size_t i = 0; i < page_captions.size(); ++i) out.push_back({page_captions[i], 129 + static_cast<int>(i)});
    out.push_back({"back (back)", 1});
    out.push_back({"clear (CE)", 2});
    out.push_back({"input done(CR)", 13});
    return out;
}

}  // namespace quelmo
