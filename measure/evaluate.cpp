// Sine-with-dwell runs: each step of the processing as a function of its own, in the order run, and
// the run's verdict from its figures and the conditions its log shows.
#include "measure/evaluate.h"

#include "compiler/format.h"
#include "files/fileio.h"
#include "measure/campaign.h"
#include "measure/logtime.h"
#include "measure/lowpass.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numeric>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double DisplacementTraceAfter = 0.25; // s of the displacement trace after the figure's time

std::string Text(const char *format, auto... values) {
    char text[600];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

double Sign(double x) { return x < 0 ? -1 : 1; }

[[noreturn]] void NoOnset(const VehicleLog &log, const std::vector<double> &rate, const SwdOptions &options) {
    double peak = 0;
    for (double r : rate) peak = std::max(peak, std::fabs(r));
    double steer = 0;
    for (double s : log.steer) steer = std::max(steer, std::fabs(s));
    std::string hint;
    if (!log.steerChannel.unitStated && steer > 0 && steer < 2 * 3.14159265358979)
        hint = Text(" (the steer peaks at %.3g: is it logged in rad? state the unit with --angle-unit rad)",
                    steer);
    throw FormatError(
        Text("the steer rate never stays above %g deg/s for %g ms (its peak is %.1f deg/s): the "
             "log holds no sine with dwell to zero the channels on%s",
             options.onsetRate, options.onsetHold * 1000, peak, hint.c_str()));
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
    std::size_t complete = 0;  // first sample back past zero after the second peak
};

// BOS, the peaks and COS of the zeroed steer; the first steer's direction is set already.
Steer FindSteerEvents(const std::vector<double> &time, const std::vector<double> &steer, SwdResult &r,
                      std::size_t onset, const SwdOptions &options) {
    const double s = r.firstSteer;
    Steer events{onset, 0, 0, 0};
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
    events.complete = i;
    return events;
}

// The first local peak of the yaw rate of the reversal's sign after the steer changes sign. A yaw rate
// that never comes back before the log ends is a spin: its peak is its largest after the reversal.
void FindPeakYawRate(const std::vector<double> &time, const std::vector<double> &yaw, const Steer &events,
                     SwdResult &r) {
    const double sign = -r.firstSteer * r.yawSign;
    for (std::size_t j = std::max<std::size_t>(events.reversal, 1); j + 1 < yaw.size(); ++j) {
        const double p = sign * yaw[j];
        if (p > 0 && p >= sign * yaw[j - 1] && p > sign * yaw[j + 1]) {
            r.peakYawRate = yaw[j];
            r.peakYawRateTime = time[j];
            return;
        }
    }
    std::size_t largest = events.reversal;
    for (std::size_t j = events.reversal; j < yaw.size(); ++j)
        if (sign * yaw[j] > sign * yaw[largest]) largest = j;
    if (!(sign * yaw[largest] > 0))
        throw FormatError(
            "the yaw rate never turns the way of the second steer after the steer reverses (the "
            "log ends at " +
            Seconds(time.back()) + ")");
    r.spin = true;
    r.peakYawRate = yaw[largest];
    r.peakYawRateTime = time[largest];
}

// Another run's steer after this one's COS: the steer rate again above the onset rate for the hold, and
// the steer past the beginning angle.
std::optional<double> SecondRun(const std::vector<double> &time, const std::vector<double> &steer,
                                const std::vector<double> &rate, const Steer &events,
                                const SwdOptions &options) {
    for (std::size_t from = events.complete; from < time.size();) {
        const std::optional<std::size_t> onset =
            SteadyRateOnset(time, rate, from, options.onsetRate, options.onsetHold);
        if (!onset) return std::nullopt;
        for (std::size_t i = *onset; i < time.size() && time[i] <= time[*onset] + 2 * options.onsetHold; ++i)
            if (std::fabs(steer[i]) >= options.bosAngle) return time[*onset];
        from = *onset + 1;
    }
    return std::nullopt;
}

void Process(const VehicleLog &log, const SwdOptions &options, SwdResult &r, RunRecord &record) {
    if (log.yawRate.empty()) throw FormatError("the log has no yaw rate column: a sine with dwell needs one");
    std::vector<ChannelKind> used{ChannelKind::Steer, ChannelKind::YawRate, ChannelKind::LateralAcceleration,
                                  ChannelKind::Speed};
    CheckChannels(log, used, record);
    r.sampleRate = LogSampleRate(log.time, record.warnings);
    const auto &time = log.time;
    SwdTraces &t = r.traces;
    t.time = time;
    // Filter: every channel, before anything is measured on it.
    t.steer = PhaselessLowPass(log.steer, r.sampleRate, options.steerCutoff);
    t.yawRate = PhaselessLowPass(log.yawRate, r.sampleRate, options.responseCutoff);
    t.lateralAcceleration = PhaselessLowPass(log.lateralAcceleration, r.sampleRate, options.responseCutoff);

    // Zeroing: the mean over the second before the steer rate passes the onset rate for good.
    const std::vector<double> rate = Derivative(time, t.steer);
    const std::optional<std::size_t> onset =
        SteadyRateOnset(time, rate, 0, options.onsetRate, options.onsetHold);
    if (!onset) NoOnset(log, rate, options);
    r.onset = time[*onset];
    if (*onset == 0) throw FormatError("the log starts with the steer already turning: nothing to zero on");
    const Zeroing zeroing = ZeroBefore(time, *onset, options.zeroingTime,
                                       {&t.steer, &t.yawRate, &t.lateralAcceleration}, record.warnings);
    r.zeroFrom = zeroing.from, r.zeroTo = zeroing.to;
    r.steerZero = zeroing.means[0], r.yawRateZero = zeroing.means[1],
    r.lateralAccelerationZero = zeroing.means[2];

    // BOS and COS: the first steer's direction is the way the steer moves at the onset.
    r.firstSteer = static_cast<int>(Sign(Derivative(time, t.steer)[*onset]));
    const Steer events = FindSteerEvents(time, t.steer, r, *onset, options);
    r.measuredAmplitude = std::max(std::fabs(r.firstPeak), std::fabs(r.secondPeak));
    r.secondRun = SecondRun(time, t.steer, Derivative(time, t.steer), events, options);

    // The direction each response takes for the first steer: from its whole first lobe, BOS to the
    // reversal, held against its correlation with the steer, which also says whether it is in step.
    const double reversal = Crossing(time, t.steer, events.reversal, 0);
    const std::size_t bosIndex = IndexAtOrAfter(time, r.bos);
    const int yawLobe = LobeSign(time, t.yawRate, r.bos, reversal) * r.firstSteer;
    const int ayLobe = LobeSign(time, t.lateralAcceleration, r.bos, reversal) * r.firstSteer;
    // Over the first lobe alone: after the reversal a spinning car's yaw rate no longer follows the steer.
    const ResponseLag yawLag = LagBehindSteer(time, t.steer, t.yawRate, bosIndex, events.reversal);
    const ResponseLag ayLag = LagBehindSteer(time, t.steer, t.lateralAcceleration, bosIndex, events.reversal);
    r.yawLag = yawLag.lag, r.ayLag = ayLag.lag;
    CheckResponse(log, ChannelKind::YawRate, yawLag, yawLobe, record);
    CheckResponse(log, ChannelKind::LateralAcceleration, ayLag, ayLobe, record);
    r.yawSign = yawLobe < 0 ? -1 : 1;
    if (yawLobe < 0) record.warnings.push_back("the yaw rate is logged with the opposite sign to the steer");
    FindPeakYawRate(time, t.yawRate, events, r);

    // Ratios at the two check times after COS.
    RequireCovered(time, r.cos + SwdCriteria::RatioCheck2, "COS + 1.750 s");
    r.yawRate1 = ValueAt(time, t.yawRate, r.cos + SwdCriteria::RatioCheck1);
    r.yawRate2 = ValueAt(time, t.yawRate, r.cos + SwdCriteria::RatioCheck2);
    r.ratio1 = 100 * r.yawRate1 / r.peakYawRate;
    r.ratio2 = 100 * r.yawRate2 / r.peakYawRate;

    // Lateral displacement from BOS, toward the side the lateral acceleration takes for the first steer.
    RequireCovered(time, r.bos + SwdCriteria::DisplacementTime, "BOS + 1.07 s");
    const double side = ayLobe * r.firstSteer < 0 ? -1 : 1;
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
    r.processed = true;
}

// The conditions of the test that the log must show: the speed at BOS, the commanded amplitude, one run.
void CheckConditions(SwdResult &r, const SwdOptions &options, const VehicleLog &log, RunVerdict &verdict) {
    using namespace SwdCriteria;
    const bool speedStated = std::find(options.accepted.begin(), options.accepted.end(),
                                       RunCondition::Speed) != options.accepted.end();
    if (r.speedAtBos) {
        if (!(std::fabs(*r.speedAtBos - Speed) <= SpeedTolerance))
            verdict.Invalid(Text("the speed at BOS is %.1f km/h, not %g +/- %g km/h%s%s", *r.speedAtBos,
                                 Speed, SpeedTolerance,
                                 SpeedUnitHint(log, *r.speedAtBos, Speed, SpeedTolerance).c_str(),
                                 speedStated ? " (a stated speed does not replace a measured one)" : ""));
    } else if (speedStated) {
        verdict.Stated(RunCondition::Speed);
    } else {
        verdict.Invalid(
            Text("the log has no speed, so the speed at BOS (%g +/- %g km/h) is not shown: name its "
                 "column with --speed-column, or state it with --accept speed",
                 Speed, SpeedTolerance));
    }
    if (options.commandedAmplitude) {
        const double commanded = *options.commandedAmplitude;
        const double tolerance = std::max(AmplitudeToleranceFloor, AmplitudeTolerance * commanded);
        if (!(std::fabs(r.measuredAmplitude - commanded) <= tolerance))
            verdict.Invalid(
                Text("the steer's amplitude is %.2f deg, not the commanded %.2f deg (within %.2f deg): "
                     "the log is not of this run%s",
                     r.measuredAmplitude, commanded, tolerance,
                     SteerUnitHint(log, r.measuredAmplitude, commanded, tolerance).c_str()));
    }
    if (r.secondRun)
        verdict.Invalid(
            Text("the log holds more than one run: another steer starts at %.3f s, after this run's "
                 "COS at %.3f s; give each run a log of its own",
                 *r.secondRun, r.cos));
}

} // namespace

double LateralDisplacement(const std::vector<double> &time, const std::vector<double> &ay, double t0,
                           double duration) {
    std::vector<double> trace;
    return Displacement(time, ay, t0, duration, trace);
}

void JudgeSineWithDwell(SwdResult &r, const SwdOptions &options, const VehicleLog &log) {
    using namespace SwdCriteria;
    RunVerdict verdict = r.verdict;
    CheckConditions(r, options, log, verdict);
    r.pass1 = r.ratio1 <= RatioLimit1;
    r.pass2 = r.ratio2 <= RatioLimit2;
    if (r.spin)
        verdict.Fail(
            Text("the yaw rate does not come back after the steer reverses: it is still %.1f deg/s at "
                 "COS + 1.750 s (a spin)",
                 r.yawRate2));
    if (!r.pass1)
        verdict.Fail(
            Text("the yaw rate ratio at COS + 1.000 s is %.2f %%, above %g %%", r.ratio1, RatioLimit1));
    if (!r.pass2)
        verdict.Fail(
            Text("the yaw rate ratio at COS + 1.750 s is %.2f %%, above %g %%", r.ratio2, RatioLimit2));
    r.displacementLimit = options.gvwr > HeavyVehicle ? HeavyDisplacementLimit : DisplacementLimit;
    r.amplitudeFromProgram = options.commandedAmplitude.has_value();
    r.amplitude = options.commandedAmplitude.value_or(r.measuredAmplitude);
    r.displacementApplies = false;
    if (options.amplitudeA > 0) {
        const double slack = r.amplitudeFromProgram ? 1e-6 : MeasuredAmplitudeSlack;
        r.displacementApplies = r.amplitude >= DisplacementFromA * options.amplitudeA * (1 - slack);
    }
    r.passDisplacement.reset();
    if (r.displacementApplies) {
        r.passDisplacement = r.displacement >= r.displacementLimit;
        if (!*r.passDisplacement)
            verdict.Fail(Text("the lateral displacement is %.3f m, below %.2f m", r.displacement,
                              r.displacementLimit));
    }
    // Without A no run is known to be below 5 A: one that meets the ratios is not shown to pass.
    if (!(options.amplitudeA > 0) && verdict.FailReasons().empty())
        verdict.Invalid(
            "A is not known, so whether the lateral displacement applies to the run cannot be told: "
            "give --amplitude-a A or --amplitude-from SIS.json");
    r.Take(verdict);
}

SwdResult EvaluateSineWithDwell(const VehicleLog &log, const SwdOptions &options) {
    SwdResult r;
    RunSteps(r, [&](RunRecord &record) { Process(log, options, r, record); });
    if (r.processed) JudgeSineWithDwell(r, options, log);
    return r;
}

std::vector<std::string> SwdReportLines(const SwdResult &r, const VehicleLog &log,
                                        const SwdOptions &settings) {
    std::vector<std::string> lines;
    lines.push_back(Text("Samples: %zu at %.4g Hz, %.3f to %.3f s", log.time.size(), r.sampleRate,
                         log.time.front(), log.time.back()));
    lines.push_back(log.dropouts.empty() ? "Dropouts: none"
                                         : "Dropouts replaced: " + DropoutText(log.dropouts));
    for (std::string &line : RunFigureLines(r, settings)) lines.push_back(std::move(line));
    return lines;
}
