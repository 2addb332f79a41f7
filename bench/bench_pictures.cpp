// Picture benchmarks:
//   BM_Make100Jpegs: Make over 100 JPEGs of 800 x 480 (five lists of 20, as many as the flash's
//     picture data holds), with the time libjpeg-turbo alone needs to read and decode the same
//     files on one thread in the same run. Counters: make_ms, decode_ms and their ratio vs_decode
//     in wall-clock time (Make decodes on every core); make_cpu_ms, decode_cpu_ms and
//     cpu_vs_decode in CPU time of the whole process, the work done whatever the cores.
//   BM_PeakMemoryReflashMake200: peak resident memory (counter peak_MB) of a separate process that
//     reflashes and makes a list of 200 JPEGs of 800 x 480.
//   BM_Pic800x480: PIC of an 800 x 480 picture onto an 800 x 480 screen.
#include <benchmark/benchmark.h>

#include <jpeglib.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "display/tcmd.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "pictures/picture_list.h"

extern char** environ;

namespace {

using namespace quelmo;
namespace fs = std::filesystem;

constexpr int kWidth = 800, kHeight = 480;

// A photo-like picture: smooth gradients with a little noise, so the coder has real work.
std::string PhotoJpeg(unsigned seed) {
    Picture p;
    p.Resize(kWidth, kHeight, 0);
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = static_cast<int>((state >> 16) & 15);
            uint8_t* c = p.At(x, y);
            c[0] = static_cast<uint8_t>((x * 255 / kWidth + noise + seed * 40) & 255);
            c[1] = static_cast<uint8_t>((y * 255 / kHeight + noise) & 255);
            c[2] = static_cast<uint8_t>(((x + y) * 128 / (kWidth + kHeight) + noise * 2) & 255);
        }
    return *pictures::EncodeJpeg(p, 85);
}

// Writes `count` JPEGs into `folder` (four different pictures in turn).
void WriteJpegs(const fs::path& folder, int count) {
    static std::vector<std::string> photos;
    if (photos.empty())
        for (unsigned i = 0; i < 4; ++i) photos.push_back(PhotoJpeg(i));
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i)
        std::ofstream(folder / (std::to_string(i + 1) + ".jpg"), std::ios::binary) << photos[static_cast<size_t>(i) % 4];
}

fs::path BenchFolder(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("quelmo-bench-" + std::to_string(getpid())) / name;
    fs::create_directories(dir);
    return dir;
}

// Wall-clock seconds, and CPU seconds of the whole process (every thread's work counts).
double WallSeconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
struct Spent {
    double wall = 0, cpu = 0;
};

// libjpeg-turbo alone: every file read and decoded to RGB rows, nothing else.
Spent DecodeAlone(const std::vector<fs::path>& files) {
    std::vector<uint8_t> row(kWidth * 3);
    const double wall = WallSeconds(), cpu = CpuSeconds();
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[1] = {row.data()};
            jpeg_read_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(row.data());
    }
    return {WallSeconds() - wall, CpuSeconds() - cpu};
}

void BM_Make100Jpegs(benchmark::State& state) {
    std::vector<PictureList> lists;
    std::vector<fs::path> files;
    for (int batch = 0; batch < 5; ++batch) {
        const fs::path work = BenchFolder("make" + std::to_string(batch));
        WriteJpegs(work / "temp" / "pic", 20);
        for (int i = 1; i <= 20; ++i) files.push_back(work / "temp" / "pic" / (std::to_string(i) + ".jpg"));
        lists.push_back(PictureList::ForFlash(work));
        if (!lists.back().Reflash().ok()) return state.SkipWithError("reflash failed");
    }
    Spent make;
    for (auto _ : state) {
        const double wall = WallSeconds(), cpu = CpuSeconds();
        for (PictureList& list : lists) {
            auto made = list.Make(nullptr);
            if (!made.ok() || !made->empty()) return state.SkipWithError("make failed or left pictures out");
        }
        make.wall += WallSeconds() - wall;
        make.cpu += CpuSeconds() - cpu;
    }
    const double runs = static_cast<double>(state.iterations());
    Spent decode{1e9, 1e9};
    for (int rep = 0; rep < 3; ++rep) {
        const Spent once = DecodeAlone(files);
        decode.wall = std::min(decode.wall, once.wall);
        decode.cpu = std::min(decode.cpu, once.cpu);
    }
    state.counters["make_ms"] = make.wall / runs * 1000;
    state.counters["decode_ms"] = decode.wall * 1000;
    state.counters["vs_decode"] = make.wall / runs / decode.wall;
    state.counters["make_cpu_ms"] = make.cpu / runs * 1000;
    state.counters["decode_cpu_ms"] = decode.cpu * 1000;
    state.counters["cpu_vs_decode"] = make.cpu / runs / decode.cpu;
    fs::remove_all(BenchFolder("").parent_path());
}
BENCHMARK(BM_Make100Jpegs)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The child process of the memory benchmark: reflash and Make over the folder, then exit.
[[maybe_unused]] const bool kChild = [] {
    const char* folder = std::getenv("QUELMO_BENCH_PEAK_WORKDIR");
    if (!folder) return false;
    PictureList list = PictureList::ForFlash(folder);
    const bool ok = list.Reflash().ok() && list.Items().size() == 200 && list.Make(nullptr).ok();
    std::_Exit(ok ? 0 : 1);
}();

void BM_PeakMemoryReflashMake200(benchmark::State& state) {
    const fs::path work = BenchFolder("peak");
    WriteJpegs(work / "temp" / "pic", 200);
    const std::string env = "QUELMO_BENCH_PEAK_WORKDIR=" + work.string();
    std::vector<char*> envp{const_cast<char*>(env.c_str()), nullptr};
    char self[] = "/proc/self/exe";
    char* argv[] = {self, nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0)
            return state.SkipWithError("cannot start the child");
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return state.SkipWithError("child failed");
        state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    fs::remove_all(BenchFolder("").parent_path());
}
BENCHMARK(BM_PeakMemoryReflashMake200)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Pic800x480(benchmark::State& state) {
    static Trom rom;
    // Record 1: 800 x 480 at 0x100000, a gradient of module colours.
    uint8_t* r = rom.Image() + flash::kPicIndex + 8;
    const uint8_t record[8] = {0x03, 0x20, 0x01, 0xE0, 0x00, 0x10, 0x00, 0x00};
    std::copy(record, record + 8, r);
    uint8_t* p = rom.Image() + 0x100000;
    for (int i = 0; i < kWidth * kHeight; ++i, p += 2) {
        p[0] = static_cast<uint8_t>(i >> 3);
        p[1] = static_cast<uint8_t>(i);
    }
    PixelBuffer screen(kWidth, kHeight);
    Tcmd cmd(rom);
    cmd.Screen().SetSurface(screen.View());
    for (auto _ : state) {
        cmd.RunText("PIC(0,0,1);");
        benchmark::DoNotOptimize(screen.View().pixels);
    }
}
BENCHMARK(BM_Pic800x480)->Unit(benchmark::kMillisecond);

}  // namespace
