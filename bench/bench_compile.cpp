// Compile timings of typical programs against the floor of writing the step store with one sine each.
#include "bench/flagprograms.h"
#include "compiler/compile.h"
#include "compiler/state.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Reports the time per compile and, as "step", the time per step of the store.
void CountSteps(benchmark::State &state) {
    state.SetItemsProcessed(state.iterations() * StepCount);
    state.counters["step"] = benchmark::Counter(StepCount, benchmark::Counter::kIsIterationInvariantRate |
                                                               benchmark::Counter::kInvert);
}

void RunCompiles(benchmark::State &state, const Lines &lines) {
    const CompileOptions options{true, nullptr};
    CompilerState compiler;
    if (!CompileProgram(compiler, lines, options)) {
        state.SkipWithError("the program does not compile");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(CompileProgram(compiler, lines, options));
    CountSteps(state);
}

Lines Program(const Lines &body) {
    Lines lines{"maxsteer(100 deg)", "begin"};
    lines.insert(lines.end(), body.begin(), body.end());
    lines.push_back("end");
    return lines;
}

void BM_CompileDefault(benchmark::State &state) { RunCompiles(state, Program({""})); }

// 2048 Hz sines and squares over 7.9 of the store's 8 seconds (square frequencies that end on h).
void BM_CompileSines(benchmark::State &state) {
    Lines body{"setrate(2048 hz)"};
    for (int n = 0; n < 7; ++n) {
        body.push_back("sine(30 deg, " + std::to_string(n + 2) + " hz, 0.5 sec)");
        body.push_back("square(20 deg, " + std::to_string(1 << n) + " hz, 0.5 sec)");
    }
    body.push_back("sine(40 deg, 3 hz, 0.9 sec, 45 deg)");
    RunCompiles(state, Program(body));
}

// Linear and log sweeps over 15.9 of the store's 16 seconds.
void BM_CompileSweeps(benchmark::State &state) {
    RunCompiles(state, Program({"sinesweep(20 deg, 1 hz, 10 hz, 6 sec)",
                                "sinesweeplog(20 deg, 1 hz, 20 hz, 5 sec, 4.9 sec)"}));
}

// Flags, one-step pulses, brake pulses and roll peaks between ramps.
void BM_CompileFlags(benchmark::State &state) {
    Lines body;
    for (int n = 0; n < 15; ++n) {
        const std::string flag = std::to_string(n % 7 + 2);
        body.push_back("setflag(" + flag + " bit, 50 %)");
        body.push_back("pulseflag(" + flag + " bit, 0 sec, 0.25 sec)");
        body.push_back("pulsebrake(0.1 sec, 0.3 sec)");
        body.push_back("waitforrollpeak(0.2 sec)");
        body.push_back("rampto(20 deg, 0.5 sec)");
        body.push_back("setflag(" + flag + " bit, 0 %, 0.1 sec)");
        body.push_back("rampto(0 deg, 0.5 sec)");
    }
    RunCompiles(state, Program(body));
}

// The floor: write every step record once with one extended-precision sine.
void BM_StepFloor(benchmark::State &state) {
    StepStore steps;
    for (auto _ : state) {
        float t = 0;
        for (int q = 0; q < StepCount; ++q) {
            StepRecord &step = steps[q];
            step.time = t;
            step.steer = static_cast<float>(10 * sinl(t * 6.283185307179586476925L * 5));
            step.rate = 1024;
            step.bit15 = 0;
            step.ended = 0;
            step.flags = {};
            t = static_cast<float>(t + 1.0L / 1024);
        }
        benchmark::ClobberMemory();
    }
    CountSteps(state);
}

// Programs of many flag events, 100k to 800k lines: a compile that grows linearly with the length
// takes twice as long for twice the lines, and "line" (the time per line) stays the same.
void RunGrowth(benchmark::State &state, const Lines &lines) {
    const CompileOptions options{true, nullptr};
    CompilerState compiler;
    for (auto _ : state) {
        if (!CompileProgram(compiler, lines, options)) {
            state.SkipWithError("the program does not compile");
            break;
        }
    }
    state.SetComplexityN(state.range(0));
    state.counters["line"] =
        benchmark::Counter(static_cast<double>(state.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CompileFallingDelays(benchmark::State &state) {
    RunGrowth(state, FallingDelayProgram(static_cast<int>(state.range(0))));
}

void BM_CompileRepeatedPulses(benchmark::State &state) {
    RunGrowth(state, RepeatedPulseProgram(static_cast<int>(state.range(0))));
}

// 100k, 200k, 400k and 800k lines.
void GrowthSizes(benchmark::internal::Benchmark *b) {
    for (int lines = 100000; lines <= 800000; lines *= 2) b->Arg(lines);
    b->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

} // namespace

BENCHMARK(BM_CompileDefault);
BENCHMARK(BM_CompileSines);
BENCHMARK(BM_CompileSweeps);
BENCHMARK(BM_CompileFlags);
BENCHMARK(BM_StepFloor);
BENCHMARK(BM_CompileFallingDelays)->Apply(GrowthSizes);
BENCHMARK(BM_CompileRepeatedPulses)->Apply(GrowthSizes);
