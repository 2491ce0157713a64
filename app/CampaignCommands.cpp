// File > Evaluate Campaign: the campaign's dialog, its runs shown in the window, its report.
#include "app/CampaignCommands.h"

#include "app/GraphView.h"
#include "app/ProgramBook.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "graph/overlay.h"
#include "graph/ui/EvaluatedRun.h"
#include "graph/ui/EvaluationReport.h"
#include "measure/ui/Evaluatecampaigndlg.h"
#include "romfiles/programset.h"
#include "uikit/Forms.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The steer of the run's program to its end step, as its graph draws it; none when its set cannot be
// read or the program does not compile. A set named without a folder is beside the run list.
std::vector<TPointD> RunProgramTrace(const SeriesRun &run, const QString &runList) {
    const QString set = QDir(QFileInfo(runList).absolutePath()).filePath(FromPath(run.set));
    try {
        if (run.program < 0 || run.program >= ProgramCount) return {};
        const ProgramSet programs = ReadProgramSet(ToPath(set));
        CompilerState state;
        if (!CompileProgram(state, programs[static_cast<std::size_t>(run.program)], {})) return {};
        std::vector<TPointD> trace = ProgramTracePoints(state.steps);
        const double end = state.steps[std::clamp(state.endIndex, 0, StepCount - 1)].time;
        std::erase_if(trace, [end](const TPointD &p) { return p.x > end; });
        return trace;
    } catch (const std::exception &) {
        return {};
    }
}

SwdInputs InputsOf(const CampaignResult &campaign) {
    return {campaign.a.value, campaign.a.source, campaign.gvwr.kg};
}

std::string RunTitle(const CampaignRunResult &c, std::size_t runs) {
    return "Run " + std::to_string(c.run.run) + " of " + std::to_string(runs) + ": " + FileNameOf(c.run.set) +
           " program " + std::to_string(c.run.program) + ", amplitude " +
           FigureText(c.run.amplitude, 2, "deg") + " (" + FileNameOf(c.log) + ")";
}

// The line broken at blanks into lines that fit the page's width, those after the first indented.
void AddBroken(std::vector<std::string> &lines, const std::string &line, std::size_t width = 90) {
    std::size_t from = 0;
    std::string indent;
    while (line.size() - from + indent.size() > width) {
        std::size_t at = line.rfind(' ', from + width - indent.size());
        if (at == std::string::npos || at <= from) at = line.find(' ', from + 1);
        if (at == std::string::npos) break;
        lines.push_back(indent + line.substr(from, at - from));
        from = at + 1;
        indent = "    ";
    }
    lines.push_back(indent + line.substr(from));
}

// The report's first page: the campaign's verdict, the test information, A, the regulation and its
// criteria, and a row per run with its figures and their margins.
CoverReportPage CampaignCover(const JudgedCampaign &judged) {
    const CampaignResult &campaign = judged.result;
    const CampaignVerdict &v = campaign.verdict;
    CoverReportPage cover;
    cover.title = "Sine-with-dwell campaign: " + std::string(RunStateTitle(v.state));
    CampaignInfo shown = campaign.info;
    if (campaign.gvwr.kg > 0) shown.gvwr = campaign.gvwr.kg;
    cover.lines = CampaignInfoLines(shown);
    cover.lines.push_back(campaign.a.value > 0 ? "A = " + FigureText(campaign.a.value, 1, "deg") + " (from " +
                                                     campaign.a.source + ")"
                                               : std::string("A: not known, so the campaign cannot pass"));
    cover.lines.push_back("Runs: " + std::to_string(campaign.runs.size()) + ", passed " +
                          std::to_string(v.passed) + ", failed " + std::to_string(v.failed) + ", invalid " +
                          std::to_string(v.invalid) + (v.reason.empty() ? "" : ": " + v.reason));
    for (const std::string &line : RegulationCriteria(campaign.regulation, campaign.gvwr.kg))
        AddBroken(cover.lines, line);
    for (const CampaignRunResult &c : campaign.runs)
        if (!c.result.reason.empty())
            AddBroken(cover.lines, "Run " + std::to_string(c.run.run) + " " + RunStateTitle(c.result.state) +
                                       ": " + c.result.reason);
    cover.lines.push_back("Run list: " + Latin1Line(QFileInfo(judged.runList).fileName()));
    cover.header = {"run",
                    "amplitude",
                    "log",
                    "first steer",
                    "ratio 1.00 (margin)",
                    "ratio 1.75 (margin)",
                    "displ. m (margin)",
                    "verdict"};
    auto withMargin = [](double value, int decimals, const char *unit, const std::optional<double> &margin) {
        return FigureText(value, decimals, unit) + (margin ? " (" + MarginText(*margin, decimals) + ")" : "");
    };
    for (const CampaignRunResult &c : campaign.runs) {
        const SwdResult &r = c.result;
        std::vector<std::string> row{std::to_string(c.run.run), FigureText(c.run.amplitude, 2, "deg"),
                                     FileNameOf(c.log), c.direction};
        if (r.processed)
            row.insert(row.end(), {withMargin(r.ratio1, 2, "%", c.margins.ratio1),
                                   withMargin(r.ratio2, 2, "%", c.margins.ratio2),
                                   withMargin(r.displacement, 3, "", c.margins.displacement)});
        else
            row.insert(row.end(), 3, "");
        row.push_back(r.pass ? "pass" : RunStateTitle(r.state));
        cover.rows.push_back(row);
        cover.rowPasses.push_back(r.pass);
    }
    return cover;
}

} // namespace

TCampaignCommands::TCampaignCommands(TProgramBook &programs, TGraphView &graph, TSummaryPanel &summary,
                                     QWidget *window)
    : QObject(window), m_programs(programs), m_graph(graph), m_summary(summary), m_window(window),
      m_dialog(new TEvaluateCampaignDlg(window)) {
    connect(m_dialog, &TEvaluateCampaignDlg::runOpened, this, &TCampaignCommands::OpenRun);
    connect(m_dialog, &TEvaluateCampaignDlg::reportAsked, this, &TCampaignCommands::WriteReport);
}

void TCampaignCommands::EvaluateCampaign() {
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void TCampaignCommands::OpenRun(int run) {
    const auto &judged = m_dialog->Judged();
    if (!judged || run < 0 || run >= static_cast<int>(judged->result.runs.size())) return;
    const CampaignResult &campaign = judged->result;
    const CampaignRunResult &c = campaign.runs[static_cast<std::size_t>(run)];
    const SwdResult &r = c.result;
    if (!r.processed)
        return ShowError(m_dialog,
                         QString("Run %1 gives no figures: ").arg(c.run.run) + FromLatin1(r.reason));
    const SwdInputs inputs = InputsOf(campaign);
    m_graph.SetRun(SwdRunGraph(r, inputs, RunProgramTrace(c.run, judged->runList)),
                   m_programs.CurrentProgram());
    QStringList figures{
        FromLatin1("Sine with dwell, " + RunTitle(c, campaign.runs.size()) + ": " + RunStateTitle(r.state))};
    for (const auto &lines : {RunFigureLines(r, campaign.settings.swd), SwdInputLines(r, inputs)})
        for (const std::string &line : lines) figures << FromLatin1(line);
    const VehicleLog &log = judged->logs[judged->paired[static_cast<std::size_t>(run)].index];
    if (!log.dropouts.empty()) figures << FromLatin1("Dropouts replaced: " + DropoutText(log.dropouts));
    m_summary.SetMeasuredFigures(figures);
}

void TCampaignCommands::WriteReport() {
    const auto &judged = m_dialog->Judged();
    if (!judged) return;
    FileRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "Write Campaign Report";
    request.fileName = "report.pdf";
    request.filters = {"PDF files (*.pdf)"};
    request.defaultSuffix = "pdf";
    request.confirmOverwrite = true;
    const QString path = ChooseFile(m_dialog, request);
    if (path.isEmpty()) return;
    const CampaignResult &campaign = judged->result;
    std::vector<RunReportPage> pages;
    for (const CampaignRunResult &c : campaign.runs)
        if (c.result.processed)
            pages.push_back(RunPageOf(c.result, campaign.settings.swd, RunTitle(c, campaign.runs.size())));
    try {
        WriteFileAtomically(ToPath(path), EvaluationPdfBytes(CampaignCover(*judged), pages));
    } catch (const FileError &e) {
        ShowError(m_dialog, e);
    }
}
