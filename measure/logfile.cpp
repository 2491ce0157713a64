// Measured logs: the time, steer and mark channels picked from a log's table, in seconds and degrees.
#include "measure/logfile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

const char *TimeUnitName(TimeUnit unit) {
    switch (unit) {
    case TimeUnit::Milliseconds:
        return "ms";
    case TimeUnit::Microseconds:
        return "us";
    case TimeUnit::Nanoseconds:
        return "ns";
    case TimeUnit::Seconds:
        break;
    }
    return "s";
}

const char *AngleUnitName(AngleUnit unit) { return unit == AngleUnit::Radians ? "rad" : "deg"; }

double SecondsPer(TimeUnit unit) {
    switch (unit) {
    case TimeUnit::Milliseconds:
        return 1e-3;
    case TimeUnit::Microseconds:
        return 1e-6;
    case TimeUnit::Nanoseconds:
        return 1e-9;
    case TimeUnit::Seconds:
        break;
    }
    return 1;
}

std::optional<TimeUnit> TimeUnitOf(const std::string &written) {
    const std::string unit = LowerCase(TrimBlanks(written));
    if (unit == "s" || unit == "sec" || unit == "second" || unit == "seconds") return TimeUnit::Seconds;
    if (unit == "ms" || unit == "msec") return TimeUnit::Milliseconds;
    // The micro sign in Latin-1 and in UTF-8.
    if (unit == "us" || unit == "\xb5s" || unit == "\xc2\xb5s") return TimeUnit::Microseconds;
    if (unit == "ns") return TimeUnit::Nanoseconds;
    return std::nullopt;
}

std::optional<AngleUnit> AngleUnitOf(const std::string &written) {
    const std::string unit = LowerCase(TrimBlanks(written));
    // The degree sign in Latin-1 and in UTF-8.
    if (unit == "deg" || unit == "degree" || unit == "degrees" || unit == "\xb0" || unit == "\xc2\xb0")
        return AngleUnit::Degrees;
    if (unit == "rad" || unit == "radian" || unit == "radians") return AngleUnit::Radians;
    return std::nullopt;
}

std::vector<double> TimeInSeconds(const ChannelRead &time, const LogTable &table,
                                  const std::optional<TimeUnit> &given, TimeUnit &unit, LogInfo &info) {
    std::string guessed;
    double factor = 1;
    unit = TimeUnit::Seconds;
    if (given)
        unit = *given;
    else if (const auto header = TimeUnitOf(time.choice.taken.unit))
        unit = *header;
    else if (time.column->form == CellForm::Number &&
             (factor = GuessedTimeFactor(time.values.front() + time.base, guessed)) != 1)
        unit = factor == 1e-3   ? TimeUnit::Milliseconds
               : factor == 1e-6 ? TimeUnit::Microseconds
                                : TimeUnit::Nanoseconds;
    info.time.unitGuessed = guessed;
    return LaidTime(time, time.column->form == CellForm::Number ? SecondsPer(unit) : 1, table, info);
}

MeasuredLog MeasuredLogOf(const LogTable &table, const LogOptions &options) {
    if (table.columns.size() < 2)
        throw FormatError("the header names one column: a log needs a time and a steer column");
    const TableRead read = ReadTableChannels(
        table, {{ChannelKind::Time, options.timeColumn, true, true, false},
                {ChannelKind::Steer, options.steerColumn, true, true, options.angleUnit.has_value()},
                {ChannelKind::Mark, options.markColumn, false, false, false}});
    const ChannelRead &time = read.channels[0], &steer = read.channels[1], &mark = read.channels[2];
    MeasuredLog log;
    log.info.choices = {time.choice, steer.choice, mark.choice};
    log.timeColumn = {time.choice.taken.number, time.choice.taken.name};
    log.steerColumn = {steer.choice.taken.number, steer.choice.taken.name};
    if (mark.column) log.markColumn = {mark.choice.taken.number, mark.choice.taken.name};
    log.unitNote = table.unitNote;
    log.skippedRows = read.skippedRows;
    log.firstSkippedLine = read.firstSkippedLine;

    log.time = TimeInSeconds(time, table, options.timeUnit, log.timeUnit, log.info);

    const std::optional<AngleUnit> headerUnit = AngleUnitOf(steer.choice.taken.unit);
    log.angleUnit = options.angleUnit.value_or(headerUnit.value_or(AngleUnit::Degrees));
    log.angleUnitStated = options.angleUnit || headerUnit;
    log.steer = steer.values;
    if (log.angleUnit == AngleUnit::Radians)
        for (double &a : log.steer) a *= 180 / std::numbers::pi;
    log.mark = mark.values;
    if (options.dropouts) {
        DropoutRules rules = *options.dropouts;
        rules.kind = ChannelKind::Steer;
        rules.written = log.angleUnit == AngleUnit::Radians ? 180 / std::numbers::pi : 1;
        CleanedChannel cleaned = ReplaceDropouts(log.time, log.steer, log.steerColumn.name, rules);
        log.dropouts = std::move(cleaned.dropouts);
        log.faults = std::move(cleaned.faults);
    }
    std::vector<int> lines = read.lines;
    KeepPart(log.time, log.steer, {&log.steer, &log.mark}, lines, options.part, log.info);
    if (!options.part.Whole()) {
        const double from = log.time.front(), to = log.time.back();
        auto outside = [&](double t) { return t < from || t > to; };
        std::erase_if(log.dropouts, [&](const LogDropout &d) { return outside(d.time); });
        std::erase_if(log.faults, [&](const ChannelFault &f) { return outside(f.time); });
    }
    return log;
}

MeasuredLog ParseLog(std::string_view bytes, const LogOptions &options) {
    return MeasuredLogOf(ParseLogTable(bytes), options);
}

void KeepCommandedPulses(MeasuredLog &log, const std::vector<CommandedPulse> &pulses) {
    if (pulses.empty()) return;
    const double factor = log.angleUnit == AngleUnit::Radians ? 180 / std::numbers::pi : 1;
    auto indexOf = [&](double t) {
        return static_cast<std::size_t>(std::lower_bound(log.time.begin(), log.time.end(), t) -
                                        log.time.begin());
    };
    std::vector<LogDropout> listed;
    const std::vector<LogDropout> &d = log.dropouts;
    for (std::size_t i = 0; i < d.size();) {
        // A burst: dropouts of consecutive samples, none beyond the limit.
        std::size_t j = i;
        bool beyond = d[i].beyondLimit;
        while (j + 1 < d.size() && indexOf(d[j + 1].time) == indexOf(d[j].time) + 1)
            beyond |= d[++j].beyondLimit;
        const std::size_t first = indexOf(d[i].time), last = indexOf(d[j].time);
        double excursion = 0;
        for (std::size_t k = first; k <= last && !beyond; ++k) {
            const double line = log.steer[k]; // the replacement lies on the line between its neighbours
            const double off = d[i + (k - first)].value * factor - line;
            if (std::fabs(off) > std::fabs(excursion)) excursion = off;
        }
        if (!beyond && IsCommandedPulse(pulses, excursion)) {
            for (std::size_t k = first; k <= last; ++k) log.steer[k] = d[i + (k - first)].value * factor;
        } else {
            listed.insert(listed.end(), d.begin() + static_cast<std::ptrdiff_t>(i),
                          d.begin() + static_cast<std::ptrdiff_t>(j + 1));
        }
        i = j + 1;
    }
    log.dropouts = std::move(listed);
}

MeasuredLog ReadLog(const std::string &path, const LogOptions &options) {
    return ParseLog(ReadFileBytes(path, LogFileLimit), options);
}
