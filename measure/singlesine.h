// Single-period sine (ISO 7401): the time lags from the steer's two peaks to the yaw rate's and the
// lateral acceleration's, and the peak gains (each response peak per steer peak).
#pragma once

#include "measure/handling.h"

namespace SineCriteria {
// The second steer peak, of the other sign, is at least this share of the first: else the log holds no
// single-period sine.
constexpr double LeastSecondPeak = 0.5;
// Each response peak is sought from a quarter of the half period before its steer peak to three
// quarters after (ours): a response lags a sine by less than 135 degrees.
constexpr double SearchBefore = 0.25, SearchAfter = 0.75; // of the time between the steer's peaks
} // namespace SineCriteria

HandlingResult EvaluateSingleSine(const VehicleLog &log);
