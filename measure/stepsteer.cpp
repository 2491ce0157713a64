// Step steer: the steer's step and hold, then each response's steady state, times and peak.
#include "measure/stepsteer.h"
#include "measure/text.h"

#include "files/fileio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using namespace StepCriteria;

// A response channel and how its figures are named.
struct Response {
    const std::vector<double> &values;
    const char *key, *name, *unit, *keyUnit, *gainUnit, *gainKey;
    double gainPer; // the gain is per this much steer: 1 deg, or 100 deg
};

// The step: its level, time zero, rise and the hold over which the steady state is taken.
struct Step {
    double change = 0;               // deg, signed: the steer's mean over the steady-state window
    double timeZero = 0;             // s
    double rise = 0;                 // s, 10 % to 90 %
    double holdFrom = 0, holdTo = 0; // s
    std::size_t windowFrom = 0, windowTo = 0, zero = 0; // samples
};

Step FindStep(const PreparedRun &run, HandlingResult &r) {
    const auto &time = run.time;
    const auto &steer = run.steer;
    std::size_t far = run.start;
    for (std::size_t i = run.start; i < steer.size(); ++i)
        if (std::fabs(steer[i]) > std::fabs(steer[far])) far = i;
    const double sign = steer[far] < 0 ? -1 : 1, largest = std::fabs(steer[far]);
    // The hold's level: the median of the samples beyond HoldShare of the largest departure.
    std::size_t first = run.start;
    while (sign * steer[first] < HoldShare * largest) ++first;
    std::vector<double> near;
    for (std::size_t i = first; i < steer.size(); ++i)
        if (sign * steer[i] >= HoldShare * largest) near.push_back(steer[i]);
    std::nth_element(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(near.size() / 2), near.end());
    const double level = near[near.size() / 2];
    // The hold: from where the steer first comes within the tolerance of its level to where it leaves it.
    auto held = [&](std::size_t i) {
        return std::fabs(steer[i] - level) <= HoldTolerance * std::fabs(level);
    };
    while (first + 1 < steer.size() && !held(first)) ++first;
    std::size_t last = first;
    while (last + 1 < steer.size() && held(last + 1)) ++last;
    Step s;
    s.holdFrom = time[first];
    s.holdTo = time[last];
    const std::optional<double> t0 = FirstReach(time, steer, run.start, first + 1, TimeZeroShare * level);
    if (!t0) throw FormatError("the steer gives no time zero: it never reaches half its change");
    s.timeZero = *t0;
    const double hold = s.holdTo - s.timeZero, needed = SettleTime + SteadyWindow + SteadyMargin;
    r.Step("Hold", Text("the steer holds %.2f deg (within %g %%) from %.3f to %.3f s: %.3f s after time zero",
                        level, 100 * HoldTolerance, s.holdFrom, s.holdTo, hold));
    if (hold < needed)
        throw FormatError(
            Text("no hold long enough for a steady state: the steer is held %.3f s after time zero "
                 "(%.3f s), and a steady state needs %g s (the responses settle for %g s, then a "
                 "window of %g s that ends %g s before the steer leaves the hold)",
                 hold, s.timeZero, needed, SettleTime, SteadyWindow, SteadyMargin));
    // The window ends a little before the steer leaves the hold, clear of its way back.
    s.windowTo = IndexAtOrAfter(time, s.holdTo - SteadyMargin);
    s.windowFrom = IndexAtOrAfter(time, time[s.windowTo - 1] - SteadyWindow);
    s.zero = IndexAtOrAfter(time, s.timeZero);
    // The change and time zero from the level the steer holds over the window.
    s.change = MeanOf(steer, s.windowFrom, s.windowTo);
    s.timeZero = FirstReach(time, steer, run.start, first + 1, TimeZeroShare * s.change).value_or(s.timeZero);
    const auto from = FirstReach(time, steer, run.start, first + 1, RiseFrom * s.change);
    const auto to = FirstReach(time, steer, run.start, first + 1, RiseTo * s.change);
    s.rise = from && to ? *to - *from : 0;
    r.Step("Step", Text("the steer changes by %.3f deg (its mean over the steady state); time zero where it "
                        "reaches %g %% of that, at %.4f s",
                        s.change, 100 * TimeZeroShare, s.timeZero));
    r.Step(
        "Steady state",
        Text("means over %.3f to %.3f s, the last %g s of the hold, ending %g s before the steer leaves it "
             "(%zu samples)",
             time[s.windowFrom], time[s.windowTo - 1], SteadyWindow, SteadyMargin,
             s.windowTo - s.windowFrom));
    return s;
}

// The response's figures; false when it is not steady over the window.
void Evaluate(const Response &c, const PreparedRun &run, const Step &s, HandlingResult &r,
              RunRecord &record) {
    const auto &time = run.time;
    const std::string key = c.key;
    const double steady = MeanOf(c.values, s.windowFrom, s.windowTo);
    const std::size_t fifth = std::max<std::size_t>(1, (s.windowTo - s.windowFrom) / 5);
    const double early = MeanOf(c.values, s.windowFrom, s.windowFrom + fifth),
                 late = MeanOf(c.values, s.windowTo - fifth, s.windowTo);
    const bool judged = key == "yaw_rate" || key == "lateral_acceleration";
    if (judged && !(std::fabs(late - early) <= SteadyDrift * std::fabs(steady)))
        record.verdict.Invalid(
            Text("the %s is not steady over the window %.3f to %.3f s: it moves from %.4g to "
                 "%.4g %s (more than %g %% of its mean): no steady state",
                 c.name, time[s.windowFrom], time[s.windowTo - 1], early, late, c.unit, 100 * SteadyDrift));
    r.Figure(key + "_steady_" + c.keyUnit, std::string("steady-state ") + c.name, c.unit, steady, 4);
    r.Figure(key + "_gain_" + c.gainKey, std::string(c.name) + " gain", c.gainUnit,
             c.gainPer * steady / s.change, 4);
    r.levels.push_back({"steady state", c.name, steady, time[s.windowFrom], time[s.windowTo - 1]});
    const std::optional<double> reach =
        FirstReach(time, c.values, s.zero, s.windowTo, ResponseShare * steady);
    r.Figure(key + "_response_time_s", std::string(c.name) + " response time (90 %)", "s",
             reach ? std::optional(*reach - s.timeZero) : std::nullopt, 4,
             reach ? "" : "it never reaches 90 % of its steady state");
    if (reach) r.marks.push_back({"90 %", *reach, c.name});
    const double sign = steady < 0 ? -1 : 1;
    const std::optional<Extreme> peak = LargestIn(time, c.values, s.zero, s.windowFrom, sign);
    const double overshoot = peak && steady != 0 ? 100 * (peak->value - steady) / steady : 0;
    const bool peaks = peak && overshoot >= LeastOvershoot && peak->index + 1 < s.windowFrom;
    r.Figure(key + "_peak_" + c.keyUnit, std::string(c.name) + " peak", c.unit,
             peak ? std::optional(peak->value) : std::nullopt, 4);
    r.Figure(key + "_peak_response_time_s", std::string(c.name) + " peak response time", "s",
             peaks ? std::optional(peak->time - s.timeZero) : std::nullopt, 4,
             peaks ? "" : Text("it overshoots by less than %g %%", LeastOvershoot));
    if (peaks) r.marks.push_back({"peak", peak->time, c.name});
    r.Figure(key + "_overshoot_percent", std::string(c.name) + " overshoot", "%", std::max(overshoot, 0.0),
             2);
}

void Process(const VehicleLog &log, HandlingResult &r, RunRecord &record) {
    RequireChannel(log, ChannelKind::YawRate, "a step steer");
    const PreparedRun run =
        PrepareRun(log,
                   {ChannelKind::Steer, ChannelKind::YawRate, ChannelKind::LateralAcceleration,
                    ChannelKind::SideslipAngle, ChannelKind::Roll, ChannelKind::Speed},
                   Filters::TransientResponse, false, false, r, record);
    KeepChannels(run, r);
    const Step s = FindStep(run, r);
    r.marks.push_back({"time zero", s.timeZero, ""});
    r.Figure("time_zero_s", "time zero", "s", s.timeZero, 4);
    r.Figure("steer_change_deg", "steer change", "deg", s.change, 3);
    r.Figure("steer_rise_time_s", "steer rise time (10 % to 90 %)", "s", s.rise, 4);
    r.Figure("hold_s", "hold after time zero", "s", s.holdTo - s.timeZero, 3);
    if (s.rise > LongestRise)
        record.verdict.Invalid(Text("the steer is no step: it takes %.3f s from %g %% to %g %% of its change "
                                    "(a step takes at most %g s), so the response times are the ramp's",
                                    s.rise, 100 * RiseFrom, 100 * RiseTo, LongestRise));
    const Response responses[] = {
        {run.yawRate, "yaw_rate", "yaw rate", "deg/s", "deg_s", "deg/s per deg", "deg_s_per_deg", 1},
        {run.lateralAcceleration, "lateral_acceleration", "lateral acceleration", "g", "g", "g per 100 deg",
         "g_per_100deg", 100},
        {run.sideslip, "sideslip", "sideslip", "deg", "deg", "deg per deg", "deg_per_deg", 1},
        {run.roll, "roll", "roll angle", "deg", "deg", "deg per deg", "deg_per_deg", 1}};
    for (const Response &c : responses)
        if (!c.values.empty()) Evaluate(c, run, s, r, record);
    if (!run.roll.empty())
        r.Figure("roll_gradient_deg_per_g", "roll per lateral acceleration", "deg/g",
                 *r.Value("roll_steady_deg") / *r.Value("lateral_acceleration_steady_g"), 3);
    // TB: the yaw rate's peak response time times the steady sideslip, as for a steer to the left.
    const auto peakTime = r.Value("yaw_rate_peak_response_time_s");
    const auto sideslip = r.Value("sideslip_steady_deg");
    r.Figure("tb_factor_s_deg", "TB factor (yaw rate peak time x steady sideslip)", "s deg",
             peakTime && sideslip ? std::optional(*peakTime * *sideslip * (s.change < 0 ? -1 : 1))
                                  : std::nullopt,
             4,
             !sideslip   ? "the log has no sideslip"
             : !peakTime ? "the yaw rate has no peak response time"
                         : "");
    if (!run.speed.empty())
        r.Figure("speed_kmh", "speed over the steady state", "km/h",
                 MeanOf(run.speed, s.windowFrom, s.windowTo), 1);
    r.processed = true;
}

} // namespace

HandlingResult EvaluateStepSteer(const VehicleLog &log) {
    HandlingResult r;
    r.kind = HandlingKind::Step;
    RunSteps(r, [&](RunRecord &record) { Process(log, r, record); });
    return r;
}
