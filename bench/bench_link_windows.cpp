// The upload window at work, offscreen, with the event loop running and the map repainted.
//   Upload: a full sync of a 2 MB module whose sectors 256 to 511 all differ, against the virtual
//   module at a real 115200 baud line's speed; wire time = every byte both ways * 10 bits /
//   115200; the target is <= 1.12 x wire time.
//   Event loop latency during that upload: the time from posting an event to its handling,
//   sampled every 10 ms; the target is <= 30 ms at the 99th percentile.
//   Drawing the full sector map: the target is <= 2 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "shell/context.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "link/ui/sync_form.h"
#include "link/upload.h"
#include "link/virtual_module.h"
#include "core/hashtable.h"
#include "project/project.h"
#include "shell/ui/messages.h"
#include "shell/ui/qt_dispatch.h"
#include "shell/ui/shell_host.h"

namespace quelmo {
namespace {

constexpr double kBaud = 115200;

struct QuietProjectHost : ProjectHost {
    bool Ask(std::string_view) override { return false; }
    void Show(std::string_view) override {}
};

// The frame as the upload window sees it; its refresh keeps the image as the benchmark set it.
class BenchHost : public ui::ShellHost {
public:
    explicit BenchHost(const std::filesystem::path& dir)
        : global(dir), project(dir, global.Settings(), project_host), link(comm, global.Rom()) {}
    Tglobal& Context() override { return global; }
    Tproject& Project() override { return project; }
    DeviceLink& Link() override { return link; }
    void Navigate(const std::string&) override {}
    void Refresh() override {}
    void RefreshMenus() override {}
    bool& StopFlag() override { return stop; }

    Tglobal global;
    QuietProjectHost project_host;
    Tproject project;
    TComm comm;
    DeviceLink link;
    bool stop = false;
};

// Measures how long posted events wait before they are handled.
class LatencyProbe : public QObject {
public:
    static constexpr QEvent::Type kProbe = static_cast<QEvent::Type>(QEvent::User + 17);
    struct Probe : QEvent {
        Probe() : QEvent(kProbe) { posted.start(); }
        QElapsedTimer posted;
    };

    void Start() {
        connect(&timer_, &QTimer::timeout, this, [this] { QCoreApplication::postEvent(this, new Probe); });
        timer_.start(10);
    }
    void Stop() { timer_.stop(); }
    double Percentile(double p) {
        if (samples_.empty()) return 0;
        std::sort(samples_.begin(), samples_.end());
        const size_t i = std::min(samples_.size() - 1, static_cast<size_t>(p * static_cast<double>(samples_.size())));
        return samples_[i];
    }
    size_t Count() const { return samples_.size(); }

protected:
    bool event(QEvent* e) override {
        if (e->type() != kProbe) return QObject::event(e);
        samples_.push_back(static_cast<double>(static_cast<Probe*>(e)->posted.nsecsElapsed()) / 1e6);
        return true;
    }

private:
    QTimer timer_;
    std::vector<double> samples_;
};

void BM_UploadFromTheWindow(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        BenchHost host(dir.path().toStdString());
        VirtualModuleOptions o;
        o.memory = 2;
        o.throttle = true;
        auto module = std::move(*VirtualModule::Create(o));
        module->Start();
        host.comm.SetReadIntervalTimeout(3);
        auto connected = host.link.ManualConnect(module->DevicePath(), 115200, "3");
        if (!connected.ok() || !*connected) return state.SkipWithError("no module");
        Trom& rom = host.global.Rom();
        rom.Erase();
        std::mt19937 rng(1);
        for (size_t i = 256 * flash::kSectorSize; i < 512 * flash::kSectorSize; ++i)
            rom.Image()[i] = static_cast<uint8_t>(rng());

        ui::Responder responder;  // the final message
        ui::Tsyncform form(host);
        form.resize(1300, 560);
        form.show();
        QCoreApplication::processEvents();
        LatencyProbe probe;
        const uint64_t before = module->BytesIn() + module->BytesOut();
        state.ResumeTiming();

        probe.Start();
        const auto t0 = std::chrono::steady_clock::now();
        form.SyncAll();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        probe.Stop();
        const uint64_t bytes = module->BytesIn() + module->BytesOut() - before;
        if (responder.Texts() != QStringList{QStringLiteral("上传完成!")}) return state.SkipWithError("upload failed");

        const double wire = static_cast<double>(bytes) * 10 / kBaud;
        state.SetIterationTime(seconds);
        state.counters["wire_s"] = wire;
        state.counters["elapsed_s"] = seconds;
        state.counters["ratio"] = seconds / wire;
        state.counters["latency_p99_ms"] = probe.Percentile(0.99);
        state.counters["latency_max_ms"] = probe.Percentile(1.0);
        state.counters["latency_samples"] = static_cast<double>(probe.Count());
        state.PauseTiming();
        host.comm.ClosePort();
        module->Stop();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UploadFromTheWindow)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_DrawTheWholeSectorMap(benchmark::State& state) {
    ui::SectorMapView view;
    std::array<SyncUpload::Cell, kMaxSectors> map{};
    int round = 0;
    for (auto _ : state) {
        for (int s = 0; s < kMaxSectors; ++s) map[s] = static_cast<SyncUpload::Cell>((s + round) % 4);
        ++round;
        view.Draw(map, true);
        benchmark::DoNotOptimize(view.Picture().constBits());
    }
}
BENCHMARK(BM_DrawTheWholeSectorMap)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quelmo

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    quelmo::ui::InstallQtDispatch();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    quelmo::ui::RemoveQtDispatch();
    return 0;
}
