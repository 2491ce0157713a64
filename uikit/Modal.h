// The one seam for every modal box, file dialog and modal form of the window, so tests can answer them.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>

class QDialog;
class QWidget;

enum class BoxIcon { Information, Warning, Error, Question };

// A message box request: what the user would see and which buttons it offers.
struct BoxRequest {
    BoxIcon icon = BoxIcon::Information;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Open: a file; OpenMany: one or more existing files; Folder: an existing folder; Save: a file to write.
enum class FileDialogKind { Open, Save, OpenMany, Folder };

// A file dialog request; the answer is the chosen path, or empty when cancelled.
struct FileRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    QString directory;   // initial folder
    QString fileName;    // preset name (may be empty)
    QStringList filters; // "EPROM files (*.bin)", ...
    QString defaultSuffix;
    bool confirmOverwrite = false;
    QString selectedFilter; // the filter entry shown first selected (empty: the first)
    bool mustExist = false; // Open: only an existing file can be chosen
};

using BoxHandler = std::function<QMessageBox::StandardButton(QWidget *parent, const BoxRequest &)>;
using FileHandler = std::function<QString(QWidget *parent, const FileRequest &)>;
using DialogHandler = std::function<int(QDialog &dialog)>;

// Shows a message box and returns the button pressed.
QMessageBox::StandardButton ShowBox(QWidget *parent, const BoxRequest &request);
// Shorthands: an information, warning or error box with an OK button.
void ShowInformation(QWidget *parent, const QString &text);
void ShowWarning(QWidget *parent, const QString &text);
void ShowError(QWidget *parent, const QString &text);
// An error box with the text of a failure the core threw.
void ShowError(QWidget *parent, const std::exception &error);

// Runs a file dialog; returns the chosen path or an empty string.
QString ChooseFile(QWidget *parent, const FileRequest &request);
// Runs an OpenMany file dialog; returns the chosen paths in the order chosen, none when cancelled. (A
// handler answers with the paths on lines of their own.)
QStringList ChooseFiles(QWidget *parent, const FileRequest &request);

// Runs a modal form (dialog.exec()) and returns its result code.
int RunModal(QDialog &dialog);

// Replace the handlers (tests); an empty function restores the interactive default.
void SetBoxHandler(BoxHandler handler);
void SetFileHandler(FileHandler handler);
void SetDialogHandler(DialogHandler handler);
