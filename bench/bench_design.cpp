// Assist design editor figures at 854 x 480: one mouse move during a drag (the saved picture
// put back, one frame drawn) and "run command" of a 200-line page with frames.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editors/statement_help.h"
#include "display/tcmd.h"
#include "editors/axclass.h"
#include "editors/design_mouse.h"
#include "flash/trom.h"

namespace {

constexpr int kW = 854, kH = 480;

// A page of boxes, texts, paragraphs and pictures spread over the screen.
std::vector<std::string> Page(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        const int x = (i * 37) % 780, y = (i * 23) % 420;
        switch (i % 4) {
        case 0: lines.push_back("BOX(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(x + 60) + "," + std::to_string(y + 40) + ",1)"); break;
        case 1: lines.push_back("BOXF(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(x + 30) + "," + std::to_string(y + 20) + ",3)"); break;
        case 2: lines.push_back("DS16(" + std::to_string(x) + "," + std::to_string(y) + ",'text " + std::to_string(i) + "',15)"); break;
        default: lines.push_back("BS12(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(x + 70) + ",2,'a paragraph of text',2)"); break;
        }
    }
    return lines;
}

void BM_DragMove(benchmark::State& state) {
    quelmo::Trom rom;
    quelmo::Tcmd cmd(rom);
    quelmo::PixelBuffer lcd(kW, kH);
    cmd.Screen().SetSurface(lcd.View());
    quelmo::EditorState editor;
    quelmo::TAXclass frame(cmd, editor, lcd.View());
    frame.SetStatement("BOX(100,100,300,200,1)");
    frame.Render(quelmo::TAXclass::kRunAndFrame);
    const std::vector<uint32_t> saved(lcd.pixels());
    quelmo::DesignDrag drag = quelmo::StartDrag(frame, quelmo::TAXclass::kMoveZone, 150, 150);
    const quelmo::Framebuffer fb = lcd.View();
    int step = 0;
    for (auto _ : state) {
        std::copy(saved.begin(), saved.end(), fb.pixels);
        quelmo::DragBox(frame, drag, 150 + step % 200, 150 + step % 100, kW, kH);
        frame.Render(quelmo::TAXclass::kFrameOnly);
        ++step;
        benchmark::DoNotOptimize(fb.pixels[0]);
    }
}
BENCHMARK(BM_DragMove)->Unit(benchmark::kMicrosecond);

void BM_RunCommand200Lines(benchmark::State& state) {
    quelmo::Trom rom;
    quelmo::Tcmd cmd(rom);
    quelmo::PixelBuffer lcd(kW, kH);
    cmd.Screen().SetSurface(lcd.View());
    const auto lines = Page(200);
    std::vector<quelmo::TAXclass> frames;
    frames.reserve(1024);
    quelmo::EditorState editor;
    for (int i = 0; i < 1024; ++i) frames.emplace_back(cmd, editor, lcd.View());
    for (auto _ : state) {
        cmd.RunStatement("CLS(0)");
        for (size_t i = 0; i < lines.size(); ++i) {
            frames[i].SetStatement(lines[i]);
            frames[i].selected = i == 7;
            frames[i].Render(quelmo::TAXclass::kRunAndFrame);
        }
        benchmark::DoNotOptimize(lcd.View().pixels[0]);
    }
}
BENCHMARK(BM_RunCommand200Lines)->Unit(benchmark::kMillisecond);

}  // namespace
