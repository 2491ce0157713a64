// Understeer gradient: the quasi-steady curve of steer against lateral acceleration and its gradients.
#include "measure/understeer.h"
#include "measure/text.h"

#include "files/fileio.h"
#include "measure/channels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

using namespace UndersteerCriteria;

struct Line {
    double slope = 0, intercept = 0;
    int samples = 0;
};

// The least-squares line of y on x over the samples whose x lies in [from, to].
std::optional<Line> Fit(const std::vector<double> &x, const std::vector<double> &y, double from, double to) {
    long double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!(x[i] >= from && x[i] <= to)) continue;
        n += 1, sx += x[i], sy += y[i], sxx += static_cast<long double>(x[i]) * x[i],
            sxy += static_cast<long double>(x[i]) * y[i];
    }
    const long double d = n * sxx - sx * sx;
    if (n < LeastSamples || !(d > 0)) return std::nullopt;
    const long double slope = (n * sxy - sx * sy) / d;
    return Line{static_cast<double>(slope), static_cast<double>((sy - slope * sx) / n), static_cast<int>(n)};
}

void Process(const VehicleLog &log, const HandlingOptions &o, HandlingResult &r, RunRecord &record) {
    const PreparedRun run = PrepareRun(log,
                                       {ChannelKind::Steer, ChannelKind::LateralAcceleration,
                                        ChannelKind::SideslipAngle, ChannelKind::Roll, ChannelKind::Speed},
                                       Filters::SteadyState, true, false, r, record);
    KeepChannels(run, r);
    const auto &time = run.time;
    // The rising part: from where the steer leaves its level to its largest departure, short of where the
    // ramp ends: from where the steer's rate falls below half its rate at the middle of the rise (the
    // lateral acceleration still follows a steer that has stopped, and that is no steady state).
    std::size_t top = run.start;
    for (std::size_t i = run.start; i < time.size(); ++i)
        if (std::fabs(run.steer[i]) > std::fabs(run.steer[top])) top = i;
    const double side = run.steer[top] < 0 ? -1 : 1;
    const std::vector<double> rate = Derivative(time, run.steer);
    const double middle = side * rate[(run.start + top) / 2];
    std::size_t end = (run.start + top) / 2;
    while (end < top && side * rate[end + 1] >= EndOfRamp * middle) ++end;
    if (end < top)
        r.Step("End of the ramp",
               Text("the curve stops at %.3f s, where the steer's rate falls below %g of its %.2f "
                    "deg/s halfway up",
                    time[end], EndOfRamp, middle));
    top = end;
    UndersteerCurve curve;
    std::vector<double> roll, sideslip, speed;
    for (std::size_t i = run.start; i <= top; ++i) {
        curve.steer.push_back(side * run.steer[i]);
        curve.lateralAcceleration.push_back(side * run.lateralAcceleration[i]);
        if (!run.roll.empty()) roll.push_back(side * run.roll[i]);
        if (!run.sideslip.empty()) sideslip.push_back(side * run.sideslip[i]);
        if (!run.speed.empty()) speed.push_back(run.speed[i]);
    }
    // A lateral acceleration logged against the steer's sign is taken the other way, with a warning.
    const auto [lowest, highest] =
        std::minmax_element(curve.lateralAcceleration.begin(), curve.lateralAcceleration.end());
    if (std::fabs(*lowest) > std::fabs(*highest)) {
        for (double &a : curve.lateralAcceleration) a = -a;
        record.warnings.push_back("the lateral acceleration is logged with the opposite sign to the steer");
    }
    const auto [from, to] =
        std::minmax_element(curve.lateralAcceleration.begin(), curve.lateralAcceleration.end());
    r.Step("Curve",
           Text("steer against lateral acceleration from %.3f s to %.3f s (the steer's largest, %.2f deg), "
                "in the direction of the turn (%s): %.3f to %.3f g",
                time[run.start], time[top], run.steer[top], side > 0 ? "anticlockwise" : "clockwise", *from,
                *to));
    if (!(*from <= BaseFrom && *to >= BaseTo))
        throw FormatError(
            Text("the run is outside the linear range: its lateral acceleration runs from %.3f to %.3f "
                 "g and does not cover the base range %g to %g g",
                 *from, *to, BaseFrom, BaseTo));
    const auto base = Fit(curve.lateralAcceleration, curve.steer, BaseFrom, BaseTo);
    if (!base)
        throw FormatError(Text("too few samples between %g and %g g for the base gradient (at least %d)",
                               BaseFrom, BaseTo, LeastSamples));
    // The rates through the base range, so that a reviewer sees the run was slow enough to be quasi-steady.
    std::size_t a = 0, b = 0;
    for (std::size_t i = 0; i < curve.lateralAcceleration.size(); ++i) {
        if (!a && curve.lateralAcceleration[i] >= BaseFrom) a = i;
        if (curve.lateralAcceleration[i] <= BaseTo) b = i;
    }
    const double span = time[run.start + b] - time[run.start + a];
    const double steerRate = span > 0 ? (curve.steer[b] - curve.steer[a]) / span : 0,
                 ayRate = span > 0 ? (curve.lateralAcceleration[b] - curve.lateralAcceleration[a]) / span : 0;
    // Where the curve leaves linear: the first local gradient more than Departure off the base gradient.
    std::optional<double> leaves;
    double reached = BaseTo;
    for (double centre = (BaseFrom + BaseTo) / 2; centre + LocalWidth / 2 <= *to + 1e-9;
         centre += LocalStep) {
        const auto local =
            Fit(curve.lateralAcceleration, curve.steer, centre - LocalWidth / 2, centre + LocalWidth / 2);
        if (!local) continue;
        reached = centre;
        if (std::fabs(local->slope - base->slope) > Departure * std::fabs(base->slope)) {
            leaves = centre;
            break;
        }
    }
    if (leaves && *leaves <= BaseTo)
        throw FormatError(
            Text("the run is outside the linear range: the curve departs from linear already at %.3f "
                 "g, inside the base range %g to %g g",
                 *leaves, BaseFrom, BaseTo));
    curve.linearFrom = BaseFrom;
    curve.linearTo = leaves ? *leaves : std::max(reached + LocalWidth / 2, BaseTo);
    curve.leavesLinear = leaves;
    const Line line = *Fit(curve.lateralAcceleration, curve.steer, curve.linearFrom, curve.linearTo);
    curve.slope = line.slope;
    curve.intercept = line.intercept;
    r.Step("Rates",
           Text("through the base range the steer rises at %.2f deg/s and the lateral acceleration at %.3f "
                "g/s (the figures take the run as quasi-steady)",
                steerRate, ayRate));
    r.Step("Linear range",
           Text("base range %g to %g g, gradient %.3f deg/g; local gradients over %g g every %g g; limit %g "
                "%%; %s; the "
                "linear range is %.3f to %.3f g (%d samples)",
                BaseFrom, BaseTo, base->slope, LocalWidth, LocalStep, 100 * Departure,
                leaves ? Text("the curve leaves linear at %.3f g", *leaves).c_str()
                       : Text("the curve stays linear to the run's top (%.3f g)", *to).c_str(),
                curve.linearFrom, curve.linearTo, line.samples));
    r.Figure("linear_range_from_g", "linear range from", "g", curve.linearFrom, 3);
    r.Figure("linear_range_to_g", "linear range to", "g", curve.linearTo, 3);
    r.Figure("leaves_linear_g", "the curve leaves linear at", "g", leaves, 3,
             leaves ? "" : "it stays linear to the run's top");
    r.Figure("base_gradient_deg_per_g", "steer gradient over the base range", "deg/g", base->slope, 3);
    r.Figure("steer_gradient_deg_per_g", "steer gradient over the linear range", "deg/g", line.slope, 3);
    r.Figure("steer_rate_deg_s", "steer rate through the base range", "deg/s", steerRate, 2);
    r.Figure("lateral_acceleration_rate_g_s", "lateral acceleration rate through the base range", "g/s",
             ayRate, 3);
    // The understeer gradient: the road-wheel angle's gradient less the Ackermann gradient L g / u^2.
    std::optional<double> u;
    if (!speed.empty()) {
        long double sum = 0;
        int count = 0;
        for (std::size_t i = 0; i < speed.size(); ++i)
            if (curve.lateralAcceleration[i] >= curve.linearFrom &&
                curve.lateralAcceleration[i] <= curve.linearTo)
                sum += speed[i], ++count;
        if (count > 0) u = static_cast<double>(sum / count) / 3.6;
    }
    if (u) r.Figure("speed_kmh", "speed over the linear range", "km/h", *u * 3.6, 1);
    const bool vehicle = o.steeringRatio > 0 && o.wheelbase > 0;
    const std::string missing = !vehicle ? "give --steering-ratio and --wheelbase" : "the log has no speed";
    std::optional<double> ackermann, k;
    if (vehicle && u && *u > 0) {
        ackermann = 180 / std::numbers::pi * o.wheelbase * StandardGravity / (*u * *u);
        k = line.slope / o.steeringRatio - *ackermann;
        r.Step("Understeer gradient", Text("steer gradient / steering ratio %g - Ackermann gradient L g / "
                                           "u^2 (L %g m, u %.2f m/s) %.3f deg/g",
                                           o.steeringRatio, o.wheelbase, *u, *ackermann));
    }
    r.Figure("ackermann_gradient_deg_per_g", "Ackermann gradient", "deg/g", ackermann, 3,
             ackermann ? "" : missing);
    r.Figure("understeer_gradient_deg_per_g", "understeer gradient", "deg/g", k, 3, k ? "" : missing);
    std::optional<double> characteristic, critical;
    if (k) {
        const double perMs2 = std::fabs(*k) * std::numbers::pi / 180 / StandardGravity; // rad per m/s^2
        (*k > 0 ? characteristic : critical) = std::sqrt(o.wheelbase / perMs2) * 3.6;
    }
    r.Figure("characteristic_speed_kmh", "characteristic speed", "km/h", characteristic, 1,
             characteristic ? ""
             : critical     ? "the vehicle oversteers"
                            : missing);
    if (critical) r.Figure("critical_speed_kmh", "critical speed", "km/h", critical, 1);
    const std::pair<const std::vector<double> *, const char *> more[] = {{&roll, "roll"},
                                                                         {&sideslip, "sideslip"}};
    for (const auto &[values, name] : more) {
        if (values->empty()) continue;
        const auto g = Fit(curve.lateralAcceleration, *values, curve.linearFrom, curve.linearTo);
        r.Figure(std::string(name) + "_gradient_deg_per_g",
                 std::string(name) + " gradient over the linear range", "deg/g",
                 g ? std::optional(g->slope) : std::nullopt, 3);
    }
    r.curve = curve;
    r.processed = true;
}

} // namespace

HandlingResult EvaluateUndersteer(const VehicleLog &log, const HandlingOptions &options) {
    HandlingResult r;
    r.kind = HandlingKind::Understeer;
    RunSteps(r, [&](RunRecord &record) { Process(log, options, r, record); });
    return r;
}
