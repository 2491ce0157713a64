// The evaluation report as a PDF file, drawn page by page through the QPainter canvas.
#include "graph/ui/EvaluationReport.h"

#include "compiler/format.h"
#include "graph/ui/QPainterCanvas.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>

namespace {

std::string Text(const char *format, auto... values) {
    char text[300];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

const char *Verdict(bool pass) { return pass ? "pass" : "FAIL"; }

} // namespace

std::vector<std::string> RunFigureLines(const SwdResult &r) {
    using namespace SwdCriteria;
    std::vector<std::string> lines;
    lines.push_back(Text("BOS %.3f s, COS %.3f s; peak yaw rate %.2f deg/s at %.3f s", r.bos, r.cos,
                         r.peakYawRate, r.peakYawRateTime));
    // A ratio that rounds to zero reads 0.0, not -0.0.
    lines.push_back(Text("Yaw rate ratio at COS + 1.000 s: %s %% (at most %g %%): %s",
                         Fixed(r.ratio1, 1).c_str(), RatioLimit1, Verdict(r.pass1)));
    lines.push_back(Text("Yaw rate ratio at COS + 1.750 s: %s %% (at most %g %%): %s",
                         Fixed(r.ratio2, 1).c_str(), RatioLimit2, Verdict(r.pass2)));
    if (r.passDisplacement)
        lines.push_back(Text("Lateral displacement at BOS + 1.07 s: %.3f m (at least %.2f m): %s",
                             r.displacement, r.displacementLimit, Verdict(*r.passDisplacement)));
    else
        lines.push_back(
            Text("Lateral displacement at BOS + 1.07 s: %.3f m (not judged below 5 A)", r.displacement));
    lines.push_back(Text("Amplitude %.2f deg (%s; measured %.2f deg); zeroed over %.3f to %.3f s",
                         r.amplitude, r.amplitudeFromProgram ? "commanded" : "measured", r.measuredAmplitude,
                         r.zeroFrom, r.zeroTo));
    if (r.speedAtBos) lines.push_back(Text("Speed at BOS %.1f km/h", *r.speedAtBos));
    for (RunCondition c : r.verdict.StatedConditions())
        lines.push_back(std::string("Stated, not measured: ") + RunConditionText(c));
    for (const std::string &w : r.warnings) lines.push_back("Warning: " + w);
    if (!r.pass) lines.push_back(std::string("Verdict: ") + RunStateTitle(r.state) + ": " + r.reason);
    return lines;
}

RunReportPage RunPageOf(const SwdResult &r, const VehicleLog &, const std::string &title) {
    RunReportPage page;
    page.title = title;
    page.lines = RunFigureLines(r);
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

std::string EvaluationPdfBytes(const CoverReportPage &cover, const std::vector<RunReportPage> &runs) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(150);
        writer.setCreator("Quillard");
        writer.setTitle(QString::fromLatin1(cover.title.c_str()));
        QPainterPageDevice device(writer);
        device.BeginJob();
        DrawCoverPage(device, device.PageWidth(), device.PageHeight(), cover);
        for (const RunReportPage &page : runs) {
            device.NewPage();
            DrawRunPage(device, device.PageWidth(), device.PageHeight(), page);
        }
        device.EndJob();
    }
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}
