// Fishhook and J-turn: the steer's shape, the roll and its rate, the roll-rate feedback, the lift.
#include "measure/rollover.h"
#include "measure/text.h"

#include "files/fileio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using namespace RolloverCriteria;

// Where the line through the steer's crossings of LineFrom and LineTo of the amplitude (going from
// sample `from`, before `to`) meets the amplitude.
std::optional<double> LineAtAmplitude(const std::vector<double> &time, const std::vector<double> &steer,
                                      std::size_t from, std::size_t to, double amplitude) {
    const auto near = FirstReach(time, steer, from, to, LineFrom * amplitude);
    if (!near) return std::nullopt;
    const auto far = FirstReach(time, steer, IndexAtOrAfter(time, *near), to, LineTo * amplitude);
    if (!far) return std::nullopt;
    return *near - (*far - *near) * (1 - LineFrom) / (LineFrom - LineTo);
}

void Lift(const VehicleLog &log, const PreparedRun &run, HandlingResult &r, RunRecord &record) {
    const std::string criterion =
        Text("both wheels of one side at least 2 in (%g mm) off the ground at once", LiftCriterion);
    if (run.lift.empty()) {
        r.Step("Two-wheel lift", "not assessed: the log has no wheel lift column");
        record.verdict.Invalid("the log has no wheel lift column, so the lift criterion (" + criterion +
                               ") cannot be applied: name it with --lift-column");
        return;
    }
    const VehicleChannel &channel = log.liftChannel;
    if (!channel.unitStated) {
        const bool flag =
            std::all_of(run.lift.begin(), run.lift.end(), [](double v) { return v == 0 || v == 1; });
        r.Step("Two-wheel lift", "not assessed: the lift's unit is not stated");
        record.verdict.Invalid("the wheel lift (column \"" + channel.column.name +
                               "\") has no unit stated, so the lift criterion (" + criterion +
                               ") cannot be applied to it" +
                               (flag ? " (it holds only 0 and 1: a logger's flag, not a height)" : "") +
                               ": state its unit with --lift-unit or [mm] in its header");
        return;
    }
    const auto &time = run.time;
    const std::optional<Extreme> most = LargestIn(time, run.lift, 0, time.size(), 1);
    r.Step("Two-wheel lift", "criterion: " + criterion + "; the lift column (" + channel.unit +
                                 ") is the height both wheels of the lifting side are off the ground");
    r.Figure("largest_lift_mm", "largest wheel lift", "mm", most->value, 1);
    const std::optional<double> start = FirstReach(time, run.lift, 0, time.size(), LiftCriterion);
    std::optional<double> end;
    if (start) {
        for (std::size_t i = time.size() - 1; i > 0 && !end; --i)
            if (run.lift[i - 1] >= LiftCriterion && run.lift[i] < LiftCriterion)
                end = Crossing(time, run.lift, i, LiftCriterion);
        if (!end) end = time.back();
    }
    r.Figure("two_wheel_lift", "two-wheel lift (1 yes, 0 no)", "-", start ? 1.0 : 0.0, 0);
    r.Figure("lift_start_s", "two-wheel lift from", "s", start, 4, start ? "" : "no two-wheel lift");
    r.Figure("lift_end_s", "two-wheel lift to", "s", end, 4, start ? "" : "no two-wheel lift");
    r.levels.push_back({"2 in", "wheel lift", LiftCriterion, time.front(), time.back()});
    if (start) {
        r.marks.push_back({"lift", *start, "wheel lift"});
        record.verdict.Fail(
            Text("two-wheel lift: the wheels of one side are off the ground by %.1f mm at most, at "
                 "least %g mm from %.3f to %.3f s",
                 most->value, LiftCriterion, *start, *end));
    }
}

void Process(const VehicleLog &log, HandlingResult &r, RunRecord &record) {
    RequireChannel(log, ChannelKind::Roll, "a fishhook or a J-turn");
    PreparedRun run =
        PrepareRun(log,
                   {ChannelKind::Steer, ChannelKind::Roll, ChannelKind::RollRate, ChannelKind::YawRate,
                    ChannelKind::LateralAcceleration, ChannelKind::WheelLift, ChannelKind::Speed},
                   Filters::Rollover, false, false, r, record);
    const auto &time = run.time;
    const auto &steer = run.steer;
    const std::size_t n = time.size();
    if (run.rollRate.empty()) {
        run.rollRate = Derivative(time, run.roll);
        r.Step("Roll rate", "from the roll angle by central differences (the log has no roll rate)");
    }
    KeepChannels(run, r);
    // The first steer: its direction and amplitude up to where it first changes sign.
    const double dir = steer[run.start] < 0 ? -1 : 1;
    std::size_t change = run.start;
    while (change < n && dir * steer[change] >= 0) ++change;
    const Extreme first = *LargestIn(time, steer, run.start, change, dir);
    const std::optional<Extreme> other = change < n ? LargestIn(time, steer, change, n, -dir) : std::nullopt;
    const bool fishhook = other && std::fabs(other->value) > Countersteer * std::fabs(first.value);
    r.Step("Manoeuvre", fishhook ? Text("fishhook: the steer goes to %.1f deg, then to %.1f deg", first.value,
                                        other->value)
                                 : Text("J-turn: the steer goes to %.1f deg and back", first.value));
    r.Figure("fishhook", "fishhook (1) or J-turn (0)", "-", fishhook ? 1.0 : 0.0, 0);
    r.Figure("first_steer_deg", "first steer amplitude", "deg", first.value, 2);
    const double amplitude = first.value;
    // The arrival: the line through the rise's 50 % and 90 % crossings, from the start.
    const auto up50 = FirstReach(time, steer, run.start, first.index + 1, LineTo * amplitude);
    const auto up90 = FirstReach(time, steer, run.start, first.index + 1, LineFrom * amplitude);
    std::optional<double> arrival;
    if (up50 && up90) arrival = *up90 + (*up90 - *up50) * (1 - LineFrom) / (LineFrom - LineTo);
    std::optional<double> countersteer;
    if (fishhook) countersteer = LineAtAmplitude(time, steer, first.index, n, amplitude);
    r.Figure("steer_at_amplitude_s", "the steer reaches its first amplitude at", "s", arrival, 4);
    r.Figure("countersteer_time_s", "countersteer begins at", "s", countersteer, 4,
             fishhook ? (countersteer ? "" : "the steer never leaves its first amplitude")
                      : "a J-turn has none");
    r.Figure("dwell_s", "dwell at the first amplitude", "s",
             arrival && countersteer ? std::optional(*countersteer - *arrival) : std::nullopt, 4,
             fishhook ? "" : "a J-turn has none");
    if (countersteer) {
        r.marks.push_back({"countersteer", *countersteer, ""});
        r.Step("Countersteer",
               Text("where the line through the steer's %g %% and %g %% crossings on its way back "
                    "meets the first amplitude: %.4f s",
                    100 * LineFrom, 100 * LineTo, *countersteer));
    }
    // The roll-rate feedback: the first roll-rate peak in the first roll's direction, before the
    // countersteer (or the steer's return), and the instant the roll rate falls back to FeedbackRate.
    const std::optional<double> back = FirstReach(time, steer, first.index, n, LineTo * amplitude);
    const std::size_t until = countersteer ? IndexAtOrAfter(time, *countersteer) + 1
                              : back       ? IndexAtOrAfter(time, *back)
                                           : n;
    const int rollSign = LobeSign(time, run.roll, time[run.start], time[until - 1]);
    const double rdir = rollSign < 0 ? -1 : 1;
    const std::optional<Extreme> ratePeak = LargestIn(time, run.rollRate, run.start, until, rdir);
    std::optional<double> feedback;
    if (ratePeak) feedback = FirstReach(time, run.rollRate, ratePeak->index, n, rdir * FeedbackRate);
    r.Figure("first_roll_rate_peak_deg_s", "first roll-rate peak", "deg/s",
             ratePeak ? std::optional(ratePeak->value) : std::nullopt, 3);
    r.Figure("first_roll_rate_peak_time_s", "first roll-rate peak at", "s",
             ratePeak ? std::optional(ratePeak->time) : std::nullopt, 4);
    r.Figure("roll_rate_feedback_time_s", "roll rate back to 1.5 deg/s (the roll-rate feedback) at", "s",
             feedback, 4, feedback ? "" : "the roll rate never falls back");
    if (ratePeak) r.marks.push_back({"roll-rate peak", ratePeak->time, "roll rate"});
    if (feedback) r.marks.push_back({"1.5 deg/s", *feedback, "roll rate"});
    r.Step("Roll-rate feedback",
           Text("the first roll-rate peak in the first roll's direction before the %s, and where the roll "
                "rate then "
                "falls back to %g deg/s, the instant the machine's roll-rate feedback reverses the steer",
                countersteer ? "countersteer" : "steer's return", FeedbackRate));
    r.Figure("countersteer_after_roll_rate_peak_s", "countersteer after the roll-rate peak", "s",
             countersteer && ratePeak ? std::optional(*countersteer - ratePeak->time) : std::nullopt, 4,
             fishhook ? "" : "a J-turn has none");
    r.Figure("countersteer_after_feedback_s", "countersteer after the roll-rate feedback", "s",
             countersteer && feedback ? std::optional(*countersteer - *feedback) : std::nullopt, 4,
             fishhook ? "" : "a J-turn has none");
    // Peaks over the whole run.
    for (const auto &[values, key, name, unit] :
         {std::tuple{&run.roll, "roll", "roll angle", "deg"},
          std::tuple{&run.rollRate, "roll_rate", "roll rate", "deg/s"}}) {
        const Extreme high = *LargestIn(time, *values, run.start, n, 1),
                      low = *LargestIn(time, *values, run.start, n, -1);
        const Extreme peak = std::fabs(high.value) >= std::fabs(low.value) ? high : low;
        r.Figure(std::string("peak_") + key + "_" + (std::string(unit) == "deg" ? "deg" : "deg_s"),
                 std::string("peak ") + name, unit, peak.value, 3);
        r.Figure(std::string("peak_") + key + "_time_s", std::string("peak ") + name + " at", "s", peak.time,
                 4);
        r.marks.push_back({"peak", peak.time, name});
    }
    if (!run.speed.empty())
        r.Figure("speed_kmh", "speed as the steer starts", "km/h", run.speed[run.start], 1);
    Lift(log, run, r, record);
    r.processed = true;
}

} // namespace

HandlingResult EvaluateRollover(const VehicleLog &log) {
    HandlingResult r;
    r.kind = HandlingKind::Rollover;
    RunSteps(r, [&](RunRecord &record) { Process(log, r, record); });
    return r;
}
