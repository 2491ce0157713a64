// Frequency response: Welch spectra of the steer and both responses, H1, coherence and the
// characteristic values.
#include "measure/freqresponse.h"
#include "measure/text.h"

#include "files/fileio.h"
#include "measure/spectra.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

namespace {

using namespace ResponseCriteria;

// Whether the log is at rest over its first (or last) RestTime: the steer within RestShare of its
// largest, and the responses' means there too (their noise averages out; their motion would not).
bool AtRest(const std::vector<double> &time, const std::vector<const std::vector<double> *> &channels,
            bool end) {
    for (std::size_t c = 0; c < channels.size(); ++c) {
        const std::vector<double> &v = *channels[c];
        double largest = 0;
        for (double x : v) largest = std::max(largest, std::fabs(x));
        const std::size_t from = end ? IndexAtOrAfter(time, time.back() - RestTime) : 0,
                          to = end ? time.size() : IndexAtOrAfter(time, time.front() + RestTime);
        if (c == 0) {
            for (std::size_t i = from; i < to; ++i)
                if (std::fabs(v[i]) > RestShare * largest) return false;
        } else if (std::fabs(MeanOf(v, from, to)) > RestShare * largest) {
            return false;
        }
    }
    return true;
}

double Degrees(double radians) { return radians * 180 / std::numbers::pi; }

// One response's column of the table: gains, unwrapped phases, coherences and marks by bin.
struct Column {
    const char *key, *name, *gainUnit, *gainKey;
    double gainPer;
    std::vector<ResponseValue> values;
};

// The value at the frequency by straight lines between the two figures around it (or the one at it).
std::optional<std::pair<double, double>> At(const std::vector<ResponseRow> &rows, const Column &c,
                                            std::size_t index, double f) {
    for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
        if (!(rows[k].frequency <= f && f <= rows[k + 1].frequency)) continue;
        const ResponseValue &a = index ? rows[k].lateralAcceleration : rows[k].yawRate;
        const ResponseValue &b = index ? rows[k + 1].lateralAcceleration : rows[k + 1].yawRate;
        const double u = (f - rows[k].frequency) / (rows[k + 1].frequency - rows[k].frequency);
        if (u == 0 && a.mark.empty()) return std::pair{a.gain, a.phase};
        if (u == 1 && b.mark.empty()) return std::pair{b.gain, b.phase};
        if (!a.mark.empty() || !b.mark.empty()) return std::nullopt;
        return std::pair{a.gain + u * (b.gain - a.gain), a.phase + u * (b.phase - a.phase)};
    }
    (void)c;
    return std::nullopt;
}

void Characterise(const std::vector<ResponseRow> &rows, Column &c, std::size_t index, HandlingResult &r) {
    const std::string key = c.key;
    auto value = [&](std::size_t k) -> const ResponseValue & {
        return index ? rows[k].lateralAcceleration : rows[k].yawRate;
    };
    std::optional<std::size_t> lowest;
    for (std::size_t k = 0; k < rows.size() && !lowest; ++k)
        if (value(k).mark.empty()) lowest = k;
    if (!lowest) {
        r.Figure(key + "_steady_state_gain_" + c.gainKey, std::string(c.name) + " steady-state gain",
                 c.gainUnit, std::nullopt, 4, "no frequency is a figure");
        return;
    }
    const double steady = value(*lowest).gain;
    r.Figure(key + "_steady_state_gain_" + c.gainKey, std::string(c.name) + " steady-state gain", c.gainUnit,
             steady, 4, Text("at %.2f Hz, the lowest frequency that is a figure", rows[*lowest].frequency));
    r.Figure(key + "_steady_state_gain_frequency_hz", std::string(c.name) + " steady-state gain's frequency",
             "Hz", rows[*lowest].frequency, 3);
    const auto one = At(rows, c, index, CharacteristicFrequency);
    const char *why = "1 Hz is not a figure (low coherence or no input)";
    r.Figure(key + "_gain_1hz_" + c.gainKey, std::string(c.name) + " gain at 1 Hz", c.gainUnit,
             one ? std::optional(one->first) : std::nullopt, 4, one ? "" : why);
    r.Figure(key + "_phase_1hz_deg", std::string(c.name) + " phase at 1 Hz", "deg",
             one ? std::optional(one->second) : std::nullopt, 2, one ? "" : why);
    r.Figure(key + "_equivalent_time_lag_s",
             std::string(c.name) + " equivalent time lag (phase at 1 Hz as time)", "s",
             one ? std::optional(-one->second / (360 * CharacteristicFrequency)) : std::nullopt, 4,
             one ? "" : why);
    if (index) return;
    // The yaw rate's resonance: its largest gain among the figures, by the parabola through it and its
    // neighbours, where it is above the steady-state gain and inside the frequencies that are figures.
    std::size_t best = *lowest;
    for (std::size_t k = *lowest; k < rows.size(); ++k)
        if (value(k).mark.empty() && value(k).gain > value(best).gain) best = k;
    const bool inside = best > *lowest && best + 1 < rows.size() && value(best - 1).mark.empty() &&
                        value(best + 1).mark.empty() && value(best).gain > steady;
    std::optional<double> frequency, gain;
    if (inside) {
        const double y0 = value(best - 1).gain, y1 = value(best).gain, y2 = value(best + 1).gain;
        const double h = rows[best].frequency - rows[best - 1].frequency;
        const double denominator = y0 - 2 * y1 + y2;
        const double u = denominator < 0 ? std::clamp(0.5 * (y0 - y2) / denominator, -1.0, 1.0) : 0;
        frequency = rows[best].frequency + u * h;
        gain = y1 - 0.25 * (y0 - y2) * u;
        r.marks.push_back({"resonance", *frequency, "yaw rate gain"});
    }
    const char *none = "the gain has no peak above its steady state among the frequencies that are figures";
    r.Figure("yaw_rate_resonance_frequency_hz", "yaw rate resonance frequency", "Hz", frequency, 3,
             inside ? "" : none);
    r.Figure("yaw_rate_resonance_gain_deg_s_per_deg", "yaw rate gain at resonance", "deg/s per deg", gain, 4,
             inside ? "" : none);
    r.Figure("yaw_rate_peak_ratio", "yaw rate peak ratio (resonance over steady-state gain)", "-",
             gain ? std::optional(*gain / steady) : std::nullopt, 4, inside ? "" : none);
}

void Process(const VehicleLog &log, HandlingResult &r, RunRecord &record) {
    RequireChannel(log, ChannelKind::YawRate, "a frequency response");
    const PreparedRun run = PrepareRun(
        log, {ChannelKind::Steer, ChannelKind::YawRate, ChannelKind::LateralAcceleration, ChannelKind::Speed},
        Filters::None, false, true, r, record);
    KeepChannels(run, r);
    const std::vector<double> &steer = run.steer, &yaw = run.yawRate, &ay = run.lateralAcceleration;

    const auto n = static_cast<std::size_t>(std::lround(Segment * r.sampleRate / 2)) * 2;
    const auto hop = static_cast<std::size_t>(std::lround(static_cast<double>(n) * (1 - Overlap)));
    const bool restBefore = AtRest(log.time, {&steer, &yaw, &ay}, false),
               restAfter = AtRest(log.time, {&steer, &yaw, &ay}, true);
    const std::size_t pad = n - hop;
    auto extended = [&](const std::vector<double> &v) {
        std::vector<double> out(restBefore ? pad : 0, 0.0);
        out.insert(out.end(), v.begin(), v.end());
        out.insert(out.end(), restAfter ? pad : 0, 0.0);
        return out;
    };
    const std::vector<double> x = extended(steer);
    if (x.size() < n)
        throw FormatError(
            Text("the log is %.1f s long and not at rest at its ends: the spectra need %g s at least",
                 log.time.back() - log.time.front(), Segment));
    r.Step("Extension",
           restBefore || restAfter
               ? Text("straight running (zeros) for %.2f s added %s the log, which is at rest there",
                      static_cast<double>(pad) / r.sampleRate,
                      restBefore && restAfter ? "before and after"
                      : restBefore            ? "before"
                                              : "after")
               : std::string("none: the log is not at rest at either end"));
    const WelchSpectra s = Welch(x, {extended(yaw), extended(ay)}, r.sampleRate, n, hop);
    r.Step("Spectra",
           Text("Welch: %zu-sample (%g s) segments every %zu samples (%g %% overlap), periodic Hann "
                "window, %zu segments; H1 = Gxy / Gxx",
                n, Segment, hop, 100 * Overlap, s.segments));
    r.Step("Coherence",
           Text("|Gxy|^2 / (Gxx Gyy) of the spectra averaged also over the %d frequencies around "
                "each (%.2f Hz); a frequency is a figure where it is at least %.2f and the steer's "
                "input at least %g %% of its largest; others are marked",
                2 * CoherenceBand + 1, (2 * CoherenceBand + 1) * s.binHz, CoherenceLimit, 100 * LeastInput));

    // A continuous sine: its power within two bins of its peak.
    std::size_t peak = 1;
    long double total = 0;
    for (std::size_t k = 1; k < s.xx.size(); ++k) {
        total += s.xx[k];
        if (s.xx[k] > s.xx[peak]) peak = k;
    }
    long double near = 0;
    for (std::size_t k = peak > 2 ? peak - 2 : 1; k <= std::min(peak + 2, s.xx.size() - 1); ++k)
        near += s.xx[k];
    const bool sine = total > 0 && near >= SineShare * total;
    const std::vector<double> xxBand = BandAverage(s.xx, CoherenceBand);
    Column columns[] = {
        {"yaw_rate", "yaw rate", "deg/s per deg", "deg_s_per_deg", 1, {}},
        {"lateral_acceleration", "lateral acceleration", "g per 100 deg", "g_per_100deg", 100, {}}};
    ResponseTable table;
    const auto last =
        std::min(s.xx.size() - 1, static_cast<std::size_t>(std::floor(HighestFrequency / s.binHz + 1e-9)));
    std::vector<std::size_t> bins;
    for (std::size_t k = 1; k <= last; ++k)
        if (!sine || k == peak) bins.push_back(k);
    int sign[2] = {1, 1};
    for (std::size_t j = 0; j < 2; ++j) {
        const std::vector<double> yyBand = BandAverage(s.yy[j], CoherenceBand);
        const std::vector<std::complex<double>> xyBand = BandAverage(s.xy[j], CoherenceBand);
        double unwrapped = 0, previous = 0;
        bool first = true;
        for (std::size_t k : bins) {
            ResponseValue v;
            const std::complex<double> h = s.xx[k] > 0 ? s.xy[j][k] / s.xx[k] : 0.0;
            v.coherence = xxBand[k] > 0 && yyBand[k] > 0 ? std::norm(xyBand[k]) / (xxBand[k] * yyBand[k]) : 0;
            v.gain = columns[j].gainPer * std::abs(h);
            const double phase = Degrees(std::arg(h));
            if (s.xx[k] < LeastInput * s.xx[peak])
                v.mark = "no input";
            else if (!(v.coherence >= CoherenceLimit))
                v.mark = "low coherence";
            if (v.mark.empty()) {
                if (first && std::fabs(phase) > 90) sign[j] = -1; // logged with the other sign
                const double p = sign[j] < 0 ? Degrees(std::arg(-h)) : phase;
                unwrapped = first ? p : unwrapped + std::remainder(p - previous, 360.0);
                previous = p;
                first = false;
                v.phase = unwrapped;
            } else {
                v.phase = sign[j] < 0 ? Degrees(std::arg(-h)) : phase;
            }
            columns[j].values.push_back(v);
        }
        if (sign[j] < 0)
            record.warnings.push_back(std::string("the ") + columns[j].name +
                                      " is logged with the opposite sign to the steer");
    }
    std::size_t input = 0, valid = 0;
    for (std::size_t i = 0; i < bins.size(); ++i) {
        table.rows.push_back(
            {static_cast<double>(bins[i]) * s.binHz, columns[0].values[i], columns[1].values[i]});
        if (columns[0].values[i].mark != "no input") ++input;
        if (columns[0].values[i].mark.empty()) ++valid;
    }
    if (sine) {
        // Its frequency from the steer's upward zero crossings, between samples.
        std::vector<double> ups;
        for (std::size_t i = run.start + 1; i < steer.size(); ++i)
            if (steer[i - 1] < 0 && steer[i] >= 0) ups.push_back(Crossing(log.time, steer, i, 0));
        const double f = ups.size() >= 2 ? static_cast<double>(ups.size() - 1) / (ups.back() - ups.front())
                                         : table.rows.front().frequency;
        table.rows.front().frequency = f;
        r.Step("Continuous sine",
               Text("the steer's power lies within two frequencies of %.3f Hz: its one frequency, "
                    "%.4f Hz from its upward zero crossings, is the figure",
                    static_cast<double>(peak) * s.binHz, f));
        r.Figure("steer_frequency_hz", "steer frequency", "Hz", f, 4);
        for (std::size_t j = 0; j < 2; ++j) {
            const ResponseValue &v = j ? table.rows.front().lateralAcceleration : table.rows.front().yawRate;
            const std::string key = columns[j].key;
            r.Figure(key + "_gain_" + columns[j].gainKey, std::string(columns[j].name) + " gain",
                     columns[j].gainUnit, v.mark.empty() ? std::optional(v.gain) : std::nullopt, 4, v.mark);
            r.Figure(key + "_phase_deg", std::string(columns[j].name) + " phase", "deg",
                     v.mark.empty() ? std::optional(v.phase) : std::nullopt, 2, v.mark);
            r.Figure(key + "_coherence", std::string(columns[j].name) + " coherence", "-", v.coherence, 3);
        }
    } else {
        for (std::size_t j = 0; j < 2; ++j) Characterise(table.rows, columns[j], j, r);
    }
    r.response = table;
    if (input == 0)
        throw FormatError("the steer drives no frequency of the response: the log holds no sweep");
    const double share = static_cast<double>(valid) / static_cast<double>(input);
    r.Step("Figures", Text("%zu of the %zu frequencies the steer drives are figures", valid, input));
    if (share < LeastValidShare)
        record.verdict.Invalid(
            Text("the run is below the coherence limit: the coherence is at least %.2f at only %zu "
                 "of the %zu frequencies the steer drives, so the responses do not follow the "
                 "steer closely enough for figures",
                 CoherenceLimit, valid, input));
    r.processed = true;
}

} // namespace

HandlingResult EvaluateFrequencyResponse(const VehicleLog &log) {
    HandlingResult r;
    r.kind = HandlingKind::Response;
    RunSteps(r, [&](RunRecord &record) { Process(log, r, record); });
    return r;
}
