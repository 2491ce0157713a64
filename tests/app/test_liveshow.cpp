// Live Show: one compile per pause in typing, into its own state, reported on the strip under the
// graph and never in a box; Show and Build stay as they were.
#include "app/GraphView.h"
#include "app/LiveShow.h"
#include "app/SummaryPanel.h"
#include "romfiles/ui/Prefdlg.h"
#include "window_test.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QtTest>

namespace {

const char *const RampProgram = "maxsteer(100 deg)\nbegin\nrampto(50 deg, 2 sec)\nwait(1 sec)\n"
                                "rampto(0 deg, 1 sec)\nend";

} // namespace

class TestLiveShow : public WindowTest {
    Q_OBJECT

    TLiveShow *Live() const { return m_form->Live(); }
    void SwitchOn() {
        m_form->Actions().LiveShow1->trigger();
        QVERIFY(Live()->IsOn());
    }
    // Replaces the current program's text and lets the pause run out.
    void TypeAndPause(const QString &text) {
        const int compiles = Live()->Compiles();
        SetProgram(m_form->Programs()->CurrentProgram(), text);
        QTRY_COMPARE_WITH_TIMEOUT(Live()->Compiles(), compiles + 1, 3000);
    }

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() { OpenWindow({1000, 700}); }
    void cleanup() {
        Settings().steerRateCheck = false;
        CloseWindow();
    }

    void offAtFirstAndOnItDrawsWhatShowDraws() {
        QVERIFY(!m_form->Actions().LiveShow1->isChecked());
        QVERIFY(Live()->Strip()->isHidden());
        SetProgram(0, RampProgram);
        QVERIFY(!Live()->Timer()->isActive());
        const int graphHeight = m_form->Graph()->height();
        SwitchOn();
        QCOMPARE(Live()->Compiles(), 1);
        QVERIFY(Live()->Strip()->isVisible());
        QVERIFY(m_form->Graph()->height() < graphHeight); // the strip takes its room from the graph
        QCOMPARE(m_form->Graph()->ShownProgram(), 0);
        QCOMPARE(m_form->Summary()->Program(), 0);
        const QImage live = m_form->Graph()->Image()->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Graph()->Image()->Picture(), live);
    }

    void compilesOnceWhenTypingPauses() {
        SwitchOn();
        QWidget *editor = m_form->Programs()->CurrentEditor();
        const int compiles = Live()->Compiles();
        QTest::keyClicks(editor, "wait(2 s)");
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(Live()->Timer()->interval(), TLiveShow::PauseMs);
        QVERIFY(Live()->Timer()->isActive());
        QCOMPARE(Live()->Compiles(), compiles);
        QTRY_COMPARE_WITH_TIMEOUT(Live()->Compiles(), compiles + 1, 3000);
        QTest::qWait(3 * TLiveShow::PauseMs);
        QCOMPARE(Live()->Compiles(), compiles + 1);
        // Another tab is compiled when it comes to the front; edits of other programs start nothing.
        m_form->Programs()->SelectProgram(4);
        QTRY_COMPARE_WITH_TIMEOUT(Live()->Compiles(), compiles + 2, 3000);
        SetProgram(9, RampProgram);
        QVERIFY(!Live()->Timer()->isActive());
    }

    void reportsOnTheStripWithoutABox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("strip");
        QTest::addColumn<bool>("marked"); // lines of the editor marked
        QTest::newRow("good") << RampProgram << int(LiveReport::Good)
                              << "Program #0: Compiled OK - program length: t= 15.999 seconds" << false;
        QTest::newRow("warning")
            << "maxsteer(100 deg)\nbegin\nwait(1 sec)" << int(LiveReport::Warned)
            << "Program #0: Warning in line 4: END not found - It will be added automatically" << true;
        QTest::newRow("notice") << "maxsteer(100 deg)\nbegin\nrampto(10 deg, 1 sec)\nend"
                                << int(LiveReport::Warned)
                                << "Program #0: Program ends at nonzero steer angle (10.0 deg)." << false;
        QTest::newRow("steer rate, and more")
            << "maxsteer(100 deg)\nbegin\nrampto(90 deg, 0.1 sec)\nwait(1 sec)" << int(LiveReport::Warned)
            << "Program #0: Program ends at nonzero steer angle (90.0 deg).  "
               "(and 2 more)"
            << true;
        QTest::newRow("errors")
            << "maxsteer(100 deg)\nbegin\nstpto(1 deg)\nsetrate(3 hz)\nend" << int(LiveReport::Failed)
            << "Program #0: Error in line 3: \"STPTO\" is an invalid function  (and 1 more)" << true;
    }
    void reportsOnTheStripWithoutABox() {
        QFETCH(QString, text);
        QFETCH(int, level);
        QFETCH(QString, strip);
        QFETCH(bool, marked);
        Settings().steerRateCheck = true;
        Settings().steerRateLimit = 500;
        SwitchOn();
        m_form->ShowButtonClick(); // the last good graph, drawn by Show
        TypeAndPause(text);
        QCOMPARE(Live()->Strip()->text(), strip);
        QCOMPARE(m_boxes, QStringList{});
        QCOMPARE(m_dialogs, QStringList{});
        const bool failed = level == LiveReport::Failed;
        QCOMPARE(m_form->Graph()->Image()->Greyed(), failed);
        QCOMPARE(m_form->Summary()->Title()->text(),
                 failed ? QString("Program #0 (the text has errors)") : QString("Program #0"));
        QCOMPARE(!m_form->Programs()->Editor(0)->ErrorLines().empty(), marked);
        QCOMPARE(LiveReportOf(0, Live()->State(), {}).level == LiveReport::Failed, failed);
    }

    void showKeepsItsStateBoxesAndMessages() {
        SwitchOn();
        SetProgram(0, "maxsteer(100 deg)\nbegin\nstepto(10 deg, 1 sec)");
        QVERIFY(Live()->Timer()->isActive());
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

    void aZoomedViewStaysWhileTheProgramChanges() {
        SetProgram(0, RampProgram);
        SwitchOn();
        m_form->Actions().ZoomIn1->trigger();
        const TWorldWindow zoomed = m_form->Graph()->World();
        TypeAndPause(QString(RampProgram).replace("wait(1 sec)", "wait(3 sec)"));
        QCOMPARE(m_form->Graph()->World(), zoomed);
        QVERIFY(m_form->Graph()->FitWorld().XHigh > zoomed.XHigh);
        // Errors grey the last good picture out and leave it; the next good text draws again.
        const QImage good = m_form->Graph()->Image()->Picture().copy();
        TypeAndPause("maxsteer(100 deg)\nbegin\nrampto(50 deg)\nend");
        QVERIFY(m_form->Graph()->Image()->Greyed());
        QCOMPARE(m_form->Graph()->Image()->Picture(), good);
        TypeAndPause(RampProgram);
        QVERIFY(!m_form->Graph()->Image()->Greyed());
        m_form->Actions().LiveShow1->trigger();
        QVERIFY(Live()->Strip()->isHidden());
        SetProgram(0, "");
        QVERIFY(!Live()->Timer()->isActive());
    }
};

QTEST_MAIN(TestLiveShow)
#include "test_liveshow.moc"
