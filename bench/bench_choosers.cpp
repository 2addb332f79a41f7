// The picture chooser over a full flash picture list (511 JPEGs), on the offscreen platform:
//   BM_OpenPictureChooser/W/H: a new dialog from nothing to shown, thumbnails made from the
//     pictures of W x H (photo-like, four different ones in turn).
//   BM_OpenPictureChooserAfterMake/W/H: the same once the picture list has been made: the
//     chooser takes that list's thumbnails.
//   BM_ReopenPictureChooser: the same dialog opened again with the folder unchanged (the
//     thumbnails are kept).
//   BM_ListThumbnails/W/H/preview/threads: the picture list's reflash alone, thumbnails exact
//     (0) or quick (1), on that many threads; exact on one thread is how the chooser used to
//     make them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <map>

#include "editors/ui/chooser_forms.h"
#include "pictures/picture.h"
#include "pictures/picture_list.h"

namespace {

using namespace quelmo;
namespace fs = std::filesystem;

constexpr int kPictures = 511;

// A photo-like picture: smooth gradients with a little noise, so the decoder has real work.
std::string PhotoJpeg(int width, int height, unsigned seed) {
    Picture p;
    p.Resize(width, height, 0);
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = static_cast<int>((state >> 16) & 15);
            uint8_t* c = p.At(x, y);
            c[0] = static_cast<uint8_t>((x * 255 / width + noise + seed * 40) & 255);
            c[1] = static_cast<uint8_t>((y * 255 / height + noise) & 255);
            c[2] = static_cast<uint8_t>(((x + y) * 128 / (width + height) + noise * 2) & 255);
        }
    return *pictures::EncodeJpeg(p, 85);
}

// A working folder whose picture folder holds 511 pictures of the size, made once per size.
const fs::path& Workdir(int width, int height) {
    static std::map<std::pair<int, int>, std::unique_ptr<QTemporaryDir>> dirs;
    auto& dir = dirs[{width, height}];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        const fs::path folder = fs::path(dir->path().toStdString()) / "temp" / "pic";
        fs::create_directories(folder);
        std::string photos[4];
        for (unsigned i = 0; i < 4; ++i) photos[i] = PhotoJpeg(width, height, i);
        for (int i = 0; i < kPictures; ++i)
            std::ofstream(folder / (std::to_string(i + 1) + ".jpg"), std::ios::binary) << photos[i % 4];
    }
    static std::map<std::pair<int, int>, fs::path> paths;
    return paths[{width, height}] = dir->path().toStdString();
}

// A new dialog from nothing to shown, over the given made list (or none).
void OpenChooser(benchmark::State& state, const fs::path& workdir, const PictureList* made) {
    int count = 0;
    for (auto _ : state) {
        ui::Tselpicform d(workdir);
        if (made) d.SetMadeList([made] { return made; });
        d.Reflash();
        d.show();
        QApplication::processEvents();
        count = d.Count();
    }
    state.counters["pictures"] = count;
    if (count != kPictures) state.SkipWithError("not every picture was listed");
}

void BM_OpenPictureChooser(benchmark::State& state) {
    OpenChooser(state, Workdir(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), nullptr);
}
BENCHMARK(BM_OpenPictureChooser)->Args({320, 240})->Args({854, 480})->Unit(benchmark::kMillisecond)->UseRealTime();

// The chooser opened after the picture list was made (the picture window's reflash or Make,
// which decodes every picture anyway): it takes that list's thumbnails.
void BM_OpenPictureChooserAfterMake(benchmark::State& state) {
    const fs::path& workdir = Workdir(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    PictureList made = PictureList::ForFlash(workdir);
    if (!made.Reflash()) state.SkipWithError("the picture list could not be made");
    OpenChooser(state, workdir, &made);
}
BENCHMARK(BM_OpenPictureChooserAfterMake)->Args({320, 240})->Args({854, 480})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReopenPictureChooser(benchmark::State& state) {
    ui::Tselpicform d(Workdir(854, 480));
    d.Reflash();
    for (auto _ : state) {
        d.Reflash();
        d.show();
        QApplication::processEvents();
        d.hide();
    }
    state.counters["pictures"] = d.Count();
}
BENCHMARK(BM_ReopenPictureChooser)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListThumbnails(benchmark::State& state) {
    const fs::path& workdir = Workdir(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const auto thumbs = state.range(2) ? Tjpglist::Thumbs::kPreview : Tjpglist::Thumbs::kExact;
    size_t count = 0;
    for (auto _ : state) {
        PictureList list = PictureList::ForFlash(workdir);
        if (!list.Reflash(thumbs, static_cast<int>(state.range(3)))) state.SkipWithError("reflash failed");
        count = list.Items().size();
    }
    state.counters["pictures"] = static_cast<double>(count);
}
BENCHMARK(BM_ListThumbnails)
    ->ArgsProduct({{320}, {240}, {0, 1}, {1, 2}})
    ->ArgsProduct({{854}, {480}, {0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
