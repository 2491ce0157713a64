// File > Evaluate Run and Write Evaluation Report over the shown program.
#include "app/EvaluateCommands.h"

#include "app/BuildCommand.h"
#include "app/GraphView.h"
#include "app/ProgramBook.h"
#include "app/ProgramText.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "compiler/format.h"
#include "files/fileio.h"
#include "graph/overlay.h"
#include "graph/ui/EvaluationReport.h"
#include "measure/ui/Evaluaterundlg.h"
#include "romfiles/campaign.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QFileInfo>

namespace {

// The evaluation that the template of a program takes, when it takes one the window offers.
// A slowly increasing steer program's run gives A first (its understeer gradient is chosen by hand).
std::optional<RunKind> KindOf(const ManoeuvreTemplate *t) {
    if (!t) return std::nullopt;
    if (t->name == "slowly-increasing-steer") return RunKind::SlowlyIncreasingSteer;
    return RunKindNamed(EvaluationOfTemplate(t->name));
}

// The program's steer as its graph draws it, to its end step.
std::vector<TPointD> ProgramToEnd(const CompilerState &state) {
    std::vector<TPointD> trace = ProgramTracePoints(state.steps);
    const double end = state.steps[std::clamp(state.endIndex, 0, StepCount - 1)].time;
    std::erase_if(trace, [end](const TPointD &p) { return p.x > end; });
    return trace;
}

// A of the program's standard series note; none when the note is missing or holds no A.
std::optional<double> NoteAmplitudeA(const ProgramText &lines) {
    try {
        return SeriesAmplitudeA(lines);
    } catch (const FormatError &) {
        return std::nullopt;
    }
}

QStringList Latin1Lines(const std::vector<std::string> &lines) {
    QStringList list;
    for (const std::string &line : lines) list << FromLatin1(line);
    return list;
}

} // namespace

TEvaluateCommands::TEvaluateCommands(TProgramBook &programs, CompilerState &compiler, TGraphView &graph,
                                     TSummaryPanel &summary, std::function<void()> show, QWidget *window)
    : QObject(window), m_programs(programs), m_compiler(compiler), m_graph(graph), m_summary(summary),
      m_show(std::move(show)), m_window(window), m_dialog(new TEvaluateRunDlg(window)) {}

void TEvaluateCommands::EvaluateRun() {
    const int program = m_programs.CurrentProgram();
    const ProgramText lines = ProgramLines(*m_programs.Editor(program));
    {
        // What the program's template says, before the dialog asks: compiled aside, without boxes.
        CompilerState scratch;
        CompileProgram(scratch, lines, WindowCompileOptions(NoticeHandler()));
        m_dialog->SetProgram(KindOf(ProgramTemplate(lines, scratch.statements)), NoteAmplitudeA(lines));
    }
    if (RunModal(*m_dialog) != QDialog::Accepted) return;
    const QString path = m_dialog->LogFile();
    VehicleLog log;
    try {
        log = ReadVehicleLog(ToPath(path), m_dialog->Options());
    } catch (const FileError &e) {
        return ShowError(m_window, QString::fromLocal8Bit(e.what()));
    } catch (const ChannelError &e) { // the dialog picks the yaw rate's and the acceleration's columns
        const ChannelKind kind = e.choice().kind;
        const bool inDialog = kind == ChannelKind::YawRate || kind == ChannelKind::LateralAcceleration;
        return ShowError(m_window, path + ": " + QString::fromLocal8Bit(e.what()) +
                                       (inDialog ? ": choose its column in the dialog" : ""));
    } catch (const FormatError &e) {
        return ShowError(m_window, path + ": " + QString::fromLocal8Bit(e.what()));
    }
    m_show();
    if (m_compiler.ErrorCount != 0 || !m_graph.Fittable() || m_graph.ShownProgram() != program) return;
    m_title = QString("Program %1, log %2").arg(program).arg(QFileInfo(path).fileName());
    const std::vector<TPointD> trace = ProgramToEnd(m_compiler);
    std::string unprocessed; // why the log gives no figures
    try {
        if (const auto handling = HandlingKindOf(m_dialog->Kind()))
            unprocessed = EvaluateHandlingRun(*handling, log);
        else if (m_dialog->Kind() == RunKind::SineWithDwell)
            unprocessed = EvaluateSwd(log, program, trace);
        else
            unprocessed = EvaluateSis(log, program, trace);
    } catch (const FormatError &e) { // the program's note of A
        return ShowError(m_window, QString("Program %1: ").arg(program) + FromLatin1(e.what()));
    }
    if (!unprocessed.empty()) {
        // The log gives no evaluation: nothing of an earlier run stays on the graph as if it were this one.
        m_result.reset();
        m_sis.reset();
        m_handling.reset();
        m_graph.SetRun(std::nullopt, -1);
        m_summary.SetMeasuredFigures({});
        emit evaluatedChanged(false);
        return ShowError(m_window, path + ": " + FromLatin1(unprocessed));
    }
    m_log = std::move(log);
}

// A sine with dwell: the commanded amplitude is the program's peak steer; A is the dialog's, else the
// program's note. Returns why the log gives no figures, empty when it does.
std::string TEvaluateCommands::EvaluateSwd(const VehicleLog &log, int program,
                                           const std::vector<TPointD> &trace) {
    SwdInputs inputs;
    inputs.gvwr = m_dialog->Gvwr();
    const double given = m_dialog->AmplitudeA();
    const auto noted = given > 0 ? std::nullopt : SeriesAmplitudeA(ProgramLines(*m_programs.Editor(program)));
    const CampaignA a = ChooseAmplitudeA(
        {{given, "Evaluate Run"},
         {noted, noted ? "the program's note \"" + StandardSeriesNote(*noted) + "\"" : std::string()}});
    inputs.a = a.value;
    inputs.aSource = a.source;
    SwdOptions options;
    options.commandedAmplitude = CommandedAmplitude(m_compiler);
    options.gvwr = inputs.gvwr;
    options.amplitudeA = inputs.a;
    SwdResult result = EvaluateSineWithDwell(log, options);
    if (!result.processed) return result.reason;
    m_sis.reset();
    m_handling.reset();
    m_inputs = inputs;
    m_options = options;
    m_result = std::move(result);
    const SwdResult &r = *m_result;
    m_graph.SetRun(SwdRunGraph(r, inputs, trace), program);
    QStringList figures{QString("Sine with dwell, %1: %2").arg(m_title, RunStateTitle(r.state))};
    figures << Latin1Lines(RunFigureLines(r, options)) << Latin1Lines(SwdInputLines(r, inputs))
            << DropoutLines(log);
    m_summary.SetMeasuredFigures(figures);
    emit evaluatedChanged(true);
    return {};
}

// A slowly increasing steer: the steer at 0.3 g off the regression, and its fit. Returns why the log
// gives no figures, empty when it does.
std::string TEvaluateCommands::EvaluateSis(const VehicleLog &log, int program,
                                           const std::vector<TPointD> &trace) {
    SisOptions options;
    options.fitLow = m_dialog->FitLow();
    options.fitHigh = m_dialog->FitHigh();
    SisResult result = EvaluateSlowlyIncreasingSteer(log, options);
    if (!result.processed) return result.reason;
    m_result.reset();
    m_handling.reset();
    m_sis = std::move(result);
    m_graph.SetRun(SisRunGraph(*m_sis, options, trace), program);
    QStringList figures{QString("Slowly increasing steer, %1: %2").arg(m_title, RunStateTitle(m_sis->state))};
    figures << Latin1Lines(SisFigureLines(*m_sis, options)) << DropoutLines(log);
    m_summary.SetMeasuredFigures(figures);
    emit evaluatedChanged(false);
    return {};
}

// A handling evaluation: its steps and figures, each by name, at the head of the summary; the program's
// graph stays (the report draws the run's channels). Returns why the log gives no figures, empty when
// it does.
std::string TEvaluateCommands::EvaluateHandlingRun(HandlingKind kind, const VehicleLog &log) {
    HandlingResult result = EvaluateHandling(kind, log, m_dialog->Handling());
    if (!result.processed) return result.reason;
    m_result.reset();
    m_sis.reset();
    m_graph.SetRun(std::nullopt, -1);
    QStringList figures{QString("%1, %2: %3").arg(InfoOf(kind).title, m_title, RunStateTitle(result.state))};
    figures << Latin1Lines(HandlingReportLines(result, log));
    m_summary.SetMeasuredFigures(figures);
    m_handling = std::move(result);
    emit evaluatedChanged(true);
    return {};
}

QStringList TEvaluateCommands::DropoutLines(const VehicleLog &log) const {
    if (log.dropouts.empty()) return {};
    return {FromLatin1("Dropouts replaced: " + DropoutText(log.dropouts))};
}

void TEvaluateCommands::WriteReport() {
    if (!m_result && !m_handling) return;
    FileRequest request{FileDialogKind::Save,
                        "Write Evaluation Report",
                        {},
                        "report.pdf",
                        {"PDF files (*.pdf)"},
                        "pdf",
                        true,
                        {},
                        false};
    const QString path = ChooseFile(m_window, request);
    if (path.isEmpty()) return;
    const std::string title = Latin1Line(m_title);
    if (m_handling) {
        try {
            WriteFileAtomically(ToPath(path), HandlingPdfBytes(m_handling->kind, {{title, *m_handling}}, ""));
        } catch (const FileError &e) {
            ShowError(m_window, QString::fromLocal8Bit(e.what()));
        }
        return;
    }
    CoverReportPage cover;
    cover.title = std::string("Sine-with-dwell run: ") + RunStateTitle(m_result->state);
    cover.lines = {title};
    for (const std::string &line : SwdInputLines(*m_result, m_inputs)) cover.lines.push_back(line);
    for (const std::string &line : RunFigureLines(*m_result, m_options)) cover.lines.push_back(line);
    try {
        WriteFileAtomically(ToPath(path),
                            EvaluationPdfBytes(cover, {RunPageOf(*m_result, m_options, title)}));
    } catch (const FileError &e) {
        ShowError(m_window, QString::fromLocal8Bit(e.what()));
    }
}
