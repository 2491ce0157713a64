// Verify Images: the EPROM image (and the aux image) read back from the programmer, chosen in a small
// dialog, and the comparison with the set shown in a report that can be copied.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The files to compare: the EPROM image read back, and optionally the aux image read back.
class TVerifyDlg : public QDialog {
    Q_OBJECT
public:
    explicit TVerifyDlg(QWidget *parent = nullptr);

    // The EPROM image offered (a build's own file, say); the aux field takes the aux file beside it when
    // there is one, else stays empty.
    void Offer(const QString &binPath);
    QString BinPath() const;
    QString AuxPath() const; // empty: the EPROM image alone is compared

    QLineEdit *BinEdit, *AuxEdit;
    QPushButton *BinBrowse, *AuxBrowse, *OKBtn, *CancelBtn;

private:
    void Browse(QLineEdit *edit, const QString &title, const QStringList &filters);
};

// The comparison's lines in a read-only memo, with Copy.
class TVerifyReportDlg : public QDialog {
    Q_OBJECT
public:
    explicit TVerifyReportDlg(QWidget *parent = nullptr);
    void SetLines(const QStringList &lines);
    QString ReportText() const;

    QPlainTextEdit *ReportMemo;
    QPushButton *CopyBtn, *CloseBtn;
};
