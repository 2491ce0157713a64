// The dialog that picks a program slot: the target of Copy To, Move To and Swap With, or the program
// of this set or of another set file that View > Overlay Program draws.
#pragma once

#include "romfiles/programset.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The line that names a program in a list: its number and its first line that is not blank (a
// comment, usually), or "(empty)" for the default program.
QString ProgramListEntry(int program, const ProgramText &text);

class TProgramSlotDlg : public QDialog {
    Q_OBJECT
public:
    explicit TProgramSlotDlg(QWidget *parent = nullptr);

    // A slot of this set other than `current`; the next one is offered first.
    void PrepareSlot(const QString &title, const QString &prompt, const ProgramSet &set, int current);
    // A program of this set (not `current`) or of a set file chosen in the dialog.
    void PrepareSource(const QString &title, const QString &prompt, const ProgramSet &set, int current);

    int Program() const;            // the chosen slot, -1 when none
    bool FromFile() const;          // the program comes from the set file
    QString SetFile() const;        // that file
    ProgramText ChosenText() const; // the chosen program's text, as listed
    // Reads a set file and lists its programs (FromFile() then); false, with a box, when it cannot.
    bool LoadSetFile(const QString &path);

    QLabel *PromptLabel;
    QRadioButton *ThisSetBtn, *FileBtn;
    QLineEdit *FileEdit;
    QPushButton *BrowseBtn;
    QComboBox *ProgramBox;
    QPushButton *OKBtn, *CancelBtn;

private slots:
    void BrowseBtnClick();
    void OKBtnClick();
    void FillPrograms();

private:
    void Prepare(const QString &title, const QString &prompt, const ProgramSet &set, int current,
                 bool withSource);

    ProgramSet m_set, m_fileSet;
    int m_current = -1;
    bool m_withSource = false;
    bool m_fileLoaded = false;
};
