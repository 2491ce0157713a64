// Commanded versus measured: alignment of a log on its program, and the tracking figures.
#include "measure/compare.h"

#include "files/fileio.h"
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
constexpr std::size_t MaxCorrelationSamples = std::size_t{1} << 22;
constexpr double ResponseTail = 1.0; // seconds of the record after a sweep, for the response to settle
constexpr double MinStepHold = 0.1;  // seconds a step must hold its angle for its overshoot to be measured

std::string Seconds(double t) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", t);
    return text;
}

void AddStep(CommandedProgram &program, std::size_t first) {
    const auto &steer = program.steer;
    const std::size_t last = steer.size() - 1;
    const double from = steer[first == 0 ? 0 : first - 1];
    std::size_t j = first;
    while (j < last && steer[j + 1] != steer[j]) ++j; // the slew moves on every step until it arrives
    std::size_t k = j;
    while (k < last && steer[k + 1] == steer[j]) ++k;
    if (steer[j] == from || program.time[k] - program.time[j] < MinStepHold) return;
    program.steps.push_back({program.time[first], program.time[j], program.time[k], from, steer[j]});
}

// Time of the first rising edge of a mark channel, between the samples where it crosses halfway
// between its lowest and highest value.
double FirstRisingEdge(const MeasuredLog &log) {
    const auto [low, high] = std::minmax_element(log.mark.begin(), log.mark.end());
    const std::string name = "the mark column \"" + log.markColumn.name + "\"";
    if (!(*high > *low)) throw FormatError(name + " never changes: it holds no mark");
    const double middle = *low + (*high - *low) / 2;
    for (std::size_t i = 1; i < log.mark.size(); ++i)
        if (log.mark[i - 1] < middle && log.mark[i] >= middle) {
            const double u = (middle - log.mark[i - 1]) / (log.mark[i] - log.mark[i - 1]);
            return log.time[i - 1] + u * (log.time[i] - log.time[i - 1]);
        }
    throw FormatError(name + " never rises: it holds no mark");
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
        fit.correlation = varies && vm > 0 ? static_cast<double>(cm / std::sqrt(vc * vm)) : 0;
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
    auto score = [&](double lag) { return fitter.At(lag).correlation; };
    double a = low, b = high;
    double c = b - ratio * (b - a), d = a + ratio * (b - a);
    double fc = score(c), fd = score(d);
    for (int i = 0; i < 48 && b - a > 1e-7; ++i) {
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

// The lag of the largest cross-correlation on a uniform grid as fine as the program's fastest clock.
double CoarseLag(const CommandedProgram &program, const SampledSignal &commanded,
                 const SampledSignal &measured, double minLag, double maxLag) {
    double dt = SmallestStepInterval(program.time, program.time.front(), program.time.back());
    const double programSpan = program.time.back(), logSpan = measured.Last() - measured.First();
    auto count = [&](double span) { return static_cast<std::size_t>(std::min(span / dt, 1e15)) + 1; };
    while (count(programSpan) + count(logSpan) > MaxCorrelationSamples) dt *= 2;
    std::vector<double> a(count(programSpan)), b(count(logSpan));
    for (std::size_t n = 0; n < a.size(); ++n) a[n] = commanded.Across(static_cast<double>(n) * dt);
    for (std::size_t n = 0; n < b.size(); ++n)
        b[n] = measured.Across(measured.First() + static_cast<double>(n) * dt);
    const auto lag = CorrelationLag(a, b, measured.First(), dt, minLag, maxLag);
    if (!lag)
        throw FormatError("the log does not overlap the program within " + Seconds(MarkedDelayLimit) +
                          " of its mark");
    return RefineLag(Fitter(program, measured), *lag - 2 * dt, *lag + 2 * dt);
}

void StepResponses(Comparison &result, const CommandedProgram &program, const SampledSignal &measured,
                   double delay) {
    auto mean = [&](double from, double to) {
        long double sum = 0;
        int n = 0;
        for (std::size_t i = 0; i < program.time.size(); ++i)
            if (program.time[i] >= from && program.time[i] < to)
                if (auto m = measured.At(program.time[i] + delay)) sum += *m, ++n;
        return n > 0 ? std::optional<double>(static_cast<double>(sum / n)) : std::nullopt;
    };
    for (const CommandedStep &step : program.steps) {
        const auto before = mean(step.time - 0.05, step.time);
        const auto settled = mean(step.holdEnd - 0.2 * (step.holdEnd - step.reached), step.holdEnd);
        if (!before || !settled) continue;
        const double direction = step.to > step.from ? 1 : -1;
        StepResponse response{step.time, step.from, step.to, *settled, 0, 0, step.time};
        for (std::size_t i = 0; i < program.time.size(); ++i) {
            const double t = program.time[i];
            if (t < step.time || t >= step.holdEnd) continue;
            const auto m = measured.At(t + delay);
            if (m && direction * (*m - *settled) > response.overshoot) {
                response.overshoot = direction * (*m - *settled);
                response.peakTime = t;
            }
        }
        const double size = std::fabs(*settled - *before);
        response.overshootPercent = size > 1e-9 ? 100 * response.overshoot / size : NaN;
        result.steps.push_back(response);
    }
}

std::optional<FrequencyResponse> SweepResponse(const CommandedProgram &program,
                                               const SampledSignal &commanded,
                                               const SampledSignal &measured) {
    if (program.sweeps.empty()) return std::nullopt;
    FrequencyResponse response;
    response.lowHz = program.sweeps.front().lowHz;
    response.highHz = program.sweeps.front().highHz;
    double start = program.sweeps.front().start, end = program.sweeps.front().end;
    for (const CommandedSweep &sweep : program.sweeps) {
        response.lowHz = std::min(response.lowHz, sweep.lowHz);
        response.highHz = std::max(response.highHz, sweep.highHz);
        start = std::min(start, sweep.start);
        end = std::max(end, sweep.end);
    }
    if (!measured.At(start) || !measured.At(end)) return std::nullopt; // the log does not cover the sweep
    end = std::min(end + ResponseTail, measured.Last());
    const double dt = SmallestStepInterval(program.time, start, end);
    const auto n = static_cast<std::size_t>((end - start) / dt) + 1;
    std::vector<double> x(n), y(n);
    for (std::size_t k = 0; k < n; ++k) {
        x[k] = commanded.Across(start + static_cast<double>(k) * dt);
        y[k] = measured.Across(start + static_cast<double>(k) * dt);
    }
    double previousPhase = 0;
    for (const ResponseBin &bin : ResponseH1(x, y, 1 / dt, response.lowHz, response.highHz)) {
        ResponsePoint point{bin.frequency, 20 * std::log10(std::abs(bin.h)),
                            std::arg(bin.h) * 180 / std::numbers::pi, bin.coherence};
        if (!response.points.empty())
            point.phaseDeg -= 360 * std::round((point.phaseDeg - previousPhase) / 360);
        previousPhase = point.phaseDeg;
        response.points.push_back(point);
    }
    if (response.points.empty()) return std::nullopt;
    const double limit = response.points.front().gainDb - 3;
    for (std::size_t j = 1; j < response.points.size() && !response.bandwidthHz; ++j) {
        const ResponsePoint &a = response.points[j - 1], &b = response.points[j];
        if (b.gainDb < limit)
            response.bandwidthHz =
                a.frequency + (b.frequency - a.frequency) * (a.gainDb - limit) / (a.gainDb - b.gainDb);
    }
    return response;
}

} // namespace

CommandedProgram CommandedFrom(const CompilerState &state) {
    CommandedProgram program;
    const int end = std::clamp(state.endIndex, 0, StepCount - 1);
    program.flagOn.fill(-1);
    for (int i = 0; i <= end; ++i) {
        const StepRecord &step = state.steps[i];
        program.time.push_back(step.time);
        program.steer.push_back(step.steer);
        for (std::size_t f = 0; f < 8; ++f)
            if (step.flags[f] > 0 && program.flagOn[f] < 0) program.flagOn[f] = step.time;
    }
    const auto &segments = state.segments;
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const ProgramStatement &s = state.statements[static_cast<std::size_t>(segments[k])];
        const double start = s.startTime;
        const double next = k + 1 < segments.size()
                                ? state.statements[static_cast<std::size_t>(segments[k + 1])].startTime
                                : program.time.back();
        if (s.kind == StatementKind::StepTo || s.kind == StatementKind::StepUp ||
            s.kind == StatementKind::RampTo || s.kind == StatementKind::RampUp) {
            auto first = std::lower_bound(program.time.begin(), program.time.end(), start);
            if (first != program.time.end())
                AddStep(program, static_cast<std::size_t>(first - program.time.begin()));
        } else if (s.kind == StatementKind::SineSweep || s.kind == StatementKind::SineSweepLog) {
            program.sweeps.push_back({start, std::min(next, program.time.back()),
                                      std::min(s.frequency, s.secondValue),
                                      std::max(s.frequency, s.secondValue)});
        }
    }
    return program;
}

Comparison CompareLog(const CommandedProgram &program, const MeasuredLog &log,
                      const CompareOptions &options) {
    if (program.time.size() < 2) throw FormatError("the program has no steps to compare the log with");
    if (std::adjacent_find(log.steer.begin(), log.steer.end(), std::not_equal_to<>()) == log.steer.end())
        throw FormatError("the steer column \"" + log.steerColumn.name +
                          "\" never changes: there is nothing to compare");
    Comparison result;
    Alignment &alignment = result.alignment;
    double minLag = -std::numeric_limits<double>::infinity(), maxLag = -minLag;
    if (!log.mark.empty()) {
        alignment.byMark = true;
        alignment.markFlag = MarkFlag(program, options.markFlag);
        alignment.markTime = FirstRisingEdge(log);
        alignment.logStart =
            alignment.markTime - program.flagOn[static_cast<std::size_t>(alignment.markFlag - 1)];
        minLag = -MarkedDelayLimit, maxLag = MarkedDelayLimit;
    }
    const SampledSignal commanded(program.time, program.steer);
    const SampledSignal measured(log.time, log.steer, alignment.logStart);
    result.programDuration = program.time.back();
    result.gaps = measured.Gaps();

    result.delay = CoarseLag(program, commanded, measured, minLag, maxLag);
    const Fitter fitter(program, measured);
    const Fit fit = fitter.At(result.delay);
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
        const auto m = measured.At(program.time[i] + result.delay);
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
    StepResponses(result, program, measured, result.delay);
    result.response = SweepResponse(program, commanded, measured);
    return result;
}

std::vector<std::pair<double, double>> MeasuredTrace(const MeasuredLog &log, const Alignment &alignment) {
    std::vector<std::pair<double, double>> trace(log.time.size());
    for (std::size_t i = 0; i < trace.size(); ++i)
        trace[i] = {log.time[i] - alignment.logStart, log.steer[i]};
    return trace;
}
