// The interpreter and the simulated screen: splitting and dispatch, clearing, a page of shapes.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "display/tcmd.h"
#include "display/framebuffer.h"
#include "flash/trom.h"

namespace {

using namespace quelmo;

struct Bench {
    Bench(int w, int h) : pixels(w, h), cmd(rom) { cmd.Screen().SetSurface(pixels.View()); }
    Trom rom;
    PixelBuffer pixels;
    Tcmd cmd;
};

// Splitting and dispatch: statements per second through RunText.
void BM_RunTextSbc(benchmark::State& state) {
    Bench b(320, 240);
    std::string text;
    const int n = 100000;
    for (int i = 0; i < n; ++i) text += "SBC(1);";
    for (auto _ : state) b.cmd.RunText(text);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RunTextSbc)->Unit(benchmark::kMillisecond);

void BM_Cls854x480(benchmark::State& state) {
    Bench b(854, 480);
    int c = 0;
    for (auto _ : state) {
        b.cmd.RunStatement(c++ & 1 ? "CLS(1)" : "CLS(2)");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Cls854x480)->Unit(benchmark::kMicrosecond);

// 200 statements: boxes, filled boxes, lines, circles, filled circles and pixels.
std::string ShapePage() {
    std::mt19937 rng(7);
    auto r = [&](int n) { return std::to_string(rng() % n); };
    std::string page = "CLS(0);";
    for (int i = 0; i < 199; ++i) {
        switch (i % 6) {
            case 0: page += "BOX(" + r(854) + "," + r(480) + "," + r(854) + "," + r(480) + "," + r(64) + ");"; break;
            case 1: page += "BOXF(" + r(700) + "," + r(400) + "," + r(854) + "," + r(480) + "," + r(64) + ");"; break;
            case 2: page += "PL(" + r(854) + "," + r(480) + "," + r(854) + "," + r(480) + "," + r(64) + ");"; break;
            case 3: page += "CIR(" + r(854) + "," + r(480) + "," + r(200) + "," + r(64) + ");"; break;
            case 4: page += "CIRF(" + r(854) + "," + r(480) + "," + r(120) + "," + r(64) + ");"; break;
            default: page += "PS(" + r(854) + "," + r(480) + "," + r(64) + ");"; break;
        }
    }
    return page;
}

void BM_ShapePage854x480(benchmark::State& state) {
    Bench b(854, 480);
    const std::string page = ShapePage();
    for (auto _ : state) {
        b.cmd.RunText(page);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ShapePage854x480)->Unit(benchmark::kMicrosecond);

}  // namespace
