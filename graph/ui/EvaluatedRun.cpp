// An evaluated run as the window shows it: its graph and its figures.
#include "graph/ui/EvaluatedRun.h"

#include "compiler/format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Text(const char *format, auto... values) {
    char text[300];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// The value of the largest size.
double Peak(const std::vector<double> &values) {
    double peak = 0;
    for (double v : values)
        if (std::isfinite(v) && std::fabs(v) > std::fabs(peak)) peak = v;
    return peak;
}

// The program's steer, mirrored when the run was steered the other way (a run of the series that
// starts the other way round), so that it lies over the measured steer.
RunTrace ProgramTrace(const std::vector<TPointD> &program, const std::vector<double> &steer) {
    std::vector<double> values;
    for (const TPointD &p : program) values.push_back(p.y);
    const bool mirrored = Peak(values) * Peak(steer) < 0;
    RunTrace trace{
        mirrored ? "program steer mirrored" : "program steer", "deg", 2, RunColours::Program, {}, {}};
    for (const TPointD &p : program) trace.time.push_back(p.x), trace.values.push_back(mirrored ? -p.y : p.y);
    return trace;
}

// The steer strip over the span: the program's steer held at its end angle after its end, as the
// machine holds it, and the measured steer.
RunStrip SteerStrip(const std::vector<TPointD> &program, const std::vector<double> &time,
                    const std::vector<double> &steer, double to) {
    RunTrace commanded = ProgramTrace(program, steer);
    if (!commanded.time.empty() && commanded.time.back() < to) {
        commanded.time.push_back(to);
        commanded.values.push_back(commanded.values.back());
    }
    return {"steer, deg", {commanded, {"steer", "deg", 2, RunColours::Steer, time, steer}}, {}, {}, {}};
}

// The last time a channel has a value.
double LastValueTime(const std::vector<double> &time, const std::vector<double> &values) {
    for (std::size_t i = std::min(time.size(), values.size()); i-- > 0;)
        if (std::isfinite(values[i])) return time[i];
    return time.empty() ? 0 : time.back();
}

// Why the displacement was not judged, for a run whose displacement was not.
std::string NotJudged(const SwdResult &r, const SwdInputs &inputs) {
    if (!(inputs.a > 0)) return "not judged: A is not known";
    return "not judged: the amplitude " + Fixed(r.amplitude, 2) + " deg is below 5 A (" +
           Fixed(SwdCriteria::DisplacementFromA * inputs.a, 2) + " deg)";
}

} // namespace

RunSpan RunSpanOf(const std::vector<double> &logTime, const std::vector<TPointD> &program, double atLeast) {
    RunSpan span{0, atLeast};
    if (!logTime.empty())
        span.from = std::min(span.from, logTime.front()), span.to = std::max(span.to, logTime.back());
    if (!program.empty())
        span.from = std::min(span.from, program.front().x), span.to = std::max(span.to, program.back().x);
    return span;
}

RunGraph SwdRunGraph(const SwdResult &r, const SwdInputs &inputs, const std::vector<TPointD> &program) {
    using namespace SwdCriteria;
    const SwdTraces &t = r.traces;
    const double check1 = r.cos + RatioCheck1, check2 = r.cos + RatioCheck2, at = r.bos + DisplacementTime;
    const RunSpan span = RunSpanOf(t.time, program, check2 + 0.25);
    RunGraph graph;
    graph.from = span.from;
    graph.to = span.to;
    graph.strips.push_back(SteerStrip(program, t.time, t.steer, span.to));

    // A ratio above its limit fails: beyond the limit on the side of the peak.
    RunStrip yaw{
        "yaw rate, deg/s", {{"yaw rate", "deg/s", 2, RunColours::YawRate, t.time, t.yawRate}}, {}, {}, {}};
    const bool above = r.peakYawRate > 0;
    yaw.bands.push_back({check1, check2, RatioLimit1 / 100 * r.peakYawRate, above, RunColours::Check1,
                         Text("%g %% of the peak", RatioLimit1)});
    yaw.bands.push_back({check2, std::max(span.to, check2 + 0.25), RatioLimit2 / 100 * r.peakYawRate, above,
                         RunColours::Check2, Text("%g %% of the peak", RatioLimit2)});
    graph.strips.push_back(yaw);

    graph.strips.push_back(
        {"lateral acceleration, g",
         {{"lateral acceleration", "g", 3, RunColours::LateralAcceleration, t.time, t.lateralAcceleration}},
         {},
         {},
         {}});

    RunStrip displacement{
        "lateral displacement, m",
        {{"lateral displacement", "m", 3, RunColours::Displacement, t.time, t.displacement}},
        {},
        {},
        {}};
    if (r.passDisplacement)
        displacement.bands.push_back({at, std::max(LastValueTime(t.time, t.displacement), at + 0.1),
                                      r.displacementLimit, false, RunColours::DisplacementCheck,
                                      "at least " + Fixed(r.displacementLimit, 2) + " m"});
    else
        displacement.note = NotJudged(r, inputs);
    graph.strips.push_back(displacement);

    graph.marks = {{r.bos, "BOS", RunColours::Bos},
                   {r.cos, "COS", RunColours::Cos},
                   {check1, "COS + 1.000 s", RunColours::Check1},
                   {check2, "COS + 1.750 s", RunColours::Check2},
                   {at, "BOS + 1.07 s", RunColours::DisplacementCheck}};
    return graph;
}

RunGraph SisRunGraph(const SisResult &r, const SisOptions &options, const std::vector<TPointD> &program) {
    const SisTraces &t = r.traces;
    // The regression takes the acceleration toward the turn, the steer as logged.
    const double side = r.peakLateralAcceleration < 0 ? -1 : 1;
    const RunSpan span = RunSpanOf(t.time, program, r.fitTo);
    RunGraph graph;
    graph.from = span.from;
    graph.to = span.to;
    graph.strips.push_back(SteerStrip(program, t.time, t.steer, span.to));
    RunStrip ay{
        "lateral acceleration, g",
        {{"lateral acceleration", "g", 3, RunColours::LateralAcceleration, t.time, t.lateralAcceleration}},
        {},
        {},
        {}};
    ay.levels = {
        {side * options.fitLow, RunColours::Bos, ShortestFixed(static_cast<float>(options.fitLow)) + " g"},
        {side * options.fitHigh, RunColours::Cos, ShortestFixed(static_cast<float>(options.fitHigh)) + " g"},
        {side * options.at, RunColours::Check2, ShortestFixed(static_cast<float>(options.at)) + " g"}};
    graph.strips.push_back(ay);

    RunFit fit;
    fit.xTitle = "lateral acceleration, g";
    fit.yTitle = "steer, deg";
    double readAt = r.fitTo;
    for (std::size_t i = 0; i < t.time.size(); ++i) {
        if (t.time[i] < r.fitFrom || t.time[i] > r.fitTo) continue;
        const double x = side * t.lateralAcceleration[i];
        if (x >= options.at && readAt == r.fitTo) readAt = t.time[i];
        if (x >= options.fitLow) fit.samples.push_back(PointD(x, t.steer[i]));
    }
    fit.slope = r.slope;
    fit.intercept = r.intercept;
    fit.lineFrom = 0;
    fit.lineTo = options.fitHigh;
    fit.at = PointD(options.at, r.angle);
    fit.atLabel = Fixed(r.angle, 2) + " deg at " + ShortestFixed(static_cast<float>(options.at)) + " g";
    fit.colour = RunColours::Check2;
    graph.fit = fit;
    graph.marks = {
        {r.fitFrom, "fit from " + ShortestFixed(static_cast<float>(options.fitLow)) + " g", RunColours::Bos},
        {readAt, ShortestFixed(static_cast<float>(options.at)) + " g", RunColours::Check2},
        {r.fitTo, "fit to " + ShortestFixed(static_cast<float>(options.fitHigh)) + " g", RunColours::Cos}};
    return graph;
}

std::vector<std::string> SwdInputLines(const SwdResult &r, const SwdInputs &inputs) {
    using namespace SwdCriteria;
    std::vector<std::string> lines;
    lines.push_back(inputs.a > 0 ? "A " + Fixed(inputs.a, 2) + " deg, from " + inputs.aSource
                                 : "A not known: neither the program's note nor Evaluate Run gives it");
    lines.push_back(inputs.gvwr > 0 ? Text("Gross vehicle weight rating %s kg: displacement at least %.2f m",
                                           Fixed(inputs.gvwr, 0).c_str(), r.displacementLimit)
                                    : Text("Gross vehicle weight rating not given: taken as at most %g kg, "
                                           "displacement at least %.2f m",
                                           HeavyVehicle, r.displacementLimit));
    lines.push_back(r.passDisplacement
                        ? "Lateral displacement judged: the amplitude " + Fixed(r.amplitude, 2) +
                              " deg is at least 5 A (" + Fixed(DisplacementFromA * inputs.a, 2) + " deg)"
                        : "Lateral displacement " + NotJudged(r, inputs));
    return lines;
}

std::vector<std::string> SisFigureLines(const SisResult &r, const SisOptions &options) {
    std::vector<std::string> lines;
    lines.push_back(Text("Steer at %g g: %s deg", options.at, Fixed(r.angle, 3).c_str()));
    lines.push_back(
        Text("Regression of the steer on the lateral acceleration from %g to %g g: %s deg/g, %s deg "
             "at 0 g, %d samples from %.3f to %.3f s",
             options.fitLow, options.fitHigh, Fixed(r.slope, 3).c_str(), Fixed(r.intercept, 3).c_str(),
             r.samples, r.fitFrom, r.fitTo));
    lines.push_back("Peak lateral acceleration: " + Fixed(r.peakLateralAcceleration, 3) + " g");
    lines.push_back(r.zeroed ? Text("Zeroed on %.3f to %.3f s: steer %s deg, lateral acceleration %s g",
                                    r.zeroFrom, r.zeroTo, Fixed(r.steerZero, 3).c_str(),
                                    Fixed(r.lateralAccelerationZero, 4).c_str())
                             : std::string("Not zeroed"));
    lines.push_back("A is the mean of the series' absolute angles to 0.1 deg: this run alone gives " +
                    Fixed(AmplitudeA({r}), 1) + " deg");
    for (const std::string &w : r.warnings) lines.push_back("Warning: " + w);
    if (!r.pass) lines.push_back(std::string("State: ") + RunStateTitle(r.state) + ": " + r.reason);
    return lines;
}
