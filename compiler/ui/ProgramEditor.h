// A program editor: plain text with line numbers, syntax colouring and marks for faulty lines.
#pragma once

#include "compiler/ignored.h"

#include <QPlainTextEdit>

#include <set>
#include <vector>

class Highlighter;
class QTimer;

// A QPlainTextEdit for one program text: no word wrap, a line-number margin at the left and a
// Highlighter on its document. Tab indents with blanks, never a tab character: the language reads a
// tab in front of a function name as part of the name. The caret and selection API is
// QPlainTextEdit's own.
class ProgramEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ProgramEditor(QWidget *parent = nullptr);

    Highlighter *SyntaxHighlighter() const { return m_highlighter; }

    // Width of the line-number margin in pixels: enough for the largest line number.
    int LineNumberAreaWidth() const;

    // Gives the lines (1-based; past the end means the last line) a full-width error background
    // until the text is next edited. An empty set removes the marks.
    void MarkErrorLines(const std::set<int> &lines);
    const std::set<int> &ErrorLines() const { return m_errorLines; }

    // Text the compiler reads as nothing (a list of one character, a missing ")", a parameter the
    // function has no use for...): a wavy underline with a tooltip saying why, found again after every
    // pause in typing. FindIgnoredNow finds it at once.
    const std::vector<IgnoredText> &IgnoredParts() const { return m_ignored; }
    void FindIgnoredNow();
    static constexpr int IgnoredPauseMs = 150;

    // Selects the whole of line n (past the end: the last line) and scrolls it into view.
    // Returns the line selected, or 0 for n < 1 (nothing changes then).
    int GoToLine(int line);

    // Blanks that Tab inserts reach the next multiple of this column count.
    static constexpr int IndentWidth = 4;

protected:
    // Tab inserts blanks up to the next indent stop, or indents every line of a selection over
    // several lines; Shift+Tab takes up to one indent of leading blanks off the selected lines.
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    friend class LineNumberArea;
    void PaintLineNumbers(QPaintEvent *event);
    void UpdateMarginWidth();
    void UpdateMargin(const QRect &rect, int dy);
    void FollowFont();
    void ContentsChanged(int position, int charsRemoved, int charsAdded);
    int ClampLine(int line) const;
    void IndentLines(bool indent);
    void UpdateExtraSelections();

    QWidget *m_margin = nullptr;
    Highlighter *m_highlighter = nullptr;
    std::set<int> m_errorLines; // as given, clamped to the text
    std::vector<IgnoredText> m_ignored;
    QTimer *m_ignoredTimer = nullptr;
};
