// Logs made from a program's own steps, as a logger would write them after a run with a known
// delay, gain, offset, noise and sample rate.
#pragma once

#include "compiler/compile.h"
#include "measure/compare.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

struct SyntheticRun {
    double delay = 0;                      // seconds
    double gain = 1;                       //
    double offset = 0;                     // degrees
    double noise = 0;                      // degrees, standard deviation
    double sampleRate = 500;               // Hz
    double logStart = 0;                   // log time of the program's start, seconds
    double tail = 1;                       // seconds logged after the program's end
    int markFlag = 0;                      // 1 to 8: a "mark" column logs this flag of the program
    std::function<double(double)> steerAt; // the wheel at a program time before delay, gain and offset;
                                           // empty: the commanded steer
};

inline SyntheticRun MakeRun(double delay, double gain, double offset, double noise, double sampleRate,
                            double logStart = 0, int markFlag = 0) {
    SyntheticRun run;
    run.delay = delay, run.gain = gain, run.offset = offset, run.noise = noise, run.sampleRate = sampleRate;
    run.logStart = logStart, run.markFlag = markFlag;
    return run;
}

// The commanded steer at a time, straight between steps.
inline double CommandedAt(const CommandedProgram &p, double t) {
    if (t <= p.time.front()) return p.steer.front();
    if (t >= p.time.back()) return p.steer.back();
    const auto i =
        static_cast<std::size_t>(std::upper_bound(p.time.begin(), p.time.end(), t) - p.time.begin()) - 1;
    return p.steer[i] + (p.steer[i + 1] - p.steer[i]) * (t - p.time[i]) / (p.time[i + 1] - p.time[i]);
}

// CSV text "time,steer[,mark]" of the run, time 0 of the log at -logStart of the program.
inline std::string SyntheticLog(const CommandedProgram &program, const CompilerState &state,
                                const SyntheticRun &run) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, run.noise > 0 ? run.noise : 1);
    std::string text = run.markFlag ? "time,steer,mark\n" : "time,steer\n";
    const double end = program.time.back() + run.tail + run.logStart;
    char row[96];
    for (long k = 0;; ++k) {
        const double logTime = static_cast<double>(k) / run.sampleRate;
        if (logTime > end) break;
        const double t = logTime - run.logStart - run.delay;
        const double wheel = run.steerAt ? run.steerAt(t) : CommandedAt(program, t);
        const double steer = run.gain * wheel + run.offset + (run.noise > 0 ? noise(random) : 0);
        int written = std::snprintf(row, sizeof row, "%.6f,%.6f", logTime, steer);
        if (run.markFlag) {
            const double programTime = logTime - run.logStart;
            auto at = std::upper_bound(program.time.begin(), program.time.end(), programTime);
            const int step = static_cast<int>(at - program.time.begin()) - 1;
            const bool on =
                step >= 0 && state.steps[step].flags[static_cast<std::size_t>(run.markFlag - 1)] > 0;
            std::snprintf(row + written, sizeof row - static_cast<std::size_t>(written), ",%d", on ? 5 : 0);
        }
        text += row;
        text += '\n';
    }
    return text;
}
