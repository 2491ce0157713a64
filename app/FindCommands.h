// Find, Find Next and Previous, Replace and Go to Line on the program editors: in the current program
// or through all 16.
#pragma once

#include <QObject>

class QWidget;
class TFindDlg;
class TProgramBook;

class TFindCommands : public QObject {
    Q_OBJECT
public:
    TFindCommands(TProgramBook &programs, QWidget *window);

    TFindDlg *Dialog() const { return m_dialog; }

    // Edit > Find and Edit > Replace: the dialog, preset with the current editor's selection.
    void Find();
    void Replace();
    // The next or previous match after the caret; through the following programs in turn when the
    // dialog says all 16, round to the start. False (and the dialog says so) when there is none.
    bool FindNext();
    bool FindPrevious();
    // Replaces the selection when it is a match, then finds the next one.
    void ReplaceOne();
    // Every match in the current program or in all 16, each program's replacements one undoable
    // edit; returns how many were replaced and the dialog says it.
    int ReplaceAll();
    // Edit > Go to Line: the caret to the start of a line of the current program.
    void GoToLine();

private:
    bool FindFrom(bool backward);

    TProgramBook &m_programs;
    QWidget *m_window;
    TFindDlg *m_dialog;
};
