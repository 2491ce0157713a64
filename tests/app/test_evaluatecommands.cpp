// File > Evaluate Run and Write Evaluation Report: a run of the rehearsal vehicle judged over its
// program, its traces and marks over the graph, its verdict at the head of the summary, its report.
#include "app/EvaluateCommands.h"
#include "app/GraphView.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "measure/compare.h"
#include "measure/ui/Evaluaterundlg.h"
#include "measure/vehicle.h"
#include "romfiles/fileio.h"
#include "romfiles/templates.h"
#include "uikit/Forms.h"
#include "window_test.h"

#include <QAction>
#include <QLineEdit>
#include <QTabBar>
#include <QtTest>

#include <cmath>

class TestEvaluateCommands : public WindowTest {
    Q_OBJECT

    // The standard series' run at 5 A for A = 20 deg, and the rehearsal car's log of it.
    QString WriteRun(ProgramText &program) {
        program = TemplateRuns("sine-with-dwell", {{"maxsteer", 300}, {"lead", 2}}, {100},
                               StandardSeriesNote(20))[0];
        CompilerState state;
        if (!CompileProgram(state, program, {})) return {};
        const CommandedProgram commanded = CommandedFrom(state);
        auto steer = [&](double t) {
            const auto &time = commanded.time;
            if (t >= time.back()) return double(commanded.steer.back());
            const auto i = std::upper_bound(time.begin(), time.end(), t) - time.begin();
            return i == 0 ? commanded.steer.front() : commanded.steer[static_cast<std::size_t>(i - 1)];
        };
        const QString path = Path("run.csv");
        WriteFileAtomically(
            ToPath(path),
            SimulatedLogText({}, SimulateVehicle({}, steer, commanded.time.back() + 3, 200), ""));
        return path;
    }
    void Answer(const QString &log) {
        m_onDialog = [log](QDialog &dialog) {
            if (auto *run = qobject_cast<TEvaluateRunDlg *>(&dialog)) run->FileEdit->setText(log);
            return int(QDialog::Accepted);
        };
    }

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() { OpenWindow({1400, 800}); }
    void cleanup() { CloseWindow(); }

    void aRunIsJudgedOverItsProgramAndReported() {
        ProgramText program;
        Answer(WriteRun(program));
        SetProgram(4, QString::fromLatin1(JoinLinesCrLf(program).c_str()).replace("\r\n", "\n"));
        m_form->Programs()->Tabs()->setCurrentIndex(4);
        QVERIFY(!m_form->Actions().EvaluationReport1->isEnabled());
        m_form->Actions().EvaluateRun1->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        const auto &result = m_form->Evaluations()->Evaluated();
        QVERIFY(result && result->pass);
        QVERIFY(result->passDisplacement.has_value()); // 100 deg is 5 A of the program's note
        QCOMPARE(m_form->Graph()->Overlays().size(), std::size_t(6));
        const QString figures = m_form->Summary()->MeasuredFigures()->toPlainText();
        QVERIFY2(figures.startsWith("Run PASS: Program 4, log run.csv") &&
                     figures.contains("Yaw rate ratio at COS + 1.000 s"),
                 qPrintable(figures));
        if (!qEnvironmentVariableIsEmpty("QUILLARD_SCREENSHOT"))
            m_form->grab().save(qEnvironmentVariable("QUILLARD_SCREENSHOT"));

        QVERIFY(m_form->Actions().EvaluationReport1->isEnabled());
        m_chosenFile = Path("report.pdf");
        m_form->Actions().EvaluationReport1->trigger();
        QCOMPARE(ReadFileBytes(ToPath(m_chosenFile), ProgramFileLimit).substr(0, 5), std::string("%PDF-"));
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

    void theScaleOfATraceIsRound() {
        QCOMPARE(OverlayScale(30, 100), 2.0); // 30 x 2 = 60, about 4/5 of 100
        QCOMPARE(OverlayScale(0.8, 100), 100.0);
        QCOMPARE(OverlayScale(0, 100), 1.0);
    }
};

QTEST_MAIN(TestEvaluateCommands)
#include "test_evaluatecommands.moc"
