// The Preferences dialog that loads the settings of the run at start, and edits and stores them.
#include "romfiles/ui/Prefdlg.h"

#include "romfiles/defaults.h"
#include "romfiles/fileio.h"
#include "romfiles/ui/FirstRun.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>

TPreferencesDialog::TPreferencesDialog(QWidget *parent) : QDialog(parent) {
    setObjectName("PreferencesDialog");
    setWindowTitle("Preferences");
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(CreateDirectoryGroup());
    layout->addWidget(CreateVersionGroup());
    layout->addWidget(CreateChecksGroup());

    const DialogButtons buttons = AddDialogButtons(this, layout);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    connect(OKBtn, &QPushButton::clicked, this, &TPreferencesDialog::OKBtnClick);
    connect(DirectoryListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TPreferencesDialog::DirectoryListBoxChange);
    connect(DriveComboBox, &QComboBox::activated, this, &TPreferencesDialog::DriveComboBoxChange);
    m_target = EBrom;
}

// The three folder boxes, and the drive and folder lists that fill the box last entered.
QGroupBox *TPreferencesDialog::CreateDirectoryGroup() {
    auto *dirGroup = new QGroupBox("Default Directories", this);
    dirGroup->setObjectName("DirGroup");
    auto *dirLayout = new QHBoxLayout(dirGroup);
    auto *boxes = new QFormLayout;
    EBrom = new QLineEdit(dirGroup);
    EBtxt = new QLineEdit(dirGroup);
    EBbin = new QLineEdit(dirGroup);
    EBrom->setObjectName("EBrom");
    EBtxt->setObjectName("EBtxt");
    EBbin->setObjectName("EBbin");
    boxes->addRow("Program files (*.rom):", EBrom);
    boxes->addRow("Text files (*.txt):", EBtxt);
    boxes->addRow("EPROM files (*.bin):", EBbin);
    for (QLineEdit *box : {EBrom, EBtxt, EBbin}) {
        box->setMinimumWidth(260);
        box->installEventFilter(this);
    }
    dirLayout->addLayout(boxes, 1);

    auto *chooser = new QVBoxLayout;
    DriveComboBox = new QComboBox(dirGroup);
    DriveComboBox->setObjectName("DriveComboBox");
    for (const QFileInfo &drive : QDir::drives()) DriveComboBox->addItem(drive.absoluteFilePath());
    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setRootPath("");
    DirectoryListBox = new QTreeView(dirGroup);
    DirectoryListBox->setObjectName("DirectoryListBox");
    DirectoryListBox->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column) DirectoryListBox->hideColumn(column);
    DirectoryListBox->header()->hide();
    DirectoryListBox->setMinimumSize(220, 160);
    chooser->addWidget(DriveComboBox);
    chooser->addWidget(DirectoryListBox);
    dirLayout->addLayout(chooser);
    return dirGroup;
}

QGroupBox *TPreferencesDialog::CreateVersionGroup() {
    auto *versionGroup = new QGroupBox("Corvan Machine Version Compatibility", this);
    versionGroup->setObjectName("CorvanVerGroup");
    auto *versionLayout = new QVBoxLayout(versionGroup);
    Corvan2Select =
        AddChoice(versionLayout, versionGroup, "Corvan2Select", "Corvan 1, 2, and 3 compatible",
                  {"* AuxROM required for Roll rate feedback.", "* For Corvan 3, Compatibility switch on ",
                   "  Program Module must be set properly."});
    Corvan3Select = AddChoice(versionLayout, versionGroup, "Corvan3Select", "Corvan 3 compatible only",
                              {"* AuxROM not required for Roll rate feedback.",
                               "* Compatibility switch on Program Module", "  must be set properly."});
    Corvan3Select->setChecked(Settings().corvan3Only);
    Corvan2Select->setChecked(!Settings().corvan3Only);
    return versionGroup;
}

QGroupBox *TPreferencesDialog::CreateChecksGroup() {
    auto *checksGroup = new QGroupBox("Program Checks", this);
    checksGroup->setObjectName("ChecksGroup");
    auto *checksLayout = new QHBoxLayout(checksGroup);
    SteerRateCheck = new QCheckBox("Check steer rate", checksGroup);
    SteerRateCheck->setObjectName("SteerRateCheck");
    SteerRateCheck->setToolTip(
        "Show and Build give a notice at the first step whose steer rate exceeds the limit");
    SteerRateLimitBox = new QDoubleSpinBox(checksGroup);
    SteerRateLimitBox->setObjectName("SteerRateLimit");
    SteerRateLimitBox->setRange(LowestSteerRateLimit, HighestSteerRateLimit);
    SteerRateLimitBox->setDecimals(1);
    SteerRateLimitBox->setSingleStep(50);
    SteerRateLimitBox->setSuffix(" deg/s");
    SteerRateLimitBox->setToolTip("The fastest steer rate the machine follows, degrees per second");
    auto *limitLabel = new QLabel("Limit:", checksGroup);
    limitLabel->setBuddy(SteerRateLimitBox);
    checksLayout->addWidget(SteerRateCheck);
    checksLayout->addStretch();
    checksLayout->addWidget(limitLabel);
    checksLayout->addWidget(SteerRateLimitBox);
    connect(SteerRateCheck, &QCheckBox::toggled, SteerRateLimitBox, &QWidget::setEnabled);
    SteerRateCheck->setChecked(Settings().steerRateCheck);
    SteerRateLimitBox->setValue(Settings().steerRateLimit);
    SteerRateLimitBox->setEnabled(Settings().steerRateCheck);
    return checksGroup;
}

void TPreferencesDialog::LoadSettings(TFirstRunDialog &firstRun) {
    AppSettings &settings = Settings();
    const std::string &startup = settings.startupDir;
    if (DefaultsFileExists(startup)) {
        try {
            const Defaults defaults = ReadDefaults(startup);
            settings.programDir = defaults.programDir;
            settings.textDir = defaults.textDir;
            settings.epromDir = defaults.epromDir;
            settings.corvan3Only = defaults.corvan3Only;
        } catch (const std::exception &e) {
            ShowError(parentWidget(), e);
            // An unreadable file leaves no directory to offer: the start-up directory serves.
            settings.programDir = settings.textDir = settings.epromDir = startup;
        }
    } else {
        RunModal(firstRun);
        settings.corvan3Only = firstRun.Corvan3Only();
        settings.programDir = settings.textDir = settings.epromDir = startup;
        try {
            WriteDefaults(startup,
                          {settings.programDir, settings.textDir, settings.epromDir, settings.corvan3Only});
        } catch (const std::exception &e) {
            ShowError(parentWidget(), e);
        }
    }
    Corvan3Select->setChecked(settings.corvan3Only);
    Corvan2Select->setChecked(!settings.corvan3Only);

    ReadSteerRateCheck(settings);
    SteerRateCheck->setChecked(settings.steerRateCheck);
    SteerRateLimitBox->setValue(settings.steerRateLimit);

    settings.programDir = ExistingDirectory(settings.programDir);
    settings.textDir = ExistingDirectory(settings.textDir);
    settings.epromDir = ExistingDirectory(settings.epromDir);
    EBrom->setText(FromPath(settings.programDir));
    EBtxt->setText(FromPath(settings.textDir));
    EBbin->setText(FromPath(settings.epromDir));
}

// The directory itself, created on Yes, or, on No, cut back to its nearest existing ancestor.
std::string TPreferencesDialog::ExistingDirectory(const std::string &path) {
    if (DirectoryExists(path)) return path;
    const auto answer =
        ShowBox(parentWidget(), {BoxIcon::Warning,
                                 {},
                                 "Directory " + FromPath(path) + " does not exist. Create it?",
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes});
    if (answer == QMessageBox::Yes) {
        try {
            CreateDirectoryPath(path);
            return path;
        } catch (const std::exception &e) {
            ShowError(parentWidget(), e);
        }
    }
    return CutToExistingAncestor(path, Settings().startupDir);
}

void TPreferencesDialog::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    SetTarget(EBrom);
}

bool TPreferencesDialog::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched)) {
            SetTarget(box);
            MoveFolderList(box->text());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPreferencesDialog::SetTarget(QLineEdit *box) { m_target = box; }

void TPreferencesDialog::MoveFolderList(const QString &path) {
    const QModelIndex index = m_folders->index(path);
    if (!index.isValid()) return;
    QSignalBlocker block(DirectoryListBox->selectionModel());
    DirectoryListBox->setCurrentIndex(index);
    DirectoryListBox->scrollTo(index);
}

void TPreferencesDialog::DirectoryListBoxChange() {
    const QString path = m_folders->filePath(DirectoryListBox->currentIndex());
    if (path.isEmpty()) return;
    for (int i = 0; i < DriveComboBox->count(); ++i)
        if (path.startsWith(DriveComboBox->itemText(i))) DriveComboBox->setCurrentIndex(i);
    if (m_target) m_target->setText(QDir::toNativeSeparators(path));
}

void TPreferencesDialog::DriveComboBoxChange() {
    const QModelIndex index = m_folders->index(DriveComboBox->currentText());
    DirectoryListBox->setCurrentIndex(index);
}

void TPreferencesDialog::OKBtnClick() {
    AppSettings &settings = Settings();
    const Defaults defaults{ToPath(EBrom->text()), ToPath(EBtxt->text()), ToPath(EBbin->text()),
                            Corvan3Select->isChecked()};
    try {
        WriteDefaults(settings.startupDir, defaults);
    } catch (const std::exception &e) {
        // Nothing is stored when the file cannot be written; the dialog stays open for Cancel or a retry.
        ShowError(this, e);
        return;
    }
    settings.programDir = defaults.programDir;
    settings.textDir = defaults.textDir;
    settings.epromDir = defaults.epromDir;
    settings.corvan3Only = defaults.corvan3Only;
    settings.steerRateCheck = SteerRateCheck->isChecked();
    settings.steerRateLimit = SteerRateLimitBox->value();
    StoreSteerRateCheck(settings);
    accept();
}
