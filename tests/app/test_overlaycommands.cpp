// Traces over the shown program: a measured log with its figures in the summary panel, another
// program in its own colour, both following zoom, pan and Fit, and Clear Overlay taking both off.
#include "app/GraphView.h"
#include "app/LiveShow.h"
#include "app/Mainform.h"
#include "app/OverlayCommands.h"
#include "app/SetFiles.h"
#include "app/SummaryPanel.h"
#include "files/fileio.h"
#include "measure/synthetic_log.h"
#include "measure/ui/Evaluaterundlg.h"
#include "measure/ui/Overlaylogdlg.h"
#include "romfiles/ui/Slotdlg.h"
#include "uikit/Forms.h"
#include "window_test.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QtTest>

namespace {

const char *const SineWithDwell =
    "maxsteer(100 deg)\nbegin\nwait(1 sec)\nsine(50 deg, 0.7 hz, 0.75 cycles)\n"
    "wait(0.5 sec)\nsine(50 deg, 0.7 hz, 0.25 cycles, 270 deg)\nwait(1 sec)\nend";
const char *const Hold40 =
    "maxsteer(100 deg)\nbegin\nwait(0.5 sec)\nstepto(40 deg, 0.01 sec)\nwait(3 sec)\nend";

ProgramText Lines(const char *text) { return SplitLines(text); }

} // namespace

class TestOverlayCommands : public WindowTest {
    Q_OBJECT

    TGraphView *Graph() const { return m_form->Graph(); }

    // A run of the sine with dwell 35 ms late at a gain of 0.97, with noise, as the logger writes it.
    QString WriteRun() {
        CompilerState state;
        if (!CompileProgram(state, Lines(SineWithDwell), {})) return {};
        const QString path = Path("sid-run.csv");
        WriteFileAtomically(ToPath(path),
                            SyntheticLog(CommandedFrom(state), state, MakeRun(0.035, 0.97, 0, 0.3, 500)));
        return path;
    }
    // Answers the log dialog with a file, and the program dialog with a program of this set.
    void Answer(const QString &log, int program) {
        m_onDialog = [log, program](QDialog &dialog) {
            if (auto *logs = qobject_cast<TOverlayLogDlg *>(&dialog)) logs->FileEdit->setText(log);
            if (auto *programs = qobject_cast<TProgramSlotDlg *>(&dialog))
                programs->ProgramBox->setCurrentIndex(program);
            return int(QDialog::Accepted);
        };
    }
    // The row of the plot area at a steer angle, in the world shown.
    int RowOf(double steer) const {
        const TViewport a = Graph()->Area();
        const TWorldWindow w = Graph()->World();
        return a.Bottom - qRound((steer - w.YLow) / (w.YHigh - w.YLow) * (a.Bottom - a.Top));
    }
    // Whether that row holds the colour in the middle of the plot area.
    bool ColourAtSteer(QRgb colour, double steer) const {
        const TViewport a = Graph()->Area();
        const int y = RowOf(steer);
        const QImage &picture = Graph()->Image()->Picture();
        for (int dy = -1; dy <= 1; ++dy)
            if (picture.pixel((a.Left + a.Right) / 2, y + dy) == colour) return true;
        return false;
    }

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() {
        OpenWindow({1200, 700});
        SetProgram(4, SineWithDwell);
        SetProgram(6, Hold40);
        m_form->Programs()->Tabs()->setCurrentIndex(4);
    }
    void cleanup() { CloseWindow(); }

    void theMeasuredLogsFiguresAppear() {
        Answer(WriteRun(), 0);
        m_form->Actions().OverlayLog1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QVERIFY(m_form->Overlays()->Compared());
        QVERIFY(std::abs(m_form->Overlays()->Compared()->delay - 0.035) <= 0.001);
        QVERIFY(std::abs(m_form->Overlays()->Compared()->gain - 0.97) <= 0.01);
        QCOMPARE(Graph()->Overlays().size(), std::size_t(1));
        QCOMPARE(Graph()->Overlays()[0].trace.label, std::string("measured: sid-run.csv"));
        const QString figures = m_form->Summary()->MeasuredFigures()->toPlainText();
        QVERIFY(m_form->Summary()->MeasuredFigures()->isVisibleTo(m_form->Summary()));
        const Comparison &compared = *m_form->Overlays()->Compared();
        QVERIFY2(figures.contains(QString("Delay           %1 s").arg(compared.delay, 0, 'f', 4)) &&
                     figures.contains(QString("Gain            %1").arg(compared.gain, 0, 'f', 4)),
                 qPrintable(figures));
        // The figures and the summary are one page that scrolls as a whole, each showing all its lines
        // as they wrap, also in a smaller window.
        for (const QSize size : {QSize(1200, 700), QSize(1024, 700)}) {
            m_form->resize(size);
            QCoreApplication::processEvents();
            for (QPlainTextEdit *memo : {m_form->Summary()->MeasuredFigures(), m_form->Summary()->Text()})
                QCOMPARE(memo->verticalScrollBar()->maximum(), 0);
        }

        // A Show of the edited program compares the log again; a Show of another program takes it off.
        SetProgram(4, QString(SineWithDwell).replace("wait(1 sec)\nend", "wait(2 sec)\nend"));
        m_form->ShowButtonClick();
        QCOMPARE(Graph()->Overlays().size(), std::size_t(1));
        QVERIFY(m_form->Summary()->MeasuredFigures()->toPlainText().contains("Delay"));
        m_form->Programs()->Tabs()->setCurrentIndex(6);
        m_form->ShowButtonClick();
        QVERIFY(Graph()->Overlays().empty());
        QVERIFY(!m_form->Overlays()->Compared());
        QVERIFY(!m_form->Summary()->MeasuredFigures()->isVisibleTo(m_form->Summary()));
    }

    void aBadLogIsReportedAndDrawsNothing() {
        const QString path = Path("bad.csv");
        WriteFileAtomically(ToPath(path), "time,steer\n0,1\n0.1,n/a\n");
        Answer(path, 0);
        m_form->Overlays()->OverlayLog();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].contains("line 3") && m_boxes[0].contains("bad.csv"), qPrintable(m_boxes[0]));
        QVERIFY(Graph()->Overlays().empty());
    }

    // Live Show compares the log again after every pause in typing, zoomed or not; a comparison that
    // fails takes the log off with a note on the strip, never a box.
    void liveShowFollowsTheLogWithoutABox_data() {
        QTest::addColumn<bool>("zoomed");
        QTest::newRow("fit") << false;
        QTest::newRow("zoomed") << true;
    }
    void liveShowFollowsTheLogWithoutABox() {
        QFETCH(bool, zoomed);
        Answer(WriteRun(), 0);
        m_form->Actions().OverlayLog1->trigger();
        QVERIFY(m_form->Overlays()->Compared());
        const double duration = m_form->Overlays()->Compared()->programDuration;
        m_form->Actions().LiveShow1->trigger();
        if (zoomed) m_form->Actions().ZoomIn1->trigger();
        const auto typeAndPause = [this](const QString &text) {
            const int compiles = m_form->Live()->Compiles();
            SetProgram(4, text);
            QTRY_COMPARE_WITH_TIMEOUT(m_form->Live()->Compiles(), compiles + 1, 3000);
        };
        typeAndPause(QString(SineWithDwell).replace("wait(1 sec)\nend", "wait(2 sec)\nend"));
        QVERIFY(m_form->Overlays()->Compared());
        QVERIFY(std::abs(m_form->Overlays()->Compared()->programDuration - duration - 1) < 0.01);
        typeAndPause("maxsteer(100 deg)\nbegin\nend"); // no steps to compare the log with
        QCOMPARE(m_boxes, QStringList{});
        QVERIFY(Graph()->Overlays().empty());
        QVERIFY(!m_form->Overlays()->Compared());
        QCOMPARE(
            m_form->Live()->Strip()->text(),
            "Program #4: sid-run.csv was taken off the graph: the program has no steps to compare the log "
            "with");
    }

    void theOverlayFollowsZoomPanAndFit() {
        Answer({}, 6); // over the sine with dwell, 40 degrees from 0.5 to 3.5 s
        m_form->Actions().OverlayProgram1->trigger();
        QCOMPARE(Graph()->Overlays().size(), std::size_t(1));
        QCOMPARE(Graph()->Overlays()[0].trace.label, std::string("program 6"));
        const QRgb magenta = qRgb(200, 0, 200);
        QVERIFY(ColourAtSteer(magenta, 40));
        const TViewport a = Graph()->Area();
        const QPoint middle((a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2);
        const int before = RowOf(40);
        Graph()->ZoomGraph(0.25, middle.x(), (RowOf(40) + a.Top) / 2); // about a point above the trace
        QVERIFY(RowOf(40) > before + 20);
        QVERIFY(ColourAtSteer(magenta, 40));
        Graph()->GrImageMousePress(middle.x(), middle.y());
        Graph()->GrImageMouseMove(middle.x() + 30, middle.y() + 20);
        Graph()->GrImageMouseRelease(middle.x() + 30, middle.y() + 20);
        QVERIFY(ColourAtSteer(magenta, 40));
        Graph()->FitGraph1Click();
        QVERIFY(ColourAtSteer(magenta, 40));
        QVERIFY(m_form->Actions().ClearOverlay1->isEnabled());
    }

    void clearOverlayTakesBothKindsOff() {
        Answer(WriteRun(), 6);
        m_form->Overlays()->OverlayLog();
        m_form->Overlays()->OverlayProgram();
        QCOMPARE(Graph()->Overlays().size(), std::size_t(2));
        m_form->Actions().ClearOverlay1->trigger();
        QVERIFY(Graph()->Overlays().empty());
        QVERIFY(!m_form->Summary()->MeasuredFigures()->isVisibleTo(m_form->Summary()));
        QVERIFY(!m_form->Actions().ClearOverlay1->isEnabled());
    }

    // A sweep driven by the linear reference vehicle: the view draws the vehicle's responses per steer
    // beside the steer's, the same picture as plot --bode (which draws them).
    void theFrequencyResponseOfAVehiclesSweepDrawsTheVehicle() {
        const char *const sweep = "maxsteer(100 deg)\nbegin\nsetrate(256 hz)\nwait(1 sec)\n"
                                  "sinesweep(20 deg, 0.2 hz, 3 hz, 20 sec)\nwait(2 sec)\nend";
        SetProgram(4, sweep);
        m_chosenFile = Path("sweep.rom");
        QVERIFY(m_form->SetFiles()->SaveAs1Click());
        CliOutputFile(m_dir.path(), {"simulate", "sweep.rom", "--program", "4", "--linear", "-o", "car.csv"});
        Answer(Path("car.csv"), 0);
        m_form->Overlays()->OverlayLog();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        m_form->Actions().FrequencyResponse1->trigger();
        QVERIFY(Graph()->ResponseShown());
        const QSize size = Graph()->Image()->Picture().size();
        const QByteArray cli = CliOutputFile(
            m_dir.path(), {"plot", "sweep.rom", "--program", "4", "--log", "car.csv", "--bode", "--size",
                           QString("%1x%2").arg(size.width()).arg(size.height()), "-o", "cli-bode.png"});
        m_chosenFile = Path("bode.png");
        m_form->SaveGraphAs1Click();
        QFile saved(m_chosenFile);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll() == cli);
    }

    // For a sweep with its log overlaid, View > Frequency Response draws gain and phase instead of the
    // program, as plot --bode does, and Save Graph As writes its bytes; taking the log off ends it.
    void theFrequencyResponseOfASweep() {
        const TMainActions &a = m_form->Actions();
        QVERIFY(!a.FrequencyResponse1->isEnabled());
        const char *const sweep = "maxsteer(100 deg)\nbegin\nsetrate(256 hz)\nwait(1 sec)\n"
                                  "sinesweep(20 deg, 0.2 hz, 3 hz, 20 sec)\nwait(2 sec)\nend";
        SetProgram(4, sweep);
        CompilerState state;
        QVERIFY(CompileProgram(state, Lines(sweep), {}));
        WriteFileAtomically(ToPath(Path("sweep-run.csv")),
                            SyntheticLog(CommandedFrom(state), state, MakeRun(0.02, 0.9, 0, 0, 500)));
        m_chosenFile = Path("sweep.rom");
        QVERIFY(m_form->SetFiles()->SaveAs1Click());
        Answer(Path("sweep-run.csv"), 0);
        m_form->Overlays()->OverlayLog();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QVERIFY(a.FrequencyResponse1->isEnabled());
        a.FrequencyResponse1->trigger();
        QVERIFY(Graph()->ResponseShown());
        QVERIFY(!a.ZoomIn1->isEnabled());
        const QSize size = Graph()->Image()->Picture().size();
        m_chosenFile = Path("bode.png");
        m_form->SaveGraphAs1Click();
        QFile saved(m_chosenFile);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll() ==
                CliOutputFile(m_dir.path(),
                              {"plot", "sweep.rom", "--program", "4", "--log", "sweep-run.csv", "--bode",
                               "--size", QString("%1x%2").arg(size.width()).arg(size.height()), "-o",
                               "cli-bode.png"}));
        QCOMPARE(QImage(Path("bode.png")).convertToFormat(QImage::Format_RGB32),
                 Graph()->Image()->Picture().convertToFormat(QImage::Format_RGB32));
        // Show keeps the view with the log compared again; taking the log off ends it.
        m_form->ShowButtonClick();
        QVERIFY(Graph()->ResponseShown());
        a.ClearOverlay1->trigger();
        QVERIFY(!Graph()->ResponseShown());
        QVERIFY(!a.FrequencyResponse1->isEnabled());
        QVERIFY(!a.FrequencyResponse1->isChecked());
        QVERIFY(a.ZoomIn1->isEnabled());
    }

    // Both dialogs that read a log browse for the same kinds of log, a logger's VBO file among them, and
    // fill their column lists from the chosen file's header.
    void theLogDialogsBrowseTheSameLogs() {
        const QString log = WriteRun();
        m_chosenFile = log;
        TOverlayLogDlg overlay;
        overlay.BrowseBtn->click();
        QCOMPARE(overlay.FileEdit->text(), log);
        const QStringList filters = m_fileRequest.filters;
        QVERIFY(filters.front().contains("*.vbo"));
        QCOMPARE(overlay.SteerColumnBox->count(), 3); // (automatic), time, steer
        TEvaluateRunDlg evaluate;
        evaluate.BrowseBtn->click();
        QCOMPARE(m_fileRequest.filters, filters);
        QCOMPARE(evaluate.YawColumnBox->findText("steer"), 2);
    }
};

QTEST_MAIN(TestOverlayCommands)
#include "test_overlaycommands.moc"
