// Slowly increasing steer runs: the steer angle at 0.3 g of each run, and the reference amplitude A
// of the sine-with-dwell series from all of them.
#pragma once

#include "measure/channels.h"
#include "measure/filtering.h"
#include "measure/verdict.h"

#include <optional>
#include <string>
#include <vector>

namespace SisCriteria {
// A run is a slowly increasing steer when its steer rises steadily at about the commanded rate through
// the fit: its mean rate there within this share of the commanded one...
constexpr double RateTolerance = 0.25;
// ...and its rate over every stretch of RateWindow within this share (a slalom, a sine with dwell or a
// steer that stops and goes are not), with enough samples in the fit for its line.
constexpr double Steadiness = 0.5;
constexpr double RateWindow = 0.25; // s
constexpr int LeastFitSamples = 20;
// The procedure's A comes from three runs each way.
constexpr int RunsEachWay = 3;
} // namespace SisCriteria

struct SisOptions {
    double steerCutoff = Filters::EscSteer.cutoff;       // Hz
    double responseCutoff = Filters::EscResponse.cutoff; // Hz
    double fitLow = 0.1;         // g: the regression takes the rising part from here...
    double fitHigh = 0.375;      // g: ...to here
    double at = 0.3;             // g: where the steer angle is read off the regression line
    double restRate = 5;         // deg/s: the steer counts as still below this rate (for the zeroing)
    double zeroingTime = 1.0;    // s
    double commandedRate = 13.5; // deg/s: the steer rate the run's program commands
};

// The channels after filtering and zeroing, on the log's times, for graphs.
struct SisTraces {
    std::vector<double> time;                // s
    std::vector<double> steer;               // deg
    std::vector<double> lateralAcceleration; // g
};

// The run's state (pass: the log is a slowly increasing steer and gives its angle; invalid with the
// reason) and its figures.
struct SisResult : RunOutcome {
    bool processed = false;             // the figures below were measured
    double sampleRate = 0;              // Hz
    double angle = 0;                   // deg at `at` g, signed like the run's steer
    double slope = 0;                   // deg per g of the regression line
    double intercept = 0;               // deg at 0 g
    int samples = 0;                    // in the regression
    double fitFrom = 0, fitTo = 0;      // s, the rising part regressed
    double steerRate = 0;               // deg/s, the steer's mean rate through the fit, in its direction
    double peakLateralAcceleration = 0; // g, signed
    bool zeroed = false;
    double zeroFrom = 0, zeroTo = 0;                   // s
    double steerZero = 0, lateralAccelerationZero = 0; // deg, g
    SisTraces traces;
};

// The run's steer at 0.3 g: the channels checked, filtered, zeroed on the still time before the steer
// moves, and the steer regressed on the lateral acceleration (both taken in the direction of the turn)
// over the rising part between the two levels. Invalid, with the reason, when a channel cannot be
// trusted, the log has too little still time before the steer, the lateral acceleration never reaches
// the upper level, or the run is no slowly increasing steer (SisCriteria).
SisResult EvaluateSlowlyIncreasingSteer(const VehicleLog &log, const SisOptions &options = {});

// A: the mean of the runs' absolute angles, rounded to 0.1 deg (halves away from zero).
double AmplitudeA(const std::vector<SisResult> &runs);

// A of a set of runs, known only when every run is valid; a warning names the directions of runs
// that are not three each way.
struct SisAmplitude {
    std::optional<double> a;        // deg, rounded to 0.1 deg
    double mean = 0;                // deg, of the valid runs' absolute angles
    int positive = 0, negative = 0; // runs steered each way (anticlockwise first: positive)
    std::string reason;             // why A is not known
    std::vector<std::string> warnings;
};
SisAmplitude AmplitudeOfRuns(const std::vector<SisResult> &runs);
