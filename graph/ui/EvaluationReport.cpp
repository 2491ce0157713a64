// The evaluation report as a PDF file, drawn page by page through the QPainter canvas.
#include "graph/ui/EvaluationReport.h"

#include "compiler/format.h"
#include "graph/overlay.h"
#include "graph/ui/QPainterCanvas.h"
#include "measure/freqresponse.h"
#include "measure/text.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <cstdio>

RunReportPage RunPageOf(const SwdResult &r, const SwdOptions &settings, const std::string &title) {
    RunReportPage page;
    page.title = title;
    page.lines = RunFigureLines(r, settings);
    page.pass = r.pass;
    page.verdict = RunStateTitle(r.state);
    page.time = r.traces.time;
    page.steer = r.traces.steer;
    page.yawRate = r.traces.yawRate;
    page.displacement = r.traces.displacement;
    page.bos = r.bos;
    page.cos = r.cos;
    page.check1 = SwdCriteria::RatioCheck1;
    page.check2 = SwdCriteria::RatioCheck2;
    page.limit1 = SwdCriteria::RatioLimit1;
    page.limit2 = SwdCriteria::RatioLimit2;
    page.peakYawRate = r.peakYawRate;
    page.displacementTime = SwdCriteria::DisplacementTime;
    page.displacementLimit = r.displacementLimit;
    page.displacementJudged = r.passDisplacement.has_value();
    return page;
}

void NumberPages(std::vector<ReportPage> &pages) {
    for (std::size_t k = 0; k < pages.size(); ++k) {
        const std::string footer = "Page " + std::to_string(k + 1) + " of " + std::to_string(pages.size());
        std::visit([&](auto &page) { page.footer = footer; }, pages[k]);
    }
}

std::string ReportPdfBytes(const std::vector<ReportPage> &pages) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(150);
        writer.setCreator("Quillard");
        if (!pages.empty())
            writer.setTitle(
                QString::fromLatin1(std::visit([](const auto &p) { return p.title; }, pages[0]).c_str()));
        QPainterPageDevice device(writer);
        device.BeginJob();
        for (std::size_t k = 0; k < pages.size(); ++k) {
            if (k) device.NewPage();
            const int width = device.PageWidth(), height = device.PageHeight();
            std::visit(
                [&](const auto &page) {
                    using Page = std::decay_t<decltype(page)>;
                    if constexpr (std::is_same_v<Page, CoverReportPage>)
                        DrawCoverPage(device, width, height, page);
                    else if constexpr (std::is_same_v<Page, SisReportPage>)
                        DrawSisPage(device, width, height, page);
                    else if constexpr (std::is_same_v<Page, RunReportPage>)
                        DrawRunPage(device, width, height, page);
                    else
                        DrawHandlingPage(device, width, height, page);
                },
                pages[k]);
        }
        device.EndJob();
    }
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

std::string EvaluationPdfBytes(const CoverReportPage &cover, const std::vector<RunReportPage> &runs) {
    std::vector<ReportPage> pages{cover};
    pages.insert(pages.end(), runs.begin(), runs.end());
    NumberPages(pages);
    return ReportPdfBytes(pages);
}

namespace {

Color ColourOf(const std::string &channel) {
    if (channel == "steer") return OverlayColours::Blue;
    if (channel == "yaw rate") return OverlayColours::Magenta;
    if (channel == "lateral acceleration") return OverlayColours::Green;
    if (channel == "sideslip") return OverlayColours::Orange;
    if (channel == "roll angle") return OverlayColours::Purple;
    if (channel == "roll rate") return OverlayColours::Brown;
    return Color{190, 0, 0};
}

// A panel of one channel over time, with the marks and levels that belong to it (and to every channel).
PagePanel TimePanel(const HandlingResult &r, const HandlingChannel &c, double from, double to) {
    PagePanel panel;
    panel.xLabel = "time, s";
    panel.xFrom = from;
    panel.xTo = to;
    panel.traces.push_back({r.time, c.values, {}, ColourOf(c.name), c.name + ", " + c.unit});
    for (const HandlingMark &m : r.marks)
        if (m.channel.empty() || m.channel == c.name) panel.marks.push_back({m.at, m.label});
    for (const HandlingLevel &l : r.levels)
        if (l.channel == c.name) panel.levels.push_back({l.value, l.from, l.to, l.label});
    return panel;
}

// The span the graphs show: from a second before the first mark to a second after the last.
std::pair<double, double> Span(const HandlingResult &r) {
    double from = INFINITY, to = -INFINITY;
    for (const HandlingMark &m : r.marks) from = std::min(from, m.at), to = std::max(to, m.at);
    for (const HandlingLevel &l : r.levels) from = std::min(from, l.from), to = std::max(to, l.to);
    if (!std::isfinite(from) || r.time.empty())
        return {r.time.empty() ? 0 : r.time.front(), r.time.empty() ? 1 : r.time.back()};
    return {std::max(r.time.front(), from - 1), std::min(r.time.back(), to + 1)};
}

std::vector<PagePanel> ResponsePanels(const HandlingResult &r) {
    const ResponseTable &table = *r.response;
    std::vector<double> f;
    std::vector<double> yawGain, ayGain, yawPhase, ayPhase, yawCoherence, ayCoherence;
    std::vector<char> yawMarked, ayMarked;
    for (const ResponseRow &row : table.rows) {
        f.push_back(row.frequency);
        yawGain.push_back(row.yawRate.gain), ayGain.push_back(row.lateralAcceleration.gain);
        yawPhase.push_back(row.yawRate.phase), ayPhase.push_back(row.lateralAcceleration.phase);
        yawCoherence.push_back(row.yawRate.coherence),
            ayCoherence.push_back(row.lateralAcceleration.coherence);
        yawMarked.push_back(!row.yawRate.mark.empty()),
            ayMarked.push_back(!row.lateralAcceleration.mark.empty());
    }
    const double from = f.empty() ? 0 : f.front(), to = f.empty() ? 1 : f.back();
    const Color yaw = OverlayColours::Magenta, ay = OverlayColours::Green;
    auto panel = [&](std::vector<PageTrace> traces) {
        PagePanel p;
        p.xLabel = "frequency, Hz (x: no figure)";
        p.xFrom = from, p.xTo = to;
        p.traces = std::move(traces);
        return p;
    };
    std::vector<PagePanel> panels{
        panel({{f, yawGain, yawMarked, yaw, "yaw rate gain, " + table.yawUnit}}),
        panel({{f, ayGain, ayMarked, ay, "lateral acceleration gain, " + table.ayUnit}}),
        panel({{f, yawPhase, yawMarked, yaw, "yaw rate phase, deg"},
               {f, ayPhase, ayMarked, ay, "lateral acceleration phase, deg"}}),
        panel({{f, yawCoherence, {}, yaw, "yaw rate coherence"},
               {f, ayCoherence, {}, ay, "lateral acceleration coherence"}})};
    panels.back().levels.push_back({ResponseCriteria::CoherenceLimit, from, to, "limit"});
    for (const HandlingMark &m : r.marks)
        if (m.channel == "yaw rate gain") panels.front().marks.push_back({m.at, m.label});
    if (r.Value("yaw_rate_phase_1hz_deg")) panels[2].marks.push_back({1, "1 Hz"});
    return panels;
}

std::vector<PagePanel> UndersteerPanels(const HandlingResult &r) {
    const UndersteerCurve &c = *r.curve;
    PagePanel curve;
    curve.xLabel = "lateral acceleration, g";
    curve.xFrom = 0;
    curve.xTo = c.lateralAcceleration.empty()
                    ? 1
                    : *std::max_element(c.lateralAcceleration.begin(), c.lateralAcceleration.end());
    curve.traces.push_back({c.lateralAcceleration, c.steer, {}, OverlayColours::Blue, "steer, deg"});
    curve.traces.push_back({{c.linearFrom, c.linearTo},
                            {c.intercept + c.slope * c.linearFrom, c.intercept + c.slope * c.linearTo},
                            {},
                            Color{190, 0, 0},
                            "line over the linear range"});
    curve.marks.push_back({c.linearFrom, "linear from"});
    curve.marks.push_back({c.linearTo, c.leavesLinear ? "leaves linear" : "top"});
    std::vector<PagePanel> panels{curve};
    for (const char *name : {"steer", "lateral acceleration"})
        if (const HandlingChannel *channel = r.Channel(name))
            panels.push_back(TimePanel(r, *channel, r.time.front(), r.time.back()));
    return panels;
}

std::string Cell(const HandlingResult &r, const std::string &key, int decimals) {
    const auto v = r.Value(key);
    if (!v) return "";
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", decimals, *v);
    return text;
}

// The main figures of each kind for the first page's table: key, column head, decimals.
struct Column {
    const char *key, *head;
    int decimals;
};
std::vector<Column> ColumnsOf(HandlingKind kind) {
    switch (kind) {
    case HandlingKind::Step:
        return {{"steer_change_deg", "steer deg", 1},
                {"steer_rise_time_s", "rise s", 3},
                {"yaw_rate_gain_deg_s_per_deg", "yaw gain", 4},
                {"yaw_rate_response_time_s", "yaw resp. s", 3},
                {"yaw_rate_overshoot_percent", "yaw overs. %", 1},
                {"lateral_acceleration_gain_g_per_100deg", "ay gain", 4},
                {"lateral_acceleration_response_time_s", "ay resp. s", 3},
                {"tb_factor_s_deg", "TB s deg", 3}};
    case HandlingKind::Sine:
        return {{"steer_frequency_hz", "freq. Hz", 3},
                {"yaw_rate_first_lag_s", "yaw lag 1 s", 3},
                {"yaw_rate_first_gain_deg_s_per_deg", "yaw gain 1", 4},
                {"yaw_rate_second_lag_s", "yaw lag 2 s", 3},
                {"lateral_acceleration_first_lag_s", "ay lag 1 s", 3},
                {"lateral_acceleration_first_gain_g_per_100deg", "ay gain 1", 4}};
    case HandlingKind::Response:
        return {{"yaw_rate_steady_state_gain_deg_s_per_deg", "yaw gain", 4},
                {"yaw_rate_resonance_frequency_hz", "res. Hz", 3},
                {"yaw_rate_peak_ratio", "peak ratio", 3},
                {"yaw_rate_phase_1hz_deg", "yaw 1 Hz deg", 1},
                {"lateral_acceleration_steady_state_gain_g_per_100deg", "ay gain", 4},
                {"lateral_acceleration_phase_1hz_deg", "ay 1 Hz deg", 1}};
    case HandlingKind::Understeer:
        return {{"steer_gradient_deg_per_g", "steer deg/g", 2},
                {"understeer_gradient_deg_per_g", "K deg/g", 3},
                {"characteristic_speed_kmh", "v char km/h", 1},
                {"linear_range_to_g", "linear to g", 3},
                {"roll_gradient_deg_per_g", "roll deg/g", 2}};
    case HandlingKind::Rollover:
        break;
    }
    return {{"first_steer_deg", "steer deg", 1},
            {"peak_roll_deg", "roll deg", 2},
            {"peak_roll_rate_deg_s", "roll rate deg/s", 1},
            {"countersteer_after_feedback_s", "cs - feedback s", 3},
            {"largest_lift_mm", "lift mm", 1}};
}

} // namespace

HandlingReportPage HandlingPageOf(const HandlingResult &r, const std::string &title) {
    HandlingReportPage page;
    page.title = title;
    page.verdict = RunStateTitle(r.state);
    page.pass = r.pass;
    for (const HandlingStep &s : r.steps) page.steps.push_back(s.name + ": " + s.text);
    for (const std::string &w : r.warnings) page.steps.push_back("Warning: " + w);
    if (!r.pass) page.steps.push_back(std::string(RunStateTitle(r.state)) + ": " + r.reason);
    for (const HandlingFigure &f : r.figures) page.figures.push_back(FigureLine(f));
    if (r.kind == HandlingKind::Response && r.response) {
        page.panels = ResponsePanels(r);
        return page;
    }
    if (r.kind == HandlingKind::Understeer && r.curve) {
        page.panels = UndersteerPanels(r);
        return page;
    }
    const auto [from, to] = Span(r);
    const std::vector<std::string> wanted =
        r.kind == HandlingKind::Rollover
            ? std::vector<std::string>{"steer", "roll angle", "roll rate", "wheel lift"}
            : std::vector<std::string>{"steer", "yaw rate", "lateral acceleration", "sideslip"};
    for (const std::string &name : wanted)
        if (const HandlingChannel *c = r.Channel(name)) page.panels.push_back(TimePanel(r, *c, from, to));
    return page;
}

CoverReportPage HandlingCoverOf(HandlingKind kind, const std::vector<HandlingRun> &runs,
                                const std::string &vehicle) {
    const HandlingKindInfo &info = InfoOf(kind);
    std::vector<RunState> states;
    for (const HandlingRun &run : runs) states.push_back(run.result.state);
    int passed = 0, failed = 0, invalid = 0;
    for (RunState s : states) (s == RunState::Pass ? passed : s == RunState::Fail ? failed : invalid) += 1;
    CoverReportPage cover;
    const RunState state = failed ? RunState::Fail : invalid ? RunState::Invalid : RunState::Pass;
    cover.title = std::string(info.title) + ": " + RunStateTitle(state);
    cover.lines.push_back("Vehicle: " + (vehicle.empty() ? std::string("(not named)") : vehicle));
    cover.lines.push_back(
        Text("Runs: %zu, passed %d, failed %d, invalid %d", runs.size(), passed, failed, invalid));
    cover.lines.push_back(*info.criterion
                              ? std::string("Criterion: ") + info.criterion
                              : std::string("The procedure gives figures and no pass criterion: a run "
                                            "passes when its log gives them"));
    for (const HandlingRun &run : runs)
        if (!run.result.pass)
            cover.lines.push_back(run.name + ": " + RunStateName(run.result.state) + ": " +
                                  run.result.reason);
    const std::vector<Column> columns = ColumnsOf(kind);
    cover.header = {"run", "log"};
    for (const Column &c : columns) cover.header.push_back(c.head);
    cover.header.push_back("state");
    for (std::size_t k = 0; k < runs.size(); ++k) {
        std::vector<std::string> row{std::to_string(k + 1), runs[k].name};
        for (const Column &c : columns) row.push_back(Cell(runs[k].result, c.key, c.decimals));
        row.push_back(runs[k].result.pass ? "pass" : RunStateTitle(runs[k].result.state));
        cover.rows.push_back(row);
        cover.rowPasses.push_back(runs[k].result.pass);
    }
    return cover;
}

std::string HandlingPdfBytes(HandlingKind kind, const std::vector<HandlingRun> &runs,
                             const std::string &vehicle) {
    std::vector<ReportPage> pages{HandlingCoverOf(kind, runs, vehicle)};
    for (std::size_t k = 0; k < runs.size(); ++k)
        if (runs[k].result.processed)
            pages.push_back(HandlingPageOf(
                runs[k].result, Text("Run %zu of %zu: %s", k + 1, runs.size(), runs[k].name.c_str())));
    NumberPages(pages);
    return ReportPdfBytes(pages);
}
