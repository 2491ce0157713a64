// The summary panel beside the graph: the figures of the last good Show, greyed out while the text of
// their program differs from the text that was shown.
#include "app/SummaryPanel.h"

#include "app/ProgramBook.h"
#include "compiler/summary.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

const char *const SummaryHint = "Show a program to see its duration, steer extremes, steer rate, clock "
                                "rates, flags and the roll-peak bit here.";
constexpr const char *SummaryWidestLine = "Steps used      16383 of 16384, 999.999 s left at 2048 Hz";

} // namespace

TSummaryPanel::TSummaryPanel(const TProgramBook &programs, QWidget *parent)
    : QFrame(parent), m_programs(programs) {
    setObjectName("SummaryPanel");
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 2, 2);
    layout->setSpacing(2);
    m_title = new QLabel(this);
    m_title->setObjectName("SummaryTitle");
    QFont bold = ArialFont(11);
    bold.setBold(true);
    m_title->setFont(bold);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName("SummaryText");
    m_text->setReadOnly(true);
    m_text->setFrameShape(QFrame::NoFrame);
    // A narrow window wraps the longer lines rather than hiding their ends.
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text->setFocusPolicy(Qt::ClickFocus);
    QFont font = EditorFont();
    font.setPixelSize(11);
    m_text->setFont(font);
    m_figures = new QPlainTextEdit(this);
    m_figures->setObjectName("MeasuredFigures");
    m_figures->setReadOnly(true);
    m_figures->setFrameShape(QFrame::NoFrame);
    m_figures->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_figures->setFocusPolicy(Qt::ClickFocus);
    m_figures->setFont(font);
    m_figures->setStyleSheet("QPlainTextEdit { background: #eef3ff; }");
    m_figures->hide();
    layout->addWidget(m_title);
    // The figures take the height of their lines, the summary the rest.
    layout->addWidget(m_figures, 0);
    layout->addWidget(m_text, 1);
    ClearToHint();
    connect(&programs, &TProgramBook::programEdited, this, &TSummaryPanel::CheckStale);
    connect(&programs, &TProgramBook::programEdited, this, [this] { m_figures->setEnabled(!m_stale); });
}

void TSummaryPanel::ShowSummary(int program, const CompilerState &state) {
    QStringList lines;
    for (const std::string &line : SummaryLines(SummarizeProgram(state))) lines << FromLatin1(line);
    m_program = program;
    m_lines = ProgramLines(*m_programs.Editor(program));
    m_stale = false;
    m_title->setText(QString("Program #%1").arg(program));
    m_text->setPlainText(lines.join('\n'));
    m_text->setEnabled(true);
}

void TSummaryPanel::Clear(const QString &title, const QString &text) {
    m_program = -1;
    m_lines.clear();
    m_stale = false;
    m_title->setText(title);
    m_text->setPlainText(text);
    m_text->setEnabled(false);
    m_figures->hide();
}

void TSummaryPanel::SetMeasuredFigures(const QStringList &lines) {
    m_figures->setPlainText(lines.join('\n'));
    const int margins = 2 * (m_figures->frameWidth() + int(m_figures->document()->documentMargin())) + 2;
    m_figures->setMaximumHeight(m_figures->fontMetrics().lineSpacing() * int(lines.size()) + margins);
    m_figures->setEnabled(!m_stale);
    m_figures->setVisible(!lines.isEmpty() && m_program >= 0);
}

void TSummaryPanel::ClearToHint() { Clear("Program summary", SummaryHint); }

void TSummaryPanel::ShowErrors(int program) {
    if (program != m_program)
        return Clear(QString("Program #%1: errors, no summary").arg(program),
                     "The program does not compile: the line under the graph says why.");
    m_stale = true;
    m_title->setText(QString("Program #%1 (the text has errors)").arg(program));
    m_text->setEnabled(false);
    m_figures->setEnabled(false);
}

void TSummaryPanel::SetLive(bool live) {
    m_live = live;
    if (!live && m_program >= 0) MarkStale(ProgramLines(*m_programs.Editor(m_program)) != m_lines);
}

int TSummaryPanel::WantedWidth() const {
    return m_text->fontMetrics().horizontalAdvance(SummaryWidestLine) + 16;
}

void TSummaryPanel::CheckStale(int program) {
    if (program != m_program || m_live) return;
    const bool stale = ProgramLines(*m_programs.Editor(program)) != m_lines;
    if (stale != m_stale) MarkStale(stale);
}

void TSummaryPanel::MarkStale(bool stale) {
    m_stale = stale;
    m_title->setText(QString(stale ? "Program #%1 (changed since Show)" : "Program #%1").arg(m_program));
    m_text->setEnabled(!stale);
    m_figures->setEnabled(!stale);
    emit staleChanged(stale);
}
