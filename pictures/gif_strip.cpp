#include "pictures/gif_strip.h"

#include "core/workdir.h"
#include "core/file_write.h"

namespace quelmo::pictures {

Result<GifStrip> ConvertGif(const std::filesystem::path& gif_file) {
    auto bytes = ReadWholeFile(gif_file);
    if (!bytes) return bytes.error();
    auto gif = DecodeGif(*bytes);
    if (!gif) return Error{gif_file.string() + ": " + gif.error().message, 2};
    auto strip = StripCumulative(*gif);
    if (!strip) return Error{gif_file.string() + ": " + strip.error().message, 2};
    return GifStrip{gif_file.stem().string(), std::move(*strip)};
}

std::filesystem::path StripTarget(const std::filesystem::path& workdir, const std::string& base_name) {
    return WorkspaceOf(workdir) / "pic" / (base_name + ".jpg");
}

std::string OverwriteQuestion(const std::string& base_name) {
    return "已经发现:" + base_name + ".jpg 文件存在，是否覆盖？";
}

Status SaveStrip(const GifStrip& strip, const std::filesystem::path& target) {
    auto jpeg = EncodeJpeg(strip.strip, kStripQuality);
    if (!jpeg) return jpeg.error();
    std::error_code ec;
    std::filesystem::create_directories(target.parent_path(), ec);
    return WriteFileWhole(target, reinterpret_cast<const uint8_t*>(jpeg->data()), jpeg->size(), 1);
}

}  // namespace quelmo::pictures
