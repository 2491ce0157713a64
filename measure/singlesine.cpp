// Single-period sine: the steer's peaks, each response's peaks after them, their lags and gains.
#include "measure/singlesine.h"
#include "measure/text.h"

#include "files/fileio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using namespace SineCriteria;

struct Response {
    const std::vector<double> &values;
    ChannelKind kind;
    const char *key, *name, *unit, *keyUnit, *gainUnit, *gainKey;
    double gainPer;
};

void Process(const VehicleLog &log, HandlingResult &r, RunRecord &record) {
    RequireChannel(log, ChannelKind::YawRate, "a single-period sine");
    const PreparedRun run = PrepareRun(
        log, {ChannelKind::Steer, ChannelKind::YawRate, ChannelKind::LateralAcceleration, ChannelKind::Speed},
        Filters::TransientResponse, false, false, r, record);
    KeepChannels(run, r);
    const auto &time = run.time;
    const auto &steer = run.steer;
    const std::size_t n = time.size();
    const auto high = LargestIn(time, steer, run.start, n, 1), low = LargestIn(time, steer, run.start, n, -1);
    Extreme first = high->time < low->time ? *high : *low, second = high->time < low->time ? *low : *high;
    if (!(first.value * second.value < 0) ||
        std::fabs(second.value) < LeastSecondPeak * std::fabs(first.value))
        throw FormatError(
            Text("the steer has no second peak of the other sign (its extremes are %.2f and %.2f "
                 "deg): the log holds no single-period sine",
                 high->value, low->value));
    const double half = second.time - first.time;
    r.Step("Steer peaks", Text("%.2f deg at %.4f s and %.2f deg at %.4f s (the parabola through the extreme "
                               "samples): a sine of %.3f Hz",
                               first.value, first.time, second.value, second.time, 1 / (2 * half)));
    r.Step("Response peaks",
           Text("each response's extreme of its steer peak's sign from %g to %g of the %.3f s "
                "between the steer's peaks before and after it, by the parabola",
                SearchBefore, SearchAfter, half));
    r.Figure("steer_first_peak_deg", "steer's first peak", "deg", first.value, 2);
    r.Figure("steer_first_peak_time_s", "steer's first peak time", "s", first.time, 4);
    r.Figure("steer_second_peak_deg", "steer's second peak", "deg", second.value, 2);
    r.Figure("steer_second_peak_time_s", "steer's second peak time", "s", second.time, 4);
    r.Figure("steer_frequency_hz", "steer frequency", "Hz", 1 / (2 * half), 4);
    r.marks.push_back({"peak", first.time, "steer"});
    r.marks.push_back({"peak", second.time, "steer"});
    // The response's sign from its first lobe, held against its correlation with the steer.
    const double reversal = first.time + half / 2;
    const std::size_t from = IndexAtOrAfter(time, time[run.start]),
                      to = IndexAtOrAfter(time, second.time + half);
    const Response responses[] = {{run.yawRate, ChannelKind::YawRate, "yaw_rate", "yaw rate", "deg/s",
                                   "deg_s", "deg/s per deg", "deg_s_per_deg", 1},
                                  {run.lateralAcceleration, ChannelKind::LateralAcceleration,
                                   "lateral_acceleration", "lateral acceleration", "g", "g", "g per 100 deg",
                                   "g_per_100deg", 100}};
    const double steerSign = first.value < 0 ? -1 : 1;
    for (const Response &c : responses) {
        const int lobe =
            LobeSign(time, c.values, time[run.start], reversal + half / 4) * static_cast<int>(steerSign);
        CheckResponse(log, c.kind, LagBehindSteer(time, steer, c.values, from, to), lobe, record);
        const double sign = lobe < 0 ? -1 : 1;
        const std::string key = c.key;
        for (const auto &[peak, which] : {std::pair{first, "first"}, std::pair{second, "second"}}) {
            const std::size_t a = IndexAtOrAfter(time, peak.time - SearchBefore * half),
                              b = IndexAtOrAfter(time, peak.time + SearchAfter * half);
            const double want = sign * (peak.value < 0 ? -1 : 1);
            const std::optional<Extreme> e = LargestIn(time, c.values, a, b, want);
            if (!e) throw FormatError(Text("the log ends before the %s's %s peak", c.name, which));
            r.Figure(key + "_" + which + "_peak_" + c.keyUnit, std::string(c.name) + " " + which + " peak",
                     c.unit, e->value, 4);
            r.Figure(key + "_" + which + "_lag_s", std::string(c.name) + " " + which + " time lag", "s",
                     e->time - peak.time, 4);
            r.Figure(key + "_" + which + "_gain_" + c.gainKey,
                     std::string(c.name) + " " + which + " peak gain", c.gainUnit,
                     c.gainPer * std::fabs(e->value / peak.value), 4);
            r.marks.push_back({std::string(which) + " peak", e->time, c.name});
        }
    }
    if (!run.speed.empty())
        r.Figure("speed_kmh", "speed at the first steer peak", "km/h", ValueAt(time, run.speed, first.time),
                 1);
    r.processed = true;
}

} // namespace

HandlingResult EvaluateSingleSine(const VehicleLog &log) {
    HandlingResult r;
    r.kind = HandlingKind::Sine;
    RunSteps(r, [&](RunRecord &record) { Process(log, r, record); });
    return r;
}
