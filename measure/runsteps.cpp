// The shared steps of every evaluation: channel checks, sample rate, zeroing, lobe signs and lags.
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

double PeakOf(const std::vector<double> &values) {
    double peak = 0;
    for (double v : values) peak = std::max(peak, std::fabs(v));
    return peak;
}

// The dropouts, the faults and the share of dropouts of one channel.
void CheckCleaning(const VehicleLog &log, ChannelKind kind, RunRecord &record) {
    const VehicleChannel &channel = ChannelOf(log, kind);
    const std::string &column = channel.column.name;
    for (const ChannelFault &f : log.faults)
        if (f.column == column)
            record.verdict.Invalid(Text("the %s (column \"%s\") %s at %.3f s: the channel cannot be trusted",
                                        ChannelKindName(kind), column.c_str(), f.what.c_str(), f.time));
    const auto count = static_cast<std::size_t>(std::count_if(
        log.dropouts.begin(), log.dropouts.end(), [&](const LogDropout &d) { return d.column == column; }));
    const double share = static_cast<double>(count) / static_cast<double>(log.time.size());
    if (share > ChannelPhysics::MostDropouts)
        record.verdict.Invalid(
            Text("the %s (column \"%s\") has %zu dropouts in %zu samples (%.1f %%, more than "
                 "%g %%): the channel cannot be trusted",
                 ChannelKindName(kind), column.c_str(), count, log.time.size(), 100 * share,
                 100 * ChannelPhysics::MostDropouts));
}

// A unit the header states that cannot be the channel's, one the reader does not know, and a default
// unit the values are not plausible in.
void CheckUnit(const VehicleLog &log, ChannelKind kind, RunRecord &record) {
    const VehicleChannel &channel = ChannelOf(log, kind);
    if (!channel.unitProblem.empty()) record.verdict.Invalid(channel.unitProblem);
    if (!channel.unitWarning.empty()) record.warnings.push_back(channel.unitWarning);
    if (!channel.unitProblem.empty()) return;
    // Whatever the unit, no vehicle on tyres reaches this: a header's unit that gives it is wrong too.
    if (kind == ChannelKind::LateralAcceleration) {
        const double peak = PeakOf(log.lateralAcceleration);
        if (peak > RunLimits::PeakInG && channel.unitStated)
            record.verdict.Invalid(
                Text("the lateral acceleration (column \"%s\") peaks at %.3f g in its unit %s, "
                     "more than a vehicle on tyres reaches (%g g): is the unit right (--ay-unit)?",
                     channel.column.name.c_str(), peak, channel.unit.c_str(), RunLimits::PeakInG));
        else if (peak > RunLimits::PeakInG)
            record.verdict.Invalid(Text(
                "the lateral acceleration (column \"%s\") has no unit stated and peaks at %.3f, more than a "
                "vehicle on tyres reaches in g (%g g): state its unit with --ay-unit m/s2 (or --ay-unit g), "
                "or write it in its header as [m/s2]",
                channel.column.name.c_str(), peak, RunLimits::PeakInG));
    }
    if (channel.unitStated) return;
    if (kind == ChannelKind::YawRate && !log.lateralAcceleration.empty()) {
        const double speed = log.speed.empty() ? 80 : std::max(10.0, PeakOf(log.speed)); // km/h
        const double yaw = PeakOf(log.yawRate) * std::numbers::pi / 180;                 // rad/s
        const double ratio = PeakOf(log.lateralAcceleration) * StandardGravity / (yaw * speed / 3.6);
        if (ratio > RunLimits::YawRateTooSmall)
            record.verdict.Invalid(Text(
                "the yaw rate (column \"%s\") has no unit stated and, read as deg/s, is %.3g times too small "
                "for "
                "the lateral acceleration at the vehicle's speed: state its unit with --yaw-unit rad/s (or "
                "--yaw-unit deg/s), or write it in its header as [rad/s]",
                channel.column.name.c_str(), ratio));
    }
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

std::string ChannelText(const VehicleLog &log, ChannelKind kind) {
    const VehicleChannel &channel = ChannelOf(log, kind);
    return std::string("the ") + ChannelKindName(kind) +
           (channel.Present() ? " (column \"" + channel.column.name + "\")" : "");
}

void CheckChannels(const VehicleLog &log, const std::vector<ChannelKind> &used, RunRecord &record) {
    for (ChannelKind kind : used) {
        if (ChannelValues(log, kind).empty()) continue;
        CheckUnit(log, kind, record);
        CheckCleaning(log, kind, record);
    }
    if (!log.dropouts.empty())
        record.warnings.push_back(
            std::to_string(log.dropouts.size()) +
            " dropout sample(s) replaced by straight lines: " + DropoutText(log.dropouts));
    if (log.skippedRows > 0)
        record.warnings.push_back(std::to_string(log.skippedRows) + " rows with an empty cell were skipped");
}

double LogSampleRate(const std::vector<double> &time, std::vector<std::string> &warnings) {
    std::vector<double> intervals(time.size() - 1);
    for (std::size_t i = 0; i + 1 < time.size(); ++i) intervals[i] = time[i + 1] - time[i];
    std::vector<double> sorted = intervals;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2),
                     sorted.end());
    const double median = sorted[sorted.size() / 2];
    const auto [low, high] = std::minmax_element(intervals.begin(), intervals.end());
    if (*high > 1.25 * median || *low < 0.75 * median)
        warnings.push_back(
            Text("the samples are unevenly spaced (%.4f to %.4f s apart): the filter takes them as "
                 "%.4f s apart",
                 *low, *high, median));
    return 1 / median;
}

Zeroing ZeroBefore(const std::vector<double> &time, std::size_t end, double zeroingTime,
                   const std::vector<std::vector<double> *> &channels, std::vector<std::string> &warnings) {
    Zeroing z;
    z.to = time[end];
    z.from = std::max(time.front(), z.to - zeroingTime);
    if (z.to - z.from < RunLimits::LeastStillTime - 1e-9)
        throw FormatError(Text("the log starts %.3f s before the steer: too little still time to zero the "
                               "channels on (at least %g s)",
                               z.to - time.front(), RunLimits::LeastStillTime));
    if (z.to - z.from < zeroingTime - 1e-9)
        warnings.push_back(
            Text("the log starts %.3f s before the steer: the channels are zeroed over that", z.to - z.from));
    const auto first =
        static_cast<std::size_t>(std::lower_bound(time.begin(), time.end(), z.from) - time.begin());
    for (std::vector<double> *channel : channels) {
        long double sum = 0;
        for (std::size_t i = first; i < end; ++i) sum += (*channel)[i];
        const double mean =
            end > first ? static_cast<double>(sum / static_cast<long double>(end - first)) : 0;
        for (double &v : *channel) v -= mean;
        z.means.push_back(mean);
    }
    return z;
}

int LobeSign(const std::vector<double> &time, const std::vector<double> &values, double t0, double t1) {
    long double integral = 0, size = 0;
    for (std::size_t i = 1; i < time.size(); ++i) {
        if (time[i] <= t0 || time[i - 1] >= t1) continue;
        const double dt = time[i] - time[i - 1], mean = (values[i] + values[i - 1]) / 2;
        integral += mean * dt;
        size += std::fabs(mean) * dt;
    }
    if (!(size > 0) || std::fabs(integral) < 0.25 * size) return 0;
    return integral > 0 ? 1 : -1;
}

ResponseLag LagBehindSteer(const std::vector<double> &time, const std::vector<double> &steer,
                           const std::vector<double> &response, std::size_t from, std::size_t to) {
    ResponseLag best;
    if (to <= from + 2) return best;
    const double dt = (time[to - 1] - time[from]) / static_cast<double>(to - 1 - from);
    const auto lead = static_cast<long>(std::ceil(0.5 / dt)), lag = static_cast<long>(std::ceil(1.0 / dt));
    const auto n = static_cast<long>(response.size());
    for (long shift = -lead; shift <= lag; ++shift) {
        long double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, count = 0;
        for (auto i = static_cast<long>(from); i < static_cast<long>(to); ++i) {
            if (i + shift < 0 || i + shift >= n) continue;
            const long double x = steer[static_cast<std::size_t>(i)],
                              y = response[static_cast<std::size_t>(i + shift)];
            sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y, count += 1;
        }
        const long double vx = count * sxx - sx * sx, vy = count * syy - sy * sy;
        if (!(vx > 0 && vy > 0)) continue;
        const double r = static_cast<double>((count * sxy - sx * sy) / std::sqrt(vx * vy));
        if (std::fabs(r) > std::fabs(best.correlation)) best = {static_cast<double>(shift) * dt, r};
    }
    return best;
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
