// A program editor: the line-number margin, error-line marks and going to a line.
#include "compiler/ui/ProgramEditor.h"

#include "compiler/ui/Highlighter.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

// The margin at the left of a ProgramEditor: it only asks the editor to paint it.
class LineNumberArea : public QWidget {
public:
    explicit LineNumberArea(ProgramEditor *editor) : QWidget(editor), m_editor(editor) {}
    QSize sizeHint() const override { return {m_editor->LineNumberAreaWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *event) override { m_editor->PaintLineNumbers(event); }

private:
    ProgramEditor *m_editor;
};

namespace {

constexpr int MarginPadding = 4; // pixels each side of the numbers
constexpr int MinimumDigits = 2; // so the text does not shift when line 10 appears
constexpr int TabCharacters = 8; // tab stops, in characters of the editor's font
const QColor ErrorLineColour(0xff, 0xdc, 0xdc);
const QColor MarginColour(0xf0, 0xf0, 0xf0);
const QColor IgnoredColour(0xe0, 0x80, 0x00);

} // namespace

ProgramEditor::ProgramEditor(QWidget *parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    m_margin = new LineNumberArea(this);
    m_highlighter = new Highlighter(document());
    connect(this, &QPlainTextEdit::blockCountChanged, this, &ProgramEditor::UpdateMarginWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &ProgramEditor::UpdateMargin);
    connect(document(), &QTextDocument::contentsChange, this, &ProgramEditor::ContentsChanged);
    m_ignoredTimer = new QTimer(this);
    m_ignoredTimer->setSingleShot(true);
    m_ignoredTimer->setInterval(IgnoredPauseMs);
    connect(m_ignoredTimer, &QTimer::timeout, this, &ProgramEditor::FindIgnoredNow);
    FollowFont();
}

int ProgramEditor::LineNumberAreaWidth() const {
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10) ++digits;
    digits = std::max(digits, MinimumDigits);
    return 2 * MarginPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void ProgramEditor::UpdateMarginWidth() { setViewportMargins(LineNumberAreaWidth(), 0, 0, 0); }

void ProgramEditor::UpdateMargin(const QRect &rect, int dy) {
    if (dy != 0)
        m_margin->scroll(0, dy);
    else
        m_margin->update(0, rect.y(), m_margin->width(), rect.height());
    if (rect.contains(viewport()->rect())) UpdateMarginWidth();
}

void ProgramEditor::resizeEvent(QResizeEvent *event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    m_margin->setGeometry(QRect(area.left(), area.top(), LineNumberAreaWidth(), area.height()));
}

void ProgramEditor::changeEvent(QEvent *event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) FollowFont();
}

// The margin and the tab stops are measured in the editor's font.
void ProgramEditor::FollowFont() {
    setTabStopDistance(TabCharacters * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')));
    UpdateMarginWidth();
    const QRect area = contentsRect();
    m_margin->setGeometry(QRect(area.left(), area.top(), LineNumberAreaWidth(), area.height()));
}

void ProgramEditor::PaintLineNumbers(QPaintEvent *event) {
    QPainter painter(m_margin);
    painter.fillRect(event->rect(), MarginColour);
    QTextBlock block = firstVisibleBlock();
    int number = block.blockNumber() + 1;
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    int bottom = top + qRound(blockBoundingRect(block).height());
    const QFont plain = font();
    QFont bold = plain;
    bold.setBold(true);
    while (block.isValid() && top <= event->rect().bottom()) {
        if (block.isVisible() && bottom >= event->rect().top()) {
            const bool marked = m_errorLines.count(number) > 0;
            painter.setFont(marked ? bold : plain);
            painter.setPen(marked ? QColor(Qt::red) : QColor(Qt::darkGray));
            painter.drawText(0, top, m_margin->width() - MarginPadding, fontMetrics().height(),
                             Qt::AlignRight, QString::number(number));
        }
        block = block.next();
        top = bottom;
        bottom = top + qRound(blockBoundingRect(block).height());
        ++number;
    }
}

int ProgramEditor::ClampLine(int line) const { return std::min(line, blockCount()); }

void ProgramEditor::MarkErrorLines(const std::set<int> &lines) {
    m_errorLines.clear();
    for (int line : lines)
        if (line >= 1) m_errorLines.insert(ClampLine(line));
    UpdateExtraSelections();
    m_margin->update();
}

// The error lines' background, and the wavy underline of every ignored text.
void ProgramEditor::UpdateExtraSelections() {
    QList<QTextEdit::ExtraSelection> selections;
    for (int line : m_errorLines) {
        QTextEdit::ExtraSelection selection;
        selection.format.setBackground(ErrorLineColour);
        selection.format.setProperty(QTextFormat::FullWidthSelection, true);
        selection.cursor = QTextCursor(document()->findBlockByNumber(line - 1));
        selections.append(selection);
    }
    for (const IgnoredText &ignored : m_ignored) {
        const QTextBlock block = document()->findBlockByNumber(ignored.line - 1);
        if (!block.isValid() || ignored.start + ignored.length >= block.length()) continue;
        QTextEdit::ExtraSelection selection;
        selection.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        selection.format.setUnderlineColor(IgnoredColour);
        selection.cursor = QTextCursor(block);
        selection.cursor.setPosition(block.position() + ignored.start);
        selection.cursor.setPosition(block.position() + ignored.start + ignored.length,
                                     QTextCursor::KeepAnchor);
        selections.append(selection);
    }
    setExtraSelections(selections);
}

void ProgramEditor::FindIgnoredNow() {
    m_ignoredTimer->stop();
    std::vector<std::string> lines;
    lines.reserve(std::size_t(blockCount()));
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines.push_back(Latin1Line(block.text()));
    std::vector<IgnoredText> found = FindIgnoredText(lines);
    if (found.empty() && m_ignored.empty()) return;
    m_ignored = std::move(found);
    UpdateExtraSelections();
}

// Only a change of the characters clears the marks: re-colouring emits textChanged, but no
// contentsChange with characters removed or added. The underlines stay until the pause, where they are
// found again.
void ProgramEditor::ContentsChanged(int, int charsRemoved, int charsAdded) {
    if (charsRemoved == 0 && charsAdded == 0) return;
    m_ignoredTimer->start();
    if (!m_errorLines.empty()) MarkErrorLines({});
}

// The tooltip over an underlined text says what is ignored and why.
bool ProgramEditor::viewportEvent(QEvent *event) {
    if (event->type() != QEvent::ToolTip) return QPlainTextEdit::viewportEvent(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QTextCursor at = cursorForPosition(help->pos());
    const int line = at.blockNumber() + 1, column = at.positionInBlock();
    QStringList texts;
    for (const IgnoredText &ignored : m_ignored)
        if (ignored.line == line && column >= ignored.start && column <= ignored.start + ignored.length)
            texts << QString::fromLatin1(IgnoredTextLine(ignored).c_str());
    if (texts.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), texts.join('\n'), viewport());
    return true;
}

int ProgramEditor::GoToLine(int line) {
    if (line < 1) return 0;
    line = ClampLine(line);
    QTextCursor cursor(document()->findBlockByNumber(line - 1));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    centerCursor();
    return line;
}

void ProgramEditor::keyPressEvent(QKeyEvent *event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (isReadOnly() || (event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab) ||
        (modifiers & ~Qt::ShiftModifier))
        return QPlainTextEdit::keyPressEvent(event);
    QTextCursor cursor = textCursor();
    const bool lines =
        document()->findBlock(cursor.selectionStart()) != document()->findBlock(cursor.selectionEnd());
    if (event->key() == Qt::Key_Backtab || modifiers == Qt::ShiftModifier || lines)
        return IndentLines(event->key() == Qt::Key_Tab && modifiers == Qt::NoModifier);
    const int column = cursor.selectionStart() - cursor.block().position();
    cursor.insertText(QString(IndentWidth - column % IndentWidth, ' '));
    setTextCursor(cursor);
}

// Every line the selection touches (a selection ending at a line's start leaves that line alone), as
// one undoable edit.
void ProgramEditor::IndentLines(bool indent) {
    QTextCursor cursor = textCursor();
    QTextBlock block = document()->findBlock(cursor.selectionStart());
    QTextBlock last = document()->findBlock(cursor.selectionEnd());
    if (last != block && cursor.selectionEnd() == last.position()) last = last.previous();
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (;; block = block.next()) {
        edit.setPosition(block.position());
        if (indent) {
            edit.insertText(QString(IndentWidth, ' '));
        } else {
            int blanks = 0;
            while (blanks < IndentWidth && blanks < block.length() - 1 && block.text()[blanks] == ' ')
                ++blanks;
            edit.setPosition(block.position() + blanks, QTextCursor::KeepAnchor);
            edit.removeSelectedText();
        }
        if (block == last) break;
    }
    edit.endEditBlock();
}
