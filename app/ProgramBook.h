// The program tabs: the 16 program editors on a notebook with the tab bar under it, and the caret.
#pragma once

#include "app/ProgramText.h"
#include "romfiles/programset.h"

#include <QFrame>

#include <array>

class QStackedWidget;
class QTabBar;

class TProgramBook : public QFrame {
    Q_OBJECT
public:
    explicit TProgramBook(QWidget *parent = nullptr);

    int CurrentProgram() const;
    TProgramText *CurrentEditor() const;
    TProgramText *Editor(int program) const { return m_editors[program]; }
    QTabBar *Tabs() const { return m_tabs; }
    QStackedWidget *Notebook() const { return m_notebook; }

    // The 16 texts; SetTexts gives every editor its program afresh (no undo history, not modified).
    ProgramSet Texts() const;
    void SetTexts(const ProgramSet &set);
    // Any program edited since the set was last opened, saved or made new (the documents' state).
    bool Changed() const;
    void MarkSaved();
    // Brings the program's tab to the front and paints it at once, while a command runs on.
    void ShowProgram(int program);
    // The program keys: a tab brought to the front with its editor focused, and the next (+1) or
    // previous (-1) tab, from "15" round to "0" and back.
    void SelectProgram(int program);
    void StepProgram(int step);
    void SetEditorFont(const QFont &font);

    // The caret of the current editor (line and column from 1) as RefreshCaret last read it.
    int CaretLine() const { return m_caretLine; }
    int CaretColumn() const { return m_caretColumn; }
    void RefreshCaret();
    // Focuses the current editor with the caret at its start.
    void FocusCurrentAtStart();

signals:
    void caretMoved();
    void setDropped(const QString &path);
    // The text of a program changed: an edit, an undo, or a new text.
    void programEdited(int program);

private:
    QTabBar *m_tabs;
    QStackedWidget *m_notebook;
    std::array<TProgramText *, ProgramCount> m_editors{};
    int m_caretLine = 1, m_caretColumn = 1;
};
