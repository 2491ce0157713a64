// Live Show: one compile per pause in typing, into its own state, reported on the strip under the
// graph and never in a box; Show stays as it was.
#include "app/GraphView.h"
#include "app/LiveShow.h"
#include "app/SummaryPanel.h"
#include "uikit/Settings.h"
#include "window_test.h"

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

namespace {

const char *const RampProgram = "maxsteer(100 deg)\nbegin\nrampto(50 deg, 2 sec)\nwait(1 sec)\n"
                                "rampto(0 deg, 1 sec)\nend";

} // namespace

class TestLiveShow : public WindowTest {
    Q_OBJECT

    TLiveShow *Live() const { return m_form->Live(); }
    // Replaces the current program's text and lets the pause run out.
    void TypeAndPause(const QString &text) {
        const int compiles = Live()->Compiles();
        SetProgram(m_form->Programs()->CurrentProgram(), text);
        QTRY_COMPARE_WITH_TIMEOUT(Live()->Compiles(), compiles + 1, 3000);
    }

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() {
        OpenWindow({1000, 700});
        QVERIFY(!m_form->Actions().LiveShow1->isChecked());
        SetProgram(0, RampProgram);
        QVERIFY(!Live()->Timer()->isActive()); // off, an edit starts nothing
        m_form->Actions().LiveShow1->trigger();
        QCOMPARE(Live()->Compiles(), 1); // on, it compiles at once
    }
    void cleanup() { CloseWindow(); }

    // Left on, Live Show draws at start-up once the window has its size: no box comes up before the
    // window (the first keys typed would close it and be lost), and the snapshot is written then.
    void leftOnItStartsWithTheWindowWithoutABox() {
        CloseWindow();
        SetPreferencesFile(Path("preferences.conf"));
        SetPreferenceValue("view/liveShow", true);
        m_boxes.clear();
        m_form = std::make_unique<TForm1>();
        m_form->CreateDialogs();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        m_form->resize(1000, 700);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QString snapshot = m_form->Graph()->SnapshotPath();
        QTRY_VERIFY(QFileInfo::exists(snapshot));
        QCOMPARE(QImage(snapshot).size(), m_form->Graph()->Image()->Picture().size());
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QCOMPARE(m_form->Graph()->ShownProgram(), 0);
        SetPreferenceValue("view/liveShow", false);
        SetPreferencesFile({});
    }

    void compilesOnceWhenTypingPausesAndKeepsAZoomedView() {
        QPlainTextEdit *editor = m_form->Programs()->CurrentEditor();
        const auto typeLine = [&](const char *line) {
            editor->setTextCursor(QTextCursor(editor->document()->findBlockByNumber(3)));
            QTest::keyClicks(editor, line);
            QTest::keyClick(editor, Qt::Key_Return);
        };
        typeLine("wait(2 s)");
        QVERIFY(Live()->Timer()->isActive());
        QCOMPARE(Live()->Compiles(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(Live()->Compiles(), 2, 3000);
        QTest::qWait(3 * TLiveShow::PauseMs);
        QCOMPARE(Live()->Compiles(), 2);
        const QImage live = m_form->Graph()->Image()->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Graph()->Image()->Picture(), live);
        // A zoomed view stays while the program grows under it.
        m_form->Actions().ZoomIn1->trigger();
        const TWorldWindow zoomed = m_form->Graph()->World(), fit = m_form->Graph()->FitWorld();
        typeLine("wait(1 s)");
        QTRY_COMPARE_WITH_TIMEOUT(Live()->Compiles(), 3, 3000);
        QCOMPARE(m_form->Graph()->World(), zoomed);
        QVERIFY(qAbs(m_form->Graph()->FitWorld().XHigh - fit.XHigh - 1) < 0.01);
        SetProgram(9, RampProgram); // another program
        QVERIFY(!Live()->Timer()->isActive());
    }

    void reportsOnTheStripWithoutABox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("strip");
        QTest::newRow("good") << RampProgram << "Program #0: compiled, duration 4.000 s to END";
        QTest::newRow("notices first, then warnings")
            << "maxsteer(100 deg)\nbegin\nrampto(90 deg, 0.1 sec)\nwait(1 sec)"
            << "Program #0: Program ends at nonzero steer angle (90.0 deg).  (and 2 more)";
        QTest::newRow("errors")
            << "maxsteer(100 deg)\nbegin\nstpto(1 deg)\nsetrate(3 hz)\nend"
            << "Program #0: Error in line 3: \"STPTO\" is an invalid function  (and 1 more)";
    }
    void reportsOnTheStripWithoutABox() {
        QFETCH(QString, text);
        QFETCH(QString, strip);
        ScratchSettings rates(Settings().startupDir);
        Settings().steerRateCheck = true;
        Settings().steerRateLimit = 500;
        TypeAndPause(text);
        QCOMPARE(Live()->Strip()->text(), strip);
        QCOMPARE(m_boxes, QStringList{});
        QCOMPARE(m_dialogs, QStringList{});
        // Errors grey the last good graph out, and leave it.
        QCOMPARE(m_form->Graph()->Image()->Greyed(), strip.contains("Error"));
    }

    // The line describes the program on the graph, whoever compiled it last: a Show within the
    // pause, of another program or of a text with errors, takes it over; so does ignored text.
    void theLineDescribesTheProgramOnTheGraph() {
        SetProgram(3, RampProgram);
        SetProgram(8, "maxsteer(100 deg)\nbegin\nwait(5)\nrampto(10 deg, 1 sec)\nrampto(0 deg, 1 sec)\nend");
        m_form->Programs()->SelectProgram(3);
        m_form->Programs()->SelectProgram(8);
        m_form->ShowButtonClick();
        QCOMPARE(Live()->Strip()->text(),
                 QString("Program #8: Line 3: \"5\" is ignored: a list of one character is not read"));
        QVERIFY(!m_form->Graph()->Image()->Greyed());
        SetProgram(8, "maxsteer(100 deg)\nbegin\nwiat(1 sec)\nend");
        m_form->ShowButtonClick();
        QCOMPARE(Live()->Strip()->text(),
                 QString("Program #8: Error in line 3: \"WIAT\" is an invalid function"));
        QVERIFY(m_form->Graph()->Image()->Greyed());
        QTest::qWait(3 * TLiveShow::PauseMs);
        QVERIFY(Live()->Strip()->text().startsWith("Program #8: Error in line 3"));
    }

    void aFlagLeftOnAfterTheEndIsOnTheStripAndInTheSummary() {
        TypeAndPause("maxsteer(100 deg)\nbegin\nsetflag(8 b, 100 %)\nend");
        QCOMPARE(
            Live()->Strip()->text(),
            QString(
                "Program #0: Flag 8 stays on after the end (the aux image holds it on to the last step)."));
        QVERIFY(m_form->Summary()->Text()->toPlainText().contains("Flag 8          stays on after the end"));
        QCOMPARE(m_boxes, QStringList{});
    }

    void showKeepsItsStateBoxesAndMessages() {
        SetProgram(0, "maxsteer(100 deg)\nbegin\nrampto(10 deg, 1 sec)");
        m_form->ShowButtonClick();
        QVERIFY(!Live()->Timer()->isActive()); // Show has drawn this text: no live compile follows
        QCOMPARE(m_boxes, QStringList{"Program ends at nonzero steer angle (10.0 deg)."});
        QCOMPARE(m_dialogs, QStringList{"TErrDialog"});
        const std::vector<std::string> shown = m_form->LastCompile().messageLines;
        TypeAndPause("maxsteer(100 deg)\nbegin\nfrob\nend");
        QCOMPARE(m_form->LastCompile().messageLines, shown);
        QCOMPARE(Live()->State().ErrorCount, 1);
        QCOMPARE(m_dialogs, QStringList{"TErrDialog"});
    }
};

QTEST_MAIN(TestLiveShow)
#include "test_liveshow.moc"
