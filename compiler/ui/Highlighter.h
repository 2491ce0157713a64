// Syntax colouring of a program editor: the compiler's reading of each line as the user types.
#pragma once

#include "compiler/tokens.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <string>

class QTextBlock;

// The line as the compiler gets it from the editor: one Latin-1 byte per character, "?" for a
// character that Latin-1 cannot hold, so positions in the two are the same.
std::string Latin1Line(const QString &text);

// Colours every block by its tokens. Each block's state is the LinePlace of the block after it,
// so a block knows whether it stands before begin, in the statements or after end.
class Highlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit Highlighter(QTextDocument *document);

    // The character format of one token class.
    static QTextCharFormat Format(TokenClass kind);

    // Where a block stands, as the blocks before it decide (once they have been highlighted).
    static LinePlace PlaceOf(const QTextBlock &block);

protected:
    void highlightBlock(const QString &text) override;
};
