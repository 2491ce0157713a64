// The summary panel beside the graph: the figures of the last good Show, greyed out while the text of
// their program differs from the text that was shown.
#include "app/SummaryPanel.h"

#include "app/ProgramBook.h"
#include "compiler/summary.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

#include <cmath>

namespace {

const char *const SummaryHint = "Show a program to see its duration, steer extremes, steer rate, clock "
                                "rates, flags and the roll-peak bit here.";
constexpr const char *SummaryWidestLine = "Steps used      16383 of 16384, 999.999 s left at 2048 Hz";

// A read-only memo of the panel: no frame, no scroll bars of its own, long lines wrapped.
QPlainTextEdit *NewMemo(QWidget *parent, const char *name, const QFont &font) {
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setFocusPolicy(Qt::ClickFocus);
    memo->setFont(font);
    // Greyed out, the text greys and the page stays white.
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Active, QPalette::Base));
    memo->setPalette(palette);
    return memo;
}

// The height that shows all of the memo's lines as they wrap at its width: its lines laid out as the
// memo lays them out, its margins, and the pixel the memo keeps free under the last line.
int WrappedHeight(const QPlainTextEdit &memo) {
    const QTextDocument &document = *memo.document();
    const qreal margin = document.documentMargin();
    // The memo's width, not its viewport's: a resize reaches the filter before the viewport follows.
    const qreal width = memo.contentsRect().width() - 2 * margin - memo.cursorWidth();
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(memo.wordWrapMode());
    qreal height = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextLayout layout(block.text(), memo.font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(width);
            height += line.height();
        }
        layout.endLayout();
    }
    return static_cast<int>(std::ceil(height + 2 * margin)) + 2 * memo.frameWidth() + 2;
}

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
    // The figures of a measured log and the summary are one page that scrolls as a whole: each of
    // them as tall as its lines, wrapped at the panel's width.
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName("SummaryScroll");
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *page = new QWidget(m_scroll);
    page->setObjectName("SummaryPage");
    page->setBackgroundRole(QPalette::Base);
    page->setAutoFillBackground(true);
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(2);
    QFont font = EditorFont();
    font.setPixelSize(11);
    m_figures = NewMemo(page, "MeasuredFigures", font);
    m_figures->setStyleSheet("QPlainTextEdit { background: #eef3ff; }");
    m_figures->hide();
    m_text = NewMemo(page, "SummaryText", font);
    pageLayout->addWidget(m_figures);
    pageLayout->addWidget(m_text);
    pageLayout->addStretch(1);
    m_scroll->setWidget(page);
    for (QPlainTextEdit *memo : {m_figures, m_text}) memo->installEventFilter(this);
    layout->addWidget(m_title);
    layout->addWidget(m_scroll, 1);
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
    FitHeight(m_text);
}

void TSummaryPanel::Clear(const QString &title, const QString &text) {
    m_program = -1;
    m_lines.clear();
    m_stale = false;
    m_title->setText(title);
    m_text->setPlainText(text);
    m_text->setEnabled(false);
    m_figures->hide();
    FitHeight(m_text);
}

void TSummaryPanel::SetMeasuredFigures(const QStringList &lines) {
    m_figures->setPlainText(lines.join('\n'));
    m_figures->setEnabled(!m_stale);
    m_figures->setVisible(!lines.isEmpty() && m_program >= 0);
    FitHeight(m_figures);
}

bool TSummaryPanel::eventFilter(QObject *watched, QEvent *event) {
    // A new width wraps the lines anew.
    if (event->type() == QEvent::Resize && (watched == m_figures || watched == m_text))
        FitHeight(static_cast<QPlainTextEdit *>(watched));
    return QFrame::eventFilter(watched, event);
}

void TSummaryPanel::FitHeight(QPlainTextEdit *memo) {
    const int height = WrappedHeight(*memo);
    if (memo->height() != height) memo->setFixedHeight(height);
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
