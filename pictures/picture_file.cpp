// Reading picture files: the whole file, decoded by its extension.
#include <fstream>
#include <sstream>

#include "pictures/picture.h"

namespace quelmo {

void Picture::Resize(int w, int h, uint8_t fill) {
    width = w;
    height = h;
    rgb.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, fill);
}

namespace pictures {
namespace {

// No picture file the module can use comes near this; larger files are refused unread.
constexpr uintmax_t kMaxFileSize = 256u * 1024 * 1024;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

Result<std::string> ReadWholeFile(const std::filesystem::path& file) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec) return Error{file.string() + ": " + ec.message(), 2};
    if (size > kMaxFileSize) return Error{file.string() + ": file too large", 2};
    std::ifstream in(file, std::ios::binary);
    if (!in) return Error{file.string() + ": cannot open", 2};
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<uintmax_t>(in.gcount()) != size) return Error{file.string() + ": cannot read", 2};
    return bytes;
}

bool IsGifName(const std::filesystem::path& file) { return Lower(file.extension().string()) == ".gif"; }

Result<Picture> LoadPictureFile(const std::filesystem::path& file) {
    auto bytes = ReadWholeFile(file);
    if (!bytes) return bytes.error();
    Result<Picture> picture = Error{};
    if (IsGifName(file)) {
        auto gif = DecodeGif(*bytes);
        if (!gif) return Error{file.string() + ": " + gif.error().message, 2};
        picture = StripOverFirst(*gif);
    } else {
        picture = DecodeJpeg(*bytes);
    }
    if (!picture) return Error{file.string() + ": " + picture.error().message, 2};
    return picture;
}

}  // namespace pictures
}  // namespace quelmo
