// The settings of this run and the Preferences dialog that loads, edits and stores them.
#pragma once

#include <QDialog>
#include <QString>
#include <QVariant>

#include <string>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFileSystemModel;
class QGroupBox;
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
    // Kept in the preferences file, not in the defaults file (whose seven lines stay as they are).
    bool steerRateCheck = false;  // Show and Build report a steer rate above the limit
    double steerRateLimit = 1000; // deg/s
};
AppSettings &Settings(); // the one instance

// The steer-rate limit a compile of Show or Build checks: the limit when the check is on, else 0.
float SteerRateLimit(const AppSettings &settings);

// The settings file (QSettings, INI format) of what the defaults file does not hold: the steer-rate
// check, the window's view and build options. Empty, the start value, keeps them in memory only; the
// program's main entry names a file under the user's config folder.
void SetPreferencesFile(const QString &path);
QString PreferencesFile();
// A value of the preferences file (the default when the file is not set or lacks the key), and
// storing one (nothing happens without a file).
QVariant PreferenceValue(const QString &key, const QVariant &defaultValue);
void SetPreferenceValue(const QString &key, const QVariant &value);

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
    QCheckBox *SteerRateCheck;         // "Check steer rate"
    QDoubleSpinBox *SteerRateLimitBox; // deg/s
    QPushButton *OKBtn, *CancelBtn;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void OKBtnClick();
    void DirectoryListBoxChange();
    void DriveComboBoxChange();

private:
    QGroupBox *CreateDirectoryGroup();
    QGroupBox *CreateVersionGroup();
    QGroupBox *CreateChecksGroup();
    void SetTarget(QLineEdit *box);
    void MoveFolderList(const QString &path);
    std::string ExistingDirectory(const std::string &path);

    QLineEdit *m_target = nullptr;
    QFileSystemModel *m_folders = nullptr;
};
