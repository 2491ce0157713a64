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

// An aux flag whose bit the aux image sets at or after the end index of a program that ends with END:
// the machine stops there, and the image holds the flag on past the program.
struct FlagAfterEnd {
    int flag = 0;         // 1 to 8
    bool onAtEnd = false; // on at the end index itself (it stays on), rather than coming on later
    int firstStep = 0;    // the first step from the end index on with the flag on (duty above 0)
    int lastStep = 0;     // the last one; StepCount - 1 when the flag is on to the last step
    float from = 0;       // time of the first, seconds
    float until = 0;      // time of the step after the last, seconds (0 when there is none)
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
    std::vector<FlagAfterEnd> flagsAfterEnd; // in flag order; none for REPEATPROGRAM
    float highCurrentTime = 0; // seconds with bit 15 (high current, set by roll-peak pulses), before the end
};

// The summary of the program in the compiler state; meaningful after a successful compile.
ProgramSummary SummarizeProgram(const CompilerState &state);

// The summary as text lines, for the window's panel and `quillard-cli check --summary`.
std::vector<std::string> SummaryLines(const ProgramSummary &summary);

// The flags that the aux image of the program in the compiler state holds on from its end index on,
// when it ends with END (a program that repeats goes back to step 0 instead).
std::vector<FlagAfterEnd> FlagsAfterEnd(const CompilerState &state);

// What a flag does after the end, for the summary and the notice: "stays on after the end (the aux
// image holds it on to the last step)".
std::string FlagAfterEndText(const FlagAfterEnd &flag);

// The notice of a compile whose image holds flags on after the end: a sentence per flag; empty for
// none.
std::string FlagsAfterEndNotice(const std::vector<FlagAfterEnd> &flags);

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
