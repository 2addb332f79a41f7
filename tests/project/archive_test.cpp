#include "project/archive.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <random>
#include <utility>
#include <vector>

#include "support/file_limits.h"
#include "support/scratch_dir.h"
#include "support/zip_maker.h"

namespace quelmo::test {
namespace {
namespace fs = std::filesystem;

TEST(ArchiveNames, OnlyPlainNamesBelowTempPass) {
    const struct {
        const char* name;
        bool safe;
    } cases[] = {
        {"temp/prj.ini.key", true}, {"temp/pic/1.jpg", true}, {"temp/", true}, {"temp/pic/", true},
        {"TEMP/x", false},          {"Temp/x", false},        {"temp", false}, {"x", false},
        {"/etc/x", false},          {"/temp/x", false},       {"temp/../x", false}, {"temp/a/../../x", false},
        {"temp/..", false},         {"temp/./x", false},      {"temp//x", false},   {"temp\\x", false},
        {"temp/a\\..\\..\\x", false}, {"./temp/x", false},    {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(Tmakeprjfile::SafeEntryName(c.name), c.safe) << c.name;
}

TEST(Archive, RoundTripKeepsEveryByteAndStoresDeflatedEntriesOnly) {
    ScratchDir a, b;
    std::string binary(70000, '\0');
    std::mt19937 rng(7);
    for (auto& c : binary) c = static_cast<char>(rng() & 0x0F);
    WriteFile(a / "temp/rom.bin", binary);
    WriteFile(a / "temp/empty", "");
    WriteFile(a / "temp/pic/deep/x.jpg", "JPEG");
    fs::create_directories(a / "temp/unused");  // an empty folder is not stored
    WriteFile(a / "outside.txt", "not packed");
    ASSERT_TRUE(Tmakeprjfile::Pack(a.path(), a / "p.gpu"));

    int err = 0;
    zip_t* za = zip_open((a / "p.gpu").c_str(), ZIP_RDONLY, &err);
    ASSERT_NE(za, nullptr);
    ASSERT_EQ(zip_get_num_entries(za, 0), 3);
    for (zip_uint64_t i = 0; i < 3; ++i) {
        zip_stat_t st;
        ASSERT_EQ(zip_stat_index(za, i, 0, &st), 0);
        EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE) << st.name;
        EXPECT_EQ(std::string(st.name).rfind("temp/", 0), 0u) << st.name;
    }
    zip_discard(za);

    ASSERT_TRUE(Tmakeprjfile::Unpack(b.path(), a / "p.gpu"));
    EXPECT_EQ(ReadFile(b / "temp/rom.bin"), binary);
    EXPECT_EQ(ReadFile(b / "temp/pic/deep/x.jpg"), "JPEG");
    EXPECT_TRUE(fs::exists(b / "temp/empty"));
    EXPECT_FALSE(fs::exists(b / "temp/unused"));
    EXPECT_FALSE(fs::exists(b / "outside.txt"));
}

TEST(Archive, UnpackOverwritesSameNamesAndKeepsTheRest) {
    ScratchDir dir;
    ASSERT_TRUE(MakeZip(dir / "p.gpu", {{"temp/", ""}, {"temp/a", "new"}}));
    WriteFile(dir / "temp/a", "old");
    WriteFile(dir / "temp/b", "other");
    ASSERT_TRUE(Tmakeprjfile::Unpack(dir.path(), dir / "p.gpu"));
    EXPECT_EQ(ReadFile(dir / "temp/a"), "new");
    EXPECT_EQ(ReadFile(dir / "temp/b"), "other");
    // No staging folder is left behind.
    EXPECT_EQ(Snapshot(dir.path()).size(), 4u);
}

TEST(Archive, HostileArchivesAreRefusedAndTouchNothing) {
    ScratchDir dir;
    WriteFile(dir / "temp/prj.ini.key", "keep");
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> archives = {
        {"dotdot", {{"temp/ok", "1"}, {"temp/../x", "evil"}}},
        {"absolute", {{"/etc/x", "evil"}}},
        {"upper", {{"TEMP/x", "evil"}}},
        {"backslash", {{"temp\\..\\x", "evil"}}},
        {"outside", {{"temp/ok", "1"}, {"x", "evil"}}},
        {"clash", {{"temp/a", "file"}, {"temp/a/b", "under a file"}}},
    };
    for (const auto& [name, entries] : archives) ASSERT_TRUE(MakeZip(dir / (name + ".gpu"), entries)) << name;

    // A good archive cut short, a text file renamed, an empty file.
    ASSERT_TRUE(MakeZip(dir / "good.gpu", {{"temp/prj.ini.key", std::string(4000, 'k')}}));
    const std::string good = ReadFile(dir / "good.gpu");
    WriteFile(dir / "truncated.gpu", good.substr(0, good.size() / 2));
    WriteFile(dir / "text.gpu", "CLS(0);\r\n");
    WriteFile(dir / "zero.gpu", "");
    std::string flipped = good;  // the deflated data damaged: caught by the checksum
    flipped[40] = static_cast<char>(flipped[40] ^ 0x55);
    WriteFile(dir / "damaged.gpu", flipped);
    fs::remove(dir / "good.gpu");

    const auto before = Snapshot(dir.path());
    for (const char* name :
         {"dotdot", "absolute", "upper", "backslash", "outside", "clash", "truncated", "text", "zero", "damaged"}) {
        auto s = Tmakeprjfile::Unpack(dir.path(), dir / (std::string(name) + ".gpu"));
        ASSERT_FALSE(s) << name;
        EXPECT_EQ(s.error().message, "文件格式不对") << name;
        EXPECT_EQ(Snapshot(dir.path()), before) << name;
    }
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "x"));
}

// Clears the "name is UTF-8" bit (11) of the general purpose flags in every local and central
// header, as an archive of the older program has it.
void ClearUtf8Flags(const fs::path& path) {
    std::string bytes = ReadFile(path);
    for (const auto& [sig, flags_at] : {std::pair<std::string, size_t>{"PK\x03\x04", 6}, {"PK\x01\x02", 8}})
        for (size_t at = bytes.find(sig); at != std::string::npos; at = bytes.find(sig, at + 4))
            bytes[at + flags_at + 1] = static_cast<char>(bytes[at + flags_at + 1] & ~0x08);
    WriteFile(path, bytes);
}

TEST(Archive, GbkEntryNamesFromTheOlderProgramBecomeUtf8Files) {
    ScratchDir dir;
    // 图 is CD BC in GBK, which also happens to be well-formed UTF-8; 演示 is D1DD CABE.
    ASSERT_TRUE(MakeZip(dir / "p.gpu", {{"temp/pic/\xCD\xBC.jpg", "1"}, {"temp/pic/\xD1\xDD\xCA\xBE.jpg", "2"}}));
    ClearUtf8Flags(dir / "p.gpu");
    ASSERT_TRUE(Tmakeprjfile::Unpack(dir.path(), dir / "p.gpu"));
    EXPECT_EQ(ReadFile(dir / "temp/pic/图.jpg"), "1");
    EXPECT_EQ(ReadFile(dir / "temp/pic/演示.jpg"), "2");

    // Names flagged as UTF-8 are taken as they are.
    ScratchDir other;
    ASSERT_TRUE(MakeZip(other / "p.gpu", {{"temp/pic/图.jpg", "3"}}));
    ASSERT_TRUE(Tmakeprjfile::Unpack(other.path(), other / "p.gpu"));
    EXPECT_EQ(ReadFile(other / "temp/pic/图.jpg"), "3");
}

TEST(Archive, ExistingFileInTheWayIsReportedBeforeAnythingChanges) {
    ScratchDir dir;
    ASSERT_TRUE(MakeZip(dir / "p.gpu", {{"temp/a", "1"}, {"temp/pic/x", "2"}}));
    WriteFile(dir / "temp/pic", "a file where a folder must go");
    const auto before = Snapshot(dir.path());
    EXPECT_FALSE(Tmakeprjfile::Unpack(dir.path(), dir / "p.gpu"));
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(Archive, PackNeedsAWorkspaceAndLeavesNoPartFile) {
    ScratchDir dir;
    EXPECT_FALSE(Tmakeprjfile::Pack(dir.path(), dir / "p.gpu"));
    WriteFile(dir / "temp/a", "1");
    fs::create_directories(dir / "p.gpu/blocker");  // the rename over the target fails
    EXPECT_FALSE(Tmakeprjfile::Pack(dir.path(), dir / "p.gpu"));
    EXPECT_EQ(Snapshot(dir.path()).size(), 4u);  // temp, temp/a, p.gpu, p.gpu/blocker
}

// A disk that fills up while the archive is written: the older archive stays, byte for byte,
// and nothing else is left in its folder. A save that succeeds keeps the archive's permissions.
TEST(Archive, PackThatRunsOutOfRoomKeepsTheOldArchive) {
    ScratchDir dir;
    WriteFile(dir / "temp/prj.ini.key", "BTL\r\n");
    fs::create_directories(dir / "out");
    ASSERT_TRUE(Tmakeprjfile::Pack(dir.path(), dir / "out/p.gpu"));
    fs::permissions(dir / "out/p.gpu", fs::perms(0600));
    const auto before = Snapshot(dir / "out");

    std::mt19937 random(7);
    std::string noise(64 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    WriteFile(dir / "temp/pic/1.jpg", noise);  // does not deflate: the archive grows past 16 KB
    EXPECT_EQ(WithFileSizeLimit(16 * 1024, [&] { return Tmakeprjfile::Pack(dir.path(), dir / "out/p.gpu").ok(); }), 1);
    EXPECT_EQ(Snapshot(dir / "out"), before);

    ASSERT_TRUE(Tmakeprjfile::Pack(dir.path(), dir / "out/p.gpu"));
    EXPECT_EQ(fs::status(dir / "out/p.gpu").permissions(), fs::perms(0600));
    ScratchDir back;
    ASSERT_TRUE(Tmakeprjfile::Unpack(back.path(), dir / "out/p.gpu"));
    EXPECT_EQ(ReadFile(back / "temp/pic/1.jpg"), noise);
}

}  // namespace
}  // namespace quelmo::test
