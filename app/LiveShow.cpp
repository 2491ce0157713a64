// Live Show: the graph, the summary and the step read-out follow the current program as it is typed.
#include "app/LiveShow.h"

#include "app/BuildCommand.h"
#include "app/GraphView.h"
#include "app/ProgramBook.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "compiler/messages.h"

#include <QLabel>
#include <QTabBar>
#include <QTimer>

LiveReport LiveReportOf(int program, const CompilerState &state, const QStringList &notices) {
    QStringList errors, warnings, information;
    for (const CompileMessage &message : state.messages) {
        const QString line = FromLatin1(MessageLine(message));
        if (SeverityOf(message.code) == Severity::Error)
            errors << line;
        else if (SeverityOf(message.code) == Severity::Warning)
            warnings << line;
        else
            information << line;
    }
    QStringList lines = errors + notices + warnings;
    LiveReport report;
    report.level = !errors.isEmpty() ? LiveReport::Failed
                   : lines.isEmpty() ? LiveReport::Good
                                     : LiveReport::Warned;
    if (lines.isEmpty()) lines = information;
    report.text = QString("Program #%1: %2").arg(program).arg(lines.value(0));
    if (lines.size() > 1) report.text += QString("  (and %1 more)").arg(lines.size() - 1);
    QStringList details = notices;
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
    const bool good = CompileProgram(m_state, ProgramLines(*m_programs.CurrentEditor()), options);
    if (good) {
        m_graph.ShowLive(program, m_state);
        m_summary.ShowSummary(program, m_state);
    } else {
        m_graph.SetGreyed(true);
        m_summary.ShowErrors(program);
    }
    MarkMessageLines(*m_programs.CurrentEditor(), m_state);
    ShowReport(LiveReportOf(program, m_state, m_notices));
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
