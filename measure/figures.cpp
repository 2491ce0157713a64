// The tracking figures of a compared log as text: the warnings they deserve and the short lines of
// the window's summary panel.
#include "measure/figures.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Format(const char *format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::vector<std::string> ComparisonWarnings(const Comparison &c, const MeasuredLog &log) {
    std::vector<std::string> warnings;
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
    if (c.gaps > 0) {
        std::snprintf(text, sizeof text, "the log has %d gaps; the steps in them are left out", c.gaps);
        warnings.push_back(text);
    }
    return warnings;
}

std::vector<std::string> ComparisonSummaryLines(const Comparison &c, const MeasuredLog &log,
                                                const std::string &logName) {
    std::vector<std::string> lines;
    char text[300];
    auto add = [&](const char *format, auto... values) {
        std::snprintf(text, sizeof text, format, values...);
        lines.push_back(text);
    };
    add("Measured        %s, %zu rows", logName.c_str(), log.time.size());
    if (std::isfinite(c.delay))
        add("Delay           %.4f s", c.delay);
    else
        lines.push_back("Delay           - (steer constant)");
    if (std::isfinite(c.gain))
        add("Gain            %.4f", c.gain);
    else
        lines.push_back("Gain            - (steer constant)");
    add("Offset          %.3f deg", c.offset);
    add("RMS error       %.3f deg", c.rmsError);
    add("Peak error      %.3f deg at %.3f s", c.peakError, c.peakErrorTime);
    for (const StepResponse &s : c.steps)
        add("Step at %.3f s overshoot %.3f deg (%.1f %%)", s.time, s.overshoot,
            std::isfinite(s.overshootPercent) ? s.overshootPercent : 0.0);
    if (c.response) {
        if (c.response->bandwidthHz)
            add("Bandwidth       %.3f Hz (-3 dB)", *c.response->bandwidthHz);
        else
            add("Bandwidth       above %.3f Hz", c.response->highHz);
    }
    const std::string correlation =
        std::isfinite(c.alignment.correlation) ? Format("correlation %.3f", c.alignment.correlation) : "";
    if (c.alignment.byMark)
        add("Aligned by      mark of flag %d%s%s", c.alignment.markFlag, correlation.empty() ? "" : ", ",
            correlation.c_str());
    else
        add("Aligned by      %s", correlation.empty() ? "program start" : correlation.c_str());
    add("Compared        %.3f to %.3f s", c.comparedFrom, c.comparedTo);
    for (const std::string &warning : ComparisonWarnings(c, log)) lines.push_back("Warning: " + warning);
    return lines;
}
