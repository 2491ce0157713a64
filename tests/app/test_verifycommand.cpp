// Build > Verify Images: the set rebuilt and compared with images read back, saying what quillard-cli
// verify says: identical, or the first difference of each program that differs.
#include "app/Mainform.h"
#include "app/SetFiles.h"
#include "app/VerifyCommand.h"
#include "files/fileio.h"
#include "romfiles/ui/Reportdlg.h"
#include "romfiles/ui/Verifydlg.h"
#include "uikit/Forms.h"
#include "window_test.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

class TestVerifyCommand : public WindowTest {
    Q_OBJECT

    // Answers the verify dialog with the files and closes the report.
    void Answer(const QString &bin, const QString &aux) {
        m_onDialog = [bin, aux](QDialog &dialog) {
            if (auto *verify = qobject_cast<TVerifyDlg *>(&dialog)) {
                verify->BinEdit->setText(bin);
                verify->AuxEdit->setText(aux);
            }
            return int(QDialog::Accepted);
        };
    }
    QString CliVerify(const QStringList &arguments) {
        QProcess cli;
        cli.setWorkingDirectory(m_dir.path());
        cli.start(QUILLARD_CLI, QStringList{"verify"} + arguments);
        cli.waitForFinished(60000);
        return QString::fromLatin1(cli.readAllStandardOutput());
    }

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() {
        OpenWindow();
        SetProgram(3, "maxsteer(100 deg)\nbegin\nsetflag(2 b, 50 %)\nrampto(50 deg, 2 sec)\nsetflag(2 b, 0 "
                      "%)\nrampto(0 deg, "
                      "1 sec)\nend");
        m_chosenFile = Path("v.rom");
        QVERIFY(m_form->SetFiles()->SaveAs1Click());
        m_chosenFile = Path("v.bin");
        m_onDialog = [](QDialog &) { return int(QDialog::Accepted); };
        m_form->BuildButtonClick();
        QVERIFY(QFile::exists(Path("v.aux")));
    }
    void cleanup() { CloseWindow(); }

    // A bit changed in program 3's slot is named with its step; the report is the command line's.
    void namesTheFirstDifferenceAsTheCommandLineDoes() {
        std::string bin = ReadFileBytes(ToPath(Path("v.bin")));
        bin[3 * 32768 + 2 * 1500] ^= 0x04;
        WriteFileAtomically(ToPath(Path("read.bin")), bin);
        const std::pair<QString, QString> cases[] = {
            {"v.bin", "v.aux"}, {"read.bin", "v.aux"}, {"read.bin", ""}};
        for (const auto &[bin, aux] : cases) {
            Answer(Path(bin), aux.isEmpty() ? QString() : Path(aux));
            const QStringList report = m_form->Verify()->Run(m_form->SetFiles()->FileName());
            QStringList arguments{"v.rom", bin};
            if (!aux.isEmpty()) arguments << "--aux" << aux;
            QCOMPARE(report.join('\n') + '\n', CliVerify(arguments));
            QCOMPARE(m_form->Verify()->Report()->ReportText(), report.join('\n'));
        }
        QVERIFY(m_form->Verify()->Report()->ReportText().startsWith(
            "Program 3: 1 word differs, the first at step 1500"));
        QCOMPARE(m_boxes, QStringList{"Files v.bin and v.aux were successfully created."});
    }

    // The report after a Build offers Verify, with the files just built and the aux file beside them.
    void theImageReportOffersTheBuiltFiles() {
        QString offered, offeredAux;
        m_onDialog = [&](QDialog &dialog) {
            if (auto *report = qobject_cast<TImageReportDlg *>(&dialog)) report->VerifyBtn->click();
            if (auto *verify = qobject_cast<TVerifyDlg *>(&dialog)) {
                offered = verify->BinPath();
                offeredAux = verify->AuxPath();
            }
            return int(QDialog::Accepted);
        };
        m_chosenFile = Path("w.bin");
        m_form->BuildButtonClick();
        QCOMPARE(offered, Path("w.bin"));
        QCOMPARE(offeredAux, Path("w.aux"));
        QVERIFY(
            m_form->Verify()->Report()->ReportText().endsWith("w.bin and w.aux match v.rom (16 programs)."));
    }
};

QTEST_MAIN(TestVerifyCommand)
#include "test_verifycommand.moc"
