// The Preferences dialog that loads the settings of the run at start, and edits and stores them.
#pragma once

#include "uikit/Settings.h"

#include <QDialog>

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
