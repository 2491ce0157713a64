// Logs made from a program's own steps, as a logger would write them after a run with a known
// delay, gain, offset, noise and sample rate.
#pragma once

#include "compiler/compile.h"
#include "measure/compare.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
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
    double from = NAN, to = NAN;           // program times the log covers; NaN: from the log's time 0,
                                           // to the tail after the program's end
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
    const double end = (std::isnan(run.to) ? program.time.back() + run.tail : run.to) + run.logStart;
    const long first =
        std::isnan(run.from) ? 0 : std::lround(std::ceil((run.from + run.logStart) * run.sampleRate));
    char row[96];
    for (long k = first;; ++k) {
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

// A wheel that follows the commanded steer through a first-order lag (order 1, corner frequency) or a
// second-order system (order 2, natural frequency and damping), after a dead time.
struct Wheel {
    int order = 1;
    double cornerHz = 0, naturalHz = 0, damping = 0, deadTime = 0;
};

// The wheel's steer at a program time, from its response to the commanded steer (straight between
// steps), integrated finely from rest at time 0.
inline std::function<double(double)> WheelSteer(const CommandedProgram &program, const Wheel &wheel) {
    constexpr double h = 1e-4;
    const double pi = 3.14159265358979323846;
    const double wc = 2 * pi * wheel.cornerHz, wn = 2 * pi * wheel.naturalHz;
    using State = std::array<double, 2>; // output and its rate
    auto slope = [&](const State &x, double u) -> State {
        if (wheel.order == 1) return {wc * (u - x[0]), 0};
        return {x[1], wn * wn * (u - x[0]) - 2 * wheel.damping * wn * x[1]};
    };
    auto output = std::make_shared<std::vector<double>>(1, 0.0);
    State x{0, 0};
    for (double t = 0; t < program.time.back() + 3; t += h) { // classic Runge-Kutta, input straight
        const double u0 = CommandedAt(program, t), u1 = CommandedAt(program, t + h), um = (u0 + u1) / 2;
        const State k1 = slope(x, u0);
        const State k2 = slope({x[0] + h / 2 * k1[0], x[1] + h / 2 * k1[1]}, um);
        const State k3 = slope({x[0] + h / 2 * k2[0], x[1] + h / 2 * k2[1]}, um);
        const State k4 = slope({x[0] + h * k3[0], x[1] + h * k3[1]}, u1);
        for (std::size_t i = 0; i < 2; ++i) x[i] += h / 6 * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]);
        output->push_back(x[0]);
    }
    return [output, wheel](double t) {
        const double k = std::clamp((t - wheel.deadTime) / h, 0.0, static_cast<double>(output->size() - 2));
        const auto i = static_cast<std::size_t>(k);
        return (*output)[i] + ((*output)[i + 1] - (*output)[i]) * (k - static_cast<double>(i));
    };
}
