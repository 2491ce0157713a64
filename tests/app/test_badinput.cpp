// The window on bad input and failing writes: every failure is an error box that names the file and
// what went wrong, and a failed command changes no program, caption, file name or directory setting.
#include "app/GraphView.h"
#include "app/Mainform.h"
#include "app/ProgramBook.h"
#include "app/SetFiles.h"
#include "compiler/ui/Errdial.h"
#include "romfiles/defaults.h"
#include "romfiles/faults.h"
#include "romfiles/fileio.h"
#include "romfiles/ui/Exportf.h"
#include "romfiles/ui/FirstRun.h"
#include "romfiles/ui/Importf.h"
#include "romfiles/ui/Prefdlg.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"
#include "window_test.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <random>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

Lines Entries(const QString &folder) {
    Lines names;
    for (const auto &entry : fs::directory_iterator(folder.toStdString()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void ReplaceWithFolder(const QString &path) {
    fs::remove(path.toStdString());
    fs::create_directories(path.toStdString() + "/inside");
}

// Everything a failed command must leave as it was.
struct WindowState {
    ProgramSet programs;
    QString caption, setFileName;
    std::string programDir, textDir, epromDir;
    bool changed = false;
    bool operator==(const WindowState &) const = default;
};

} // namespace

class TestBadInput : public WindowTest {
    Q_OBJECT
    std::optional<ScratchSettings> m_settings; // every test starts from the start values

    std::string PathOf(const QString &name) const { return Path(name).toStdString(); }
    WindowState State() const {
        const AppSettings &s = Settings();
        return {m_form->Programs()->Texts(),
                m_form->windowTitle(),
                m_form->SetFiles()->FileName(),
                s.programDir,
                s.textDir,
                s.epromDir,
                m_form->Programs()->Changed()};
    }
    // Opens a set written from the given programs, so that the window has a file name and a caption.
    void OpenSet(const ProgramSet &set, const QString &name) {
        WriteProgramSet(PathOf(name), set);
        m_onFile = [=, this](const FileRequest &) { return Path(name); };
        m_form->SetFiles()->Open1Click();
        QCOMPARE(m_form->SetFiles()->FileName(), Path(name));
    }
    // Runs Import with the type and file given, as OK would close the dialog; then, before the
    // importer reads, the file may be changed.
    void Import(int type, const QString &path, const std::function<void()> &meanwhile = {}) {
        m_onDialog = [=](QDialog &dialog) {
            auto &importDlg = static_cast<TImportDlg &>(dialog);
            importDlg.setResult(QDialog::Rejected); // as exec() starts
            importDlg.FileTypeGroup->findChildren<QRadioButton *>().at(type)->click();
            importDlg.ProgSpin->setValue(1);
            importDlg.EBInfile->setText(path);
            importDlg.OKBtnClick();
            if (meanwhile) meanwhile();
            return importDlg.result();
        };
        m_boxes.clear();
        m_form->ImportButtonClick();
    }
    void ShowProgram(int k) {
        m_form->Programs()->Tabs()->setCurrentIndex(k);
        m_form->ShowButtonClick();
    }

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() {
        // A clean folder and defaults file for every test.
        for (const std::string &name : Entries(m_dir.path()))
            fs::remove_all(PathOf(QString::fromStdString(name)));
        m_settings.emplace(m_dir.path().toStdString());
        WriteDefaults(Settings().startupDir,
                      {Settings().startupDir, Settings().startupDir, Settings().startupDir, true});
        OpenWindow();
        m_answer = QMessageBox::Discard; // a question about unsaved changes is answered Discard
    }
    void cleanup() { CloseWindow(); }

    void openOfGarbageSaysWrongFileFormatAndChangesNothing() {
        SetProgram(2, "mine");
        const WindowState before = State();
        for (const std::string &bytes :
             {Garbage(1 << 20, 1, "$"), std::string(65536, '\0'), Garbage(4096, 2, "$") + "\r\n$$~PROG00"}) {
            WriteFileAtomically(PathOf("g.rom"), bytes);
            m_boxes.clear();
            m_onFile = [this](const FileRequest &) { return Path("g.rom"); };
            m_form->SetFiles()->Open1Click();
            QCOMPARE(m_boxes, (QStringList{"Save changes to the program set?", "Wrong file format!"}));
            QVERIFY(State() == before);
        }
    }

    void openOfAFileThatVanishesOrBecomesUnreadableChangesNothing() {
        OpenSet(DefaultProgramSet(), "first.rom");
        const WindowState before = State();
        WriteProgramSet(PathOf("good.rom"), DefaultProgramSet());
        const QString good = Path("good.rom");
        struct Case {
            std::function<QString()> dialog; // what happens between the dialog and the read
            QString box;
        };
        const Case cases[] = {
            {[&] { return fs::remove(good.toStdString()), good; },
             "cannot read " + good + ": No such file or directory"},
            {[&] { return ReplaceWithFolder(good), good; }, "cannot read " + good + ": Is a directory"},
            {[&] { return QString(UnreadableFile); },
             QString("cannot read ") + UnreadableFile + ": Input/output error"},
        };
        for (const Case &c : cases) {
            m_boxes.clear();
            m_onFile = [&](const FileRequest &) { return c.dialog(); };
            m_form->SetFiles()->Open1Click();
            QCOMPARE(m_boxes, QStringList{c.box});
            QVERIFY(State() == before);
            QVERIFY(m_form->Programs()->CurrentEditor()->isVisible());
        }
    }

    void openThenSaveKeepsEveryByte() {
        // Every byte but CR and LF, the UTF-8 of non-Latin-1 text (whose bytes are Latin-1 characters,
        // the non-breaking space A0 among them), NUL bytes and a megabyte line.
        std::string everyByte;
        for (int c = 0; c < 256; ++c)
            if (c != '\r' && c != '\n') everyByte += char(c);
        ProgramSet set = DefaultProgramSet();
        set[0] = {"maxsteer(100 deg)", "begin",
                  "; \xC3\xA0 droite, f\xC3\xBCr, \xE2\x80\x94, \xE8\xA7\x92\xE5\xBA\xA6", "end"};
        set[1] = {everyByte, std::string(3, '\0'), "\xA0\xA0 \xA0"};
        set[2] = {Garbage(1 << 20, 3, "\r\n"), ""};
        set[3] = {};
        const std::string bytes = ProgramSetBytes(set);
        OpenSet(set, "odd.rom");
        QVERIFY(m_form->Programs()->Texts() == set);
        QVERIFY(m_form->SetFiles()->Save1Click());
        QVERIFY(ReadFileBytes(PathOf("odd.rom")) == bytes);

        // A line break typed with Shift+Enter still ends a line.
        SetProgram(5, QString("a") + QChar::LineSeparator + "b\nc");
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(5)), (Lines{"a", "b", "c"}));
        // Random lines of such bytes go into an editor and come out unchanged.
        for (unsigned seed = 100; seed < 120; ++seed) {
            Lines lines;
            std::mt19937 random(seed);
            for (int i = int(random() % 30); i >= 0; --i)
                lines.push_back(Garbage(random() % 200, seed * 31 + i, "\r\n"));
            SetProgramLines(*m_form->Programs()->Editor(5), lines);
            QVERIFY2(ProgramLines(*m_form->Programs()->Editor(5)) == lines,
                     qPrintable(QString("seed %1").arg(seed)));
        }
    }

    void hundredThousandLineProgramOpensShowsAndSaves() {
        Lines good{"maxsteer(100 deg)", "begin"};
        const Lines body{"stepto(10 deg, 0.0001 s)", "; comment", "setflag(2 b, 50 %)", "",
                         "rampto(0 deg, 0.0002 s)"};
        while (good.size() < 99999) good.push_back(body[good.size() % body.size()]);
        good.back() = "rampto(0 deg, 0.0002 s)";
        good.push_back("setflag(2 b, 0 %)"); // off before the end: no notice
        good.push_back("end");
        Lines bad = good;
        bad[65536] = bad[99998] = "stpto(1 deg)";
        ProgramSet set = DefaultProgramSet();
        set[0] = bad;
        set[1] = good;

        QElapsedTimer timer;
        timer.start();
        OpenSet(set, "long.rom");
        const qint64 open = timer.restart();
        ShowProgram(0);
        const qint64 showBad = timer.restart();
        QCOMPARE(m_memos, QStringList{"Error in line 65537: \"STPTO\" is an invalid function\n"
                                      "Error in line 99999: \"STPTO\" is an invalid function\n\n"
                                      "2 Errors found - Aborting..."});
        QCOMPARE(m_form->Programs()->Editor(0)->ErrorLines(), (std::set<int>{65537, 99999}));
        m_memos.clear();
        const QImage before = m_form->Graph()->Image()->Picture().copy();
        ShowProgram(1);
        const qint64 showGood = timer.restart();
        QVERIFY(m_memos.isEmpty());
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(m_form->Graph()->Image()->Picture() != before);
        QCOMPARE(m_form->Graph()->ShownProgram(), 1);
        qInfo("100000-line program: open %lld ms, Show with errors %lld ms, Show %lld ms", open, showBad,
              showGood);

        m_form->Programs()->Editor(2)->document()->setModified(true);
        QVERIFY(m_form->SetFiles()->Save1Click());
        QVERIFY(ReadProgramSet(PathOf("long.rom")) == set);
    }

    void saveToAFullDiskKeepsTheOldFileCaptionAndName() {
        OpenSet(DefaultProgramSet(), "set.rom");
        const std::string old = ReadFileBytes(PathOf("set.rom"));
        SetProgram(6, "maxsteer(100 deg)\nbegin\nwait(1 s)\nend");
        const WindowState before = State();
        const Lines entries = Entries(m_dir.path());
        {
            FileSizeLimit full(16);
            QVERIFY(!m_form->SetFiles()->Save1Click());
            m_onFile = [this](const FileRequest &) { return Path("other.rom"); };
            QVERIFY(!m_form->SetFiles()->SaveAs1Click());
        }
        QCOMPARE(m_boxes, (QStringList{"cannot write " + Path("set.rom") + ": File too large",
                                       "cannot write " + Path("other.rom") + ": File too large"}));
        QVERIFY(ReadFileBytes(PathOf("set.rom")) == old);
        QCOMPARE(Entries(m_dir.path()), entries);
        QVERIFY(State() == before);
        QVERIFY(m_form->Programs()->Changed());
    }

    void saveAsIntoAReadOnlyFolderOrOntoAFolderChangesNothing() {
        OpenSet(DefaultProgramSet(), "set.rom");
        SetProgram(6, "changed");
        const WindowState before = State();
        ReplaceWithFolder(Path("taken.rom"));
        m_onFile = [this](const FileRequest &) { return Path("taken.rom"); };
        QVERIFY(!m_form->SetFiles()->SaveAs1Click());
        QCOMPARE(m_boxes, QStringList{"cannot write " + Path("taken.rom") + ": Is a directory"});
        QVERIFY(QFileInfo::exists(Path("taken.rom/inside")));
        QVERIFY(State() == before);

        const QString readOnly = QString::fromStdString(UnwritableFolder());
        if (readOnly.isEmpty()) QSKIP("this process can write in every folder tried");
        m_boxes.clear();
        m_onFile = [&](const FileRequest &) { return readOnly + "/set.rom"; };
        QVERIFY(!m_form->SetFiles()->SaveAs1Click());
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].startsWith("cannot write " + readOnly + "/set.rom: "), qPrintable(m_boxes[0]));
        QVERIFY(State() == before);
    }

    void buildThatCannotWriteKeepsTheOldFilesAndTheFolder() {
        QVERIFY(QDir(m_dir.path()).mkpath("out"));
        WriteFileAtomically(PathOf("out/set.bin"), "old eprom");
        WriteFileAtomically(PathOf("out/set.aux"), "old aux");
        const WindowState before = State();
        const Lines entries = Entries(Path("out"));
        m_onFile = [this](const FileRequest &) { return Path("out/set.bin"); };
        {
            FileSizeLimit full(16);
            m_form->BuildButtonClick();
        }
        QCOMPARE(m_boxes, QStringList{"cannot write " + Path("out/set.bin") + ": File too large"});
        QCOMPARE(ReadFileBytes(PathOf("out/set.bin")), std::string("old eprom"));
        QCOMPARE(ReadFileBytes(PathOf("out/set.aux")), std::string("old aux"));
        QCOMPARE(Entries(Path("out")), entries);
        QVERIFY(State() == before);

        // The aux file's name taken by a folder: the EPROM file is put back as it was.
        ReplaceWithFolder(Path("out/set.aux"));
        m_boxes.clear();
        m_form->BuildButtonClick();
        QCOMPARE(m_boxes, QStringList{"cannot write " + Path("out/set.aux") + ": Is a directory"});
        QCOMPARE(ReadFileBytes(PathOf("out/set.bin")), std::string("old eprom"));
        QCOMPARE(Entries(Path("out")), entries);
        QVERIFY(State() == before);

        if (MakeMemoryDevice(PathOf("out/full"), FullDevice)) {
            m_boxes.clear();
            m_onFile = [this](const FileRequest &) { return Path("out/full"); };
            m_form->BuildButtonClick();
            // A build writes two regular files; a device cannot be one of them.
            QCOMPARE(m_boxes, QStringList{"cannot write " + Path("out/full") + ": not a regular file"});
            QVERIFY(IsCharacterDevice(PathOf("out/full")));
            QVERIFY(!QFileInfo::exists(Path("out/full.aux")));
            QVERIFY(State() == before);
        }

        const QString readOnly = QString::fromStdString(UnwritableFolder());
        if (readOnly.isEmpty()) QSKIP("this process can write in every folder tried");
        m_boxes.clear();
        m_onFile = [&](const FileRequest &) { return readOnly + "/set.bin"; };
        m_form->BuildButtonClick();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].startsWith("cannot write " + readOnly + "/set.bin: "), qPrintable(m_boxes[0]));
        QVERIFY(State() == before);
    }

    void exportThatCannotWriteKeepsTheOldFileAndTheFolder() {
        QVERIFY(QDir(m_dir.path()).mkpath("elsewhere"));
        SetProgram(0, "maxsteer(100 deg)\nbegin\nrampto(50 deg, 1 s)\nrampto(0 deg, 1 s)\nend");
        const WindowState before = State();
        // Browse picks a file in another folder, which a successful export makes the text-file directory.
        auto exportTo = [this](const QString &path, int type) {
            m_onFile = [path](const FileRequest &) { return path; };
            m_onDialog = [type](QDialog &dialog) {
                auto &exportDlg = static_cast<TExportDlg &>(dialog);
                exportDlg.FileTypeGroup->findChildren<QRadioButton *>().at(type)->click();
                exportDlg.Button1Click();
                return int(QDialog::Accepted);
            };
            m_form->ExportButtonClick();
        };
        for (int type : {0, 1}) {
            const QString path = Path(type == 0 ? "elsewhere/p.txt" : "elsewhere/p.tv");
            WriteFileAtomically(path.toStdString(), "old");
            m_boxes.clear();
            {
                FileSizeLimit full(16);
                exportTo(path, type);
            }
            QCOMPARE(m_boxes, QStringList{"cannot write " + path + ": File too large"});
            QCOMPARE(ReadFileBytes(path.toStdString()), std::string("old"));
            QVERIFY(State() == before);
        }
        QCOMPARE(Entries(Path("elsewhere")), (Lines{"p.tv", "p.txt"}));

        const QString readOnly = QString::fromStdString(UnwritableFolder());
        if (readOnly.isEmpty()) QSKIP("this process can write in every folder tried");
        m_boxes.clear();
        exportTo(readOnly + "/p.txt", 0);
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].startsWith("cannot write " + readOnly + "/p.txt: "), qPrintable(m_boxes[0]));
        QVERIFY(State() == before);
    }

    void importOfBadOrVanishingFilesLeavesTheProgram() {
        SetProgram(0, "maxsteer(100 deg)\nbegin\nwait(1 s)\nend");
        m_form->Programs()->Editor(0)->document()->setModified(false);
        const WindowState before = State();
        WriteFileAtomically(PathOf("nul.txt"), std::string("0 0\r\n1\0 5\r\n", 11));
        WriteFileAtomically(PathOf("g.rom"), Garbage(1 << 16, 4));
        WriteFileAtomically(PathOf("short.bin"), std::string(32768 + 1000, '\0'));
        const std::pair<int, QString> failures[] = {
            {1, "Invalid number \"1\\x00\" on line 2"},
            {2, "Program $$~PROG01 not found in the file"},
            {3, "The EPROM file is too short for program #1"},
        };
        const QString files[] = {Path("nul.txt"), Path("g.rom"), Path("short.bin")};
        for (int i = 0; i < 3; ++i) {
            Import(failures[i].first, files[i]);
            QCOMPARE(m_boxes, QStringList{failures[i].second});
            QVERIFY(State() == before);
        }
        for (int type = 0; type < 4; ++type) {
            // Gone, or a folder, before OK: the dialog says so and stays open (here: is cancelled).
            const QString path = Path("vanishing.txt");
            WriteFileAtomically(path.toStdString(), "0 0\r\n");
            m_onFile = [&](const FileRequest &) { return fs::remove(path.toStdString()), path; };
            m_onDialog = [&](QDialog &dialog) {
                auto &importDlg = static_cast<TImportDlg &>(dialog);
                importDlg.setResult(QDialog::Rejected);
                importDlg.FileTypeGroup->findChildren<QRadioButton *>().at(type)->click();
                importDlg.Button1Click();
                importDlg.OKBtnClick();
                return importDlg.result();
            };
            m_boxes.clear();
            m_form->ImportButtonClick();
            QCOMPARE(m_boxes, QStringList{"File not found!"});
            QVERIFY(State() == before);
            // Gone, or a folder, after OK and before the read: the importer names the file.
            WriteFileAtomically(path.toStdString(), "0 0\r\n");
            Import(type, path, [&] { fs::remove(path.toStdString()); });
            QCOMPARE(m_boxes, QStringList{"cannot read " + path + ": No such file or directory"});
            WriteFileAtomically(path.toStdString(), "0 0\r\n");
            Import(type, path, [&] { ReplaceWithFolder(path); });
            QCOMPARE(m_boxes, QStringList{"cannot read " + path + ": Is a directory"});
            fs::remove_all(path.toStdString());
            QVERIFY(State() == before);
        }
    }

    void preferencesThatCannotWriteTheDefaultsFileStoreNothing() {
        const std::string defaults = DefaultsPath(Settings().startupDir);
        const std::string old = ReadFileBytes(defaults);
        const WindowState before = State();
        const Lines entries = Entries(m_dir.path());
        m_onDialog = [](QDialog &dialog) {
            auto &prefs = static_cast<TPreferencesDialog &>(dialog);
            prefs.EBtxt->setText("/elsewhere");
            prefs.Corvan2Select->setChecked(true);
            FileSizeLimit full(16);
            prefs.OKBtn->click();
            return prefs.result();
        };
        m_form->Preferences1Click();
        QCOMPARE(m_boxes,
                 QStringList{QString::fromStdString("cannot write " + defaults + ": File too large")});
        QVERIFY(ReadFileBytes(defaults) == old);
        QCOMPARE(Entries(m_dir.path()), entries);
        QVERIFY(State() == before);
        QVERIFY(Settings().corvan3Only);
    }

    void firstRunThatCannotWriteTheDefaultsFileSaysSo() {
        fs::remove(DefaultsPath(Settings().startupDir));
        m_settings.emplace(m_dir.path().toStdString());
        {
            FileSizeLimit full(16);
            TPreferencesDialog prefs;
            TFirstRunDialog firstRun;
            prefs.LoadSettings(firstRun);
        }
        QCOMPARE(m_boxes, QStringList{QString::fromStdString(
                              "cannot write " + DefaultsPath(Settings().startupDir) + ": File too large")});
        QCOMPARE(Entries(m_dir.path()), Lines{});
        QCOMPARE(Settings().textDir, Settings().startupDir); // the run goes on in the start-up directory

        const std::string readOnly = UnwritableFolder();
        if (readOnly.empty()) QSKIP("this process can write in every folder tried");
        m_boxes.clear();
        m_settings.emplace(readOnly);
        TPreferencesDialog prefs;
        TFirstRunDialog firstRun;
        prefs.LoadSettings(firstRun);
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(
            m_boxes[0].startsWith(QString::fromStdString("cannot write " + DefaultsPath(readOnly) + ": ")),
            qPrintable(m_boxes[0]));
        QCOMPARE(Settings().programDir, readOnly);
    }

    void garbageOrUnreadableDefaultsFileAtStart() {
        const std::string start = Settings().startupDir;
        WriteFileAtomically(DefaultsPath(start),
                            JoinLinesCrLf({Garbage(300, 5, "\r\n"), "", std::string("/tmp\0/x", 7),
                                           "/" + std::string(1 << 16, 'd'), start + "/missing/\xC3\xBC", "",
                                           Garbage(50, 6, "\r\n")}));
        m_settings.emplace(start);
        TPreferencesDialog prefs;
        TFirstRunDialog firstRun;
        int firstRuns = 0;
        m_onDialog = [&](QDialog &) { return ++firstRuns, int(QDialog::Accepted); };
        prefs.LoadSettings(firstRun);
        // Lines that cannot be paths raise no question; a missing folder does, and No cuts it back.
        QCOMPARE(m_boxes,
                 QStringList{"Directory " + QString::fromStdString(start) +
                             QString::fromUtf8("/missing/\xC3\xBC") + " does not exist. Create it?"});
        QCOMPARE(Settings().programDir, start);
        QCOMPARE(Settings().textDir, start);
        QCOMPARE(Settings().epromDir, start);
        QVERIFY(!Settings().corvan3Only);
        QCOMPARE(firstRuns, 0);

        fs::remove(DefaultsPath(start));
        fs::create_directory(DefaultsPath(start));
        m_boxes.clear();
        m_settings.emplace(start);
        TPreferencesDialog again;
        again.LoadSettings(firstRun);
        QCOMPARE(m_boxes, QStringList{QString::fromStdString("cannot read " + DefaultsPath(start) +
                                                             ": Is a directory")});
        QCOMPARE(Settings().programDir, start);
        QCOMPARE(firstRuns, 0);
    }
};

QTEST_MAIN(TestBadInput)
#include "test_badinput.moc"
