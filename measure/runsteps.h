// The steps that every evaluation of a run takes before its own, written once: the channels it uses
// checked (units stated or plausible for their default, dropouts within their share, no change a
// channel cannot make), filtered, and zeroed over the still time before the steer; and the direction
// each response takes for the first steer, from the whole of its first lobe.
#pragma once

#include "measure/channels.h"
#include "measure/verdict.h"

#include <functional>
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
// Less still time than this before the steer leaves too few samples for an offset.
constexpr double LeastStillTime = 0.5; // s
// A vehicle's yaw rate and lateral acceleration follow the handwheel within a few tenths of a second,
// and never ahead of it: a channel further behind, or ahead, is out of step with the steer (a logger's
// buffering), and its figures would be read at the wrong times.
constexpr double LongestResponseLag = 0.35; // s
constexpr double LongestResponseLead = 0;   // s
// A response that correlates less with the steer over the manoeuvre is not the channel it is named.
constexpr double LeastResponseCorrelation = 0.5;
} // namespace RunLimits

// The shared record of an evaluation: what makes it invalid or failed, and what deserves a look.
struct RunRecord {
    RunVerdict verdict;
    std::vector<std::string> warnings;
};

// Runs the steps of an evaluation into the run's outcome, through a record of their verdicts and
// warnings: a FormatError they throw (the log gives no figure that a step needs) makes the run invalid
// with its text.
void RunSteps(RunOutcome &outcome, const std::function<void(RunRecord &)> &steps);

// Checks the channels of the log that an evaluation uses: a stated unit that is no unit of the
// channel, a change the channel cannot make or more dropouts than ChannelPhysics::MostDropouts make
// the run invalid; a lateral acceleration with no unit stated must be plausible in g, a yaw rate in
// deg/s. The dropouts replaced, a unit the reader does not know and skipped rows are warnings.
void CheckChannels(const VehicleLog &log, const std::vector<ChannelKind> &used, RunRecord &record);

// "column "Steer [deg]"" or "the steer": how messages name a channel of the log.
std::string ChannelText(const VehicleLog &log, ChannelKind kind);

// The sample rate of the log (from its median interval), with a warning when the intervals are uneven.
double LogSampleRate(const std::vector<double> &time, std::vector<std::string> &warnings);

// Zeroes the channels by their means over the zeroing time before sample `end` (from the log's start
// when it starts later, with a warning). Throws FormatError when that leaves less than
// RunLimits::LeastStillTime. The range is [from, to).
struct Zeroing {
    double from = 0, to = 0;
    std::vector<double> means; // one per channel, in the order given
};
Zeroing ZeroBefore(const std::vector<double> &time, std::size_t end, double zeroingTime,
                   const std::vector<std::vector<double> *> &channels, std::vector<std::string> &warnings);

// The sign (+1 or -1) of the values' integral from t0 to t1, or 0 when it is too small to tell: less
// than a quarter of the integral of their size.
int LobeSign(const std::vector<double> &time, const std::vector<double> &values, double t0, double t1);

// How a response follows the steer over samples from to to: the lag (s) where their correlation is
// largest in size, from -0.5 to 1 s, and that correlation.
struct ResponseLag {
    double lag = 0;
    double correlation = 0;
};
ResponseLag LagBehindSteer(const std::vector<double> &time, const std::vector<double> &steer,
                           const std::vector<double> &response, std::size_t from, std::size_t to);

// Checks that the response follows the steer in step and with the sign of its first lobe (sign: +1
// when it takes the steer's sign), else the run is invalid naming the channel.
void CheckResponse(const VehicleLog &log, ChannelKind kind, const ResponseLag &lag, int sign,
                   RunRecord &record);

// "(in rad it would be 270.0 deg: state the unit with --angle-unit rad)": where a value read in its
// default unit would be the one expected in another, what a message adds; empty otherwise.
std::string SteerUnitHint(const VehicleLog &log, double measured, double expected, double tolerance);
std::string SpeedUnitHint(const VehicleLog &log, double measured, double wanted, double tolerance);
