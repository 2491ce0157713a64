// File > Evaluate Run and Write Evaluation Report: a sine-with-dwell or a slowly increasing steer run
// evaluated over the shown program, its graph (the channels on strips of their own over the log's time,
// the marks and limits of its procedure) instead of the program's, its figures at the head of the summary
// panel, and the report of a sine-with-dwell run as PDF; or a handling evaluation (step steer, single
// sine, frequency response, understeer gradient, fishhook and J-turn), its steps and figures in the
// summary and its report page as PDF.
#pragma once

#include "compiler/state.h"
#include "graph/ui/EvaluatedRun.h"
#include "measure/campaign.h"
#include "measure/handling.h"
#include "measure/sis.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TEvaluateRunDlg;
class TGraphView;
class TProgramBook;
class TSummaryPanel;

class TEvaluateCommands : public QObject {
    Q_OBJECT
public:
    // show: the window's Show of the current program, which compiles it into the state.
    TEvaluateCommands(TProgramBook &programs, CompilerState &compiler, TGraphView &graph,
                      TSummaryPanel &summary, std::function<void()> show, QWidget *window);

    TEvaluateRunDlg *Dialog() const { return m_dialog; }
    // The last run evaluated, while there is one: a sine with dwell, or a slowly increasing steer.
    const std::optional<SwdResult> &Evaluated() const { return m_result; }
    const std::optional<SisResult> &EvaluatedSis() const { return m_sis; }
    const std::optional<HandlingResult> &EvaluatedHandling() const { return m_handling; }
    // What the sine-with-dwell run was judged with: A and its source, the GVWR.
    const SwdInputs &Inputs() const { return m_inputs; }

    // Asks for the log and the evaluation (the program's template chooses it first), shows the current
    // program, evaluates the run and shows its graph.
    void EvaluateRun();
    // Writes the report of the sine-with-dwell or handling run evaluated to a PDF file the user chooses.
    void WriteReport();

signals:
    // A sine-with-dwell or handling run's report can be written, or no longer.
    void evaluatedChanged(bool evaluated);

private:
    std::string EvaluateSwd(const VehicleLog &log, int program, const std::vector<TPointD> &trace);
    std::string EvaluateSis(const VehicleLog &log, int program, const std::vector<TPointD> &trace);
    std::string EvaluateHandlingRun(HandlingKind kind, const VehicleLog &log);
    QStringList DropoutLines(const VehicleLog &log) const;

    TProgramBook &m_programs;
    CompilerState &m_compiler;
    TGraphView &m_graph;
    TSummaryPanel &m_summary;
    std::function<void()> m_show;
    QWidget *m_window;
    TEvaluateRunDlg *m_dialog;
    std::optional<SwdResult> m_result;
    std::optional<SisResult> m_sis;
    std::optional<HandlingResult> m_handling;
    SwdInputs m_inputs;
    SwdOptions m_options; // the settings m_result was processed with
    VehicleLog m_log;
    QString m_title; // the run: program and log
};
