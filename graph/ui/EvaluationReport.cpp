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
                    else
                        DrawRunPage(device, width, height, page);
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
