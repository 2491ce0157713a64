// File > Evaluate Run and Write Evaluation Report: runs of the rehearsal vehicle evaluated over their
// programs, the run's graph instead of the program's, its figures at the head of the summary, its report.
#include "app/EvaluateCommands.h"
#include "app/GraphView.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "graph/plot.h"
#include "measure/compare.h"
#include "measure/ui/Evaluaterundlg.h"
#include "measure/vehicle.h"
#include "romfiles/templates.h"
#include "uikit/Forms.h"
#include "window_test.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

#include <cmath>

namespace {

// The standard series' run at the amplitude for A = 20 deg.
ProgramText SwdProgram(double amplitude) {
    return TemplateRuns("sine-with-dwell", {{"maxsteer", 300}, {"lead", 2}}, {amplitude},
                        StandardSeriesNote(20))[0];
}

ProgramText SisProgram() {
    return TemplateProgram("slowly-increasing-steer",
                           {{"steer-rate", 13.5}, {"end-angle", 270}, {"maxsteer", 300}, {"lead", 2}});
}

} // namespace

class TestEvaluateCommands : public WindowTest {
    Q_OBJECT

    // The rehearsal car's log of the program, 3 s past its end, in the folder under the name.
    QString WriteLog(const ProgramText &program, const QString &name) {
        CompilerState state;
        if (!CompileProgram(state, program, {})) return {};
        const CommandedProgram commanded = CommandedFrom(state);
        auto steer = [&](double t) {
            const auto &time = commanded.time;
            if (t >= time.back()) return double(commanded.steer.back());
            const auto i = std::upper_bound(time.begin(), time.end(), t) - time.begin();
            return i == 0 ? commanded.steer.front() : commanded.steer[static_cast<std::size_t>(i - 1)];
        };
        const QString path = Path(name);
        WriteFileAtomically(
            ToPath(path),
            SimulatedLogText({}, SimulateVehicle({}, steer, commanded.time.back() + 3, 200), ""));
        return path;
    }
    // Program k holds the program, and the Evaluate Run dialog is answered with the log (and the kind:
    // 0 as the program says).
    void Prepare(int k, const ProgramText &program, const QString &log, int kind = 0) {
        SetProgram(k, QString::fromLatin1(JoinLinesCrLf(program).c_str()).replace("\r\n", "\n"));
        m_form->Programs()->Tabs()->setCurrentIndex(k);
        Answer(log, kind);
    }
    void Answer(const QString &log, int kind = 0, double a = 0) {
        m_onDialog = [this, log, kind, a](QDialog &dialog) {
            if (auto *run = qobject_cast<TEvaluateRunDlg *>(&dialog)) {
                run->FileEdit->setText(log);
                run->KindBox->setCurrentIndex(kind);
                run->AEdit->setValue(a);
                m_kindOffered = run->KindBox->itemText(0);
            }
            return int(QDialog::Accepted);
        };
    }
    QString Figures() const { return m_form->Summary()->MeasuredFigures()->toPlainText(); }
    const RunGraph &Run() const { return *m_form->Graph()->Run(); }
    // The channel of that name in the run's graph.
    const RunTrace *Channel(const std::string &name) const {
        for (const RunStrip &strip : Run().strips)
            for (const RunTrace &trace : strip.traces)
                if (trace.name == name) return &trace;
        return nullptr;
    }
    QString m_kindOffered;
    double m_ratio = 0;
    bool m_fieldsRight = false; // the understeer's fields open, the fit's greyed

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() { OpenWindow({1400, 800}); }
    void cleanup() { CloseWindow(); }

    void aRunIsJudgedOverItsProgramAndReported() {
        Prepare(4, SwdProgram(100), WriteLog(SwdProgram(100), "run.csv"));
        QVERIFY(!m_form->Actions().EvaluationReport1->isEnabled());
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QCOMPARE(m_kindOffered, QString("As the program: sine with dwell"));
        const auto &result = m_form->Evaluations()->Evaluated();
        QVERIFY(result && result->pass);
        QVERIFY(result->passDisplacement.has_value()); // 100 deg is 5 A of the program's note
        QVERIFY(m_form->Graph()->RunShown());
        QVERIFY(m_form->Actions().EvaluatedRun1->isChecked());
        QVERIFY(m_form->Graph()->Overlays().empty());
        // The summary names what the verdict rests on: A and where it came from, the GVWR, the
        // displacement judged.
        for (const char *line :
             {"Sine with dwell, Program 4, log run.csv: PASS", "Yaw rate ratio at COS + 1.000 s",
              "A 20.00 deg, from the program's note \"standard series, A 20 deg\"",
              "Gross vehicle weight rating not given: taken as at most 3500 kg, displacement at "
              "least 1.83 m",
              "Lateral displacement judged: the amplitude 100.00 deg is at least 5 A (100.00 deg)"})
            QVERIFY2(Figures().contains(line), qPrintable(line + QString("\n") + Figures()));
        // No figure reads as a negative zero ("-0.0 %", "-0.00 m"); -0.013 deg is a figure.
        QVERIFY2(!Figures().contains(QRegularExpression("-0[.]0+(?![0-9])")), qPrintable(Figures()));
        if (!qEnvironmentVariableIsEmpty("QUILLARD_SCREENSHOT"))
            m_form->grab().save(qEnvironmentVariable("QUILLARD_SCREENSHOT"));

        QVERIFY(m_form->Actions().EvaluationReport1->isEnabled());
        m_chosenFile = Path("report.pdf");
        m_form->Actions().EvaluationReport1->trigger();
        QCOMPARE(ReadFileBytes(ToPath(m_chosenFile), ProgramFileLimit).substr(0, 5), std::string("%PDF-"));
        // The view goes back to the program and comes again.
        m_form->Actions().EvaluatedRun1->trigger();
        QVERIFY(!m_form->Graph()->RunShown());
        m_form->Actions().EvaluatedRun1->trigger();
        QVERIFY(m_form->Graph()->RunShown());
    }

    // A given in the dialog is named as such, and a displacement not judged says why.
    void theSummarySaysWhereAComesFromAndWhyTheDisplacementIsNotJudged_data() {
        QTest::addColumn<double>("a");
        QTest::addColumn<bool>("note");
        QTest::addColumn<QString>("line");
        QTest::newRow("A given")
            << 25.0 << true
            << "A 25.00 deg, from Evaluate Run\nGross vehicle weight rating not given: taken as at "
               "most 3500 kg, displacement at least 1.83 m\nLateral displacement not judged: the "
               "amplitude 100.00 deg is below 5 A (125.00 deg)";
        QTest::newRow("A not known") << 0.0 << false << "Lateral displacement not judged: A is not known";
    }
    void theSummarySaysWhereAComesFromAndWhyTheDisplacementIsNotJudged() {
        QFETCH(double, a);
        QFETCH(bool, note);
        QFETCH(QString, line);
        ProgramText program = SwdProgram(100);
        if (!note) program[0] = "; a sine with dwell";
        Prepare(3, program, WriteLog(program, "given.csv"));
        Answer(Path("given.csv"), 0, a);
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QVERIFY2(Figures().contains(line), qPrintable(Figures()));
        QVERIFY(!m_form->Evaluations()->Evaluated()->passDisplacement);
    }

    // The walk that crashed: a report written while the run is zoomed out, another program, another run.
    // The report's pages drew through the plot library on the PDF's surface and left it there; the next
    // Show drew through freed memory (the address sanitizer reports it). The window's graph keeps its
    // own surface and viewport.
    void aReportThenAnotherRunDrawsOnTheWindowsOwnGraph() {
        Prepare(4, SwdProgram(100), WriteLog(SwdProgram(100), "run4.csv"));
        SetProgram(5, QString::fromLatin1(JoinLinesCrLf(SwdProgram(60)).c_str()).replace("\r\n", "\n"));
        WriteLog(SwdProgram(60), "run5.csv");
        m_form->Actions().EvaluateRun1->trigger();
        m_form->Actions().ZoomIn1->trigger();
        m_form->Actions().ZoomOut1->trigger();
        m_chosenFile = Path("walk.pdf");
        m_form->Actions().EvaluationReport1->trigger();
        QVERIFY(QFileInfo::exists(m_chosenFile));
        SetDrawColor(Colors::Black); // what the next drawing through the plot library does first
        QCOMPARE(GetGraphCanvas(), &m_form->Graph()->Image()->Canvas());
        m_form->Actions().NextProgram1->trigger();
        QCOMPARE(m_form->Programs()->CurrentProgram(), 5);
        Answer(Path("run5.csv"));
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QCOMPARE(GetGraphCanvas(), &m_form->Graph()->Image()->Canvas());
        QCOMPARE(m_form->Graph()->ShownProgram(), 5);
        // Back to the program: drawn in the picture's own size, not the page's.
        m_form->Actions().EvaluatedRun1->trigger();
        QCOMPARE(m_form->Graph()->Area().Right, m_form->Graph()->Image()->Picture().width());
    }

    // A second run evaluated replaces the first: its traces and marks only, nothing of the first left
    // over the graph.
    void twoEvaluationsInARowLeaveOnlyTheSecondsTraces() {
        Prepare(8, SwdProgram(100), WriteLog(SwdProgram(100), "first.csv"));
        m_form->Actions().EvaluateRun1->trigger();
        const double firstPeak = m_form->Evaluations()->Evaluated()->peakYawRate;
        Prepare(15, SwdProgram(50), WriteLog(SwdProgram(50), "second.csv"));
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        const SwdResult &second = *m_form->Evaluations()->Evaluated();
        QVERIFY(std::fabs(second.peakYawRate - firstPeak) > 1);
        QVERIFY(m_form->Graph()->Overlays().empty());
        QCOMPARE(Run().marks.size(), std::size_t(5));
        QCOMPARE(std::count_if(Run().marks.begin(), Run().marks.end(),
                               [](const RunMark &m) { return m.name == "BOS"; }),
                 1);
        QCOMPARE(Run().marks.front().time, second.bos);
        QCOMPARE(Channel("lateral acceleration")->values, second.traces.lateralAcceleration);
        QCOMPARE(Channel("yaw rate")->values, second.traces.yawRate);
        QVERIFY(Figures().startsWith("Sine with dwell, Program 15, log second.csv"));
        QVERIFY(!Figures().contains("first.csv"));
    }

    // The run's graph spans the log, from before BOS to past COS + 1.750 s, and zooming out reaches
    // all of it.
    void theGraphSpansTheLogPastTheLastCheck() {
        const QString log = WriteLog(SwdProgram(100), "span.csv");
        Prepare(2, SwdProgram(100), log);
        m_form->Actions().EvaluateRun1->trigger();
        const SwdResult &r = *m_form->Evaluations()->Evaluated();
        TGraphView &graph = *m_form->Graph();
        const auto [from, to] = graph.RunSpan();
        QVERIFY(from <= r.bos - 1);
        QVERIFY(to >= r.cos + SwdCriteria::RatioCheck2 + 0.25);
        QCOMPARE(to, r.traces.time.back()); // the log's end, 3 s past the program's
        QVERIFY(graph.RunWindow() == graph.RunSpan());
        m_form->Actions().ZoomIn1->trigger();
        m_form->Actions().ZoomIn1->trigger();
        QVERIFY(graph.RunWindow().second - graph.RunWindow().first < (to - from) / 3);
        QVERIFY(graph.FitButton()->isVisibleTo(&graph));
        for (int k = 0; k < 3; ++k) m_form->Actions().ZoomOut1->trigger();
        QVERIFY(graph.RunWindow() == graph.RunSpan());
        // Every strip is drawn over the window shown.
        QCOMPARE(Run().strips.size(), std::size_t(4));
    }

    // The pinned cursor and the mouse read every channel of the run at their times.
    void theCursorsReadEveryChannel() {
        Prepare(6, SwdProgram(100), WriteLog(SwdProgram(100), "cursors.csv"));
        m_form->Actions().EvaluateRun1->trigger();
        TGraphView &graph = *m_form->Graph();
        QSignalSpy readouts(&graph, &TGraphView::readoutChanged);
        const QImage &picture = graph.Image()->Picture();
        const int x = picture.width() / 3, y = picture.height() / 2;
        graph.GrImageMouseMove(x, y);
        graph.GrImageMousePress(x, y);
        graph.GrImageMouseRelease(x, y);
        QVERIFY(graph.RunPin().has_value());
        graph.GrImageMouseMove(x + 40, y);
        const QString strip = graph.CursorStrip()->text(), readout = readouts.last().at(0).toString();
        for (const char *channel :
             {"program steer ", "  steer ", "yaw rate ", "lateral acceleration ", "lateral displacement "}) {
            QVERIFY2(strip.contains(channel), qPrintable(strip));
            QVERIFY2(readout.contains(channel), qPrintable(readout));
        }
        QVERIFY2(strip.startsWith("Pinned t=") && strip.contains("\nMouse t=") && strip.contains("\u0394t="),
                 qPrintable(strip));
        // A click on the pinned cursor takes it off.
        graph.GrImageMousePress(x, y);
        graph.GrImageMouseRelease(x, y);
        QVERIFY(!graph.RunPin().has_value());
    }

    // A slowly increasing steer program's run is evaluated as one: the steer at 0.3 g off the fit.
    void aSlowlyIncreasingSteerRunIsEvaluatedAsItsProgramSays() {
        Prepare(9, SisProgram(), WriteLog(SisProgram(), "sis.csv"));
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QCOMPARE(m_kindOffered, QString("As the program: slowly increasing steer"));
        const auto &sis = m_form->Evaluations()->EvaluatedSis();
        QVERIFY(sis.has_value());
        QVERIFY(!m_form->Evaluations()->Evaluated());
        QVERIFY(!m_form->Actions().EvaluationReport1->isEnabled()); // the report is of a sine with dwell
        QVERIFY(sis->angle > 20 && sis->angle < 35);
        QVERIFY(Run().fit.has_value());
        QCOMPARE(Run().fit->at.y, sis->angle);
        QVERIFY2(
            Figures().startsWith("Slowly increasing steer, Program 9, log sis.csv: PASS\nSteer at 0.3 g: "),
            qPrintable(Figures()));
        if (!qEnvironmentVariableIsEmpty("QUILLARD_SCREENSHOT_SIS"))
            m_form->grab().save(qEnvironmentVariable("QUILLARD_SCREENSHOT_SIS"));
    }

    // The kind can be chosen by hand, over a program that names none or says another.
    void theEvaluationCanBeChosenByHand() {
        ProgramText program = SisProgram();
        program[0] = "; my own ramp";
        program[5] = "rampto(270 deg, 5 sec)"; // too fast to be taken for a slowly increasing steer
        const QString log = WriteLog(SisProgram(), "byhand.csv");
        Prepare(10, program, log, 2);
        m_form->Actions().EvaluateRun1->trigger();
        QCOMPARE(m_kindOffered, QString("As the program (not recognised): sine with dwell"));
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QVERIFY(m_form->Evaluations()->EvaluatedSis().has_value());
    }

    // A log that gives no evaluation says why, and takes the last run's graph and figures away.
    void aLogThatGivesNoEvaluationTakesTheLastRunAway() {
        Prepare(11, SwdProgram(100), WriteLog(SwdProgram(100), "good.csv"));
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY(m_form->Graph()->RunShown());
        Answer(WriteLog(SisProgram(), "slow.csv"), 1); // a slow ramp judged as a sine with dwell
        m_form->Actions().EvaluateRun1->trigger();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].contains("slow.csv"), qPrintable(m_boxes[0]));
        QVERIFY(!m_form->Graph()->Run().has_value());
        QVERIFY(!m_form->Graph()->RunShown());
        QVERIFY(!m_form->Evaluations()->Evaluated());
        QVERIFY(!m_form->Summary()->MeasuredFigures()->isVisible());
        QVERIFY(!m_form->Actions().EvaluationReport1->isEnabled());
    }

    // Each template's run is evaluated as its program says, its steps and figures by name in the
    // summary and its report written; the kind offered names the evaluation.
    void eachTemplatesRunTakesItsHandlingEvaluation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("line");
        QTest::newRow("step steer") << "step-steer" << int(HandlingKind::Step) << "Hold: ";
        QTest::newRow("single sine") << "single-sine" << int(HandlingKind::Sine) << "yaw rate first time lag";
        QTest::newRow("sweep") << "linear-sweep" << int(HandlingKind::Response) << "coherence";
    }
    void eachTemplatesRunTakesItsHandlingEvaluation() {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, line);
        const ProgramText program = TemplateProgram(name.toStdString(), {{"maxsteer", 300}, {"lead", 2}});
        Prepare(7, program, WriteLog(program, name + ".csv"));
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        const QString title = InfoOf(HandlingKind(kind)).title;
        QCOMPARE(m_kindOffered, "As the program: " + title);
        const auto &r = m_form->Evaluations()->EvaluatedHandling();
        QVERIFY(r && int(r->kind) == kind);
        QVERIFY(!m_form->Evaluations()->Evaluated() && !m_form->Evaluations()->EvaluatedSis());
        QVERIFY2(Figures().startsWith(title + ", Program 7, log " + name + ".csv: PASS\n"),
                 qPrintable(Figures()));
        QVERIFY2(Figures().contains(line, Qt::CaseInsensitive), qPrintable(Figures()));
        QVERIFY(m_form->Actions().EvaluationReport1->isEnabled());
        m_chosenFile = Path(name + ".pdf");
        m_form->Actions().EvaluationReport1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QCOMPARE(ReadFileBytes(ToPath(m_chosenFile), ProgramFileLimit).substr(0, 5), std::string("%PDF-"));
        // A sine with dwell after it replaces it: its report is the sine with dwell's.
        Prepare(8, SwdProgram(100), WriteLog(SwdProgram(100), "swd.csv"));
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY(!m_form->Evaluations()->EvaluatedHandling());
        QVERIFY(m_form->Evaluations()->Evaluated());
    }

    // The understeer gradient of a slowly increasing steer run, chosen by hand, takes the dialog's
    // steering ratio and wheelbase; without them it says what it lacks.
    void anUndersteerGradientTakesTheDialogsRatioAndWheelbase() {
        Prepare(9, SisProgram(), WriteLog(SisProgram(), "ramp.csv"));
        m_onDialog = [this](QDialog &dialog) {
            if (auto *run = qobject_cast<TEvaluateRunDlg *>(&dialog)) {
                run->FileEdit->setText(Path("ramp.csv"));
                run->KindBox->setCurrentText(InfoOf(HandlingKind::Understeer).title);
                m_fieldsRight = run->RatioEdit->isEnabled() && !run->FitLowEdit->isEnabled();
                run->RatioEdit->setValue(m_ratio);
                run->WheelbaseEdit->setValue(2.7);
            }
            return int(QDialog::Accepted);
        };
        for (double ratio : {0.0, 16.0}) {
            m_ratio = ratio;
            m_form->Actions().EvaluateRun1->trigger();
            QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
            QVERIFY(m_fieldsRight);
            const auto &r = m_form->Evaluations()->EvaluatedHandling();
            QVERIFY(r && r->kind == HandlingKind::Understeer);
            QCOMPARE(r->Value("understeer_gradient_deg_per_g").has_value(), ratio > 0);
            QVERIFY2(Figures().contains("Understeer gradient (ISO 4138, constant speed), Program 9"),
                     qPrintable(Figures()));
        }
    }

    void aLogWithoutTheRunsChannelsSaysWhatItLacks() {
        const QString path = Path("steer.csv");
        WriteFileAtomically(ToPath(path), "time,steer\n0,0\n0.01,1\n");
        Answer(path);
        m_form->Evaluations()->EvaluateRun();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].contains("steer.csv") && m_boxes[0].contains("no yaw rate column"),
                 qPrintable(m_boxes[0]));
        QVERIFY(!m_form->Evaluations()->Evaluated());
    }
};

QTEST_MAIN(TestEvaluateCommands)
#include "test_evaluatecommands.moc"
