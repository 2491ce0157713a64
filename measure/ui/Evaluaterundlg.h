// The Evaluate Run dialog: a run's log, the evaluation it takes (as the program's template says, or
// chosen by hand), the columns it reads and what its verdict needs.
#pragma once

#include "measure/channels.h"
#include "measure/handling.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The evaluations the window offers: the ESC runs' and the handling evaluations.
enum class RunKind { SineWithDwell, SlowlyIncreasingSteer, Step, Sine, Response, Understeer, Rollover };

// The handling evaluation of the kind; none for the ESC runs.
std::optional<HandlingKind> HandlingKindOf(RunKind kind);
// The kind of an evaluation as EvaluationOfTemplate names it ("swd", "sis", "step", ...); none for "".
std::optional<RunKind> RunKindNamed(const std::string &evaluation);

class TEvaluateRunDlg : public QDialog {
    Q_OBJECT
public:
    explicit TEvaluateRunDlg(QWidget *parent = nullptr);

    // What the program says before the dialog opens: the evaluation its template takes (none when it
    // names none), and the A of its standard series note.
    void SetProgram(std::optional<RunKind> kind, std::optional<double> seriesA);

    QString LogFile() const;
    // The evaluation chosen: the program's unless another is chosen by hand; a sine with dwell when the
    // program names none.
    RunKind Kind() const;
    // The channels as ReadVehicleLog takes them: the yaw rate where the evaluation needs it, the roll
    // for a fishhook or a J-turn.
    VehicleLogOptions Options() const;
    // The steering ratio and wheelbase of an understeer gradient (0: not given).
    HandlingOptions Handling() const;
    double AmplitudeA() const; // deg; 0: from the program's note, else not known
    double Gvwr() const;       // kg; 0: not given
    double FitLow() const;     // g, of a slowly increasing steer's regression
    double FitHigh() const;    // g
    // Fills the column lists from the header of a log file.
    void ReadColumns(const QString &path);

    QLineEdit *FileEdit;
    QPushButton *BrowseBtn;
    QComboBox *KindBox, *YawColumnBox, *AyColumnBox, *AyUnitBox;
    QDoubleSpinBox *AEdit, *GvwrEdit, *FitLowEdit, *FitHighEdit, *RatioEdit, *WheelbaseEdit;
    QLabel *NoteLabel;
    QPushButton *OKBtn, *CancelBtn;

private slots:
    void BrowseBtnClick();
    void KindChanged();

private:
    std::optional<RunKind> m_programKind;
};
