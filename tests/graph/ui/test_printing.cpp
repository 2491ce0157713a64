// The aux view and print selection dialogs, and the printing behind them.
#include "compiler/state.h"
#include "graph/print.h"
#include "graph/ui/Auxbview.h"
#include "graph/ui/Printwht.h"
#include "graph/ui/QPainterCanvas.h"
#include "uikit/Modal.h"
#include "uikit/form_test.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
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

namespace {

int PdfPages(const QString &path) {
    return int(QString::fromLatin1(ReadFile(path)).count(QRegularExpression("/Type\\s*/Page(?!s)")));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    CompilerState m_compiler;

    QString Path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup() {
        SetDialogHandler({});
        SetColorChooser({});
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

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
