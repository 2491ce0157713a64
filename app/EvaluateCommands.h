// File > Evaluate Run and Write Evaluation Report: a sine-with-dwell run's yaw rate and lateral
// acceleration over the shown program, BOS, COS and the check times marked, its figures and verdicts
// at the head of the summary panel, and its report as PDF.
#pragma once

#include "compiler/state.h"
#include "measure/evaluate.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TEvaluateRunDlg;
class TGraphView;
class TProgramBook;
class TSummaryPanel;

// A trace's scale on the steer axis: a round factor that brings its largest value to about four fifths
// of the program's largest steer (1, 2 or 5 times a power of ten).
double OverlayScale(double peakValue, double peakSteer);

class TEvaluateCommands : public QObject {
    Q_OBJECT
public:
    // show: the window's Show of the current program, which compiles it into the state.
    TEvaluateCommands(TProgramBook &programs, CompilerState &compiler, TGraphView &graph,
                      TSummaryPanel &summary, std::function<void()> show, QWidget *window);

    TEvaluateRunDlg *Dialog() const { return m_dialog; }
    // The last run evaluated, while there is one.
    const std::optional<SwdResult> &Evaluated() const { return m_result; }

    // Asks for the log, shows the current program, judges the run and lays it over the program.
    void EvaluateRun();
    // Writes the report of the run evaluated to a PDF file the user chooses.
    void WriteReport();

signals:
    void evaluatedChanged(bool evaluated);

private:
    void DrawRun(const VehicleLog &log, double peakSteer);

    TProgramBook &m_programs;
    CompilerState &m_compiler;
    TGraphView &m_graph;
    TSummaryPanel &m_summary;
    std::function<void()> m_show;
    QWidget *m_window;
    TEvaluateRunDlg *m_dialog;
    std::optional<SwdResult> m_result;
    VehicleLog m_log;
    QString m_title; // the run: program and log
};
