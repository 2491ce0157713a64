// The step store's timeline: start times, the event and segment lists, the per-step attributes
// and the check that the program fits into the store.
#include "compiler/timeline.h"

#include "compiler/checks.h"
#include "compiler/format.h"
#include "compiler/messages.h"
#include "compiler/state.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cmath>

namespace {

using Real = long double; // extended-precision intermediates

constexpr int RollPeakFlag = 1;
constexpr float StepSlewRate = 4000000; // degrees per second

bool IsEvent(StatementKind kind) { return kind <= StatementKind::Pulse; }

bool IsSegment(StatementKind kind) {
    return kind >= StatementKind::Wait && kind <= StatementKind::SineSweepLog;
}

bool IsTerminator(StatementKind kind) {
    return kind == StatementKind::RepeatProgram || kind == StatementKind::End;
}

// Orders the events by start time; events due at the same time keep their program order, so each
// comes after every event written before it that is not due later.
void SortEvents(std::vector<int> &events, const std::vector<ProgramStatement> &statements) {
    struct Keyed {
        float time;
        int index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(events.size());
    for (int index : events) {
        assert(!std::isnan(statements[index].startTime));
        keyed.push_back({statements[index].startTime, index});
    }
    auto earlier = [](const Keyed &a, const Keyed &b) { return a.time < b.time; };
    if (std::is_sorted(keyed.begin(), keyed.end(), earlier)) return;
    std::stable_sort(keyed.begin(), keyed.end(), earlier);
    for (std::size_t k = 0; k < keyed.size(); ++k) events[k] = keyed[k].index;
}

} // namespace

void TimingPass(CompilerState &state) {
    float clock = 0;  // program clock
    float latest = 0; // latest start time of a delayed instant statement
    for (ProgramStatement &s : state.statements) {
        s.startTime = clock;
        switch (s.kind) {
        case StatementKind::SetRate:
        case StatementKind::SetCurrentHigh:
        case StatementKind::SetCurrentLow:
        case StatementKind::SetFlag:
        case StatementKind::RepeatProgram:
            s.startTime = static_cast<float>(Real(clock) + s.duration);
            latest = std::max(latest, s.startTime);
            break;
        case StatementKind::Pulse:
            s.startTime = static_cast<float>(Real(clock) + s.secondValue);
            break;
        case StatementKind::Wait:
        case StatementKind::StepTo:
        case StatementKind::StepUp:
        case StatementKind::RampTo:
        case StatementKind::RampUp:
        case StatementKind::SineSweep:
        case StatementKind::SineSweepLog:
            clock = static_cast<float>(Real(clock) + s.duration);
            if (s.extraTime >= 0) clock = static_cast<float>(Real(clock) + s.extraTime);
            break;
        case StatementKind::Sine:
        case StatementKind::Square:
        case StatementKind::Triangle:
            // Cycles supersede a time length.
            if (s.cycles > 0) s.duration = static_cast<float>(Real(s.cycles) / s.frequency);
            clock = static_cast<float>(Real(clock) + s.duration);
            break;
        case StatementKind::End:
            // END waits for the last delayed event.
            if (latest > clock) clock = latest;
            s.startTime = clock;
            break;
        case StatementKind::None:
            break;
        }
    }
}

void Split(CompilerState &state) {
    const auto &statements = state.statements;
    state.events.clear();
    state.segments.clear();
    for (int index = 0; index < static_cast<int>(statements.size()); ++index) {
        const StatementKind kind = statements[index].kind;
        if (IsTerminator(kind)) {
            state.events.push_back(index);
            state.segments.push_back(index);
            break; // statements after the terminator take no part
        }
        if (IsEvent(kind))
            state.events.push_back(index);
        else if (IsSegment(kind))
            state.segments.push_back(index);
    }
    SortEvents(state.events, statements);
}

namespace {

// The attributes the events have set so far, which every step takes until the next event.
struct Attributes {
    std::uint16_t rate = 1024; // an event due before the implicit SETRATE never meets an unset rate
    std::uint8_t bit15 = 0;
    std::uint8_t ended = 0;
    std::array<std::uint8_t, 8> percent{};
    unsigned pulseMarks = 0; // bit n-1: flag n is on for this one step only
    bool brakeDelayed = false;
};

// Applies an event due at step q; false when it is a brake pulse put off by one step period, which
// holds back the events after it too.
bool ApplyEvent(CompilerState &state, ProgramStatement &event, Attributes &a, int q) {
    if (event.kind == StatementKind::SetFlag && event.flagValue == 100 && !a.brakeDelayed &&
        event.name == "PULSEBRAKE") {
        // The brake comes on one step period after its nominal time.
        event.startTime = static_cast<float>(event.startTime + Real(1) / a.rate);
        a.brakeDelayed = true;
        return false;
    }
    switch (event.kind) {
    case StatementKind::SetRate:
        a.rate = event.clockRate;
        break;
    case StatementKind::SetFlag:
        assert(event.flagNumber >= 1 && event.flagNumber <= 8);
        a.percent[event.flagNumber - 1] = event.flagValue;
        a.brakeDelayed = false;
        break;
    case StatementKind::Pulse:
        assert(event.flagNumber >= 1 && event.flagNumber <= 8);
        a.percent[event.flagNumber - 1] = 100;
        a.pulseMarks |= 1u << (event.flagNumber - 1);
        if (state.options.corvan3Only && event.flagNumber == RollPeakFlag) a.bit15 = 1;
        break;
    case StatementKind::RepeatProgram:
        a.rate = 2048;
        a.ended = 1;
        a.bit15 = 0;
        state.endIndex = q;
        break;
    case StatementKind::End:
        if (a.ended == 0) {
            a.rate = 1024;
            a.ended = 1;
            a.bit15 = 0;
            state.endIndex = q;
        }
        break;
    default:
        break; // SETCURRENTHIGH and SETCURRENTLOW change no step
    }
    return true;
}

} // namespace

void AttributePass(CompilerState &state, const NoticeHandler &notice) {
    auto &statements = state.statements;
    const auto &events = state.events;
    state.stepSlewRate = StepSlewRate;

    float time = 0;
    Attributes a;
    std::size_t next = 0; // current event
    for (int q = 0; q < StepCount; ++q) {
        while (next < events.size() && time >= statements[events[next]].startTime &&
               ApplyEvent(state, statements[events[next]], a, q))
            ++next;

        StepRecord &step = state.steps[q];
        step.time = time;
        step.steer = 0;
        step.rate = a.rate;
        step.bit15 = a.bit15;
        step.ended = a.ended;
        step.flags = a.percent;

        time = static_cast<float>(time + Real(1) / a.rate);
        for (; a.pulseMarks != 0; a.pulseMarks &= a.pulseMarks - 1)
            a.percent[std::countr_zero(a.pulseMarks)] = 0;
        a.bit15 = 0;
    }
    state.steps[0].bit15 = 0;
    state.steps[StepCount - 1].bit15 = 0;
    DutyCheck(state.steps, notice);
}

bool CapacityCheck(CompilerState &state) {
    const auto &statements = state.statements;
    const float last = state.steps[StepCount - 1].time;
    const ProgramStatement *culprit = nullptr;

    // Start times beyond a float's range are infinite and never fit; written so that one that is not
    // a number would not fit either.
    auto fits = [&](int index) { return statements[index].startTime <= last; };
    for (std::size_t e = 0; e + 1 < state.events.size() && !culprit; ++e)
        if (!fits(state.events[e])) culprit = &statements[state.events[e]];
    for (std::size_t s = 0; s + 1 < state.segments.size() && !culprit; ++s)
        if (!fits(state.segments[s + 1])) culprit = &statements[state.segments[s]];

    if (!culprit) return true;
    AddMessage(state, 0, Msg::RanOutOfSteps,
               Cut(FormatFixed(last, 4, 3) + " seconds in " + culprit->name.Str() + " function", 42));
    return false;
}
