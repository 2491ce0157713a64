// The evaluation report as a PDF file: the report pages drawn through the QPainter canvas on a PDF
// writer, and the pages made from evaluated runs. The window and quillard-cli both write it here.
#pragma once

#include "graph/reportpages.h"
#include "measure/campaign.h"
#include "measure/handling.h"

#include <string>
#include <vector>

// A run's page from its evaluation with the settings it was processed with: the traces, the marks, the
// limits, the figures (RunFigureLines) and the verdicts.
RunReportPage RunPageOf(const SwdResult &result, const SwdOptions &settings, const std::string &title);

// The bytes of the PDF: A4 portrait, the first page, then a page per run, each footed "Page x of y".
std::string EvaluationPdfBytes(const CoverReportPage &cover, const std::vector<RunReportPage> &runs);

// The bytes of the PDF of the pages as they are (footers included), A4 portrait, titled by the first.
std::string ReportPdfBytes(const std::vector<ReportPage> &pages);

// "Page 3 of 21" on every page, in order.
void NumberPages(std::vector<ReportPage> &pages);

// A handling run of a report: its log's name and what its evaluation gave.
struct HandlingRun {
    std::string name;
    HandlingResult result;
};

// A handling run's page: its state, its steps and figures, and its graphs (the channels over time with
// the evaluation's marks and levels; the frequency response's gains, phases and coherences with the
// frequencies that are no figures marked; the understeer curve with its line over the linear range).
HandlingReportPage HandlingPageOf(const HandlingResult &result, const std::string &title);

// The first page of a handling report: the procedure, the vehicle, what the states mean, each run's state
// and its main figures.
CoverReportPage HandlingCoverOf(HandlingKind kind, const std::vector<HandlingRun> &runs,
                                const std::string &vehicle);

// The bytes of the PDF of the runs: A4 portrait, the first page, then a page per run that gave figures,
// each footed "Page x of y".
std::string HandlingPdfBytes(HandlingKind kind, const std::vector<HandlingRun> &runs,
                             const std::string &vehicle);
