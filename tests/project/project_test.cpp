#include "project/project.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/gbk.h"
#include "project/archive.h"
#include "support/scratch_dir.h"

namespace quelmo::test {
namespace {
namespace fs = std::filesystem;

struct RecordingHost : ProjectHost {
    bool answer = false;
    std::vector<std::string> questions, messages;
    int refreshes = 0;
    bool Ask(std::string_view q) override {
        questions.emplace_back(q);
        return answer;
    }
    void Show(std::string_view m) override { messages.emplace_back(m); }
    void RefreshStatus() override { ++refreshes; }
};

struct Fixture {
    ScratchDir dir;
    THashTable store;
    RecordingHost host;
    Tproject project{dir.path(), store, host};
    fs::path Temp(std::string_view rel = {}) const { return dir / "temp" / rel; }
};

TEST(ProjectSettings, SaveWritesTheProjectKeysInOrder) {
    Fixture f;
    fs::create_directories(f.Temp());
    f.project.State() = {"/p/a.gpu", Utf8ToGbk("演示"), 1, 2, 3, 4};
    ASSERT_TRUE(f.project.SaveSettings());
    EXPECT_EQ(ReadFile(f.Temp("prj.ini.key")), "PrjFileName\r\nPrjName\r\nMinFontsize\r\nPicSize\r\nFontsize\r\nBTL\r\n");
    EXPECT_EQ(ReadFile(f.Temp("prj.ini.val")), "/p/a.gpu\r\n\xD1\xDD\xCA\xBE\r\n1\r\n2\r\n3\r\n4\r\n");
}

TEST(ProjectSettings, LoadTakesStoredValuesAndAbsentKeysAsZero) {
    Fixture f;
    WriteFile(f.Temp("prj.ini.key"), "PrjFileName\r\nPrjName\r\n");
    WriteFile(f.Temp("prj.ini.val"), "/stored.gpu\r\nname\r\n");
    ASSERT_TRUE(f.project.LoadSettings());
    EXPECT_EQ(f.project.State().FileName, "/stored.gpu");
    EXPECT_EQ(f.project.State().Name, "name");
    EXPECT_EQ(f.project.State().BTL, 0);
    EXPECT_EQ(BaudText(f.project.State().BTL), "2400");

    // A name already set wins over the stored one.
    Fixture g;
    fs::copy(f.Temp(), g.Temp());
    g.project.State().FileName = "/opened.gpu";
    ASSERT_TRUE(g.project.LoadSettings());
    EXPECT_EQ(g.project.State().FileName, "/opened.gpu");
}

TEST(ProjectSettings, BaudTable) {
    EXPECT_EQ(BaudIndex("115200"), 6);
    EXPECT_EQ(BaudIndex("2400"), 0);
    for (const char* bad : {"115200 ", " 9600", "", "9601", "0"}) EXPECT_EQ(BaudIndex(bad), -1) << bad;
    EXPECT_EQ(BaudText(-1), "115200");
    EXPECT_EQ(BaudText(7), "115200");
    EXPECT_EQ(BaudText(3), "19200");
}

TEST(ProjectStartup, FollowsTheWorkspaceRule) {
    {  // no temp/: temp/ and temp/pic/ are made, no project is open
        Fixture f;
        auto r = f.project.Startup();
        ASSERT_TRUE(r);
        EXPECT_EQ(*r, StartupResult::CreatedWorkspace);
        EXPECT_TRUE(fs::is_directory(f.Temp("pic")));
        EXPECT_FALSE(f.project.State().IsOpen());
    }
    {  // temp/ without settings: nothing is made
        Fixture f;
        fs::create_directories(f.Temp());
        ASSERT_EQ(*f.project.Startup(), StartupResult::NothingDone);
        EXPECT_EQ(Snapshot(f.dir.path()).size(), 1u);
        EXPECT_FALSE(f.project.State().IsOpen());
    }
    {  // temp/ with settings: the project named there is open again and the image rebuilt
        Fixture f;
        WriteFile(f.Temp("prj.ini.key"), "PrjFileName\r\nBTL\r\n");
        WriteFile(f.Temp("prj.ini.val"), "/x/b.gpu\r\n3\r\n");
        ASSERT_EQ(*f.project.Startup(), StartupResult::RestoredProject);
        EXPECT_EQ(f.project.State().FileName, "/x/b.gpu");
        EXPECT_EQ(f.project.State().BTL, 3);
        EXPECT_EQ(f.host.refreshes, 1);
    }
}

TEST(ProjectParameters, BaudTextOutsideTheTableWritesNothing) {
    Fixture f;
    ASSERT_TRUE(f.project.Create("a", f.dir / "a.gpu"));
    const auto before = Snapshot(f.dir.path());
    auto r = f.project.SaveParameters("renamed", "115200 ");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "波特率设置不正确,保存失败!");
    EXPECT_EQ(f.project.State().Name, "renamed");  // kept in memory for the next save
    EXPECT_EQ(Snapshot(f.dir.path()), before);

    r = f.project.SaveParameters("renamed", "9600");
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, "保存成功!");
    THashTable back;
    ASSERT_TRUE(back.Load(f.Temp(), "prj.ini"));
    EXPECT_EQ(back.GetInt("BTL"), 2);
    EXPECT_EQ(back.GetValue("PrjName"), "renamed");
}

TEST(NewProject, EmptyNameIsRefused) {
    Fixture f;
    auto s = f.project.AcceptNewProject("", f.dir / "a.gpu");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().message, "工程名为空");
    EXPECT_FALSE(f.project.State().IsOpen());
    EXPECT_EQ(f.project.Create("", f.dir / "a.gpu").error().message, "工程名为空");
    EXPECT_FALSE(fs::exists(f.Temp()));
}

TEST(NewProject, CopiesTheBaseImageAndWritesNoArchive) {
    Fixture f;
    WriteFile(f.dir / "default.bin", "BASE");
    f.store.SetValue("pgcn0", "kept");  // a new project does not empty the store
    f.project.State().BTL = 2;
    ASSERT_TRUE(f.project.Create("a", f.dir / "a.gpu"));
    EXPECT_EQ(ReadFile(f.Temp("rom.bin")), "BASE");
    EXPECT_TRUE(fs::is_directory(f.Temp("pic")));
    EXPECT_FALSE(fs::exists(f.dir / "a.gpu"));
    EXPECT_EQ(f.project.State().BTL, 6);
    THashTable back;
    ASSERT_TRUE(back.Load(f.Temp(), "prj.ini"));
    EXPECT_EQ(back.GetValue("pgcn0"), "kept");
    EXPECT_EQ(back.GetValue("PrjFileName"), (f.dir / "a.gpu").string());

    // A second project is refused while one is open.
    EXPECT_FALSE(f.project.Create("b", f.dir / "b.gpu"));
}

TEST(NewProject, KeepsAnExistingRomCopyAndWorksWithoutABaseImage) {
    Fixture f;
    WriteFile(f.dir / "default.bin", "NEW");
    WriteFile(f.Temp("rom.bin"), "OLD");
    ASSERT_TRUE(f.project.Create("a", f.dir / "a.gpu"));
    EXPECT_EQ(ReadFile(f.Temp("rom.bin")), "OLD");

    Fixture g;
    ASSERT_TRUE(g.project.Create("a", g.dir / "a.gpu"));
    EXPECT_FALSE(fs::exists(g.Temp("rom.bin")));
}

TEST(NewProject, ProjectFileMustLieOutsideTheWorkspace) {
    Fixture f;
    // Close deletes temp/: an archive kept there would go with it.
    for (const fs::path& inside : {f.Temp("a.gpu"), f.dir / "temp/../temp/pic/a.gpu"}) {
        EXPECT_FALSE(f.project.Create("a", inside)) << inside;
        EXPECT_FALSE(f.project.State().IsOpen());
    }
    ASSERT_TRUE(f.project.Create("a", f.dir / "temp-not/a.gpu"));
    EXPECT_FALSE(f.project.SaveAs(f.Temp("b.gpu")));
    EXPECT_FALSE(fs::exists(f.Temp("b.gpu")));
}

// A project with a picture, saved: the archive holds the settings, the base image copy and the
// picture, and no entries for folders.
Fixture& SavedProject(Fixture& f) {
    WriteFile(f.dir / "default.bin", std::string(5000, '\xFF'));
    EXPECT_TRUE(f.project.Create(Utf8ToGbk("演示"), f.dir / "a.gpu"));
    WriteFile(f.Temp("pic/1.jpg"), "JPEG");
    EXPECT_TRUE(f.project.Save());
    return f;
}

TEST(ProjectSave, ArchiveHoldsEveryWorkspaceFile) {
    Fixture f;
    SavedProject(f);
    EXPECT_EQ(f.host.messages, std::vector<std::string>{"保存成功!"});
    auto names = Tmakeprjfile::ListFiles(f.dir.path());
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::string>{"temp/pic/1.jpg", "temp/prj.ini.key", "temp/prj.ini.val", "temp/rom.bin"}));
    EXPECT_TRUE(fs::exists(f.dir / "a.gpu"));
    // Only the archive itself is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(f.dir.path()), fs::directory_iterator()), 3);
}

TEST(ProjectSave, FailedSaveAsKeepsTheProjectAndItsArchive) {
    Fixture f;
    SavedProject(f);
    const std::string archive = ReadFile(f.dir / "a.gpu");
    WriteFile(f.dir / "file", "x");
    for (const fs::path& target : {f.dir / "file/b.gpu", f.dir / "missing/b.gpu"}) {
        EXPECT_FALSE(f.project.SaveAs(target)) << target;
        EXPECT_EQ(f.project.State().FileName, f.dir / "a.gpu");
        EXPECT_EQ(ReadFile(f.dir / "a.gpu"), archive);
    }
    ASSERT_TRUE(f.project.SaveAs(f.dir / "b.gpu"));
    EXPECT_EQ(f.project.State().FileName, f.dir / "b.gpu");
    // The new archive still names the old path; the workspace gets the new one at the next save.
    ScratchDir other;
    ASSERT_TRUE(Tmakeprjfile::Unpack(other.path(), f.dir / "b.gpu"));
    THashTable stored;
    ASSERT_TRUE(stored.Load(other / "temp", "prj.ini"));
    EXPECT_EQ(stored.GetValue("PrjFileName"), (f.dir / "a.gpu").string());
}

TEST(ProjectOpen, OpenedPathWinsOverTheStoredOne) {
    Fixture f;
    SavedProject(f);
    fs::rename(f.dir / "a.gpu", f.dir / "moved.gpu");
    f.host.answer = false;
    ASSERT_TRUE(f.project.Close());

    ASSERT_TRUE(f.project.Open(f.dir / "moved.gpu"));
    EXPECT_EQ(f.project.State().FileName, f.dir / "moved.gpu");
    EXPECT_EQ(GbkToUtf8(f.project.State().Name), "演示");
    EXPECT_EQ(ReadFile(f.Temp("pic/1.jpg")), "JPEG");
    ASSERT_TRUE(f.project.SaveSettings());
    THashTable back;
    ASSERT_TRUE(back.Load(f.Temp(), "prj.ini"));
    EXPECT_EQ(back.GetValue("PrjFileName"), (f.dir / "moved.gpu").string());
}

TEST(ProjectOpen, ArchiveWithoutEntriesOpensWithAFreshWorkspace) {
    Fixture f;
    fs::create_directories(f.Temp());
    ASSERT_TRUE(Tmakeprjfile::Pack(f.dir.path(), f.dir / "empty.gpu"));
    fs::remove_all(f.Temp());
    ASSERT_TRUE(f.project.Open(f.dir / "empty.gpu"));
    EXPECT_TRUE(f.project.State().IsOpen());
    EXPECT_TRUE(fs::is_directory(f.Temp("pic")));
}

TEST(ProjectOpen, WrongArchiveChangesNothing) {
    Fixture f;
    WriteFile(f.Temp("leftover.txt"), "mine");
    WriteFile(f.dir / "text.gpu", "not an archive\r\n");
    const auto before = Snapshot(f.dir.path());
    auto s = f.project.Open(f.dir / "text.gpu");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().message, "文件格式不对");
    EXPECT_FALSE(f.project.State().IsOpen());
    EXPECT_EQ(Snapshot(f.dir.path()), before);
    EXPECT_EQ(f.host.refreshes, 0);
}

TEST(ProjectClose, AnswerDecidesTheSaveAndTheWorkspaceGoesEitherWay) {
    for (bool yes : {false, true}) {
        Fixture f;
        SavedProject(f);
        const std::string archive = ReadFile(f.dir / "a.gpu");
        WriteFile(f.Temp("pic/2.jpg"), "NEW");
        f.host.answer = yes;
        ASSERT_TRUE(f.project.Close());
        EXPECT_EQ(f.host.questions, std::vector<std::string>{"是否保存工程:演示 到工程文件:" + (f.dir / "a.gpu").string()});
        EXPECT_FALSE(f.project.State().IsOpen());
        EXPECT_EQ(f.store.Count(), 0u);
        EXPECT_FALSE(fs::exists(f.Temp()));
        EXPECT_EQ(ReadFile(f.dir / "a.gpu") == archive, !yes);
    }
}

TEST(ProjectClose, FailedSaveKeepsTheProjectOpen) {
    Fixture f;
    SavedProject(f);
    fs::remove(f.dir / "a.gpu");
    fs::create_directories(f.dir / "a.gpu/blocker");  // a folder now stands where the archive goes
    f.host.answer = true;
    EXPECT_FALSE(f.project.Close());
    EXPECT_TRUE(f.project.State().IsOpen());
    EXPECT_TRUE(fs::exists(f.Temp("pic/1.jpg")));
    EXPECT_GT(f.store.Count(), 0u);
}

}  // namespace
}  // namespace quelmo::test
