// The window's program editors and their text as the core sees it: Latin-1 lines.
#pragma once

#include "compiler/state.h"
#include "compiler/ui/ProgramEditor.h"
#include "romfiles/programset.h"
#include "uikit/Latin1.h"

#include <QFont>
#include <QString>

#include <string>

class QMimeData;

// "Courier New" when the machine has it, else the system's fixed-pitch font; 12-pixel characters.
QFont EditorFont();
// "Arial" when present, else the system's sans-serif font, at the given pixel height.
QFont ArialFont(int pixels);

// The lines of an editor as the core sees them: Latin-1, "?" for what Latin-1 cannot hold; a line
// break at the very end does not start a further line.
ProgramText ProgramLines(const QPlainTextEdit &editor);
// Replaces the editor's text with the lines, so that ProgramLines gives them back. The document
// starts afresh: no undo history, not modified.
void SetProgramLines(QPlainTextEdit &editor, const ProgramText &lines);
// The same replacement as an edit of the user's: it can be undone and marks the document modified.
void ReplaceProgramLines(QPlainTextEdit &editor, const ProgramText &lines);

// The program-set file among dropped data: the first local file whose name ends in ".rom", or empty.
QString DroppedSetFile(const QMimeData *data);

// Gives the lines that the errors and warnings of the state's last compile name the error mark.
void MarkMessageLines(ProgramEditor &editor, const CompilerState &state);

// A program editor that reports key releases and mouse presses after it has handled them, and
// hands a dropped program-set file to the window instead of inserting its name.
class TProgramText : public ProgramEditor {
    Q_OBJECT
public:
    explicit TProgramText(QWidget *parent = nullptr);
signals:
    void caretMayHaveMoved();
    void setDropped(const QString &path);

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
