// The graph view of the window: zoom about the mouse and by the keys, pan by dragging, Fit, the step
// read-out, and the aux traces over a zoomed graph and after a Build.
#include "app/GraphView.h"
#include "app/Mainform.h"
#include "app/ProgramBook.h"
#include "app/SetFiles.h"
#include "app/StatusLine.h"
#include "app/SummaryPanel.h"
#include "app/WindowLayout.h"
#include "graph/graphview.h"
#include "graph/programgraph.h"
#include "graph/ui/QPainterCanvas.h"
#include "window_test.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

namespace {

// A program with a ramp, a hold and a step back, 3.5 seconds long at 1024 Hz.
const char *const RampProgram = "maxsteer(100 deg)\nbegin\nsetflag(1 bit, 100 %)\nrampto(50 deg, 2 "
                                "sec)\nwait(1 sec)\nstepto(0 deg, 0.5 sec)\nend";

// The picture Show draws of the steps in a world on an image of that size: the empty graph's set-up,
// then the axes and trace of that world.
QImage Drawn(QSize size, const StepStore &steps, const TWorldWindow &world) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QPainterCanvas canvas(painter);
    SetUpEmptyGraph(canvas, size.width(), size.height());
    ShowOptions options;
    options.window = GraphWindow{world, world};
    ShowProgramGraph(steps, 0, 0, options);
    SetGraphCanvas(nullptr);
    return image;
}

double XSpan(const TWorldWindow &w) { return w.XHigh - w.XLow; }
double YSpan(const TWorldWindow &w) { return w.YHigh - w.YLow; }

} // namespace

class TestGraphView : public WindowTest {
    Q_OBJECT

    // The middle of the plot area, in image pixels.
    QPoint Middle() const {
        const TViewport a = m_form->Graph()->Area();
        return {(a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2};
    }
    void Wheel(QPoint at, int angle) {
        QWheelEvent event(at, m_form->Graph()->Image()->mapToGlobal(at), {}, {0, angle}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_form->Graph()->Image(), &event);
    }

private slots:
    void initTestCase() {
        SetUpWindowTests();
        m_dialogAnswer = QDialog::Rejected;
    }
    void init() { OpenWindow({1000, 700}); }
    void cleanup() { CloseWindow(); }

    void wheelZoomsAboutTheCursorKeepingTheWorldsProportions() {
        QVERIFY(!m_form->Graph()->Zoomable());
        QVERIFY(!m_form->Actions().FitGraph1->isEnabled());
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        const QImage shown = m_form->Graph()->Image()->Picture().copy();
        const TWorldWindow fit = m_form->Graph()->FitWorld();
        QCOMPARE(m_form->Graph()->World(), fit);
        QVERIFY(m_form->Graph()->Zoomable());
        QVERIFY(m_form->Graph()->FitButton()->isHidden());

        // Two notches in at a point of the plot area: both ranges shrink to 0.64 of themselves and the
        // world point under the cursor stays under it.
        const TViewport area = m_form->Graph()->Area();
        const QPoint at(area.Left + (area.Right - area.Left) / 3, area.Top + (area.Bottom - area.Top) / 4);
        const TPointD before = ViewPoint(area, fit, at.x(), at.y());
        Wheel(at, 240);
        const TWorldWindow zoomed = m_form->Graph()->World();
        QCOMPARE(XSpan(zoomed), XSpan(fit) * 0.64);
        QCOMPARE(YSpan(zoomed), YSpan(fit) * 0.64);
        QCOMPARE(XSpan(zoomed) / YSpan(zoomed), XSpan(fit) / YSpan(fit));
        const TPointD after = ViewPoint(m_form->Graph()->Area(), zoomed, at.x(), at.y());
        QVERIFY(qAbs(after.x - before.x) < 1e-9 && qAbs(after.y - before.y) < 1e-9);
        QCOMPARE(m_form->Graph()->Area(), area);
        QVERIFY(m_form->Graph()->FitButton()->isVisible());
        // The status line's graph position is in the zoomed world.
        QVERIFY(m_form->Status()->Bar()->text().endsWith(
            QString("Graph Pos: (%1,%2)").arg(after.x, 0, 'f', 2).arg(after.y, 0, 'f', 2)));
        // The zoomed picture is the plot library's drawing of the program in the new world.
        QCOMPARE(m_form->Graph()->Image()->Picture(),
                 Drawn(shown.size(), m_form->LastCompile().steps, zoomed));

        // Fit, from the menu or the button over the graph, gives back exactly what Show drew.
        m_form->Actions().FitGraph1->trigger();
        QCOMPARE(m_form->Graph()->Image()->Picture(), shown);
        QCOMPARE(m_form->Graph()->World(), fit);
        QVERIFY(m_form->Graph()->FitButton()->isHidden());
        Wheel(at, 120);
        m_form->Graph()->FitButton()->click();
        QCOMPARE(m_form->Graph()->Image()->Picture(), shown);
        // Zooming out never goes past what Show drew; all the way out is the Show picture.
        Wheel(at, -120);
        QCOMPARE(m_form->Graph()->World(), fit);
        Wheel(at, 120);
        Wheel(at, -600);
        QCOMPARE(m_form->Graph()->Image()->Picture(), shown);
    }

    void zoomKeysAndTheNarrowestZoom() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        const TWorldWindow fit = m_form->Graph()->FitWorld();
        QCOMPARE(m_form->Actions().ZoomIn1->shortcuts().first(), QKeySequence("Ctrl++"));
        QCOMPARE(m_form->Actions().ZoomOut1->shortcut(), QKeySequence("Ctrl+-"));
        QCOMPARE(m_form->Actions().FitGraph1->shortcut(), QKeySequence("Ctrl+0"));
        m_form->Actions().ZoomIn1->trigger();
        QCOMPARE(XSpan(m_form->Graph()->World()), XSpan(fit) / 2);
        m_form->Actions().ZoomOut1->trigger();
        QCOMPARE(m_form->Graph()->World(), fit);
        // The keys reach the window from an editor that has the focus.
        QApplication::setActiveWindow(m_form.get());
        QWidget *editor = m_form->Programs()->CurrentEditor();
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(XSpan(m_form->Graph()->World()), XSpan(fit) / 2);
        QTest::keyClick(editor, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(m_form->Graph()->World(), fit);
        QTest::keyClick(editor, Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(m_form->Graph()->World(), fit);
        QCOMPARE(m_form->Programs()->Editor(0)->toPlainText(), QString(RampProgram)); // nothing typed
        QSignalSpy templates(m_form->Actions().InsertTemplate1, &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(templates.count(), 1);

        for (int i = 0; i < 30; ++i) m_form->Actions().ZoomIn1->trigger();
        QCOMPARE(XSpan(m_form->Graph()->World()), MinZoomSpan);
        const double ratio = XSpan(m_form->Graph()->World()) / YSpan(m_form->Graph()->World());
        QVERIFY(qAbs(ratio / (XSpan(fit) / YSpan(fit)) - 1) < 1e-9);
    }

    void dragPansTheGraphWithTheMouse() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        m_form->Actions().ZoomIn1->trigger();
        const TWorldWindow start = m_form->Graph()->World();
        const TViewport a = m_form->Graph()->Area();
        const QPoint from = Middle();
        QTest::mousePress(m_form->Graph()->Image(), Qt::LeftButton, {}, from);
        QTest::mouseMove(m_form->Graph()->Image(), from + QPoint(-100, 20));
        QTest::mouseRelease(m_form->Graph()->Image(), Qt::LeftButton, {}, from + QPoint(-100, 20));
        const TWorldWindow moved = m_form->Graph()->World();
        // The grabbed point follows the mouse: 100 pixels left shows later times, 20 down higher angles.
        const double dx = 100.0 * XSpan(start) / (a.Right - a.Left);
        const double dy = 20.0 * YSpan(start) / (a.Bottom - a.Top);
        QVERIFY(qAbs(moved.XLow - (start.XLow + dx)) < 1e-9);
        QVERIFY(qAbs(moved.YHigh - (start.YHigh + dy)) < 1e-9);
        QCOMPARE(XSpan(moved), XSpan(start));
        // A click without a move changes nothing.
        QTest::mouseClick(m_form->Graph()->Image(), Qt::LeftButton, {}, from);
        QCOMPARE(m_form->Graph()->World(), moved);
    }

    void readOutSnapsToTheNearestStep() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        const TViewport a = m_form->Graph()->Area();
        // The pixel of t = 1 s: the ramp is at 25 degrees there, 1024 steps in.
        const int px = a.Left + qRound((a.Right - a.Left) * (1.0 / XSpan(m_form->Graph()->World())));
        m_form->Graph()->GrImageMouseMove(px, Middle().y());
        const QString text = m_form->Status()->Readout()->text();
        const StepReading reading =
            ReadStepAt(m_form->LastCompile().steps, ViewPoint(a, m_form->Graph()->World(), px, 0).x);
        QCOMPARE(text, QString::fromStdString(StepReadingText(reading)));
        QVERIFY2(qAbs(reading.index - 1025) <= 6, qPrintable(text)); // steps start after the implicit STEPTO
        QVERIFY(text.contains("1024 Hz"));
        QVERIFY(text.contains("25.0 deg/s"));
        QVERIFY(text.contains("flags 1"));
        QVERIFY(!m_form->Graph()->Image()->Marker().isNull());
        // Outside the plot area, and over an empty graph, there is no read-out.
        m_form->Graph()->GrImageMouseMove(a.Left - 5, Middle().y());
        QCOMPARE(m_form->Status()->Readout()->text(), QString());
        QVERIFY(m_form->Graph()->Image()->Marker().isNull());
    }

    void resizeAndSummaryToggleKeepTheViewAndFitRefreshesThePosition() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        Wheel(Middle(), 240);
        const TWorldWindow zoomed = m_form->Graph()->World();
        // Neither a resize nor hiding the summary loses the zoomed graph: it is drawn again at the new
        // size in the same world.
        for (int step = 0; step < 2; ++step) {
            if (step == 0) {
                m_form->resize(1024, 700);
                QCoreApplication::processEvents();
                // The summary is wide enough for its lines at this size.
                QVERIFY(m_form->Summary()->width() >= m_form->Summary()->WantedWidth());
            } else {
                m_form->Actions().ProgramSummary1->trigger();
            }
            const QImage picture = m_form->Graph()->Image()->Picture();
            QCOMPARE(m_form->Graph()->World(), zoomed);
            QVERIFY(m_form->Graph()->Zoomable());
            QCOMPARE(picture, Drawn(picture.size(), m_form->LastCompile().steps, zoomed));
        }
        QVERIFY(!m_form->Summary()->isVisible());
        m_form->Actions().ProgramSummary1->trigger();
        // After Fit the status line's graph position is that of the mouse in the fitted world, as a
        // move of the mouse would give it.
        m_form->Graph()->GrImageMouseMove(Middle().x() + 40, Middle().y());
        m_form->Actions().FitGraph1->trigger();
        const QString fitted = m_form->Status()->Bar()->text();
        m_form->Graph()->GrImageMouseMove(Middle().x() + 40, Middle().y());
        QCOMPARE(fitted, m_form->Status()->Bar()->text());
        const QImage shown = m_form->Graph()->Image()->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Graph()->Image()->Picture(), shown);
        // New clears the graph and forgets the program: there is nothing to fit.
        m_answer = QMessageBox::Discard;
        m_form->SetFiles()->New1Click();
        QVERIFY(!m_form->Actions().FitGraph1->isEnabled());
        QVERIFY(!m_form->Graph()->Zoomable());
    }

    void auxTracesZoomWithTheGraph() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        // Zoomed in near the top: the flag's 100 percent level is still in the window.
        const TViewport a = m_form->Graph()->Area();
        Wheel({a.Left + 20, a.Top + 5}, 120);
        const QImage zoomed = m_form->Graph()->Image()->Picture().copy();
        m_form->Actions().DisplayAuxBits1->trigger();
        const QImage withAux = m_form->Graph()->Image()->Picture().copy();
        QVERIFY(withAux != zoomed);
        m_form->Actions().DisplayAuxBits1->trigger();
        QCOMPARE(m_form->Graph()->Image()->Picture(), zoomed);
        // At the fit the traces are where Show draws them.
        m_form->Actions().DisplayAuxBits1->trigger();
        m_form->Actions().FitGraph1->trigger();
        const QImage fitWithAux = m_form->Graph()->Image()->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Graph()->Image()->Picture(), fitWithAux);
        m_form->Actions().DisplayAuxBits1->trigger();
    }

    void auxTracesAreThoseOfTheShownProgramAfterABuild() {
        SetProgram(0, RampProgram);
        m_form->Actions().DisplayAuxBits1->trigger();
        m_form->ShowButtonClick();
        const QImage withAux = m_form->Graph()->Image()->Picture().copy();
        m_form->Actions().DisplayAuxBits1->trigger();
        // The build compiles all 16 programs (program 15 is the last in the compiler's store) and
        // comes back to the tab it started on.
        m_chosenFile = Path("aux.bin");
        m_form->BuildButtonClick();
        QCOMPARE(m_form->Programs()->CurrentProgram(), 0);
        m_form->Actions().DisplayAuxBits1->trigger();
        QCOMPARE(m_form->Graph()->Image()->Picture(), withAux);
        // Also after a resize, which draws the shown program again.
        m_form->Actions().DisplayAuxBits1->trigger();
        m_form->resize(1010, 700);
        QCoreApplication::processEvents();
        m_form->Actions().DisplayAuxBits1->trigger();
        m_form->Actions().DisplayAuxBits1->trigger();
        m_form->Actions().FitGraph1->trigger();
        m_form->Actions().DisplayAuxBits1->trigger();
        const QImage fitted = m_form->Graph()->Image()->Picture().copy();
        m_form->Programs()->Tabs()->setCurrentIndex(0);
        m_form->ShowButtonClick();
        QCOMPARE(fitted, m_form->Graph()->Image()->Picture());
        m_form->Actions().DisplayAuxBits1->trigger();
    }

    // A click pins a second cursor at the nearest step; the line under the graph reads out both with
    // the time, steer and slope between them; a click on the pinned cursor takes it off. The blue
    // marker goes with the mouse and does not come back with a later redraw.
    void twoCursorsReadOutTheSpanBetweenThem() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        TGraphView *graph = m_form->Graph();
        const TViewport a = graph->Area();
        const int x1 = a.Left + (a.Right - a.Left) / 10, x2 = a.Left + (a.Right - a.Left) / 3;
        QTest::mouseClick(graph->Image(), Qt::LeftButton, {}, {x1, Middle().y()});
        QVERIFY(graph->Pinned().has_value());
        const StepReading pinned = *graph->Pinned();
        QCOMPARE(pinned.time, ReadStepAt(m_form->LastCompile().steps, pinned.time).time); // on a step
        QVERIFY(graph->CursorStrip()->isVisibleTo(m_form.get()));
        QVERIFY(graph->CursorStrip()->text().startsWith(QString("Pinned step %1: t=").arg(pinned.index)));
        graph->GrImageMouseMove(x2, Middle().y());
        const StepReading mouse =
            ReadStepAt(m_form->LastCompile().steps, ViewPoint(a, graph->World(), x2, 0).x);
        const CursorSpan span = SpanBetween(pinned, mouse);
        // Spaced out or, in a narrow graph, closer together or on two lines; never cut off.
        const QLabel *strip = graph->CursorStrip();
        for (const QString &line : strip->text().split('\n'))
            QVERIFY2(strip->fontMetrics().horizontalAdvance(line) <= strip->contentsRect().width(),
                     qPrintable(line));
        QVERIFY2(strip->text().simplified().endsWith(
                     QString("to step %1: \u0394t=%2 s \u0394steer=%3 deg slope=25.0 deg/s")
                         .arg(mouse.index)
                         .arg(span.dt, 0, 'f', 4)
                         .arg(span.dsteer, 0, 'f', 3)),
                 qPrintable(graph->CursorStrip()->text()));
        // Zoomed, the pinned cursor stays on its step.
        m_form->Actions().ZoomIn1->trigger();
        QCOMPARE(graph->Pinned()->index, pinned.index);
        graph->GrImageMouseLeave();
        QVERIFY(graph->Image()->Marker().isNull());
        QVERIFY(!graph->CursorStrip()->text().contains("to step"));
        m_form->Actions().FitGraph1->trigger();
        QVERIFY(graph->Image()->Marker().isNull());
        QTest::mouseClick(graph->Image(), Qt::LeftButton, {}, {graph->Image()->PinX() + 2, Middle().y()});
        QVERIFY(!graph->Pinned());
        QVERIFY(!graph->CursorStrip()->isVisibleTo(m_form.get()));
    }

    // The graph takes a good share of the height at both window sizes, and the share the user drags the
    // splitter to is kept for the next window.
    void theSplitterSharesTheHeightAndIsKept() {
        SetPreferencesFile(Path("splitter.conf"));
        m_form->resize(1024, 700);
        QCoreApplication::processEvents();
        QVERIFY2(m_form->Graph()->height() >= 250, qPrintable(QString::number(m_form->Graph()->height())));
        QSplitter *rows = m_form->Layout()->Splitter();
        const int total = rows->sizes().value(0) + rows->sizes().value(1);
        QTest::mousePress(rows->handle(1), Qt::LeftButton);
        QTest::mouseMove(rows->handle(1), {5, 60});
        QTest::mouseRelease(rows->handle(1), Qt::LeftButton, {}, {5, 60});
        const double share = m_form->Layout()->GraphShare();
        QVERIFY(share > TWindowLayout::DefaultGraphShare);
        CloseWindow();
        OpenWindow({1024, 700});
        QCOMPARE(m_form->Layout()->GraphShare(), share);
        QVERIFY(qAbs(m_form->Layout()->Splitter()->sizes().value(0) - share * total) <= 2);
        SetPreferencesFile({});
    }

    // Save Graph As writes what quillard-cli plot draws at the picture's size for the same view (the
    // aux bits and their legend included); zoomed, it writes the picture on screen.
    void saveGraphAsWritesWhatPlotDraws() {
        SetProgram(2, RampProgram);
        m_form->Programs()->SelectProgram(2);
        m_chosenFile = Path("graph.rom");
        QVERIFY(m_form->SetFiles()->SaveAs1Click());
        AuxDisplay().selected = {true, true, false, false, false, false, false, false};
        m_form->Actions().DisplayAuxBits1->trigger();
        m_form->ShowButtonClick();
        m_boxes.clear(); // flag 1 stays on after the end: Show says so
        const QSize size = m_form->Graph()->Image()->Picture().size();
        const QString sizeText = QString("%1x%2").arg(size.width()).arg(size.height());
        for (const char *suffix : {"png", "svg"}) {
            m_chosenFile = Path(QString("window.") + suffix);
            m_form->SaveGraphAs1Click();
            QFile saved(m_chosenFile);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            const QByteArray cli =
                CliOutputFile(m_dir.path(), {"plot", "graph.rom", "--program", "2", "--aux", "1,2", "--size",
                                             sizeText, "-o", QString("cli.") + suffix});
            QVERIFY2(saved.readAll() == cli, suffix);
        }
        const auto rgb = [](const QImage &image) { return image.convertToFormat(QImage::Format_RGB32); };
        QCOMPARE(rgb(QImage(Path("window.png"))), rgb(m_form->Graph()->Image()->Picture()));
        Wheel(Middle(), 240);
        m_chosenFile = Path("zoomed.png");
        m_form->SaveGraphAs1Click();
        QCOMPARE(rgb(QImage(Path("zoomed.png"))), rgb(m_form->Graph()->Image()->Picture()));
        m_form->Actions().DisplayAuxBits1->trigger();
        AuxDisplay() = {};
        QCOMPARE(m_boxes, QStringList{});
    }
};

QTEST_MAIN(TestGraphView)
#include "test_graphview.moc"
