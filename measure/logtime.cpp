// A log's time: its base and zero, intervals, gaps, the runs it holds and the part read.
#include "measure/logtime.h"

#include "files/fileio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

std::string Text(const char *format, auto... values) {
    char text[300];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Seconds since 1970 of 2000-01-01 and 2100-01-01: dates a log's epoch time is written from.
constexpr double Year2000 = 946684800, Year2100 = 4102444800;

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The rate of change of the steer over a tenth of a second around each sample, deg/s.
std::vector<double> SmoothedRate(const std::vector<double> &time, const std::vector<double> &steer) {
    std::vector<double> rate(time.size(), 0);
    std::size_t a = 0, b = 0;
    for (std::size_t i = 0; i < time.size(); ++i) {
        while (time[a] < time[i] - 0.05) ++a;
        while (b + 1 < time.size() && time[b + 1] <= time[i] + 0.05) ++b;
        const std::size_t from = std::min(a, i > 0 ? i - 1 : 0),
                          to = std::max(b, std::min(i + 1, time.size() - 1));
        if (to > from) rate[i] = (steer[to] - steer[from]) / (time[to] - time[from]);
    }
    return rate;
}

// The level the steer rests at: of the levels where it stays still for half a second in all, the one
// nearest straight ahead (a step held at 100 deg is no rest); without any, its median.
double RestLevel(const std::vector<double> &time, const std::vector<double> &steer) {
    const std::vector<double> rate = SmoothedRate(time, steer);
    std::map<long, double> still; // seconds still at each whole degree
    for (std::size_t i = 0; i + 1 < time.size(); ++i)
        // Only angles a steer can hold count; a dropout's value is no level.
        if (std::fabs(rate[i]) < 5 && std::fabs(steer[i]) < 1e6)
            still[std::lround(steer[i])] += time[i + 1] - time[i];
    std::optional<long> nearest;
    for (const auto &[degree, seconds] : still) {
        const auto around = [&](long d) { return still.count(d) ? still.at(d) : 0.0; };
        if (around(degree - 1) + seconds + around(degree + 1) < 0.5) continue;
        if (!nearest || std::labs(degree) < std::labs(*nearest)) nearest = degree;
    }
    if (!nearest) return Median(steer);
    std::vector<double> level;
    for (std::size_t i = 0; i < steer.size(); ++i)
        if (std::fabs(rate[i]) < 5 && std::fabs(steer[i] - static_cast<double>(*nearest)) <= 1.5)
            level.push_back(steer[i]);
    return Median(level);
}

double LargestDeparture(const std::vector<double> &steer, double rest) {
    double largest = 0;
    for (double s : steer) largest = std::max(largest, std::fabs(s - rest));
    return largest;
}

} // namespace

double GuessedTimeFactor(double first, std::string &unit) {
    const std::pair<double, const char *> units[] = {{1e-3, "ms"}, {1e-6, "us"}, {1e-9, "ns"}};
    for (const auto &[factor, name] : units)
        if (first * factor >= Year2000 && first * factor < Year2100) {
            unit = name;
            return factor;
        }
    unit.clear();
    return 1;
}

LogTimeBase LayTime(std::vector<double> &seconds, CellForm form, double base) {
    LogTimeBase laid;
    if (seconds.empty()) return laid;
    const double first = seconds.front() + base;
    if (form == CellForm::ClockTime)
        laid.base = TimeBase::ClockTime;
    else if (form == CellForm::DateTime || std::fabs(first) >= EpochLeast)
        laid.base = TimeBase::Epoch;
    else
        return laid;
    laid.origin = first;
    laid.dated = laid.base == TimeBase::Epoch && first >= Year2000 && first < Year2100;
    const double written = seconds.front();
    for (double &t : seconds) t -= written;
    return laid;
}

std::string TimeBaseText(const LogTimeBase &t) {
    switch (t.base) {
    case TimeBase::ClockTime:
        return "a clock time of the day: time 0 is its first sample, " +
               ClockText(t.origin, CellForm::ClockTime);
    case TimeBase::Epoch:
        if (t.dated)
            return std::string(t.unitGuessed.empty()   ? "seconds"
                               : t.unitGuessed == "ms" ? "milliseconds"
                               : t.unitGuessed == "us" ? "microseconds"
                                                       : "nanoseconds") +
                   " since 1970: time 0 is its first sample, " + ClockText(t.origin, CellForm::DateTime);
        return Text("seconds since an epoch: time 0 is its first sample, %.6g s", t.origin);
    case TimeBase::AsWritten:
        break;
    }
    return "";
}

SampleIntervals IntervalsOf(const std::vector<double> &time) {
    SampleIntervals s;
    if (time.size() < 2) return s;
    std::vector<double> intervals(time.size() - 1);
    for (std::size_t i = 0; i + 1 < time.size(); ++i) intervals[i] = time[i + 1] - time[i];
    const auto [low, high] = std::minmax_element(intervals.begin(), intervals.end());
    s.shortest = *low, s.longest = *high;
    s.median = Median(std::move(intervals));
    return s;
}

std::vector<LogGap> GapsOf(const std::vector<double> &time, const std::vector<int> &lines) {
    std::vector<LogGap> gaps;
    const double limit = 5 * IntervalsOf(time).median;
    for (std::size_t i = 0; i + 1 < time.size(); ++i)
        if (time[i + 1] - time[i] > limit)
            gaps.push_back({time[i], time[i + 1] - time[i], i + 1 < lines.size() ? lines[i + 1] : 0});
    return gaps;
}

std::vector<LogRun> RunsOf(const std::vector<double> &time, const std::vector<double> &steer) {
    std::vector<LogRun> runs;
    if (time.size() < 4) return runs;
    const double rest = RestLevel(time, steer);
    const double band = std::max(RunRules::BandFloor, RunRules::BandShare * LargestDeparture(steer, rest));
    // Departures beyond the band, joined where the rest between them is shorter than RestBetween.
    std::size_t i = 0;
    while (i < time.size()) {
        while (i < time.size() && std::fabs(steer[i] - rest) <= band) ++i;
        if (i == time.size()) break;
        LogRun run;
        run.start = time[i > 0 ? i - 1 : 0];
        double peak = 0;
        std::size_t j = i, lastAway = i;
        while (j < time.size() && time[j] - time[lastAway] < RunRules::RestBetween) {
            const double departure = steer[j] - rest;
            if (std::fabs(departure) > band) {
                lastAway = j;
                if (run.firstSteer == 0) run.firstSteer = departure > 0 ? 1 : -1;
            }
            if (std::fabs(departure) > std::fabs(peak)) peak = departure;
            ++j;
        }
        run.end = time[std::min(lastAway + 1, time.size() - 1)];
        run.peak = peak;
        if (run.end - run.start >= RunRules::Shortest) runs.push_back(run);
        i = lastAway + 1;
    }
    for (std::size_t k = 0; k < runs.size(); ++k) {
        runs[k].number = static_cast<int>(k + 1);
        runs[k].from = k == 0 ? time.front() : (runs[k - 1].end + runs[k].start) / 2;
        runs[k].to = k + 1 == runs.size() ? time.back() : (runs[k].end + runs[k + 1].start) / 2;
    }
    return runs;
}

int FirstSteer(const std::vector<double> &time, const std::vector<double> &steer) {
    if (time.size() < 2) return 0;
    const double rest = RestLevel(time, steer);
    const double band = std::max(1.0, 0.25 * LargestDeparture(steer, rest));
    for (double s : steer)
        if (std::fabs(s - rest) > band) return s > rest ? 1 : -1;
    return 0;
}

const char *SteerDirectionName(int direction) {
    return direction > 0 ? "counter-clockwise" : direction < 0 ? "clockwise" : "none";
}

PartRows SelectPart(const std::vector<double> &time, const std::vector<LogRun> &runs, const LogPart &part) {
    PartRows rows{0, time.size() - 1, ""};
    double from = time.front(), to = time.back();
    if (part.run > 0) {
        if (runs.empty())
            throw FormatError("the log holds no run (no steer away from its rest level): there is no run " +
                              std::to_string(part.run));
        if (part.run > static_cast<int>(runs.size()))
            throw FormatError(Text("the log holds %zu run%s: there is no run %d", runs.size(),
                                   runs.size() > 1 ? "s" : "", part.run));
        const LogRun &run = runs[static_cast<std::size_t>(part.run - 1)];
        from = run.from, to = run.to;
        rows.text = Text("run %d of %zu, %.3f to %.3f s of the log", part.run, runs.size(), from, to);
    } else {
        if (part.from) from = *part.from;
        if (part.to) to = *part.to;
        if (!(from < to))
            throw FormatError(Text("the part from %.3f to %.3f s of the log is empty", from, to));
        rows.text = Text("%.3f to %.3f s of the log", from, to);
    }
    rows.first = static_cast<std::size_t>(std::lower_bound(time.begin(), time.end(), from) - time.begin());
    const auto end = static_cast<std::size_t>(std::upper_bound(time.begin(), time.end(), to) - time.begin());
    if (end < rows.first + 2)
        throw FormatError(Text("the log (%.3f to %.3f s) has fewer than two samples from %.3f to %.3f s",
                               time.front(), time.back(), from, to));
    rows.last = end - 1;
    return rows;
}
