// Reading and comparing measured logs: a million rows of a 1 kHz logger (17 minutes of a run).
#include "compiler/compile.h"
#include "compiler/state.h"
#include "measure/compare.h"
#include "measure/logfile.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr long Rows = 1000000;

// A tab-separated log as loggers write them: time in seconds, steer, a mark channel and two others.
const std::string &MillionRowLog() {
    static const std::string text = [] {
        std::string log = "Time [s]\tSteer [deg]\tSpeed [km/h]\tMark\tYaw rate [deg/s]\r\n";
        char row[128];
        for (long i = 0; i < Rows; ++i) {
            const double t = static_cast<double>(i) / 1000;
            std::snprintf(row, sizeof row, "%.3f\t%.4f\t%.2f\t%d\t%.5f\r\n", t, 50 * std::sin(4.4 * t),
                          80.0 + 0.01 * static_cast<double>(i % 7), i % 5000 < 10 ? 1 : 0,
                          12.5 * std::cos(4.4 * t));
            log += row;
        }
        return log;
    }();
    return text;
}

void CountRows(benchmark::State &state) {
    state.SetItemsProcessed(state.iterations() * Rows);
    state.counters["per_million_rows_s"] = benchmark::Counter(
        Rows / 1e6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ParseLog(benchmark::State &state) {
    const std::string &text = MillionRowLog();
    for (auto _ : state) benchmark::DoNotOptimize(ParseLog(text, {}));
    CountRows(state);
}
BENCHMARK(BM_ParseLog)->Unit(benchmark::kMillisecond);

void BM_CompareMillionRowLog(benchmark::State &state) {
    const MeasuredLog log = ParseLog(MillionRowLog(), {});
    CompilerState compiler;
    if (!CompileProgram(
            compiler,
            {"maxsteer(100 deg)", "begin", "setrate(256 hz)", "sine(50 deg, 0.7 hz, 40 cycles)", "end"},
            {})) {
        state.SkipWithError("the program does not compile");
        return;
    }
    const CommandedProgram program = CommandedFrom(compiler);
    for (auto _ : state) benchmark::DoNotOptimize(CompareLog(program, log));
    CountRows(state);
}
BENCHMARK(BM_CompareMillionRowLog)->Unit(benchmark::kMillisecond);

} // namespace
