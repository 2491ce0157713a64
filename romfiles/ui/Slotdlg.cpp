// The dialog that picks a program slot: the target of Copy To, Move To and Swap With, or the program
// of this set or of another set file that View > Overlay Program draws.
#include "romfiles/ui/Slotdlg.h"

#include "uikit/Forms.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

constexpr int EntryLength = 56; // characters of a program's first line in the list

} // namespace

QString ProgramListEntry(int program, const ProgramText &text) {
    QString line;
    if (text != DefaultProgram())
        for (const std::string &l : text)
            if (!(line = QString::fromLatin1(l.c_str()).trimmed()).isEmpty()) break;
    if (line.isEmpty()) line = "(empty)";
    if (line.size() > EntryLength) line = line.left(EntryLength - 3) + "...";
    return QString("%1   %2").arg(program, 2).arg(line);
}

TProgramSlotDlg::TProgramSlotDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("ProgramSlotDlg");
    auto *layout = new QVBoxLayout(this);
    PromptLabel = new QLabel(this);
    PromptLabel->setObjectName("PromptLabel");
    layout->addWidget(PromptLabel);
    ThisSetBtn = new QRadioButton("This set", this);
    ThisSetBtn->setObjectName("ThisSetBtn");
    FileBtn = new QRadioButton("Set file:", this);
    FileBtn->setObjectName("FileBtn");
    FileEdit = new QLineEdit(this);
    FileEdit->setObjectName("FileEdit");
    FileEdit->setReadOnly(true);
    FileEdit->setMinimumWidth(280);
    BrowseBtn = new QPushButton("Browse...", this);
    BrowseBtn->setObjectName("BrowseBtn");
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(FileBtn);
    fileRow->addWidget(FileEdit, 1);
    fileRow->addWidget(BrowseBtn);
    layout->addWidget(ThisSetBtn);
    layout->addLayout(fileRow);
    ProgramBox = new QComboBox(this);
    ProgramBox->setObjectName("ProgramBox");
    ProgramBox->setFont(QFont("Courier New"));
    ProgramBox->setMinimumContentsLength(EntryLength + 5);
    layout->addWidget(ProgramBox);
    const DialogButtons buttons = AddDialogButtons(this, layout);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    connect(OKBtn, &QPushButton::clicked, this, &TProgramSlotDlg::OKBtnClick);
    connect(BrowseBtn, &QPushButton::clicked, this, &TProgramSlotDlg::BrowseBtnClick);
    connect(ThisSetBtn, &QRadioButton::toggled, this, &TProgramSlotDlg::FillPrograms);
}

void TProgramSlotDlg::PrepareSlot(const QString &title, const QString &prompt, const ProgramSet &set,
                                  int current) {
    Prepare(title, prompt, set, current, false);
}

void TProgramSlotDlg::PrepareSource(const QString &title, const QString &prompt, const ProgramSet &set,
                                    int current) {
    Prepare(title, prompt, set, current, true);
}

void TProgramSlotDlg::Prepare(const QString &title, const QString &prompt, const ProgramSet &set, int current,
                              bool withSource) {
    setWindowTitle(title);
    PromptLabel->setText(prompt);
    m_set = set;
    m_current = current;
    m_withSource = withSource;
    for (QWidget *w : std::initializer_list<QWidget *>{ThisSetBtn, FileBtn, FileEdit, BrowseBtn})
        w->setVisible(withSource);
    ThisSetBtn->setChecked(true);
    FillPrograms();
    ProgramBox->setCurrentIndex((current + 1) % ProgramCount);
}

// The programs of this set with the current one greyed out, or those of the set file.
void TProgramSlotDlg::FillPrograms() {
    const bool file = FromFile();
    const int chosen = qMax(0, ProgramBox->currentIndex());
    ProgramBox->clear();
    if (file && !m_fileLoaded) return;
    const ProgramSet &set = file ? m_fileSet : m_set;
    for (int k = 0; k < ProgramCount; ++k) ProgramBox->addItem(ProgramListEntry(k, set[k]));
    if (!file && m_current >= 0)
        if (auto *model = qobject_cast<QStandardItemModel *>(ProgramBox->model()))
            model->item(m_current)->setEnabled(false);
    ProgramBox->setCurrentIndex(!file && chosen == m_current ? (chosen + 1) % ProgramCount : chosen);
}

int TProgramSlotDlg::Program() const { return ProgramBox->currentIndex(); }

bool TProgramSlotDlg::FromFile() const { return m_withSource && FileBtn->isChecked(); }

QString TProgramSlotDlg::SetFile() const { return FileEdit->text(); }

ProgramText TProgramSlotDlg::ChosenText() const {
    const int k = Program();
    if (k < 0) return {};
    return (FromFile() ? m_fileSet : m_set)[static_cast<std::size_t>(k)];
}

bool TProgramSlotDlg::LoadSetFile(const QString &path) {
    try {
        m_fileSet = ReadProgramSet(ToPath(path));
    } catch (const std::exception &e) {
        ShowError(this, e);
        return false;
    }
    m_fileLoaded = true;
    FileEdit->setText(path);
    FileBtn->setChecked(true);
    FillPrograms();
    // Another version of the set: its program in the same slot is the likely one.
    if (m_current >= 0) ProgramBox->setCurrentIndex(m_current);
    return true;
}

void TProgramSlotDlg::BrowseBtnClick() {
    FileRequest request{FileDialogKind::Open,
                        "Open Program Set",
                        FromPath(Settings().programDir),
                        {},
                        {"Program sets (*.rom)", "All files (*)"},
                        "rom",
                        false,
                        {},
                        true};
    const QString path = ChooseFile(this, request);
    if (!path.isEmpty()) LoadSetFile(path);
}

void TProgramSlotDlg::OKBtnClick() {
    if (Program() < 0) {
        ShowError(this, FromFile() ? "Choose a set file first." : "Choose a program.");
        return;
    }
    accept();
}
