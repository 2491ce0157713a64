// The Export dialog and the Export command's flow: the output file, its kind, and the writing.
#include "romfiles/ui/Exportf.h"

#include "romfiles/exporters.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <exception>

TExportDlg::TExportDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("ExportDlg");
    setWindowTitle("Export File");
    auto *layout = new QVBoxLayout(this);

    auto *fileRow = new QHBoxLayout;
    auto *fileLabel = new QLabel("Output File:", this);
    EBOutfile = new QLineEdit(this);
    EBOutfile->setObjectName("EBOutfile");
    EBOutfile->setMinimumWidth(280);
    fileLabel->setBuddy(EBOutfile);
    Button1 = new QPushButton("Browse", this);
    Button1->setObjectName("Button1");
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(EBOutfile, 1);
    fileRow->addWidget(Button1);
    layout->addLayout(fileRow);

    FileTypeGroup = new QGroupBox("File Type", this);
    FileTypeGroup->setObjectName("FileTypeGroup");
    auto *typeLayout = new QVBoxLayout(FileTypeGroup);
    m_types = new QButtonGroup(FileTypeGroup);
    const QStringList items{"Text", "Time and Value Ascii file"};
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], FileTypeGroup);
        typeLayout->addWidget(button);
        m_types->addButton(button, i);
    }
    m_types->button(int(ExportFileType::TimeValue))->setChecked(true);
    layout->addWidget(FileTypeGroup);

    const DialogButtons buttons = AddDialogButtons(this, layout, true);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;

    connect(Button1, &QPushButton::clicked, this, &TExportDlg::Button1Click);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

ExportFileType TExportDlg::FileType() const { return ExportFileType(m_types->checkedId()); }

QString TExportDlg::FileName() const { return EBOutfile->text(); }

QString TExportDlg::ResolvedPath() const {
    if (FileName().isEmpty()) return {};
    return QDir(m_folder).absoluteFilePath(FileName());
}

void TExportDlg::Button1Click() {
    const QString path =
        ChooseFile(this, {FileDialogKind::Save, "Save As", m_folder, FileName(), {}, {}, true, {}, false});
    if (path.isEmpty()) return;
    const QFileInfo chosen(path);
    EBOutfile->setText(chosen.fileName());
    m_folder = chosen.absolutePath();
    m_browsed = chosen.absoluteFilePath();
}

bool TExportDlg::ChosenWithBrowse(const QString &path) const {
    return !m_browsed.isEmpty() && QFileInfo(path).absoluteFilePath() == m_browsed;
}

namespace {

// Whether the dialog's file may be written: a name, not blanks only, and no file of that name or the
// user's yes to replacing it. Says why not in a box; `again` tells whether to show the dialog again.
bool MayWrite(QWidget *parent, const TExportDlg &dialog, bool &again) {
    again = false;
    if (dialog.FileName().isEmpty()) {
        ShowInformation(parent, "No output file was named: nothing was written.");
        return false;
    }
    again = true;
    if (dialog.FileName().trimmed().isEmpty()) {
        ShowError(parent, "A file name of blanks only cannot be written: type a name or Browse for one.");
        return false;
    }
    const QString path = dialog.ResolvedPath();
    if (!QFileInfo::exists(path) || dialog.ChosenWithBrowse(path)) return true;
    const auto answer =
        ShowBox(parent, {BoxIcon::Question, "Export File",
                         QFileInfo(path).fileName() + " already exists.\nDo you want to replace it?",
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No});
    return answer == QMessageBox::Yes;
}

} // namespace

ExportOutcome RunExport(QWidget *parent, TExportDlg &dialog, CompilerState &state, const QString &textDir,
                        const ProgramText &program, const CompileOptions &options) {
    dialog.SetFolder(textDir);
    ExportOutcome outcome;
    bool again = true;
    while (again && RunModal(dialog) == QDialog::Accepted) {
        if (!MayWrite(parent, dialog, again)) continue;
        again = false;
        const std::string path = QFile::encodeName(dialog.ResolvedPath()).toStdString();
        try {
            if (dialog.FileType() == ExportFileType::Text) {
                ExportText(path, program);
                outcome.written = true;
            } else {
                outcome.written = ExportTimeValue(state, path, program, options);
                outcome.compileFailed = !outcome.written;
            }
        } catch (const std::exception &e) {
            ShowError(parent, e);
            outcome.textDir = textDir; // a failed write changes no directory setting
            return outcome;
        }
    }
    // Cancel too: a folder picked with Browse becomes the text-file directory.
    outcome.textDir = dialog.Folder();
    return outcome;
}
