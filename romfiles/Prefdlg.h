// The settings of this run and the Preferences dialog that loads, edits and stores them.
#pragma once

#include <QDialog>

#include <string>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeView;
class TFirstRunDialog;

// The settings of this run. The directories start as "c:\" until the defaults file is read.
struct AppSettings {
    std::string programDir = "c:\\"; // program-set files (.rom)
    std::string textDir = "c:\\";    // text and time-and-value files
    std::string epromDir = "c:\\";   // EPROM files (.bin)
    bool corvan3Only = true;         // machine-version setting: true = Corvan 3 only
    std::string startupDir;          // the working directory at start; home of the defaults file
};
AppSettings &Settings(); // the one instance

class TPreferencesDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPreferencesDialog(QWidget *parent = nullptr);

    // Reads the defaults file of the start-up directory, or runs the first-run dialog and writes the
    // file; then asks about every default directory that does not exist. Runs once, at start-up.
    void LoadSettings(TFirstRunDialog &firstRun);

    QLineEdit *EBrom, *EBtxt, *EBbin;
    QComboBox *DriveComboBox;
    QTreeView *DirectoryListBox;
    QRadioButton *Corvan2Select, *Corvan3Select;
    QPushButton *OKBtn, *CancelBtn;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void OKBtnClick();
    void DirectoryListBoxChange();
    void DriveComboBoxChange();

private:
    void SetTarget(QLineEdit *box);
    void MoveFolderList(const QString &path);
    std::string ExistingDirectory(const std::string &path);

    QLineEdit *m_target = nullptr;
    QFileSystemModel *m_folders = nullptr;
};
