// Build > Verify Images: the set rebuilt in memory and compared word by word with the images read back
// from the EPROM programmer, as quillard-cli verify does.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;
class TProgramBook;
class TVerifyDlg;
class TVerifyReportDlg;

class TVerifyCommand : public QObject {
    Q_OBJECT
public:
    TVerifyCommand(TProgramBook &programs, QWidget *window);

    TVerifyDlg *Dialog() const { return m_dialog; }
    TVerifyReportDlg *Report() const { return m_report; }

    // Asks for the images (the EPROM image offered, when given, with the aux file beside it), compares
    // and shows the report: identical, or for each program that differs how many words and the first
    // of them. Returns the report's lines (none when cancelled or a file could not be read).
    QStringList Run(const QString &setFileName, const QString &offeredBin = {});

private:
    TProgramBook &m_programs;
    QWidget *m_window;
    TVerifyDlg *m_dialog;
    TVerifyReportDlg *m_report;
};
