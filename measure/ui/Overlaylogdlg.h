// The Overlay Measured Log dialog: a data logger's file, its time, steer and mark columns and their
// units, remembered from one use to the next.
#pragma once

#include "measure/compare.h"
#include "measure/logfile.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TOverlayLogDlg : public QDialog {
    Q_OBJECT
public:
    explicit TOverlayLogDlg(QWidget *parent = nullptr);

    // The chosen file, the columns and units as ReadLog takes them, and the mark's flag.
    QString LogFile() const;
    LogOptions Options() const;
    CompareOptions Comparing() const;
    // Keeps the choices in the preferences file, for the next use and the next run.
    void Remember() const;
    // Fills the column lists from the header of a log file (Browse does, and the command before the
    // dialog shows); false when it has none that can be read.
    bool ReadColumns(const QString &path);

    QLineEdit *FileEdit;
    QPushButton *BrowseBtn;
    QComboBox *TimeColumnBox, *TimeUnitBox, *SteerColumnBox, *AngleUnitBox, *MarkColumnBox, *MarkFlagBox;
    QLabel *ColumnsLabel; // what the header holds, or why it could not be read
    QPushButton *OKBtn, *CancelBtn;

private slots:
    void BrowseBtnClick();
    void OKBtnClick();
    void UpdateMarkFlag();

private:
    void Recall();
};
