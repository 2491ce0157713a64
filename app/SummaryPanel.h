// The summary panel beside the graph: the figures of the last good Show, greyed out while the text of
// their program differs from the text that was shown.
#pragma once

#include "compiler/state.h"
#include "romfiles/programset.h"

#include <QFrame>

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class TProgramBook;

class TSummaryPanel : public QFrame {
    Q_OBJECT
public:
    explicit TSummaryPanel(const TProgramBook &programs, QWidget *parent = nullptr);

    // The figures of a program just compiled into the state, from its text in the program tabs.
    void ShowSummary(int program, const CompilerState &state);
    // No figures: the title and an explanation, greyed out.
    void Clear(const QString &title, const QString &text);
    // No figures yet: what the panel will show.
    void ClearToHint();
    // The program's text has errors (Live Show): its last good figures stay, greyed out; another
    // program's figures make way for a note.
    void ShowErrors(int program);
    // While Live Show is on the figures follow the text after each pause, so an edit does not grey
    // them out.
    void SetLive(bool live);
    // The figures of a measured log over the shown program, above its summary; none hides them. They
    // grey out with the summary and hide when it is cleared.
    void SetMeasuredFigures(const QStringList &lines);

    // The program the figures describe (-1: none), and whether it was edited since its Show.
    int Program() const { return m_program; }
    bool Stale() const { return m_stale; }
    QLabel *Title() const { return m_title; }
    QPlainTextEdit *Text() const { return m_text; }
    QPlainTextEdit *MeasuredFigures() const { return m_figures; }
    // The width that shows the longest line unwrapped, in pixels.
    int WantedWidth() const;

signals:
    // The summarised program's text now differs from the text it was compiled from, or no longer does
    // (outside Live Show, whose compiles follow the text).
    void staleChanged(bool stale);

private slots:
    // An edit of the summarised program greys the figures out; undoing it back to the text of the
    // Show brings them back.
    void CheckStale(int program);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void MarkStale(bool stale);
    // The memo as tall as its lines, wrapped at its width.
    void FitHeight(QPlainTextEdit *memo);

    const TProgramBook &m_programs;
    QLabel *m_title;
    QPlainTextEdit *m_text;
    QPlainTextEdit *m_figures;
    QScrollArea *m_scroll;
    int m_program = -1;
    ProgramText m_lines; // the text the figures were compiled from
    bool m_stale = false;
    bool m_live = false;
};
