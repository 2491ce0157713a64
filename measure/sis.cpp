// Slowly increasing steer runs: filtering, zeroing, the regression of steer on lateral acceleration.
#include "measure/sis.h"

#include "files/fileio.h"
#include "measure/evaluate.h"
#include "measure/lowpass.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Text(const char *format, auto... values) {
    char text[300];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

double Mean(const std::vector<double> &v, std::size_t from, std::size_t to) {
    long double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += v[i];
    return to > from ? static_cast<double>(sum / static_cast<long double>(to - from)) : 0;
}

// Zeroes steer and lateral acceleration by their means over the second before the steer starts to
// move (its rate first above the rest rate).
void ZeroOnRest(const std::vector<double> &time, std::vector<double> &steer, std::vector<double> &ay,
                SisResult &r, const SisOptions &options) {
    const std::vector<double> rate = Derivative(time, steer);
    std::size_t start = 0;
    while (start < rate.size() && std::fabs(rate[start]) <= options.restRate) ++start;
    std::size_t from = start;
    while (from > 0 && time[from - 1] >= time[start] - options.zeroingTime) --from;
    if (start == rate.size() || time[start] - time[from] < options.zeroingTime / 2) {
        r.warnings.push_back(
            "the log has no still half second before the steer: the channels are not zeroed");
        return;
    }
    r.zeroed = true;
    r.zeroFrom = time[from];
    r.zeroTo = time[start];
    r.steerZero = Mean(steer, from, start);
    r.lateralAccelerationZero = Mean(ay, from, start);
    for (double &s : steer) s -= r.steerZero;
    for (double &a : ay) a -= r.lateralAccelerationZero;
}

} // namespace

SisResult EvaluateSlowlyIncreasingSteer(const VehicleLog &log, const SisOptions &options) {
    SisResult r;
    r.sampleRate = LogSampleRate(log.time, r.warnings);
    std::vector<double> steer = PhaselessLowPass(log.steer, r.sampleRate, options.steerCutoff);
    std::vector<double> ay = PhaselessLowPass(log.lateralAcceleration, r.sampleRate, options.responseCutoff);
    ZeroOnRest(log.time, steer, ay, r, options);

    const auto peak = std::max_element(ay.begin(), ay.end(),
                                       [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    r.peakLateralAcceleration = *peak;
    const double side = r.peakLateralAcceleration < 0 ? -1 : 1;
    if (std::fabs(r.peakLateralAcceleration) > 2.5)
        r.warnings.push_back(Text("the lateral acceleration peaks at %.2f g: is its unit right (--ay-unit)?",
                                  r.peakLateralAcceleration));
    // The rising part: from where the acceleration first reaches the lower level to where it first
    // passes the upper one.
    std::size_t first = 0;
    while (first < ay.size() && side * ay[first] < options.fitLow) ++first;
    std::size_t last = first;
    while (last < ay.size() && side * ay[last] <= options.fitHigh) ++last;
    if (last == ay.size())
        throw FormatError(
            Text("the lateral acceleration never reaches %g g (its peak is %.3f g): the run gives no "
                 "steer angle at %g g",
                 options.fitHigh, std::fabs(r.peakLateralAcceleration), options.at));
    long double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = first; i < last; ++i) {
        const long double x = side * ay[i], y = steer[i];
        if (x < options.fitLow) continue;
        n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    r.samples = static_cast<int>(n);
    if (r.samples < 3 || !(n * sxx - sx * sx > 0))
        throw FormatError(
            Text("only %d samples lie between %g and %g g on the rising part: too few for the regression",
                 r.samples, options.fitLow, options.fitHigh));
    const long double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    r.slope = static_cast<double>(slope);
    r.intercept = static_cast<double>((sy - slope * sx) / n);
    r.angle = r.intercept + r.slope * options.at;
    r.fitFrom = log.time[first];
    r.fitTo = log.time[last - 1];
    if (!log.dropouts.empty())
        r.warnings.push_back(std::to_string(log.dropouts.size()) +
                             " dropout sample(s) replaced: " + DropoutText(log.dropouts));
    r.traces = {log.time, std::move(steer), std::move(ay)};
    return r;
}

double AmplitudeA(const std::vector<SisResult> &runs) {
    long double sum = 0;
    for (const SisResult &r : runs) sum += std::fabs(r.angle);
    const double mean = runs.empty() ? 0 : static_cast<double>(sum / static_cast<long double>(runs.size()));
    return std::round(mean * 10) / 10;
}
