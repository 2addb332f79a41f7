// The server's information file and the program version.
#include <gtest/gtest.h>

#include <random>

#include "shell/server_info.h"
#include "shell/version.h"
#include "support/scratch_dir.h"

using namespace quelmo;
using namespace quelmo::shell;

TEST(ProgramVersion, TextAndNumberUseThreeParts) {
    const ProgramVersion v = ParseVersion("5.0.25");
    EXPECT_EQ(v.Text(), "5.0.25");
    EXPECT_EQ(v.Number(), 83886105);
    EXPECT_EQ(CurrentVersion().Text(), QUELMO_VERSION);
    EXPECT_LT(ParseVersion("5.0.25").Number(), ParseVersion("5.1.3").Number());
}

TEST(ServerInfo, LinesByTheirFirstTwoCharacters) {
    struct Case {
        const char* text;
        std::string version;
        bool has_version;
        int64_t data_version;
        std::vector<std::string> samples;
    };
    const Case cases[] = {
        {"#V 5.1.3\r\n#F 8\r\n#D demo.gpu(320x240 demo)\r\n", "5.1.3", true, 8, {"demo.gpu(320x240 demo)"}},
        // Only the first #V and #F count; every #D counts, in order; the separator is any character.
        {"#V=5.0.25\n#V 9.9.9\n#F:7\n#F 9\n#D a.gpu\n#Dxb.gpu\n", "5.0.25", true, 7, {"a.gpu", "b.gpu"}},
        // Digit runs end at the first non-digit and the next starts one character later; a
        // missing run reads 0.
        {"#V 12a.3.4\n#F x\n", "12.0.3", true, 0, {}},
        {"#V 5..\n", "5.0.0", true, 0, {}},
        // Lines not starting with a known pair, and lines too short, are ignored.
        {"V 1.2.3\n #V 1.2.3\n#v 1.2.3\n#\n#F\n", "0.0.0", false, 0, {}},
        // A run too long for a number stays a large number, not a wrapped one.
        {"#F 99999999999999999999\n", "0.0.0", false, 999999999, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ServerInfo info = ParseServerInfo(c.text);
        EXPECT_EQ(info.has_version, c.has_version);
        EXPECT_EQ(info.version.Text(), c.version);
        EXPECT_EQ(info.data_version, c.data_version);
        EXPECT_EQ(info.samples, c.samples);
    }
    EXPECT_TRUE(ParseServerInfo("#F\n").has_data_version);
}

TEST(ServerInfo, MissingUnreadableOrRandomFilesReadSafely) {
    test::ScratchDir dir;
    EXPECT_FALSE(ReadServerInfo(dir / "ser.ini").has_version);
    EXPECT_TRUE(ReadServerInfo(dir.path()).samples.empty());  // a folder cannot be read as a file
    std::mt19937 rng(12);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(1 + rng() % 600, '\0');
        for (char& b : bytes) b = static_cast<char>(rng() % 6 == 0 ? '#' : rng() % 6 == 1 ? '\n' : rng());
        test::WriteFile(dir / "ser.ini", bytes);
        const ServerInfo info = ReadServerInfo(dir / "ser.ini");
        EXPECT_GE(info.version.Number(), 0);
        EXPECT_LE(info.data_version, 999999999);
    }
}
