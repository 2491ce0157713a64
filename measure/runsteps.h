// The steps that every evaluation of a run takes, in the order a log goes from file to figure:
// reading (channels.h), cleaning (cleaning.h), filtering (filtering.h), zeroing (zeroing.h) and event
// finding (events.h); then here what they share beyond those: running the steps into the run's outcome,
// and the checks that a response follows the steer in step and with one clear sign.
#pragma once

#include "measure/channels.h"
#include "measure/cleaning.h"
#include "measure/events.h"
#include "measure/filtering.h"
#include "measure/verdict.h"
#include "measure/zeroing.h"

#include <functional>
#include <string>
#include <vector>

namespace RunLimits {
// A vehicle's yaw rate and lateral acceleration follow the handwheel within a few tenths of a second,
// and never ahead of it: a channel further behind, or ahead, is out of step with the steer (a logger's
// buffering), and its figures would be read at the wrong times.
constexpr double LongestResponseLag = 0.35; // s
constexpr double LongestResponseLead = 0;   // s
// A response that correlates less with the steer over the manoeuvre is not the channel it is named.
constexpr double LeastResponseCorrelation = 0.5;
} // namespace RunLimits

// Runs the steps of an evaluation into the run's outcome, through a record of their verdicts and
// warnings: a FormatError they throw (the log gives no figure that a step needs) makes the run invalid
// with its text.
void RunSteps(RunOutcome &outcome, const std::function<void(RunRecord &)> &steps);

// Checks that the response follows the steer in step and with the sign of its first lobe (sign: +1
// when it takes the steer's sign), else the run is invalid naming the channel.
void CheckResponse(const VehicleLog &log, ChannelKind kind, const ResponseLag &lag, int sign,
                   RunRecord &record);

// "(in rad it would be 270.0 deg: state the unit with --angle-unit rad)": where a value read in its
// default unit would be the one expected in another, what a message adds; empty otherwise.
std::string SteerUnitHint(const VehicleLog &log, double measured, double expected, double tolerance);
std::string SpeedUnitHint(const VehicleLog &log, double measured, double wanted, double tolerance);
