// Live Show: the graph, the summary and the step read-out follow the current program as it is typed.
#pragma once

#include "compiler/state.h"
#include "romfiles/programset.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QLabel;
class QTimer;
class QWidget;
class TGraphView;
class TProgramBook;
class TSummaryPanel;

// What the strip under the graph says about the compile of the program on the graph.
struct LiveReport {
    enum Level { Good, Warned, Failed } level = Good;
    // "Program #3: " and the first error, else notice, else ignored text, else warning, else the
    // program's duration ("compiled, duration 24.000 s to END").
    QString text;
    QString details; // the notices, the ignored text and every line of the Messages text
};
// ignored: the lines of the statement text the compiler reads as nothing (IgnoredTextLine).
LiveReport LiveReportOf(int program, const CompilerState &state, const QStringList &notices,
                        const QStringList &ignored = {});

// While it is on, every edit of the current program and every change of tab restarts a short timer;
// when typing pauses that long, the current program is compiled into a state of Live Show's own (never
// the one Show, Build and the exports use) and drawn, and the summary follows. It opens no box: the
// messages and notices go to a strip under the graph, and while the text has errors the last good
// graph and figures stay, greyed.
class TLiveShow : public QObject {
    Q_OBJECT
public:
    static constexpr int PauseMs = 150;    // the pause in typing that starts a compile
    static constexpr int StripHeight = 16; // pixels

    // The strip is made in the client area of the window; the window places it.
    TLiveShow(TProgramBook &programs, TGraphView &graph, TSummaryPanel &summary, QWidget *client);

    bool IsOn() const { return m_on; }
    // Switched on, it compiles at once; switched off, the strip hides and the graph stays as it is.
    void SetOn(bool on);
    // Drops a compile that waits for the pause to end (Show draws the program itself).
    void Cancel();
    // While a command that goes through the tabs runs (Build), nothing starts a compile; afterwards
    // the current program is compiled after the pause.
    void Suspend(bool suspended);

    // The strip describes the compile of the program just drawn (or greyed), whoever compiled it:
    // Live Show itself, or Show.
    void Describe(int program, const CompilerState &state, const QStringList &notices,
                  const ProgramText &lines);

    QLabel *Strip() const { return m_strip; }
    QTimer *Timer() const { return m_timer; }
    const CompilerState &State() const { return m_state; }
    int Compiles() const { return m_compiles; } // live compiles run so far

public slots:
    // Compiles and draws the current program now.
    void CompileNow();
    // What the drawing of the compile changed beside the graph (a measured log taken off): said on
    // the strip with the compile's notices.
    void AddNote(const QString &text);

private:
    void Restart();
    void ShowReport(const LiveReport &report);

    TProgramBook &m_programs;
    TGraphView &m_graph;
    TSummaryPanel &m_summary;
    CompilerState m_state;
    QStringList m_notices; // of the compile running, and of its drawing
    QTimer *m_timer;
    QLabel *m_strip;
    bool m_on = false;
    bool m_suspended = false;
    int m_compiles = 0;
};
