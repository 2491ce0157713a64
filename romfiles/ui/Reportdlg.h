// The image report after a Build: CRC-32s and the slot map of the files as written, with Intel HEX
// and S-record copies for the EPROM programmer.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TImageReportDlg : public QDialog {
    Q_OBJECT
public:
    explicit TImageReportDlg(QWidget *parent = nullptr);

    // Reads the EPROM and aux files back from disk and shows their report; false (with an error box)
    // when either cannot be read.
    bool SetImages(const QString &binPath);
    // Writes the copies the check boxes ask for, atomically, beside the files; false when a write
    // failed (reported in an error box). The names written are listed in CopiesLabel.
    bool WriteCopies();
    // The report's lines as shown.
    QString ReportText() const;
    // Files written by WriteCopies since SetImages, full paths.
    QStringList Written() const { return m_written; }

    QPlainTextEdit *ReportMemo;
    QCheckBox *HexCheck, *SrecCheck; // kept in the preferences: copies after every Build
    QLabel *CopiesLabel;
    QPushButton *CopyBtn, *WriteBtn, *VerifyBtn, *CloseBtn;

signals:
    // Verify: the images just built, once read back from the programmer, compared with the set.
    void verifyRequested(const QString &binPath);

public slots:
    void CopyBtnClick();
    void WriteBtnClick();

private:
    QString m_binPath;
    std::string m_bin, m_aux; // the bytes as read back
    QStringList m_written;
};
