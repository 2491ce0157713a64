// Window commands: Show, Build, New, Open, Save and the unsaved-changes question, driven through the
// modal seam so that no box blocks.
#include "app/GraphView.h"
#include "app/Mainform.h"
#include "app/ProgramBook.h"
#include "app/SetFiles.h"
#include "app/StatusLine.h"
#include "compiler/state.h"
#include "compiler/ui/Errdial.h"
#include "files/fileio.h"
#include "romfiles/build.h"
#include "romfiles/defaults.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"
#include "window_test.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

std::string Bytes(const QString &path) { return ReadFileBytes(path.toStdString()); }

} // namespace

class TestCommands : public WindowTest {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void showPlotsAGoodProgramWithoutMessages() {
        const QImage before = m_form->Graph()->Image()->Picture().copy();
        SetProgram(0,
                   "maxsteer(100 deg)\nbegin\nwait(1 sec)\nstepto(30 deg, 2 sec)\nstepto(0 deg, 1 sec)\nend");
        QTest::mouseClick(m_form->Controls().ShowButton, Qt::LeftButton);
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(m_memos.isEmpty());
        QVERIFY(m_form->Status()->Progress()->isHidden());
        QVERIFY(m_form->Graph()->Image()->Picture() != before);
        QVERIFY(QFileInfo::exists(m_form->Graph()->SnapshotPath()));
        QCOMPARE(QImage(m_form->Graph()->SnapshotPath()).size(), m_form->Graph()->Image()->Picture().size());
        // The mouse read-out is in seconds and degrees of the plotted world.
        m_form->Graph()->GrImageMouseMove(0, 0);
        QVERIFY(m_form->Status()->Bar()->text().startsWith("Line:1 Col:1     Graph Pos: ("));
    }

    void showPresentsWarningsBeforePlotting() {
        SetProgram(2, "maxsteer(100 deg)\nbegin\nsine(10 deg, 1 hz)\nend");
        m_form->Programs()->Tabs()->setCurrentIndex(2);
        const QImage before = m_form->Graph()->Image()->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_memos.size(), 1);
        QVERIFY(
            m_memos[0].contains("Warning in line 3: No cycle count or time given -- defaults to 0 seconds"));
        QVERIFY(m_form->Graph()->Image()->Picture() != before);
    }

    void showOfAFailingProgramListsErrorsAndKeepsThePicture() {
        SetProgram(0, "maxsteer(100 deg)\nbegin\nstpto(10 deg)\nend");
        const QImage before = m_form->Graph()->Image()->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_memos.size(), 1);
        QVERIFY(m_memos[0].contains("Error in line 3: \"STPTO\" is an invalid function"));
        QVERIFY(m_memos[0].endsWith("1 Error found - Aborting..."));
        QCOMPARE(m_form->Graph()->Image()->Picture(), before);
        QVERIFY(!QFileInfo::exists(m_form->Graph()->SnapshotPath()));
    }

    void buildWritesTheSameBytesAsTheCoreBuild() {
        SetProgram(5, "maxsteer(45 deg)\nbegin\nsetflag(2 b, 50 %)\nrampto(40 deg, 3 sec)\nrepeatprogram");
        m_chosenFile = Path("set.bin");
        m_form->BuildButtonClick();
        QCOMPARE(m_fileRequest.filters, (QStringList{"EPROM files (*.bin)", "All files (*.*)"}));
        QCOMPARE(m_fileRequest.fileName, QString(".bin")); // an untitled set proposes ".bin"
        // The recycle notice comes as a warning box naming program 5 while it compiles, before the
        // final box; the tab that was current comes back.
        m_form->Programs()->Tabs()->setCurrentIndex(4);
        m_boxes.clear();
        m_boxTabs.clear();
        m_form->BuildButtonClick();
        QCOMPARE(m_boxes, (QStringList{"Program #5: There is a -40.0 degree step when program recycles.",
                                       "Files set.bin and set.aux were successfully created."}));
        QCOMPARE(m_boxTabs, (QList<int>{5, 4})); // each box over the program it speaks of
        QCOMPARE(m_form->Programs()->CurrentProgram(), 4);
        QCOMPARE(Settings().epromDir, m_dir.path().toStdString());

        CompilerState compiler;
        const BuildOutcome core =
            BuildSet(compiler, m_form->Programs()->Texts(), Path("core.bin").toStdString(), {});
        QVERIFY(core.success);
        QCOMPARE(Bytes(Path("set.bin")).size(), std::size_t(524288));
        QVERIFY(Bytes(Path("set.bin")) == Bytes(Path("core.bin")));
        QVERIFY(Bytes(Path("set.aux")) == Bytes(Path("core.aux")));
    }

    void buildWithAFailingProgramWritesNothing() {
        QFile::remove(Path("bad.bin"));
        SetProgram(3, "maxsteer(100 deg)\nbegin\nsetrate(300 hz)\nend");
        SetProgram(7, "maxsteer(100 deg)\nbegin\nfrob\nend");
        m_chosenFile = Path("bad.bin");
        // Each program's Messages box names it, and the status line says nothing of compiling meanwhile.
        QStringList titles;
        const QLabel *progress = m_form->findChild<QLabel *>("StatusPanel");
        QVERIFY(progress);
        m_onDialog = [&](QDialog &dialog) {
            titles << dialog.windowTitle() + (progress->isVisible() ? " / " + progress->text() : QString());
            return int(QDialog::Accepted);
        };
        m_form->BuildButtonClick();
        QCOMPARE(m_memos.size(), 2);
        QVERIFY(m_memos[0].contains("Error in line 3: Illegal clock rate"));
        QCOMPARE(titles, (QStringList{"Messages: Program #3 does not compile",
                                      "Messages: Program #7 does not compile"}));
        QCOMPARE(m_boxes,
                 QStringList{"Programs #3, #7 do not compile.\nError(s) were found. File was not created."});
        QVERIFY(!QFileInfo::exists(Path("bad.bin")));
        QVERIFY(!QFileInfo::exists(Path("bad.aux")));
    }

    void buildListsTheProgramsAboveTheSteerRateLimitInOneBox() {
        ScratchSettings rates(Settings().startupDir);
        Settings().steerRateCheck = true;
        Settings().steerRateLimit = 400;
        const QString fast =
            "maxsteer(100 deg)\nbegin\nwait(1 sec)\nrampto(%1 deg, 0.1 sec)\nrampto(0 deg, 1 sec)\nend";
        SetProgram(2, fast.arg(50));
        SetProgram(9, fast.arg(60));
        m_chosenFile = Path("rate.bin");
        m_form->BuildButtonClick();
        QCOMPARE(m_boxes.size(), 2);
        QCOMPARE(m_boxes[0], "Program #2: Steer rate limit exceeded at t=1.001 sec. (500.0 deg/s, limit 400 "
                             "deg/s)\nProgram #9: Steer rate limit exceeded at t=1.001 sec. (600.0 deg/s, "
                             "limit 400 deg/s)");
    }

    // Either file of a build that is the open set's own file (or a link to it) would overwrite the
    // programs: refused with a box naming it, before anything is compiled or written.
    void buildRefusesToReplaceTheOpenSet() {
        const struct {
            const char *set, *bin, *link; // link: a link of that name to the set is chosen instead
        } cases[] = {{"a.rom", "a.rom", nullptr}, {"b.aux", "b.bin", nullptr}, {"c.rom", "c.bin", "c.aux"}};
        for (const auto &c : cases) {
            m_chosenFile = Path(c.set);
            QVERIFY(m_form->SetFiles()->SaveAs1Click());
            if (c.link) QVERIFY(QFile::link(Path(c.set), Path(c.link)));
            const std::string before = Bytes(Path(c.set));
            const QStringList files = QDir(m_dir.path()).entryList(QDir::Files);
            m_boxes.clear();
            m_chosenFile = Path(c.bin);
            m_form->BuildButtonClick();
            QCOMPARE(m_boxes.size(), 1);
            QVERIFY2(m_boxes[0].contains(c.link ? c.link : c.set), qPrintable(m_boxes[0]));
            QVERIFY(Bytes(Path(c.set)) == before);
            QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), files);
        }
    }

    void saveAndOpenRoundTripTheSet() {
        SetProgram(0, "a\n\n"); // an empty last line
        SetProgram(7, "");      // no line at all
        SetProgram(15, QString::fromUtf8("caf\xc3\xa9\nx"));
        const ProgramSet written = m_form->Programs()->Texts();
        m_chosenFile = Path("trip.rom");
        QVERIFY(m_form->SetFiles()->SaveAs1Click());
        QVERIFY(m_form->windowTitle().startsWith("Helmcraft - trip.rom  last saved "));
        QCOMPARE(m_form->SetFiles()->FileName(), Path("trip.rom"));
        QCOMPARE(Bytes(Path("trip.rom")).substr(0, 14), std::string("$$~PROG00\r\na\r\n"));

        m_form->SetFiles()->New1Click();
        QCOMPARE(m_boxes.last(), QString("This will clear ALL 16 programs!"));
        QCOMPARE(m_form->windowTitle(), QString("Helmcraft - Untitled"));
        QCOMPARE(m_form->Programs()->Texts(), DefaultProgramSet());

        m_form->SetFiles()->Open1Click();
        QCOMPARE(m_fileRequest.filters,
                 (QStringList{"Rom Files (*.rom)", "Text Files (*.txt)", "All Files (*.*)"}));
        QCOMPARE(m_form->Programs()->Texts(), written);
        QVERIFY(m_form->windowTitle().startsWith("Helmcraft - trip.rom  last saved "));
        QVERIFY(!m_form->Programs()->Changed());
    }

    void saveAndOpenWorkInAFolderWithANonAsciiName() {
        QVERIFY(QDir(m_dir.path()).mkpath(QString::fromUtf8("pr\xc3\xb8ve")));
        m_chosenFile = Path(QString::fromUtf8("pr\xc3\xb8ve/set.rom"));
        SetProgram(3, "wait(1 s)");
        const ProgramSet written = m_form->Programs()->Texts();
        QVERIFY(m_form->SetFiles()->SaveAs1Click());
        QVERIFY(QFileInfo::exists(m_chosenFile));
        QCOMPARE(QString::fromStdString(Settings().programDir), QFileInfo(m_chosenFile).absolutePath());
        m_form->SetFiles()->New1Click();
        m_form->SetFiles()->Open1Click();
        QCOMPARE(m_form->Programs()->Texts(), written);
    }

    void openOfAWrongFileChangesNothing() {
        WriteFileAtomically(Path("junk.rom").toStdString(), "no marker here\r\n");
        SetProgram(1, "kept");
        m_answer = QMessageBox::Discard;
        m_chosenFile = Path("junk.rom");
        m_form->SetFiles()->Open1Click();
        QCOMPARE(m_boxes, (QStringList{"Save changes to the program set?", "Wrong file format!"}));
        QCOMPARE(m_form->Programs()->Editor(1)->toPlainText(), QString("kept"));
        QCOMPARE(m_form->windowTitle(), QString("Helmcraft - Untitled"));
    }

    void openOfASetWithMoreThan16MarkersSaysWhichWereIgnored() {
        std::string bytes;
        for (int k = 0; k < 18; ++k) bytes += ProgramMarker(k) + "\r\nwait(" + std::to_string(k) + " s)\r\n";
        WriteFileAtomically(Path("many.rom").toStdString(), bytes);
        m_chosenFile = Path("many.rom");
        m_form->SetFiles()->Open1Click();
        QCOMPARE(m_boxes,
                 QStringList{Path("many.rom") +
                             " holds 18 program markers; a set has 16 programs, so the programs of "
                             "markers 17 to 18 were ignored ($$~PROG16 on line 33 to $$~PROG17 on line "
                             "35). Save writes the 16 programs only."});
        QCOMPARE(m_form->Programs()->Editor(15)->toPlainText(), QString("wait(15 s)"));
    }

    void unsavedChangesAreAskedAboutOnExit() {
        SetProgram(4, "changed");
        m_answer = QMessageBox::Cancel;
        QVERIFY(!m_form->close());
        QCOMPARE(m_boxes, QStringList{"Save changes to the program set?"});
        QVERIFY(m_form->isVisible());
        m_answer = QMessageBox::Discard;
        QVERIFY(m_form->close());
    }

    // New asks about unsaved edits as Open and Exit do, then gives its own warning.
    void newAsksToSaveChangesFirst() {
        SetProgram(9, "mine");
        m_answer = QMessageBox::Cancel;
        m_form->SetFiles()->New1Click();
        QCOMPARE(m_boxes, QStringList{"Save changes to the program set?"});
        QCOMPARE(m_form->Programs()->Editor(9)->toPlainText(), QString("mine"));
        m_answer = QMessageBox::Discard;
        m_form->SetFiles()->New1Click();
        QCOMPARE(m_boxes.mid(1),
                 (QStringList{"Save changes to the program set?", "This will clear ALL 16 programs!"}));
        QCOMPARE(m_form->Programs()->Texts(), DefaultProgramSet());
    }

    // The lines in front of the first marker survive Open, an edit and Save; New drops them.
    void saveKeepsTheTextBeforeTheFirstProgram() {
        const std::string example = ReadFileBytes(QUILLARD_EXAMPLES "/manoeuvres.rom");
        WriteFileAtomically(Path("pre.rom").toStdString(), "Set for track day 12, driver B\r\n" + example);
        m_chosenFile = Path("pre.rom");
        m_form->SetFiles()->Open1Click();
        SetProgram(2, "maxsteer(100 deg)\nbegin\nend");
        QVERIFY(m_form->SetFiles()->Save1Click());
        const std::string saved = Bytes(Path("pre.rom"));
        QCOMPARE(saved.substr(0, 43), std::string("Set for track day 12, driver B\r\n$$~PROG00\r\n"));
        QCOMPARE(ParseProgramSetBytes(saved), m_form->Programs()->Texts());
        m_form->SetFiles()->New1Click();
        m_chosenFile = Path("new.rom");
        QVERIFY(m_form->SetFiles()->SaveAs1Click());
        QCOMPARE(Bytes(Path("new.rom")).substr(0, 9), std::string("$$~PROG00"));
    }

    // A graph that no longer shows its program as it stands is greyed with a note saying why: after
    // an edit or an Open, and after a Show that failed; a good Show brings it back.
    void aGraphThatNoLongerMatchesIsGreyed() {
        const QString good = "maxsteer(100 deg)\nbegin\nrampto(20 deg, 1 sec)\nrampto(0 deg, 1 sec)\nend";
        SetProgram(0, good);
        SetProgram(3, good);
        m_form->ShowButtonClick();
        TGrImage *image = m_form->Graph()->Image();
        QVERIFY(!image->Greyed());
        SetProgram(0, good + "\nwait(1 sec)");
        QVERIFY(image->Greyed());
        QCOMPARE(image->Note(), QString("Program #0 changed since it was shown: Show (F5) draws it again"));
        SetProgram(0, good);
        QVERIFY(!image->Greyed());

        m_form->Programs()->Tabs()->setCurrentIndex(3);
        SetProgram(3, "maxsteer(100 deg)\nbegin\nwiat(1 sec)\nend");
        m_form->ShowButtonClick();
        QVERIFY(image->Greyed());
        QCOMPARE(image->Note(), QString("Program #3 does not compile: the graph is program #0"));
        SetProgram(3, good);
        m_form->ShowButtonClick();
        QVERIFY(!image->Greyed());

        m_chosenFile = Path("opened.rom");
        WriteFileAtomically(m_chosenFile.toStdString(), ProgramSetBytes(DefaultProgramSet()));
        m_answer = QMessageBox::Discard;
        m_form->SetFiles()->Open1Click();
        QVERIFY(image->Greyed());
        // The note says that another set was opened, not that the program was edited.
        QCOMPARE(image->Note(),
                 QString("Another set was opened (opened.rom): the graph is program #3 of the set "
                         "before; Show (F5) draws this set's"));
        SetProgram(3, "maxsteer(100 deg)\nbegin\nend"); // and an edit after it keeps saying so
        QVERIFY(image->Note().startsWith("Another set was opened"));
    }

    void captionLeavesOutTheTimeAtMidnight() {
        QFile file(Path("midnight.rom"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("$$~PROG00\r\n");
        file.close();
        QVERIFY(file.open(QIODevice::Append));
        const QDateTime midnight(QDate(2024, 3, 1), QTime(0, 0));
        QVERIFY(file.setFileTime(midnight, QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(SetCaption(Path("midnight.rom")),
                 "Helmcraft - midnight.rom  last saved " +
                     QLocale::system().toString(midnight.date(), QLocale::ShortFormat));
    }

    void machineVersionReachesEveryCompile() {
        const std::string dir = m_dir.path().toStdString();
        WriteDefaults(dir, {dir, dir, dir, false});
        OpenWindow();
        QVERIFY(!Settings().corvan3Only);
        m_form->ShowButtonClick();
        QVERIFY(!m_form->LastCompile().options.corvan3Only);
        Settings().corvan3Only = true;
        m_form->ShowButtonClick();
        QVERIFY(m_form->LastCompile().options.corvan3Only);
        WriteDefaults(dir, {dir, dir, dir, true});
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
