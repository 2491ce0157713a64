// Slowly increasing steer runs: the steer angle at 0.3 g of each run, and the reference amplitude A
// of the sine-with-dwell series from all of them.
#pragma once

#include "measure/channels.h"

#include <string>
#include <vector>

struct SisOptions {
    double steerCutoff = 10;   // Hz
    double responseCutoff = 6; // Hz
    double fitLow = 0.1;       // g: the regression takes the rising part from here...
    double fitHigh = 0.375;    // g: ...to here
    double at = 0.3;           // g: where the steer angle is read off the regression line
    double restRate = 5;       // deg/s: the steer counts as still below this rate (for the zeroing)
    double zeroingTime = 1.0;  // s
};

// The channels after filtering and zeroing, on the log's times, for graphs.
struct SisTraces {
    std::vector<double> time;                // s
    std::vector<double> steer;               // deg
    std::vector<double> lateralAcceleration; // g
};

struct SisResult {
    double sampleRate = 0;              // Hz
    double angle = 0;                   // deg at `at` g, signed like the run's steer
    double slope = 0;                   // deg per g of the regression line
    double intercept = 0;               // deg at 0 g
    int samples = 0;                    // in the regression
    double fitFrom = 0, fitTo = 0;      // s, the rising part regressed
    double peakLateralAcceleration = 0; // g, signed
    bool zeroed = false;                // false when the log has no still second before the steer
    double zeroFrom = 0, zeroTo = 0;    // s
    double steerZero = 0, lateralAccelerationZero = 0; // deg, g
    std::vector<std::string> warnings;
    SisTraces traces;
};

// The run's steer at 0.3 g: the channels filtered, zeroed on the still time before the steer moves,
// and the steer regressed on the lateral acceleration (both taken in the direction of the turn) over
// the rising part between the two levels. Throws FormatError when the lateral acceleration never
// reaches the upper level or too few samples lie between them.
SisResult EvaluateSlowlyIncreasingSteer(const VehicleLog &log, const SisOptions &options = {});

// A: the mean of the runs' absolute angles, rounded to 0.1 deg (halves away from zero).
double AmplitudeA(const std::vector<SisResult> &runs);
