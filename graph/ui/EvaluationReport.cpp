// The evaluation report as a PDF file, drawn page by page through the QPainter canvas.
#include "graph/ui/EvaluationReport.h"

#include "graph/ui/QPainterCanvas.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

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
