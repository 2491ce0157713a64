// The window's program editors and their text as the core sees it: Latin-1 lines.
#include "app/ProgramText.h"

#include "compiler/messages.h"
#include "compiler/ui/Highlighter.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QMimeData>
#include <QTextCursor>

#include <set>

QFont EditorFont() {
    QFont font = QFontDatabase::families().contains("Courier New")
                     ? QFont("Courier New")
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    return font;
}

QFont ArialFont(int pixels) {
    QFont font = QFontDatabase::families().contains("Arial") ? QFont("Arial") : QApplication::font();
    if (!QFontDatabase::families().contains("Arial")) font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

ProgramText ProgramLines(const QPlainTextEdit &editor) {
    // The raw text: toPlainText() turns every non-breaking space (the Latin-1 byte A0, also the second
    // byte of UTF-8 text such as "\xC3\xA0") into a blank. Lines end at paragraph and line separators,
    // as they do in the editor.
    QString text = editor.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, '\n').replace(QChar::LineSeparator, '\n');
    ProgramText lines;
    if (text.isEmpty()) return lines;
    const QStringList parts = text.split('\n');
    lines.reserve(std::size_t(parts.size()));
    for (const QString &part : parts) lines.push_back(Latin1Line(part));
    if (text.endsWith('\n')) lines.pop_back();
    return lines;
}

namespace {

QString EditorText(const ProgramText &lines) {
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += FromLatin1(lines[i]);
    }
    // A last empty line needs a break of its own: a break at the very end starts no line.
    if (!lines.empty() && lines.back().empty()) text += '\n';
    return text;
}

} // namespace

void SetProgramLines(QPlainTextEdit &editor, const ProgramText &lines) {
    editor.setPlainText(EditorText(lines));
    editor.document()->setModified(false);
}

void ReplaceProgramLines(QPlainTextEdit &editor, const ProgramText &lines) {
    QTextCursor cursor(editor.document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(EditorText(lines));
}

QString DroppedSetFile(const QMimeData *data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && url.toLocalFile().endsWith(".rom", Qt::CaseInsensitive))
            return url.toLocalFile();
    return {};
}

void MarkMessageLines(ProgramEditor &editor, const CompilerState &state) {
    std::set<int> lines;
    for (const CompileMessage &message : state.messages)
        if (SeverityOf(message.code) != Severity::Information && message.line > 0) lines.insert(message.line);
    editor.MarkErrorLines(lines);
}

TProgramText::TProgramText(QWidget *parent) : ProgramEditor(parent) {
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
    setFont(EditorFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
}

void TProgramText::keyReleaseEvent(QKeyEvent *event) {
    ProgramEditor::keyReleaseEvent(event);
    emit caretMayHaveMoved();
}

void TProgramText::mousePressEvent(QMouseEvent *event) {
    ProgramEditor::mousePressEvent(event);
    emit caretMayHaveMoved();
}

void TProgramText::dragEnterEvent(QDragEnterEvent *event) {
    if (DroppedSetFile(event->mimeData()).isEmpty())
        ProgramEditor::dragEnterEvent(event);
    else
        event->acceptProposedAction();
}

void TProgramText::dragMoveEvent(QDragMoveEvent *event) {
    if (DroppedSetFile(event->mimeData()).isEmpty())
        ProgramEditor::dragMoveEvent(event);
    else
        event->acceptProposedAction();
}

void TProgramText::dropEvent(QDropEvent *event) {
    const QString set = DroppedSetFile(event->mimeData());
    if (set.isEmpty()) return ProgramEditor::dropEvent(event);
    event->acceptProposedAction();
    emit setDropped(set);
}
