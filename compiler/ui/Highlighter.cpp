// Syntax colouring of a program editor: formats per token class and the line place in block states.
#include "compiler/ui/Highlighter.h"

#include <QColor>
#include <QTextBlock>

Highlighter::Highlighter(QTextDocument *document) : QSyntaxHighlighter(document) {}

QTextCharFormat Highlighter::Format(TokenClass kind) {
    QTextCharFormat format;
    auto mark = [&format](const QColor &colour) {
        format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        format.setUnderlineColor(colour);
    };
    switch (kind) {
    case TokenClass::Function:
        format.setForeground(QColor(0x00, 0x00, 0x8b));
        format.setFontWeight(QFont::Bold);
        break;
    case TokenClass::UnknownFunction:
        format.setForeground(QColor(0x8b, 0x00, 0x00));
        mark(Qt::red);
        break;
    case TokenClass::MaxSteer:
    case TokenClass::Begin:
    case TokenClass::End:
        format.setForeground(QColor(0x80, 0x00, 0x80));
        format.setFontWeight(QFont::Bold);
        break;
    case TokenClass::ExtraMaxSteer:
        format.setForeground(QColor(0x90, 0x90, 0x90));
        mark(QColor(0xff, 0x8c, 0x00));
        break;
    case TokenClass::Number:
        format.setForeground(QColor(0x00, 0x6d, 0x6d));
        break;
    case TokenClass::Unit:
        format.setForeground(QColor(0x00, 0x64, 0x00));
        break;
    case TokenClass::Punctuation:
        format.setForeground(QColor(0x40, 0x40, 0x40));
        break;
    case TokenClass::Comment:
        format.setForeground(QColor(0x70, 0x70, 0x70));
        format.setFontItalic(true);
        break;
    case TokenClass::Ignored:
        format.setForeground(QColor(0xa0, 0xa0, 0xa0));
        break;
    case TokenClass::Invalid:
        format.setForeground(QColor(0xc0, 0x00, 0x00));
        mark(Qt::red);
        break;
    }
    return format;
}

LinePlace Highlighter::PlaceOf(const QTextBlock &block) {
    const QTextBlock previous = block.previous();
    if (!previous.isValid() || previous.userState() < 0) return LinePlace::Header;
    return LinePlace(previous.userState());
}

void Highlighter::highlightBlock(const QString &text) {
    const int state = previousBlockState();
    const LinePlace place = state < 0 ? LinePlace::Header : LinePlace(state);
    const LineTokens tokens = TokenizeLine(Latin1Line(text), place);
    for (const Token &token : tokens.tokens) setFormat(token.start, token.length, Format(token.kind));
    setCurrentBlockState(int(tokens.next));
}
