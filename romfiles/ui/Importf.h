// The Import dialog and the Import command's flow: which file, of which kind, and how it lands.
#pragma once

#include "romfiles/importers.h"
#include "romfiles/programset.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <string>

class QButtonGroup;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The folders the import works in, one per kind of file (the directories of the settings).
struct ImportDirectories {
    QString programDir; // .rom files
    QString textDir;    // text and time-and-value files
    QString epromDir;   // .bin files
};

// Everything an import needs from the dialog.
struct ImportRequest {
    ImportFileType type = ImportFileType::TimeValue;
    ImportOptions options;
    std::string path; // resolved against the dialog's folder, in the file system's encoding
};

// The file dialog's filter entries, in the order offered.
inline const QStringList ImportFilters{"Text Files (*.txt)", ".ROM Files (*.rom)", ".BIN Files (*.bin)",
                                       "All Files (*.*)"};

class TImportDlg : public QDialog {
    Q_OBJECT
public:
    explicit TImportDlg(QWidget *parent = nullptr);

    // Hands in the three folders; the folder of the selected type becomes the dialog's folder.
    void SetDirectories(const ImportDirectories &directories);
    // The folder a typed name is taken relative to: the selected type's folder, or the one Browse chose.
    QString Folder() const { return m_folder; }

    ImportFileType FileType() const;
    int Rate() const; // Hz
    int Program() const;
    int MaxSteer() const; // degrees
    ImportMode Mode() const;
    QString FileName() const;     // the box as typed
    QString ResolvedPath() const; // the box relative to Folder(); empty when the box is empty
    ImportOptions Options() const;
    ImportRequest Request() const;
    // The filter entry of the selected type (index into ImportFilters).
    int FilterIndex() const;

    // Controls (names of the form).
    QLineEdit *EBInfile;
    QPushButton *Button1;
    QGroupBox *FileTypeGroup, *RateGroup;
    QLabel *ProgLabel, *MaxStrLabel;
    QSpinBox *ProgSpin, *MaxStrSpin;
    QRadioButton *RBInsert, *RBReplace;
    QPushButton *OKBtn, *CancelBtn, *HelpBtn;

public slots:
    void Button1Click();
    void FileTypeGroupClick();
    void OKBtnClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QHBoxLayout *CreateFileRow();
    void ApplyFileType();

    QButtonGroup *m_types, *m_rates;
    ImportDirectories m_directories;
    QString m_folder;
};

// The Import command: shows the dialog in the given folders and, when it closes with OK and a file
// name, imports into the program (Replace makes it the imported lines; Insert puts them before
// cursorLine, counted from 1, and advances it). A failure is shown in an error box and leaves the
// program as it was. Returns true when the program was changed.
bool RunImport(QWidget *parent, TImportDlg &dialog, const ImportDirectories &directories,
               ProgramText &program, int &cursorLine);
