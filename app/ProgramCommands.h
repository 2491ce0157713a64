// The commands that bring program text in or take it out: Import, Export, Export Steps as CSV and
// Insert Template, on the current program of the window, and Export Campaign Sheet of the set.
#pragma once

#include "compiler/state.h"

#include <QObject>
#include <QString>

class QWidget;
class ProgramEditor;
class TErrDialog;
class TExportDlg;
class TImportDlg;
class TProgramBook;
class TTemplateDlg;

// The Messages dialog for the state's last compile, the editor's lines marked first so that the marks
// are there while the dialog is open.
void ShowMessagesAndMarkLines(TErrDialog &messages, ProgramEditor &editor, const CompilerState &state);

class TProgramCommands : public QObject {
    Q_OBJECT
public:
    TProgramCommands(TProgramBook &programs, CompilerState &compiler, TImportDlg &import,
                     TExportDlg &exporter, TTemplateDlg &templates, TErrDialog &messages, QWidget *window);

    // Import into the current program: before the caret's line or in its place.
    void Import();
    // Export of the current program as text or, compiled, as a time-and-value file.
    void Export();
    // The current program's step store as CSV, named after the set file.
    void ExportSteps(const QString &setFileName);
    // The set's campaign sheet as CSV (CampaignSheet), named after the set file.
    void ExportCampaignSheet(const QString &setFileName);
    // The template dialog's choice: the statements before the caret's line, a whole program, or the
    // runs of a series from a program on. Each editor's change is one undoable edit.
    void InsertTemplate();

private:
    void InsertTemplateText();

    TProgramBook &m_programs;
    CompilerState &m_compiler;
    TImportDlg &m_import;
    TExportDlg &m_export;
    TTemplateDlg &m_templates;
    TErrDialog &m_messages;
    QWidget *m_window;
};
