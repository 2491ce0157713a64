// Pieces that several dialogs are built from.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

class QBoxLayout;
class QDialog;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;
class QWidget;

struct DialogButtons {
    QPushButton *ok = nullptr;
    QPushButton *cancel = nullptr;
    QPushButton *help = nullptr; // only when asked for; always disabled
};

// OK and Cancel (and a disabled Help) at the foot of a dialog, named OKBtn, CancelBtn and HelpBtn.
// Cancel rejects the dialog; what OK does is the caller's.
DialogButtons AddDialogButtons(QDialog *dialog, QBoxLayout *layout, bool withHelp = false);

// A radio button with an optional bold caption line and its note lines, indented below it.
QRadioButton *AddChoice(QVBoxLayout *layout, QWidget *parent, const char *name, const char *text,
                        const QStringList &notes, const char *caption = nullptr);

// A read-only memo of fixed-pitch text (a report, a program text), lines wrapped at the memo's width or
// not at all.
QPlainTextEdit *FixedFontMemo(QWidget *parent, const char *name, bool wrapLines);

// Paths and directory settings are kept in the core as the file system's bytes, not as Latin-1 text.
QString FromPath(const std::string &path);
std::string ToPath(const QString &path);
