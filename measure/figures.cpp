// The tracking figures of a compared log as text: the warnings they deserve, and the text that the CLI
// prints and the window's summary panel shows.
#include "measure/figures.h"

#include "compiler/format.h"

#include <cmath>
#include <cstdio>

std::vector<std::string> ComparisonWarnings(const Comparison &c, const MeasuredLog &log,
                                            const PickHints &hints) {
    std::vector<std::string> warnings = ReadingNotes(log.info, hints);
    char text[200];
    if (c.alignment.correlation < 0.5) { // NaN, when the commanded steer never changes, says nothing
        std::snprintf(text, sizeof text,
                      "the measured steer hardly follows the commanded steer (correlation %.3f): check the "
                      "columns, the units and the program",
                      c.alignment.correlation);
        warnings.push_back(text);
    }
    warnings.insert(warnings.end(), c.warnings.begin(), c.warnings.end());
    if (log.skippedRows > 0) {
        std::snprintf(text, sizeof text, "%d rows with an empty cell were skipped, the first on line %d",
                      log.skippedRows, log.firstSkippedLine);
        warnings.push_back(text);
    }
    if (!log.dropouts.empty())
        warnings.push_back(std::to_string(log.dropouts.size()) +
                           " dropout sample(s) replaced by interpolation before the comparison: " +
                           DropoutText(log.dropouts));
    if (c.gaps > 0) {
        std::string places;
        for (std::size_t k = 0; k < log.info.gaps.size() && k < 5; ++k) {
            std::snprintf(text, sizeof text, "%s%.3f s for %.3f s", k ? ", " : "", log.info.gaps[k].time,
                          log.info.gaps[k].length);
            places += text;
        }
        if (log.info.gaps.size() > 5) places += ", ...";
        std::snprintf(text, sizeof text,
                      "the log has %d gap%s (%s of the log); the steps in them are left out", c.gaps,
                      c.gaps > 1 ? "s" : "", places.c_str());
        warnings.push_back(text);
    }
    return warnings;
}

namespace {

template <class... Values> void Add(std::vector<std::string> &lines, const char *format, Values... values) {
    char text[300];
    std::snprintf(text, sizeof text, format, values...);
    lines.push_back(text);
}

// A figure printed with the format, or "-" when it has no value.
std::string Shown(const char *format, double value) {
    if (!std::isfinite(value)) return "-";
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::vector<std::string> SourceLines(const Comparison &c, const MeasuredLog &log,
                                     const std::string &logName) {
    std::vector<std::string> lines;
    Add(lines, "Log %s: %zu rows; time from column %d \"%s\" (%s), steer from column %d \"%s\" (%s)",
        logName.c_str(), log.time.size(), log.timeColumn.number, log.timeColumn.name.c_str(),
        TimeUnitName(log.timeUnit), log.steerColumn.number, log.steerColumn.name.c_str(),
        AngleUnitName(log.angleUnit));
    if (!log.info.part.empty()) Add(lines, "Part of the log read: %s", log.info.part.c_str());
    if (const std::string base = TimeBaseText(log.info.time); !base.empty())
        Add(lines, "The log's time is %s", base.c_str());
    if (c.alignment.fromFirstSample)
        Add(lines, "Laid on the program from the part's first sample, %.4f s of the log",
            c.alignment.logStart);
    if (c.alignment.mirrored)
        Add(lines,
            "Mirrored: the log's first steer is %s, the program's %s: compared with the program mirrored",
            SteerDirectionName(c.logFirstSteer), SteerDirectionName(c.programFirstSteer));
    const std::string lag = Shown("%.4f s", c.alignment.lag),
                      correlation = Shown("%.4f", c.alignment.correlation);
    if (c.alignment.byMark && c.alignment.markEdge > 1)
        Add(lines,
            "Aligned by the mark in column %d \"%s\" (flag %d), whose first edge in the log is the program's "
            "mark %d: program start at %.4f s of the log; lag %s, correlation %s",
            log.markColumn.number, log.markColumn.name.c_str(), c.alignment.markFlag, c.alignment.markEdge,
            c.alignment.logStart, lag.c_str(), correlation.c_str());
    else if (c.alignment.byMark)
        Add(lines,
            "Aligned by the mark in column %d \"%s\" (flag %d): program start at %.4f s of the log; "
            "lag %s, correlation %s",
            log.markColumn.number, log.markColumn.name.c_str(), c.alignment.markFlag, c.alignment.logStart,
            lag.c_str(), correlation.c_str());
    else if (std::isfinite(c.delay))
        Add(lines, "Aligned by cross-correlation: lag %s, correlation %s", lag.c_str(), correlation.c_str());
    else
        lines.push_back("Aligned by the log's time 0 as the program's start: the commanded steer does not "
                        "change, so there is no lag to find");
    Add(lines, "Compared %.4f to %.4f s of the program's %.4f s (%d steps)", c.comparedFrom, c.comparedTo,
        c.programDuration, c.comparedSteps);
    return lines;
}

std::vector<std::string> FigureLines(const Comparison &c, int labelWidth) {
    std::vector<std::string> lines;
    auto figure = [&](const char *label, const char *format, auto... values) {
        Add(lines, ("%-*s" + std::string(format)).c_str(), labelWidth, label, values...);
    };
    if (std::isfinite(c.delay))
        figure("Delay", "%.4f s", c.delay);
    else
        figure("Delay", "- (the commanded steer does not change)");
    if (std::isfinite(c.gain))
        figure("Gain", "%.4f", c.gain);
    else
        figure("Gain", "- (the commanded steer does not change)");
    figure("Offset", "%.3f deg", c.offset);
    figure("RMS error", "%.3f deg", c.rmsError);
    figure("Peak error", "%.3f deg at %.4f s", c.peakError, c.peakErrorTime);
    for (const StepResponse &s : c.steps)
        Add(lines,
            "Step at %.4f s from %.3f to %.3f deg: measured %.3f to %.3f deg, overshoot %.3f deg (%s %%) at "
            "%.4f s",
            s.time, s.from, s.to, s.before, s.settled, s.overshoot, Shown("%.1f", s.overshootPercent).c_str(),
            s.peakTime);
    return lines;
}

std::vector<std::string> ResponseLines(const FrequencyResponse &r) {
    std::vector<std::string> lines;
    if (r.bandwidthHz)
        Add(lines, "Frequency response of the sweep from %.3f to %.3f Hz: -3 dB bandwidth %.3f Hz", r.lowHz,
            r.highHz, *r.bandwidthHz);
    else
        Add(lines, "Frequency response of the sweep from %.3f to %.3f Hz: -3 dB bandwidth above %.3f Hz",
            r.lowHz, r.highHz, r.highHz);
    lines.push_back("   frequency Hz    gain dB  phase deg  coherence");
    const std::size_t stride = (r.points.size() + 19) / 20;
    for (std::size_t i = 0; i < r.points.size(); i += stride) {
        const ResponsePoint &p = r.points[i];
        // A gain or phase that rounds to zero reads 0.00, not -0.00.
        Add(lines, "%15.3f %10s %10s %10.3f", p.frequency, Fixed(p.gainDb, 2).c_str(),
            Fixed(p.phaseDeg, 1).c_str(), p.coherence);
    }
    return lines;
}

} // namespace

std::vector<std::string> ComparisonText::Lines() const {
    std::vector<std::string> lines = source;
    for (const auto *part : {&figures, &response, &warnings})
        lines.insert(lines.end(), part->begin(), part->end());
    return lines;
}

ComparisonText DescribeComparison(const Comparison &c, const MeasuredLog &log, const std::string &logName,
                                  int labelWidth, const PickHints &hints) {
    ComparisonText text{SourceLines(c, log, logName), FigureLines(c, labelWidth), {}, {}};
    if (c.response) text.response = ResponseLines(*c.response);
    for (const std::string &warning : ComparisonWarnings(c, log, hints))
        text.warnings.push_back("Warning: " + warning);
    return text;
}
