// The start-up update check against real web servers on loopback: the information file, the
// base image by its data version, the program question, cut and dead servers.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "shell/downloader.h"
#include "shell/update_check.h"
#include "support/http_server.h"
#include "support/scratch_dir.h"

using namespace quelmo;
using namespace quelmo::shell;
namespace fs = std::filesystem;

namespace {

// A base image of `size` bytes with data version `version` at bytes 256..259.
std::string BaseImage(int32_t version, size_t size = 4096, char fill = 'x') {
    std::string bytes(size, fill);
    for (int i = 0; i < 4; ++i) bytes[256 + i] = static_cast<char>(static_cast<uint32_t>(version) >> (8 * i));
    return bytes;
}

struct RecordingHost : UpdateHost {
    bool answer = false;
    std::vector<std::string> statuses, questions, messages;
    void Status(std::string_view t) override { statuses.emplace_back(t); }
    bool Ask(std::string_view q) override {
        questions.emplace_back(q);
        return answer;
    }
    void Show(std::string_view m) override { messages.emplace_back(m); }
};

struct Fixture {
    test::ScratchDir site, work;
    Fixture() { fs::create_directories(site / "wd"); }
    void Serve(const std::string& info, const std::string& base) {
        test::WriteFile(site / "wd" / "getinfo.php", info);
        test::WriteFile(site / "wd" / "default.bin", base);
    }
    UpdateOptions Options(const std::string& server) const {
        UpdateOptions o;
        o.server = server;
        o.workdir = work.path();
        o.current = ParseVersion("5.0.25");
        return o;
    }
};

}  // namespace

TEST(UpdateCheck, ProgramQuestionByVersionNumber) {
    Fixture f;
    test::FolderServer server(f.site.path());
    ASSERT_FALSE(server.Address().empty());
    struct Case {
        const char* info;
        bool asked;
        UpdateOutcome outcome;
    };
    for (const Case& c : {Case{"#V 5.0.25\r\n#F 1\r\n", false, UpdateOutcome::Continue},
                          Case{"#V 5.1.3\r\n#F 1\r\n", true, UpdateOutcome::NewerDeclined},
                          Case{"#V 4.9.99\r\n", false, UpdateOutcome::Continue},
                          Case{"#F 1\r\n#D demo.gpu\r\n", false, UpdateOutcome::Continue}}) {
        SCOPED_TRACE(c.info);
        f.Serve(c.info, BaseImage(1));
        test::WriteFile(f.work / "default.bin", BaseImage(1));
        RecordingHost host;
        const UpdateResult r = RunUpdateCheck(host, f.Options(server.Address()));
        EXPECT_TRUE(r.info_downloaded);
        EXPECT_EQ(test::ReadFile(f.work / "ser.ini"), c.info);
        EXPECT_EQ(r.outcome, c.outcome);
        ASSERT_EQ(host.questions.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(host.questions[0], "发现新版本:5.1.3  当前版本:5.0.25   是否升级?");
        }
        EXPECT_EQ(host.statuses.front(), update_text::kChecking);
    }
}

TEST(UpdateCheck, BaseImageByDataVersion) {
    Fixture f;
    test::FolderServer server(f.site.path());
    ASSERT_FALSE(server.Address().empty());
    const std::string served = BaseImage(8, 8192, 's');
    struct Case {
        const char* info;
        std::optional<int32_t> local;  // none: no default.bin
        bool downloaded;
    };
    for (const Case& c : {Case{"#F 7\r\n", 7, false}, Case{"#F 8\r\n", 7, true}, Case{"#F 6\r\n", 7, false},
                          Case{"#V 1.0.0\r\n", 7, false}, Case{"#V 1.0.0\r\n", -1, true},
                          Case{"#V 1.0.0\r\n", std::nullopt, true}}) {
        SCOPED_TRACE(std::string(c.info) + std::to_string(c.local.value_or(999)));
        f.Serve(c.info, served);
        const std::string before = c.local ? BaseImage(*c.local) : "";
        fs::remove(f.work / "default.bin");
        if (c.local) test::WriteFile(f.work / "default.bin", before);
        RecordingHost host;
        const UpdateResult r = RunUpdateCheck(host, f.Options(server.Address()));
        EXPECT_EQ(r.base_downloaded, c.downloaded);
        EXPECT_EQ(test::ReadFile(f.work / "default.bin"), c.downloaded ? served : before);
        EXPECT_EQ(host.statuses.size(), c.downloaded ? 2u : 1u);
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST(UpdateCheck, BaseImageCutShortLeavesTheOldOneAndEndsTheProgram) {
    Fixture f;
    const std::string served = BaseImage(8, 200000, 'n');
    test::ScriptedServer server({{"/wd/getinfo.php", {"#F 8\r\n"}}, {"/wd/default.bin", {served, served.size() / 2}}});
    const std::string old = BaseImage(7, 100000, 'o');
    test::WriteFile(f.work / "default.bin", old);
    RecordingHost host;
    const UpdateResult r = RunUpdateCheck(host, f.Options(server.Address()));
    EXPECT_EQ(r.outcome, UpdateOutcome::Quit);
    EXPECT_EQ(host.messages, std::vector<std::string>{update_text::kBaseFailed});
    EXPECT_EQ(test::ReadFile(f.work / "default.bin"), old);
    EXPECT_FALSE(fs::exists(f.work / "default.bin.part"));
    EXPECT_NE(server.Requests().find("/wd/default.bin"), std::string::npos);
}

TEST(UpdateCheck, NoServerOrADeadOneEndsQuicklyWithTheOldFiles) {
    Fixture f;
    test::ScriptedServer silent({}, /*silent=*/true);
    const std::string old_info = "#V 5.1.3\r\n";
    for (std::optional<std::string> server : {std::optional<std::string>{}, std::optional(test::DeadAddress()),
                                              std::optional(silent.Address())}) {
        SCOPED_TRACE(server.value_or("no server"));
        // Without a fresh information file the old one still offers the newer program; a
        // missing default.bin is not fetched.
        test::WriteFile(f.work / "ser.ini", old_info);
        fs::remove(f.work / "default.bin");
        RecordingHost host;
        UpdateOptions o = f.Options("");
        o.server = server;
        const auto start = std::chrono::steady_clock::now();
        const UpdateResult r = RunUpdateCheck(host, o);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_FALSE(r.info_downloaded);
        EXPECT_EQ(r.outcome, UpdateOutcome::NewerDeclined);
        EXPECT_EQ(host.questions.size(), 1u);
        EXPECT_EQ(test::ReadFile(f.work / "ser.ini"), old_info);
        EXPECT_FALSE(fs::exists(f.work / "default.bin"));
    }
    // And with no file at all the check still ends.
    fs::remove(f.work / "ser.ini");
    RecordingHost host;
    UpdateOptions o = f.Options("");
    o.server.reset();
    EXPECT_EQ(RunUpdateCheck(host, o).outcome, UpdateOutcome::Continue);
}

TEST(UpdateCheck, RandomBytesAsTheInformationFile) {
    Fixture f;
    test::FolderServer server(f.site.path());
    ASSERT_FALSE(server.Address().empty());
    std::mt19937 rng(7);
    std::string noise(3000, '\0');
    for (char& b : noise) b = static_cast<char>(rng());
    f.Serve(noise, BaseImage(3));
    test::WriteFile(f.work / "default.bin", BaseImage(3));
    RecordingHost host;
    const UpdateResult r = RunUpdateCheck(host, f.Options(server.Address()));
    EXPECT_TRUE(r.info_downloaded);
    EXPECT_NE(r.outcome, UpdateOutcome::Quit);
    EXPECT_EQ(test::ReadFile(f.work / "default.bin"), BaseImage(3));
}

TEST(Download, WholeOrNothing) {
    test::ScratchDir dir;
    const std::string body(100000, 'b');
    test::ScriptedServer server({{"/whole", {body}}, {"/cut", {body, 5000}}, {"/empty", {""}}});
    test::WriteFile(dir / "target", "old");
    EXPECT_FALSE(Download(server.Address() + "/cut", dir / "target"));
    EXPECT_FALSE(Download(server.Address() + "/missing", dir / "target"));
    EXPECT_FALSE(Download(server.Address() + "/empty", dir / "target"));
    DownloadOptions abort;
    abort.progress = [](uint64_t, uint64_t) { return false; };
    EXPECT_FALSE(Download(server.Address() + "/whole", dir / "target", abort));
    EXPECT_EQ(test::ReadFile(dir / "target"), "old");
    EXPECT_FALSE(fs::exists(dir / "target.part"));

    uint64_t seen = 0;
    DownloadOptions watch;
    watch.progress = [&](uint64_t received, uint64_t) {
        seen = std::max(seen, received);
        return true;
    };
    ASSERT_TRUE(Download(server.Address() + "/whole", dir / "target", watch));
    EXPECT_EQ(test::ReadFile(dir / "target"), body);
    EXPECT_EQ(seen, body.size());
}
