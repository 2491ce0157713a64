// The pages of a campaign's report, made from its result and what the traceability page needs.
#include "graph/ui/CampaignReport.h"

#include "compiler/format.h"
#include "files/fileio.h"
#include "graph/ui/EvaluationReport.h"
#include "measure/logtime.h"
#include "romfiles/imagecheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

template <typename... Values> std::string Text(const char *format, Values... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// The text in lines of at most the width, broken at blanks, the lines after the first indented: the
// report's pages do not wrap their lines.
void AddWrapped(std::vector<std::string> &lines, const std::string &text, std::size_t width = 90) {
    std::string line;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line = "    " + word;
        } else {
            line += (line.empty() ? "" : " ") + word;
        }
        at = end + 1;
    }
    lines.push_back(line);
}

std::string RunNumbers(const std::vector<int> &runs) {
    std::string text;
    for (int run : runs) text += (text.empty() ? "" : ", ") + std::to_string(run);
    return text;
}

// "12.34 (+22.66)": a figure with its margin to its limit; "(-)" where the figure is not judged.
std::string WithMargin(double value, const std::optional<double> &margin, int decimals) {
    return Fixed(value, decimals) + " (" + (margin ? MarginText(*margin, decimals) : std::string("-")) + ")";
}

// Splits a page's table over as many pages as it needs, the first with the page's lines, the others
// titled as continued; the last keeps room for the lines after the table (and the sign-off, which gets
// a page of its own when the last has no room for it).
std::vector<CoverReportPage> Paginate(const CoverReportPage &page, const std::string &continued) {
    constexpr int SignOffLines = 15, TitleLines = 3, HeaderLines = 3;
    auto rowLines = [&](std::size_t r) {
        return 1 + (r < page.rowNotes.size() && !page.rowNotes[r].empty() ? 1 : 0);
    };
    std::vector<CoverReportPage> pages;
    CoverReportPage current = page;
    current.rows.clear(), current.rowPasses.clear(), current.rowNotes.clear(), current.after.clear();
    current.signOff = false;
    int room = ReportPageLines - TitleLines - static_cast<int>(page.lines.size()) - HeaderLines;
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        if (rowLines(r) > room && !current.rows.empty()) {
            pages.push_back(current);
            current.title = continued;
            current.lines.clear();
            current.rows.clear(), current.rowPasses.clear(), current.rowNotes.clear();
            room = ReportPageLines - TitleLines - HeaderLines;
        }
        current.rows.push_back(page.rows[r]);
        current.rowPasses.push_back(r < page.rowPasses.size() ? page.rowPasses[r] : true);
        current.rowNotes.push_back(r < page.rowNotes.size() ? page.rowNotes[r] : "");
        room -= rowLines(r);
    }
    const int after = static_cast<int>(page.after.size()) + 1;
    if (after > room && !current.rows.empty()) {
        pages.push_back(current);
        current = CoverReportPage{continued, {}, {}, {}, {}, {}, {}, {}, false, ""};
        room = ReportPageLines - TitleLines;
    }
    current.after = page.after;
    room -= after;
    if (page.signOff && room < SignOffLines) {
        pages.push_back(current);
        current = CoverReportPage{continued, {}, {}, {}, {}, {}, {}, {}, false, ""};
    }
    current.signOff = page.signOff;
    pages.push_back(current);
    return pages;
}

std::vector<std::string> TestInformationLines(const CampaignResult &campaign) {
    // The information as given, the GVWR as applied, with where it came from when it is not given there.
    CampaignInfo shown = campaign.info;
    if (campaign.gvwr.kg > 0) shown.gvwr = campaign.gvwr.kg;
    std::string gvwrLabel;
    for (const CampaignInfoField &field : CampaignInfoFields())
        if (std::string(field.key) == "gvwr") gvwrLabel = field.label;
    std::vector<std::string> lines;
    for (std::string line : CampaignInfoLines(shown)) {
        if (line.rfind(gvwrLabel, 0) == 0 && campaign.gvwr.kg > 0 && !campaign.info.gvwr)
            line += " (from " + campaign.gvwr.source + ")";
        AddWrapped(lines, line);
    }
    return lines;
}

std::vector<CoverReportPage> FirstPages(const CampaignResult &campaign, const CampaignReportInputs &inputs,
                                        int sisPage) {
    using namespace SwdCriteria;
    const CampaignVerdict &verdict = campaign.verdict;
    CoverReportPage cover;
    cover.title = "Sine-with-dwell campaign: " + std::string(RunStateTitle(verdict.state));
    for (const std::string &line : RegulationCriteria(campaign.regulation, campaign.gvwr.kg))
        AddWrapped(cover.lines, line);
    AddWrapped(
        cover.lines,
        Text("Each run must show: the speed at BOS %g +/- %g km/h, the commanded amplitude (within "
             "%g %%, at least %g deg), one run per log, every channel trusted; otherwise it is invalid",
             Speed, SpeedTolerance, 100 * AmplitudeTolerance, AmplitudeToleranceFloor));
    for (const std::string &line : TestInformationLines(campaign)) cover.lines.push_back(line);
    std::string a =
        campaign.a.value > 0
            ? Text("A = %.1f deg (steer angle at 0.3 g from the slowly increasing steer runs; from %s)",
                   campaign.a.value, campaign.a.source.c_str())
            : std::string("A: not known, so the campaign cannot pass");
    cover.lines.push_back(a);
    if (sisPage > 0) cover.lines.push_back(Text("The slowly increasing steer runs of A: page %d", sisPage));
    cover.lines.push_back(Text("Runs: %zu, passed %d, failed %d, invalid %d", campaign.runs.size(),
                               verdict.passed, verdict.failed, verdict.invalid) +
                          (verdict.reason.empty() ? "" : ": " + verdict.reason));
    for (RunCondition condition : RunConditions()) {
        std::vector<int> stated;
        for (const CampaignRunResult &c : campaign.runs) {
            const auto &s = c.result.verdict.StatedConditions();
            if (std::find(s.begin(), s.end(), condition) != s.end()) stated.push_back(c.run.run);
        }
        if (!stated.empty())
            AddWrapped(cover.lines, std::string("Stated, not measured: ") + RunConditionText(condition) +
                                        " in run" + (stated.size() > 1 ? "s " : " ") + RunNumbers(stated));
    }
    if (!inputs.runList.empty()) cover.lines.push_back("Run list: " + inputs.runList);
    cover.header = {"run",          "first steer",  "commanded",    "measured", "speed at BOS", "state",
                    "ratio 1.00 s", "ratio 1.75 s", "displacement", "dropouts", "warnings"};
    cover.units = {"",           "",           "deg", "deg", "km/h (margin)", "", "% (margin)",
                   "% (margin)", "m (margin)", "",    ""};
    for (const CampaignRunResult &c : campaign.runs) {
        const SwdResult &r = c.result;
        std::vector<std::string> row{std::to_string(c.run.run),
                                     c.direction.empty()          ? ""
                                     : c.direction == "clockwise" ? "cw"
                                                                  : "ccw",
                                     Fixed(c.run.amplitude, 2),
                                     r.processed ? Fixed(r.measuredAmplitude, 2) : "",
                                     c.speedAtBos ? WithMargin(*c.speedAtBos, c.margins.speed, 1) : "",
                                     r.pass ? "pass" : RunStateTitle(r.state)};
        if (r.processed)
            row.insert(row.end(),
                       {WithMargin(r.ratio1, c.margins.ratio1, 2), WithMargin(r.ratio2, c.margins.ratio2, 2),
                        WithMargin(r.displacement, c.margins.displacement, 3)});
        else
            row.insert(row.end(), 3, "");
        row.push_back(std::to_string(c.dropouts));
        row.push_back(std::to_string(c.warnings));
        cover.rows.push_back(row);
        cover.rowPasses.push_back(r.pass);
        cover.rowNotes.push_back(r.reason.empty() ? ""
                                                  : RunStateName(r.state) + std::string(": ") + r.reason);
    }
    cover.after = {"First steer: ccw counter-clockwise, cw clockwise. Margin: how far a figure is from its "
                   "limit, negative",
                   "    where it misses it; (-): not judged. Dropouts: samples replaced."};
    return Paginate(cover, "Sine-with-dwell campaign: the runs (continued)");
}

SisReportPage SisPageOf(const ReportSis &sis) {
    SisReportPage page;
    page.title = "Slowly increasing steer runs: A";
    page.fitLow = sis.options.fitLow, page.fitHigh = sis.options.fitHigh, page.at = sis.options.at;
    std::vector<SisResult> results;
    for (const ReportSisRun &run : sis.runs) results.push_back(run.result);
    const SisAmplitude a = AmplitudeOfRuns(results);
    page.lines.push_back(
        "From " + sis.source +
        Text(": %zu runs, %d anticlockwise, %d clockwise", sis.runs.size(), a.positive, a.negative));
    page.lines.push_back(
        a.a ? Text("A = %.1f deg: the mean of the runs' absolute angles at %g g, %s deg, to 0.1 deg", *a.a,
                   sis.options.at, Fixed(a.mean, 3).c_str())
            : "A: not known: " + a.reason);
    AddWrapped(page.lines,
               Text("Each angle is read at %g g off the regression of steer on lateral acceleration "
                    "over the rising part from %g to %g g.",
                    sis.options.at, sis.options.fitLow, sis.options.fitHigh));
    for (const std::string &w : a.warnings) AddWrapped(page.lines, "Warning: " + w);
    page.header = {"run",      "log",    "direction", "angle at 0.3 g", "steer rate",
                   "fit from", "fit to", "samples",   "state"};
    page.units = {"", "", "", "deg", "deg/s", "s", "s", "", ""};
    for (std::size_t k = 0; k < sis.runs.size(); ++k) {
        const SisResult &r = sis.runs[k].result;
        std::vector<std::string> row{std::to_string(k + 1), FileNameOf(sis.runs[k].log)};
        if (r.processed)
            row.insert(row.end(),
                       {r.angle < 0 ? "clockwise" : "anticlockwise", Fixed(r.angle, 3), Fixed(r.steerRate, 2),
                        Fixed(r.fitFrom, 3), Fixed(r.fitTo, 3), std::to_string(r.samples)});
        else
            row.insert(row.end(), 6, "");
        row.push_back(r.pass ? "pass" : RunStateTitle(r.state));
        page.rows.push_back(row);
        page.rowPasses.push_back(r.pass);
        if (!r.processed || r.traces.time.empty()) continue;
        SisCurve curve{FileNameOf(sis.runs[k].log), {}, {}};
        const double sign = r.angle < 0 ? -1 : 1;
        for (std::size_t i = 0;
             i < r.traces.time.size() && i < r.traces.steer.size() && i < r.traces.lateralAcceleration.size();
             ++i) {
            if (r.traces.time[i] < r.fitFrom - 1) continue;
            curve.lateralAcceleration.push_back(sign * r.traces.lateralAcceleration[i]);
            curve.steer.push_back(sign * r.traces.steer[i]);
        }
        page.curves.push_back(std::move(curve));
    }
    return page;
}

std::string SlotCrcText(const ReportRunTrace *trace, bool aux) {
    if (!trace || !trace->slot) return "not given";
    if (!aux) return CrcText(trace->slot->binCrc);
    return trace->slot->auxCrc ? CrcText(*trace->slot->auxCrc) : "not given";
}

std::vector<CoverReportPage> SignOffPages(const CampaignResult &campaign,
                                          const CampaignReportInputs &inputs) {
    const SwdOptions &s = campaign.settings.swd;
    CoverReportPage page;
    page.title = "Traceability and sign-off";
    page.lines.push_back("Quillard version " +
                         (inputs.version.empty() ? std::string("not given") : inputs.version));
    if (!inputs.runList.empty()) page.lines.push_back("Run list: " + inputs.runList);
    page.lines.push_back(std::string("Regulation: ") + RegulationName(campaign.regulation));
    AddWrapped(page.lines,
               Text("Processing: 12-pole phaseless Butterworth filters, steer %g Hz, yaw rate, lateral "
                    "acceleration and speed %g Hz; the steer's onset where its rate passes %g deg/s "
                    "for %g s; each channel zeroed on its mean over the %g s before; BOS at %g deg "
                    "of steer",
                    s.steerCutoff, s.responseCutoff, s.onsetRate, s.onsetHold, s.zeroingTime, s.bosAngle));
    AddWrapped(
        page.lines,
        (s.amplitudeA > 0 ? Text("A = %.1f deg", s.amplitudeA) : std::string("A not known")) + "; GVWR " +
            (s.gvwr > 0 ? Fixed(s.gvwr, 0) + " kg" : std::string("not given (at most 3500 kg taken)")));
    if (inputs.sis)
        page.lines.push_back(Text("Slowly increasing steer: fit from %g to %g g, angle read at %g g",
                                  inputs.sis->options.fitLow, inputs.sis->options.fitHigh,
                                  inputs.sis->options.at));
    page.header = {
        "run", "log", "EPROM file", "program", "slot CRC-32", "aux slot CRC-32", "SHA-256 of the log"};
    for (std::size_t k = 0; k < campaign.runs.size(); ++k) {
        const CampaignRunResult &c = campaign.runs[k];
        const ReportRunTrace *trace = k < inputs.runs.size() ? &inputs.runs[k] : nullptr;
        page.rows.push_back({std::to_string(c.run.run), FileNameOf(c.log),
                             trace && trace->slot ? FileNameOf(trace->slot->image) : "not given",
                             std::to_string(c.run.program), SlotCrcText(trace, false),
                             SlotCrcText(trace, true),
                             trace && !trace->logSha256.empty() ? trace->logSha256 : "not given"});
        page.rowPasses.push_back(true);
    }
    page.signOff = true;
    return Paginate(page, "Traceability and sign-off (continued)");
}

} // namespace

std::optional<ReportSlot> SlotOf(const std::string &image, std::string_view binBytes,
                                 std::optional<std::string_view> auxBytes, int program) {
    const ImageReport report = ReportImages(binBytes, auxBytes.value_or(std::string_view()));
    const auto slot = std::find_if(report.programs.begin(), report.programs.end(),
                                   [&](const SlotInfo &s) { return s.program == program; });
    if (slot == report.programs.end()) return std::nullopt;
    ReportSlot found{image, slot->binCrc, std::nullopt};
    if (auxBytes) found.auxCrc = slot->auxCrc;
    return found;
}

ReportFollowing FollowingOf(const CommandedProgram &program, const VehicleLog &log) {
    MeasuredLog measured;
    measured.time = log.time;
    measured.steer = log.steer;
    measured.mark = log.mark;
    try {
        return {CompareLog(program, measured), ""};
    } catch (const FormatError &e) {
        return {std::nullopt, e.what()};
    }
}

std::string FollowingText(const Comparison &c) {
    auto figure = [](double value, int decimals, const char *unit) {
        return std::isfinite(value) ? FigureText(value, decimals, unit) : std::string("not measured");
    };
    return "delay " + figure(c.delay, 3, "s") + ", gain " + figure(c.gain, 3, "") + ", offset " +
           figure(c.offset, 2, "deg") + ", RMS error " + figure(c.rmsError, 2, "deg") + ", peak error " +
           figure(c.peakError, 2, "deg");
}

std::vector<ReportPage> CampaignReportPages(const CampaignResult &campaign,
                                            const CampaignReportInputs &inputs) {
    const bool sis = inputs.sis && !inputs.sis->runs.empty();
    std::vector<CoverReportPage> first = FirstPages(campaign, inputs, 0);
    if (sis) first = FirstPages(campaign, inputs, static_cast<int>(first.size()) + 1);
    std::vector<ReportPage> pages(first.begin(), first.end());
    if (sis) pages.push_back(SisPageOf(*inputs.sis));
    for (std::size_t k = 0; k < campaign.runs.size(); ++k) {
        const CampaignRunResult &c = campaign.runs[k];
        if (!c.result.processed) continue;
        RunReportPage page = RunPageOf(c.result, campaign.settings.swd,
                                       Text("Run %d of %zu: %s program %d, amplitude %.2f deg (%s)",
                                            c.run.run, campaign.runs.size(), FileNameOf(c.run.set).c_str(),
                                            c.run.program, c.run.amplitude, FileNameOf(c.log).c_str()));
        const ReportRunTrace *trace = k < inputs.runs.size() ? &inputs.runs[k] : nullptr;
        if (trace && trace->following) {
            const ReportFollowing &f = *trace->following;
            const std::string line = "Following the program: " + (f.comparison ? FollowingText(*f.comparison)
                                                                               : "not compared: " + f.reason);
            page.lines.insert(page.lines.end() - 1, line); // before the verdict
        }
        std::vector<std::string> wrapped;
        for (const std::string &line : page.lines) AddWrapped(wrapped, line, 105);
        page.lines = std::move(wrapped);
        pages.push_back(std::move(page));
    }
    for (const CoverReportPage &page : SignOffPages(campaign, inputs)) pages.push_back(page);
    NumberPages(pages);
    return pages;
}

std::string CampaignReportPdf(const CampaignResult &campaign, const CampaignReportInputs &inputs) {
    return ReportPdfBytes(CampaignReportPages(campaign, inputs));
}
