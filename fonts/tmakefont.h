#pragma once
// The glyph rasteriser: draws desktop fonts one character at a time on the context's one-bit
// canvas, reads the pixels back and packs them, with the mini font's index records, into a
// fixed glyph buffer that the font files are cut from. For the mini font a byte's position in
// the buffer is its flash address (index area 0x2000..0x3FFF, glyph data from 0x76000).
//
// The caller (the font build run) sets the fields directly and calls the operations; buffer
// and positions carry over between calls so that ASC records and a small library of one size
// share one index region.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/result.h"
#include "flash/layout.h"

namespace quelmo {

class FileSet;

class MonoCanvas;

class Tmakefont {
public:
    static constexpr size_t kBufferSize = 5242881;
    static constexpr int kModeProportional = 0, kModeSameWidth = 1, kModeChinese = 2;
    // Character set selector.
    static constexpr int kSetAllAsc = 0, kSetList = 1, kSetListChinese = 2, kSetGb2312 = 3, kSetGbk = 4;

    explicit Tmakefont(MonoCanvas& canvas);
    ~Tmakefont();
    Tmakefont(const Tmakefont&) = delete;
    Tmakefont& operator=(const Tmakefont&) = delete;

    // Start of each size's ASC records, indexed by size / 8 for sizes 24 to 64.
    static constexpr int32_t kIndexRegions[9] = {0, 0, 0, 0x2000, 0x2800, 0, 0x3000, 0, 0x3800};

    std::string face_name;   // GBK bytes
    int32_t size = 24;
    int32_t font_height = 24;
    int32_t font_width = 24;
    int32_t mode = kModeChinese;
    int32_t x_offset = 0;
    int32_t y_offset = 0;
    int32_t asc_width = 0;
    std::string chars;       // GBK bytes of a list
    int32_t selector = kSetAllAsc;
    int32_t glyph_width = 0;
    std::string output_name;
    int32_t index_pos = 0;
    int32_t data_pos = 0;
    int32_t ink[4] = {0, 0, 0, 0};  // left, top, right, bottom of the last ink scan
    // Called with 0..100 after each lead byte of a full set.
    std::function<void(int)> progress;

    const uint8_t* Buffer() const { return buffer_.get(); }
    MonoCanvas& Canvas() { return canvas_; }
    // The family fontconfig selected for the face name (UTF-8).
    std::string UsedFace() const;

    void ResetBuffers();
    void ResetDefaults();
    void FitChinese();
    void FitAsc();
    // Produces the glyphs the selector asks for. Refuses, before writing anything past them, a
    // list that does not fit its index region or the mini font region, and a full set that does
    // not fit the glyph buffer.
    Status BuildCharSet();
    // Each font file replaces an older one only once written whole; the mini font's two files
    // replace theirs together. The forms with a set only add the files to it: the set's Commit
    // puts them in place.
    Status WriteMiniFont(const std::filesystem::path& folder) const;
    Status WriteFullFont(const std::filesystem::path& folder) const;
    Status WriteMiniFont(FileSet& files, const std::filesystem::path& folder) const;
    Status WriteFullFont(FileSet& files, const std::filesystem::path& folder) const;

    // Renders and packs one character (GBK bytes) at the data position.
    Status PackGlyph(std::string_view c);

private:
    void ApplyFont();
    void Render(std::string_view c);
    void ScanInk();
    Status BuildList();
    Status BuildFull(bool gbk);

    MonoCanvas& canvas_;
    std::unique_ptr<uint8_t[]> buffer_;
    std::string face_gbk_cache_, face_utf8_;
};

}  // namespace quelmo
