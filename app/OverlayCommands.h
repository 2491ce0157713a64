// File > Overlay Measured Log, View > Overlay Program and Clear Overlay: traces laid over the shown
// program in the graph view, and the tracking figures of a measured log in the summary panel.
#pragma once

#include "graph/responsegraph.h"

#include "compiler/state.h"
#include "measure/compare.h"
#include "measure/logfile.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TGraphView;
class TOverlayLogDlg;
class TProgramBook;
class TProgramSlotDlg;
class TSummaryPanel;

class TOverlayCommands : public QObject {
    Q_OBJECT
public:
    // show: the window's Show of the current program, which compiles it into the state.
    TOverlayCommands(TProgramBook &programs, CompilerState &compiler, TGraphView &graph,
                     TSummaryPanel &summary, std::function<void()> show, QWidget *window);

    TOverlayLogDlg *LogDialog() const { return m_logDialog; }
    TProgramSlotDlg *ProgramDialog() const { return m_programDialog; }
    // The comparison of the measured log over the shown program, while there is one.
    const std::optional<Comparison> &Compared() const { return m_compared; }

    // Shows the current program and lays the chosen log over it, aligned, with its figures.
    void OverlayLog();
    // Shows the current program and lays another program of this set or of a set file over it.
    void OverlayProgram();
    // Takes every overlay off the graph and the figures out of the summary.
    void ClearOverlay();

signals:
    // A live compile's drawing took the measured log off the graph; the text says which and why.
    void liveLogDropped(const QString &text);

private slots:
    // A later Show, before it draws: the log is compared again with the program as it now is, or
    // leaves the graph when another program is shown. A comparison that fails takes the log off with
    // a box, or during Live Show (which opens none) with a note on its strip.
    void ShowingProgram(int program, const CompilerState &state, bool live);
    void OverlaysChanged();

private:
    bool ShowCurrent();
    QString CompareKeptLog(const CompilerState &state);

    struct KeptLog {
        MeasuredLog log;
        QString name; // the file's name, for the legend and the figures
        CompareOptions options;
        int program = 0; // the program it was laid over
        // The vehicle's responses per steer, where the log has a yaw rate and a lateral acceleration.
        std::vector<ResponseTrace> vehicle;
    };

    TProgramBook &m_programs;
    CompilerState &m_compiler;
    TGraphView &m_graph;
    TSummaryPanel &m_summary;
    std::function<void()> m_show;
    QWidget *m_window;
    TOverlayLogDlg *m_logDialog;
    TProgramSlotDlg *m_programDialog;
    std::optional<KeptLog> m_log;
    std::optional<Comparison> m_compared;
};
