// Removable drives read from a made-up /sys tree, the release of a disk before a raw write, and
// the refusals of the raw open on this machine's own devices.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "card_files.h"
#include "sdcard/device.h"
#include "sdcard/drives.h"

namespace quelmo::sd {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

// /sys/block with: sda (fixed disk), sdb (card reader with a card, partition sdb1),
// sdc (card reader without a card), mmcblk0 (card slot with a card).
class FakeSystem : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path block = dir.path() / "sys/block";
        Disk("sda", "8:0", "0", "1000");
        Disk("sdb", "8:16", "1", "2048");
        Put(block / "sdb/sdb1/partition", "1");
        Put(block / "sdb/sdb1/dev", "8:17");
        fs::create_directories(block / "sdb/sdb1/holders");
        Disk("sdc", "8:32", "1", "0");
        Disk("mmcblk0", "179:0", "1", "4096");
        Put(dir.path() / "swaps", "Filename Type Size Used Priority");
        paths.sys = dir.path() / "sys";
        paths.dev = "/dev";
        paths.mountinfo = dir.path() / "mountinfo";
        paths.swaps = dir.path() / "swaps";
        paths.unmount = [](const char* target) {
            Unmounted().push_back(target);
            return UnmountFails() ? -1 : 0;
        };
        Unmounted().clear();
        UnmountFails() = false;
        Mounts({});
    }
    void Disk(const std::string& name, const std::string& dev, const std::string& removable, const std::string& size) {
        const fs::path d = dir.path() / "sys/block" / name;
        Put(d / "dev", dev);
        Put(d / "removable", removable);
        Put(d / "size", size);
        fs::create_directories(d / "holders");
    }
    void Mounts(const std::vector<std::pair<std::string, std::string>>& mounts) {
        std::ofstream f(dir.path() / "mountinfo");
        f << "21 26 0:20 / /proc rw,relatime - proc proc rw\n";
        int id = 30;
        for (const auto& [dev, point] : mounts) f << id++ << " 26 " << dev << " / " << point << " rw - vfat /dev/x rw\n";
    }
    static std::vector<std::string>& Unmounted() {
        static std::vector<std::string> v;
        return v;
    }
    static bool& UnmountFails() {
        static bool fails = false;
        return fails;
    }

    test::TempDir dir;
    SystemPaths paths;
};

TEST_F(FakeSystem, ListsRemovableDisksHoldingAMediumWithTheirMounts) {
    Mounts({{"8:17", "/media/user/CARD\\040ONE"}, {"8:1", "/"}});
    const auto drives = ListRemovableDrives(paths);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].name, "mmcblk0");
    EXPECT_EQ(drives[0].device, "/dev/mmcblk0");
    EXPECT_EQ(drives[0].size, 4096u * 512);
    EXPECT_TRUE(drives[0].mounts.empty());
    EXPECT_EQ(drives[1].name, "sdb");
    EXPECT_EQ(drives[1].size, 2048u * 512);
    EXPECT_EQ(drives[1].mounts, std::vector<std::string>{"/media/user/CARD ONE"});
}

TEST_F(FakeSystem, NewDriveIsOneNotPresentAtStart) {
    auto drives = ListRemovableDrives(paths);
    EXPECT_EQ(FindNewDrive({"mmcblk0", "sdb"}, drives), nullptr);
    const Drive* d = FindNewDrive({"sdb"}, drives);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->name, "mmcblk0");

    // A card put into the empty reader sdc makes it appear; taking it out makes it go.
    DriveWatcher watcher([&] { return ListRemovableDrives(paths); });
    EXPECT_FALSE(watcher.Poll().arrived);
    Put(paths.sys / "block/sdc/size", "8192");
    auto change = watcher.Poll();
    EXPECT_TRUE(change.arrived);
    EXPECT_FALSE(change.removed);
    EXPECT_FALSE(watcher.Poll().arrived);
    Put(paths.sys / "block/sdc/size", "0");
    EXPECT_TRUE(watcher.Poll().removed);
}

TEST_F(FakeSystem, ReleaseUnmountsEveryFileSystemOfTheDiskTopFirst) {
    Mounts({{"8:17", "/media/card"}, {"8:16", "/mnt/whole"}, {"8:17", "/media/card/inner"}, {"8:2", "/media/other"}});
    ASSERT_TRUE(ReleaseDisk("sdb", paths));
    EXPECT_EQ(Unmounted(), (std::vector<std::string>{"/media/card/inner", "/mnt/whole", "/media/card"}));
}

TEST_F(FakeSystem, ReleaseRefusesWhatCannotBeFreed) {
    struct Case {
        const char* name;
        std::string disk;
        std::vector<std::pair<std::string, std::string>> mounts;
        std::string swap;
        std::string holder;
        bool unmount_fails;
        std::string message;
    };
    const Case cases[] = {
        {"fixed disk", "sda", {}, "", "", false, "/dev/sda is not a removable drive"},
        {"root file system", "sdb", {{"8:17", "/"}}, "", "", false, "holds the running system (/)"},
        {"boot partition", "sdb", {{"8:17", "/boot"}}, "", "", false, "holds the running system (/boot)"},
        {"swap", "sdb", {}, "/dev/sdb1", "", false, "holds an active swap area"},
        {"device mapper", "sdb", {}, "", "dm-0", false, "is in use by dm-0"},
        {"busy mount", "sdb", {{"8:17", "/media/card"}}, "", "", true, "cannot unmount /media/card of /dev/sdb"},
    };
    for (const auto& c : cases) {
        Mounts(c.mounts);
        Put(paths.swaps, "Filename Type Size Used Priority\n" + (c.swap.empty() ? "" : c.swap + " partition 1024 0 -2"));
        fs::remove_all(paths.sys / "block/sdb/sdb1/holders");
        fs::create_directories(paths.sys / "block/sdb/sdb1/holders");
        if (!c.holder.empty()) Put(paths.sys / "block/sdb/sdb1/holders" / c.holder, "");
        UnmountFails() = c.unmount_fails;
        Unmounted().clear();
        auto s = ReleaseDisk(c.disk, paths);
        ASSERT_FALSE(s) << c.name;
        EXPECT_EQ(s.error().code, 1) << c.name;
        EXPECT_NE(s.error().message.find(c.message), std::string::npos) << c.name << ": " << s.error().message;
        if (!c.unmount_fails) {
            EXPECT_TRUE(Unmounted().empty()) << c.name << ": nothing is unmounted on a refusal";
        }
    }
}

TEST(OpenCard, RefusesPathsThatAreNoCard) {
    test::TempDir dir;
    const auto image = dir.path() / "card.img";
    test::MakeImage(image, 4096, 0xFF);
    struct Case {
        fs::path path;
        CardKind kind;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"/dev/null", CardKind::kDevice, 2, "is neither a block device nor a regular file"},
        {"/dev/null", CardKind::kImage, 2, "is neither a block device nor a regular file"},
        {dir.path(), CardKind::kImage, 2, "is neither a block device nor a regular file"},
        {dir.path() / "missing.img", CardKind::kImage, 2, "cannot open"},
        {image, CardKind::kDevice, 2, "is not a block device; use --image"},
    };
    for (const auto& c : cases) {
        auto card = OpenCard(c.path, c.kind, Access::kWrite);
        ASSERT_FALSE(card) << c.path;
        EXPECT_EQ(card.error().code, c.code) << c.path;
        EXPECT_NE(card.error().message.find(c.message), std::string::npos) << card.error().message;
    }
}

TEST(OpenCard, ImageReadsAndWritesWholeSectorsWithinItsSize) {
    test::TempDir dir;
    const auto image = dir.path() / "card.img";
    test::MakeImage(image, 2048, 0x11);
    auto card = OpenCard(image, CardKind::kImage, Access::kWrite);
    ASSERT_TRUE(card);
    EXPECT_EQ((*card)->Size(), 2048u);
    Sector s;
    std::fill(std::begin(s), std::end(s), 0x22);
    ASSERT_TRUE((*card)->WriteSector(1536, s));
    auto beyond = (*card)->WriteSector(2048, s);
    ASSERT_FALSE(beyond);
    EXPECT_NE(beyond.error().message.find("write failed at offset 2048"), std::string::npos) << beyond.error().message;
    EXPECT_FALSE((*card)->ReadSector(1800, s)) << "a read past the end is an error, not a short buffer";
    ASSERT_TRUE((*card)->Close());
    EXPECT_EQ(fs::file_size(image), 2048u) << "the image never grows";
    EXPECT_EQ(test::ReadBytes(image, 1536, 512), test::Bytes(512, 0x22));
}

// A fixed block device of this machine (a virtual disk, a loop device) is never opened.
TEST(OpenCard, RefusesAFixedBlockDeviceOfThisMachine) {
    std::string device;
    for (const auto& e : fs::directory_iterator("/sys/block")) {
        std::ifstream removable(e.path() / "removable");
        std::string flag;
        removable >> flag;
        const fs::path node = fs::path("/dev") / e.path().filename();
        struct stat st {};
        if (flag == "0" && stat(node.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
            device = node;
            break;
        }
    }
    if (device.empty()) GTEST_SKIP() << "no fixed block device visible";
    for (Access access : {Access::kRead, Access::kWrite}) {
        auto card = OpenCard(device, CardKind::kDevice, access);
        ASSERT_FALSE(card) << device;
        EXPECT_EQ(card.error().code, 1);
        EXPECT_NE(card.error().message.find("is not a removable drive"), std::string::npos) << card.error().message;
    }
}

// A loop device over a card image: a block device, but not a removable one.
TEST(OpenCard, RefusesALoopDeviceOverACardImage) {
    test::TempDir dir;
    const auto image = dir.path() / "card.img";
    test::MakeImage(image, 1 << 20, 0x33);
    const std::string attach = "losetup --find --show " + image.string() + " 2>/dev/null";
    FILE* p = popen(attach.c_str(), "r");
    char line[256] = {};
    const bool got = p && fgets(line, sizeof line, p);
    if (p) pclose(p);
    std::string loop = got ? std::string(line) : "";
    if (!loop.empty() && loop.back() == '\n') loop.pop_back();
    if (loop.empty()) GTEST_SKIP() << "loop devices cannot be attached here";
    auto card = OpenCard(loop, CardKind::kDevice, Access::kWrite);
    std::system(("losetup -d " + loop).c_str());
    ASSERT_FALSE(card);
    EXPECT_NE(card.error().message.find("is not a removable drive"), std::string::npos) << card.error().message;
    EXPECT_EQ(test::ReadBytes(image, 0, 1 << 20), test::Bytes(1 << 20, 0x33));
}

}  // namespace
}  // namespace quelmo::sd
