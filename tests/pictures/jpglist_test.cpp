#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>

#include <jpeglib.h>

#include "pictures/jpglist.h"
#include "pictures/picture_list.h"
#include "support/file_limits.h"
#include "support/picture_files.h"
#include "support/scratch_dir.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

std::string Record(const std::string& idx, int n) { return idx.substr(static_cast<size_t>(n) * 8, 8); }
const std::string kEmpty(8, '\xFF');

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

// A temporary working folder with its picture folders.
struct Workdir {
    Workdir() {
        fs::create_directories(Flash());
        fs::create_directories(Sd());
    }
    fs::path Flash() const { return dir.path() / "temp" / "pic"; }
    fs::path Sd() const { return dir.path() / "sd" / "pic"; }
    TempDir dir;
};

std::vector<std::string> Names(const PictureList& list) {
    std::vector<std::string> names;
    for (const auto& item : list.Items()) names.push_back(item.name);
    return names;
}

void MakeOk(PictureList& list) {
    auto made = list.Make(nullptr);
    ASSERT_TRUE(made.ok()) << made.error().message;
}

TEST(PictureFiles, LonelyWhitePictureInBothLayouts) {
    Workdir w;
    WriteJpeg(w.Flash() / "1.jpg", Solid(320, 240, 255, 255, 255));
    WriteJpeg(w.Sd() / "1.jpg", Solid(320, 240, 255, 255, 255));

    auto flash = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(flash.Reflash().ok());
    MakeOk(flash);
    const std::string idx = ReadFile(w.dir.path() / "temp" / "pic.idx");
    ASSERT_EQ(idx.size(), 4096u);
    EXPECT_EQ(Record(idx, 0), kEmpty);
    EXPECT_EQ(Record(idx, 1), Bytes({0x01, 0x40, 0x00, 0xF0, 0x00, 0x10, 0x00, 0x00}));
    for (int n = 2; n < 512; ++n) ASSERT_EQ(Record(idx, n), kEmpty) << n;
    const std::string sbin = ReadFile(w.dir.path() / "temp" / "pic.sbin");
    ASSERT_EQ(sbin.size(), 153600u);
    for (size_t i = 0; i < sbin.size(); i += 2) ASSERT_EQ(sbin.substr(i, 2), "\xF7\xDE") << i;

    auto sd = PictureList::ForSdCard(w.dir.path());
    ASSERT_TRUE(sd.Reflash().ok());
    MakeOk(sd);
    const std::string sd_idx = ReadFile(w.dir.path() / "sd" / "pic.idx");
    EXPECT_EQ(Record(sd_idx, 0), Bytes({0x01, 0x40, 0x00, 0xF0, 0x00, 0x20, 0x00, 0x00}));
    EXPECT_EQ(Record(sd_idx, 1), kEmpty);
    const std::string sd_sbin = ReadFile(w.dir.path() / "sd" / "pic.sbin");
    ASSERT_EQ(sd_sbin.size(), 153600u);
    for (size_t i = 0; i < sd_sbin.size(); i += 2) ASSERT_EQ(sd_sbin.substr(i, 2), "\xDE\xF7") << i;
}

TEST(PictureFiles, PixelsGoColumnByColumnAsRgb565) {
    // A 2 x 2 GIF: (0,0) red, (1,0) green, (0,1) blue, (1,1) grey 0x84 0x88 0x8C.
    Workdir w;
    WriteGif(w.Flash() / "1.gif", 2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 0x84, 0x88, 0x8C},
             {TestGifFrame{0, 0, 2, 2, {0, 1, 2, 3}}});
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    MakeOk(list);
    // Column 0: red F8 00, blue 00 1F; column 1: green 07 E0, grey 84 51.
    EXPECT_EQ(ReadFile(w.dir.path() / "temp" / "pic.sbin"), Bytes({0xF8, 0x00, 0x00, 0x1F, 0x07, 0xE0, 0x84, 0x51}));
}

TEST(PictureFiles, SdPicturesStartOn512ByteBoundaries) {
    Workdir w;
    WriteJpeg(w.Sd() / "1.jpg", Solid(10, 10, 0, 0, 0));
    WriteJpeg(w.Sd() / "2.jpg", Solid(1, 1, 0, 0, 0));
    auto sd = PictureList::ForSdCard(w.dir.path());
    ASSERT_TRUE(sd.Reflash().ok());
    MakeOk(sd);
    const std::string idx = ReadFile(w.dir.path() / "sd" / "pic.idx");
    EXPECT_EQ(Record(idx, 1), Bytes({0x00, 0x01, 0x00, 0x01, 0x00, 0x22, 0x00, 0x00}));  // 8704
    const std::string sbin = ReadFile(w.dir.path() / "sd" / "pic.sbin");
    ASSERT_EQ(sbin.size(), 514u);
    EXPECT_EQ(sbin.substr(200, 312), std::string(312, '\xFF'));
    EXPECT_EQ(sbin.substr(512), Bytes({0x00, 0x00}));
}

TEST(PictureFiles, OversizedPicturesAreLeftOutAndTheNextFollowsOn) {
    // 5000 columns or 1500 rows is too large; 4999 x 1499 is not.
    struct Case { int w, h; bool written; };
    for (const Case c : {Case{5000, 1, false}, Case{1, 1500, false}, Case{4999, 1, true}, Case{1, 1499, true}}) {
        Workdir w;
        WriteGif(w.Flash() / "1.gif", c.w, c.h, {10, 20, 30, 40, 50, 60}, {SolidFrame(0, 0, c.w, c.h, 0)});
        WriteGif(w.Flash() / "2.gif", 1, 1, {10, 20, 30, 40, 50, 60}, {SolidFrame(0, 0, 1, 1, 0)});
        auto list = PictureList::ForFlash(w.dir.path());
        ASSERT_TRUE(list.Reflash().ok());
        MakeOk(list);
        const std::string idx = ReadFile(w.dir.path() / "temp" / "pic.idx");
        const size_t first = c.written ? static_cast<size_t>(c.w) * c.h * 2 : 0;
        EXPECT_EQ(Record(idx, 1) == kEmpty, !c.written) << c.w << "x" << c.h;
        const uint32_t address = 0x100000 + static_cast<uint32_t>(first);
        EXPECT_EQ(Record(idx, 2), Bytes({0, 1, 0, 1, 0, static_cast<int>(address >> 16 & 0xFF),
                                         static_cast<int>(address >> 8 & 0xFF), static_cast<int>(address & 0xFF)}));
        EXPECT_EQ(ReadFile(w.dir.path() / "temp" / "pic.sbin").size(), first + 2);
    }
}

TEST(PictureFiles, PicturesTooLargeToHoldAreListedAndLeftOut) {
    // A JPEG whose frame header claims 65000 x 65000: no pixel memory is taken for it.
    Workdir w;
    WriteJpeg(w.Flash() / "1.jpg", Solid(16, 16, 0, 0, 0));
    std::string bytes = ReadFile(w.Flash() / "1.jpg");
    const size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    bytes.replace(sof + 5, 4, "\xFD\xE8\xFD\xE8");
    std::ofstream(w.Flash() / "1.jpg", std::ios::binary) << bytes;
    WriteJpeg(w.Flash() / "2.jpg", Solid(1, 1, 0, 0, 0));
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    const PictureSlot& slot = list.Builder().Slot(list.Items()[0].slot);
    EXPECT_EQ(slot.width, 65000);
    EXPECT_EQ(slot.thumbnail.width, 160);
    MakeOk(list);
    EXPECT_EQ(Record(ReadFile(w.dir.path() / "temp" / "pic.idx"), 1), kEmpty);
    EXPECT_EQ(ReadFile(w.dir.path() / "temp" / "pic.sbin").size(), 2u);
}

TEST(PictureList, ReflashOrder) {
    Workdir w;
    const std::vector<uint8_t> pal{0, 0, 0, 255, 255, 255};
    for (const char* name : {"b.jpg", "2.jpg", "a.gif", "1.gif", "512.jpg", "1.jpg", "c.JPEG", "_@3.jpg", "05.jpg", "513.jpg"})
        fs::path(name).extension() == ".gif" ? WriteGif(w.Flash() / name, 1, 1, pal, {SolidFrame(0, 0, 1, 1, 0)})
                                             : WriteJpeg(w.Flash() / name, Solid(1, 1, 0, 0, 0));
    fs::create_directories(w.Flash() / "3.jpg");  // a folder is no picture
    std::ofstream(w.Flash() / "notes.txt") << "x";

    auto flash = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(flash.Reflash().ok());
    EXPECT_EQ(Names(flash), (std::vector<std::string>{"1.jpg", "1.gif", "2.jpg", "512.jpg", "a.gif", "05.jpg",
                                                      "513.jpg", "b.jpg", "c.JPEG"}));
    EXPECT_EQ(flash.ItemText(0), "1(1.jpg)");
    EXPECT_EQ(flash.PictureNumber(0), 1);

    for (const char* name : {"1.gif", "a.gif"}) fs::rename(w.Flash() / name, w.Sd() / name);
    for (const char* name : {"b.jpg", "2.jpg"}) fs::copy(w.Flash() / name, w.Sd() / name);
    auto sd = PictureList::ForSdCard(w.dir.path());
    ASSERT_TRUE(sd.Reflash().ok());
    EXPECT_EQ(Names(sd), (std::vector<std::string>{"2.jpg", "b.jpg"}));  // no GIF on the card
    EXPECT_EQ(sd.ItemText(0), "1024(2.jpg)");
    EXPECT_EQ(sd.PictureNumber(0), 0);
}

TEST(PictureList, SortNamesFilesAfterTheirPositionsAndKeepsTheOrder) {
    Workdir w;
    const std::vector<uint8_t> pal{0, 0, 0, 255, 255, 255};
    WriteJpeg(w.Flash() / "2.jpg", Solid(3, 1, 0, 0, 0));
    WriteGif(w.Flash() / "2.gif", 4, 1, pal, {SolidFrame(0, 0, 4, 1, 0)});
    WriteGif(w.Flash() / "zebra.gif", 5, 1, pal, {SolidFrame(0, 0, 5, 1, 0)});
    WriteJpeg(w.Flash() / "apple.jpeg", Solid(6, 1, 0, 0, 0));
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    ASSERT_TRUE(list.SortFileName().ok());
    EXPECT_EQ(Names(list), (std::vector<std::string>{"1.jpg", "2.gif", "3.gif", "4.jpg"}));
    std::vector<int> widths;
    for (const auto& item : list.Items()) widths.push_back(list.Builder().Slot(item.slot).width);
    EXPECT_EQ(widths, (std::vector<int>{3, 4, 5, 6}));
}

// Pictures 1.jpg .. 4.jpg of widths 1 .. 4, so the width of a slot tells which file it came from.
std::vector<int> Widths(const PictureList& list) {
    std::vector<int> widths;
    for (const auto& item : list.Items()) widths.push_back(list.Builder().Slot(item.slot).width);
    return widths;
}

TEST(PictureList, MovedItemsKeepTheirPicturesAndShiftTheOthers) {
    Workdir w;
    for (int n = 1; n <= 4; ++n) WriteJpeg(w.Flash() / (std::to_string(n) + ".jpg"), Solid(n, 1, 0, 0, 0));
    struct Case {
        size_t from, to;
        std::vector<int> widths;
    };
    for (const Case& c : {Case{0, 2, {2, 3, 1, 4}}, Case{3, 0, {4, 1, 2, 3}}, Case{0, 3, {2, 3, 4, 1}},
                          Case{2, 1, {1, 3, 2, 4}}, Case{1, 1, {1, 2, 3, 4}}}) {
        auto list = PictureList::ForFlash(w.dir.path());
        ASSERT_TRUE(list.Reflash().ok());
        ASSERT_TRUE(list.MoveItem(c.from, c.to).ok());
        EXPECT_EQ(Widths(list), c.widths) << c.from << " -> " << c.to;
    }
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    EXPECT_FALSE(list.MoveItem(4, 0).ok());
    EXPECT_FALSE(list.MoveItem(0, 4).ok());
    EXPECT_EQ(Widths(list), (std::vector<int>{1, 2, 3, 4}));
}

TEST(PictureList, MakeAndSortFollowTheMovedOrder) {
    Workdir w;
    for (int n = 1; n <= 3; ++n) WriteJpeg(w.Flash() / (std::to_string(n) + ".jpg"), Solid(n, 1, 0, 0, 0));
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    ASSERT_TRUE(list.MoveItem(2, 0).ok());
    EXPECT_EQ(list.ItemText(0), "1(3.jpg)");

    MakeOk(list);
    const std::string idx = ReadFile(w.dir.path() / "temp" / "pic.idx");
    // Picture 1 is the 3-pixel picture at the start of the data, then the 1- and 2-pixel ones.
    EXPECT_EQ(Record(idx, 1), Bytes({0, 3, 0, 1, 0, 0x10, 0, 0}));
    EXPECT_EQ(Record(idx, 2), Bytes({0, 1, 0, 1, 0, 0x10, 0, 6}));
    EXPECT_EQ(Record(idx, 3), Bytes({0, 2, 0, 1, 0, 0x10, 0, 8}));

    ASSERT_TRUE(list.SortFileName().ok());
    EXPECT_EQ(Names(list), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_EQ(Widths(list), (std::vector<int>{3, 1, 2}));
}

TEST(PictureList, SortRefusesWhenAFileOutsideTheListIsInTheWay) {
    Workdir w;
    WriteJpeg(w.Flash() / "b.jpg", Solid(1, 1, 0, 0, 0));
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    std::ofstream(w.Flash() / "_@1.jpg") << "left from an earlier sort";
    EXPECT_FALSE(list.SortFileName().ok());
    EXPECT_TRUE(fs::exists(w.Flash() / "b.jpg"));
    EXPECT_EQ(ReadFile(w.Flash() / "_@1.jpg"), "left from an earlier sort");
}

// A picture folder that cannot be read is not an empty folder: the reflash says why, and Make
// keeps the data files made from the folder's pictures.
TEST(PictureList, UnreadableFolderIsAnErrorAndMakeWritesNothing) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> spoil, mend;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"a file in the folder's place",
         [](const fs::path& f) { fs::rename(f, f.string() + ".moved"), std::ofstream(f) << "x"; },
         [](const fs::path& f) { fs::remove(f), fs::rename(f.string() + ".moved", f); }, "Not a directory"},
    };
    if (!RunningAsRoot())  // root reads a folder whatever its permissions
        cases.push_back({"a folder without read permission", [](const fs::path& f) { fs::permissions(f, fs::perms::none); },
                         [](const fs::path& f) { fs::permissions(f, fs::perms::owner_all); }, "Permission denied"});
    for (const Case& c : cases) {
        Workdir w;
        for (int n = 1; n <= 3; ++n) WriteJpeg(w.Flash() / (std::to_string(n) + ".jpg"), Solid(n, 1, 0, 0, 0));
        auto list = PictureList::ForFlash(w.dir.path());
        ASSERT_TRUE(list.Reflash().ok());
        MakeOk(list);
        const auto made = Snapshot(w.dir.path() / "temp");

        c.spoil(w.Flash());
        const Status s = list.Reflash();
        ASSERT_FALSE(s.ok()) << c.what;
        EXPECT_EQ(s.error().message, "cannot read the picture folder " + w.Flash().string() + ": " + c.reason) << c.what;
        EXPECT_TRUE(list.Items().empty()) << c.what;
        auto again = list.Make(nullptr);
        ASSERT_FALSE(again.ok()) << c.what;
        EXPECT_EQ(again.error().message, s.error().message) << c.what;
        c.mend(w.Flash());
        EXPECT_EQ(Snapshot(w.dir.path() / "temp"), made) << c.what;

        // Readable again, the folder lists as before.
        ASSERT_TRUE(list.Reflash().ok());
        EXPECT_EQ(Names(list), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    }
    // A folder that does not exist yet holds no pictures.
    TempDir fresh;
    auto list = PictureList::ForSdCard(fresh.path());
    EXPECT_TRUE(list.Reflash().ok());
    EXPECT_TRUE(list.Items().empty());
}

// A file that cannot be renamed halfway through a sort: the files renamed before it get their
// names back, so none is left under a "_@" name the list does not show.
TEST(PictureList, SortThatCannotRenameAFileGivesTheOthersTheirNamesBack) {
    Workdir w;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) WriteJpeg(w.Flash() / name, Solid(1, 1, 0, 0, 0));
    const fs::path stuck = w.Flash() / "c.jpg";
    if (!SetImmutable(stuck, true)) GTEST_SKIP() << "the immutable flag cannot be set here (needs root on ext4 or the like)";
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    const auto before = Snapshot(w.Flash());
    const Status s = list.SortFileName();
    SetImmutable(stuck, false);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().message, "cannot rename " + stuck.string() + ": Operation not permitted; the files keep their names");
    EXPECT_EQ(Snapshot(w.Flash()), before);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));

    ASSERT_TRUE(list.SortFileName().ok());
    EXPECT_EQ(Names(list), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg", "4.jpg"}));
}

TEST(PictureList, CapacityOfBothLists) {
    // The flash list numbers from 1 and has 512 records, so its 512th picture is refused; files
    // past the capacity are listed without a slot and produce nothing.
    Workdir w;
    for (int n = 1; n <= 513; ++n) {
        WriteGif(w.Flash() / (std::to_string(n) + ".gif"), 1, 1, {0, 0, 0, 9, 9, 9}, {SolidFrame(0, 0, 1, 1, 1)});
        WriteJpeg(w.Sd() / (std::to_string(1000 + n) + "x.jpg"), Solid(1, 1, 0, 0, 0));
    }
    auto flash = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(flash.Reflash().ok());
    ASSERT_EQ(flash.Items().size(), 513u);
    EXPECT_EQ(flash.Items()[510].slot, 510);
    EXPECT_EQ(flash.Items()[511].slot, -1);
    EXPECT_EQ(flash.Items()[512].name, "513.gif");
    EXPECT_EQ(flash.Items()[512].slot, -1);
    MakeOk(flash);
    EXPECT_EQ(ReadFile(w.dir.path() / "temp" / "pic.sbin").size(), 511u * 2);
    EXPECT_NE(Record(ReadFile(w.dir.path() / "temp" / "pic.idx"), 511), kEmpty);

    auto sd = PictureList::ForSdCard(w.dir.path());
    ASSERT_TRUE(sd.Reflash().ok());
    ASSERT_EQ(sd.Items().size(), 513u);
    EXPECT_EQ(sd.Items()[511].slot, 511);
    EXPECT_EQ(sd.Items()[512].slot, -1);
    MakeOk(sd);
    EXPECT_EQ(ReadFile(w.dir.path() / "sd" / "pic.sbin").size(), 511u * 512 + 2);
}

TEST(PictureList, UndecodableFileEndsTheReflashAndNamesTheFile) {
    Workdir w;
    WriteJpeg(w.Flash() / "1.jpg", Solid(8, 8, 0, 0, 0));
    WriteJpeg(w.Flash() / "2.jpg", Solid(64, 64, 10, 20, 30));
    const std::string whole = ReadFile(w.Flash() / "2.jpg");
    std::ofstream(w.Flash() / "2.jpg", std::ios::binary) << whole.substr(0, whole.size() / 2);
    std::ofstream(w.Flash() / "3.gif", std::ios::binary) << "GIF89a";
    auto list = PictureList::ForFlash(w.dir.path());
    const Status s = list.Reflash();
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.error().message.find("2.jpg"), std::string::npos) << s.error().message;
    EXPECT_EQ(Names(list), std::vector<std::string>{"1.jpg"});
}

// A smooth picture with a little texture, as photos are.
Picture Gradient(int width, int height) {
    Picture p;
    p.Resize(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* c = p.At(x, y);
            c[0] = static_cast<uint8_t>(x * 255 / width);
            c[1] = static_cast<uint8_t>(y * 255 / height);
            c[2] = static_cast<uint8_t>(128 + 100 * std::sin(x / 40.0) * std::cos(y / 30.0));
        }
    return p;
}

// Decoding side by side changes nothing: the same items, slots, sizes and thumbnails as one
// picture after the other. The quick thumbnails keep the sizes and the framing, and differ
// from the exact ones only by what scaling in the decoder rounds differently.
TEST(PictureList, ThreadsAndQuickThumbnailsKeepTheList) {
    Workdir w;
    const std::pair<int, int> sizes[] = {{1300, 700}, {100, 50}, {640, 480}, {161, 400}, {854, 480}, {1, 1}};
    int n = 1;
    for (int round = 0; round < 3; ++round)
        for (auto [width, height] : sizes) WriteJpeg(w.Flash() / (std::to_string(n++) + ".jpg"), Gradient(width, height), 90);
    WriteGif(w.Flash() / "x.gif", 2, 1, {0, 0, 0, 9, 9, 9}, {SolidFrame(0, 0, 2, 1, 1)});

    auto one = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(one.Reflash(Tjpglist::Thumbs::kExact, 1).ok());
    ASSERT_EQ(one.Items().size(), 19u);
    for (const auto thumbs : {Tjpglist::Thumbs::kExact, Tjpglist::Thumbs::kPreview}) {
        auto many = PictureList::ForFlash(w.dir.path());
        ASSERT_TRUE(many.Reflash(thumbs, 4).ok());
        ASSERT_EQ(Names(many), Names(one));
        for (size_t i = 0; i < one.Items().size(); ++i) {
            SCOPED_TRACE(one.Items()[i].name);
            ASSERT_EQ(many.Items()[i].slot, one.Items()[i].slot);
            const PictureSlot& a = one.Builder().Slot(one.Items()[i].slot);
            const PictureSlot& b = many.Builder().Slot(many.Items()[i].slot);
            EXPECT_EQ(b.file, a.file);
            EXPECT_EQ(b.width, a.width);
            EXPECT_EQ(b.height, a.height);
            ASSERT_EQ(b.thumbnail.width, a.thumbnail.width);
            ASSERT_EQ(b.thumbnail.height, a.thumbnail.height);
            int worst = 0;
            double total = 0;
            for (int y = 0; y < a.thumbnail.height; ++y)
                for (int x = 0; x < a.thumbnail.width; ++x)
                    for (int k = 0; k < 3; ++k) {
                        const int d = std::abs(a.thumbnail.At(x, y)[k] - b.thumbnail.At(x, y)[k]);
                        worst = std::max(worst, d);
                        total += d;
                    }
            const double mean = total / (3.0 * a.thumbnail.width * a.thumbnail.height);
            if (thumbs == Tjpglist::Thumbs::kExact || std::max(a.width, a.height) < 2 * 160) {
                EXPECT_EQ(worst, 0);  // nothing to scale in the decoder
            } else {
                EXPECT_LE(mean, 2.0);
                EXPECT_LE(worst, 24);  // the white margins and the framing are the same
            }
        }
    }
}

// Whichever thread meets a broken picture first, the list ends just before it.
TEST(PictureList, UndecodableFileEndsTheListInOrderWhateverTheThreads) {
    for (const int broken : {1, 2, 17, 40}) {
        SCOPED_TRACE(broken);
        Workdir w;
        std::vector<std::string> before;
        for (int n = 1; n <= 40; ++n) {
            const fs::path file = w.Flash() / (std::to_string(n) + ".jpg");
            if (n == broken) {
                std::ofstream(file, std::ios::binary) << "\xFF\xD8 not a picture";
            } else {
                WriteJpeg(file, Gradient(200 + n, 120));
                if (n < broken) before.push_back(file.filename().string());
            }
        }
        for (const int threads : {1, 2, 8}) {
            auto list = PictureList::ForFlash(w.dir.path());
            const Status s = list.Reflash(Tjpglist::Thumbs::kPreview, threads);
            ASSERT_FALSE(s.ok());
            EXPECT_NE(s.error().message.find(std::to_string(broken) + ".jpg"), std::string::npos) << s.error().message;
            EXPECT_EQ(Names(list), before);
            EXPECT_EQ(list.Builder().LoadedCount(), static_cast<int>(before.size()));
            // The pictures before it keep their slots, so Make still takes them.
            for (size_t i = 0; i < list.Items().size(); ++i) EXPECT_EQ(list.Items()[i].slot, static_cast<int>(i));
        }
    }
}

// An 8 x 8 CMYK JPEG of full cyan, as libjpeg writes it: marked as Adobe's, whose channels are
// stored inverted, so (0, 255, 255, 255) is full cyan and no other ink.
std::string CyanCmykJpeg() {
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(8 * 4);
    for (size_t i = 0; i < row.size(); i += 4) row[i] = 0, row[i + 1] = row[i + 2] = row[i + 3] = 255;
    while (c.next_scanline < 8) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    const std::string bytes(reinterpret_cast<char*>(out), size);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}

TEST(PictureFiles, CmykJpegsDecodeToRgb) {
    auto picture = pictures::DecodeJpeg(CyanCmykJpeg());
    ASSERT_TRUE(picture.ok()) << picture.error().message;
    const uint8_t* px = picture->At(3, 3);
    EXPECT_LE(px[0], 2);
    EXPECT_GE(px[1], 253);
    EXPECT_GE(px[2], 253);
}

// A picture with every kind of pixel: gradients, noise, and a white band whose pairs must lose
// their FF bytes.
Picture Busy(int width, int height, unsigned seed) {
    Picture p = Solid(width, height, 0, 0, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            uint8_t* c = p.At(x, y);
            const bool white = y % 16 < 3;
            c[0] = white ? 255 : static_cast<uint8_t>(x * 7 + (seed >> 20 & 31));
            c[1] = white ? 255 : static_cast<uint8_t>(y * 5 + (seed >> 24 & 63));
            c[2] = white ? 255 : static_cast<uint8_t>((x + y) * 3);
        }
    return p;
}

// The data file a list of JPEG files must give, worked out from the row-by-row decoder and the
// pixel rule, independently of the builder's strips.
std::string ExpectedData(const std::vector<fs::path>& files, PicLayout layout) {
    std::string data;
    for (const fs::path& file : files) {
        if (layout == PicLayout::kSd) data.resize((data.size() + 511) / 512 * 512, '\xFF');
        auto picture = pictures::DecodeJpeg(ReadFile(file));
        EXPECT_TRUE(picture.ok()) << file;
        if (!picture.ok()) return {};
        for (int x = 0; x < picture->width; ++x)
            for (int y = 0; y < picture->height; ++y) {
                uint8_t high = 0, low = 0;
                pictures::PixelBytes(picture->At(x, y), high, low);
                data.push_back(static_cast<char>(layout == PicLayout::kFlash ? high : low));
                data.push_back(static_cast<char>(layout == PicLayout::kFlash ? low : high));
            }
    }
    return data;
}

TEST(PictureFiles, JpegPixelsGoColumnByColumnInBothLayouts) {
    // Sizes on and off the builder's blocks of 8 columns and strips of 32 rows, and a CMYK file;
    // the list is long enough for Make to decode on several threads.
    Workdir w;
    const std::vector<std::pair<int, int>> sizes{{1, 1}, {7, 9}, {37, 45}, {64, 70}, {33, 100}, {800, 33}, {16, 32}};
    std::vector<fs::path> flash_files, sd_files;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const std::string name = std::to_string(i + 1) + ".jpg";
        WriteJpeg(w.Flash() / name, Busy(sizes[i].first, sizes[i].second, static_cast<unsigned>(i)), 90);
        fs::copy(w.Flash() / name, w.Sd() / name);
        flash_files.push_back(w.Flash() / name);
        sd_files.push_back(w.Sd() / name);
    }
    const std::string name = std::to_string(sizes.size() + 1) + ".jpg";
    std::ofstream(w.Flash() / name, std::ios::binary) << CyanCmykJpeg();
    fs::copy(w.Flash() / name, w.Sd() / name);
    flash_files.push_back(w.Flash() / name);
    sd_files.push_back(w.Sd() / name);

    auto flash = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(flash.Reflash().ok());
    MakeOk(flash);
    const std::string flash_data = ReadFile(w.dir.path() / "temp" / "pic.sbin");
    EXPECT_TRUE(flash_data == ExpectedData(flash_files, PicLayout::kFlash));
    EXPECT_EQ(flash_data.substr(flash_data.size() - 2), "\x07\xDE");  // cyan
    const std::string idx = ReadFile(w.dir.path() / "temp" / "pic.idx");
    EXPECT_EQ(Record(idx, 4), Bytes({0, 64, 0, 70, 0, 0x10, 0x0D, 0x82}));  // 0x100000 + 2 (1 + 63 + 1665)

    auto sd = PictureList::ForSdCard(w.dir.path());
    ASSERT_TRUE(sd.Reflash().ok());
    MakeOk(sd);
    EXPECT_TRUE(ReadFile(w.dir.path() / "sd" / "pic.sbin") == ExpectedData(sd_files, PicLayout::kSd));
}

TEST(PictureFiles, AFileBrokenSinceTheReflashFailsMakeAndKeepsTheOldFiles) {
    Workdir w;
    for (int n = 1; n <= 4; ++n) WriteJpeg(w.Flash() / (std::to_string(n) + ".jpg"), Busy(40, 40, static_cast<unsigned>(n)), 90);
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    MakeOk(list);
    const fs::path sbin = w.dir.path() / "temp" / "pic.sbin";
    const std::string before = ReadFile(sbin);

    const std::string whole = ReadFile(w.Flash() / "3.jpg");
    std::ofstream(w.Flash() / "3.jpg", std::ios::binary) << whole.substr(0, whole.size() / 2);
    auto made = list.Make(nullptr);
    ASSERT_FALSE(made.ok());
    EXPECT_NE(made.error().message.find("3.jpg"), std::string::npos) << made.error().message;
    EXPECT_EQ(ReadFile(sbin), before);
    for (const auto& [name, bytes] : Snapshot(w.dir.path() / "temp"))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;  // no temporary file stays

    // Mended, it makes the same files again.
    std::ofstream(w.Flash() / "3.jpg", std::ios::binary) << whole;
    MakeOk(list);
    EXPECT_TRUE(ReadFile(sbin) == before);
}

// The index and its data go together: when the index cannot be put in place (a folder took its
// name), the data file keeps the pictures of the old index.
TEST(PictureFiles, MakeThatCannotPlaceTheIndexKeepsTheOldData) {
    Workdir w;
    WriteJpeg(w.Flash() / "1.jpg", Solid(2, 2, 255, 0, 0));
    auto list = PictureList::ForFlash(w.dir.path());
    ASSERT_TRUE(list.Reflash().ok());
    MakeOk(list);
    WriteJpeg(w.Flash() / "2.jpg", Solid(3, 3, 0, 0, 255));
    ASSERT_TRUE(list.Reflash().ok());
    fs::remove(w.dir.path() / "temp" / "pic.idx");
    fs::create_directories(w.dir.path() / "temp" / "pic.idx" / "in-the-way");
    const auto before = Snapshot(w.dir.path() / "temp");
    auto made = list.Make(nullptr);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().message.rfind("cannot write " + (w.dir.path() / "temp" / "pic.idx").string(), 0), 0u)
        << made.error().message;
    EXPECT_EQ(Snapshot(w.dir.path() / "temp"), before);
}

TEST(Thumbnail, BlocksFollowRoundedRunningPositions) {
    // 400 x 161: fits as 160 x 64 at (0, 48). sx = 2.5, so the column blocks are 0..1 (round(2.5)
    // is 2, ties go to even), 2..4, 5..7, 8..9; red holds the column number.
    Picture p = Solid(400, 161, 0, 0, 0);
    for (int y = 0; y < 161; ++y)
        for (int x = 0; x < 400; ++x) p.At(x, y)[0] = static_cast<uint8_t>(x % 200);
    const Picture t = pictures::MakeThumbnail(p);
    ASSERT_EQ(t.width, 160);
    ASSERT_EQ(t.height, 160);
    EXPECT_EQ(t.At(0, 47)[0], 255);  // white above
    EXPECT_EQ(t.At(0, 47)[1], 255);
    EXPECT_EQ(t.At(0, 48)[1], 0);
    EXPECT_EQ(t.At(0, 111)[1], 0);
    EXPECT_EQ(t.At(0, 112)[1], 255);  // white below
    const int expected[4] = {0, 3, 6, 8};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(t.At(i, 48)[0], expected[i]) << i;

    const Picture small = pictures::MakeThumbnail(Solid(160, 20, 1, 2, 3));
    EXPECT_EQ(small.width, 160);
    EXPECT_EQ(small.height, 20);
    const Picture tall = pictures::MakeThumbnail(Solid(1, 1000, 1, 2, 3));
    // 160 x 1 / 1000 is 0, so the width becomes 1, at x = 79.
    EXPECT_EQ(tall.At(78, 0)[0], 255);
    EXPECT_EQ(tall.At(79, 0)[0], 1);
    EXPECT_EQ(tall.At(80, 80)[0], 255);
}

}  // namespace
}  // namespace quelmo::test
