// The settings of this run and the store that holds them.
#include "uikit/Settings.h"

#include <QSettings>
#include <QTemporaryDir>

namespace {

struct SettingsStore {
    AppSettings settings;
    QString preferencesFile;
    QString recentSetsFile;
};

SettingsStore *&CurrentStore() {
    static SettingsStore runStore;
    static SettingsStore *current = &runStore;
    return current;
}

} // namespace

AppSettings &Settings() { return CurrentStore()->settings; }

float SteerRateLimit(const AppSettings &settings) {
    return settings.steerRateCheck ? static_cast<float>(settings.steerRateLimit) : 0.0f;
}

void SetPreferencesFile(const QString &path) { CurrentStore()->preferencesFile = path; }
QString PreferencesFile() { return CurrentStore()->preferencesFile; }

QVariant PreferenceValue(const QString &key, const QVariant &defaultValue) {
    if (PreferencesFile().isEmpty()) return defaultValue;
    return QSettings(PreferencesFile(), QSettings::IniFormat).value(key, defaultValue);
}

void SetPreferenceValue(const QString &key, const QVariant &value) {
    if (PreferencesFile().isEmpty()) return;
    QSettings(PreferencesFile(), QSettings::IniFormat).setValue(key, value);
}

void ReadSteerRateCheck(AppSettings &settings) {
    settings.steerRateCheck = PreferenceValue("checks/steerRateCheck", settings.steerRateCheck).toBool();
    const double limit = PreferenceValue("checks/steerRateLimit", settings.steerRateLimit).toDouble();
    if (limit >= LowestSteerRateLimit && limit <= HighestSteerRateLimit) settings.steerRateLimit = limit;
}

void StoreSteerRateCheck(const AppSettings &settings) {
    SetPreferenceValue("checks/steerRateCheck", settings.steerRateCheck);
    SetPreferenceValue("checks/steerRateLimit", settings.steerRateLimit);
}

void SetRecentSetsFile(const QString &path) { CurrentStore()->recentSetsFile = path; }
QString RecentSetsFile() { return CurrentStore()->recentSetsFile; }

struct ScratchSettings::Scratch {
    SettingsStore store;
    SettingsStore *previous = nullptr;
    QTemporaryDir folder;
};

ScratchSettings::ScratchSettings(const std::string &startupDir) : m_scratch(std::make_unique<Scratch>()) {
    SettingsStore &store = m_scratch->store;
    store.settings.startupDir = startupDir;
    if (m_scratch->folder.isValid()) {
        store.preferencesFile = m_scratch->folder.filePath("quillard.conf");
        store.recentSetsFile = m_scratch->folder.filePath("recent-sets.conf");
    }
    m_scratch->previous = CurrentStore();
    CurrentStore() = &store;
}

ScratchSettings::~ScratchSettings() { CurrentStore() = m_scratch->previous; }
