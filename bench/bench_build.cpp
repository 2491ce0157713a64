// The cost of a whole Build beside the cost of merely writing its 786432 bytes.
#include "bench/flagprograms.h"
#include "romfiles/build.h"
#include "romfiles/fileio.h"
#include "romfiles/tempfolder.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_BuildSet(benchmark::State &state) {
    const TempFolder folder("quillard-bench");
    const ProgramSet set = DefaultProgramSet();
    CompilerState compiler;
    for (auto _ : state) {
        BuildOutcome outcome = BuildSet(compiler, set, folder / "set.bin", {});
        if (!outcome.success) state.SkipWithError(outcome.text.c_str());
    }
    state.SetBytesProcessed(state.iterations() * ProgramCount * (MainImageBytes + AuxImageBytes));
}
BENCHMARK(BM_BuildSet)->Unit(benchmark::kMillisecond);

// A set of 16 falling-delay programs of 100k to 800k lines in all; the largest, 26 MB, comes near the
// 1048576 lines a set file may have.
void BM_BuildFlagSet(benchmark::State &state) {
    const TempFolder folder("quillard-bench");
    ProgramSet set;
    for (int k = 0; k < ProgramCount; ++k)
        set[k] = FallingDelayProgram(static_cast<int>(state.range(0)) / ProgramCount, k % 8 + 1);
    CompilerState compiler;
    for (auto _ : state) {
        BuildOutcome outcome = BuildSet(compiler, set, folder / "set.bin", {});
        if (!outcome.success) {
            state.SkipWithError(outcome.text.c_str());
            break;
        }
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BuildFlagSet)
    ->Arg(100000)
    ->Arg(200000)
    ->Arg(400000)
    ->Arg(800000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The floor under BM_BuildSet: the same two files written atomically, nothing compiled.
void BM_WriteFloor(benchmark::State &state) {
    const TempFolder folder("quillard-bench");
    const std::string main(ProgramCount * MainImageBytes, '\x00');
    const std::string aux(ProgramCount * AuxImageBytes, '\x00');
    for (auto _ : state) {
        WriteFileAtomically(folder / "set.bin", main);
        WriteFileAtomically(folder / "set.aux", aux);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(main.size() + aux.size()));
}
BENCHMARK(BM_WriteFloor)->Unit(benchmark::kMillisecond);

} // namespace
