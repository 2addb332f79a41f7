#include "display/png.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace quelmo {

Status WritePng(const Framebuffer& fb, const std::filesystem::path& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return Error{"cannot create " + path.string(), 2};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return Error{"cannot write PNG", 2};
    }
    std::vector<png_byte> row(static_cast<size_t>(fb.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Error{"cannot write " + path.string(), 2};
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(fb.width), static_cast<png_uint_32>(fb.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < fb.height; ++y) {
        const uint32_t* src = fb.Row(y);
        for (int x = 0; x < fb.width; ++x) {
            row[static_cast<size_t>(x) * 3] = static_cast<png_byte>(src[x] >> 16);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) return Error{"cannot write " + path.string(), 2};
    return {};
}

}  // namespace quelmo
