// File > Overlay Measured Log, View > Overlay Program and Clear Overlay: traces laid over the shown
// program in the graph view, and the tracking figures of a measured log in the summary panel.
#include "app/OverlayCommands.h"

#include "app/BuildCommand.h"
#include "app/GraphView.h"
#include "app/ProgramBook.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "graph/ui/MeasuredResponse.h"
#include "measure/figures.h"
#include "measure/ui/Overlaylogdlg.h"
#include "romfiles/ui/Slotdlg.h"
#include "uikit/Forms.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

// The wait cursor while a long log is read or compared.
struct BusyCursor {
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

TOverlayCommands::TOverlayCommands(TProgramBook &programs, CompilerState &compiler, TGraphView &graph,
                                   TSummaryPanel &summary, std::function<void()> show, QWidget *window)
    : QObject(window), m_programs(programs), m_compiler(compiler), m_graph(graph), m_summary(summary),
      m_show(std::move(show)), m_window(window), m_logDialog(new TOverlayLogDlg(window)),
      m_programDialog(new TProgramSlotDlg(window)) {
    connect(&m_graph, &TGraphView::showingProgram, this, &TOverlayCommands::ShowingProgram);
    connect(&m_graph, &TGraphView::overlaysChanged, this, &TOverlayCommands::OverlaysChanged);
}

// Show runs first, so that the overlay lies over the program as the editor holds it now.
bool TOverlayCommands::ShowCurrent() {
    m_show();
    return m_compiler.ErrorCount == 0 && m_graph.Fittable() &&
           m_graph.ShownProgram() == m_programs.CurrentProgram();
}

void TOverlayCommands::OverlayLog() {
    if (!m_logDialog->LogFile().isEmpty()) m_logDialog->ReadColumns(m_logDialog->LogFile());
    if (RunModal(*m_logDialog) != QDialog::Accepted) return;
    m_logDialog->Remember();
    const QString path = m_logDialog->LogFile();
    KeptLog kept;
    kept.name = QFileInfo(path).fileName();
    kept.options = m_logDialog->Comparing();
    try {
        BusyCursor busy;
        kept.log = ReadLog(ToPath(path), m_logDialog->Options());
        kept.vehicle = VehicleResponseOfFile(ToPath(path), m_logDialog->Options());
    } catch (const FileError &e) {
        return ShowError(m_window, e);
    } catch (const ChannelError &e) { // the dialog picks the columns
        return ShowError(m_window, path + ": " + ErrorText(e) + ": choose its column in the dialog");
    } catch (const FormatError &e) {
        return ShowError(m_window, path + ": " + ErrorText(e));
    }
    // The log of an earlier overlay goes before the Show, which would compare it again.
    m_graph.RemoveOverlays(GraphOverlay::Kind::Measured);
    m_log.reset();
    if (!ShowCurrent()) return;
    kept.program = m_graph.ShownProgram();
    const QString name = kept.name;
    m_log = std::move(kept);
    if (const QString failure = CompareKeptLog(m_compiler); !failure.isEmpty())
        ShowError(m_window, name + ": " + failure);
}

// Compares the kept log with the program just shown. When that fails, the log leaves the graph and
// the reason is returned; nothing when it is drawn.
QString TOverlayCommands::CompareKeptLog(const CompilerState &state) {
    try {
        BusyCursor busy;
        const CommandedProgram program = CommandedFrom(state);
        // A burst the reader took for a dropout that is a pulse of this program is put back (a copy).
        const std::vector<CommandedPulse> pulses = CommandedPulses(program.time, program.steer);
        std::optional<MeasuredLog> withPulses;
        if (!pulses.empty() && !m_log->log.dropouts.empty()) {
            withPulses = m_log->log;
            KeepCommandedPulses(*withPulses, pulses);
        }
        const MeasuredLog &log = withPulses ? *withPulses : m_log->log;
        Comparison comparison = CompareLog(program, log, m_log->options);
        GraphOverlay overlay{GraphOverlay::Kind::Measured,
                             {{},
                              OverlayColours::Blue,
                              (comparison.alignment.mirrored ? "measured, mirrored: " : "measured: ") +
                                  Latin1Line(m_log->name)}};
        for (const auto &[time, steer] : MeasuredTrace(log, comparison.alignment))
            overlay.trace.points.push_back(PointD(time, steer));
        // The text of quillard-cli compare with its figures first, aligned with the program summary's.
        const ComparisonText text = DescribeComparison(comparison, log, Latin1Line(m_log->name), 16);
        QStringList figures;
        for (const auto *part : {&text.figures, &text.warnings, &text.source, &text.response})
            for (const std::string &line : *part) figures << FromLatin1(line);
        m_compared = std::move(comparison);
        std::optional<ResponseCurve> curve = ResponseCurveOf(*m_compared);
        if (curve) curve->vehicle = m_log->vehicle;
        m_graph.SetResponse(std::move(curve));
        m_graph.SetOverlay(std::move(overlay));
        m_summary.SetMeasuredFigures(figures);
        return {};
    } catch (const FormatError &e) {
        m_graph.RemoveOverlays(GraphOverlay::Kind::Measured);
        m_log.reset();
        m_compared.reset();
        m_graph.SetResponse({});
        m_summary.SetMeasuredFigures({});
        return ErrorText(e);
    }
}

void TOverlayCommands::ShowingProgram(int program, const CompilerState &state, bool live) {
    if (!m_log) return;
    if (program != m_log->program) return m_graph.RemoveOverlays(GraphOverlay::Kind::Measured);
    const QString name = m_log->name;
    const QString failure = CompareKeptLog(state);
    if (failure.isEmpty()) return;
    const QString text = name + " was taken off the graph: " + failure;
    if (live)
        emit liveLogDropped(text);
    else
        ShowError(m_window, text);
}

void TOverlayCommands::OverlaysChanged() {
    const auto &overlays = m_graph.Overlays();
    if (std::any_of(overlays.begin(), overlays.end(),
                    [](const GraphOverlay &o) { return o.kind == GraphOverlay::Kind::Measured; }))
        return;
    m_log.reset();
    m_compared.reset();
    m_graph.SetResponse({});
    m_summary.SetMeasuredFigures({});
}

void TOverlayCommands::OverlayProgram() {
    const int current = m_programs.CurrentProgram();
    m_programDialog->PrepareSource("Overlay Program",
                                   QString("The program to draw over program #%1:").arg(current),
                                   m_programs.Texts(), current);
    if (RunModal(*m_programDialog) != QDialog::Accepted) return;
    const int program = m_programDialog->Program();
    const QString source =
        m_programDialog->FromFile() ? QFileInfo(m_programDialog->SetFile()).fileName() : QString();
    const std::string label =
        "program " + std::to_string(program) + (source.isEmpty() ? "" : " of " + Latin1Line(source));
    // Compiled on its own, so the window's state keeps the shown program; notices would only repeat
    // what its own Show says.
    auto other = std::make_unique<CompilerState>();
    if (!CompileProgram(*other, m_programDialog->ChosenText(), WindowCompileOptions(NoticeHandler()))) {
        QString text = QString("Program #%1%2 does not compile, so it cannot be drawn:")
                           .arg(program)
                           .arg(source.isEmpty() ? QString() : " of " + source);
        for (const std::string &line : other->messageLines) text += '\n' + FromLatin1(line);
        return ShowError(m_window, text);
    }
    if (!ShowCurrent()) return;
    const auto &overlays = m_graph.Overlays();
    std::size_t programs = 0;
    Color colour = ProgramOverlayColour(0);
    bool replacing = false;
    for (const GraphOverlay &o : overlays) {
        if (o.kind != GraphOverlay::Kind::Program) continue;
        if (o.trace.label == label) {
            colour = o.trace.colour; // the same program again keeps its colour
            replacing = true;
        }
        ++programs;
    }
    if (!replacing) colour = ProgramOverlayColour(programs);
    m_graph.SetOverlay({GraphOverlay::Kind::Program, {ProgramTracePoints(other->steps), colour, label}});
}

void TOverlayCommands::ClearOverlay() {
    m_graph.ClearOverlays();
    m_programs.CurrentEditor()->setFocus();
}
