// The steps every evaluation shares beyond the pipeline: its outcome, the responses' checks, hints.
#include "measure/runsteps.h"

#include "files/fileio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

std::string Text(const char *format, auto... values) {
    char text[400];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

} // namespace

void RunSteps(RunOutcome &outcome, const std::function<void(RunRecord &)> &steps) {
    RunRecord record;
    try {
        steps(record);
    } catch (const FormatError &e) {
        record.verdict.Invalid(e.what());
    }
    outcome.warnings = record.warnings;
    outcome.Take(record.verdict);
}

void CheckResponse(const VehicleLog &log, ChannelKind kind, const ResponseLag &lag, int sign,
                   RunRecord &record) {
    const std::string channel = ChannelText(log, kind);
    if (std::fabs(lag.correlation) < RunLimits::LeastResponseCorrelation) {
        record.verdict.Invalid(
            Text("%s hardly follows the steer (correlation %.2f): is it the channel named?", channel.c_str(),
                 lag.correlation));
        return;
    }
    if (lag.lag > RunLimits::LongestResponseLag || lag.lag < -RunLimits::LongestResponseLead)
        record.verdict.Invalid(
            Text("%s follows the steer %.2f s %s (a vehicle responds within %g s): it is out of "
                 "step with the steer",
                 channel.c_str(), std::fabs(lag.lag), lag.lag < 0 ? "ahead" : "late",
                 RunLimits::LongestResponseLag));
    if (sign == 0)
        record.verdict.Invalid(channel +
                               " has no clear direction over the first steer: its sign cannot be told");
    else if ((lag.correlation > 0 ? 1 : -1) != sign)
        record.verdict.Invalid(channel +
                               ": its first lobe and its correlation with the steer disagree on its sign");
}

std::string SteerUnitHint(const VehicleLog &log, double measured, double expected, double tolerance) {
    const double asDegrees = measured * 180 / std::numbers::pi;
    if (log.steerChannel.unitStated || !(std::fabs(asDegrees - expected) <= tolerance)) return "";
    return Text(
        " (read in rad it would be %.1f deg: state the unit with --angle-unit rad or [rad] in its header)",
        asDegrees);
}

std::string SpeedUnitHint(const VehicleLog &log, double measured, double wanted, double tolerance) {
    if (log.speedChannel.unitStated) return "";
    for (const auto &[unit, factor] : {std::pair{"m/s", 3.6}, std::pair{"mph", 1.609344}}) {
        if (std::fabs(measured * factor - wanted) <= tolerance)
            return Text(
                " (read in %s it would be %.1f km/h: state the unit with --speed-unit %s or [%s] in its "
                "header)",
                unit, measured * factor, unit, unit);
    }
    return "";
}
