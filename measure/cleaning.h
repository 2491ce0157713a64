// Cleaning, the first step after reading: the channels an evaluation uses checked before anything is
// measured on them. A unit stated or plausible for its default, dropouts within their share, no change
// a channel cannot make (the dropouts themselves are replaced as the log is read: see dropouts.h).
#pragma once

#include "measure/channels.h"
#include "measure/verdict.h"

#include <string>
#include <vector>

namespace RunLimits {
// A vehicle on tyres stays below this lateral acceleration: a larger peak says its unit is wrong (with
// no unit stated it is not in g; a run in m/s² read as g peaks near ten times its true value).
constexpr double PeakInG = 1.5; // g
// The yaw rate and the lateral acceleration of a vehicle agree as a ≈ v r (within a factor of two or
// so while it slides); a yaw rate with no unit stated that is this many times too small for the
// lateral acceleration is not in deg/s (in rad/s read as deg/s it is 57 times too small).
constexpr double YawRateTooSmall = 8;
} // namespace RunLimits

// Checks the channels of the log that an evaluation uses: a stated unit that is no unit of the
// channel, a change the channel cannot make or more dropouts than ChannelPhysics::MostDropouts make
// the run invalid; a lateral acceleration with no unit stated must be plausible in g, a yaw rate in
// deg/s. The dropouts replaced, a unit the reader does not know and skipped rows are warnings.
void CheckChannels(const VehicleLog &log, const std::vector<ChannelKind> &used, RunRecord &record);

// "the steer (column "Steer [deg]")": how messages name a channel of the log.
std::string ChannelText(const VehicleLog &log, ChannelKind kind);

// The sample rate of the log (from its median interval), with a warning when the intervals are uneven.
double LogSampleRate(const std::vector<double> &time, std::vector<std::string> &warnings);
