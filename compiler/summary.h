// The figures a test engineer checks before a program is burnt: duration, store use, steer extremes,
// steer rate, rates, flags and the roll-peak bit; and the optional steer-rate check.
#pragma once

#include "compiler/state.h"

#include <string>
#include <vector>

// One aux flag that is on (duty above 0) at some step before the program's end.
struct FlagUse {
    int flag = 0;     // 1 to 8
    float onTime = 0; // seconds with the flag on, summed over the steps before the end
};

struct ProgramSummary {
    bool repeats = false;       // ends with REPEATPROGRAM rather than END
    float duration = 0;         // seconds from the start to the END or REPEATPROGRAM step
    int stepsUsed = 0;          // steps before the end (the end index)
    float timeLeft = 0;         // seconds the unused steps would last at the program's last rate
    int lastRate = 0;           // that rate: of the last step before the end, Hz
    float peakSteer = 0;        // largest steer, degrees
    float peakSteerTime = 0;    // its first time, seconds
    float minSteer = 0;         // smallest steer, degrees
    float minSteerTime = 0;     // its first time, seconds
    double peakRate = 0;        // largest |steer change| / (time change) of consecutive steps, deg/s
    float peakRateTime = 0;     // time of the later step of that pair, seconds
    float endAngle = 0;         // steer at the end index, degrees
    std::vector<int> rates;     // clock rates used before the end, Hz, in order of first use
    std::vector<FlagUse> flags; // in flag order
    float highCurrentTime = 0;  // seconds with bit 15 (high current, set by roll-peak pulses), before the end
};

// The summary of the program in the compiler state; meaningful after a successful compile.
ProgramSummary SummarizeProgram(const CompilerState &state);

// The summary as text lines, for the window's panel and `quillard-cli check --summary`.
std::vector<std::string> SummaryLines(const ProgramSummary &summary);

// The first pair of consecutive steps before the end whose steer rate exceeds a limit.
struct RateViolation {
    bool found = false;
    float time = 0;  // time of the later step, seconds
    double rate = 0; // deg/s
};

// Steps 1 .. end index of the store checked against limit (deg/s); a limit of 0 or less checks
// nothing.
RateViolation FirstRateViolation(const CompilerState &state, float limit);

// The notice shown when the check fires.
std::string RateViolationNotice(const RateViolation &violation, float limit);
