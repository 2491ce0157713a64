// Understeer gradient (ISO 4138, constant-speed method) from slowly increasing steer runs: the steer
// against the lateral acceleration, its gradient over the linear range, the understeer gradient (with
// the steering ratio and the wheelbase) and the characteristic speed, the range where the curve leaves
// linear, and the roll and sideslip gradients where they are logged.
#pragma once

#include "measure/handling.h"

namespace UndersteerCriteria {
// Ours, where the standard leaves it open: the base range, whose least-squares gradient the rest of the
// curve is held against, is 0.1 to 0.2 g (below 0.1 g the offsets and the start of the ramp weigh too
// much); the local gradient, by least squares over 0.05 g, is taken every 0.01 g from the base range's
// middle on, and the curve leaves linear at the first whose gradient departs from the base gradient by
// more than 10 %. The linear range runs from 0.1 g to there (or to the run's top).
constexpr double BaseFrom = 0.1, BaseTo = 0.2; // g
constexpr double LocalWidth = 0.05;            // g
constexpr double LocalStep = 0.01;             // g
constexpr double Departure = 0.10;
// The curve ends where the steer's rate falls below this share of its rate halfway up the ramp.
constexpr double EndOfRamp = 0.5;
// Fewer samples in a least-squares range give no gradient.
constexpr int LeastSamples = 10;
} // namespace UndersteerCriteria

HandlingResult EvaluateUndersteer(const VehicleLog &log, const HandlingOptions &options = {});
