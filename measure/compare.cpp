// Commanded versus measured: alignment of a log on its program, and the tracking figures.
#include "measure/compare.h"

#include "files/fileio.h"
#include "measure/logtime.h"
#include "measure/signal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <numbers>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double MarkedDelayLimit = 1.0; // seconds: with a mark, the delay is searched within +/- this
constexpr std::size_t MaxCorrelationSamples = std::size_t{1} << 19;
constexpr double MaxMeasuredSteer = 1e7; // degrees: beyond it a logged steer is no wheel's
constexpr double ResponseTail = 1.0;     // seconds of the record after a sweep, for the response to settle

std::string Seconds(double t) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f s", t);
    return text;
}

std::string Degrees(double a) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f deg", a);
    return text;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Times of the rising edges of a mark channel, each between the samples where it crosses halfway
// between its lowest and highest value.
std::vector<double> RisingEdges(const MeasuredLog &log) {
    const auto [low, high] = std::minmax_element(log.mark.begin(), log.mark.end());
    const std::string name = "the mark column \"" + log.markColumn.name + "\"";
    if (!(*high > *low)) throw FormatError(name + " never changes: it holds no mark");
    const double middle = *low + (*high - *low) / 2;
    std::vector<double> edges;
    for (std::size_t i = 1; i < log.mark.size(); ++i)
        if (log.mark[i - 1] < middle && log.mark[i] >= middle) {
            const double u = (middle - log.mark[i - 1]) / (log.mark[i] - log.mark[i - 1]);
            edges.push_back(log.time[i - 1] + u * (log.time[i] - log.time[i - 1]));
        }
    if (edges.empty()) throw FormatError(name + " never rises: it holds no mark");
    return edges;
}

// How many of the program's mark edges inside the log meet one of the log's edges, less those that
// meet none, when the log's first edge is laid on the program's edge `match`.
int MarkAgreement(const std::vector<double> &programEdges, std::size_t match,
                  const std::vector<double> &logEdges, const MeasuredLog &log) {
    constexpr double Tolerance = 0.05; // seconds: a mark is logged from the flag itself, without lag
    const double logStart = logEdges.front() - programEdges[match];
    int agreement = 0;
    for (double edge : programEdges) {
        const double t = edge + logStart;
        if (t < log.time.front() - Tolerance || t > log.time.back() + Tolerance) continue;
        const bool met = std::any_of(logEdges.begin(), logEdges.end(),
                                     [&](double e) { return std::fabs(e - t) <= Tolerance; });
        agreement += met ? 1 : -1;
    }
    return agreement;
}

int MarkFlag(const CommandedProgram &program, int wanted) {
    if (wanted != 0) {
        if (program.flagOn[static_cast<std::size_t>(wanted - 1)] < 0)
            throw FormatError("the program never switches flag " + std::to_string(wanted) +
                              " on, so it has no mark");
        return wanted;
    }
    std::vector<int> used;
    for (int f = 1; f <= 8; ++f)
        if (program.flagOn[static_cast<std::size_t>(f - 1)] >= 0) used.push_back(f);
    if (used.empty())
        throw FormatError("the program switches no aux flag on, so it has no mark to align the log with");
    if (used.size() > 1) {
        std::string list;
        for (int f : used) list += (list.empty() ? "" : ", ") + std::to_string(f);
        throw FormatError("the program switches flags " + list +
                          " on: name the flag of the mark (--mark-flag)");
    }
    return used.front();
}

// Least-squares fit of measured on commanded over the steps the log covers, each step weighted by
// its duration so that a fast clock rate does not count more than a slow one.
struct Fit {
    int count = 0;
    double from = 0, to = 0; // program time of the first and last step used
    double gain = NaN, offset = 0, correlation = 0;
};

class Fitter {
public:
    Fitter(const CommandedProgram &program, const SampledSignal &measured)
        : m_program(program), m_measured(measured) {
        const auto &t = program.time;
        m_weight.resize(t.size());
        for (std::size_t i = 0; i + 1 < t.size(); ++i) m_weight[i] = t[i + 1] - t[i];
        m_weight.back() = t.size() > 1 ? m_weight[t.size() - 2] : 1;
    }
    double Weight(std::size_t i) const { return m_weight[i]; }

    Fit At(double lag) const {
        long double w = 0, sc = 0, sm = 0, scc = 0, smm = 0, scm = 0;
        Fit fit;
        for (std::size_t i = 0; i < m_program.time.size(); ++i) {
            const auto m = m_measured.At(m_program.time[i] + lag);
            if (!m) continue;
            const long double wi = m_weight[i], c = m_program.steer[i];
            if (fit.count++ == 0) fit.from = m_program.time[i];
            fit.to = m_program.time[i];
            w += wi;
            sc += wi * c;
            sm += wi * *m;
            scc += wi * c * c;
            smm += wi * *m * *m;
            scm += wi * c * *m;
        }
        if (fit.count < 2 || !(w > 0)) return fit;
        const long double vc = scc - sc * sc / w, vm = smm - sm * sm / w, cm = scm - sc * sm / w;
        const bool varies = vc > 1e-12L * w;
        fit.gain = varies ? static_cast<double>(cm / vc) : NaN;
        fit.offset = static_cast<double>(varies ? (sm - cm / vc * sc) / w : (sm - sc) / w);
        fit.correlation = !varies ? NaN : vm > 0 ? static_cast<double>(cm / std::sqrt(vc * vm)) : 0;
        return fit;
    }

private:
    const CommandedProgram &m_program;
    const SampledSignal &m_measured;
    std::vector<double> m_weight;
};

// Golden-section search of the correlation's maximum between two lags.
double RefineLag(const Fitter &fitter, double low, double high) {
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    auto score = [&](double lag) {
        const double r = fitter.At(lag).correlation;
        return std::isnan(r) ? -2.0 : r;
    };
    double a = low, b = high;
    double c = b - ratio * (b - a), d = a + ratio * (b - a);
    double fc = score(c), fd = score(d);
    for (int i = 0; i < 60 && b - a > 1e-7; ++i) {
        if (fc >= fd) {
            b = d, d = c, fd = fc;
            c = b - ratio * (b - a);
            fc = score(c);
        } else {
            a = c, c = d, fc = fd;
            d = a + ratio * (b - a);
            fd = score(d);
        }
    }
    return (a + b) / 2;
}

double SmallestStepInterval(const std::vector<double> &time, double from, double to) {
    double dt = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 1 < time.size(); ++i)
        if (time[i + 1] >= from && time[i] <= to && time[i + 1] > time[i])
            dt = std::min(dt, time[i + 1] - time[i]);
    return std::isfinite(dt) ? dt : 1.0 / 1024;
}

// The delay: the lag where commanded and measured correlate best over the time they share, found on a
// uniform grid as fine as the program's fastest clock (coarser for a very long log), then refined on
// the program's own steps.
double FindDelay(const CommandedProgram &program, const SampledSignal &commanded,
                 const SampledSignal &measured, double minLag, double maxLag) {
    const double programEnd = program.time.back();
    // The part of the log that can meet the program at a lag in range.
    const double from = std::max(measured.First(), minLag),
                 to = std::min(measured.Last(), programEnd + maxLag);
    if (!(from < to))
        throw FormatError("the log does not overlap the program within " + Seconds(MarkedDelayLimit) +
                          " of its mark");
    const double finest = SmallestStepInterval(program.time, program.time.front(), programEnd);
    const double dt =
        std::max(finest, (programEnd + (to - from)) / static_cast<double>(MaxCorrelationSamples));
    auto count = [&](double span) { return static_cast<std::size_t>(span / dt) + 1; };
    std::vector<double> a(count(programEnd)), b(count(to - from));
    std::vector<char> valid(b.size());
    for (std::size_t n = 0; n < a.size(); ++n) a[n] = commanded.Across(static_cast<double>(n) * dt);
    for (std::size_t n = 0; n < b.size(); ++n) {
        const auto m = measured.At(from + static_cast<double>(n) * dt);
        valid[n] = m.has_value();
        b[n] = m.value_or(0);
    }
    const auto lag = OverlapCorrelationLag(a, b, valid, from, dt, minLag, maxLag);
    if (!lag)
        throw FormatError(std::isfinite(minLag) ? "the log does not follow the program within " +
                                                      Seconds(MarkedDelayLimit) + " of its mark"
                                                : "the log does not overlap the program's steer changes");
    return RefineLag(Fitter(program, measured), *lag - 2 * dt, *lag + 2 * dt);
}

// The log's samples as program times and values, for reading windows of the measured steer.
class LogSamples {
public:
    LogSamples(const MeasuredLog &log, double logStart) : m_log(log), m_start(logStart) {}
    // Indices of the samples from program time t0 up to t1.
    std::pair<std::size_t, std::size_t> Between(double t0, double t1) const {
        const auto &t = m_log.time;
        const auto first = std::lower_bound(t.begin(), t.end(), t0 + m_start);
        const auto last = std::upper_bound(first, t.end(), t1 + m_start);
        return {static_cast<std::size_t>(first - t.begin()), static_cast<std::size_t>(last - t.begin())};
    }
    std::optional<double> Mean(double t0, double t1) const {
        const auto [first, last] = Between(t0, t1);
        if (first >= last) return std::nullopt;
        long double sum = 0;
        for (std::size_t i = first; i < last; ++i) sum += m_log.steer[i];
        return static_cast<double>(sum / static_cast<long double>(last - first));
    }
    double Time(std::size_t i) const { return m_log.time[i] - m_start; }
    double Steer(std::size_t i) const { return m_log.steer[i]; }

private:
    const MeasuredLog &m_log;
    double m_start;
};

// Each step's response on the measured steer itself. The wheel cannot answer a command before it is
// given, so the level before the step is read just before the command and the settled level at the
// end of its hold, both in log time (moved earlier only when the log runs ahead of the program): a
// delay found by correlation is longer than a lagging wheel's dead time and would take in the start
// of the response or of the next one.
std::vector<StepResponse> StepResponses(const CommandedProgram &program, const LogSamples &samples,
                                        double delay) {
    const double ahead = std::isnan(delay) ? 0 : std::min(delay, 0.0);
    std::vector<StepResponse> responses;
    for (const CommandedStep &step : program.steps) {
        const auto before = samples.Mean(step.time - 0.05 + ahead, step.time + ahead);
        const double settleFrom = step.holdEnd - 0.2 * (step.holdEnd - step.reached);
        const auto settled = samples.Mean(settleFrom + ahead, step.holdEnd + ahead);
        if (!before || !settled) continue;
        const double direction = step.to > step.from ? 1 : -1;
        StepResponse response{step.time, step.from, step.to, *before, *settled, 0, NaN, NaN};
        const auto [first, last] = samples.Between(step.time + ahead, step.holdEnd + ahead);
        for (std::size_t i = first; i < last; ++i) {
            const double excursion = direction * (samples.Steer(i) - *settled);
            if (std::isnan(response.peakTime) && excursion >= 0) response.peakTime = samples.Time(i);
            if (excursion > response.overshoot) {
                response.overshoot = excursion;
                response.peakTime = samples.Time(i);
            }
        }
        if (std::isnan(response.peakTime)) response.peakTime = step.holdEnd;
        const double size = std::fabs(*settled - *before);
        response.overshootPercent = size > 1e-9 ? 100 * response.overshoot / size : NaN;
        responses.push_back(response);
    }
    return responses;
}

// The program time of the first change of the commanded steer after time t (infinite when it holds
// its value to the end, and after it).
double NextChange(const CommandedProgram &program, double t) {
    const auto &time = program.time;
    auto i = static_cast<std::size_t>(std::upper_bound(time.begin(), time.end(), t) - time.begin());
    if (i == 0) return t;
    for (std::size_t k = i; k < time.size(); ++k)
        if (program.steer[k] != program.steer[i - 1]) return time[k - 1];
    return std::numeric_limits<double>::infinity();
}

// The gain at the sweep's lowest frequency, from the first points.
double GainAtLowest(const FrequencyResponse &r) {
    const ResponsePoint &a = r.points.front();
    if (r.points.size() < 2 || a.frequency <= r.lowHz) return a.gainDb;
    const ResponsePoint &b = r.points[1];
    return a.gainDb + (b.gainDb - a.gainDb) * (r.lowHz - a.frequency) / (b.frequency - a.frequency);
}

void SweepResponse(Comparison &result, const CommandedProgram &program, const SampledSignal &commanded,
                   const SampledSignal &measured, const LogSamples &samples) {
    FrequencyResponse response;
    response.lowHz = program.sweeps.front().lowHz;
    response.highHz = program.sweeps.front().highHz;
    double start = program.sweeps.front().start, end = program.sweeps.front().end;
    response.logarithmic = true;
    for (const CommandedSweep &sweep : program.sweeps) {
        response.logarithmic = response.logarithmic && sweep.logarithmic;
        response.lowHz = std::min(response.lowHz, sweep.lowHz);
        response.highHz = std::max(response.highHz, sweep.highHz);
        start = std::min(start, sweep.start);
        end = std::max(end, sweep.end);
    }
    auto none = [&result](const std::string &why) {
        result.noResponse = why;
        result.warnings.push_back(why);
    };
    if (!measured.At(start) || !measured.At(end))
        return none("the log does not cover the sweep (" + Seconds(start) + " to " + Seconds(end) +
                    " of the program): no frequency response");
    // The sweep and the second after it, longer (by up to another second) while the commanded steer
    // holds still, so that the wheel comes to rest; taken whole, each signal as its departure from the
    // level it rested at before the sweep.
    end += ResponseTail;
    end = std::min({end + ResponseTail, NextChange(program, end), measured.Last()});
    const double dt = SmallestStepInterval(program.time, start, end);
    const auto n = static_cast<std::size_t>((end - start) / dt) + 1;
    const double commandedRest = commanded.Across(start);
    const double measuredRest = samples.Mean(start - 0.1, start).value_or(measured.Across(start));
    std::vector<double> x(n), y(n);
    for (std::size_t k = 0; k < n; ++k) {
        x[k] = commanded.Across(start + static_cast<double>(k) * dt) - commandedRest;
        y[k] = measured.Across(start + static_cast<double>(k) * dt) - measuredRest;
    }
    const auto [low, high] = std::minmax_element(y.begin(), y.end());
    if (!(*high - *low > 1e-9 * (1 + std::fabs(measuredRest))))
        return none("the measured steer stays at " + Degrees(measuredRest) +
                    " through the sweep: no frequency response");
    double previousPhase = 0;
    for (const ResponseBin &bin : ResponseH1(x, y, 1 / dt, response.lowHz, response.highHz)) {
        ResponsePoint point{bin.frequency, 20 * std::log10(std::abs(bin.h)),
                            std::arg(bin.h) * 180 / std::numbers::pi, bin.coherence};
        if (!std::isfinite(point.gainDb) || !std::isfinite(point.phaseDeg)) continue;
        if (!response.points.empty())
            point.phaseDeg -= 360 * std::round((point.phaseDeg - previousPhase) / 360);
        previousPhase = point.phaseDeg;
        response.points.push_back(point);
    }
    if (response.points.size() < 2) return none("the sweep's record is too short for a frequency response");
    std::vector<double> coherence;
    for (const ResponsePoint &p : response.points) coherence.push_back(p.coherence);
    std::nth_element(coherence.begin(), coherence.begin() + static_cast<std::ptrdiff_t>(coherence.size() / 2),
                     coherence.end());
    if (const double median = coherence[coherence.size() / 2]; median < 0.5) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the measured steer hardly follows the sweep (median coherence %.3f): its frequency "
                      "response is uncertain",
                      median);
        result.warnings.push_back(text);
    }
    const double limit = GainAtLowest(response) - 3;
    for (std::size_t j = 1; j < response.points.size() && !response.bandwidthHz; ++j) {
        const ResponsePoint &a = response.points[j - 1], &b = response.points[j];
        if (b.gainDb < limit)
            response.bandwidthHz =
                a.frequency + (b.frequency - a.frequency) * (a.gainDb - limit) / (a.gainDb - b.gainDb);
    }
    result.response = response;
}

// A warning for each end of the program that the log leaves out, when the commanded steer moves there
// or it is more than a tenth of the program.
void CoverageWarnings(Comparison &result, const CommandedProgram &program) {
    const auto &t = program.time;
    const double duration = t.back() - t.front();
    auto moves = [&](double from, double to) {
        std::optional<double> steer;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] < from || t[i] > to) continue;
            if (steer && program.steer[i] != *steer) return true;
            steer = program.steer[i];
        }
        return false;
    };
    auto warn = [&](const char *part, double from, double to) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "the log does not cover the program's %s, %.3f to %.3f s (%.0f %% of it)", part, from,
                      to, duration > 0 ? 100 * (to - from) / duration : 0.0);
        result.warnings.push_back(text);
    };
    if (result.comparedFrom > t.front() &&
        (moves(t.front(), result.comparedFrom) || result.comparedFrom - t.front() > 0.1 * duration))
        warn("start", t.front(), result.comparedFrom);
    if (result.comparedTo < t.back() &&
        (moves(result.comparedTo, t.back()) || t.back() - result.comparedTo > 0.1 * duration))
        warn("end", result.comparedTo, t.back());
}

// Refuses a log whose numbers no comparison can work with.
void CheckRanges(const MeasuredLog &log) {
    if (!std::isfinite(log.time.back() - log.time.front()))
        throw FormatError("the log's times run from " + Number(log.time.front()) + " s to " +
                          Number(log.time.back()) + " s, too far apart to compute with");
    for (std::size_t i = 0; i < log.steer.size(); ++i)
        if (!(std::fabs(log.steer[i]) <= MaxMeasuredSteer))
            throw FormatError("the steer column \"" + log.steerColumn.name + "\" holds " +
                              Number(log.steer[i]) + " deg at " + Number(log.time[i]) +
                              " s of the log, beyond any steering wheel (a logger's over-range value?): "
                              "the log cannot be compared");
}

} // namespace

namespace {

// Lays the log's first mark on the program's mark that it logs: of the program's switchings of the
// mark flag on, the one under which most of the log's marks meet the program's (and, among equals,
// the steer follows best). A log started late may hold none of the first marks.
void MatchMark(Alignment &alignment, const CommandedProgram &program, const MeasuredLog &log, double minLag,
               double maxLag) {
    const std::vector<double> logEdges = RisingEdges(log);
    std::vector<double> edges = program.flagEdges[static_cast<std::size_t>(alignment.markFlag - 1)];
    if (edges.empty()) edges.push_back(program.flagOn[static_cast<std::size_t>(alignment.markFlag - 1)]);
    alignment.markTime = logEdges.front();
    std::size_t best = 0;
    int bestAgreement = std::numeric_limits<int>::min();
    double bestCorrelation = -std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < edges.size(); ++k) {
        const int agreement = MarkAgreement(edges, k, logEdges, log);
        if (agreement < bestAgreement) continue;
        double correlation = -std::numeric_limits<double>::infinity();
        if (edges.size() > 1 && minLag < maxLag) {
            const SampledSignal measured(log.time, log.steer, alignment.markTime - edges[k]);
            try {
                const SampledSignal commanded(program.time, program.steer);
                const Fit fit =
                    Fitter(program, measured).At(FindDelay(program, commanded, measured, minLag, maxLag));
                if (fit.count >= 2 && std::isfinite(fit.correlation)) correlation = fit.correlation;
            } catch (const FormatError &) {
            }
        }
        if (agreement > bestAgreement || correlation > bestCorrelation) {
            best = k, bestAgreement = agreement, bestCorrelation = correlation;
        }
    }
    alignment.markEdge = static_cast<int>(best) + 1;
    alignment.logStart = alignment.markTime - edges[best];
}

} // namespace

namespace {

// Whether the log is compared with the program mirrored: its first steer goes the other way, and the program
// as it is does not follow the log clearly better (a warning says when it does).
bool CompareMirrored(Comparison &result, const CommandedProgram &program, const MeasuredLog &log) {
    result.programFirstSteer = FirstSteer(program.time, program.steer);
    result.logFirstSteer = FirstSteer(log.time, log.steer);
    if (result.programFirstSteer == 0 || result.logFirstSteer == 0 ||
        result.programFirstSteer == result.logFirstSteer)
        return false;
    auto best = [&](const CommandedProgram &p) {
        try {
            const SampledSignal commanded(p.time, p.steer), measured(log.time, log.steer);
            const double inf = std::numeric_limits<double>::infinity();
            const Fit fit = Fitter(p, measured).At(FindDelay(p, commanded, measured, -inf, inf));
            return std::isfinite(fit.correlation) ? fit.correlation : -1.0;
        } catch (const FormatError &) {
            return -1.0;
        }
    };
    const double asItIs = best(program), mirrored = best(Mirrored(program));
    if (asItIs > mirrored + 0.1) {
        char text[300];
        std::snprintf(
            text, sizeof text,
            "the log's first steer is %s, the program's %s, but the log follows the program as it is "
            "(correlation %.3f, mirrored %.3f): compared as it is",
            SteerDirectionName(result.logFirstSteer), SteerDirectionName(result.programFirstSteer), asItIs,
            mirrored);
        result.warnings.push_back(text);
        return false;
    }
    return true;
}

} // namespace

Comparison CompareLog(const CommandedProgram &given, const MeasuredLog &log, const CompareOptions &options) {
    if (given.time.size() < 2) throw FormatError("the program has no steps to compare the log with");
    CheckRanges(log);
    Comparison result;
    const bool mirrored = CompareMirrored(result, given, log);
    const CommandedProgram mirroredProgram = mirrored ? Mirrored(given) : CommandedProgram{};
    const CommandedProgram &program = mirrored ? mirroredProgram : given;
    const bool programMoves = std::adjacent_find(program.steer.begin(), program.steer.end(),
                                                 std::not_equal_to<>()) != program.steer.end();
    if (programMoves &&
        std::adjacent_find(log.steer.begin(), log.steer.end(), std::not_equal_to<>()) == log.steer.end())
        throw FormatError("the steer column \"" + log.steerColumn.name +
                          "\" never changes: there is nothing to compare");
    Alignment &alignment = result.alignment;
    alignment.mirrored = mirrored;
    double minLag = -std::numeric_limits<double>::infinity(), maxLag = -minLag;
    if (!log.mark.empty()) {
        alignment.byMark = true;
        alignment.markFlag = MarkFlag(program, options.markFlag);
        minLag = -MarkedDelayLimit, maxLag = MarkedDelayLimit;
        MatchMark(alignment, program, log, programMoves ? minLag : 0, programMoves ? maxLag : 0);
    } else if (!log.info.part.empty()) {
        alignment.fromFirstSample = true;
        alignment.logStart = log.time.front();
    }
    const SampledSignal commanded(program.time, program.steer);
    const SampledSignal measured(log.time, log.steer, alignment.logStart);
    const LogSamples samples(log, alignment.logStart);
    result.programDuration = program.time.back();
    result.gaps = measured.Gaps();

    // A steer that never changes has no delay to find: the log is read as it lies.
    result.delay = programMoves ? FindDelay(program, commanded, measured, minLag, maxLag) : NaN;
    const double lag = std::isnan(result.delay) ? 0 : result.delay;
    const Fitter fitter(program, measured);
    const Fit fit = fitter.At(lag);
    if (fit.count < 2)
        throw FormatError("the log (" + Seconds(log.time.front()) + " to " + Seconds(log.time.back()) +
                          ") does not overlap the program");
    alignment.lag = alignment.logStart + result.delay;
    alignment.correlation = fit.correlation;
    result.gain = fit.gain;
    result.offset = fit.offset;
    result.comparedFrom = fit.from;
    result.comparedTo = fit.to;
    result.comparedSteps = fit.count;

    long double squares = 0, weights = 0;
    for (std::size_t i = 0; i < program.time.size(); ++i) {
        const auto m = measured.At(program.time[i] + lag);
        if (!m) continue;
        const double error = *m - program.steer[i];
        squares += fitter.Weight(i) * static_cast<long double>(error) * error;
        weights += fitter.Weight(i);
        if (std::fabs(error) > std::fabs(result.peakError) || result.time.empty()) {
            result.peakError = error;
            result.peakErrorTime = program.time[i];
        }
        result.time.push_back(program.time[i]);
        result.commanded.push_back(program.steer[i]);
        result.measured.push_back(*m);
    }
    result.rmsError = static_cast<double>(std::sqrt(squares / weights));
    CoverageWarnings(result, program);
    result.steps = StepResponses(program, samples, result.delay);
    result.hasSweep = !program.sweeps.empty();
    if (result.hasSweep) SweepResponse(result, program, commanded, measured, samples);
    return result;
}

std::vector<std::pair<double, double>> MeasuredTrace(const MeasuredLog &log, const Alignment &alignment) {
    std::vector<std::pair<double, double>> trace(log.time.size());
    const double sign = alignment.mirrored ? -1 : 1;
    for (std::size_t i = 0; i < trace.size(); ++i)
        trace[i] = {log.time[i] - alignment.logStart, sign * log.steer[i]};
    return trace;
}
