// The program summary and the steer-rate check, read from the step store of the last compile.
#include "compiler/summary.h"

#include "compiler/auxduty.h"
#include "compiler/format.h"

#include <array>
#include <cmath>

namespace {

using Real = long double;

// The end index of the store: the stored one when it marks the first ended step, else found anew
// (a compile that failed before the attribute pass leaves the previous value behind).
int EndIndexOf(const CompilerState &state) {
    int end = state.endIndex;
    if (end >= 0 && end < StepCount && state.steps[end].ended && (end == 0 || !state.steps[end - 1].ended))
        return end;
    for (end = 0; end < StepCount; ++end)
        if (state.steps[end].ended) return end;
    return StepCount - 1;
}

bool Repeats(const CompilerState &state) {
    return !state.segments.empty() &&
           state.statements[state.segments.back()].kind == StatementKind::RepeatProgram;
}

// Steer rate between step k - 1 and step k, deg/s.
Real RateInto(const StepStore &steps, int k) {
    Real dt = Real(steps[k].time) - steps[k - 1].time;
    if (dt <= 0) return 0;
    return std::fabs(Real(steps[k].steer) - steps[k - 1].steer) / dt;
}

std::string Line(const std::string &label, const std::string &value) {
    std::string line = label;
    line.resize(16, ' ');
    return line + value;
}

} // namespace

ProgramSummary SummarizeProgram(const CompilerState &state) {
    const StepStore &steps = state.steps;
    const int end = EndIndexOf(state);
    ProgramSummary summary;
    summary.repeats = Repeats(state);
    summary.duration = steps[end].time;
    summary.stepsUsed = end;
    summary.lastRate = end > 0 ? steps[end - 1].rate : steps[end].rate;
    summary.timeLeft = static_cast<float>(Real(StepCount - end) / summary.lastRate);

    summary.peakSteer = summary.minSteer = steps[0].steer;
    Real peakRate = 0;
    std::array<Real, 8> flagTime{};
    Real highCurrent = 0;
    for (int k = 0; k <= end; ++k) {
        const StepRecord &step = steps[k];
        if (step.steer > summary.peakSteer) summary.peakSteer = step.steer, summary.peakSteerTime = step.time;
        if (step.steer < summary.minSteer) summary.minSteer = step.steer, summary.minSteerTime = step.time;
        if (k > 0) {
            Real rate = RateInto(steps, k);
            if (rate > peakRate) peakRate = rate, summary.peakRateTime = step.time;
        }
        if (k == end) break; // the end step counts for the angles only
        Real period = Real(1) / step.rate;
        bool newRate = true;
        for (int used : summary.rates) newRate = newRate && used != step.rate;
        if (newRate) summary.rates.push_back(step.rate);
        for (int n = 0; n < 8; ++n)
            if (step.flags[n] > 0) flagTime[n] += period;
        if (step.bit15) highCurrent += period;
    }
    summary.peakRate = SingleWhereItFits(peakRate);
    summary.endAngle = steps[end].steer;
    for (int n = 0; n < 8; ++n)
        if (flagTime[n] > 0) summary.flags.push_back({n + 1, static_cast<float>(flagTime[n])});
    summary.highCurrentTime = static_cast<float>(highCurrent);
    summary.flagsAfterEnd = FlagsAfterEnd(state);
    return summary;
}

std::vector<std::string> SummaryLines(const ProgramSummary &summary) {
    std::vector<std::string> lines;
    lines.push_back(Line("Duration", Fixed(summary.duration, 3) + " s (" +
                                         (summary.repeats ? "REPEATPROGRAM)" : "END)")));
    lines.push_back(Line("Steps used", std::to_string(summary.stepsUsed) + " of " +
                                           std::to_string(StepCount) + ", " + Fixed(summary.timeLeft, 3) +
                                           " s left at " + std::to_string(summary.lastRate) + " Hz"));
    lines.push_back(Line("Peak steer",
                         Fixed(summary.peakSteer, 3) + " deg at " + Fixed(summary.peakSteerTime, 3) + " s"));
    lines.push_back(Line("Minimum steer",
                         Fixed(summary.minSteer, 3) + " deg at " + Fixed(summary.minSteerTime, 3) + " s"));
    lines.push_back(Line("Peak steer rate",
                         Fixed(summary.peakRate, 1) + " deg/s at " + Fixed(summary.peakRateTime, 3) + " s"));
    lines.push_back(Line("End angle", Fixed(summary.endAngle, 3) + " deg"));
    std::string rates;
    for (int rate : summary.rates) rates += (rates.empty() ? "" : ", ") + std::to_string(rate) + " Hz";
    lines.push_back(Line("Clock rates", rates.empty() ? "none" : rates));
    if (summary.flags.empty())
        lines.push_back(Line("Flags", summary.flagsAfterEnd.empty() ? "none" : "none before the end"));
    for (const FlagUse &flag : summary.flags)
        lines.push_back(Line("Flag " + std::to_string(flag.flag) + " on", Fixed(flag.onTime, 3) + " s"));
    for (const FlagAfterEnd &flag : summary.flagsAfterEnd)
        lines.push_back(Line("Flag " + std::to_string(flag.flag), FlagAfterEndText(flag)));
    // Bit 15 of the EPROM word, which the machine reads as high current, is set only on the steps of
    // roll-peak pulses, never by SETCURRENTHIGH.
    lines.push_back(Line("High current", Fixed(summary.highCurrentTime, 3) + " s (bit 15)"));
    return lines;
}

std::vector<FlagAfterEnd> FlagsAfterEnd(const CompilerState &state) {
    std::vector<FlagAfterEnd> found;
    if (Repeats(state)) return found;
    const StepStore &steps = state.steps;
    const int end = EndIndexOf(state);
    for (int n = 0; n < 8; ++n) {
        int first = -1, last = -1; // steps from the end on with the flag's duty above 0
        for (int k = end; k < StepCount; ++k)
            if (steps[k].flags[n] > 0) {
                if (first < 0) first = k;
                last = k;
            }
        if (first < 0) continue;
        // A low duty held for a few steps may set no bit there: the window runs on from step 0.
        AuxDutyWindow window(steps[0].flags[n]);
        bool bitSet = false;
        for (int k = 0; k <= last && !bitSet; ++k) bitSet = window.Next(steps[k].flags[n]) && k >= first;
        if (!bitSet) continue;
        FlagAfterEnd flag{n + 1, first == end, first, last, steps[first].time, 0};
        if (last + 1 < StepCount) flag.until = steps[last + 1].time;
        found.push_back(flag);
    }
    return found;
}

std::string FlagAfterEndText(const FlagAfterEnd &flag) {
    std::string on;
    if (flag.lastStep == StepCount - 1)
        on = "to the last step";
    else if (flag.lastStep == flag.firstStep)
        on = "for one step";
    else
        on = "until " + Fixed(flag.until, 3) + " s";
    if (flag.onAtEnd) return "stays on after the end (the aux image holds it on " + on + ")";
    return "comes on after the end (the aux image holds it on from " + Fixed(flag.from, 3) + " s " + on + ")";
}

std::string FlagsAfterEndNotice(const std::vector<FlagAfterEnd> &flags) {
    std::string notice;
    for (const FlagAfterEnd &flag : flags)
        notice += (notice.empty() ? "" : " ") + ("Flag " + std::to_string(flag.flag) + " ") +
                  FlagAfterEndText(flag) + ".";
    return notice;
}

RateViolation FirstRateViolation(const CompilerState &state, float limit) {
    RateViolation violation;
    if (!(limit > 0)) return violation;
    const int end = EndIndexOf(state);
    for (int k = 1; k <= end; ++k) {
        Real rate = RateInto(state.steps, k);
        if (rate > limit) {
            violation.found = true;
            violation.time = state.steps[k].time;
            violation.rate = SingleWhereItFits(rate);
            break;
        }
    }
    return violation;
}

std::string RateViolationNotice(const RateViolation &violation, float limit) {
    return "Steer rate limit exceeded at t=" + FormatFixed(violation.time, 4, 3) + " sec. (" +
           Fixed(violation.rate, 1) + " deg/s, limit " + ShortestFixed(limit) + " deg/s)";
}
