// The Import dialog and the Import command's flow: which file, of which kind, and how it lands.
#include "romfiles/ui/Importf.h"

#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <exception>

namespace {

constexpr int Rates[] = {256, 512, 1024, 2048};

// A titled group of radio buttons numbered from 0, as a radio group of the form.
QGroupBox *RadioGroup(QWidget *parent, const char *name, const QString &title, const QStringList &items,
                      QButtonGroup *&buttons) {
    auto *group = new QGroupBox(title, parent);
    group->setObjectName(name);
    auto *layout = new QVBoxLayout(group);
    buttons = new QButtonGroup(group);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], group);
        layout->addWidget(button);
        buttons->addButton(button, i);
    }
    return group;
}

QSpinBox *SpinBox(QWidget *parent, const char *name, int low, int high, int value) {
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

} // namespace

TImportDlg::TImportDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("ImportDlg");
    setWindowTitle("Import File");
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(CreateFileRow());

    auto *groups = new QHBoxLayout;
    FileTypeGroup =
        RadioGroup(this, "FileTypeGroup", "File Type",
                   {"Text", "Time and Value Ascii file", ".ROM File", ".BIN EPROM file"}, m_types);
    RateGroup = RadioGroup(this, "RateGroup", "Resulting Step Rate",
                           {"256 Hz", "512 Hz", "1024 Hz", "2048 Hz"}, m_rates);
    m_types->button(int(ImportFileType::TimeValue))->setChecked(true);
    m_rates->button(0)->setChecked(true);
    groups->addWidget(FileTypeGroup);
    groups->addWidget(RateGroup);
    layout->addLayout(groups);

    auto *spins = new QGridLayout;
    ProgLabel = new QLabel("ROM Program #", this);
    ProgSpin = SpinBox(this, "ProgSpin", 0, 15, 1);
    MaxStrLabel = new QLabel("Max Steer:", this);
    MaxStrSpin = SpinBox(this, "MaxStrSpin", 0, 2000, 200);
    ProgLabel->setBuddy(ProgSpin);
    MaxStrLabel->setBuddy(MaxStrSpin);
    spins->addWidget(ProgLabel, 0, 0);
    spins->addWidget(ProgSpin, 0, 1);
    spins->addWidget(MaxStrLabel, 1, 0);
    spins->addWidget(MaxStrSpin, 1, 1);
    spins->setColumnStretch(2, 1);
    layout->addLayout(spins);

    RBInsert = new QRadioButton("Insert at cursor position", this);
    RBReplace = new QRadioButton("Replace current program", this);
    RBInsert->setObjectName("RBInsert");
    RBReplace->setObjectName("RBReplace");
    RBReplace->setChecked(true);
    layout->addWidget(RBInsert);
    layout->addWidget(RBReplace);

    const DialogButtons buttons = AddDialogButtons(this, layout, true);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;

    connect(Button1, &QPushButton::clicked, this, &TImportDlg::Button1Click);
    connect(m_types, &QButtonGroup::idClicked, this, &TImportDlg::FileTypeGroupClick);
    connect(OKBtn, &QPushButton::clicked, this, &TImportDlg::OKBtnClick);
    ApplyFileType();
}

// The input file's box and its Browse button.
QHBoxLayout *TImportDlg::CreateFileRow() {
    auto *fileRow = new QHBoxLayout;
    auto *fileLabel = new QLabel("Input File:", this);
    EBInfile = new QLineEdit(this);
    EBInfile->setObjectName("EBInfile");
    EBInfile->setMinimumWidth(280);
    fileLabel->setBuddy(EBInfile);
    Button1 = new QPushButton("Browse", this);
    Button1->setObjectName("Button1");
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(EBInfile, 1);
    fileRow->addWidget(Button1);
    return fileRow;
}

void TImportDlg::SetDirectories(const ImportDirectories &directories) {
    m_directories = directories;
    ApplyFileType();
}

ImportFileType TImportDlg::FileType() const { return ImportFileType(m_types->checkedId()); }

int TImportDlg::Rate() const { return Rates[m_rates->checkedId()]; }

int TImportDlg::Program() const { return ProgSpin->value(); }

int TImportDlg::MaxSteer() const { return MaxStrSpin->value(); }

ImportMode TImportDlg::Mode() const {
    return RBInsert->isChecked() ? ImportMode::Insert : ImportMode::Replace;
}

QString TImportDlg::FileName() const { return EBInfile->text(); }

QString TImportDlg::ResolvedPath() const {
    if (FileName().isEmpty()) return {};
    return QDir(m_folder).absoluteFilePath(FileName());
}

ImportOptions TImportDlg::Options() const { return {Mode(), Rate(), Program(), MaxSteer()}; }

ImportRequest TImportDlg::Request() const {
    return {FileType(), Options(), QFile::encodeName(ResolvedPath()).toStdString()};
}

int TImportDlg::FilterIndex() const {
    switch (FileType()) {
    case ImportFileType::Text:
    case ImportFileType::TimeValue:
        return 0;
    case ImportFileType::ProgramSetFile:
        return 1;
    case ImportFileType::Eprom:
        return 2;
    }
    return 0;
}

// Visibility and folder of the selected type.
void TImportDlg::ApplyFileType() {
    const ImportFileType type = FileType();
    const bool timeValue = type == ImportFileType::TimeValue;
    const bool fromRom = type == ImportFileType::ProgramSetFile || type == ImportFileType::Eprom;
    const bool maxSteer = timeValue || type == ImportFileType::Eprom;
    RateGroup->setVisible(timeValue);
    ProgLabel->setVisible(fromRom);
    ProgSpin->setVisible(fromRom);
    MaxStrLabel->setVisible(maxSteer);
    MaxStrSpin->setVisible(maxSteer);
    switch (type) {
    case ImportFileType::Text:
    case ImportFileType::TimeValue:
        m_folder = m_directories.textDir;
        break;
    case ImportFileType::ProgramSetFile:
        m_folder = m_directories.programDir;
        break;
    case ImportFileType::Eprom:
        m_folder = m_directories.epromDir;
        break;
    }
}

void TImportDlg::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    ApplyFileType();
}

void TImportDlg::FileTypeGroupClick() { ApplyFileType(); }

void TImportDlg::Button1Click() {
    // The type's own filter entry is preselected; only an existing file can be chosen.
    const FileRequest request{FileDialogKind::Open,         "Open", m_folder, {}, ImportFilters, {}, false,
                              ImportFilters[FilterIndex()], true};
    const QString path = ChooseFile(this, request);
    if (path.isEmpty()) return;
    // The full path stays in the box: a later type change moves the folder, and the name still holds.
    EBInfile->setText(path);
    m_folder = QFileInfo(path).absolutePath();
}

void TImportDlg::OKBtnClick() {
    if (!FileName().isEmpty() && !QFileInfo(ResolvedPath()).isFile()) {
        ShowError(this, "File not found!");
        return;
    }
    accept();
}

bool RunImport(QWidget *parent, TImportDlg &dialog, const ImportDirectories &directories,
               ProgramText &program, int &cursorLine) {
    dialog.SetDirectories(directories);
    if (RunModal(dialog) != QDialog::Accepted || dialog.FileName().isEmpty()) return false;
    const ImportRequest request = dialog.Request();
    try {
        // Every importer makes all its lines or throws, so a failure leaves the program untouched.
        std::vector<std::string> lines = ImportLines(request.type, request.path, request.options);
        if (request.options.mode == ImportMode::Replace)
            program = std::move(lines);
        else
            InsertLines(program, cursorLine, lines);
    } catch (const std::exception &e) {
        ShowError(parent, e);
        return false;
    }
    return true;
}
