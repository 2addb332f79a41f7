// Upload speed against the virtual module running at a real 115200 baud line's speed.
//   wire time = every byte both ways * 10 bits / 115200
// Changed sectors: 256 sectors (1 MB) that all differ; the target is <= 1.10 x wire time.
// Unchanged project: one checksum exchange over the whole 16 MB flash; the target is wire time
// plus at most 0.5 s.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>

#include "core/dispatcher.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "link/upload.h"
#include "link/virtual_module.h"

namespace quelmo {
namespace {

constexpr double kBaud = 115200;

struct Rig {
    explicit Rig(int memory_mb) {
        VirtualModuleOptions o;
        o.memory = memory_mb;
        o.throttle = true;
        module = std::move(*VirtualModule::Create(o));
        module->Start();
        link = std::make_unique<DeviceLink>(comm, rom);
        comm.SetReadIntervalTimeout(3);
        auto r = link->ManualConnect(module->DevicePath(), 115200, "3");
        connected = r.ok() && *r;
        upload = std::make_unique<SyncUpload>(*link);
    }
    ~Rig() {
        upload.reset();
        link.reset();
        comm.ClosePort();
        module->Stop();
        MainDispatcher().RunPending();
    }
    uint64_t Bytes() const { return module->BytesIn() + module->BytesOut(); }

    TComm comm;
    Trom rom;
    std::unique_ptr<VirtualModule> module;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<SyncUpload> upload;
    bool connected = false;
};

void Report(benchmark::State& state, double seconds, uint64_t bytes) {
    const double wire = static_cast<double>(bytes) * 10 / kBaud;
    state.SetIterationTime(seconds);
    state.counters["wire_s"] = wire;
    state.counters["elapsed_s"] = seconds;
    state.counters["ratio"] = seconds / wire;
    state.counters["over_wire_s"] = seconds - wire;
}

void BM_Upload256ChangedSectors(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Rig rig(2);
        if (!rig.connected) return state.SkipWithError("no module");
        std::mt19937 rng(1);
        for (size_t i = 256 * flash::kSectorSize; i < 512 * flash::kSectorSize; ++i)
            rig.rom.Image()[i] = static_cast<uint8_t>(rng());
        const uint64_t before = rig.Bytes();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        const auto outcome = rig.upload->Run({256 * 16, 255 * 16});
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (outcome != SyncUpload::Outcome::Done) return state.SkipWithError("upload failed");
        Report(state, seconds, rig.Bytes() - before);
    }
}
BENCHMARK(BM_Upload256ChangedSectors)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_UploadUnchangedProject(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Rig rig(16);
        if (!rig.connected) return state.SkipWithError("no module");
        std::mt19937 rng(2);
        for (size_t i = flash::kSectorSize; i < 4 * 1024 * 1024; ++i) rig.rom.Image()[i] = static_cast<uint8_t>(rng());
        rig.module->Stop();
        std::memcpy(rig.module->Flash().Image(), rig.rom.Image(), flash::kImageSize);
        rig.module->Start();
        const uint64_t before = rig.Bytes();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        const auto outcome = rig.upload->Press(SyncUpload::Button::All);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (outcome != SyncUpload::Outcome::Done || rig.module->Commands().size() != 2)
            return state.SkipWithError("more than one checksum exchange");
        Report(state, seconds, rig.Bytes() - before);
    }
}
BENCHMARK(BM_UploadUnchangedProject)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace quelmo
