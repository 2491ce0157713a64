// What the comparison needs of a compiled program: its steps' steer and flags, the steps that end in a
// hold and its sweeps, and the program steered the other way.
#include "measure/compare.h"

#include <algorithm>

namespace {

constexpr double MinStepHold = 0.1; // seconds a step must hold its angle for its overshoot to be measured

void AddStep(CommandedProgram &program, std::size_t first) {
    const auto &steer = program.steer;
    const std::size_t last = steer.size() - 1;
    const double from = steer[first == 0 ? 0 : first - 1];
    std::size_t j = first;
    while (j < last && steer[j + 1] != steer[j]) ++j; // the slew moves on every step until it arrives
    std::size_t k = j;
    while (k < last && steer[k + 1] == steer[j]) ++k;
    if (steer[j] == from || program.time[k] - program.time[j] < MinStepHold) return;
    program.steps.push_back({program.time[first], program.time[j], program.time[k], from, steer[j]});
}

} // namespace

double CommandedSteerAt(const CommandedProgram &program, double t) {
    const auto &time = program.time;
    if (t <= time.front()) return program.steer.front();
    if (t >= time.back()) return program.steer.back();
    const auto i = static_cast<std::size_t>(std::upper_bound(time.begin(), time.end(), t) - time.begin()) - 1;
    return program.steer[i] +
           (program.steer[i + 1] - program.steer[i]) * (t - time[i]) / (time[i + 1] - time[i]);
}

CommandedProgram CommandedFrom(const CompilerState &state) {
    CommandedProgram program;
    const int end = std::clamp(state.endIndex, 0, StepCount - 1);
    program.flagOn.fill(-1);
    for (int i = 0; i <= end; ++i) {
        const StepRecord &step = state.steps[i];
        program.time.push_back(step.time);
        program.steer.push_back(step.steer);
        for (std::size_t f = 0; f < 8; ++f) {
            if (step.flags[f] > 0 && program.flagOn[f] < 0) program.flagOn[f] = step.time;
            if (step.flags[f] > 0 && (i == 0 || state.steps[i - 1].flags[f] <= 0))
                program.flagEdges[f].push_back(step.time);
        }
    }
    const auto &segments = state.segments;
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const ProgramStatement &s = state.statements[static_cast<std::size_t>(segments[k])];
        const double start = s.startTime;
        const double next = k + 1 < segments.size()
                                ? state.statements[static_cast<std::size_t>(segments[k + 1])].startTime
                                : program.time.back();
        if (s.kind == StatementKind::StepTo || s.kind == StatementKind::StepUp ||
            s.kind == StatementKind::RampTo || s.kind == StatementKind::RampUp) {
            auto first = std::lower_bound(program.time.begin(), program.time.end(), start);
            if (first != program.time.end())
                AddStep(program, static_cast<std::size_t>(first - program.time.begin()));
        } else if (s.kind == StatementKind::SineSweep || s.kind == StatementKind::SineSweepLog) {
            program.sweeps.push_back(
                {start, std::min(next, program.time.back()), std::min(s.frequency, s.secondValue),
                 std::max(s.frequency, s.secondValue), s.kind == StatementKind::SineSweepLog});
        }
    }
    return program;
}

CommandedProgram Mirrored(const CommandedProgram &program) {
    CommandedProgram mirrored = program;
    for (double &s : mirrored.steer) s = -s;
    for (CommandedStep &step : mirrored.steps) step.from = -step.from, step.to = -step.to;
    return mirrored;
}
