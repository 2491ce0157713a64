// Cleaning: the units, dropouts and faults of the channels an evaluation uses, and the sample rate.
#include "measure/cleaning.h"
#include "measure/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

double PeakOf(const std::vector<double> &values) {
    double peak = 0;
    for (double v : values) peak = std::max(peak, std::fabs(v));
    return peak;
}

// The dropouts, the faults and the share of dropouts of one channel.
void CheckCleaning(const VehicleLog &log, ChannelKind kind, RunRecord &record) {
    const VehicleChannel &channel = ChannelOf(log, kind);
    const std::string &column = channel.column.name;
    // Each fault by itself; past the first few, the rest counted, so that the other reasons stay in view.
    constexpr int Listed = 3;
    int faults = 0;
    for (const ChannelFault &f : log.faults) {
        if (f.column != column) continue;
        if (++faults <= Listed)
            record.verdict.Invalid(Text("the %s (column \"%s\") %s at %.3f s: the channel cannot be trusted",
                                        ChannelKindName(kind), column.c_str(), f.what.c_str(), f.time));
    }
    if (faults > Listed)
        record.verdict.Invalid(Text("the %s (column \"%s\") has %d more changes it cannot make",
                                    ChannelKindName(kind), column.c_str(), faults - Listed));
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
