// The start page's rules, the offline setup and the sample list with the fetching of a sample.
#include <gtest/gtest.h>

#include "flash/trom.h"
#include "shell/start_page.h"
#include "support/http_server.h"
#include "support/scratch_dir.h"

using namespace quelmo;
using namespace quelmo::shell;
namespace fs = std::filesystem;

TEST(StartPage, PanelsAndButtonsFollowProjectAndConnection) {
    struct Case {
        bool open;
        int state;
        bool p1, p2, p3, a1, b, c, d1;
    };
    for (const Case& k : {Case{false, 0, true, true, false, true, true, false, false},
                          Case{true, 0, true, false, false, false, true, false, false},
                          Case{true, 2, false, false, true, false, false, true, false},
                          Case{true, 1, false, false, true, false, false, true, true},
                          Case{false, 2, false, true, false, true, false, true, false}}) {
        SCOPED_TRACE(std::to_string(k.open) + " " + std::to_string(k.state));
        const StartPageView v = StartPageRules(k.open, k.state);
        EXPECT_EQ(v.panel1, k.p1);
        EXPECT_EQ(v.panel2, k.p2);
        EXPECT_EQ(v.panel3, k.p3);
        EXPECT_EQ(v.a1, k.a1);
        EXPECT_EQ(v.b, k.b);
        EXPECT_EQ(v.c, k.c);
        EXPECT_EQ(v.d1, k.d1);
    }
}

TEST(StartPage, OfflineSetup) {
    struct Case {
        const char* resolution;
        const char* memory;
        int width, height, mb;
    };
    for (const Case& c : {Case{"854X480", "16M", 854, 480, 16}, Case{"220X176", "2M", 220, 176, 2},
                          Case{"", "8M", 320, 240, 8}, Case{"480X272", "4M", 480, 272, 4},
                          Case{"abcXdef", "32M", 0, 0, 16}, Case{"12", "", 12, 0, 16}}) {
        SCOPED_TRACE(c.resolution);
        int state = 0;
        DeviceInfo device;
        OfflineSetup(c.resolution, c.memory, &state, &device);
        EXPECT_EQ(state, 2);
        EXPECT_EQ(device.ScreenWidth, c.width);
        EXPECT_EQ(device.ScreenHeight, c.height);
        EXPECT_EQ(device.MemorySize, c.mb);
    }
}

TEST(SampleList, BundledThenServerEntriesWithSafeNames) {
    test::ScratchDir dir;
    test::WriteFile(dir / "bundled" / "b.gpu", "B");
    test::WriteFile(dir / "bundled" / "a.gpu", "A");
    test::WriteFile(dir / "bundled" / "notes.txt", "not a sample");
    test::WriteFile(dir / "ser.ini",
                    "#V 1.0.0\r\n#D demo.gpu(320x240 demo)\r\n#D ../up.gpu\r\n#D /etc/x.gpu\r\n#D sub/x.gpu\r\n"
                    "#D ..\r\n#D\r\n#D \xB2\xE2\xCA\xD4.gpu(\xC0\xFD)\r\n");
    const auto list = SampleList(dir / "ser.ini", dir / "bundled");
    std::vector<std::string> texts, names;
    for (const auto& e : list) {
        texts.push_back(e.text);
        names.push_back(e.name);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"a.gpu(bundled)", "b.gpu(bundled)", "demo.gpu(320x240 demo)",
                                               "测试.gpu(例)"}));
    EXPECT_EQ(names, (std::vector<std::string>{"a.gpu", "b.gpu", "demo.gpu", "测试.gpu"}));
    EXPECT_EQ(list[0].bundled, dir / "bundled" / "a.gpu");
    EXPECT_TRUE(list[2].bundled.empty());
    EXPECT_EQ(list[3].server_name, "\xB2\xE2\xCA\xD4.gpu");
    EXPECT_TRUE(SampleList(dir / "missing.ini", {}).empty());
}

TEST(SampleList, FetchingCopiesOrDownloadsWholeOrNothing) {
    test::ScratchDir dir;
    fs::create_directories(dir / "work");
    const std::string archive(50000, 'z');
    test::ScriptedServer server({{"/wd/gpu/demo.gpu", {archive}}, {"/wd/gpu/cut.gpu", {archive, 1000}}});
    const SampleEntry demo{"demo.gpu(320x240 demo)", "demo.gpu", "demo.gpu", {}};
    const SampleEntry cut{"cut.gpu", "cut.gpu", "cut.gpu", {}};

    auto got = FetchSample(demo, dir / "work", server.Address());
    ASSERT_TRUE(got) << got.error().message;
    EXPECT_EQ(*got, dir / "work" / "demo.gpu");
    EXPECT_EQ(test::ReadFile(*got), archive);

    EXPECT_FALSE(FetchSample(cut, dir / "work", server.Address()));
    EXPECT_FALSE(FetchSample(demo, dir / "work", std::nullopt));
    EXPECT_FALSE(fs::exists(dir / "work" / "cut.gpu"));
    EXPECT_FALSE(fs::exists(dir / "work" / "cut.gpu.part"));

    test::WriteFile(dir / "bundled" / "own.gpu", "own archive");
    const SampleEntry own{"own.gpu(bundled)", "own.gpu", {}, dir / "bundled" / "own.gpu"};
    got = FetchSample(own, dir / "work", std::nullopt);
    ASSERT_TRUE(got);
    EXPECT_EQ(test::ReadFile(dir / "work" / "own.gpu"), "own archive");

    // Opened again unchanged: the same copy. Saved over by the user: the copy is kept and the
    // sample goes beside it.
    EXPECT_EQ(*FetchSample(own, dir / "work", std::nullopt), dir / "work" / "own.gpu");
    test::WriteFile(dir / "work" / "own.gpu", "the user's edits");
    got = FetchSample(own, dir / "work", std::nullopt);
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, dir / "work" / "own-2.gpu");
    EXPECT_EQ(test::ReadFile(dir / "work" / "own.gpu"), "the user's edits");
    EXPECT_EQ(test::ReadFile(*got), "own archive");
}
