// The Import and Export dialogs, and the command flows behind them.
#include "romfiles/ui/Exportf.h"
#include "romfiles/ui/Importf.h"
#include "uikit/Modal.h"
#include "uikit/form_test.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

void WriteFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestImportExport : public QObject {
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
    void cleanup() { SetDialogHandler({}); }

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

    // An existing file is replaced only after a yes (No shows the dialog again, as a save dialog
    // does); blanks are refused and the dialog shown again; an empty name writes nothing and says so.
    void runExportAsksBeforeReplacingAndRefusesBlankNames() {
        TExportDlg dialog;
        const ProgramText program{"maxsteer(100 deg)", "begin", "end"};
        WriteFile(Path("txt/old.txt"), "old");
        QStringList names{"   ", "old.txt", "old.txt"};
        QList<QMessageBox::StandardButton> answers{QMessageBox::No, QMessageBox::Yes};
        int shown = 0;
        SetDialogHandler([&](QDialog &) {
            if (names.isEmpty()) return int(QDialog::Rejected);
            ++shown;
            dialog.EBOutfile->setText(names.takeFirst());
            Click(dialog.FileTypeGroup, 0);
            return int(QDialog::Accepted);
        });
        SetBoxHandler([&](QWidget *, const BoxRequest &r) {
            m_boxes << r;
            return r.buttons & QMessageBox::Yes ? answers.takeFirst() : QMessageBox::Ok;
        });
        ExportOutcome outcome = RunExport(nullptr, dialog, m_compiler, m_textDir, program, {});
        QCOMPARE(shown, 3);
        QVERIFY(outcome.written);
        QCOMPARE(ReadFile(Path("txt/old.txt")), QByteArray("maxsteer(100 deg)\r\nbegin\r\nend\r\n"));
        QCOMPARE(m_boxes.size(), 3);
        QCOMPARE(m_boxes[0].icon, BoxIcon::Error);
        QCOMPARE(m_boxes[1].text, QString("old.txt already exists.\nDo you want to replace it?"));
        QCOMPARE(m_boxes[1].defaultButton, QMessageBox::No);

        m_boxes.clear();
        names = {""};
        outcome = RunExport(nullptr, dialog, m_compiler, m_textDir, program, {});
        QVERIFY(!outcome.written);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, QString("No output file was named: nothing was written."));
        SetBoxHandler([this](QWidget *, const BoxRequest &r) {
            m_boxes << r;
            return QMessageBox::Ok;
        });
    }
};

QTEST_MAIN(TestImportExport)
#include "test_importexport.moc"
