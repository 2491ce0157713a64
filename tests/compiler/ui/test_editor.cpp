// Program editor: colouring by token class and line place, the margin, error marks, Tab and going to a line.
#include "compiler/ui/Highlighter.h"
#include "compiler/ui/ProgramEditor.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>
#include <QtTest>

namespace {

// The format that the highlighter gave the character at pos of the block (an empty one if none).
QTextCharFormat FormatAt(const QTextBlock &block, int pos) {
    for (const QTextLayout::FormatRange &range : block.layout()->formats())
        if (pos >= range.start && pos < range.start + range.length) return range.format;
    return {};
}

bool Marked(const QTextCharFormat &format) {
    return format.underlineStyle() == QTextCharFormat::WaveUnderline;
}

QString NumberedLines(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i) lines << QString("wait(%1 s)").arg(i);
    return lines.join('\n');
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT

private slots:
    void formatsFollowTheTokensAndThePlaceOfEachLine() {
        QTextDocument doc;
        Highlighter highlighter(&doc);
        doc.setPlainText("note\nmaxsteer(100 deg)\nbegin\nstepit(1 s)\nstepto(10 deg) ; go\nend\nwait(1 s)");
        highlighter.rehighlight();
        auto line = [&](int n) { return doc.findBlockByNumber(n - 1); };

        QCOMPARE(FormatAt(line(1), 0), Highlighter::Format(TokenClass::Ignored));
        QCOMPARE(FormatAt(line(2), 0), Highlighter::Format(TokenClass::MaxSteer));
        QCOMPARE(FormatAt(line(2), 9), Highlighter::Format(TokenClass::Number));
        QCOMPARE(FormatAt(line(2), 13), Highlighter::Format(TokenClass::Unit));
        QCOMPARE(FormatAt(line(3), 0), Highlighter::Format(TokenClass::Begin));
        QVERIFY(Marked(FormatAt(line(4), 0)));
        QCOMPARE(FormatAt(line(4), 0).underlineColor(), QColor(Qt::red));
        QCOMPARE(FormatAt(line(5), 0), Highlighter::Format(TokenClass::Function));
        QCOMPARE(FormatAt(line(5), 16), Highlighter::Format(TokenClass::Comment));
        QCOMPARE(FormatAt(line(6), 0), Highlighter::Format(TokenClass::End));
        QCOMPARE(FormatAt(line(7), 0), Highlighter::Format(TokenClass::Ignored));

        const LinePlace places[] = {LinePlace::Header,     LinePlace::Header,     LinePlace::Gap,
                                    LinePlace::Statements, LinePlace::Statements, LinePlace::Statements,
                                    LinePlace::Trailing};
        for (int n = 1; n <= 7; ++n) QCOMPARE(Highlighter::PlaceOf(line(n)), places[n - 1]);
    }

    void everyClassHasItsOwnFormat() {
        const TokenClass own[] = {TokenClass::Function,    TokenClass::UnknownFunction,
                                  TokenClass::MaxSteer,    TokenClass::ExtraMaxSteer,
                                  TokenClass::Number,      TokenClass::Unit,
                                  TokenClass::Punctuation, TokenClass::Comment,
                                  TokenClass::Ignored,     TokenClass::Invalid};
        for (TokenClass a : own)
            for (TokenClass b : own)
                if (a != b) QVERIFY(Highlighter::Format(a) != Highlighter::Format(b));
    }

    void editsRecolourTheLinesBelow() {
        ProgramEditor editor;
        editor.setPlainText("maxsteer(100 deg)\nbegin\nstepit(1 s)\nend\nwait(1 s)");
        QTest::qWait(0);
        auto line = [&](int n) { return editor.document()->findBlockByNumber(n - 1); };
        QVERIFY(Marked(FormatAt(line(3), 0)));
        QCOMPARE(FormatAt(line(5), 0), Highlighter::Format(TokenClass::Ignored));

        // Fixing the name clears its mark; taking END away brings the last line into the program.
        QTextCursor cursor(line(3));
        cursor.setPosition(line(3).position() + 4);
        cursor.setPosition(line(3).position() + 6, QTextCursor::KeepAnchor);
        cursor.insertText("to");
        QCOMPARE(line(3).text(), QString("stepto(1 s)"));
        QCOMPARE(FormatAt(line(3), 0), Highlighter::Format(TokenClass::Function));
        cursor = QTextCursor(line(4));
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText("; end");
        QCOMPARE(FormatAt(line(5), 0), Highlighter::Format(TokenClass::Function));
        QCOMPARE(Highlighter::PlaceOf(line(5)), LinePlace::Statements);
    }

    void tabIndentsWithBlanksAsOneEdit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("back"); // Shift+Tab
        QTest::addColumn<QString>("expected");
        QTest::newRow("at a line's start") << "wait(1 s)" << 0 << 0 << false << "    wait(1 s)";
        QTest::newRow("to the next stop") << "ab" << 2 << 2 << false << "ab  ";
        QTest::newRow("lines of a selection") << "a\nb\nc" << 0 << 3 << false << "    a\n    b\nc";
        QTest::newRow("not the line a selection ends at the start of")
            << "a\nb\nc" << 4 << 0 << false << "    a\n    b\nc";
        QTest::newRow("back, up to one stop") << "      a\n  b\nc" << 0 << 10 << true << "  a\nb\nc";
    }
    void tabIndentsWithBlanksAsOneEdit() {
        QFETCH(QString, text);
        QFETCH(int, anchor);
        QFETCH(int, position);
        QFETCH(bool, back);
        QFETCH(QString, expected);
        ProgramEditor editor;
        QCOMPARE(editor.lineWrapMode(), QPlainTextEdit::NoWrap);
        editor.setPlainText(text);
        QTextCursor cursor(editor.document());
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
        if (back)
            QTest::keyClick(&editor, Qt::Key_Backtab, Qt::ShiftModifier);
        else
            QTest::keyClick(&editor, Qt::Key_Tab);
        QCOMPARE(editor.toPlainText(), expected);
        editor.undo();
        QCOMPARE(editor.toPlainText(), text);
    }

    void marginWidthGrowsWithTheLineCount() {
        ProgramEditor editor;
        editor.resize(400, 300);
        editor.show();
        editor.setPlainText(NumberedLines(9));
        const int two = editor.LineNumberAreaWidth();
        editor.setPlainText(NumberedLines(99));
        QCOMPARE(editor.LineNumberAreaWidth(), two);
        editor.setPlainText(NumberedLines(100));
        const int three = editor.LineNumberAreaWidth();
        QCOMPARE(three - two, editor.fontMetrics().horizontalAdvance(QLatin1Char('9')));
        QCOMPARE(editor.viewport()->geometry().left(), editor.contentsRect().left() + three);

        QFont big = editor.font();
        big.setPixelSize(24);
        editor.setFont(big);
        QVERIFY(editor.LineNumberAreaWidth() > three);
    }

    void errorMarksLastUntilTheNextEdit() {
        ProgramEditor editor;
        editor.setPlainText(NumberedLines(5));
        editor.MarkErrorLines({2, 4, 9});
        QCOMPARE(editor.ErrorLines(), (std::set<int>{2, 4, 5})); // past the end: the last line
        QCOMPARE(editor.extraSelections().size(), 3);
        QCOMPARE(editor.extraSelections()[0].cursor.blockNumber(), 1);

        // Colouring and moving the caret are no edits.
        editor.SyntaxHighlighter()->rehighlight();
        QTest::qWait(0);
        editor.moveCursor(QTextCursor::End);
        QCOMPARE(editor.extraSelections().size(), 3);

        editor.insertPlainText("x");
        QCOMPARE(editor.extraSelections().size(), 0);
        QVERIFY(editor.ErrorLines().empty());
    }

    void goToLineSelectsTheWholeLine() {
        ProgramEditor editor;
        editor.resize(300, 100);
        editor.show();
        editor.setPlainText(NumberedLines(200));
        QCOMPARE(editor.GoToLine(150), 150);
        QCOMPARE(editor.textCursor().blockNumber(), 149);
        QCOMPARE(editor.textCursor().selectedText(), QString("wait(150 s)"));
        QVERIFY(editor.viewport()->rect().contains(editor.cursorRect().center()));

        QCOMPARE(editor.GoToLine(201), 200); // warning 102 names the line after the last
        QCOMPARE(editor.textCursor().selectedText(), QString("wait(200 s)"));
        QCOMPARE(editor.GoToLine(0), 0);
        QCOMPARE(editor.textCursor().selectedText(), QString("wait(200 s)"));
    }

    void latin1LineKeepsOneCharacterPerPosition() {
        QCOMPARE(Latin1Line(QString::fromUtf8("\xc3\xa4\xe2\x82\xac;")), std::string("\xe4?;"));
    }

    // Text the compiler ignores gets a wavy underline after the pause in typing, and a tooltip that
    // names it and says why; the error marks and the underlines live side by side.
    void ignoredTextIsUnderlinedWithItsReason() {
        ProgramEditor editor;
        editor.resize(400, 200);
        editor.show();
        editor.setPlainText("maxsteer(100 deg)\nbegin\nwait(5)\nend");
        QTRY_COMPARE(editor.IgnoredParts().size(), std::size_t(1));
        editor.MarkErrorLines({4});
        const QList<QTextEdit::ExtraSelection> marks = editor.extraSelections();
        QCOMPARE(marks.size(), 2);
        QCOMPARE(marks[1].format.underlineStyle(), QTextCharFormat::WaveUnderline);
        QCOMPARE(marks[1].cursor.selectedText(), QString("5"));
        QCOMPARE(marks[1].cursor.blockNumber(), 2);

        QTextCursor at(editor.document()->findBlockByNumber(2));
        at.setPosition(at.position() + 5);
        const QPoint point = editor.cursorRect(at).center();
        QHelpEvent help(QEvent::ToolTip, point, editor.viewport()->mapToGlobal(point));
        QApplication::sendEvent(editor.viewport(), &help);
        QCOMPARE(QToolTip::text(), QString("Line 3: \"5\" is ignored: a list of one character is not read"));

        editor.setPlainText("maxsteer(100 deg)\nbegin\nwait(5 s)\nend");
        QVERIFY(editor.IgnoredParts().size() == 1); // until the pause
        QTRY_VERIFY(editor.IgnoredParts().empty());
        QCOMPARE(editor.extraSelections().size(), 0);
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
