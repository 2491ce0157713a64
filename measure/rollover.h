// Fishhook and J-turn (NHTSA rollover resistance): peak roll angle and roll rate, the countersteer
// against the roll-rate feedback the machine waited for (the first roll-rate peak, and the instant the
// roll rate falls back to 1.5 deg/s, when the body reaches its first peak roll), and two-wheel lift where
// a lift channel in a length unit is logged. Its criterion: no two-wheel lift.
#pragma once

#include "measure/handling.h"

namespace RolloverCriteria {
// NHTSA: a two-wheel lift is both wheels of one side at least 2 in (50.8 mm) off the ground at once.
constexpr double LiftCriterion = 50.8; // mm
// The fishhook's roll-rate feedback reverses the steer when the roll rate falls to 1.5 deg/s.
constexpr double FeedbackRate = 1.5; // deg/s
// A fishhook's steer reaches the other side by more than this share of its first amplitude; a J-turn's
// does not.
constexpr double Countersteer = 0.5;
// The steer's countersteer and its arrival at the first amplitude are where the line through its
// crossings of these shares of the amplitude meets the amplitude.
constexpr double LineFrom = 0.9, LineTo = 0.5;
} // namespace RolloverCriteria

// The run's figures and its verdict: fail with a two-wheel lift, pass without one where the lift is
// logged in a length unit, invalid where the log cannot show it (no lift column, or one whose unit is
// not stated) or gives no figures.
HandlingResult EvaluateRollover(const VehicleLog &log);
