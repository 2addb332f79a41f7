// Thumbnails of the picture list: area averages over blocks of the full picture.
#include <algorithm>
#include <cmath>

#include "pictures/jpglist.h"

namespace quelmo::pictures {

Picture MakeThumbnail(const Picture& picture) { return MakeThumbnail(picture, picture.width, picture.height); }

Picture MakeThumbnail(const Picture& picture, int full_width, int full_height) {
    const int w = picture.width, h = picture.height;
    if (full_width <= kThumbSize && full_height <= kThumbSize) return picture;
    // Fit the longer side to 160; the other side is 160 x short / long, at least 1.
    int sw = kThumbSize, sh = kThumbSize;
    // The frame follows the picture's own size, so a picture the decoder scaled down on the way
    // sits exactly where its exact thumbnail would.
    if (static_cast<double>(full_width) / kThumbSize > static_cast<double>(full_height) / kThumbSize)
        sh = std::max(kThumbSize * full_height / full_width, 1);
    else
        sw = std::max(kThumbSize * full_width / full_height, 1);
    const int left = (kThumbSize - sw) / 2, top = (kThumbSize - sh) / 2;
    Picture thumb;
    thumb.Resize(kThumbSize, kThumbSize, 0xFF);

    // A scaled pixel averages the source columns round(x) .. round(x + sx) - 1 and rows
    // round(y) .. round(y + sy) - 1, where x and y run from 0 in steps of sx = W / sw and
    // sy = H / sh; rounding is to nearest, ties to even (nearbyint in the default mode).
    const double sx = static_cast<double>(w) / sw, sy = static_cast<double>(h) / sh;
    std::vector<int> col_start(static_cast<size_t>(sw) + 1);
    double xpos = 0;
    for (int i = 0; i < sw; ++i) {
        col_start[static_cast<size_t>(i)] = static_cast<int>(std::nearbyint(xpos));
        xpos += sx;
    }
    std::vector<int> col_end(static_cast<size_t>(sw));
    xpos = 0;
    for (int i = 0; i < sw; ++i) {
        col_end[static_cast<size_t>(i)] = std::min(static_cast<int>(std::nearbyint(xpos + sx)), w);
        xpos += sx;
    }
    double ypos = 0;
    for (int j = 0; j < sh; ++j) {
        const int r0 = static_cast<int>(std::nearbyint(ypos));
        const int r1 = std::min(static_cast<int>(std::nearbyint(ypos + sy)), h);
        ypos += sy;
        for (int i = 0; i < sw; ++i) {
            const int c0 = col_start[static_cast<size_t>(i)], c1 = col_end[static_cast<size_t>(i)];
            if (c0 >= c1 || r0 >= r1) continue;
            uint8_t* out = thumb.At(left + i, top + j);
            if (c1 - c0 == 1 && r1 - r0 == 1) {  // one source pixel: nothing to average
                const uint8_t* p = picture.At(c0, r0);
                out[0] = p[0], out[1] = p[1], out[2] = p[2];
                continue;
            }
            uint64_t sum[3] = {0, 0, 0};
            for (int y = r0; y < r1; ++y) {
                const uint8_t* p = picture.At(c0, y);
                for (int x = c0; x < c1; ++x, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const uint64_t count = static_cast<uint64_t>(c1 - c0) * static_cast<uint64_t>(r1 - r0);
            for (int k = 0; k < 3; ++k) out[k] = static_cast<uint8_t>(sum[k] / count);
        }
    }
    return thumb;
}

}  // namespace quelmo::pictures
