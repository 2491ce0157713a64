// Commanded versus measured: a log aligned on its program, with the tracking figures of the run.
#pragma once

#include "compiler/state.h"
#include "measure/logfile.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// A STEPTO, STEPUP, RAMPTO or RAMPUP of the program that ends in a hold: the change it commands and
// how long the new angle is held.
struct CommandedStep {
    double time = 0;    // seconds, where the step starts
    double reached = 0; // seconds, where the commanded angle arrives
    double holdEnd = 0; // seconds, where the commanded angle next changes (or the program ends)
    double from = 0;    // degrees
    double to = 0;      // degrees
};

// A SINESWEEP or SINESWEEPLOG of the program.
struct CommandedSweep {
    double start = 0, end = 0;    // seconds
    double lowHz = 0, highHz = 0; // the band it sweeps
    bool logarithmic = false;     // a SINESWEEPLOG
};

// What the comparison needs of a compiled program. Each step's steer is taken as commanded at the
// step's time, with straight lines between steps.
struct CommandedProgram {
    std::vector<double> time;                     // seconds, steps 0 to the end index
    std::vector<double> steer;                    // degrees
    std::array<double, 8> flagOn{};               // first time each of flags 1 to 8 is on, seconds; -1: never
    std::array<std::vector<double>, 8> flagEdges; // every time each flag switches on, seconds
    std::vector<CommandedStep> steps;
    std::vector<CommandedSweep> sweeps;
};

// The commanded program of the last compile in the compiler state.
CommandedProgram CommandedFrom(const CompilerState &state);

// The program's steer at any time, deg: straight between steps, its first and last steer held outside.
double CommandedSteerAt(const CommandedProgram &program, double t);

struct CompareOptions {
    int markFlag = 0; // with a mark column: the program's flag that the mark logs (1 to 8); 0: the one
                      // flag the program switches on
};

// How the log's time was laid over the program's.
struct Alignment {
    bool byMark = false;
    int markFlag = 0;             // with a mark: the program's flag
    double markTime = 0;          // with a mark: log time of its first rising edge, seconds
    int markEdge = 1;             // with a mark: which of the flag's switchings on (from 1) that edge logs
    double logStart = 0;          // log time of the program's time 0, seconds (0 without a mark)
    double lag = 0;               // log time minus program time where they match best, seconds (NaN when
                                  // the commanded steer never changes)
    double correlation = 0;       // of commanded and measured at that lag (NaN: no commanded change)
    bool fromFirstSample = false; // without a mark: a part of the log, laid from its first sample
    bool mirrored = false; // compared with the program mirrored: the log's first steer is the other way
};

// The measured response to a commanded step, read on the measured steer itself: the level before the
// wheel starts to move, the level it settles at and its largest excursion past that.
struct StepResponse {
    double time = 0;             // seconds, where the commanded step starts
    double from = 0, to = 0;     // commanded degrees
    double before = 0;           // measured angle before the step, degrees
    double settled = 0;          // measured angle settled at, degrees
    double overshoot = 0;        // degrees beyond the settled angle, in the step's direction
    double overshootPercent = 0; // of the measured step size (NaN when the wheel did not move)
    double peakTime = 0;         // seconds, of the largest excursion (without one: where the wheel
                                 // first reaches the settled angle)
};

struct ResponsePoint {
    double frequency = 0; // Hz
    double gainDb = 0;
    double phaseDeg = 0;
    double coherence = 0;
};

struct FrequencyResponse {
    double lowHz = 0, highHz = 0;      // the band swept
    std::optional<double> bandwidthHz; // where the gain falls 3 dB below its value at lowHz
    std::vector<ResponsePoint> points; // finite figures only
    bool logarithmic = false;          // every sweep of the program is logarithmic: read it in decades
};

struct Comparison {
    Alignment alignment;
    int programFirstSteer = 0; // +1 counter-clockwise, -1 clockwise, 0 none (see FirstSteer)
    int logFirstSteer = 0;
    double delay = 0;           // seconds the measured steer follows the commanded; NaN when the
                                // commanded steer never changes (the errors are then taken at 0)
    double gain = 0;            // least-squares fit measured = gain x commanded + offset; NaN when the
    double offset = 0;          // commanded steer never changes over the compared time (offset: degrees)
    double rmsError = 0;        // degrees, of measured minus commanded after the delay
    double peakError = 0;       // degrees, signed, the largest in size
    double peakErrorTime = 0;   // program time, seconds
    double programDuration = 0; // seconds to the end step
    double comparedFrom = 0, comparedTo = 0; // program time the log covers, seconds
    int comparedSteps = 0;
    int gaps = 0; // breaks in the log longer than five sample intervals; steps in them are left out
    std::vector<StepResponse> steps;
    std::optional<FrequencyResponse> response; // for a program with a sweep that the log covers
    bool hasSweep = false;                     // the program sweeps (response may still be missing)
    std::string noResponse;                    // why a sweeping program has no response (also a warning)
    // What the figures leave out or cannot say: the parts of the program the log does not cover, a
    // sweep without a measurable response. ComparisonWarnings adds them to its own.
    std::vector<std::string> warnings;
    // The compared steps: program time, commanded and measured (after the delay) at each.
    std::vector<double> time, commanded, measured;
};

// The program steered the other way: every steer and step negated.
CommandedProgram Mirrored(const CommandedProgram &program);

// Aligns the log on the program (by the mark when the log has a mark column, else by the lag where
// commanded and measured correlate best over the time they share; a part of a log is laid from its first
// sample) and computes the figures. A log whose first steer goes the other way from the program's is
// compared with the program mirrored (the machine's programs steer counter-clockwise first), unless the
// program as it is follows the log clearly better (by 0.1 of correlation), which a warning then says. Throws
// FormatError when the log and the program cannot be compared (no overlap, no mark edge, no flag for
// the mark, a steer beyond any wheel's reach, times too far apart to compute with).
Comparison CompareLog(const CommandedProgram &program, const MeasuredLog &log,
                      const CompareOptions &options = {});

// The measured trace in program time (log time minus the alignment's logStart), for drawing; mirrored
// back with the program where it was compared mirrored, so that it lies over the program as drawn.
std::vector<std::pair<double, double>> MeasuredTrace(const MeasuredLog &log, const Alignment &alignment);
