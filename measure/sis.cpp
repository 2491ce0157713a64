// Slowly increasing steer runs: checks, filtering, zeroing, the regression of steer on lateral
// acceleration, and the checks that the run is the procedure's.
#include "measure/sis.h"

#include "files/fileio.h"
#include "measure/evaluate.h"
#include "measure/lowpass.h"
#include "measure/runsteps.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Text(const char *format, auto... values) {
    char text[400];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// The run is the procedure's: the steer rises steadily at about the commanded rate through the fit.
void CheckProcedure(const std::vector<double> &time, const std::vector<double> &steer, std::size_t first,
                    std::size_t last, double side, SisResult &r, const SisOptions &o, RunRecord &record) {
    using namespace SisCriteria;
    if (r.samples < LeastFitSamples)
        record.verdict.Invalid(
            Text("only %d samples lie in the fit from %g to %g g (%.3f s): a slowly increasing "
                 "steer gives at least %d",
                 r.samples, o.fitLow, o.fitHigh, r.fitTo - r.fitFrom, LeastFitSamples));
    r.steerRate = r.fitTo > r.fitFrom ? side * (steer[last] - steer[first]) / (r.fitTo - r.fitFrom) : 0;
    if (!(std::fabs(r.steerRate - o.commandedRate) <= RateTolerance * o.commandedRate)) {
        record.verdict.Invalid(
            Text("the steer rises at %.2f deg/s through the fit, not at about the commanded %g "
                 "deg/s (within %g %%): the log is no slowly increasing steer",
                 r.steerRate, o.commandedRate, 100 * RateTolerance));
        return;
    }
    for (std::size_t i = first, j = first; i <= last; ++i) {
        while (j < last && time[j] < time[i] + RateWindow) ++j;
        if (time[j] - time[i] < RateWindow * 0.999) break;
        const double rate = side * (steer[j] - steer[i]) / (time[j] - time[i]);
        if (!(std::fabs(rate - o.commandedRate) <= Steadiness * o.commandedRate)) {
            record.verdict.Invalid(
                Text("the steer rate is %.2f deg/s from %.3f to %.3f s, not a steady %g deg/s "
                     "(within %g %%): the log is no slowly increasing steer",
                     rate, time[i], time[j], o.commandedRate, 100 * Steadiness));
            return;
        }
    }
}

void Process(const VehicleLog &log, const SisOptions &options, SisResult &r, RunRecord &record) {
    CheckChannels(log, {ChannelKind::Steer, ChannelKind::LateralAcceleration}, record);
    r.sampleRate = LogSampleRate(log.time, record.warnings);
    std::vector<double> steer = PhaselessLowPass(log.steer, r.sampleRate, options.steerCutoff);
    std::vector<double> ay = PhaselessLowPass(log.lateralAcceleration, r.sampleRate, options.responseCutoff);
    const Zeroing zeroing = ZeroBefore(log.time, SteerStart(log.time, steer, options.restRate),
                                       options.zeroingTime, {&steer, &ay}, record.warnings);
    r.zeroed = true;
    r.zeroFrom = zeroing.from, r.zeroTo = zeroing.to;
    r.steerZero = zeroing.means[0], r.lateralAccelerationZero = zeroing.means[1];

    const auto peak = std::max_element(ay.begin(), ay.end(),
                                       [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    r.peakLateralAcceleration = *peak;
    const double side = r.peakLateralAcceleration < 0 ? -1 : 1;
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
    r.processed = true;
    CheckProcedure(log.time, steer, first, last - 1, r.angle < 0 ? -1 : 1, r, options, record);
    r.traces = {log.time, std::move(steer), std::move(ay)};
}

} // namespace

SisResult EvaluateSlowlyIncreasingSteer(const VehicleLog &log, const SisOptions &options) {
    SisResult r;
    RunSteps(r, [&](RunRecord &record) { Process(log, options, r, record); });
    return r;
}

double AmplitudeA(const std::vector<SisResult> &runs) {
    long double sum = 0;
    for (const SisResult &r : runs) sum += std::fabs(r.angle);
    const double mean = runs.empty() ? 0 : static_cast<double>(sum / static_cast<long double>(runs.size()));
    return std::round(mean * 10) / 10;
}

SisAmplitude AmplitudeOfRuns(const std::vector<SisResult> &runs) {
    SisAmplitude a;
    std::vector<SisResult> valid;
    std::string invalid;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        if (runs[k].pass) {
            valid.push_back(runs[k]);
            (runs[k].angle < 0 ? a.negative : a.positive) += 1;
        } else {
            invalid += (invalid.empty() ? "" : ", ") + std::to_string(k + 1);
        }
    }
    if (!valid.empty()) {
        long double sum = 0;
        for (const SisResult &r : valid) sum += std::fabs(r.angle);
        a.mean = static_cast<double>(sum / static_cast<long double>(valid.size()));
    }
    if (runs.empty())
        a.reason = "no run was given";
    else if (!invalid.empty())
        a.reason = "A is not known: run " + invalid +
                   (invalid.find(',') == std::string::npos ? " is" : " are") + " invalid";
    else
        a.a = AmplitudeA(valid);
    if (a.positive != SisCriteria::RunsEachWay || a.negative != SisCriteria::RunsEachWay)
        a.warnings.push_back(
            Text("A is the mean of %d run(s) steered anticlockwise (positive) and %d clockwise "
                 "(negative): the procedure takes %d each way",
                 a.positive, a.negative, SisCriteria::RunsEachWay));
    return a;
}
