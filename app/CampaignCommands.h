// File > Evaluate Campaign: the dialog that judges a series' runs on their logs, a run of its table shown
// in the window as Evaluate Run shows one (its graph instead of the program's, its figures at the head of
// the summary), and the campaign's report written as PDF.
#pragma once

#include <QObject>
#include <QString>

class QWidget;
class TEvaluateCampaignDlg;
class TGraphView;
class TProgramBook;
class TSummaryPanel;

class TCampaignCommands : public QObject {
    Q_OBJECT
public:
    TCampaignCommands(TProgramBook &programs, TGraphView &graph, TSummaryPanel &summary, QWidget *window);

    TEvaluateCampaignDlg *Dialog() const { return m_dialog; }

    // Shows the dialog beside the window: a run opened from it is drawn in the window while it stays.
    void EvaluateCampaign();
    // Shows the run of the campaign judged (its index in the table) in the window.
    void OpenRun(int run);
    // Writes the report of the campaign judged to a PDF file the user chooses.
    void WriteReport();

private:
    TProgramBook &m_programs;
    TGraphView &m_graph;
    TSummaryPanel &m_summary;
    QWidget *m_window;
    TEvaluateCampaignDlg *m_dialog;
};
