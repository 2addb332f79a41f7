#include "display/picture.h"

#include "core/byte_order.h"
#include "display/tgd.h"
#include "flash/layout.h"

namespace quelmo {
namespace {

constexpr int64_t kImageEnd = static_cast<int64_t>(flash::kImageSize);

// Sets `count` pixels down from (x, y) from big-endian RGB565 pairs.
void PutColumn(Tgd& gd, int x, int y, const uint8_t* pairs, int count) {
    for (int r = 0; r < count; ++r, pairs += 2)
        gd.SetPixel(x, y + r, Tgd::ModuleToDesktop(static_cast<uint16_t>(bytes::Be16(pairs))));
}

}  // namespace

PictureRecord ReadPictureRecord(Tgd& gd, int pn) {
    const uint8_t* r = gd.ReadFlash(flash::kPicIndex + 8 * static_cast<int64_t>(pn), 8);
    PictureRecord rec;
    rec.width = static_cast<int>(bytes::Be16(r));
    rec.height = static_cast<int>(bytes::Be16(r + 2));
    rec.address = bytes::Be24(r + 5);
    return rec;
}

void DrawPicture(Tgd& gd, int x, int y, int pn) {
    if (pn < 0 || pn > kMaxPictureNumber) return;
    const PictureRecord rec = ReadPictureRecord(gd, pn);
    if (!rec.SizeUsable()) return;
    gd.bounds = {x, y, x + rec.width, y + rec.height};
    if (rec.address >= kImageEnd) return;
    // The pixels follow one another column by column; they are read in 512-byte blocks, so a
    // block that would reach the last byte of the image reads as FF.
    const int64_t total = static_cast<int64_t>(rec.width) * rec.height;
    int col = 0, row = 0;
    for (int64_t done = 0; done < total;) {
        const uint8_t* block = gd.ReadFlash(rec.address + done * 2, kPictureBlock);
        const int64_t in_block = std::min<int64_t>(kPictureBlock / 2, total - done);
        for (int64_t i = 0; i < in_block; ++i, block += 2) {
            gd.SetPixel(x + col, y + row, Tgd::ModuleToDesktop(static_cast<uint16_t>(bytes::Be16(block))));
            if (++row == rec.height) {
                row = 0;
                ++col;
            }
        }
        done += in_block;
    }
}

void CutPicture(Tgd& gd, int x, int y, int pn, int px, int py, int w, int h) {
    gd.pictures.pn = pn;
    gd.pictures.cut_x = px;
    gd.pictures.cut_y = py;
    if (pn == 0) return;
    const PictureRecord rec = ReadPictureRecord(gd, pn);
    if (!rec.SizeUsable()) return;
    if (rec.width < static_cast<int64_t>(px) + w || rec.height < static_cast<int64_t>(py) + h) return;
    gd.work = gd.bounds = {x, y, x + w, y + h};
    if (rec.address >= kImageEnd) return;
    // The module reads (2 h mod 512) bytes of each column: at most 255 rows.
    const int bytes = (2 * h) % 512;
    for (int k = 0; k < w; ++k) {
        const int64_t a = rec.address + 2 * (static_cast<int64_t>(rec.height) * (px + k) + py);
        PutColumn(gd, x + k, y, gd.ReadFlash(a, bytes), bytes / 2);
    }
}

void DrawIcon(Tgd& gd, int x, int y, int pn, int xn, int yn, int n) {
    gd.pictures.icon_xn = xn;
    gd.pictures.icon_yn = yn;
    const PictureRecord rec = ReadPictureRecord(gd, pn);
    if (!rec.SizeUsable() || xn <= 0 || yn <= 0) return;
    const int iw = rec.width / xn, ih = rec.height / yn;
    const int ic = n % xn, ir = n / xn;
    gd.bounds = {x, y, x + iw, y + ih};
    if (rec.address >= kImageEnd) return;
    // One icon column is at most 1024 pixels, 2048 bytes: well inside the scratch area.
    static_assert(2 * kMaxPictureSide <= Tgd::kScratchSize);
    for (int i = 0; i < iw; ++i) {
        const int64_t a = rec.address + 2 * (static_cast<int64_t>(rec.height) * (static_cast<int64_t>(ic) * iw + i) +
                                             static_cast<int64_t>(ir) * ih);
        PutColumn(gd, x + i, y, gd.ReadFlash(a, 2 * ih), ih);
    }
}

void SetBackground(Tgd& gd, int m, int x, int y, int pn, bool draw) {
    gd.pictures.backgrounds[static_cast<unsigned>(m) & 7] = BackgroundSlot{x, y, pn};
    if (draw) DrawPicture(gd, x, y, pn);
}

}  // namespace quelmo
