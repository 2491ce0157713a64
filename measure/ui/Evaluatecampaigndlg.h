// The Evaluate Campaign dialog: a series' run list and its logs, how they pair, A, the GVWR, the
// regulation and the conditions the logs cannot show; the table of the runs judged, each with its state,
// direction, amplitude, figures and margins, coloured by its state, and the campaign's verdict; the test
// information on a page of its own.
#pragma once

#include "measure/ui/CampaignFiles.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;
class TCampaignInfoForm;

class TEvaluateCampaignDlg : public QDialog {
    Q_OBJECT
public:
    explicit TEvaluateCampaignDlg(QWidget *parent = nullptr);

    // The campaign as the fields name it, the test information included.
    CampaignFiles Files() const;
    QStringList Logs() const;
    // Judges the campaign the fields name and shows it; false (and a box saying why) when the files make
    // none.
    bool Evaluate();
    // The campaign last judged, while the table shows it.
    const std::optional<JudgedCampaign> &Judged() const { return m_judged; }
    // The run of the table's current row; -1 when none.
    int CurrentRun() const;
    // Keeps the fields in the preferences file, for the next use and the next run.
    void Remember() const;

    // The table's columns, in order.
    enum Column {
        RunColumn,
        LogColumn,
        StateColumn,
        DirectionColumn,
        AmplitudeColumn,
        SpeedColumn,
        Ratio1Column,
        Ratio2Column,
        DisplacementColumn,
        DropoutsColumn,
        WarningsColumn,
        ReasonColumn,
        ColumnCount
    };

    QTabWidget *Pages;
    QLineEdit *RunListEdit, *SisEdit, *VehicleEdit;
    QPushButton *RunListBtn, *SisBtn, *VehicleBtn;
    QListWidget *LogList;
    QPushButton *AddFilesBtn, *AddFolderBtn, *RemoveBtn;
    QComboBox *PairingBox, *RegulationBox;
    QDoubleSpinBox *AEdit, *GvwrEdit;
    QCheckBox *SpeedStatedBox;
    QPushButton *EvaluateBtn, *OpenRunBtn, *ReportBtn, *CloseBtn;
    QTableWidget *RunTable;
    QLabel *VerdictLabel;
    TCampaignInfoForm *InfoForm;

signals:
    // A run's graph and figures are asked for (its row double-clicked, or Open Run).
    void runOpened(int run);
    // Write Report was pressed with a campaign judged.
    void reportAsked();

private slots:
    void AddFilesBtnClick();
    void AddFolderBtnClick();
    void UpdateButtons();

private:
    void Recall();
    void ShowJudged();

    std::optional<JudgedCampaign> m_judged;
};
