// Live Show: the graph, the summary and the step read-out follow the current program as it is typed.
#include "app/LiveShow.h"

#include "app/BuildCommand.h"
#include "app/GraphView.h"
#include "app/ProgramBook.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "compiler/format.h"
#include "compiler/ignored.h"
#include "compiler/messages.h"
#include "compiler/summary.h"

#include <QLabel>
#include <QTabBar>
#include <QTimer>

namespace {

// The program's duration as the summary computes it: to END or to REPEATPROGRAM.
QString DurationText(const CompilerState &state) {
    const ProgramSummary summary = SummarizeProgram(state);
    return QString("compiled, duration %1 s to %2")
        .arg(FromLatin1(Fixed(summary.duration, 3)))
        .arg(summary.repeats ? "REPEATPROGRAM" : "END");
}

} // namespace

LiveReport LiveReportOf(int program, const CompilerState &state, const QStringList &notices,
                        const QStringList &ignored) {
    QStringList errors, warnings;
    for (const CompileMessage &message : state.messages) {
        // Information ("Compiled OK") is for the Messages window; the line shows the duration instead.
        const Severity severity = SeverityOf(message.code);
        if (severity == Severity::Information) continue;
        (severity == Severity::Error ? errors : warnings) << FromLatin1(MessageLine(message));
    }
    QStringList lines = errors + notices + ignored + warnings;
    LiveReport report;
    report.level = !errors.isEmpty() ? LiveReport::Failed
                   : lines.isEmpty() ? LiveReport::Good
                                     : LiveReport::Warned;
    // The Messages window's "Compiled OK" line names the last step's time, not the program's duration.
    if (lines.isEmpty()) lines = QStringList{DurationText(state)};
    report.text = QString("Program #%1: %2").arg(program).arg(lines.value(0));
    if (lines.size() > 1) report.text += QString("  (and %1 more)").arg(lines.size() - 1);
    QStringList details = notices + ignored;
    for (const std::string &line : state.messageLines) details << FromLatin1(line);
    report.details = details.join('\n');
    return report;
}

TLiveShow::TLiveShow(TProgramBook &programs, TGraphView &graph, TSummaryPanel &summary, QWidget *client)
    : QObject(client), m_programs(programs), m_graph(graph), m_summary(summary) {
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(PauseMs);
    connect(m_timer, &QTimer::timeout, this, &TLiveShow::CompileNow);
    m_strip = new QLabel(client);
    m_strip->setObjectName("LiveStrip");
    m_strip->setFont(ArialFont(11));
    m_strip->setAutoFillBackground(true);
    m_strip->setContentsMargins(4, 0, 4, 0);
    m_strip->hide();
    connect(&programs, &TProgramBook::programEdited, this, [this](int program) {
        if (program == m_programs.CurrentProgram()) Restart();
    });
    connect(programs.Tabs(), &QTabBar::currentChanged, this, &TLiveShow::Restart);
}

void TLiveShow::SetOn(bool on) {
    m_on = on;
    m_summary.SetLive(on);
    m_strip->setVisible(on);
    if (on)
        CompileNow();
    else
        Cancel();
}

void TLiveShow::Cancel() { m_timer->stop(); }

void TLiveShow::Suspend(bool suspended) {
    m_suspended = suspended;
    if (suspended)
        Cancel();
    else
        Restart();
}

void TLiveShow::Restart() {
    if (m_on && !m_suspended) m_timer->start();
}

void TLiveShow::CompileNow() {
    m_timer->stop();
    if (!m_on) return;
    const int program = m_programs.CurrentProgram();
    m_notices.clear();
    const CompileOptions options =
        WindowCompileOptions([this](const std::string &text) { m_notices << FromLatin1(text); }, true);
    ++m_compiles;
    const ProgramText lines = ProgramLines(*m_programs.CurrentEditor());
    const bool good = CompileProgram(m_state, lines, options);
    if (good) {
        m_graph.ShowLive(program, m_state);
        m_summary.ShowSummary(program, m_state);
    } else {
        m_graph.SetGreyed(true,
                          QString("Program #%1 has errors: the graph is its last good text").arg(program));
        m_summary.ShowErrors(program);
    }
    MarkMessageLines(*m_programs.CurrentEditor(), m_state);
    Describe(program, m_state, m_notices, lines);
}

void TLiveShow::Describe(int program, const CompilerState &state, const QStringList &notices,
                         const ProgramText &lines) {
    QStringList ignored;
    for (const IgnoredText &text : FindIgnoredText(lines)) ignored << FromLatin1(IgnoredTextLine(text));
    ShowReport(LiveReportOf(program, state, notices, ignored));
}

void TLiveShow::AddNote(const QString &text) { m_notices << text; }

void TLiveShow::ShowReport(const LiveReport &report) {
    static const QColor backgrounds[] = {QColor(0xe8, 0xf4, 0xe8), QColor(0xff, 0xf4, 0xc8),
                                         QColor(0xff, 0xdc, 0xdc)};
    QPalette palette = m_strip->palette();
    palette.setColor(QPalette::Window, backgrounds[report.level]);
    palette.setColor(QPalette::WindowText, Qt::black);
    m_strip->setPalette(palette);
    m_strip->setText(report.text);
    m_strip->setToolTip(report.details);
}
