// Packing and unpacking a full project workspace: a 400 KB mini font, 8 MB of picture data,
// a 24-pixel (588,816 bytes) and a 32-pixel (1,046,784 bytes) GB2312 font and 128 stored pages.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "editors/pages.h"
#include "project/archive.h"
#include "core/hashtable.h"

namespace {
namespace fs = std::filesystem;
using namespace quelmo;

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Glyphs of S rows stored column by column: a few strokes of ink each, like drawn characters.
std::string Glyphs(int count, int size, std::mt19937& rng) {
    const int column_bytes = size / 8;
    std::string out(static_cast<size_t>(count) * size * column_bytes, '\0');
    for (int g = 0; g < count; ++g) {
        char* glyph = out.data() + static_cast<size_t>(g) * size * column_bytes;
        for (int stroke = 0; stroke < 6; ++stroke) {
            const int x0 = static_cast<int>(rng() % size), y0 = static_cast<int>(rng() % size);
            const bool across = rng() & 1;
            const int length = size / 3 + static_cast<int>(rng() % (size / 2));
            for (int t = 0; t < length; ++t) {
                const int x = across ? std::min(size - 1, x0 + t) : x0, y = across ? y0 : std::min(size - 1, y0 + t);
                glyph[x * column_bytes + y / 8] |= static_cast<char>(1 << (y % 8));
            }
        }
    }
    return out;
}

// RGB565 pixels of smooth photographs with sensor noise, big-endian.
std::string Pictures(size_t bytes, std::mt19937& rng) {
    std::string out(bytes, '\0');
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        const size_t p = i / 2;
        const int r = static_cast<int>((p / 320 + p % 320) / 20 % 32), g = static_cast<int>((p % 320) / 5 % 64);
        const int b = static_cast<int>((p / 7000 + (rng() & 3)) % 32);
        const uint16_t v = static_cast<uint16_t>(r << 11 | g << 5 | b);
        out[i] = static_cast<char>(v >> 8);
        out[i + 1] = static_cast<char>(v & 0xFF);
    }
    return out;
}

// Made on first use, removed when the program ends.
struct Root {
    fs::path path;
    ~Root() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
} root;

const fs::path& Workspace() {
    if (root.path.empty()) root.path = [] {
        std::string pattern = (fs::temp_directory_path() / "quelmo-bench-XXXXXX").string();
        fs::path dir = mkdtemp(pattern.data());
        std::mt19937 rng(42);
        const fs::path temp = dir / "temp";
        Write(temp / "mini.sbin", Glyphs(400 * 1024 / 72, 24, rng));
        Write(temp / "mini.idx", std::string(8192, '\x01'));
        Write(temp / "pic.sbin", Pictures(8u << 20, rng));
        Write(temp / "pic.idx", std::string(4096, '\x02'));
        Write(temp / "hz24.sbin", Glyphs(8178, 24, rng));
        Write(temp / "hz32.sbin", Glyphs(8178, 32, rng));
        THashTable store;
        for (int n = 0; n < pages::kPageCount; ++n) {
            std::string text;
            while (text.size() < 900) text += "DS16(" + std::to_string(n) + ",10,'page text " + std::to_string(rng() % 1000) + "',1);\r\n";
            store.SetValue(PageTextKey(n), text);
            store.SetValue(PageNameKey(n), "page " + std::to_string(n + 1));
        }
        fs::create_directories(temp / "pic");
        (void)store.Save(temp, "prj.ini");
        return dir;
    }();
    return root.path;
}

void BM_Pack(benchmark::State& state) {
    const fs::path archive = Workspace() / "bench.gpu";
    for (auto _ : state)
        if (!Tmakeprjfile::Pack(Workspace(), archive)) state.SkipWithError("pack failed");
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive)) / (1 << 20);
}
BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Unpack(benchmark::State& state) {
    const fs::path archive = Workspace() / "unpack.gpu";
    if (!Tmakeprjfile::Pack(Workspace(), archive)) return state.SkipWithError("pack failed");
    const fs::path target = Workspace() / "unpacked";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
        if (!Tmakeprjfile::Unpack(target, archive)) state.SkipWithError("unpack failed");
    }
}
BENCHMARK(BM_Unpack)->Unit(benchmark::kMillisecond)->UseRealTime();


}  // namespace
