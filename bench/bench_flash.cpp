// Build of a full workspace: a 400 KB mini font, 8 MB of picture data, GB2312 full fonts at
// 24 and 32 pixels, 128 stored pages, over a base image; and drawing the base image itself.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "display/tcmd.h"
#include "flash/base_image.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "core/hashtable.h"

namespace {

using namespace quelmo;

void PutFile(const std::filesystem::path& path, size_t length) {
    std::vector<char> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(length));
}

struct Workspace {
    std::filesystem::path root;
    THashTable settings;
    Workspace() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quelmo-bench-XXXXXX").string();
        root = mkdtemp(pattern.data());
        const auto temp = root / "temp";
        std::filesystem::create_directories(temp);
        PutFile(root / flash::kBaseImageFile, flash::kBaseImageEnd);
        PutFile(temp / flash::kMiniIndexFile, flash::kMiniIndexSize);
        PutFile(temp / flash::kMiniGlyphsFile, 400 * 1024);
        PutFile(temp / flash::kPicIndexFile, flash::kPicIndexSize);
        PutFile(temp / flash::kPicDataFile, 8 * 1024 * 1024);
        PutFile(temp / "hz24.sbin", 588816);
        PutFile(temp / "hz32.sbin", 1046784);
        settings.SetInt("hz24bf", 1);
        settings.SetInt("hz32bf", 1);
        settings.SetInt("BTL", 6);
        for (int n = 0; n < flash::kPageCount; ++n)
            settings.SetValue("pgcn" + std::to_string(n), "CLS(0);\r\nDS16(0,0,'page " + std::to_string(n) +
                                                              "',15);\r\nBOXF(10,10,100,100,3);\r\nPIC(0,20,1);");
    }
    ~Workspace() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

void BM_Build(benchmark::State& state) {
    Workspace ws;
    Trom rom;
    Tcmd cmd(rom);
    BuildSources src;
    src.workspace = ws.root / "temp";
    src.base_image = ws.root / flash::kBaseImageFile;
    src.settings = &ws.settings;
    for (auto _ : state) {
        Status s = rom.Build(src);
        if (!s) state.SkipWithError(s.error().message.c_str());
        cmd.Screen().ReadFontRegions();
        benchmark::DoNotOptimize(rom.Image()[flash::kPageTable]);
    }
}
BENCHMARK(BM_Build)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

// Drawing our base image, what the first build on a fresh machine adds.
void BM_DrawBaseImage(benchmark::State& state) {
    std::vector<uint8_t> image(flash::kBaseImageEnd, 0xFF);
    for (auto _ : state) {
        auto r = DrawBaseImage(image.data());
        if (!r) state.SkipWithError(r.error().message.c_str());
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_DrawBaseImage)->Unit(benchmark::kMillisecond);

}  // namespace
