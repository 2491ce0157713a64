// Step steer (ISO 7401): time zero where the steer reaches half its change; the steady state of each
// response over the last second of the hold; the gains per steer; response times to 90 % of the steady
// state, peak response times and overshoots; the steer's own rise time; the TB factor.
#pragma once

#include "measure/handling.h"

namespace StepCriteria {
// ISO 7401: time zero where the steer reaches 50 % of its change, response times to 90 % of the steady
// state; the steer's rise time from 10 % to 90 % shows that the input was a step.
constexpr double TimeZeroShare = 0.5;
constexpr double ResponseShare = 0.9;
constexpr double RiseFrom = 0.1, RiseTo = 0.9;
// Ours where the standard leaves it open: the hold begins where the steer first reaches 90 % of its
// largest departure and lasts while it stays within 5 % of the change of its level; the steady state is
// the mean over the last second of the hold, ending a tenth of a second before the steer leaves it, and
// must begin at least 2 s after time zero (3 s of hold in all); the responses are steady there when the
// means of the window's first and last fifth differ by at most 2 % of it.
constexpr double HoldShare = 0.9;
constexpr double HoldTolerance = 0.05;
constexpr double SettleTime = 2;     // s
constexpr double SteadyWindow = 1;   // s
constexpr double SteadyMargin = 0.1; // s
constexpr double SteadyDrift = 0.02;
// Ours: a steer that takes longer from 10 % to 90 % of its change is a ramp, not a step, and the times
// measured from its time zero are the ramp's more than the vehicle's.
constexpr double LongestRise = 0.5; // s
// A response that overshoots its steady state by less has no peak worth timing.
constexpr double LeastOvershoot = 0.5; // %
} // namespace StepCriteria

// The run's figures: pass when the log gives them, invalid with the reasons (no yaw rate or lateral
// acceleration, a channel that cannot be trusted, too little still time before the steer, no step or
// one too slow to be one, no hold long enough for a steady state, responses not steady over the window).
HandlingResult EvaluateStepSteer(const VehicleLog &log);
