// Hand-built statement lists for the timeline, check and waveform tests: the statements the parser
// would produce, run through the phases after the parse in the pipeline's order.
#pragma once

#include "compiler/checks.h"
#include "compiler/messages.h"
#include "compiler/state.h"
#include "compiler/statement.h"
#include "compiler/timeline.h"
#include "compiler/waveforms.h"

#include <string>
#include <vector>

namespace build {

inline ProgramStatement Make(StatementKind kind, const std::string &name) {
    ProgramStatement s;
    s.kind = kind;
    s.name = name;
    return s;
}

inline ProgramStatement SetRate(int rate, float delay = 0) {
    auto s = Make(StatementKind::SetRate, "SETRATE");
    s.clockRate = static_cast<std::uint16_t>(rate);
    s.duration = delay;
    return s;
}

inline ProgramStatement SetFlag(int flag, int value, float delay = 0, const std::string &name = "SETFLAG") {
    auto s = Make(StatementKind::SetFlag, name);
    s.flagNumber = static_cast<std::uint8_t>(flag);
    s.flagValue = static_cast<std::uint8_t>(value);
    s.duration = delay;
    return s;
}

// A pulse of one step (PULSEFLAG without length, WAITFORROLLPEAK).
inline ProgramStatement Pulse(int flag, float delay = 0, const std::string &name = "PULSEFLAG") {
    auto s = Make(StatementKind::Pulse, name);
    s.flagNumber = static_cast<std::uint8_t>(flag);
    s.secondValue = delay;
    return s;
}

// A pulse with a length, as the parser splits it into two SETFLAG statements.
inline std::vector<ProgramStatement> LongPulse(int flag, float length, float delay, const std::string &name) {
    return {SetFlag(flag, 100, delay, name), SetFlag(flag, 0, length + delay, name)};
}

inline ProgramStatement Wait(float seconds) {
    auto s = Make(StatementKind::Wait, "WAIT");
    s.duration = seconds;
    return s;
}

inline ProgramStatement Move(StatementKind kind, const std::string &name, float degrees, float seconds) {
    auto s = Make(kind, name);
    s.amplitude = degrees;
    s.duration = seconds;
    return s;
}
inline ProgramStatement StepTo(float degrees, float seconds = 0) {
    return Move(StatementKind::StepTo, "STEPTO", degrees, seconds);
}
inline ProgramStatement StepUp(float degrees, float seconds = 0) {
    return Move(StatementKind::StepUp, "STEPUP", degrees, seconds);
}
inline ProgramStatement RampTo(float degrees, float seconds) {
    return Move(StatementKind::RampTo, "RAMPTO", degrees, seconds);
}
inline ProgramStatement RampUp(float degrees, float seconds) {
    return Move(StatementKind::RampUp, "RAMPUP", degrees, seconds);
}

// SINE, SQUARE or TRIANGLE.
inline ProgramStatement Wave(StatementKind kind, float amplitude, float frequency, float seconds,
                             float cycles = 0, float phase = 0) {
    const char *name = kind == StatementKind::Sine     ? "SINE"
                       : kind == StatementKind::Square ? "SQUARE"
                                                       : "TRIANGLE";
    auto s = Make(kind, name);
    s.amplitude = amplitude;
    s.frequency = frequency;
    s.duration = seconds;
    s.cycles = cycles;
    s.secondValue = phase;
    return s;
}

// SINESWEEP or SINESWEEPLOG.
inline ProgramStatement Sweep(StatementKind kind, float amplitude, float f1, float f2, float seconds,
                              float secondSeconds = -1) {
    auto s = Make(kind, kind == StatementKind::SineSweep ? "SINESWEEP" : "SINESWEEPLOG");
    s.amplitude = amplitude;
    s.frequency = f1;
    s.secondValue = f2;
    s.duration = seconds;
    s.extraTime = secondSeconds;
    return s;
}

inline ProgramStatement RepeatProgram(float delay = 0) {
    auto s = Make(StatementKind::RepeatProgram, "REPEATPROGRAM");
    s.duration = delay;
    return s;
}
inline ProgramStatement End() { return Make(StatementKind::End, "END"); }

// What one run of the phases left besides the store.
struct Run {
    bool ok = false;
    std::vector<std::string> notices;
    std::vector<CompileMessage> messages;
};

// Runs the phases after the parse on the implicit SETRATE(1024H) and STEPTO(0D), the given statements
// and END (unless they hold a terminator themselves).
inline Run RunPhases(std::vector<ProgramStatement> body, bool corvan3Only = true, float maxSteer = 100) {
    Run run;
    CompilerState &state = Compiler();
    ClearMessages();
    state.options =
        CompileOptions{corvan3Only, [&run](const std::string &text) { run.notices.push_back(text); }};
    state.MaxSteer = maxSteer;
    state.statements = {SetRate(1024), StepTo(0)};
    bool terminated = false;
    for (auto &s : body) {
        terminated = terminated || s.kind == StatementKind::End || s.kind == StatementKind::RepeatProgram;
        state.statements.push_back(std::move(s));
    }
    if (!terminated) state.statements.push_back(End());
    TimingPass();
    Split();
    AttributePass();
    if (CapacityCheck()) SteerPass();
    state.options.notice = nullptr;
    run.ok = state.ErrorCount == 0;
    run.messages = state.messages;
    return run;
}

// Index of the first step whose time is at least t.
inline int StepAt(float t) {
    int q = 0;
    while (q < StepCount - 1 && Compiler().steps[q].time < t) ++q;
    return q;
}

} // namespace build
