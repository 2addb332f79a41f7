// JPEG decoding and encoding over libjpeg-turbo. libjpeg reports errors by calling error_exit,
// which must not return; ours jumps back to the call with longjmp. Only plain data lives in the
// frames the jump leaves, and every buffer the pixels go through is declared before setjmp.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "pictures/picture.h"

namespace quelmo::pictures {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings that mean the file is damaged (cut short, or its coded data broken) end the decoding:
// libjpeg would otherwise fill the rest of the picture with grey and carry on.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC ||
        code == JWRN_NOT_SEQUENTIAL || code == JWRN_BOGUS_PROGRESSION)
        ErrorExit(cinfo);
    ++cinfo->err->num_warnings;
}

void InstallErrors(jpeg_common_struct* cinfo, ErrorManager& err) {
    cinfo->err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = EmitMessage;
    err.pub.output_message = [](j_common_ptr) {};
    err.message[0] = '\0';
}

// Adobe CMYK JPEGs store the channels inverted (255 = no ink); others store ink amounts.
// `Stride` is the bytes of an output pixel: 3 (R, G, B) or 4 (R, G, B, unused).
template <int Stride>
void CmykToRgb(const uint8_t* cmyk, uint8_t* rgb, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, rgb += Stride) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        rgb[0] = static_cast<uint8_t>(c * k / 255);
        rgb[1] = static_cast<uint8_t>(m * k / 255);
        rgb[2] = static_cast<uint8_t>(y * k / 255);
    }
}

}  // namespace

Status DecodeJpeg(const std::string& bytes, const JpegSink& sink) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::vector<uint8_t> row, converted, strip;
    volatile bool refused = false;
    InstallErrors(reinterpret_cast<jpeg_common_struct*>(&cinfo), err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return Error{std::string("not a readable JPEG (") + err.message + ")", 2};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    const int width = static_cast<int>(cinfo.image_width), height = static_cast<int>(cinfo.image_height);
    if (sink.on_size && !sink.on_size(width, height)) refused = true;
    if (!refused && static_cast<int64_t>(width) * height > kMaxDecodePixels) {
        jpeg_destroy_decompress(&cinfo);
        return Error{"picture too large to decode (" + std::to_string(width) + " x " + std::to_string(height) + ")", 2};
    }
    if (!refused && sink.on_strip) {
        // Strips: the decoder writes four-byte pixels straight into the strip's rows.
        if (!cmyk) cinfo.out_color_space = JCS_EXT_RGBX;
        jpeg_start_decompress(&cinfo);
        const size_t pitch = static_cast<size_t>(width) * 4;
        strip.resize(pitch * kJpegStripRows);
        if (cmyk) row.resize(static_cast<size_t>(width) * 4);
        JSAMPROW rows[kJpegStripRows];
        for (int r = 0; r < kJpegStripRows; ++r) rows[r] = strip.data() + pitch * static_cast<size_t>(r);
        while (cinfo.output_scanline < cinfo.output_height) {
            const int y = static_cast<int>(cinfo.output_scanline);
            const int want = std::min(kJpegStripRows, height - y);
            int got = 0;
            while (got < want) {
                JSAMPROW target[1] = {cmyk ? row.data() : rows[got]};
                JSAMPARRAY into = cmyk ? target : rows + got;
                const int n = static_cast<int>(jpeg_read_scanlines(&cinfo, into, static_cast<JDIMENSION>(cmyk ? 1 : want - got)));
                if (n <= 0) break;
                if (cmyk) CmykToRgb<4>(row.data(), rows[got], width, cinfo.saw_Adobe_marker);
                got += n;
            }
            if (got == 0) break;
            sink.on_strip(y, got, rows);
            if (got < want) break;
        }
        jpeg_finish_decompress(&cinfo);
    } else if (!refused) {
        if (sink.fit > 0) {
            // The DCT scaling skips most of the work for a preview of a large picture.
            const int longer = std::max(width, height);
            int denom = 8;
            while (denom > 1 && longer < sink.fit * denom) denom /= 2;
            cinfo.scale_num = 1;
            cinfo.scale_denom = static_cast<unsigned>(denom);
        }
        jpeg_start_decompress(&cinfo);
        const int out_width = static_cast<int>(cinfo.output_width);
        if (sink.on_scaled) sink.on_scaled(out_width, static_cast<int>(cinfo.output_height));
        row.resize(static_cast<size_t>(out_width) * cinfo.output_components);
        if (cmyk) converted.resize(static_cast<size_t>(out_width) * 3);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[1] = {row.data()};
            const int y = static_cast<int>(cinfo.output_scanline);
            if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
            if (cmyk) {
                CmykToRgb<3>(row.data(), converted.data(), out_width, cinfo.saw_Adobe_marker);
                sink.on_row(y, converted.data());
            } else {
                sink.on_row(y, row.data());
            }
        }
        jpeg_finish_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    return {};
}

Result<Picture> DecodeJpeg(const std::string& bytes) {
    Picture picture;
    JpegSink sink;
    sink.on_size = [&](int w, int h) {
        picture.Resize(w, h, 0);
        return true;
    };
    sink.on_row = [&](int y, const uint8_t* rgb) {
        std::memcpy(picture.At(0, y), rgb, static_cast<size_t>(picture.width) * 3);
    };
    if (auto s = DecodeJpeg(bytes, sink); !s) return s.error();
    return picture;
}

Result<std::string> EncodeJpeg(const Picture& picture, int quality) {
    if (picture.width < 1 || picture.height < 1 || picture.width > JPEG_MAX_DIMENSION ||
        picture.height > JPEG_MAX_DIMENSION)
        return Error{"a JPEG picture must be 1 to " + std::to_string(JPEG_MAX_DIMENSION) + " pixels wide and high, not " +
                         std::to_string(picture.width) + " x " + std::to_string(picture.height),
                     1};
    jpeg_compress_struct cinfo;
    ErrorManager err;
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    InstallErrors(reinterpret_cast<jpeg_common_struct*>(&cinfo), err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        return Error{std::string("cannot encode JPEG (") + err.message + ")", 1};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &out_size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {const_cast<uint8_t*>(picture.At(0, static_cast<int>(cinfo.next_scanline)))};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string result(reinterpret_cast<const char*>(out), out_size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return result;
}

}  // namespace quelmo::pictures
