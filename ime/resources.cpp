#include "ime/resources.h"

#include <algorithm>
#include <system_error>

#include "core/file_write.h"
#include "core/gbk.h"
#include "ime/pymb.h"

namespace quelmo::ime {
namespace {

struct Rgb {
    int r, g, b;
};

constexpr Rgb kGround{38, 42, 50};
constexpr Rgb kLetterTop{236, 238, 242}, kLetterBottom{196, 200, 208};
constexpr Rgb kFunctionTop{168, 174, 186}, kFunctionBottom{128, 134, 146};
constexpr Rgb kPressedTop{96, 160, 240}, kPressedBottom{40, 100, 200};
constexpr Rgb kEdge{20, 22, 26};
constexpr int kLetterKeys = 26;

void Put(Picture& p, int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= p.width || y >= p.height) return;
    uint8_t* px = p.At(x, y);
    px[0] = static_cast<uint8_t>(c.r), px[1] = static_cast<uint8_t>(c.g), px[2] = static_cast<uint8_t>(c.b);
}

Rgb Mix(Rgb a, Rgb b, int num, int den) {
    if (den <= 0) return a;
    return {a.r + (b.r - a.r) * num / den, a.g + (b.g - a.g) * num / den, a.b + (b.b - a.b) * num / den};
}

// A cap filling [x1, x2] x [y1, y2]: a one-pixel edge with cut corners around a top-to-bottom
// gradient.
void DrawCap(Picture& p, int x1, int y1, int x2, int y2, Rgb top, Rgb bottom) {
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) {
            const bool edge_x = x == x1 || x == x2, edge_y = y == y1 || y == y2;
            if (edge_x && edge_y) continue;  // the ground shows through the corners
            Put(p, x, y, edge_x || edge_y ? kEdge : Mix(top, bottom, y - y1, y2 - y1));
        }
}

uint16_t Word(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

}  // namespace

std::string ReadyKeyConfig() {
    return Utf8ToGbk(
               "// On-screen keyboard for a 320 x 240 screen, to be used with the pictures T26A320X240.jpg\r\n"
               "// (keys raised) and T26B320X240.jpg (keys pressed). Lines not starting with # are notes.\r\n"
               "\r\n") +
           DefaultKeyConfig();
}

Result<Picture> DrawKeyboard(std::string_view key_config, bool pressed) {
    // The key rectangles as the module reads them: compiled into a table.
    PymbBuilder builder;
    auto table = builder.Build(key_config, "");
    if (!table) return table.error();
    const auto& b = table->bytes;
    Picture p;
    p.Resize(kKeyboardWidth, kKeyboardHeight, 0);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) Put(p, x, y, kGround);
    for (int k = 0; k < kKeys; ++k) {
        const size_t at = kKeysOffset + 8 * static_cast<size_t>(k);
        const int x1 = Word(b, at), y1 = Word(b, at + 2), x2 = Word(b, at + 4), y2 = Word(b, at + 6);
        if (x1 == 0xFFFF || y1 == 0xFFFF || x2 == 0xFFFF || y2 == 0xFFFF) continue;  // no such key
        const bool letter = k < kLetterKeys;
        const Rgb top = pressed ? kPressedTop : letter ? kLetterTop : kFunctionTop;
        const Rgb bottom = pressed ? kPressedBottom : letter ? kLetterBottom : kFunctionBottom;
        DrawCap(p, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), top, bottom);
    }
    return p;
}

Status WriteReadyResources(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return Error{"cannot create " + folder.string() + ": " + ec.message(), 2};
    const std::string config = ReadyKeyConfig();
    if (auto s = WriteFileWhole(folder / kReadyKeyConfigFile, reinterpret_cast<const uint8_t*>(config.data()), config.size());
        !s)
        return s;
    for (size_t i = 0; i < kKeyboardPictures.size(); ++i) {
        auto picture = DrawKeyboard(config, i == 1);
        if (!picture) return picture.error();
        auto jpeg = pictures::EncodeJpeg(*picture, 92);
        if (!jpeg) return jpeg.error();
        if (auto s = WriteFileWhole(folder / kKeyboardPictures[i], reinterpret_cast<const uint8_t*>(jpeg->data()),
                                    jpeg->size());
            !s)
            return s;
    }
    return {};
}

}  // namespace quelmo::ime
