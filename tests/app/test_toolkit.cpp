// The test engineer's tools of the window: graph zoom, pan, Fit and the step read-out, the steps as
// CSV and the steer-rate setting; every box and dialog answered through the modal seam.
#include "app/Mainform.h"
#include "app/Modal.h"
#include "compiler/Errdial.h"
#include "compiler/state.h"
#include "graph/QPainterCanvas.h"
#include "graph/graphview.h"
#include "graph/programgraph.h"
#include "romfiles/Prefdlg.h"
#include "romfiles/defaults.h"
#include "romfiles/exporters.h"
#include "romfiles/fileio.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// A program with a ramp, a hold and a step back, 3.5 seconds long at 1024 Hz.
const char *const RampProgram = "maxsteer(100 deg)\nbegin\nsetflag(1 bit, 100 %)\nrampto(50 deg, 2 "
                                "sec)\nwait(1 sec)\nstepto(0 deg, 0.5 sec)\nend";

// The picture the plot library draws of the steps in a world on an image of that size: the
// empty graph's set-up, then the axes and trace of that world.
QImage Drawn(QSize size, const StepStore &steps, const TWorldWindow &world) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QPainterCanvas canvas(painter);
    SetUpEmptyGraph(canvas, size.width(), size.height());
    SetWorldRect(1, PointD(world.XLow, world.YLow), PointD(world.XHigh, world.YHigh));
    SelectWorld(1);
    SetDrawColor(Colors::Black);
    RestoreFullViewport();
    ClearViewport(1);
    DrawAxes(8, 10);
    DrawProgramTrace(steps);
    SetGraphCanvas(nullptr);
    return image;
}

double XSpan(const TWorldWindow &w) { return w.XHigh - w.XLow; }
double YSpan(const TWorldWindow &w) { return w.YHigh - w.YLow; }

} // namespace

class TestToolkit : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<TForm1> m_form;
    QStringList m_boxes;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    std::function<int(QDialog &)> m_onDialog;
    QStringList m_dialogs; // class names of the forms shown
    QString m_chosenFile;
    int m_fileDialogs = 0;

    QString Path(const QString &name) const { return m_dir.filePath(name); }
    void SetProgram(int k, const QString &text) {
        QTextCursor cursor(m_form->Editor(k)->document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(text);
    }
    // The middle of the plot area, in image pixels.
    QPoint Middle() const {
        const TViewport a = m_form->GraphArea();
        return {(a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2};
    }
    void Wheel(QPoint at, int angle) {
        QWheelEvent event(at, m_form->GrImage->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_form->GrImage, &event);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        const std::string dir = m_dir.path().toStdString();
        Settings().startupDir = dir;
        WriteDefaults(dir, {dir, dir, dir, true});
        SetPreferencesFile(Path("config/quillard.conf"));
        SetBoxHandler([this](QWidget *, const BoxRequest &r) {
            m_boxes << r.text;
            return (r.buttons & m_answer) ? m_answer : QMessageBox::Ok;
        });
        SetFileHandler([this](QWidget *, const FileRequest &) {
            ++m_fileDialogs;
            return m_chosenFile;
        });
        SetDialogHandler([this](QDialog &dialog) {
            m_dialogs << dialog.metaObject()->className();
            return m_onDialog ? m_onDialog(dialog) : int(QDialog::Rejected);
        });
    }
    void init() {
        m_boxes.clear();
        m_dialogs.clear();
        m_onDialog = nullptr;
        m_chosenFile.clear();
        m_fileDialogs = 0;
        m_answer = QMessageBox::Ok;
        m_form = std::make_unique<TForm1>();
        m_form->CreateDialogs();
        m_form->resize(1000, 700);
        m_form->show();
    }
    void cleanup() {
        m_answer = QMessageBox::Discard;
        m_form.reset();
    }

    void wheelZoomsAboutTheCursorKeepingTheWorldsProportions() {
        QVERIFY(!m_form->GraphZoomable());
        QVERIFY(!m_form->FitGraph1->isEnabled());
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        const QImage shown = m_form->GrImage->Picture().copy();
        const TWorldWindow fit = m_form->FitWorld();
        QCOMPARE(m_form->GraphWorld(), fit);
        QVERIFY(m_form->GraphZoomable());
        QVERIFY(m_form->FitButton->isHidden());

        // Two notches in at a point of the plot area: both ranges shrink to 0.64 of themselves and the
        // world point under the cursor stays under it.
        const TViewport area = m_form->GraphArea();
        const QPoint at(area.Left + (area.Right - area.Left) / 3, area.Top + (area.Bottom - area.Top) / 4);
        const TPointD before = ViewPoint(area, fit, at.x(), at.y());
        Wheel(at, 240);
        const TWorldWindow zoomed = m_form->GraphWorld();
        QCOMPARE(XSpan(zoomed), XSpan(fit) * 0.64);
        QCOMPARE(YSpan(zoomed), YSpan(fit) * 0.64);
        QCOMPARE(XSpan(zoomed) / YSpan(zoomed), XSpan(fit) / YSpan(fit));
        const TPointD after = ViewPoint(m_form->GraphArea(), zoomed, at.x(), at.y());
        QVERIFY(qAbs(after.x - before.x) < 1e-9 && qAbs(after.y - before.y) < 1e-9);
        QCOMPARE(m_form->GraphArea(), area);
        QVERIFY(m_form->FitButton->isVisible());
        // The status line's graph position is in the zoomed world.
        QVERIFY(m_form->StatusBar->text().endsWith(
            QString("Graph Pos: (%1,%2)").arg(after.x, 0, 'f', 2).arg(after.y, 0, 'f', 2)));
        // The zoomed picture is the plot library's drawing of the program in the new world.
        QCOMPARE(m_form->GrImage->Picture(), Drawn(shown.size(), Compiler().steps, zoomed));

        // Fit, from the menu or the button over the graph, gives back exactly what Show drew.
        m_form->FitGraph1->trigger();
        QCOMPARE(m_form->GrImage->Picture(), shown);
        QCOMPARE(m_form->GraphWorld(), fit);
        QVERIFY(m_form->FitButton->isHidden());
        Wheel(at, 120);
        m_form->FitButton->click();
        QCOMPARE(m_form->GrImage->Picture(), shown);
        // Zooming out never goes past what Show drew; all the way out is the Show picture.
        Wheel(at, -120);
        QCOMPARE(m_form->GraphWorld(), fit);
        Wheel(at, 120);
        Wheel(at, -600);
        QCOMPARE(m_form->GrImage->Picture(), shown);
    }

    void zoomKeysAndTheNarrowestZoom() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        const TWorldWindow fit = m_form->FitWorld();
        QCOMPARE(m_form->ZoomIn1->shortcuts().first(), QKeySequence("Ctrl++"));
        QCOMPARE(m_form->ZoomOut1->shortcut(), QKeySequence("Ctrl+-"));
        QCOMPARE(m_form->FitGraph1->shortcut(), QKeySequence("Ctrl+0"));
        m_form->ZoomIn1->trigger();
        QCOMPARE(XSpan(m_form->GraphWorld()), XSpan(fit) / 2);
        m_form->ZoomOut1->trigger();
        QCOMPARE(m_form->GraphWorld(), fit);
        for (int i = 0; i < 30; ++i) m_form->ZoomIn1->trigger();
        QCOMPARE(XSpan(m_form->GraphWorld()), MinZoomSpan);
        const double ratio = XSpan(m_form->GraphWorld()) / YSpan(m_form->GraphWorld());
        QVERIFY(qAbs(ratio / (XSpan(fit) / YSpan(fit)) - 1) < 1e-9);
    }

    void dragPansTheGraphWithTheMouse() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        m_form->ZoomIn1->trigger();
        const TWorldWindow start = m_form->GraphWorld();
        const TViewport a = m_form->GraphArea();
        const QPoint from = Middle();
        QTest::mousePress(m_form->GrImage, Qt::LeftButton, {}, from);
        QTest::mouseMove(m_form->GrImage, from + QPoint(-100, 20));
        QTest::mouseRelease(m_form->GrImage, Qt::LeftButton, {}, from + QPoint(-100, 20));
        const TWorldWindow moved = m_form->GraphWorld();
        // The grabbed point follows the mouse: 100 pixels left shows later times, 20 down higher angles.
        const double dx = 100.0 * XSpan(start) / (a.Right - a.Left);
        const double dy = 20.0 * YSpan(start) / (a.Bottom - a.Top);
        QVERIFY(qAbs(moved.XLow - (start.XLow + dx)) < 1e-9);
        QVERIFY(qAbs(moved.YHigh - (start.YHigh + dy)) < 1e-9);
        QCOMPARE(XSpan(moved), XSpan(start));
        // A click without a move changes nothing.
        QTest::mouseClick(m_form->GrImage, Qt::LeftButton, {}, from);
        QCOMPARE(m_form->GraphWorld(), moved);
    }

    void readOutSnapsToTheNearestStep() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        const TViewport a = m_form->GraphArea();
        // The pixel of t = 1 s: the ramp is at 25 degrees there, 1024 steps in.
        const int px = a.Left + qRound((a.Right - a.Left) * (1.0 / XSpan(m_form->GraphWorld())));
        m_form->GrImageMouseMove(px, Middle().y());
        const QString text = m_form->CursorReadout->text();
        const StepReading reading = ReadStepAt(Compiler().steps, ViewPoint(a, m_form->GraphWorld(), px, 0).x);
        QCOMPARE(text, QString::fromStdString(StepReadingText(reading)));
        QVERIFY2(qAbs(reading.index - 1025) <= 6, qPrintable(text)); // steps start after the implicit STEPTO
        QVERIFY(text.contains("1024 Hz"));
        QVERIFY(text.contains("25.0 deg/s"));
        QVERIFY(text.contains("flags 1"));
        QVERIFY(!m_form->GrImage->Marker().isNull());
        // Outside the plot area, and over an empty graph, there is no read-out.
        m_form->GrImageMouseMove(a.Left - 5, Middle().y());
        QCOMPARE(m_form->CursorReadout->text(), QString());
        QVERIFY(m_form->GrImage->Marker().isNull());
    }

    void resizeShowsEmptyAxesAndFitDrawsTheProgramAgain() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        m_form->resize(1100, 750);
        QCoreApplication::processEvents();
        QVERIFY(!m_form->GraphZoomable());
        QVERIFY(m_form->FitGraph1->isEnabled());
        Wheel(Middle(), 120); // nothing to zoom on empty axes
        QVERIFY(!m_form->GraphZoomable());
        m_form->FitGraph1->trigger();
        QVERIFY(m_form->GraphZoomable());
        const QImage fitted = m_form->GrImage->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_form->GrImage->Picture(), fitted);
        // New clears the graph and forgets the program: there is nothing to fit.
        m_form->New1Click();
        QVERIFY(!m_form->FitGraph1->isEnabled());
        QVERIFY(!m_form->GraphZoomable());
    }

    void auxTracesZoomWithTheGraph() {
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        // Zoomed in near the top: the flag's 100 percent level is still in the window.
        const TViewport a = m_form->GraphArea();
        Wheel({a.Left + 20, a.Top + 5}, 120);
        const QImage zoomed = m_form->GrImage->Picture().copy();
        m_form->DisplayAuxBits1->trigger();
        const QImage withAux = m_form->GrImage->Picture().copy();
        QVERIFY(withAux != zoomed);
        m_form->DisplayAuxBits1->trigger();
        QCOMPARE(m_form->GrImage->Picture(), zoomed);
        // At the fit the traces are where Show draws them.
        m_form->DisplayAuxBits1->trigger();
        m_form->FitGraph1->trigger();
        const QImage fitWithAux = m_form->GrImage->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_form->GrImage->Picture(), fitWithAux);
        m_form->DisplayAuxBits1->trigger();
    }

    void exportStepsAsCsvWritesTheStepStore() {
        QCOMPARE(m_form->ExportCsv1->text(), QString("Export Steps as &CSV..."));
        SetProgram(2, RampProgram);
        m_form->TabControl1->setCurrentIndex(2);
        m_chosenFile = Path("ramp.csv");
        m_form->ExportCsv1->trigger();
        QCOMPARE(m_boxes, QStringList{});
        const std::string written = ReadFileBytes(m_chosenFile.toStdString());
        const CompilerState &c = Compiler();
        QVERIFY(written == JoinLinesCrLf(StepsCsvLines(c.steps, c.endIndex, c.MaxSteer)));
        QVERIFY(written.rfind("# end_index=3584 maxsteer=100\r\nindex,time,steer,", 0) == 0);
        QCOMPARE(QString::fromStdString(Settings().textDir), m_dir.path());

        // A program with errors opens the Messages dialog and asks for no file.
        SetProgram(2, "maxsteer(100 deg)\nbegin\nstpto(10 deg)\nend");
        m_fileDialogs = 0;
        m_form->ExportCsv1->trigger();
        QCOMPARE(m_fileDialogs, 0);
        QCOMPARE(m_dialogs.last(), QString("TErrDialog"));
        // A write that fails is reported and leaves no file.
        SetProgram(2, RampProgram);
        m_chosenFile = Path("missing/x.csv");
        m_form->ExportCsv1->trigger();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes[0].startsWith("cannot"));
    }

    void steerRateSettingIsKeptOutsideTheDefaultsFile() {
        const std::string defaultsBefore = ReadFileBytes(DefaultsPath(Settings().startupDir));
        TPreferencesDialog *prefs = m_form->PreferencesDialog;
        QVERIFY(!prefs->SteerRateCheck->isChecked()); // off by default
        QVERIFY(!prefs->SteerRateLimitBox->isEnabled());
        QCOMPARE(prefs->SteerRateCheck->text(), QString("Check steer rate"));
        QCOMPARE(prefs->SteerRateLimitBox->suffix(), QString(" deg/s"));
        m_onDialog = [](QDialog &dialog) {
            auto *p = qobject_cast<TPreferencesDialog *>(&dialog);
            p->SteerRateCheck->setChecked(true);
            p->SteerRateLimitBox->setValue(250);
            p->OKBtn->click();
            return dialog.result();
        };
        m_form->Preferences1->trigger();
        QVERIFY(Settings().steerRateCheck);
        QCOMPARE(Settings().steerRateLimit, 250.0);
        QCOMPARE(ReadFileBytes(DefaultsPath(Settings().startupDir)), defaultsBefore);
        {
            QSettings stored(PreferencesFile(), QSettings::IniFormat);
            QCOMPARE(stored.value("checks/steerRateCheck").toBool(), true);
            QCOMPARE(stored.value("checks/steerRateLimit").toDouble(), 250.0);
        }
        // Show and Build compile with the limit; the other compiles do not check it.
        SetProgram(0, RampProgram);
        m_form->ShowButtonClick();
        QCOMPARE(Compiler().options.steerRateLimit, 250.0f);
        m_chosenFile = Path("rate.csv");
        m_form->ExportCsv1->trigger();
        QCOMPARE(Compiler().options.steerRateLimit, 0.0f);

        // A new window loads the setting; turning it off stores that too.
        m_form = std::make_unique<TForm1>();
        Settings().steerRateCheck = false;
        m_form->CreateDialogs();
        QVERIFY(Settings().steerRateCheck);
        QVERIFY(m_form->PreferencesDialog->SteerRateCheck->isChecked());
        QCOMPARE(m_form->PreferencesDialog->SteerRateLimitBox->value(), 250.0);
        m_onDialog = [](QDialog &dialog) {
            auto *p = qobject_cast<TPreferencesDialog *>(&dialog);
            p->SteerRateCheck->setChecked(false);
            p->OKBtn->click();
            return dialog.result();
        };
        m_form->Preferences1->trigger();
        QVERIFY(!Settings().steerRateCheck);
        QCOMPARE(SteerRateLimit(Settings()), 0.0f);
    }
};

QTEST_MAIN(TestToolkit)
#include "test_toolkit.moc"
