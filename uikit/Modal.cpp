// Interactive defaults of the modal seam, replaceable by tests.
#include "uikit/Modal.h"

#include "uikit/Latin1.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>

namespace {

QString DefaultTitle(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information:
        return "Information";
    case BoxIcon::Warning:
        return "Warning";
    case BoxIcon::Error:
        return "Error";
    case BoxIcon::Question:
        return "Confirm";
    }
    return {};
}

QMessageBox::StandardButton InteractiveBox(QWidget *parent, const BoxRequest &request) {
    QMessageBox box(parent);
    switch (request.icon) {
    case BoxIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case BoxIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case BoxIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case BoxIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    box.setWindowTitle(request.title.isEmpty() ? DefaultTitle(request.icon) : request.title);
    // A box narrower than its lines wraps them, but never inside a unit: a word joiner keeps "deg/s"
    // whole (it is drawn as nothing).
    box.setText(QString(request.text).replace("deg/s", QStringLiteral("deg/\u2060s")));
    box.setStandardButtons(request.buttons);
    if (request.defaultButton != QMessageBox::NoButton) box.setDefaultButton(request.defaultButton);
    box.exec();
    auto *clicked = box.clickedButton();
    return clicked ? box.standardButton(clicked) : QMessageBox::Cancel;
}

QString InteractiveFile(QWidget *parent, const FileRequest &request) {
    QFileDialog dialog(parent, request.title, request.directory);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (request.kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    } else if (request.kind == FileDialogKind::OpenMany) {
        dialog.setFileMode(QFileDialog::ExistingFiles);
    } else if (request.kind == FileDialogKind::Folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // Unless asked otherwise, an Open dialog does not insist on an existing file: a mistyped name
        // reaches the reader, which reports it.
        dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    if (!request.selectedFilter.isEmpty()) dialog.selectNameFilter(request.selectedFilter);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().join('\n');
}

BoxHandler &Boxes() {
    static BoxHandler handler;
    return handler;
}
FileHandler &Files() {
    static FileHandler handler;
    return handler;
}
DialogHandler &Dialogs() {
    static DialogHandler handler;
    return handler;
}

} // namespace

QMessageBox::StandardButton ShowBox(QWidget *parent, const BoxRequest &request) {
    return Boxes() ? Boxes()(parent, request) : InteractiveBox(parent, request);
}

void ShowInformation(QWidget *parent, const QString &text) {
    ShowBox(parent, {BoxIcon::Information, {}, text, QMessageBox::Ok, QMessageBox::Ok});
}
void ShowWarning(QWidget *parent, const QString &text) {
    ShowBox(parent, {BoxIcon::Warning, {}, text, QMessageBox::Ok, QMessageBox::Ok});
}
void ShowError(QWidget *parent, const QString &text) {
    ShowBox(parent, {BoxIcon::Error, {}, text, QMessageBox::Ok, QMessageBox::Ok});
}
void ShowError(QWidget *parent, const std::exception &error) { ShowError(parent, ErrorText(error)); }

QString ChooseFile(QWidget *parent, const FileRequest &request) {
    return Files() ? Files()(parent, request) : InteractiveFile(parent, request);
}

QStringList ChooseFiles(QWidget *parent, const FileRequest &request) {
    return ChooseFile(parent, request).split('\n', Qt::SkipEmptyParts);
}

int RunModal(QDialog &dialog) { return Dialogs() ? Dialogs()(dialog) : dialog.exec(); }

void SetBoxHandler(BoxHandler handler) { Boxes() = std::move(handler); }
void SetFileHandler(FileHandler handler) { Files() = std::move(handler); }
void SetDialogHandler(DialogHandler handler) { Dialogs() = std::move(handler); }
