// The Import, Export, aux view and print selection dialogs, and the command flows behind them.
#include "graph/print.h"
#include "graph/ui/Auxbview.h"
#include "graph/ui/Printwht.h"
#include "graph/ui/QPainterCanvas.h"
#include "romfiles/ui/Exportf.h"
#include "romfiles/ui/Importf.h"
#include "uikit/Modal.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

QStringList ButtonTexts(QGroupBox *group) {
    QStringList texts;
    for (auto *button : group->findChildren<QRadioButton *>()) texts << button->text();
    return texts;
}

void Click(QGroupBox *group, int item) { group->findChildren<QRadioButton *>().at(item)->click(); }

void WriteFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int PdfPages(const QString &path) {
    return int(QString::fromLatin1(ReadFile(path)).count(QRegularExpression("/Type\\s*/Page(?!s)")));
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_textDir, m_romDir, m_binDir;
    QList<BoxRequest> m_boxes;
    QList<FileRequest> m_files;
    QString m_fileAnswer;
    CompilerState m_compiler;

    QString Path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        for (const char *name : {"txt", "rom", "bin", "other"}) QVERIFY(QDir(m_dir.path()).mkpath(name));
        m_textDir = Path("txt");
        m_romDir = Path("rom");
        m_binDir = Path("bin");
        SetBoxHandler([this](QWidget *, const BoxRequest &r) {
            m_boxes << r;
            return QMessageBox::Ok;
        });
        SetFileHandler([this](QWidget *, const FileRequest &r) {
            m_files << r;
            return m_fileAnswer;
        });
    }
    void init() {
        m_boxes.clear();
        m_files.clear();
        m_fileAnswer.clear();
    }
    void cleanup() {
        SetDialogHandler({});
        SetColorChooser({});
    }

    void importStartsWithItsDefaults() {
        TImportDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString("Import File"));
        QCOMPARE(dialog.FileTypeGroup->title(), QString("File Type"));
        QCOMPARE(ButtonTexts(dialog.FileTypeGroup),
                 (QStringList{"Text", "Time and Value Ascii file", ".ROM File", ".BIN EPROM file"}));
        QCOMPARE(dialog.RateGroup->title(), QString("Resulting Step Rate"));
        QCOMPARE(ButtonTexts(dialog.RateGroup), (QStringList{"256 Hz", "512 Hz", "1024 Hz", "2048 Hz"}));
        QCOMPARE(dialog.ProgLabel->text(), QString("ROM Program #"));
        QCOMPARE(dialog.MaxStrLabel->text(), QString("Max Steer:"));
        QCOMPARE(dialog.RBInsert->text(), QString("Insert at cursor position"));
        QCOMPARE(dialog.RBReplace->text(), QString("Replace current program"));
        QCOMPARE(dialog.Button1->text(), QString("Browse"));
        QVERIFY(dialog.findChild<QLabel *>() &&
                dialog.findChildren<QLabel *>().first()->text() == "Input File:");
        QCOMPARE(dialog.FileName(), QString());
        QCOMPARE(dialog.FileType(), ImportFileType::TimeValue);
        QCOMPARE(dialog.Rate(), 256);
        QCOMPARE(dialog.ProgSpin->minimum(), 0);
        QCOMPARE(dialog.ProgSpin->maximum(), 15);
        QCOMPARE(dialog.Program(), 1);
        QCOMPARE(dialog.MaxStrSpin->minimum(), 0);
        QCOMPARE(dialog.MaxStrSpin->maximum(), 2000);
        QCOMPARE(dialog.MaxSteer(), 200);
        QCOMPARE(dialog.Mode(), ImportMode::Replace);
        QVERIFY(!dialog.HelpBtn->isEnabled());
        QCOMPARE(ImportFilters, (QStringList{"Text Files (*.txt)", ".ROM Files (*.rom)", ".BIN Files (*.bin)",
                                             "All Files (*.*)"}));
    }

    void importTypeSetsVisibilityFolderAndFilter_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("rate");
        QTest::addColumn<bool>("program");
        QTest::addColumn<bool>("maxSteer");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("folder");
        QTest::newRow("text") << 0 << false << false << false << "Text Files (*.txt)"
                              << "txt";
        QTest::newRow("time and value") << 1 << true << false << true << "Text Files (*.txt)"
                                        << "txt";
        QTest::newRow("rom") << 2 << false << true << false << ".ROM Files (*.rom)"
                             << "rom";
        QTest::newRow("bin") << 3 << false << true << true << ".BIN Files (*.bin)"
                             << "bin";
    }
    void importTypeSetsVisibilityFolderAndFilter() {
        QFETCH(int, type);
        TImportDlg dialog;
        dialog.SetDirectories({m_romDir, m_textDir, m_binDir});
        Click(dialog.FileTypeGroup, type);
        QCOMPARE(int(dialog.FileType()), type);
        QTEST(!dialog.RateGroup->isHidden(), "rate");
        QTEST(!dialog.ProgSpin->isHidden(), "program");
        QTEST(!dialog.ProgLabel->isHidden(), "program");
        QTEST(!dialog.MaxStrSpin->isHidden(), "maxSteer");
        QTEST(!dialog.MaxStrLabel->isHidden(), "maxSteer");
        QFETCH(QString, folder);
        QCOMPARE(dialog.Folder(), Path(folder));

        dialog.Button1Click(); // cancelled: the box keeps its text
        QCOMPARE(m_files.size(), 1);
        QCOMPARE(m_files[0].kind, FileDialogKind::Open);
        QCOMPARE(m_files[0].directory, Path(folder));
        QTEST(m_files[0].selectedFilter, "filter");
        QCOMPARE(m_files[0].filters, ImportFilters); // in their own order
        QVERIFY(m_files[0].mustExist);
        QCOMPARE(dialog.FileName(), QString());
    }

    void importBrowseFillsThePathAndTypedNamesFollowTheTypeFolder() {
        TImportDlg dialog;
        dialog.SetDirectories({m_romDir, m_textDir, m_binDir});
        m_fileAnswer = Path("other/points.txt");
        dialog.Button1Click();
        QCOMPARE(dialog.FileName(), m_fileAnswer);
        QCOMPARE(dialog.Folder(), Path("other"));
        QCOMPARE(dialog.ResolvedPath(), m_fileAnswer);

        dialog.EBInfile->setText("set.rom");
        Click(dialog.FileTypeGroup, 2);
        QCOMPARE(dialog.ResolvedPath(), Path("rom/set.rom"));
        dialog.ProgSpin->setValue(7);
        dialog.RBInsert->setChecked(true);
        const ImportRequest request = dialog.Request();
        QCOMPARE(request.type, ImportFileType::ProgramSetFile);
        QCOMPARE(QString::fromStdString(request.path), Path("rom/set.rom"));
        QCOMPARE(request.options.program, 7);
        QCOMPARE(request.options.mode, ImportMode::Insert);
    }

    void importOkWithAMissingFileStaysOpen() {
        TImportDlg dialog;
        dialog.SetDirectories({m_romDir, m_textDir, m_binDir});
        WriteFile(Path("txt/here.txt"), "0 0\r\n");
        dialog.show();
        dialog.EBInfile->setText("missing.txt");
        dialog.OKBtn->click();
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, QString("File not found!"));
        QCOMPARE(m_boxes[0].icon, BoxIcon::Error);
        QCOMPARE(m_boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(dialog.isVisible());

        dialog.EBInfile->setText("here.txt");
        dialog.OKBtn->click();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void runImportReplacesOrInsertsAndKeepsTheProgramOnFailure() {
        WriteFile(Path("txt/points.txt"), "0 0\r\n1 10\r\n2 10\r\n3 10\r\n4 0\r\n");
        TImportDlg dialog;
        std::function<void(TImportDlg &)> answer;
        SetDialogHandler([&](QDialog &) {
            answer(dialog);
            dialog.OKBtnClick();
            return dialog.result();
        });
        ProgramText program{"old 1", "old 2", "old 3"};
        int cursor = 2;
        answer = [](TImportDlg &d) { d.EBInfile->setText("points.txt"); };
        QVERIFY(RunImport(nullptr, dialog, {m_romDir, m_textDir, m_binDir}, program, cursor));
        QCOMPARE(program,
                 (ProgramText{"maxsteer(200.000 deg)", "begin", "setrate(256 hz)", "stepto(0.000d)",
                              "rampto(10.000d,1.0000s)", "wait(2.0000s)", "rampto(0.000d,1.0000s)", "end"}));

        program = {"old 1", "old 2", "old 3"};
        answer = [](TImportDlg &d) { d.RBInsert->setChecked(true); };
        QVERIFY(RunImport(nullptr, dialog, {m_romDir, m_textDir, m_binDir}, program, cursor));
        QCOMPARE(program, (ProgramText{"old 1", "stepto(0.000d)", "rampto(10.000d,1.0000s)", "wait(2.0000s)",
                                       "rampto(0.000d,1.0000s)", "old 2", "old 3"}));
        QCOMPARE(cursor, 6);

        WriteFile(Path("rom/short.rom"), "$$~PROG00\r\nbegin\r\n");
        program = {"kept"};
        answer = [](TImportDlg &d) {
            d.RBReplace->setChecked(true);
            d.FileTypeGroup->findChildren<QRadioButton *>().at(2)->click();
            d.EBInfile->setText("short.rom");
        };
        QVERIFY(!RunImport(nullptr, dialog, {m_romDir, m_textDir, m_binDir}, program, cursor));
        QCOMPARE(program, ProgramText{"kept"});
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, BoxIcon::Error);
    }

    void exportStartsWithItsDefaults() {
        TExportDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString("Export File"));
        QCOMPARE(dialog.findChildren<QLabel *>().first()->text(), QString("Output File:"));
        QCOMPARE(dialog.Button1->text(), QString("Browse"));
        QCOMPARE(dialog.FileTypeGroup->title(), QString("File Type"));
        QCOMPARE(ButtonTexts(dialog.FileTypeGroup), (QStringList{"Text", "Time and Value Ascii file"}));
        QCOMPARE(dialog.FileType(), ExportFileType::TimeValue);
        QCOMPARE(dialog.FileName(), QString());
        QVERIFY(!dialog.HelpBtn->isEnabled());
    }

    void runExportWritesInTheFolderAndReturnsIt() {
        TExportDlg dialog;
        std::function<int()> answer;
        SetDialogHandler([&](QDialog &) { return answer(); });
        const ProgramText program{"maxsteer(100 deg)", "begin", "stepto(10 deg)", "end"};

        answer = [&] {
            dialog.EBOutfile->setText("prog.txt");
            Click(dialog.FileTypeGroup, 0);
            return int(QDialog::Accepted);
        };
        ExportOutcome outcome = RunExport(nullptr, dialog, m_compiler, m_textDir, program, {});
        QVERIFY(outcome.written);
        QCOMPARE(outcome.textDir, m_textDir);
        QCOMPARE(ReadFile(Path("txt/prog.txt")),
                 QByteArray("maxsteer(100 deg)\r\nbegin\r\nstepto(10 deg)\r\nend\r\n"));

        // Browse to another folder, then Cancel: nothing written, the folder still comes back.
        m_fileAnswer = Path("other/steer.txt");
        answer = [&] {
            dialog.Button1Click();
            return int(QDialog::Rejected);
        };
        outcome = RunExport(nullptr, dialog, m_compiler, m_textDir, program, {});
        QCOMPARE(m_files.size(), 1);
        QCOMPARE(m_files[0].kind, FileDialogKind::Save);
        QVERIFY(m_files[0].filters.isEmpty());
        QVERIFY(m_files[0].confirmOverwrite);
        QCOMPARE(dialog.FileName(), QString("steer.txt"));
        QVERIFY(!outcome.written);
        QCOMPARE(outcome.textDir, Path("other"));
        QVERIFY(!QFile::exists(Path("other/steer.txt")));

        answer = [&] {
            Click(dialog.FileTypeGroup, 1);
            return int(QDialog::Accepted);
        };
        outcome = RunExport(nullptr, dialog, m_compiler, Path("other"), program, {});
        QVERIFY(outcome.written);
        QVERIFY(ReadFile(Path("other/steer.txt")).startsWith("   0.000 "));

        outcome = RunExport(nullptr, dialog, m_compiler, m_textDir,
                            {"maxsteer(100 deg)", "begin", "bogus", "end"}, {});
        QVERIFY(outcome.compileFailed);
        QVERIFY(!outcome.written);
        QVERIFY(!QFile::exists(Path("txt/steer.txt")));
        QVERIFY(m_boxes.isEmpty());
    }

    void auxViewLoadsStoresAndCancelKeepsTheOldColours() {
        AuxDisplaySettings settings;
        settings.selected[2] = true;
        settings.colour[2] = Colors::Red;
        TAuxView dialog(settings);
        QCOMPARE(dialog.windowTitle(), QString("View Options for Aux ROM Bits"));
        QCOMPARE(dialog.CBB[0]->text(), QString("Bit1 (msb)"));
        QCOMPARE(dialog.CBB[3]->text(), QString("Bit4"));
        QCOMPARE(dialog.CBB[7]->text(), QString("Bit8 (lsb)"));
        QCOMPARE(dialog.CBB[7]->objectName(), QString("CBB8"));
        QCOMPARE(dialog.BColor[7]->objectName(), QString("B8Color"));
        QCOMPARE(dialog.HelpText->toPlainText(),
                 QString("Check box to \nenable display for \nthat bit.\n\n"
                         "Click on color box \nto change drawing \ncolor for that bit."));
        QVERIFY(dialog.HelpText->isReadOnly());
        QVERIFY(dialog.CBB[0]->isChecked() && dialog.CBB[2]->isChecked() && !dialog.CBB[1]->isChecked());
        QCOMPARE(dialog.BColor[0]->PanelColor(), Colors::Lime);
        QCOMPARE(dialog.BColor[2]->PanelColor(), Colors::Red);

        QColor offered;
        std::optional<QColor> reply = QColor(10, 20, 30);
        SetColorChooser([&](QWidget *, const QColor &initial) {
            offered = initial;
            return reply;
        });
        QTest::mouseClick(dialog.BColor[2], Qt::LeftButton);
        QCOMPARE(offered, QColor(255, 0, 0));
        QCOMPARE(dialog.BColor[2]->PanelColor(), (Color{10, 20, 30}));
        reply.reset(); // a cancelled colour dialog leaves the panel
        dialog.ColorClick(2);
        QCOMPARE(dialog.BColor[2]->PanelColor(), (Color{10, 20, 30}));

        const AuxDisplaySettings before = settings;
        dialog.CBB[5]->setChecked(true);
        dialog.CancelBtn->click();
        QCOMPARE(settings, before);
        QCOMPARE(dialog.BColor[2]->PanelColor(), Colors::Red);
        QVERIFY(!dialog.CBB[5]->isChecked());

        dialog.CBB[5]->setChecked(true);
        reply = QColor(0, 0, 255);
        dialog.ColorClick(5);
        dialog.OKBtn->click();
        QVERIFY(settings.selected[5]);
        QCOMPARE(settings.colour[5], (Color{0, 0, 255}));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void printWhichStartsWithItsDefaults() {
        TPrintWhichDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Item to Print"));
        QCOMPARE(dialog.PrintSourceGrp->title(), QString("Print"));
        QCOMPARE(ButtonTexts(dialog.PrintSourceGrp),
                 (QStringList{"Current program", "Programs: (new page for each selected)", "Current Graph",
                              "Graphs: (all selected on one page)"}));
        QCOMPARE(dialog.Source(), PrintSource::CurrentProgram);
        for (QSpinBox *spin : {dialog.fromgraph, dialog.thrugraph}) {
            QCOMPARE(spin->minimum(), 0);
            QCOMPARE(spin->maximum(), 15);
            QCOMPARE(spin->value(), 0);
        }
        QVERIFY(dialog.findChild<QLabel *>()->text() == "thru");
        Click(dialog.PrintSourceGrp, 3);
        dialog.fromgraph->setValue(2);
        dialog.thrugraph->setValue(9);
        QCOMPARE(dialog.Source(), PrintSource::Graphs);
        QCOMPARE(dialog.FromGraph(), 2);
        QCOMPARE(dialog.ThruGraph(), 9);
    }

    void runPrintCountsJobsAndPages_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("jobs");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("graphEnds");
        QTest::newRow("current program") << 0 << 9 << 2 << 1 << 1 << 0;
        QTest::newRow("programs 3 thru 5 share the file") << 1 << 3 << 5 << 1 << 5 << 0;
        QTest::newRow("programs 5 thru 4") << 1 << 5 << 4 << 0 << 0 << 0;
        QTest::newRow("current graph") << 2 << 5 << 4 << 1 << 1 << 1;
        QTest::newRow("graphs 0 thru 3 on one page") << 3 << 0 << 3 << 1 << 1 << 1;
    }
    void runPrintCountsJobsAndPages() {
        QFETCH(int, source);
        QFETCH(int, first);
        QFETCH(int, last);
        const QString pdf = Path(QString("print-%1.pdf").arg(QTest::currentDataTag()));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        PrintMaterial material;
        material.programs = DefaultProgramSet();
        material.currentProgram = 0;
        // Program 4 runs over three pages: the header takes two of each page's rows.
        QPainterPageDevice probe(printer);
        probe.BeginJob();
        probe.SetFont(PrintFont(material.editorFont));
        const int rows = (probe.PageHeight() - PrintTextReserve) / PrintLineHeight(probe);
        probe.EndJob();
        material.programs[4] = ProgramText(2 * (rows - 2) + 1, "wait(1 s)");
        int graphEnds = 0;
        material.graphEnd = [&] { ++graphEnds; };
        QFile::remove(pdf);

        QTEST(RunPrint(printer, m_compiler, PrintSource(source), first, last, material), "jobs");
        QTEST(PdfPages(pdf), "pages");
        QTEST(graphEnds, "graphEnds");
    }

    void aRangePrintedToAFileNumbersEachProgramsPagesFromOne() {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty()) QSKIP("pdftotext is not installed");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Path("range.pdf"));
        PrintMaterial material;
        material.programs = DefaultProgramSet();
        material.programs[4] = ProgramText(200, "wait(1 s)");
        material.setFileName = "/data/set.rom";
        QCOMPARE(RunPrint(printer, m_compiler, PrintSource::Programs, 3, 5, material), 1);
        QProcess process;
        process.start(pdftotext, {"-layout", Path("range.pdf"), "-"});
        QVERIFY(process.waitForFinished());
        QStringList headers;
        for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split('\n'))
            if (line.contains("Program #"))
                headers << line.simplified(); // the text layout of the PDF loses double blanks
        QCOMPARE(headers.first(), QString("/data/set.rom Program #3 Page 1"));
        QCOMPARE(headers.at(1), QString("/data/set.rom Program #4 Page 1"));
        QCOMPARE(headers.at(2), QString("/data/set.rom Program #4 Page 2"));
        QCOMPARE(headers.last(), QString("/data/set.rom Program #5 Page 1"));
    }

    void printCommandStopsWhenEitherDialogIsCancelled() {
        TPrintWhichDialog which;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Path("command.pdf"));
        PrintMaterial material;
        material.programs = DefaultProgramSet();
        QList<QDialog *> shown;
        int cancelAt = 0;
        SetDialogHandler([&](QDialog &dialog) {
            shown << &dialog;
            return shown.size() == cancelAt ? int(QDialog::Rejected) : int(QDialog::Accepted);
        });
        cancelAt = 1;
        QCOMPARE(PrintCommand(nullptr, which, printer, m_compiler, material), 0);
        QCOMPARE(shown.size(), 1);
        shown.clear();
        cancelAt = 2;
        QCOMPARE(PrintCommand(nullptr, which, printer, m_compiler, material), 0);
        QCOMPARE(shown.size(), 2);
        QVERIFY(!QFile::exists(Path("command.pdf")));
        shown.clear();
        cancelAt = 0;
        QCOMPARE(PrintCommand(nullptr, which, printer, m_compiler, material), 1);
        QCOMPARE(PdfPages(Path("command.pdf")), 1);
    }
};

QTEST_MAIN(TestDialogs)
#include "test_importexport.moc"
