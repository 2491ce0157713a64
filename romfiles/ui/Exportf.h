// The Export dialog and the Export command's flow: the output file, its kind, and the writing.
#pragma once

#include "compiler/state.h"
#include "romfiles/programset.h"

#include <QDialog>
#include <QString>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;

enum class ExportFileType { Text = 0, TimeValue = 1 };

class TExportDlg : public QDialog {
    Q_OBJECT
public:
    explicit TExportDlg(QWidget *parent = nullptr);

    // The folder a typed name is taken relative to; Browse moves it to the chosen file's folder. Set at
    // every showing: a file chosen with Browse at an earlier one counts as typed.
    void SetFolder(const QString &folder) {
        m_folder = folder;
        m_browsed.clear();
    }
    QString Folder() const { return m_folder; }

    ExportFileType FileType() const;
    QString FileName() const;     // the box as typed
    QString ResolvedPath() const; // the box relative to Folder(); empty when the box is empty
    // Whether the path is the one last chosen with Browse, whose file dialog asked about replacing it.
    bool ChosenWithBrowse(const QString &path) const;

    // Controls (names of the form).
    QLineEdit *EBOutfile;
    QPushButton *Button1;
    QGroupBox *FileTypeGroup;
    QPushButton *OKBtn, *CancelBtn, *HelpBtn;

public slots:
    void Button1Click();

private:
    QButtonGroup *m_types;
    QString m_folder;
    QString m_browsed; // the file last chosen with Browse
};

struct ExportOutcome {
    QString textDir;            // the dialog's folder afterwards: the new text-file directory
    bool written = false;       // a file was written
    bool compileFailed = false; // a time-and-value export stopped at compile errors; nothing written
};

// The Export command: shows the dialog in the text-file directory and, when it closes with OK and a
// file name, writes the program as text or compiles it and writes its time-and-value file. An existing
// file is replaced only when the user says so (No shows the dialog again), a name of blanks is refused
// and the dialog shown again, and an empty name says that nothing was written. A write failure is shown
// in an error box. Compile errors show nothing here; the messages are in the state for the caller to
// show.
ExportOutcome RunExport(QWidget *parent, TExportDlg &dialog, CompilerState &state, const QString &textDir,
                        const ProgramText &program, const CompileOptions &options);
