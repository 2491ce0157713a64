// File > Evaluate Run and Write Evaluation Report over the shown program.
#include "app/EvaluateCommands.h"

#include "app/GraphView.h"
#include "app/ProgramBook.h"
#include "app/ProgramText.h"
#include "app/SummaryPanel.h"
#include "compiler/format.h"
#include "compiler/ui/Highlighter.h"
#include "files/fileio.h"
#include "graph/overlay.h"
#include "graph/ui/EvaluationReport.h"
#include "measure/ui/Evaluaterundlg.h"
#include "romfiles/campaign.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QFileInfo>

#include <cmath>

namespace {

constexpr Color MarkColour{120, 120, 120};

OverlayTrace Scaled(const std::vector<double> &time, const std::vector<double> &values, double scale,
                    Color colour, const std::string &label) {
    OverlayTrace trace{{}, colour, label};
    for (std::size_t i = 0; i < time.size(); ++i) trace.points.push_back(PointD(time[i], values[i] * scale));
    return trace;
}

OverlayTrace Mark(double t, double height, const std::string &label) {
    return {{PointD(t, -height), PointD(t, height)}, MarkColour, label};
}

std::string ScaleText(double scale) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", scale);
    return text;
}

} // namespace

double OverlayScale(double peakValue, double peakSteer) {
    if (!(peakValue > 0) || !(peakSteer > 0)) return 1;
    const double wanted = 0.8 * peakSteer / peakValue;
    const double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= wanted) return step * power;
    return power;
}

TEvaluateCommands::TEvaluateCommands(TProgramBook &programs, CompilerState &compiler, TGraphView &graph,
                                     TSummaryPanel &summary, std::function<void()> show, QWidget *window)
    : QObject(window), m_programs(programs), m_compiler(compiler), m_graph(graph), m_summary(summary),
      m_show(std::move(show)), m_window(window), m_dialog(new TEvaluateRunDlg(window)) {}

void TEvaluateCommands::EvaluateRun() {
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
    if (m_compiler.ErrorCount != 0 || !m_graph.Fittable() ||
        m_graph.ShownProgram() != m_programs.CurrentProgram())
        return;
    // The commanded amplitude is the program's peak steer; A is the dialog's, else the program's note.
    double peakSteer = 0;
    for (int i = 0; i <= m_compiler.endIndex; ++i)
        peakSteer = std::max(peakSteer, std::fabs(double(m_compiler.steps[i].steer)));
    SwdOptions options;
    options.commandedAmplitude = peakSteer;
    options.gvwr = m_dialog->Gvwr();
    const int program = m_programs.CurrentProgram();
    try {
        options.amplitudeA =
            m_dialog->AmplitudeA() > 0
                ? m_dialog->AmplitudeA()
                : AmplitudeAFromNote(FirstComment(ProgramLines(*m_programs.Editor(program)))).value_or(0);
    } catch (const FormatError &e) {
        return ShowError(m_window, QString("Program %1: ").arg(program) + FromLatin1(e.what()));
    }
    m_result = EvaluateSineWithDwell(log, options);
    if (!m_result->processed) { // the log gives no figures: why, and nothing drawn
        const std::string reason = m_result->reason;
        m_result.reset();
        emit evaluatedChanged(false);
        return ShowError(m_window, path + ": " + FromLatin1(reason));
    }
    m_log = std::move(log);
    m_title = QString("Program %1, log %2").arg(program).arg(QFileInfo(path).fileName());
    DrawRun(m_log, peakSteer);
    emit evaluatedChanged(true);
}

// The yaw rate and the lateral acceleration, each on its own scale over the steer axis, and the marks.
void TEvaluateCommands::DrawRun(const VehicleLog &log, double peakSteer) {
    const SwdResult &r = *m_result;
    const SwdTraces &t = r.traces;
    double peakYaw = 0, peakAy = 0;
    for (double v : t.yawRate) peakYaw = std::max(peakYaw, std::fabs(v));
    for (double v : t.lateralAcceleration) peakAy = std::max(peakAy, std::fabs(v));
    const double yawScale = OverlayScale(peakYaw, peakSteer), ayScale = OverlayScale(peakAy, peakSteer);
    m_graph.SetOverlay(
        {GraphOverlay::Kind::Program, Scaled(t.time, t.yawRate, yawScale, OverlayColours::Magenta,
                                             "yaw rate, deg/s x " + ScaleText(yawScale))});
    m_graph.SetOverlay(
        {GraphOverlay::Kind::Program, Scaled(t.time, t.lateralAcceleration, ayScale, OverlayColours::Green,
                                             "lateral acceleration, g x " + ScaleText(ayScale))});
    const double height = 1.05 * peakSteer;
    m_graph.SetOverlay({GraphOverlay::Kind::Program, Mark(r.bos, height, "BOS " + Fixed(r.bos, 3) + " s")});
    m_graph.SetOverlay({GraphOverlay::Kind::Program, Mark(r.cos, height, "COS " + Fixed(r.cos, 3) + " s")});
    m_graph.SetOverlay(
        {GraphOverlay::Kind::Program, Mark(r.cos + SwdCriteria::RatioCheck1, height, "COS + 1.000 s")});
    m_graph.SetOverlay(
        {GraphOverlay::Kind::Program, Mark(r.cos + SwdCriteria::RatioCheck2, height, "COS + 1.750 s")});
    QStringList figures{QString("Run %1: %2").arg(RunStateTitle(r.state), m_title)};
    for (const std::string &line : RunFigureLines(r)) figures << FromLatin1(line);
    if (!log.dropouts.empty()) figures << FromLatin1("Dropouts replaced: " + DropoutText(log.dropouts));
    m_summary.SetMeasuredFigures(figures);
}

void TEvaluateCommands::WriteReport() {
    if (!m_result) return;
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
    CoverReportPage cover;
    cover.title = std::string("Sine-with-dwell run: ") + RunStateTitle(m_result->state);
    cover.lines = {title, m_result->amplitudeFromProgram
                              ? "Amplitude " + Fixed(m_result->amplitude, 2) + " deg"
                              : "Amplitude measured"};
    for (const std::string &line : RunFigureLines(*m_result)) cover.lines.push_back(line);
    try {
        WriteFileAtomically(ToPath(path), EvaluationPdfBytes(cover, {RunPageOf(*m_result, m_log, title)}));
    } catch (const FileError &e) {
        ShowError(m_window, QString::fromLocal8Bit(e.what()));
    }
}
