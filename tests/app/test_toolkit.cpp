// The test engineer's tools of the window: the program summary, the steer-rate setting, manoeuvre
// templates, the image report after a Build and the steps as CSV; every box and dialog answered
// through the modal seam.

#include "app/BuildCommand.h"
#include "app/GraphView.h"
#include "app/Mainform.h"
#include "app/ProgramBook.h"
#include "app/SetFiles.h"
#include "app/StatusLine.h"
#include "app/SummaryPanel.h"
#include "compiler/state.h"
#include "compiler/summary.h"
#include "compiler/ui/Errdial.h"
#include "files/fileio.h"
#include "graph/graphview.h"
#include "graph/programgraph.h"
#include "graph/ui/QPainterCanvas.h"
#include "romfiles/campaign.h"
#include "romfiles/defaults.h"
#include "romfiles/exporters.h"
#include "romfiles/imagecheck.h"
#include "romfiles/templates.h"
#include "romfiles/ui/Prefdlg.h"
#include "romfiles/ui/Reportdlg.h"
#include "romfiles/ui/Templatedlg.h"
#include "uikit/Modal.h"
#include "window_test.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// A program with a ramp, a hold and a step back, 3.5 seconds long at 1024 Hz, flag 1 on throughout.
const char *const RampProgram = "maxsteer(100 deg)\nbegin\nsetflag(1 bit, 100 %)\nrampto(50 deg, 2 "
                                "sec)\nwait(1 sec)\nstepto(0 deg, 0.5 sec)\nsetflag(1 bit, 0 %)\nend";

QString Joined(const std::vector<std::string> &lines) {
    QStringList joined;
    for (const std::string &line : lines) joined << QString::fromLatin1(line.c_str());
    return joined.join('\n');
}

} // namespace

class TestToolkit : public WindowTest {
    Q_OBJECT

private slots:
    void initTestCase() {
        SetUpWindowTests();
        SetPreferencesFile(Path("config/quillard.conf"));
        m_dialogAnswer = QDialog::Rejected;
    }
    void init() { OpenWindow({1000, 700}); }
    void cleanup() { CloseWindow(); }

    void exportStepsAsCsvWritesTheStepStore() {
        QCOMPARE(m_form->Actions().ExportCsv1->text(), QString("Export Steps as &CSV..."));
        SetProgram(2, RampProgram);
        m_form->Programs()->Tabs()->setCurrentIndex(2);
        m_chosenFile = Path("ramp.csv");
        m_form->Actions().ExportCsv1->trigger();
        QCOMPARE(m_boxes, QStringList{});
        const std::string written = ReadFileBytes(m_chosenFile.toStdString());
        const CompilerState &c = m_form->LastCompile();
        QVERIFY(written == StepsCsvBytes(c.steps, c.endIndex, c.MaxSteer));
        QVERIFY(written.rfind("# end_index=3584 maxsteer=100\nindex,time,steer,", 0) == 0);
        QVERIFY(written.find('\r') == std::string::npos);
        QCOMPARE(QString::fromStdString(Settings().textDir), m_dir.path());

        // A program with errors opens the Messages dialog and asks for no file.
        SetProgram(2, "maxsteer(100 deg)\nbegin\nstpto(10 deg)\nend");
        m_fileDialogs = 0;
        m_form->Actions().ExportCsv1->trigger();
        QCOMPARE(m_fileDialogs, 0);
        QCOMPARE(m_dialogs.last(), QString("TErrDialog"));
        // A write that fails is reported and leaves no file.
        SetProgram(2, RampProgram);
        m_chosenFile = Path("missing/x.csv");
        m_form->Actions().ExportCsv1->trigger();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes[0].startsWith("cannot"));
    }

    void summaryFollowsShowAndGoesStaleOnEdit() {
        QCOMPARE(m_form->Summary()->Program(), -1);
        QVERIFY(m_form->Summary()->isVisible());
        SetProgram(3, RampProgram);
        m_form->Programs()->Tabs()->setCurrentIndex(3);
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Summary()->Program(), 3);
        QCOMPARE(m_form->Summary()->Title()->text(), QString("Program #3"));
        QCOMPARE(m_form->Summary()->Text()->toPlainText(),
                 Joined(SummaryLines(SummarizeProgram(m_form->LastCompile()))));
        QVERIFY(m_form->Summary()->Text()->toPlainText().contains("3.500 s (END)"));
        // The panel stands beside the graph, which is narrower by its width (and the splitter's handle).
        QVERIFY(m_form->Summary()->x() > m_form->Graph()->width());
        QVERIFY(m_form->Summary()->x() <= m_form->Graph()->width() + 8);
        QCOMPARE(m_form->Summary()->y(), m_form->Graph()->y());

        // An edit greys the figures; undoing it brings them back. Other programs do not matter.
        SetProgram(5, "x");
        QVERIFY(!m_form->Summary()->Stale());
        m_form->Programs()->Editor(3)->moveCursor(QTextCursor::End);
        m_form->Programs()->Editor(3)->insertPlainText(" ; changed");
        QVERIFY(m_form->Summary()->Stale());
        QCOMPARE(m_form->Summary()->Title()->text(), QString("Program #3 (changed since Show)"));
        QVERIFY(!m_form->Summary()->Text()->isEnabled());
        m_form->Programs()->Editor(3)->undo();
        QVERIFY(!m_form->Summary()->Stale());
        QVERIFY(m_form->Summary()->Text()->isEnabled());

        // A failed Show leaves no figures.
        SetProgram(3, "maxsteer(100 deg)\nbegin\nstpto(10 deg)\nend");
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Summary()->Program(), -1);
        QCOMPARE(m_form->Summary()->Title()->text(), QString("Program #3: errors, no summary"));
        QVERIFY(m_form->Summary()->Text()->toPlainText().startsWith("The program did not compile"));

        // The View menu hides the panel; the graph then takes the whole width, and the choice is kept.
        m_form->Actions().ProgramSummary1->trigger();
        QVERIFY(!m_form->Summary()->isVisible());
        QCOMPARE(m_form->Graph()->width(), m_form->centralWidget()->width());
        QCOMPARE(QSettings(PreferencesFile(), QSettings::IniFormat).value("view/summary").toBool(), false);
        m_form->Actions().ProgramSummary1->trigger();
        QVERIFY(m_form->Summary()->isVisible());
    }

    void steerRateSettingIsKeptOutsideTheDefaultsFile() {
        const std::string defaultsBefore = ReadFileBytes(DefaultsPath(Settings().startupDir));
        TPreferencesDialog *prefs = m_form->Dialogs().PreferencesDialog;
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
        m_form->Actions().Preferences1->trigger();
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
        QCOMPARE(m_form->LastCompile().options.steerRateLimit, 250.0f);
        // The step back to 0 at 3 s is far faster than 250 deg/s: the notice names it.
        const RateViolation violation = FirstRateViolation(m_form->LastCompile(), 250);
        QVERIFY(violation.found);
        QCOMPARE(m_boxes, QStringList{QString::fromStdString(RateViolationNotice(violation, 250))});
        m_boxes.clear();
        m_chosenFile = Path("rate.csv");
        m_form->Actions().ExportCsv1->trigger();
        QCOMPARE(m_form->LastCompile().options.steerRateLimit, 0.0f);

        // A new window loads the setting; turning it off stores that too.
        m_form = std::make_unique<TForm1>();
        Settings().steerRateCheck = false;
        m_form->CreateDialogs();
        QVERIFY(Settings().steerRateCheck);
        QVERIFY(m_form->Dialogs().PreferencesDialog->SteerRateCheck->isChecked());
        QCOMPARE(m_form->Dialogs().PreferencesDialog->SteerRateLimitBox->value(), 250.0);
        m_onDialog = [](QDialog &dialog) {
            auto *p = qobject_cast<TPreferencesDialog *>(&dialog);
            p->SteerRateCheck->setChecked(false);
            p->OKBtn->click();
            return dialog.result();
        };
        m_form->Actions().Preferences1->trigger();
        QVERIFY(!Settings().steerRateCheck);
        QCOMPARE(SteerRateLimit(Settings()), 0.0f);
    }

    void templateDialogShowsParametersAndPreview() {
        QVERIFY(!ManoeuvreTemplates().empty());
        QCOMPARE(m_form->Actions().InsertTemplate1->text(), QString("Insert Te&mplate..."));
        QCOMPARE(m_form->Actions().InsertTemplate1->shortcut(), QKeySequence("Ctrl+T"));
        TTemplateDlg *dialog = m_form->Dialogs().TemplateDlg;
        QCOMPARE(dialog->TemplateBox->count(), int(ManoeuvreTemplates().size()));
        QVERIFY(dialog->SelectTemplate("sine-with-dwell"));
        const ManoeuvreTemplate *sine = FindTemplate("sine-with-dwell");
        QVERIFY(sine);
        for (const TemplateParameter &p : sine->parameters) {
            QLineEdit *box = dialog->ParameterBox(QString::fromStdString(p.name));
            QVERIFY2(box, p.name.c_str());
            QCOMPARE(box->text().toDouble(), p.defaultValue);
            QVERIFY(box->toolTip().startsWith(QString::fromStdString(p.description)));
            QVERIFY(box->toolTip().contains(QString::fromStdString(p.unit)));
        }
        QCOMPARE(dialog->Preview->toPlainText(), Joined(TemplateProgram("sine-with-dwell", {})));
        QCOMPARE(dialog->ErrorLabel->text(), QString());

        // A box that holds no number, and a value the template refuses, are shown in the dialog.
        QLineEdit *frequency = dialog->ParameterBox("frequency");
        frequency->setText("fast");
        QCOMPARE(dialog->ErrorLabel->text(), QString("frequency: \"fast\" is not a number"));
        QVERIFY(!dialog->InsertBtn->isEnabled());
        QVERIFY(!dialog->ReplaceBtn->isEnabled());
        QCOMPARE(dialog->Preview->toPlainText(), QString());
        frequency->setText("-1");
        QString refused;
        try {
            TemplateProgram("sine-with-dwell", {{"frequency", -1}});
        } catch (const TemplateError &e) {
            refused = QString::fromStdString(e.what());
        }
        QVERIFY(!refused.isEmpty());
        QCOMPARE(dialog->ErrorLabel->text(), refused);
        frequency->setText("0.7");
        QCOMPARE(dialog->ErrorLabel->text(), QString());
        QVERIFY(dialog->InsertBtn->isEnabled());
    }

    void templateReplacesOrInsertsAsOneUndoableEdit() {
        const ProgramText program = TemplateProgram("sine-with-dwell", {{"amplitude", 40}});
        m_onDialog = [](QDialog &dialog) {
            auto *t = qobject_cast<TTemplateDlg *>(&dialog);
            t->SelectTemplate("sine-with-dwell");
            t->ParameterBox("amplitude")->setText("40");
            t->ReplaceBtn->click();
            return dialog.result();
        };
        m_form->Programs()->Tabs()->setCurrentIndex(6);
        m_form->Actions().InsertTemplate1->trigger();
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(6)), program);
        QVERIFY(m_form->Programs()->Changed());
        m_form->Programs()->Editor(6)->undo();
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(6)), DefaultProgram());

        // Insert puts the statements (no maxsteer, begin or end) before the caret's line.
        QTextCursor cursor = m_form->Programs()->Editor(6)->textCursor();
        cursor.setPosition(QString("maxsteer(100 deg)\nbegin\n").size());
        m_form->Programs()->Editor(6)->setTextCursor(cursor);
        m_onDialog = [](QDialog &dialog) {
            auto *t = qobject_cast<TTemplateDlg *>(&dialog);
            t->InsertBtn->click();
            return dialog.result();
        };
        m_form->Actions().InsertTemplate1->trigger();
        ProgramText expected{"maxsteer(100 deg)", "begin"};
        const ProgramText statements = ProgramStatements(program);
        QVERIFY(!statements.empty());
        QVERIFY(statements.front().rfind("setrate", 0) == 0);
        expected.insert(expected.end(), statements.begin(), statements.end());
        expected.insert(expected.end(), {"", "end"});
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(6)), expected);
        QVERIFY(
            m_form->Status()->Bar()->text().startsWith(QString("Line:%1 Col:1").arg(3 + statements.size())));
        m_form->Programs()->Editor(6)->undo();
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(6)), DefaultProgram());
        // Close changes nothing.
        m_onDialog = [](QDialog &dialog) {
            qobject_cast<TTemplateDlg *>(&dialog)->CloseBtn->click();
            return dialog.result();
        };
        m_form->Actions().InsertTemplate1->trigger();
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(6)), DefaultProgram());
    }

    void fillSeriesAsksThenReplacesTheProgramsFromTheChosenOne() {
        SetProgram(15, "mine");
        m_answer = QMessageBox::Cancel;
        bool stayedOpen = false;
        QString seriesLabel;
        m_onDialog = [&](QDialog &dialog) {
            auto *t = qobject_cast<TTemplateDlg *>(&dialog);
            t->SelectTemplate("sine-with-dwell");
            t->IntoProgram->setValue(0);
            t->SeriesFrom->setText("1.5");
            t->SeriesTo->setText("6.5");
            t->SeriesStep->setText("0.5");
            t->SeriesA->setText("10");
            seriesLabel = t->SeriesLabel->text();
            t->SeriesBtn->click();
            stayedOpen = dialog.result() == 0 && t->Chosen() == TTemplateDlg::Choice::None;
            m_answer = QMessageBox::Ok;
            t->SeriesBtn->click();
            return dialog.result();
        };
        m_form->Actions().InsertTemplate1->trigger();
        QVERIFY(stayedOpen);
        QVERIFY2(seriesLabel.startsWith("Runs 1 to 11 of 11 into programs 0 to 10: 15, 20, 25"),
                 qPrintable(seriesLabel));
        QCOMPARE(m_boxes,
                 (QStringList{"This will replace programs 0 to 10!", "This will replace programs 0 to 10!"}));
        const auto series = TemplateSeries("sine-with-dwell", {}, AmplitudeSeries(15, 65, 5));
        for (int i = 0; i < 11; ++i) QCOMPARE(ProgramLines(*m_form->Programs()->Editor(i)), series[i]);
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(15)), ProgramText{"mine"});
        QCOMPARE(m_form->Programs()->CurrentProgram(), 0);
        QVERIFY(m_form->Programs()->Changed());

        // The standard series for A = 20 deg has 25 runs: from run 17 they fill a second set from
        // program 3 on, with maxsteer raised to 300 deg; Replace Program writes into the chosen program.
        m_boxes.clear();
        m_onDialog = [&](QDialog &dialog) {
            auto *t = qobject_cast<TTemplateDlg *>(&dialog);
            t->SeriesA->setText("20");
            t->SeriesStandard->setChecked(true);
            t->IntoProgram->setValue(3);
            seriesLabel = t->SeriesLabel->text();
            t->SeriesFirstRun->setValue(17);
            t->SeriesBtn->click();
            return dialog.result();
        };
        m_form->Actions().InsertTemplate1->trigger();
        QCOMPARE(seriesLabel,
                 QString("Runs 1 to 13 of 25 into programs 3 to 15: 30, 40, 50, 60, 70, 80, 90, 100, "
                         "110, 120, 130, 140, 150 deg; runs 14 to 25 go into another set (From run 14)"));
        QCOMPARE(m_boxes, QStringList{"This will replace programs 3 to 11!"});
        const auto runs = TemplateRuns("sine-with-dwell", {{"maxsteer", 300}}, StandardSeries(20),
                                       "standard series, A 20 deg");
        for (int i = 0; i < 9; ++i) QCOMPARE(ProgramLines(*m_form->Programs()->Editor(3 + i)), runs[16 + i]);
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(15)), ProgramText{"mine"});
        m_onDialog = [&](QDialog &dialog) {
            auto *t = qobject_cast<TTemplateDlg *>(&dialog);
            t->SeriesStandard->setChecked(false);
            t->SelectTemplate("j-turn");
            t->IntoProgram->setValue(14);
            t->ReplaceBtn->click();
            return dialog.result();
        };
        m_form->Actions().InsertTemplate1->trigger();
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(14)), TemplateProgram("j-turn", {}));
        QCOMPARE(m_form->Programs()->CurrentProgram(), 14);
    }

    void exportCampaignSheetWritesTheSetsRows() {
        SetProgram(1, RampProgram);
        m_chosenFile = Path("sheet.csv");
        m_form->Actions().ExportSheet1->trigger();
        QCOMPARE(m_boxes, QStringList{});
        CompilerState state;
        QVERIFY(ReadFileBytes(m_chosenFile.toStdString()) ==
                CampaignSheet(state, m_form->Programs()->Texts(), WindowCompileOptions(m_form.get())));
    }

    void buildShowsTheImageReportAndWritesTheCopies() {
        m_form->Dialogs().ImageReportDlg->HexCheck->setChecked(true);
        m_form->Dialogs().ImageReportDlg->SrecCheck->setChecked(false);
        QCOMPARE(QSettings(PreferencesFile(), QSettings::IniFormat).value("build/intelHex").toBool(), true);
        SetProgram(1, RampProgram);
        m_chosenFile = Path("set.bin");
        QString shownReport;
        m_onDialog = [&](QDialog &dialog) {
            auto *report = qobject_cast<TImageReportDlg *>(&dialog);
            if (!report) return int(QDialog::Rejected);
            shownReport = report->ReportText();
            report->CopyBtn->click();
            report->SrecCheck->setChecked(true);
            report->WriteBtn->click();
            report->SrecCheck->setChecked(false);
            return int(QDialog::Accepted);
        };
        m_form->BuildButtonClick();
        QCOMPARE(m_boxes, QStringList{"Files set.bin and set.aux were successfully created."});
        QCOMPARE(m_dialogs, QStringList{"TImageReportDlg"});
        const std::string bin = ReadFileBytes(Path("set.bin").toStdString());
        const std::string aux = ReadFileBytes(Path("set.aux").toStdString());
        QVERIFY(shownReport.endsWith(Joined(ReportLines(ReportImages(bin, aux)))));
        QVERIFY(shownReport.startsWith(Path("set.bin")));
        QCOMPARE(QApplication::clipboard()->text(), shownReport);
        // The HEX copies came with the Build, the S-records with Write Copies Now.
        QVERIFY(ReadFileBytes(Path("set.hex").toStdString()) == IntelHex(bin));
        QVERIFY(ReadFileBytes(Path("set.aux.hex").toStdString()) == IntelHex(aux));
        QVERIFY(ReadFileBytes(Path("set.srec").toStdString()) == MotorolaSrec(bin, "set.bin"));
        QVERIFY(ReadFileBytes(Path("set.aux.srec").toStdString()) == MotorolaSrec(aux, "set.aux"));
        QCOMPARE(m_form->Dialogs().ImageReportDlg->CopiesLabel->text(),
                 QString("Written: set.hex, set.aux.hex, set.srec, set.aux.srec"));

        // A copy that would replace a built file is refused; the built files stay.
        m_boxes.clear();
        m_onDialog = nullptr;
        m_chosenFile = Path("odd.hex");
        m_form->BuildButtonClick();
        QCOMPARE(m_boxes.size(), 2);
        QVERIFY(m_boxes[1].startsWith("cannot write"));
        QVERIFY(ReadFileBytes(Path("odd.hex").toStdString()) == bin);
        m_form->Dialogs().ImageReportDlg->HexCheck->setChecked(false);
    }
};

QTEST_MAIN(TestToolkit)
#include "test_toolkit.moc"
