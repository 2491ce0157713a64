// Preferences and first run: the defaults file loaded or created at start, the missing-directory
// question, the Preferences dialog's OK and Cancel, and the machine version reaching the compiler.
#include "romfiles/defaults.h"
#include "romfiles/fileio.h"
#include "romfiles/ui/FirstRun.h"
#include "romfiles/ui/Prefdlg.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

class TestPrefdlg : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<ScratchSettings> m_settings;
    QStringList m_boxes;
    QMessageBox::StandardButton m_answer = QMessageBox::No;
    std::function<int(QDialog &)> m_onDialog;
    int m_firstRuns = 0;

    std::string Dir() const { return m_dir->path().toStdString(); }
    std::vector<std::string> DefaultsFile() const { return SplitLines(ReadFileBytes(DefaultsPath(Dir()))); }

    // Loads the settings as start-up does, with a fresh dialog pair.
    void Load(TPreferencesDialog &prefs) {
        TFirstRunDialog firstRun;
        prefs.LoadSettings(firstRun);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings.emplace(Dir());
        m_boxes.clear();
        m_firstRuns = 0;
        SetBoxHandler([this](QWidget *, const BoxRequest &r) {
            m_boxes << r.text;
            return m_answer;
        });
        m_onDialog = [](QDialog &) { return int(QDialog::Accepted); };
        SetDialogHandler([this](QDialog &dialog) {
            if (qobject_cast<TFirstRunDialog *>(&dialog)) ++m_firstRuns;
            return m_onDialog(dialog);
        });
    }

    void firstRunKeepsCorvan3OnlyWhenOkIsPressedAtOnce() {
        TPreferencesDialog prefs;
        Load(prefs);
        QCOMPARE(m_firstRuns, 1);
        QCOMPARE(DefaultsFile(),
                 (std::vector<std::string>{
                     "Following are default directories for ROM, Text, and EPROM (.bin) files",
                     "One per line on 3rd, 4th, 5th lines of this text file", Dir(), Dir(), Dir(), "",
                     "Corvan 3 compatibility only selected"}));
        QVERIFY(Settings().corvan3Only);
        QVERIFY(prefs.Corvan3Select->isChecked());
        QCOMPARE(prefs.EBrom->text().toStdString(), Dir());
        QVERIFY(m_boxes.isEmpty());
        // A second start finds the file and asks nothing.
        TPreferencesDialog again;
        Load(again);
        QCOMPARE(m_firstRuns, 1);
    }

    void firstRunChoiceOfCorvan2IsStored() {
        m_onDialog = [](QDialog &dialog) {
            auto &firstRun = static_cast<TFirstRunDialog &>(dialog);
            if (!firstRun.Corvan3Select->isChecked()) return int(QDialog::Rejected);
            firstRun.Corvan2Select->click();
            return int(QDialog::Accepted);
        };
        TPreferencesDialog prefs;
        Load(prefs);
        QVERIFY(!Settings().corvan3Only);
        QVERIFY(prefs.Corvan2Select->isChecked());
        QCOMPARE(DefaultsFile().at(6), std::string("Corvan 1,2,3 compatibility selected"));
    }

    void missingDirectoryIsCutBackOnNoAndCreatedOnYes() {
        const std::string missing = Dir() + "/data/rom";
        const std::string created = Dir() + "/made/here";
        WriteDefaults(Dir(), {missing, created, Dir(), true});
        m_answer = QMessageBox::No;
        SetBoxHandler([this, created](QWidget *, const BoxRequest &r) {
            m_boxes << r.text;
            return r.text.contains("made") ? QMessageBox::Yes : QMessageBox::No;
        });
        TPreferencesDialog prefs;
        Load(prefs);
        QCOMPARE(
            m_boxes,
            (QStringList{QString::fromStdString("Directory " + missing + " does not exist. Create it?"),
                         QString::fromStdString("Directory " + created + " does not exist. Create it?")}));
        QCOMPARE(Settings().programDir, Dir()); // data/ is missing too: cut back to the start-up folder
        QCOMPARE(Settings().textDir, created);
        QVERIFY(DirectoryExists(created));
        QCOMPARE(DefaultsFile().at(2), missing); // the file keeps what it held
    }

    void okStoresTheBoxesAsTypedAndCancelStoresNothing() {
        WriteDefaults(Dir(), {Dir(), Dir(), Dir(), true});
        TPreferencesDialog prefs;
        Load(prefs);
        prefs.EBtxt->setText("/no/such/folder");
        prefs.Corvan2Select->setChecked(true);
        prefs.CancelBtn->click();
        QCOMPARE(Settings().textDir, Dir());
        QVERIFY(Settings().corvan3Only);
        QCOMPARE(prefs.EBtxt->text(), QString("/no/such/folder")); // kept for the next showing
        prefs.OKBtn->click();
        QCOMPARE(Settings().textDir, std::string("/no/such/folder"));
        QVERIFY(!Settings().corvan3Only);
        QCOMPARE(DefaultsFile().at(3), std::string("/no/such/folder"));
        QCOMPARE(DefaultsFile().at(6), std::string("Corvan 1,2,3 compatibility selected"));
    }

    void okThatCannotWriteTheFileStoresNothing() {
        WriteDefaults(Dir(), {Dir(), Dir(), Dir(), true});
        TPreferencesDialog prefs;
        Load(prefs);
        // A folder in the file's place makes the write fail.
        QFile::remove(QString::fromStdString(DefaultsPath(Dir())));
        QVERIFY(QDir().mkpath(QString::fromStdString(DefaultsPath(Dir()))));
        prefs.EBtxt->setText("/elsewhere");
        prefs.Corvan2Select->setChecked(true);
        prefs.OKBtn->click();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes.last().startsWith("cannot write"));
        QCOMPARE(Settings().textDir, Dir());
        QVERIFY(Settings().corvan3Only);
        QCOMPARE(prefs.result(), 0); // still open for Cancel or another try
    }
};

QTEST_MAIN(TestPrefdlg)
#include "test_prefdlg.moc"
