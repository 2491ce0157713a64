// Sine-with-dwell runs: the published processing of a run's log (filter, zeroing, beginning and
// completion of steer, peak yaw rate, yaw rate ratios, lateral displacement) and its verdicts.
#pragma once

#include "measure/channels.h"
#include "measure/runsteps.h"
#include "measure/verdict.h"

#include <optional>
#include <string>
#include <vector>

// The criteria. The ratios are in percent of the peak yaw rate, the times in seconds after the
// completion of steer (COS) or the beginning of steer (BOS).
namespace SwdCriteria {
constexpr double RatioCheck1 = 1.000, RatioLimit1 = 35; // s after COS, %
constexpr double RatioCheck2 = 1.750, RatioLimit2 = 20; // s after COS, %
constexpr double DisplacementTime = 1.07;               // s after BOS
constexpr double DisplacementLimit = 1.83;              // m, at most 3500 kg gross vehicle weight
constexpr double HeavyDisplacementLimit = 1.52;         // m, above it
constexpr double HeavyVehicle = 3500;                   // kg
constexpr double DisplacementFromA = 5;                 // the displacement is judged from 5 A on
// The test conditions a run must show.
constexpr double Speed = 80, SpeedTolerance = 2; // km/h at BOS
// The measured amplitude (the larger steer peak) must be the commanded one within this share of it, or
// within the floor where that is more: a steering machine holds the commanded angle to a degree or two,
// so a run further off is another run's log, or a wheel that slipped.
constexpr double AmplitudeTolerance = 0.03;
constexpr double AmplitudeToleranceFloor = 1.0; // deg
// Without a commanded amplitude the measured one counts as 5 A from this share of 5 A on: the wheel may
// fall short of the command by its tracking.
constexpr double MeasuredAmplitudeSlack = 0.02;
} // namespace SwdCriteria

struct SwdOptions {
    double steerCutoff = Filters::EscSteer.cutoff;       // Hz
    double responseCutoff = Filters::EscResponse.cutoff; // Hz, yaw rate, lateral acceleration, speed, roll
    double onsetRate = 75;                               // deg/s the steer rate must pass...
    double onsetHold = 0.2;                              // ...and stay above for this long, s
    double zeroingTime = 1.0;                 // s before that instant whose mean is each channel's zero
    double bosAngle = 5;                      // deg
    double amplitudeA = 0;                    // deg, the reference amplitude; 0: not known
    std::optional<double> commandedAmplitude; // deg, from the run's program; unset: measured
    double gvwr = 0;                          // kg gross vehicle weight; 0: not given (taken as at most 3500)
    std::vector<RunCondition> accepted;       // conditions the log need not show: stated, not measured
};

// The channels after filtering and zeroing, on the log's times, for graphs.
struct SwdTraces {
    std::vector<double> time;                // s
    std::vector<double> steer;               // deg
    std::vector<double> yawRate;             // deg/s
    std::vector<double> lateralAcceleration; // g
    std::vector<double> displacement;        // m from BOS to a little after BOS + 1.07 s, toward the first
                                             // steer; NaN elsewhere
};

// The run's state (pass, fail or invalid with the reason) and its figures.
struct SwdResult : RunOutcome {
    bool processed = false; // the figures below were measured; false when the log gave none (see reason)
    double sampleRate = 0;  // Hz
    double onset = 0;       // s, the steer rate first above the onset rate for the hold
    double zeroFrom = 0, zeroTo = 0;      // s, the zeroing range
    double steerZero = 0;                 // deg, the means subtracted
    double yawRateZero = 0;               // deg/s
    double lateralAccelerationZero = 0;   // g
    int firstSteer = 1;                   // +1: the first steer is positive (counter-clockwise), -1 negative
    int yawSign = 1;                      // +1: the yaw rate takes the steer's sign, -1 the opposite
    double yawLag = 0, ayLag = 0;         // s the yaw rate and the lateral acceleration follow the steer
    double bos = 0, cos = 0;              // s
    double firstPeak = 0, secondPeak = 0; // deg, of the filtered steer, signed
    double amplitude = 0;                 // deg, the commanded amplitude (program or measured)
    double measuredAmplitude = 0;         // deg, the larger of the steer's peaks
    bool amplitudeFromProgram = false;
    double peakYawRate = 0, peakYawRateTime = 0; // deg/s (signed), s
    double yawRate1 = 0, yawRate2 = 0;           // deg/s at COS + 1.000 s and COS + 1.750 s
    double ratio1 = 0, ratio2 = 0;               // %, signed
    bool spin = false; // the yaw rate never comes back after the steer reverses: no peak before the log ends
    double displacement = 0;                                   // m, toward the first steer
    double displacementLimit = SwdCriteria::DisplacementLimit; // m
    bool displacementApplies = false;                          // A known and the amplitude at least 5 A
    bool pass1 = false, pass2 = false;
    std::optional<bool> passDisplacement; // unset when it does not apply
    std::optional<double> speedAtBos;     // km/h
    std::optional<double> secondRun;      // s: where a second run's steer starts in the log
    std::optional<double> peakRoll;       // deg, the largest in size, signed
    SwdTraces traces;
};

// Runs the processing and judges the run: pass, fail (a criterion not met; a spin, whose yaw rate never
// comes back, included), or invalid with the reasons. Invalid when the log does not show the test's
// conditions (the speed at BOS within 80 +/- 2 km/h, unless stated; the commanded amplitude; one run;
// A, where the verdict needs it), when a channel cannot be trusted (see CheckChannels, and a response
// out of step with the steer or of no clear sign), or when the log gives no figures: a steer that never
// turns faster than the onset rate, no reversal, no completion of steer, a log cut before COS + 1.750 s
// or BOS + 1.07 s, too few samples or too low a sample rate (processed is then false).
SwdResult EvaluateSineWithDwell(const VehicleLog &log, const SwdOptions &options = {});

// The verdict of the run's figures and conditions, as EvaluateSineWithDwell gives it.
void JudgeSineWithDwell(SwdResult &result, const SwdOptions &options, const VehicleLog &log);

// The log's samples and dropouts, then the run's figures (RunFigureLines) with the settings it was
// processed with, as text lines for a terminal.
std::vector<std::string> SwdReportLines(const SwdResult &result, const VehicleLog &log,
                                        const SwdOptions &settings);

// Double integral (m) of the lateral acceleration (g) from t0 for the duration: trapezoids between the
// samples and the interpolated ends, velocity and displacement zero at t0.
double LateralDisplacement(const std::vector<double> &time, const std::vector<double> &ay, double t0,
                           double duration);
