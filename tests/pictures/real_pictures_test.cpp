// Pictures that no one here made: the JPEG and GIF files that Debian's documentation packages
// ship (scripts/setup installs imagemagick-6-doc and tk8.6-doc).
#include <gtest/gtest.h>

#include <fstream>

#include "pictures/jpglist.h"
#include "support/picture_files.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> ShippedPictures() {
    std::vector<fs::path> found;
    for (const char* root : {"/usr/share/doc", "/usr/share/tcltk", "/usr/share/matplotlib"}) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            std::string ext = it->path().extension().string();
            for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if ((ext == ".jpg" || ext == ".jpeg" || ext == ".gif") && it->is_regular_file(ec)) found.push_back(it->path());
        }
    }
    return found;
}

TEST(ShippedPictures, AllDecodeAndMake) {
    const auto files = ShippedPictures();
    ASSERT_GE(files.size(), 25u) << "run scripts/setup: it installs the packages with the sample pictures";
    Tjpglist builder(PicLayout::kFlash);
    int gifs = 0;
    for (const fs::path& file : files) {
        builder.Reset();
        auto slot = builder.Load(file);
        ASSERT_TRUE(slot.ok()) << slot.error().message;
        const PictureSlot& s = builder.Slot(*slot);
        EXPECT_GT(s.width, 0) << file;
        EXPECT_GT(s.height, 0) << file;
        auto added = builder.Add(1, *slot);
        ASSERT_TRUE(added.ok()) << added.error().message;
        if (*added == Tjpglist::Added::kWritten) {
            EXPECT_EQ(builder.DataPosition(), static_cast<size_t>(s.width) * s.height * 2) << file;
        }
        gifs += pictures::IsGifName(file);
    }
    EXPECT_GE(gifs, 5);
}

TEST(ShippedPictures, CutShortOrDamagedFilesFailWithTheirName) {
    TempDir dir;
    for (const fs::path& file : ShippedPictures()) {
        const std::string bytes = ReadFile(file);
        const fs::path cut = dir.path() / file.filename();
        std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() * 2 / 3);
        auto picture = pictures::LoadPictureFile(cut);
        ASSERT_FALSE(picture.ok()) << file;
        EXPECT_NE(picture.error().message.find(cut.string()), std::string::npos) << picture.error().message;

        // Damaged bytes in the middle may still decode; they must never crash.
        std::string damaged = bytes;
        for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 64 && i < damaged.size(); ++i)
            damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
        std::ofstream(cut, std::ios::binary) << damaged;
        auto survived = pictures::LoadPictureFile(cut);
        if (!survived.ok()) {
            EXPECT_NE(survived.error().message.find(cut.string()), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace quelmo::test
