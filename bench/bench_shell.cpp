// The main window's figures: the status refresh over a full 16 MB image (build, labels, flash
// bar) and the start-up to the main window shown with every working window created and a
// project of 200 pictures open. Runs on the offscreen platform.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shell/context.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "core/hashtable.h"
#include "project/project.h"
#include "shell/ui/main_form.h"
#include "shell/ui/status_bar.h"

namespace {

using namespace quelmo;
namespace fs = std::filesystem;

void PutFile(const fs::path& path, size_t length) {
    std::vector<char> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(length));
}

// A working folder whose workspace holds an open project: fonts, 8 MB of picture data, 128
// pages and `pictures` JPEG files in temp/pic/.
struct Workdir {
    fs::path root;
    explicit Workdir(int pictures) {
        std::string pattern = (fs::temp_directory_path() / "quelmo-bench-XXXXXX").string();
        root = mkdtemp(pattern.data());
        const fs::path temp = root / "temp";
        fs::create_directories(temp / "pic");
        PutFile(root / flash::kBaseImageFile, flash::kBaseImageEnd);
        PutFile(temp / flash::kMiniIndexFile, flash::kMiniIndexSize);
        PutFile(temp / flash::kMiniGlyphsFile, 400 * 1024);
        PutFile(temp / flash::kPicIndexFile, flash::kPicIndexSize);
        PutFile(temp / flash::kPicDataFile, 8 * 1024 * 1024);
        PutFile(temp / "hz24.sbin", 588816);
        PutFile(temp / "hz32.sbin", 1046784);
        QImage picture(64, 48, QImage::Format_RGB32);
        for (int n = 1; n <= pictures; ++n) {
            picture.fill(QColor::fromHsv(n % 360, 200, 220));
            picture.save(QString::fromStdString((temp / "pic" / (std::to_string(n) + ".jpg")).string()), "JPG", 90);
        }
        THashTable settings;
        settings.SetValue("PrjFileName", (root / "bench.gpu").string());
        settings.SetValue("PrjName", "bench");
        settings.SetInt("BTL", 6);
        settings.SetInt("hz24bf", 1);
        settings.SetInt("hz32bf", 1);
        for (int n = 0; n < flash::kPageCount; ++n)
            settings.SetValue("pgcn" + std::to_string(n), "CLS(0);\r\nDS16(0,0,'page " + std::to_string(n) +
                                                              "',15);\r\nBOXF(10,10,100,100,3);\r\nPIC(0,20,1);");
        (void)settings.Save(temp, project::kSettingsName);
    }
    ~Workdir() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

// The main window's whole refresh: the image built from the open project, the labels, the bar.
void BM_RefreshStatus(benchmark::State& state) {
    Workdir w(0);
    Tglobal g(w.root);
    ui::Tmainform main(g);
    if (!main.Project().State().IsOpen()) state.SkipWithError("the project was not restored");
    for (auto _ : state) main.RefreshStatus();
}
BENCHMARK(BM_RefreshStatus)->Unit(benchmark::kMillisecond);

// The panel alone over an erased 16 MB image, where every byte is looked at.
void BM_StatusPanelErased(benchmark::State& state) {
    Trom rom;
    std::fill(rom.Image(), rom.Image() + flash::kImageSize, 0xFF);
    TComm comm;
    DeviceLink link(comm, rom);
    for (auto _ : state) {
        const StatusPanel p = link.RefreshStatus();
        benchmark::DoNotOptimize(ui::StatusBarPanel::DrawFlashBar(p.Columns));
    }
}
BENCHMARK(BM_StatusPanelErased)->Unit(benchmark::kMillisecond);

// From nothing to the main window shown: context, every working window, the project of 200
// pictures restored with its image built.
void BM_StartUp(benchmark::State& state) {
    Workdir w(200);
    for (auto _ : state) {
        Tglobal g(w.root);
        ui::Tmainform main(g);
        main.show();
        QApplication::processEvents();
        state.PauseTiming();
        if (!main.Project().State().IsOpen()) state.SkipWithError("the project was not restored");
        main.Project().State().FileName.clear();  // nothing to save at the end
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
