// Find, Replace and Go to Line over the program editors: case-insensitive matches, all 16 programs,
// one undo per program, replacements that hold the text, and the search going on into other programs.
#include "app/FindCommands.h"
#include "compiler/ui/Finddlg.h"
#include "window_test.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QtTest>

class TestFindCommands : public WindowTest {
    Q_OBJECT

    TFindDlg *Dialog() const { return m_form->Find()->Dialog(); }
    QString Text(int k) const { return m_form->Programs()->Editor(k)->toPlainText(); }
    void Ask(const QString &find, const QString &replace, bool matchCase, bool wholeWords, bool all) {
        Dialog()->FindEdit->setText(find);
        Dialog()->ReplaceEdit->setText(replace);
        Dialog()->MatchCaseBox->setChecked(matchCase);
        Dialog()->WholeWordsBox->setChecked(wholeWords);
        (all ? Dialog()->AllProgramsBtn : Dialog()->ThisProgramBtn)->setChecked(true);
    }

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() {
        OpenWindow();
        SetProgram(0, "begin\nwait(1 sec)\nWAIT(1 SEC)\nend");
        SetProgram(3, "begin\nstepto(10 deg, 1 sec)\nend");
        SetProgram(7, "begin\nwait(1 sec) ; waiting\nend");
        m_form->Programs()->Tabs()->setCurrentIndex(3);
    }
    void cleanup() { CloseWindow(); }

    void replaceAllCountsAndUndoesPerProgram_data() {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<bool>("all");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("programs");
        // The default text of the other 13 programs has begin and end lines too.
        QTest::newRow("all programs, any case") << "wait(1 sec)"
                                                << "wait(2 sec)" << false << false << true << 3 << 2;
        QTest::newRow("all programs, matching case") << "WAIT"
                                                     << "wait" << true << false << true << 1 << 1;
        QTest::newRow("whole words leave 'waiting'") << "wait"
                                                     << "hold" << false << true << true << 3 << 2;
        QTest::newRow("a replacement holding the text") << "sec"
                                                        << "secs" << false << false << true << 4 << 3;
        QTest::newRow("this program only") << "begin"
                                           << "BEGIN" << false << false << false << 1 << 1;
        QTest::newRow("not found") << "sinesweep"
                                   << "sine" << false << false << true << 0 << 0;
    }
    void replaceAllCountsAndUndoesPerProgram() {
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWords);
        QFETCH(bool, all);
        QFETCH(int, count);
        QFETCH(int, programs);
        QStringList before;
        for (int k = 0; k < ProgramCount; ++k) before << Text(k);
        m_form->Find()->Replace();
        Ask(find, replace, matchCase, wholeWords, all);
        QCOMPARE(m_form->Find()->ReplaceAll(), count);
        int changed = 0;
        for (int k = 0; k < ProgramCount; ++k) {
            if (Text(k) == before[k]) continue;
            ++changed;
            QVERIFY2(Text(k).contains(replace), qPrintable(Text(k)));
            // One undo takes all of a program's replacements back.
            m_form->Programs()->Editor(k)->undo();
            QCOMPARE(Text(k), before[k]);
        }
        QCOMPARE(changed, programs);
        QVERIFY(Dialog()->StatusLabel->text().contains(count == 0 ? "not found" : QString::number(count)));
    }

    void findNextGoesOnThroughTheProgramsAndRoundTheSet() {
        m_form->Find()->Find();
        Ask("wait(1 sec)", {}, false, false, true);
        const QList<QPair<int, int>> stops{
            {7, 2}, {0, 2}, {0, 3}, {7, 2}}; // program and line, from program 3
        for (const auto &[program, line] : stops) {
            QVERIFY(m_form->Find()->FindNext());
            QCOMPARE(m_form->Programs()->CurrentProgram(), program);
            QCOMPARE(m_form->Programs()->CaretLine(), line);
            QCOMPARE(m_form->Programs()->CurrentEditor()->textCursor().selectedText().toLower(),
                     "wait(1 sec)");
        }
        QVERIFY(m_form->Find()->FindPrevious()); // back from program 7 to the last match of program 0
        QCOMPARE(m_form->Programs()->CurrentProgram(), 0);
        QCOMPARE(m_form->Programs()->CaretLine(), 3);
        // In this program only, the search goes round within it.
        Ask("stepto", {}, false, false, false);
        QVERIFY(!m_form->Find()->FindNext());
        QVERIFY(Dialog()->StatusLabel->text().contains("not found"));
    }

    void replaceChangesAMatchingSelectionThenFindsTheNext() {
        m_form->Programs()->Tabs()->setCurrentIndex(0);
        m_form->Find()->Replace();
        Ask("wait(1 sec)", "wait(3 sec)", false, false, false);
        QVERIFY(m_form->Find()->FindNext());
        m_form->Find()->ReplaceOne();
        m_form->Find()->ReplaceOne();
        QCOMPARE(Text(0), QString("begin\nwait(3 sec)\nwait(3 sec)\nend"));
    }

    // Typed as the user types: a number past the end goes to the last line, letters are not taken.
    void goToLinePutsTheCaretAtTheLinesStart_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("line");
        QTest::newRow("a line") << "2" << 2;
        QTest::newRow("just past the end") << "4" << 3;
        QTest::newRow("far past the end") << "999" << 3;
        QTest::newRow("letters") << "x2y" << 2;
    }
    void goToLinePutsTheCaretAtTheLinesStart() {
        QFETCH(QString, typed);
        QFETCH(int, line);
        m_onDialog = [typed](QDialog &dialog) {
            auto *box = dialog.findChild<QSpinBox *>("LineBox");
            if (!box) return int(QDialog::Rejected);
            box->findChild<QLineEdit *>()->selectAll();
            QTest::keyClicks(box, typed);
            return int(QDialog::Accepted);
        };
        m_form->Find()->GoToLine();
        QCOMPARE(m_form->Programs()->CaretLine(), line);
        QCOMPARE(m_form->Programs()->CaretColumn(), 1);
        QVERIFY(!m_form->Programs()->CurrentEditor()->textCursor().hasSelection());
    }
};

QTEST_MAIN(TestFindCommands)
#include "test_findcommands.moc"
