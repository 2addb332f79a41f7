// The check of a downloaded program and its installation over the old one.
#include <gtest/gtest.h>

#include <elf.h>

#include "shell/self_update.h"
#include "support/scratch_dir.h"

using namespace quelmo;
using namespace quelmo::shell;
namespace fs = std::filesystem;

TEST(SelfUpdate, OnlyAWholeExecutableOfThisMachinePasses) {
    const std::string self = test::ReadFile(ProgramFile());
    ASSERT_GT(self.size(), 4096u);
    EXPECT_TRUE(CheckExecutable(ProgramFile()));
    test::ScratchDir dir;
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string other_class = self, other_machine = self, other_type = self;
    other_class[EI_CLASS] = ELFCLASS32;
    other_machine[EI_NIDENT + 2] ^= 0x7F;
    other_type[EI_NIDENT] = ET_REL;
    const Case cases[] = {
        {"empty", ""},
        {"ELF magic only", self.substr(0, 4)},
        {"header only", self.substr(0, 64)},
        {"half", self.substr(0, self.size() / 2)},
        {"one byte short", self.substr(0, self.size() - 1)},
        {"script", "#!/bin/sh\necho new\n"},
        {"other class", other_class},
        {"other machine", other_machine},
        {"object file", other_type},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteFile(dir / "new", c.bytes);
        EXPECT_FALSE(CheckExecutable(dir / "new"));
    }
    EXPECT_FALSE(CheckExecutable(dir / "missing"));
}

TEST(SelfUpdate, InstallReplacesOnlyWithAGoodProgram) {
    test::ScratchDir dir;
    const std::string self = test::ReadFile(ProgramFile());
    test::WriteFile(dir / "quelmo", "old program");
    test::WriteFile(dir / "quelmo.tmp", self.substr(0, self.size() - 100));
    EXPECT_FALSE(InstallProgram(dir / "quelmo.tmp", dir / "quelmo"));
    EXPECT_EQ(test::ReadFile(dir / "quelmo"), "old program");
    EXPECT_FALSE(fs::exists(dir / "quelmo.tmp"));

    test::WriteFile(dir / "quelmo.tmp", self);
    ASSERT_TRUE(InstallProgram(dir / "quelmo.tmp", dir / "quelmo"));
    EXPECT_EQ(test::ReadFile(dir / "quelmo"), self);
    EXPECT_FALSE(fs::exists(dir / "quelmo.tmp"));
    EXPECT_TRUE((fs::status(dir / "quelmo").permissions() & fs::perms::owner_exec) != fs::perms::none);
}
