// Opening a font dialog: the face list of every installed face and the preview drawn in the
// preset face, from nothing to shown on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>

#include "shell/context.h"
#include "fonts/canvas.h"
#include "fonts/ui/ascedit_form.h"
#include "fonts/ui/hzedit_form.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "project/project.h"
#include "shell/ui/shell_host.h"

namespace {

using namespace quelmo;

class Host : public ui::ShellHost, public ProjectHost {
public:
    explicit Host(const std::filesystem::path& dir) : g_(dir), project_(dir, g_.Settings(), *this), link_(comm_, g_.Rom()) {}
    Tglobal& Context() override { return g_; }
    Tproject& Project() override { return project_; }
    DeviceLink& Link() override { return link_; }
    void Navigate(const std::string&) override {}
    void Refresh() override {}
    void RefreshMenus() override {}
    bool& StopFlag() override { return stop_; }
    bool Ask(std::string_view) override { return false; }
    void Show(std::string_view) override {}

private:
    Tglobal g_;
    Tproject project_;
    TComm comm_;
    DeviceLink link_;
    bool stop_ = false;
};

template <class Dialog>
void BM_OpenDialog(benchmark::State& state) {
    QTemporaryDir dir;
    Host host(dir.path().toStdString());
    for (auto _ : state) {
        Dialog d(host);
        d.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(d.isVisible());
    }
    state.counters["faces"] = static_cast<double>(MonoCanvas::Faces().size());
}
BENCHMARK(BM_OpenDialog<ui::ThzeditForm>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDialog<ui::Tasceditform>)->Unit(benchmark::kMillisecond);

}  // namespace

// The application lives in main, so it lets go of the fonts before the rasteriser hands
// fontconfig back at exit.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
