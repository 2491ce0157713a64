// Sine-with-dwell runs: each step of the processing as a function of its own, in the order run.
#include "measure/evaluate.h"

#include "compiler/format.h"
#include "measure/lowpass.h"
#include "romfiles/fileio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double DisplacementTraceAfter = 0.25; // s of the displacement trace after the figure's time

std::string Text(const char *format, auto... values) {
    char text[400];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

double Sign(double x) { return x < 0 ? -1 : 1; }

std::size_t IndexAtOrAfter(const std::vector<double> &time, double t) {
    return static_cast<std::size_t>(std::lower_bound(time.begin(), time.end(), t) - time.begin());
}

// Time where the values, going from sample i - 1 to sample i, cross the level.
double Crossing(const std::vector<double> &time, const std::vector<double> &v, std::size_t i, double level) {
    const double span = v[i] - v[i - 1];
    const double u = span != 0 ? (level - v[i - 1]) / span : 1;
    return time[i - 1] + std::clamp(u, 0.0, 1.0) * (time[i] - time[i - 1]);
}

// The first sample from which the steer rate stays above the onset rate for the hold time.
std::size_t SteerOnset(const std::vector<double> &time, const std::vector<double> &rate,
                       const SwdOptions &options) {
    for (std::size_t i = 0; i < rate.size(); ++i) {
        if (!(std::fabs(rate[i]) > options.onsetRate)) continue;
        if (time[i] + options.onsetHold > time.back()) break;
        std::size_t j = i;
        while (j < rate.size() && time[j] <= time[i] + options.onsetHold &&
               std::fabs(rate[j]) > options.onsetRate)
            ++j;
        if (j == rate.size() || time[j] > time[i] + options.onsetHold) return i;
        i = j; // below again at j
    }
    double peak = 0;
    for (double r : rate) peak = std::max(peak, std::fabs(r));
    throw FormatError(
        Text("the steer rate never stays above %g deg/s for %g ms (its peak is %.1f deg/s): the "
             "log holds no sine with dwell to zero the channels on",
             options.onsetRate, options.onsetHold * 1000, peak));
}

// Mean of the values over [from, to).
double MeanOver(const std::vector<double> &time, const std::vector<double> &v, double from, double to) {
    long double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = IndexAtOrAfter(time, from); i < time.size() && time[i] < to; ++i) sum += v[i], ++n;
    return n ? static_cast<double>(sum / static_cast<long double>(n)) : 0;
}

void Subtract(std::vector<double> &v, double zero) {
    for (double &x : v) x -= zero;
}

// Double integral of the acceleration (g) from t0 over the duration, by trapezoids between the samples
// and the interpolated ends; velocity and displacement zero at t0. Metres; also fills the displacement
// trace from t0 to a little after the duration.
double Displacement(const std::vector<double> &time, const std::vector<double> &ay, double t0,
                    double duration, std::vector<double> &trace) {
    trace.assign(time.size(), NaN);
    const double end = t0 + duration;
    double t = t0, a = ValueAt(time, ay, t0) * StandardGravity, velocity = 0, position = 0, atEnd = NaN;
    auto advance = [&](double t1, double a1) {
        const double dt = t1 - t;
        const double v1 = velocity + (a + a1) / 2 * dt;
        position += (velocity + v1) / 2 * dt;
        velocity = v1, t = t1, a = a1;
    };
    for (std::size_t i = IndexAtOrAfter(time, t0); i < time.size() && time[i] <= end + DisplacementTraceAfter;
         ++i) {
        if (std::isnan(atEnd) && time[i] >= end) {
            advance(end, ValueAt(time, ay, end) * StandardGravity);
            atEnd = position;
        }
        advance(time[i], ay[i] * StandardGravity);
        trace[i] = position;
    }
    if (std::isnan(atEnd) && end <= time.back()) {
        advance(end, ValueAt(time, ay, end) * StandardGravity);
        atEnd = position;
    }
    return atEnd;
}

std::string Seconds(double t) { return Text("%.3f s", t); }

// The log covers the time the figure needs, or a FormatError names what is missing.
void RequireCovered(const std::vector<double> &time, double t, const std::string &what) {
    if (t > time.back())
        throw FormatError(Text("the log ends at %.3f s, before %s (%.3f s): the run is cut short",
                               time.back(), what.c_str(), t));
}

struct Steer {
    std::size_t onset = 0;     // sample index
    std::size_t firstPeak = 0; // sample index of the first peak
    std::size_t reversal = 0;  // first sample past zero after the first peak
};

// BOS, the peaks and COS of the zeroed steer; the first steer's direction is set already.
Steer FindSteerEvents(const std::vector<double> &time, const std::vector<double> &steer, SwdResult &r,
                      std::size_t onset, const SwdOptions &options) {
    const double s = r.firstSteer;
    Steer events{onset, 0, 0};
    std::size_t i = onset;
    while (i < steer.size() && s * steer[i] < options.bosAngle) ++i;
    if (i == steer.size())
        throw FormatError(
            Text("the steer never reaches %g deg after its rate passes %g deg/s: no beginning of "
                 "steer",
                 options.bosAngle, options.onsetRate));
    r.bos = i == 0 ? time[0] : Crossing(time, steer, i, s * options.bosAngle);
    if (i == onset && i > 0 && s * steer[i - 1] >= options.bosAngle) r.bos = time[i];
    events.firstPeak = i;
    for (; i < steer.size() && s * steer[i] >= 0; ++i)
        if (s * steer[i] > s * steer[events.firstPeak]) events.firstPeak = i;
    if (i == steer.size())
        throw FormatError("the steer never turns back through zero after its first peak (the log ends at " +
                          Seconds(time.back()) + "): no second peak and no completion of steer");
    events.reversal = i;
    r.firstPeak = steer[events.firstPeak];
    // The second peak: past the beginning angle the other way, to where the steer returns to zero.
    std::size_t second = i;
    while (i < steer.size() && s * steer[i] > -options.bosAngle) ++i;
    for (; i < steer.size() && s * steer[i] < 0; ++i)
        if (s * steer[i] < s * steer[second]) second = i;
    if (i == steer.size())
        throw FormatError("the steer never returns to zero after its second peak (the log ends at " +
                          Seconds(time.back()) + "): no completion of steer");
    r.secondPeak = steer[second];
    r.cos = Crossing(time, steer, i, 0);
    return events;
}

// The first local peak of the yaw rate of the reversal's sign after the steer changes sign.
void FindPeakYawRate(const std::vector<double> &time, const std::vector<double> &yaw, const Steer &events,
                     SwdResult &r) {
    // The direction the yaw rate takes for the first steer: as logged at the first peak of the steer,
    // so that a logger's opposite sign convention does not matter.
    const double q = Sign(yaw[events.firstPeak]) * r.firstSteer;
    if (q < 0) r.warnings.push_back("the yaw rate is logged with the opposite sign to the steer");
    const double sign = -r.firstSteer * q;
    for (std::size_t j = events.reversal; j + 1 < yaw.size(); ++j) {
        const double p = sign * yaw[j];
        if (p > 0 && p >= sign * yaw[j - 1] && p > sign * yaw[j + 1]) {
            r.peakYawRate = yaw[j];
            r.peakYawRateTime = time[j];
            return;
        }
    }
    throw FormatError("the yaw rate has no peak after the steer reverses (the log ends at " +
                      Seconds(time.back()) + ")");
}

void Judge(SwdResult &r, const SwdOptions &options) {
    using namespace SwdCriteria;
    r.pass1 = r.ratio1 <= RatioLimit1;
    r.pass2 = r.ratio2 <= RatioLimit2;
    r.displacementLimit = options.gvwr > HeavyVehicle ? HeavyDisplacementLimit : DisplacementLimit;
    if (options.commandedAmplitude) {
        r.amplitude = *options.commandedAmplitude;
        r.amplitudeFromProgram = true;
    } else {
        r.amplitude = std::max(std::fabs(r.firstPeak), std::fabs(r.secondPeak));
    }
    if (options.amplitudeA > 0) {
        // A measured amplitude is the wheel's, which may fall short of the command by its tracking.
        const double slack = r.amplitudeFromProgram ? 1e-6 : 0.02;
        r.displacementApplies = r.amplitude >= DisplacementFromA * options.amplitudeA * (1 - slack);
    } else {
        r.warnings.push_back("A is not known: the lateral displacement is not judged");
    }
    if (r.displacementApplies) r.passDisplacement = r.displacement >= r.displacementLimit;
    r.pass = r.pass1 && r.pass2 && r.passDisplacement.value_or(true);
}

void CheckPlausible(const VehicleLog &log, const SwdTraces &traces, SwdResult &r) {
    double peakAy = 0;
    for (double a : traces.lateralAcceleration) peakAy = std::max(peakAy, std::fabs(a));
    if (peakAy > 2.5)
        r.warnings.push_back(
            Text("the lateral acceleration peaks at %.2f g: is its unit right (--ay-unit)?", peakAy));
    if (r.speedAtBos && std::fabs(*r.speedAtBos - 80) > 2)
        r.warnings.push_back(Text("the speed at BOS is %.1f km/h, not 80 +/- 2 km/h", *r.speedAtBos));
    if (!log.dropouts.empty())
        r.warnings.push_back(std::to_string(log.dropouts.size()) +
                             " dropout sample(s) replaced: " + DropoutText(log.dropouts));
}

} // namespace

double ValueAt(const std::vector<double> &time, const std::vector<double> &values, double t) {
    if (t <= time.front()) return values.front();
    if (t >= time.back()) return values.back();
    const std::size_t i = IndexAtOrAfter(time, t);
    if (time[i] == t) return values[i];
    const double u = (t - time[i - 1]) / (time[i] - time[i - 1]);
    return values[i - 1] + u * (values[i] - values[i - 1]);
}

double LateralDisplacement(const std::vector<double> &time, const std::vector<double> &ay, double t0,
                           double duration) {
    std::vector<double> trace;
    return Displacement(time, ay, t0, duration, trace);
}

std::vector<double> Derivative(const std::vector<double> &time, const std::vector<double> &values) {
    const std::size_t n = values.size();
    std::vector<double> rate(n, 0);
    if (n < 2) return rate;
    rate[0] = (values[1] - values[0]) / (time[1] - time[0]);
    rate[n - 1] = (values[n - 1] - values[n - 2]) / (time[n - 1] - time[n - 2]);
    for (std::size_t i = 1; i + 1 < n; ++i)
        rate[i] = (values[i + 1] - values[i - 1]) / (time[i + 1] - time[i - 1]);
    return rate;
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

SwdResult EvaluateSineWithDwell(const VehicleLog &log, const SwdOptions &options) {
    if (log.yawRate.empty()) throw FormatError("the log has no yaw rate column: a sine with dwell needs one");
    SwdResult r;
    r.sampleRate = LogSampleRate(log.time, r.warnings);
    const auto &time = log.time;
    SwdTraces &t = r.traces;
    t.time = time;
    // Filter: every channel, before anything is measured on it.
    t.steer = PhaselessLowPass(log.steer, r.sampleRate, options.steerCutoff);
    t.yawRate = PhaselessLowPass(log.yawRate, r.sampleRate, options.responseCutoff);
    t.lateralAcceleration = PhaselessLowPass(log.lateralAcceleration, r.sampleRate, options.responseCutoff);

    // Zeroing: the mean over the second before the steer rate passes the onset rate for good.
    const std::size_t onset = SteerOnset(time, Derivative(time, t.steer), options);
    r.onset = time[onset];
    r.zeroTo = r.onset;
    r.zeroFrom = std::max(time.front(), r.onset - options.zeroingTime);
    if (r.zeroTo - r.zeroFrom < options.zeroingTime - 1e-9) {
        if (onset == 0)
            throw FormatError("the log starts with the steer already turning: nothing to zero on");
        r.warnings.push_back(Text("the log starts %.3f s before the steer: the channels are zeroed over that",
                                  r.zeroTo - r.zeroFrom));
    }
    r.steerZero = MeanOver(time, t.steer, r.zeroFrom, r.zeroTo);
    r.yawRateZero = MeanOver(time, t.yawRate, r.zeroFrom, r.zeroTo);
    r.lateralAccelerationZero = MeanOver(time, t.lateralAcceleration, r.zeroFrom, r.zeroTo);
    Subtract(t.steer, r.steerZero);
    Subtract(t.yawRate, r.yawRateZero);
    Subtract(t.lateralAcceleration, r.lateralAccelerationZero);

    // BOS and COS: the first steer's direction is the way the steer moves at the onset.
    r.firstSteer = static_cast<int>(Sign(Derivative(time, t.steer)[onset]));
    const Steer events = FindSteerEvents(time, t.steer, r, onset, options);
    FindPeakYawRate(time, t.yawRate, events, r);

    // Ratios at the two check times after COS.
    RequireCovered(time, r.cos + SwdCriteria::RatioCheck2, "COS + 1.750 s");
    r.yawRate1 = ValueAt(time, t.yawRate, r.cos + SwdCriteria::RatioCheck1);
    r.yawRate2 = ValueAt(time, t.yawRate, r.cos + SwdCriteria::RatioCheck2);
    r.ratio1 = 100 * r.yawRate1 / r.peakYawRate;
    r.ratio2 = 100 * r.yawRate2 / r.peakYawRate;

    // Lateral displacement from BOS, toward the side the lateral acceleration takes for the first steer.
    RequireCovered(time, r.bos + SwdCriteria::DisplacementTime, "BOS + 1.07 s");
    const double side = Sign(t.lateralAcceleration[events.firstPeak]);
    r.displacement = side * Displacement(time, t.lateralAcceleration, r.bos, SwdCriteria::DisplacementTime,
                                         t.displacement);
    for (double &d : t.displacement) d *= side;

    if (!log.speed.empty())
        r.speedAtBos =
            ValueAt(time, PhaselessLowPass(log.speed, r.sampleRate, options.responseCutoff), r.bos);
    if (!log.roll.empty()) {
        const auto roll = PhaselessLowPass(log.roll, r.sampleRate, options.responseCutoff);
        r.peakRoll = *std::max_element(roll.begin(), roll.end(),
                                       [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    }
    Judge(r, options);
    CheckPlausible(log, t, r);
    return r;
}

std::vector<std::string> SwdReportLines(const SwdResult &r, const VehicleLog &log) {
    using namespace SwdCriteria;
    auto verdict = [](bool pass) { return pass ? "pass" : "FAIL"; };
    std::vector<std::string> lines;
    lines.push_back(Text("Samples: %zu at %.4g Hz, %.3f to %.3f s", log.time.size(), r.sampleRate,
                         log.time.front(), log.time.back()));
    lines.push_back(log.dropouts.empty() ? "Dropouts: none"
                                         : "Dropouts replaced: " + DropoutText(log.dropouts));
    lines.push_back(
        "Filter: 12-pole phaseless Butterworth, steer 10 Hz, yaw rate and lateral acceleration 6 Hz");
    lines.push_back(
        Text("Zeroing: means over %.3f to %.3f s (steer rate above 75 deg/s from %.3f s): steer %.3f "
             "deg, yaw rate %.3f deg/s, lateral acceleration %.4f g",
             r.zeroFrom, r.zeroTo, r.onset, r.steerZero, r.yawRateZero, r.lateralAccelerationZero));
    lines.push_back(Text("BOS: %.4f s (steer reaches %+.0f deg)", r.bos, 5.0 * r.firstSteer));
    lines.push_back(Text("COS: %.4f s (steer back to zero after its second peak; peaks %.2f and %.2f deg)",
                         r.cos, r.firstPeak, r.secondPeak));
    lines.push_back(Text("Peak yaw rate: %.3f deg/s at %.4f s", r.peakYawRate, r.peakYawRateTime));
    lines.push_back(Text("Yaw rate ratio at COS + 1.000 s: %s %% (%s deg/s), at most %g %%: %s",
                         Fixed(r.ratio1, 2).c_str(), Fixed(r.yawRate1, 3).c_str(), RatioLimit1,
                         verdict(r.pass1)));
    lines.push_back(Text("Yaw rate ratio at COS + 1.750 s: %s %% (%s deg/s), at most %g %%: %s",
                         Fixed(r.ratio2, 2).c_str(), Fixed(r.yawRate2, 3).c_str(), RatioLimit2,
                         verdict(r.pass2)));
    std::string judged;
    if (r.passDisplacement)
        judged = Text("at least %.2f m: %s", r.displacementLimit, verdict(*r.passDisplacement));
    else if (r.amplitude > 0 && !r.displacementApplies && r.displacementLimit > 0)
        judged = "not judged (amplitude below 5 A, or A not known)";
    lines.push_back(Text("Lateral displacement BOS to BOS + 1.07 s: %.3f m, ", r.displacement) + judged);
    lines.push_back(
        Text("Amplitude: %.2f deg (%s)", r.amplitude, r.amplitudeFromProgram ? "program" : "measured"));
    if (r.speedAtBos) lines.push_back(Text("Speed at BOS: %.1f km/h", *r.speedAtBos));
    if (r.peakRoll) lines.push_back(Text("Peak roll angle: %.2f deg", *r.peakRoll));
    for (const std::string &w : r.warnings) lines.push_back("Warning: " + w);
    lines.push_back(std::string("Verdict: ") + (r.pass ? "pass" : "FAIL"));
    return lines;
}
