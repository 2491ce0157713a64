// Syntax colouring of a program editor: the compiler's reading of each line as the user types.
#pragma once

#include "compiler/tokens.h"
#include "uikit/Latin1.h" // the lines are read as the compiler gets them: Latin1Line

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QTextBlock;

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
