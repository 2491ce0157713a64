// File > Evaluate Campaign: a rehearsed campaign (a passing run, one of a car whose yaw rate decays too
// slowly, one logged without its speed, one steered clockwise first) judged in the dialog as
// quillard-cli evaluate campaign judges it; a run opened in the window, the report written, the test
// information saved and opened as the campaign file, the dialog's keys and remembered fields.
#include "app/CampaignCommands.h"
#include "app/GraphView.h"
#include "app/SummaryPanel.h"
#include "files/fileio.h"
#include "measure/ui/Campaigninfoform.h"
#include "measure/ui/Evaluatecampaigndlg.h"
#include "uikit/Forms.h"
#include "window_test.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDoubleSpinBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

// quillard-cli run in the folder; its standard output, and into the file when one is named.
QByteArray RunCli(const QString &dir, const QStringList &arguments, const QString &output = {}) {
    QProcess cli;
    cli.setWorkingDirectory(dir);
    if (!output.isEmpty()) cli.setStandardOutputFile(QDir(dir).filePath(output));
    cli.start(QUILLARD_CLI, arguments);
    cli.waitForFinished(120000);
    return cli.readAllStandardOutput();
}

QByteArray ReadAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

std::optional<double> Margin(const QJsonObject &run, const char *key) {
    const QJsonValue value = run["margins"].toObject()[key];
    return value.isNull() || value.isUndefined() ? std::nullopt : std::optional(value.toDouble());
}

} // namespace

class TestCampaignCommands : public WindowTest {
    Q_OBJECT

    TEvaluateCampaignDlg *Dialog() const { return m_form->Campaign()->Dialog(); }
    // The dialog holding the rehearsed campaign, the speed stated or not.
    void Fill(bool speedStated) {
        TEvaluateCampaignDlg *dialog = Dialog();
        dialog->RunListEdit->setText(Path("runs.json"));
        dialog->LogList->clear();
        for (int k = 1; k <= 4; ++k) dialog->LogList->addItem(Path(QString("swd-%1.csv").arg(k)));
        dialog->AEdit->setValue(20);
        dialog->VehicleEdit->setText(Path("car.txt"));
        dialog->SpeedStatedBox->setChecked(speedStated);
    }
    QJsonObject CliCampaign(bool speedStated) const {
        QStringList arguments{"evaluate",  "campaign",  "runs.json", "swd-1.csv",
                              "swd-2.csv", "swd-3.csv", "swd-4.csv", "--amplitude-a",
                              "20",        "--vehicle", "car.txt",   "--json"};
        if (speedStated)
            arguments << "--accept"
                      << "speed";
        return QJsonDocument::fromJson(RunCli(m_dir.path(), arguments)).object();
    }
    QString Cell(int row, int column) const { return Dialog()->RunTable->item(row, column)->text(); }

private slots:
    // The rehearsal car drives a series of four runs; run 2 is driven by a car with a weak stability
    // control, run 3's log loses its speed column, run 4 is the clockwise-first run of its program.
    void initTestCase() {
        SetUpWindowTests();
        const QString dir = m_dir.path();
        RunCli(dir, {"simulate", "--default-vehicle"}, "car.txt");
        RunCli(dir,
               {"template", "sine-with-dwell", "--series", "100:160:20", "--maxsteer", "300", "--lead", "2",
                "-o", "swd.rom", "--json"},
               "runs.json");
        RunCli(dir, {"simulate", "--run-list", "runs.json", "-o", "swd.csv", "--vehicle", "car.txt"});
        QByteArray car = ReadAll(Path("car.txt"));
        QVERIFY(car.contains("stability_control_nm_s_per_rad = 20000"));
        WriteAll(Path("weak.txt"), car.replace("stability_control_nm_s_per_rad = 20000",
                                               "stability_control_nm_s_per_rad = 500"));
        RunCli(dir, {"simulate", "swd.rom", "--program", "1", "--vehicle", "weak.txt", "-o", "swd-2.csv"});
        RunCli(dir, {"simulate", "swd.rom", "--program", "3", "--runs", "2", "--vehicle", "car.txt", "-o",
                     "cw.csv"});
        QFile::remove(Path("swd-4.csv"));
        QVERIFY(QFile::copy(Path("cw-2.csv"), Path("swd-4.csv")));
        QByteArrayList lines = ReadAll(Path("swd-3.csv")).split('\n');
        for (QByteArray &line : lines)
            if (!line.startsWith('#') && line.contains(',')) line.truncate(line.lastIndexOf(','));
        WriteAll(Path("swd-3.csv"), lines.join('\n'));
    }
    // Each test remembers the dialog's fields in a preferences file of its own.
    void init() {
        QFile::remove(Path("preferences.conf"));
        SetPreferencesFile(Path("preferences.conf"));
        OpenWindow({1200, 800});
    }
    void cleanup() {
        CloseWindow();
        SetPreferencesFile({});
    }

    // The dialog gives each run the state, direction and margins the command line gives it, and the
    // campaign its verdict; stating the speed judges the run whose log has none.
    void theDialogJudgesAsTheCommandLine_data() {
        QTest::addColumn<bool>("speedStated");
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("speed logged") << false << QStringList{"pass", "fail", "invalid", "pass"} << "fail";
        QTest::newRow("speed stated") << true << QStringList{"pass", "fail", "pass", "pass"} << "fail";
    }
    void theDialogJudgesAsTheCommandLine() {
        QFETCH(bool, speedStated);
        QFETCH(QStringList, states);
        QFETCH(QString, verdict);
        m_form->Actions().EvaluateCampaign1->trigger();
        QVERIFY(Dialog()->isVisible());
        Fill(speedStated);
        QVERIFY(Dialog()->Evaluate());
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        const QJsonObject cli = CliCampaign(speedStated);
        const QJsonArray runs = cli["runs"].toArray();
        QCOMPARE(runs.size(), 4);
        const CampaignResult &campaign = Dialog()->Judged()->result;
        QCOMPARE(campaign.runs.size(), std::size_t(4));
        QCOMPARE(QString(RunStateName(campaign.verdict.state)), cli["state"].toString());
        QCOMPARE(QString(RunStateName(campaign.verdict.state)), verdict);
        QCOMPARE(QString::fromStdString(campaign.verdict.reason), cli["reason"].toString());
        QCOMPARE(campaign.verdict.invalid, cli["invalid"].toInt());
        QCOMPARE(QString::fromStdString(campaign.gvwr.source), cli["gvwr_source"].toString());
        QCOMPARE(Dialog()->RunTable->rowCount(), 4);
        for (int k = 0; k < 4; ++k) {
            const QJsonObject run = runs[k].toObject();
            const CampaignRunResult &c = campaign.runs[static_cast<std::size_t>(k)];
            QCOMPARE(QString(RunStateName(c.result.state)), states[k]);
            QCOMPARE(QString(RunStateName(c.result.state)), run["state"].toString());
            QCOMPARE(QString::fromStdString(c.result.reason), run["reason"].toString());
            QCOMPARE(QString::fromStdString(c.direction), run["direction"].toString());
            const std::pair<const char *, std::optional<double>> margins[] = {
                {"yaw_rate_ratio_1000_points", c.margins.ratio1},
                {"yaw_rate_ratio_1750_points", c.margins.ratio2},
                {"lateral_displacement_m", c.margins.displacement},
                {"speed_at_bos_kmh", c.margins.speed}};
            for (const auto &[key, margin] : margins) {
                const auto expected = Margin(run, key);
                QVERIFY2(margin.has_value() == expected.has_value(), key);
                if (margin) QVERIFY2(std::abs(*margin - *expected) < 1e-9, key);
            }
            // The table shows the state, the direction and each margin as the core's text gives it.
            QCOMPARE(Cell(k, TEvaluateCampaignDlg::StateColumn), QString(RunStateTitle(c.result.state)));
            QCOMPARE(Cell(k, TEvaluateCampaignDlg::DirectionColumn), run["direction"].toString());
            QVERIFY(Cell(k, TEvaluateCampaignDlg::Ratio1Column)
                        .endsWith(QString("(%1)").arg(
                            MarginText(*Margin(run, "yaw_rate_ratio_1000_points"), 2).c_str())));
            QCOMPARE(Cell(k, TEvaluateCampaignDlg::ReasonColumn), run["reason"].toString());
        }
        QCOMPARE(Cell(3, TEvaluateCampaignDlg::DirectionColumn), QString("clockwise"));
        QVERIFY(Cell(1, TEvaluateCampaignDlg::Ratio1Column).contains("(-"));
        // Rows coloured by their state: the failing and the passing run differ, two passes do not.
        auto colour = [this](int row) { return Dialog()->RunTable->item(row, 0)->background().color(); };
        QVERIFY(colour(0) != colour(1));
        QCOMPARE(colour(0), colour(3));
        QCOMPARE(colour(2) == colour(0), speedStated);
        QVERIFY(Dialog()->VerdictLabel->text().contains("Campaign: FAIL"));
        QVERIFY(Dialog()->VerdictLabel->text().contains("GVWR 2150 kg from the vehicle file"));
        if (!speedStated && !qEnvironmentVariableIsEmpty("QUILLARD_SCREENSHOT_CAMPAIGN")) {
            Dialog()->resize(1240, 700);
            QTest::qWait(50);
            Dialog()->grab().save(qEnvironmentVariable("QUILLARD_SCREENSHOT_CAMPAIGN"));
        }
    }

    // A row opens its run in the window, as Evaluate Run shows one; the report holds every run's page.
    void aRowOpensItsRunAndTheReportIsWritten() {
        m_form->Actions().EvaluateCampaign1->trigger();
        Fill(false);
        QVERIFY(Dialog()->Evaluate());
        QVERIFY(!m_form->Graph()->RunShown());
        Dialog()->RunTable->setCurrentCell(3, 0);
        QTest::mouseClick(Dialog()->OpenRunBtn, Qt::LeftButton);
        QVERIFY(m_form->Graph()->RunShown());
        const QString figures = m_form->Summary()->MeasuredFigures()->toPlainText();
        QVERIFY2(figures.startsWith("Sine with dwell, Run 4 of 4: swd.rom program 3, amplitude 160.00 deg "
                                    "(swd-4.csv): PASS"),
                 qPrintable(figures));
        QVERIFY2(figures.contains("A 20.00 deg, from Evaluate Campaign"), qPrintable(figures));
        // The failing run's figures replace them, its program drawn under its steer.
        emit Dialog()->RunTable->cellDoubleClicked(1, 2);
        QVERIFY(m_form->Summary()->MeasuredFigures()->toPlainText().contains("Run 2 of 4"));
        QVERIFY(!m_form->Graph()->Run()->strips.empty());

        m_chosenFile = Path("campaign.pdf");
        QTest::mouseClick(Dialog()->ReportBtn, Qt::LeftButton);
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QCOMPARE(ReadAll(m_chosenFile).left(5), QByteArray("%PDF-"));
        QProcess text;
        text.start("pdftotext", {"-layout", m_chosenFile, "-"});
        QVERIFY(text.waitForFinished(60000));
        const QString report = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString &line :
             {QString("Sine-with-dwell campaign: FAIL"), QString("Vehicle: not given"),
              QString("Gross vehicle weight rating: 2150 kg"), QString("Run 4 of 4"),
              QString("Regulation: FMVSS No. 126"), QString("the log has no speed"), QString("Page 1 of"),
              QString("Tested by"), QString("Checked by"),
              // the sign-off page's hash of a log, as another library makes it
              QString(
                  QCryptographicHash::hash(ReadAll(Path("swd-3.csv")), QCryptographicHash::Sha256).toHex()),
              QString::fromStdString(MarginText(*Dialog()->Judged()->result.runs[1].margins.ratio1, 2))})
            QVERIFY2(report.contains(line), qPrintable(line + "\n" + report));
    }

    // What makes no campaign is said, and nothing of an earlier campaign stays in the table.
    void whatMakesNoCampaignIsSaid_data() {
        QTest::addColumn<QString>("runList");
        QTest::addColumn<int>("logs");
        QTest::addColumn<QString>("sis");
        QTest::addColumn<QString>("box");
        QTest::newRow("no run list") << "" << 4 << ""
                                     << "Choose the run list of the series.";
        QTest::newRow("a log short") << "runs.json" << 3 << ""
                                     << "the run list has 4 runs and 3 logs were given: one log per run";
        QTest::newRow("no run list in it") << "car.txt" << 4 << ""
                                           << "car.txt: ";
        QTest::newRow("SIS results without A") << "runs.json" << 4 << "runs.json"
                                               << "runs.json: holds no a_deg";
    }
    void whatMakesNoCampaignIsSaid() {
        QFETCH(QString, runList);
        QFETCH(int, logs);
        QFETCH(QString, sis);
        QFETCH(QString, box);
        m_form->Actions().EvaluateCampaign1->trigger();
        Fill(false);
        QVERIFY(Dialog()->Evaluate());
        Dialog()->RunListEdit->setText(runList.isEmpty() ? QString() : Path(runList));
        while (Dialog()->LogList->count() > logs) delete Dialog()->LogList->takeItem(logs);
        Dialog()->SisEdit->setText(sis.isEmpty() ? QString() : Path(sis));
        Dialog()->AEdit->setValue(0);
        QVERIFY(!Dialog()->Evaluate());
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].contains(box), qPrintable(m_boxes[0]));
        QCOMPARE(Dialog()->RunTable->rowCount(), 0);
        QVERIFY(!Dialog()->ReportBtn->isEnabled());
    }

    // The logs given in reverse pair by their names (and by the runs they name) with the runs they are
    // of; in the order given they would not.
    void theLogsPairAsChosen_data() {
        QTest::addColumn<int>("pairing");
        QTest::addColumn<QStringList>("states");
        QTest::newRow("in order") << 0 << QStringList{"invalid", "invalid", "invalid", "invalid"};
        QTest::newRow("by name") << 1 << QStringList{"pass", "fail", "invalid", "pass"};
        QTest::newRow("as logged") << 2 << QStringList{"pass", "fail", "invalid", "pass"};
    }
    void theLogsPairAsChosen() {
        QFETCH(int, pairing);
        QFETCH(QStringList, states);
        m_form->Actions().EvaluateCampaign1->trigger();
        Fill(false);
        QStringList logs = Dialog()->Logs();
        std::reverse(logs.begin(), logs.end());
        Dialog()->LogList->clear();
        Dialog()->LogList->addItems(logs);
        Dialog()->PairingBox->setCurrentIndex(pairing);
        QVERIFY(Dialog()->Evaluate());
        QStringList judged;
        for (const CampaignRunResult &c : Dialog()->Judged()->result.runs)
            judged << RunStateName(c.result.state);
        QCOMPARE(judged, states);
    }

    // A from the SIS results when none is given, named by the file; the given A wins over it.
    void aComesFromTheSisResultsUnlessGiven() {
        WriteAll(Path("sis.json"), R"({"a_deg": 25.5, "runs": []})");
        m_form->Actions().EvaluateCampaign1->trigger();
        Fill(false);
        Dialog()->SisEdit->setText(Path("sis.json"));
        QVERIFY(Dialog()->Evaluate());
        QCOMPARE(Dialog()->Judged()->result.a.value, 20.0);
        Dialog()->AEdit->setValue(0);
        QVERIFY(Dialog()->Evaluate());
        QCOMPARE(Dialog()->Judged()->result.a.value, 25.5);
        QCOMPARE(Dialog()->Judged()->result.a.source, std::string("sis.json"));
    }

    // With no A given, no SIS results and none in the run list, A is the note of the series' programs, as
    // the command line takes it.
    void aComesFromTheProgramsNoteLast() {
        QByteArray set = ReadAll(Path("swd.rom"));
        set.replace("; run 1 of 4", "; run 1 of 4, standard series, A 22.5 deg");
        WriteAll(Path("noted.rom"), set);
        WriteAll(Path("noted.json"), ReadAll(Path("runs.json")).replace("\"swd.rom\"", "\"noted.rom\""));
        m_form->Actions().EvaluateCampaign1->trigger();
        Fill(false);
        Dialog()->RunListEdit->setText(Path("noted.json"));
        Dialog()->AEdit->setValue(0);
        QVERIFY(Dialog()->Evaluate());
        QCOMPARE(Dialog()->Judged()->result.a.value, 22.5);
        QCOMPARE(Dialog()->Judged()->result.a.source, std::string("the note of noted.rom program 0"));
        const QJsonObject cli =
            QJsonDocument::fromJson(
                RunCli(m_dir.path(), {"evaluate", "campaign", "noted.json", "swd-1.csv", "swd-2.csv",
                                      "swd-3.csv", "swd-4.csv", "--vehicle", "car.txt", "--json"}))
                .object();
        QCOMPARE(cli["a_source"].toString(), QString("the note of noted.rom program 0"));
    }

    // Add Folder takes a folder's logs in the order of their names, numbers as numbers, and nothing else.
    void aFolderGivesItsLogsInOrder() {
        QDir(m_dir.path()).mkdir("logs");
        for (const char *name : {"swd-10.csv", "swd-2.csv", "notes.pdf", "swd-1.VBO", "swd-9.txt"})
            WriteAll(Path(QString("logs/") + name), "time,steer\n");
        m_form->Actions().EvaluateCampaign1->trigger();
        Dialog()->LogList->clear();
        m_chosenFile = Path("logs");
        QTest::mouseClick(Dialog()->AddFolderBtn, Qt::LeftButton);
        QCOMPARE(m_fileRequest.kind, FileDialogKind::Folder);
        QStringList names;
        for (const QString &log : Dialog()->Logs()) names << QFileInfo(log).fileName();
        QCOMPARE(names, (QStringList{"swd-1.VBO", "swd-2.csv", "swd-9.txt", "swd-10.csv"}));
        // Add Files takes every file chosen, in order.
        m_chosenFile = Path("a.csv") + "\n" + Path("b.csv");
        QTest::mouseClick(Dialog()->AddFilesBtn, Qt::LeftButton);
        QCOMPARE(Dialog()->Logs().mid(4), (QStringList{Path("a.csv"), Path("b.csv")}));
    }

    // The test information opened from a campaign file, saved again byte for byte as the file's writer
    // writes it, and read by the campaign; a GVWR the file would refuse is refused by the form.
    void theCampaignFileRoundTripsThroughTheForm() {
        const std::string original = "# day one\r\nvehicle = Rehearsal car #2\r\nvin = TESTVIN0000000001\r\n"
                                     "test_mass = 1712 kg\r\ngvwr = 2150 kg\r\ntyres = 225/45 R17\r\n"
                                     "tyre_pressures = 2.4 bar\r\nsite = M\xfchlenweg track\r\n"
                                     "dates = 8-9 Dec 2026\r\nsurface = asphalt\r\npeak_friction = 0.93\r\n"
                                     "ambient_temperature = 7 C\r\nsteering_machine = SM-2\r\n"
                                     "operator = J. Doe\r\n";
        WriteFileAtomically(ToPath(Path("info.txt")), original);
        m_form->Actions().EvaluateCampaign1->trigger();
        TCampaignInfoForm *form = Dialog()->InfoForm;
        m_chosenFile = Path("info.txt");
        QTest::mouseClick(form->OpenBtn, Qt::LeftButton);
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
        QCOMPARE(form->Fields[0]->text(), QString("Rehearsal car #2"));
        QCOMPARE(form->Fields[6]->text(), QString("M\u00fchlenweg track"));
        m_chosenFile = Path("saved.txt");
        QTest::mouseClick(form->SaveBtn, Qt::LeftButton);
        const std::string saved = ReadFileBytes(ToPath(Path("saved.txt")));
        QCOMPARE(saved, CampaignInfoText(ParseCampaignInfo(original)));
        QCOMPARE(CampaignInfoText(ParseCampaignInfo(saved)), saved);
        // The campaign is judged with it: its GVWR before the vehicle file's.
        Fill(false);
        QVERIFY(Dialog()->Evaluate());
        QCOMPARE(Dialog()->Judged()->result.gvwr.source, std::string("the campaign information"));
        QCOMPARE(Dialog()->Judged()->result.info.site, std::string("M\xfchlenweg track"));

        const std::pair<QString, QString> gvwrs[] = {{"", ""},
                                                     {"3600", ""},
                                                     {"heavy", "Gross vehicle weight rating: "},
                                                     {"-5 kg", "Gross vehicle weight rating: "}};
        for (const auto &[gvwr, error] : gvwrs) {
            m_boxes.clear();
            form->Fields[3]->setText(gvwr);
            m_chosenFile = Path("again.txt");
            QTest::mouseClick(form->SaveBtn, Qt::LeftButton);
            QCOMPARE(m_boxes.size(), error.isEmpty() ? 0 : 1);
            if (!error.isEmpty()) QVERIFY2(m_boxes[0].startsWith(error), qPrintable(m_boxes[0]));
        }
        // A field left refused does not stop a run of the campaign judged from opening.
        emit Dialog()->RunTable->cellDoubleClicked(0, 0);
        QVERIFY(m_form->Graph()->RunShown());
    }

    // Every field, page and button of the dialog that has an accelerator has its own, and a label's
    // moves to its field.
    void theDialogsKeysAreUnique() {
        TEvaluateCampaignDlg *dialog = Dialog();
        QMap<QChar, QStringList> owners;
        auto add = [&](const QString &text) {
            const QRegularExpressionMatch m = QRegularExpression("&([^&])").match(text);
            if (m.hasMatch()) owners[m.captured(1).toLower().at(0)] << text;
        };
        for (QLabel *label : dialog->findChildren<QLabel *>()) {
            add(label->text());
            if (label->text().contains('&')) QVERIFY2(label->buddy(), qPrintable(label->text()));
        }
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) add(button->text());
        for (int k = 0; k < dialog->Pages->count(); ++k) add(dialog->Pages->tabText(k));
        QVERIFY(owners.size() >= 18);
        for (auto it = owners.cbegin(); it != owners.cend(); ++it)
            QVERIFY2(it.value().size() == 1, qPrintable(it.value().join(", ")));
    }

    // The fields come back in the next window as they were when the campaign was judged.
    void theFieldsAreRemembered() {
        m_form->Actions().EvaluateCampaign1->trigger();
        Fill(true);
        Dialog()->PairingBox->setCurrentIndex(1);
        Dialog()->RegulationBox->setCurrentIndex(2);
        QVERIFY(Dialog()->Evaluate());
        CloseWindow();
        OpenWindow();
        TEvaluateCampaignDlg *dialog = Dialog();
        QCOMPARE(dialog->RunListEdit->text(), Path("runs.json"));
        QCOMPARE(dialog->Logs().size(), 4);
        QCOMPARE(dialog->PairingBox->currentIndex(), 1);
        QCOMPARE(dialog->RegulationBox->currentText(), QString("GB/T 30677"));
        QVERIFY(dialog->SpeedStatedBox->isChecked());
        QCOMPARE(dialog->AEdit->value(), 20.0);
        QCOMPARE(dialog->VehicleEdit->text(), Path("car.txt"));
    }
};

QTEST_MAIN(TestCampaignCommands)
#include "test_campaigncommands.moc"
