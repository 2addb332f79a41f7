// Catalogue and input method table figures: the help and grid of one statement, and pymb.bin
// from the built-in texts.
#include <benchmark/benchmark.h>

#include "editors/statement_help.h"
#include "display/tcmd.h"
#include "flash/trom.h"
#include "ime/pymb.h"

namespace {

void BM_StatementHelpAndApply(benchmark::State& state) {
    quelmo::Trom rom;
    quelmo::Tcmd cmd(rom);
    quelmo::ParameterGrid grid;
    quelmo::EditorState editor;
    const std::string line = "BTN(1,10,10,110,110,3,13)";
    for (auto _ : state) {
        auto help = quelmo::ShowStatementHelp(cmd, editor, line, grid);
        auto statement = quelmo::ApplyParameterGrid(line, grid);
        benchmark::DoNotOptimize(help);
        benchmark::DoNotOptimize(statement);
    }
}
BENCHMARK(BM_StatementHelpAndApply)->Unit(benchmark::kMicrosecond);

void BM_PymbFromDefaults(benchmark::State& state) {
    const std::string& ini = quelmo::ime::DefaultKeyConfig();
    const std::string& mb = quelmo::ime::DefaultCodeTable();
    quelmo::ime::PymbBuilder builder;
    for (auto _ : state) {
        auto out = builder.Build(ini, mb);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_PymbFromDefaults)->Unit(benchmark::kMillisecond);

}  // namespace
