#include "fonts/tmakefont.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <set>

#include "core/file_write.h"
#include "core/gbk.h"
#include "fonts/canvas.h"
#include "flash/font_format.h"

namespace quelmo {
namespace {

constexpr char kFitChinese[] = "\xB1\xA1";  // 薄
constexpr char kFitAscText[] =
    "`1234567890-=~!@#$%^&*()_+qwertyuioopp[]\\QWERTYUIOP{}|asdfghjkl;ASDFGHJKL:zxcvbnm,./ZXCVBNM<>?";
constexpr int kFill = 200;  // the rendering cell is cleared from (1,1) to (200,200)

}  // namespace

Tmakefont::Tmakefont(MonoCanvas& canvas) : canvas_(canvas), buffer_(new uint8_t[kBufferSize]) { ResetBuffers(); }

Tmakefont::~Tmakefont() = default;

std::string Tmakefont::UsedFace() const { return canvas_.SelectedFace(); }

void Tmakefont::ResetBuffers() {
    std::memset(buffer_.get(), 0xFF, kBufferSize);
    index_pos = 0;
    data_pos = 0;
}

void Tmakefont::ResetDefaults() {
    ResetBuffers();
    face_name = "\xCB\xCE\xCC\xE5";  // 宋体
    size = 24;
    font_height = 24;
    font_width = 24;
    mode = kModeChinese;
    x_offset = 0;
    y_offset = 0;
}

void Tmakefont::ApplyFont() {
    if (face_name != face_gbk_cache_ || face_utf8_.empty()) {
        face_gbk_cache_ = face_name;
        face_utf8_ = GbkToUtf8(face_name);
    }
    canvas_.SelectFont(face_utf8_, font_height, mode >= kModeChinese ? 0 : font_width);
}

void Tmakefont::Render(std::string_view c) {
    canvas_.FillWhite(1, 1, kFill, kFill);
    if (mode == kModeChinese) {
        canvas_.DrawText(x_offset + 1, y_offset + 1, c);
        glyph_width = size;
    } else if (mode == kModeSameWidth) {
        glyph_width = size / 2;
        for (int w = size; w >= 1; --w) {
            font_width = w;
            ApplyFont();
            if (canvas_.TextWidth(c) < size / 2) {
                canvas_.DrawText(1, y_offset + 1, c);
                break;
            }
        }
    } else if (c == " ") {
        glyph_width = size / 2;
    } else {
        font_width = asc_width;  // drawn with the font as last applied
        canvas_.DrawText(1, y_offset + 1, c);
        glyph_width = canvas_.TextWidth(c);
    }
}

Status Tmakefont::PackGlyph(std::string_view c) {
    Render(c);
    const int64_t need = static_cast<int64_t>(std::max(glyph_width, 0)) * (size / 8);
    if (data_pos < 0 || data_pos + need > static_cast<int64_t>(kBufferSize))
        return Error{"点阵数据超出生成缓冲区"};
    // Column by column; each byte gathers 8 rows with the first row in bit 0, 1 = ink.
    uint8_t* out = buffer_.get() + data_pos;
    for (int x = 1; x <= glyph_width; ++x) {
        uint8_t acc = 0;
        int rows = 0;
        for (int y = 1; y <= size; ++y) {
            acc = static_cast<uint8_t>(acc >> 1);
            if (canvas_.IsBlack(x, y)) acc |= 0x80;
            if (++rows == 8) {
                *out++ = acc;
                acc = 0;
                rows = 0;
            }
        }
    }
    data_pos = static_cast<int32_t>(out - buffer_.get());
    return {};
}

void Tmakefont::ScanInk() {
    ink[0] = ink[1] = kFill;
    ink[2] = ink[3] = 0;
    const int n = font_height + 30;
    for (int y = 1; y <= n; ++y)
        for (int x = 1; x <= n; ++x)
            if (canvas_.IsBlack(x, y)) {
                ink[0] = std::min(ink[0], x), ink[1] = std::min(ink[1], y);
                ink[2] = std::max(ink[2], x), ink[3] = std::max(ink[3], y);
            }
}

void Tmakefont::FitChinese() {
    // The largest height whose test character fits the cell, then the offsets that put its ink
    // at (1,1), centred along its shorter side.
    for (int n = static_cast<int>(std::trunc(1.2 * size)); n >= 12; --n) {
        font_height = n;
        ApplyFont();
        canvas_.FillWhite(1, 1, kFill, kFill);
        canvas_.DrawText(20, 20, kFitChinese);
        ScanInk();
        if (ink[2] - ink[0] < size && ink[3] - ink[1] < size) break;
    }
    const int w = ink[2] - ink[0], h = ink[3] - ink[1];
    if (w < h)
        ink[0] -= (h - w) / 2;
    else
        ink[1] -= (w - h) / 2;
    x_offset = 20 - ink[0];
    y_offset = 20 - ink[1];
}

void Tmakefont::FitAsc() {
    font_width = size / 2;
    const int m = static_cast<int>(std::trunc(1.5 * size));
    int topmost = kFill, lowest = 0;
    for (int n = m; n >= 12; --n) {
        font_height = n;
        ApplyFont();
        canvas_.FillWhite(1, 1, 96 * m + 50, kFill);
        canvas_.DrawText(20, 20, kFitAscText);
        topmost = kFill, lowest = 0;
        for (int y = 1; y <= n + 50; ++y)
            if (canvas_.RowHasInk(y, 1, 150 * size + 51)) {
                topmost = std::min(topmost, y);
                lowest = std::max(lowest, y);
            }
        if (lowest - topmost < size - 2) break;
    }
    // The tallest ink lands on row 3 of the cell.
    const int top = topmost - 2;
    y_offset = 20 - top;
    for (int w = size; w >= 1; --w) {
        font_width = w;
        ApplyFont();
        const int a = canvas_.TextWidth("A");
        if (a <= size / 2) {
            ink[0] = 20;
            ink[2] = 20 + a;
            canvas_.DrawText(20, 20, "A");
            break;
        }
    }
    x_offset = 20 - ink[0];
    asc_width = font_width;
}

Status Tmakefont::BuildCharSet() {
    switch (selector) {
        case kSetAllAsc:
            chars.clear();
            for (int c = fontfile::kFirstAsc; c <= fontfile::kLastAsc; ++c) chars.push_back(static_cast<char>(c));
            selector = kSetList;
            break;
        case kSetListChinese:
            selector = kSetList;
            break;
        case kSetGb2312:
            return BuildFull(false);
        case kSetGbk:
            return BuildFull(true);
        default:
            break;
    }
    return selector == kSetList ? BuildList() : Status{};
}

Status Tmakefont::BuildList() {
    // The index region the records go to ends where the next size's begins.
    const int32_t region_end = flash::kMiniIndex +
        ((index_pos - static_cast<int32_t>(flash::kMiniIndex)) / static_cast<int32_t>(fontfile::kIndexRegionSize) + 1) *
            static_cast<int32_t>(fontfile::kIndexRegionSize);
    const bool chinese = mode == kModeChinese;
    std::set<std::string> taken;
    std::string list;
    for (size_t i = 0; i < chars.size(); ++i) {
        if (chars[i] == '\r' && i + 1 < chars.size() && chars[i + 1] == '\n')
            ++i;
        else
            list.push_back(chars[i]);
    }
    const auto n = list.size();
    for (size_t i = 0; i < n;) {
        const auto b = static_cast<uint8_t>(list[i]);
        std::string c;
        if (b > 0x80) {
            if (i + 1 >= n) break;
            c = list.substr(i, 2);
            i += 2;
            if (!chinese) continue;
        } else {
            c = list.substr(i, 1);
            ++i;
            if (chinese) continue;
        }
        if (!taken.insert(c).second) continue;
        if (index_pos < static_cast<int32_t>(flash::kMiniIndex) || index_pos + fontfile::kRecordSize > region_end)
            return Error{std::to_string(size) + "点阵的字符超过" + std::to_string(fontfile::kRegionRecords) + "个，请减少字符"};
        data_pos = (data_pos + fontfile::kGlyphAlign - 1) / fontfile::kGlyphAlign * fontfile::kGlyphAlign;
        const int64_t offset = static_cast<int64_t>(data_pos) - flash::kMiniGlyphs;
        if (offset < 0 || offset >= static_cast<int64_t>(flash::kMiniGlyphsSize))
            return Error{"小字库点阵数据超过" + std::to_string(flash::kMiniGlyphsSize) + "字节，请减少字符"};
        // Record: lead and trail, or 0 and the code; then the glyph offset / 8, big-endian.
        uint8_t* rec = buffer_.get() + index_pos;
        rec[0] = chinese ? static_cast<uint8_t>(c[0]) : 0;
        rec[1] = static_cast<uint8_t>(c[chinese ? 1 : 0]);
        rec[2] = static_cast<uint8_t>((offset >> 11) & 0xFF);
        rec[3] = static_cast<uint8_t>((offset >> 3) & 0xFF);
        index_pos += fontfile::kRecordSize;
        if (auto s = PackGlyph(c); !s) return s;
        if (data_pos - static_cast<int64_t>(flash::kMiniGlyphs) > static_cast<int64_t>(flash::kMiniGlyphsSize))
            return Error{"小字库点阵数据超过" + std::to_string(flash::kMiniGlyphsSize) + "字节，请减少字符"};
        if (!chinese) rec[0] = static_cast<uint8_t>(glyph_width & 0xFF);
    }
    return {};
}

Status Tmakefont::BuildFull(bool gbk) {
    const fontfile::CodeSet& set = gbk ? fontfile::kGbk : fontfile::kGb2312;
    const int64_t need = static_cast<int64_t>(set.Glyphs()) * fontfile::GlyphBytes(size);
    if (data_pos < 0 || data_pos + need > static_cast<int64_t>(kBufferSize))
        return Error{std::to_string(size) + "点阵" + (gbk ? "GBK" : "GB2312") + "全字库需要" + std::to_string(need) +
                     "字节，超出点阵缓冲区，请选择GB2312全字库或小字库(部分汉字)"};
    char c[2];
    for (int lead = set.first_lead; lead <= set.last_lead; ++lead) {
        c[0] = static_cast<char>(lead);
        for (int trail = set.first_trail; trail <= set.last_trail; ++trail) {
            c[1] = static_cast<char>(trail);
            if (auto s = PackGlyph(std::string_view(c, 2)); !s) return s;
        }
        if (progress) progress((lead - set.first_lead) * 100 / (set.Leads() - 1));
    }
    return {};
}

Status Tmakefont::WriteMiniFont(FileSet& files, const std::filesystem::path& folder) const {
    const size_t glyphs = data_pos > static_cast<int32_t>(flash::kMiniGlyphs) ? data_pos - flash::kMiniGlyphs : 0;
    if (auto s = files.Add(folder / fontfile::kMiniGlyphFile, buffer_.get() + flash::kMiniGlyphs, glyphs); !s) return s;
    return files.Add(folder / fontfile::kMiniIndexFile, buffer_.get() + flash::kMiniIndex, flash::kMiniIndexSize);
}

Status Tmakefont::WriteFullFont(FileSet& files, const std::filesystem::path& folder) const {
    return files.Add(folder / (output_name + ".sbin"), buffer_.get(), static_cast<size_t>(std::max(data_pos, 0)));
}

Status Tmakefont::WriteMiniFont(const std::filesystem::path& folder) const {
    FileSet files;
    if (auto s = WriteMiniFont(files, folder); !s) return s;
    return files.Commit();
}

Status Tmakefont::WriteFullFont(const std::filesystem::path& folder) const {
    FileSet files;
    if (auto s = WriteFullFont(files, folder); !s) return s;
    return files.Commit();
}

}  // namespace quelmo
