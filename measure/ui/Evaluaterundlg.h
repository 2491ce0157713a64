// The Evaluate Run dialog: a sine-with-dwell run's log, its yaw rate and lateral acceleration columns,
// A and the gross vehicle weight rating.
#pragma once

#include "measure/channels.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;

class TEvaluateRunDlg : public QDialog {
    Q_OBJECT
public:
    explicit TEvaluateRunDlg(QWidget *parent = nullptr);

    QString LogFile() const;
    // The channels as ReadVehicleLog takes them.
    VehicleLogOptions Options() const;
    double AmplitudeA() const; // deg; 0: from the program's note, else not known
    double Gvwr() const;       // kg; 0: not given
    // Fills the column lists from the header of a log file.
    void ReadColumns(const QString &path);

    QLineEdit *FileEdit;
    QPushButton *BrowseBtn;
    QComboBox *YawColumnBox, *AyColumnBox, *AyUnitBox;
    QDoubleSpinBox *AEdit, *GvwrEdit;
    QPushButton *OKBtn, *CancelBtn;

private slots:
    void BrowseBtnClick();
};
