// The settings of the run: a test's scratch store and the steer-rate check in the preferences file.
#include "uikit/Settings.h"

#include <QFileInfo>
#include <QtTest>

#include <optional>

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void aScratchStoreStartsAfreshAndGivesTheStoreBeforeItBack() {
        Settings().textDir = "/run";
        const QString runPreferences = PreferencesFile();
        {
            ScratchSettings scratch("/start");
            QCOMPARE(Settings().textDir, std::string("c:\\"));
            QCOMPARE(Settings().startupDir, std::string("/start"));
            QVERIFY(PreferencesFile() != runPreferences && !RecentSetsFile().isEmpty());
            SetPreferenceValue("view/summary", false);
            QCOMPARE(PreferenceValue("view/summary", true).toBool(), false);
            QVERIFY(QFileInfo::exists(PreferencesFile()));
            const QString outer = PreferencesFile();
            std::optional<ScratchSettings> inner;
            inner.emplace();
            QCOMPARE(PreferenceValue("view/summary", true).toBool(), true);
            inner.emplace(); // the one before goes first
            QVERIFY(PreferencesFile() != outer);
            inner.reset();
            QCOMPARE(PreferencesFile(), outer);
        }
        QCOMPARE(Settings().textDir, std::string("/run"));
        QCOMPARE(PreferencesFile(), runPreferences);
    }

    void theSteerRateCheckIsReadBackAndAnOddLimitIgnored() {
        ScratchSettings scratch;
        AppSettings stored;
        stored.steerRateCheck = true;
        stored.steerRateLimit = 250;
        StoreSteerRateCheck(stored);
        AppSettings read;
        ReadSteerRateCheck(read);
        QVERIFY(read.steerRateCheck);
        QCOMPARE(read.steerRateLimit, 250.0);
        QCOMPARE(SteerRateLimit(read), 250.0f);
        for (const QVariant &odd : {QVariant(0.5), QVariant(2e6), QVariant("fast")}) {
            SetPreferenceValue("checks/steerRateLimit", odd);
            ReadSteerRateCheck(read);
            QCOMPARE(read.steerRateLimit, 250.0);
        }
        read.steerRateCheck = false;
        QCOMPARE(SteerRateLimit(read), 0.0f);
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
