// Fonts: full sets through the rasteriser against a bare FreeType loop over the same glyphs, a
// whole font build, and a line of 24-pixel text on the simulated screen.
#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/gbk.h"
#include "display/tcmd.h"
#include "display/framebuffer.h"
#include "flash/trom.h"
#include "fonts/build_run.h"
#include "fonts/canvas.h"
#include "flash/font_format.h"
#include "fonts/settings.h"
#include "fonts/tmakefont.h"
#include "core/hashtable.h"

namespace {

using namespace quelmo;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// One full set through the rasteriser (fit included), at the face "宋体".
double FullSet(Tmakefont& mf, int size, int selector) {
    const auto t0 = Clock::now();
    mf.ResetBuffers();
    mf.face_name = fontset::kDefaultFace;
    mf.size = size;
    mf.mode = Tmakefont::kModeChinese;
    mf.FitChinese();
    mf.selector = selector;
    if (!mf.BuildCharSet().ok()) return -1;
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// The same glyphs straight from FreeType: the face fontconfig picks, the fitted size, rendered
// monochrome, nothing else.
double BareFreeType(const std::string& file, int index, int pixel_height, const fontfile::CodeSet& set) {
    FT_Library lib;
    FT_Face face;
    FT_Init_FreeType(&lib);
    FT_New_Face(lib, file.c_str(), index, &face);
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_height));
    const auto t0 = Clock::now();
    long sum = 0;
    for (int lead = set.first_lead; lead <= set.last_lead; ++lead)
        for (int trail = set.first_trail; trail <= set.last_trail; ++trail)
            if (FT_Load_Char(face, GbkCodePoint(lead, trail), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0)
                sum += face->glyph->bitmap.rows;
    benchmark::DoNotOptimize(sum);
    const double t = std::chrono::duration<double>(Clock::now() - t0).count();
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return t;
}

std::pair<std::string, int> MatchFile(const char* name) {
    FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>(name));
    FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult r;
    FcPattern* m = FcFontMatch(nullptr, p, &r);
    FcChar8* file = nullptr;
    int index = 0;
    FcPatternGetString(m, FC_FILE, 0, &file);
    FcPatternGetInteger(m, FC_INDEX, 0, &index);
    std::pair<std::string, int> out(reinterpret_cast<char*>(file), index);
    FcPatternDestroy(m);
    FcPatternDestroy(p);
    return out;
}

// Reports the rasteriser's time per set and its ratio to the bare loop in the same run.
void FullSetBench(benchmark::State& state, int size, int selector, const fontfile::CodeSet& set) {
    MonoCanvas canvas;
    Tmakefont mf(canvas);
    const auto [file, index] = MatchFile("宋体");
    double ours = 0, bare = 0;
    for (auto _ : state) {
        const double t = FullSet(mf, size, selector);
        const double b = BareFreeType(file, index, mf.font_height, set);
        state.SetIterationTime(t);
        ours += t;
        bare += b;
    }
    state.counters["glyphs"] = set.Glyphs();
    state.counters["bare_s"] = bare / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / bare;
}

void BM_FullGb2312At24(benchmark::State& state) { FullSetBench(state, 24, Tmakefont::kSetGb2312, fontfile::kGb2312); }
BENCHMARK(BM_FullGb2312At24)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FullGbkAt32(benchmark::State& state) { FullSetBench(state, 32, Tmakefont::kSetGbk, fontfile::kGbk); }
BENCHMARK(BM_FullGbkAt32)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

// A whole build: ASC "all" at four sizes, small libraries filling the 32 and 64-pixel regions
// (417 characters beside the 95 ASC records of 512), GB2312 at 24 and 48, GBK16.
void BM_WholeFontBuild(benchmark::State& state) {
    MonoCanvas canvas;
    Tmakefont mf(canvas);
    THashTable store;
    std::string chars;
    for (int lead = 0xB0; chars.size() < 2 * 417; ++lead)
        for (int trail = 0xA1; trail <= 0xFE && chars.size() < 2 * 417; ++trail) chars += {char(lead), char(trail)};
    for (int n : fontset::kSizes) {
        const int set = n == 24 || n == 48 ? fontset::kHzGb2312 : fontset::kHzPart;
        (void)fontset::ApplyChinese(store, n, {fontset::kDefaultFace, set, n == 32 || n == 64 ? chars : std::string()});
        fontset::ApplyAsc(store, n, {fontset::kDefaultFace, true, fontset::kAscAll, ""});
    }
    fontset::SetGbk16(store, true);
    const fs::path dir = fs::temp_directory_path() / "quelmo-bench-fonts";
    fs::create_directories(dir);
    for (auto _ : state)
        if (!RunFontBuild(mf, store, dir, {}).ok()) state.SkipWithError("build failed");
    fs::remove_all(dir);
}
BENCHMARK(BM_WholeFontBuild)->Unit(benchmark::kMillisecond)->Iterations(2);

// 100 half-width characters at 24 pixels, each found through the mini index.
void BM_Ds24Line100(benchmark::State& state) {
    Trom rom;
    {
        MonoCanvas canvas;
        Tmakefont mf(canvas);
        mf.ResetDefaults();
        mf.data_pos = static_cast<int32_t>(flash::kMiniGlyphs);
        mf.index_pos = Tmakefont::kIndexRegions[3];
        mf.size = 24;
        mf.mode = Tmakefont::kModeSameWidth;
        mf.FitAsc();
        mf.selector = Tmakefont::kSetAllAsc;
        (void)mf.BuildCharSet();
        std::memcpy(rom.Image() + flash::kMiniIndex, mf.Buffer() + flash::kMiniIndex, flash::kMiniIndexSize);
        std::memcpy(rom.Image() + flash::kMiniGlyphs, mf.Buffer() + flash::kMiniGlyphs,
                    static_cast<size_t>(mf.data_pos) - flash::kMiniGlyphs);
    }
    PixelBuffer pixels(1280, 32);
    Tcmd cmd(rom);
    cmd.Screen().SetSurface(pixels.View());
    std::string text;
    for (int i = 0; i < 100; ++i) {
        const char c = static_cast<char>(0x20 + (i * 7) % 95);
        text.push_back(c == '\'' || c == '\\' ? 'x' : c);
    }
    const std::string statement = "DS24(0,0,'" + text + "',1)";
    for (auto _ : state) {
        cmd.RunStatement(statement);
        benchmark::ClobberMemory();
    }
    state.counters["x2"] = cmd.Bounds().x2;
}
BENCHMARK(BM_Ds24Line100)->Unit(benchmark::kMicrosecond);

}  // namespace
