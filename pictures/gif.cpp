// GIF decoding over giflib, record by record, so every size is checked before pixel memory is
// taken, and the strips the picture list and the converter build from the frames.
#include <algorithm>
#include <cstring>

#include <gif_lib.h>

#include "pictures/picture.h"

namespace quelmo::pictures {
namespace {

// No animation holds more frames; the bound keeps a file of tiny frames from taking all memory.
constexpr size_t kMaxGifFrames = 65535;

struct Reader {
    const std::string* bytes;
    size_t pos = 0;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<Reader*>(gif->UserData);
    const size_t take = std::min(static_cast<size_t>(std::max(n, 0)), r->bytes->size() - r->pos);
    std::memcpy(out, r->bytes->data() + r->pos, take);
    r->pos += take;
    return static_cast<int>(take);
}

struct GifCloser {
    GifFileType* gif;
    ~GifCloser() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

Error GifError(int code) {
    const char* text = GifErrorString(code);
    return Error{std::string("not a readable GIF (") + (text ? text : "unknown error") + ")", 2};
}

// Reads the coded data of a frame that has no pixels, so the next record lines up.
bool SkipCode(GifFileType* gif) {
    int code_size = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR) return false;
    while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
    return true;
}

bool ReadFrameRows(GifFileType* gif, GifFrame& f, bool interlaced) {
    // Interlaced frames come in four passes: rows 0, 8, 16.. then 4, 12.. then 2, 6.. then 1, 3..
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = interlaced ? 4 : 1;
    for (int p = 0; p < passes; ++p) {
        const int start = interlaced ? kStart[p] : 0, step = interlaced ? kStep[p] : 1;
        for (int y = start; y < f.height; y += step)
            if (DGifGetLine(gif, f.indices.data() + static_cast<size_t>(y) * f.width, f.width) == GIF_ERROR)
                return false;
    }
    return true;
}

void FillPalette(GifFrame& f, const ColorMapObject* map) {
    if (!map || !map->Colors) return;
    const int n = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < n; ++i) {
        f.palette[static_cast<size_t>(i) * 3] = map->Colors[i].Red;
        f.palette[static_cast<size_t>(i) * 3 + 1] = map->Colors[i].Green;
        f.palette[static_cast<size_t>(i) * 3 + 2] = map->Colors[i].Blue;
    }
}

Result<Picture> NewStrip(const GifAnimation& gif) {
    if (gif.frames.empty()) return Error{"GIF without frames", 2};
    const int64_t width = static_cast<int64_t>(gif.width) * static_cast<int64_t>(gif.frames.size());
    if (StripPixels(gif) > kMaxDecodePixels)
        return Error{"GIF strip too large (" + std::to_string(width) + " x " + std::to_string(gif.height) + ")", 2};
    Picture strip;
    strip.Resize(static_cast<int>(width), gif.height, kBackdrop);
    return strip;
}

}  // namespace

int64_t StripPixels(const GifAnimation& gif) {
    return static_cast<int64_t>(gif.width) * static_cast<int64_t>(gif.frames.size()) * gif.height;
}

Result<GifAnimation> DecodeGif(const std::string& bytes) {
    Reader reader{&bytes};
    int error = 0;
    GifCloser closer{DGifOpen(&reader, ReadBytes, &error)};
    GifFileType* gif = closer.gif;
    if (!gif) return GifError(error);
    GifAnimation anim;
    anim.width = gif->SWidth;
    anim.height = gif->SHeight;
    int transparent = -1;
    int64_t total_pixels = 0;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            // Many GIFs end after their last frame without the trailer byte; they are whole.
            if (gif->Error == D_GIF_ERR_READ_FAILED && reader.pos == bytes.size() && !anim.frames.empty()) break;
            return GifError(gif->Error);
        }
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return GifError(gif->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
            }
            while (ext)
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return GifError(gif->Error);
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR) return GifError(gif->Error);
        const GifImageDesc& desc = gif->Image;
        const int64_t pixels = static_cast<int64_t>(desc.Width) * desc.Height;
        total_pixels += pixels;
        if (total_pixels > kMaxDecodePixels || anim.frames.size() >= kMaxGifFrames)
            return Error{"GIF too large to decode", 2};
        GifFrame& f = anim.frames.emplace_back();
        f.left = desc.Left;
        f.top = desc.Top;
        f.width = desc.Width;
        f.height = desc.Height;
        f.transparent = transparent;
        transparent = -1;  // a control block applies to the one image that follows it
        FillPalette(f, desc.ColorMap ? desc.ColorMap : gif->SColorMap);
        if (pixels == 0) {
            if (!SkipCode(gif)) return GifError(gif->Error);
            continue;
        }
        f.indices.assign(static_cast<size_t>(pixels), 0);
        if (!ReadFrameRows(gif, f, desc.Interlace)) return GifError(gif->Error);
    }
    return anim;
}

void DrawFrame(Picture& target, const GifFrame& f, int x, int y) {
    for (int row = 0; row < f.height; ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= target.height) continue;
        const uint8_t* src = f.indices.data() + static_cast<size_t>(row) * f.width;
        for (int col = 0; col < f.width; ++col) {
            const int tx = x + col;
            if (tx < 0 || tx >= target.width || src[col] == f.transparent) continue;
            std::memcpy(target.At(tx, ty), f.palette.data() + static_cast<size_t>(src[col]) * 3, 3);
        }
    }
}

Result<Picture> StripOverFirst(const GifAnimation& gif) {
    auto strip = NewStrip(gif);
    if (!strip) return strip;
    for (size_t i = 0; i < gif.frames.size(); ++i) {
        const int cell = static_cast<int>(i) * gif.width;
        DrawFrame(*strip, gif.frames[0], cell, 0);
        DrawFrame(*strip, gif.frames[i], cell + gif.frames[i].left, gif.frames[i].top);
    }
    return strip;
}

Result<Picture> StripCumulative(const GifAnimation& gif) {
    auto strip = NewStrip(gif);
    if (!strip) return strip;
    // The composite is a copy of frame 0's image; later frames land on it at their own place.
    const GifFrame& first = gif.frames[0];
    Picture composite;
    composite.Resize(first.width, first.height, kBackdrop);
    DrawFrame(composite, first, 0, 0);
    for (size_t i = 0; i < gif.frames.size(); ++i) {
        DrawFrame(composite, gif.frames[i], gif.frames[i].left, gif.frames[i].top);
        const int cell = static_cast<int>(i) * gif.width;
        for (int y = 0; y < std::min(composite.height, strip->height); ++y) {
            const int w = std::min(composite.width, strip->width - cell);
            if (w > 0) std::memcpy(strip->At(cell, y), composite.At(0, y), static_cast<size_t>(w) * 3);
        }
    }
    return strip;
}

}  // namespace quelmo::pictures
