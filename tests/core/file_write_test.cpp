#include "core/file_write.h"

#include <gtest/gtest.h>

#include <string>

#include "support/file_limits.h"
#include "support/scratch_dir.h"

namespace quelmo::test {
namespace {

namespace fs = std::filesystem;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// Two writers of one target at once (a save from the window while the command line writes):
// each has a temporary file of its own, so the target ends up as one of them, whole.
TEST(FileWrite, TwoWritersOfOneTargetDoNotShareATemporaryFile) {
    ScratchDir dir;
    const fs::path target = dir / "pic.idx";
    const std::string first(10000, 'a'), second(300, 'b');
    PieceFile a(target), b(target);
    a.Write(0, Bytes(first), first.size());
    b.Write(0, Bytes(second), second.size());
    EXPECT_TRUE(a.Commit(first.size()));
    EXPECT_EQ(ReadFile(target), first);
    EXPECT_TRUE(b.Commit(second.size()));
    EXPECT_EQ(ReadFile(target), second);
    EXPECT_EQ(Snapshot(dir.path()).size(), 1u);
}

TEST(FileWrite, ReplacedFileKeepsItsPermissionBits) {
    ScratchDir dir;
    for (const auto mode : {fs::perms(0600), fs::perms(0755)}) {
        const fs::path target = dir / "rom.sbin";
        WriteFile(target, "old");
        fs::permissions(target, mode);
        ASSERT_TRUE(WriteFileWhole(target, Bytes("new"), 3));
        EXPECT_EQ(ReadFile(target), "new");
        EXPECT_EQ(fs::status(target).permissions(), mode);
    }
}

// A disk that fills up: the error names the target, which keeps its old bytes, and no
// temporary file stays behind.
TEST(FileWrite, FullDiskLeavesTheOldFile) {
    ScratchDir dir;
    const fs::path target = dir / "mini.sbin";
    WriteFile(target, "old bytes");
    const std::string big(20000, 'x');
    EXPECT_EQ(WithFileSizeLimit(8192, [&] {
        const Status s = WriteFileWhole(target, Bytes(big), big.size());
        return !s && s.error().message.find("cannot write " + target.string() + ": ") == 0;
    }), 0);
    EXPECT_EQ(Snapshot(dir.path()), (std::map<std::string, std::string>{{"mini.sbin", "old bytes"}}));
}

// A set whose last file cannot be placed puts the first ones back: an old file returns, a new
// one goes, and nothing else stays in the folder.
TEST(FileWrite, SetThatCannotPlaceItsLastFileRestoresTheOthers) {
    ScratchDir dir;
    WriteFile(dir / "mini.idx", "old index");
    WriteFile(dir / "hz16.sbin/x", "");  // a folder where the last file goes
    const auto before = Snapshot(dir.path());
    FileSet set;
    EXPECT_TRUE(set.Add(dir / "mini.idx", Bytes("new index"), 9));
    EXPECT_TRUE(set.Add(dir / "mini.sbin", Bytes("new glyphs"), 10));
    EXPECT_TRUE(set.Add(dir / "hz16.sbin", Bytes("new font"), 8));
    EXPECT_FALSE(set.Commit());
    EXPECT_EQ(Snapshot(dir.path()), before);

    fs::remove_all(dir / "hz16.sbin");
    FileSet again;
    EXPECT_TRUE(again.Add(dir / "mini.idx", Bytes("new index"), 9));
    EXPECT_TRUE(again.Add(dir / "hz16.sbin", Bytes("new font"), 8));
    EXPECT_TRUE(again.Commit());
    EXPECT_EQ(Snapshot(dir.path()),
              (std::map<std::string, std::string>{{"hz16.sbin", "new font"}, {"mini.idx", "new index"}}));
}

}  // namespace
}  // namespace quelmo::test
