// File > Evaluate Campaign: the campaign's dialog, its runs shown in the window, its report.
#include "app/CampaignCommands.h"

#include "app/GraphView.h"
#include "app/ProgramBook.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "files/sha256.h"
#include "graph/overlay.h"
#include "graph/ui/CampaignReport.h"
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

// What the report needs besides the result: each log's SHA-256 and how well the machine followed the
// run's program, where its set is beside the run list and compiles. The images are not asked for here,
// so the sign-off page gives no slot CRCs; the SIS runs' page is left to quillard-cli.
CampaignReportInputs ReportInputsOf(const JudgedCampaign &judged) {
    CampaignReportInputs inputs;
    inputs.version = QUILLARD_VERSION;
    inputs.runList = Latin1Line(QFileInfo(judged.runList).fileName());
    for (std::size_t k = 0; k < judged.result.runs.size(); ++k) {
        const CampaignRunResult &c = judged.result.runs[k];
        ReportRunTrace trace;
        trace.logSha256 = Sha256Hex(ReadFileBytes(c.log, LogFileLimit));
        const QString set = QDir(QFileInfo(judged.runList).absolutePath()).filePath(FromPath(c.run.set));
        if (QFileInfo(set).isFile() && c.run.program >= 0 && c.run.program < ProgramCount) {
            const ProgramSet programs = ReadProgramSet(ToPath(set));
            CompilerState state;
            if (CompileProgram(state, programs[static_cast<std::size_t>(c.run.program)], {}))
                trace.following = FollowingOf(CommandedFrom(state), judged.logs[judged.paired[k].index]);
            else
                trace.following =
                    ReportFollowing{std::nullopt, "program " + std::to_string(c.run.program) + " of " +
                                                      FileNameOf(c.run.set) + " does not compile"};
        }
        inputs.runs.push_back(std::move(trace));
    }
    return inputs;
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
    try {
        WriteFileAtomically(ToPath(path), CampaignReportPdf(judged->result, ReportInputsOf(*judged)));
    } catch (const FileError &e) {
        ShowError(m_dialog, e);
    } catch (const std::exception &e) { // a set that is no set
        ShowError(m_dialog, FromLatin1(e.what()));
    }
}
