// The settings of this run: the directories and the machine version of the defaults file, the
// preferences file of what that file does not hold (the steer-rate check, the window's view and build
// options, the log dialog's choices), and the file of the recent sets.
#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <string>

// The settings of this run. The directories start as "c:\" until the defaults file is read.
struct AppSettings {
    std::string programDir = "c:\\"; // program-set files (.rom)
    std::string textDir = "c:\\";    // text and time-and-value files
    std::string epromDir = "c:\\";   // EPROM files (.bin)
    bool corvan3Only = true;         // machine-version setting: true = Corvan 3 only
    std::string startupDir;          // the working directory at start; home of the defaults file
    // Kept in the preferences file, not in the defaults file (whose seven lines stay as they are).
    bool steerRateCheck = false;  // Show and Build report a steer rate above the limit
    double steerRateLimit = 1000; // deg/s
};
// The settings of the store in use: the run's own, or a test's ScratchSettings.
AppSettings &Settings();

// The steer-rate limit a compile of Show or Build checks: the limit when the check is on, else 0.
float SteerRateLimit(const AppSettings &settings);
// The range of the steer-rate limit, deg/s.
constexpr double LowestSteerRateLimit = 1;
constexpr double HighestSteerRateLimit = 1000000;

// The preferences file (QSettings, INI format). Empty, the start value, keeps the preferences in
// memory only; the program's main entry names a file under the user's config folder.
void SetPreferencesFile(const QString &path);
QString PreferencesFile();
// A value of the preferences file (the default when the file is not set or lacks the key), and
// storing one (nothing happens without a file).
QVariant PreferenceValue(const QString &key, const QVariant &defaultValue);
void SetPreferenceValue(const QString &key, const QVariant &value);

// The steer-rate check of the preferences file into the settings (a limit outside the range, from a
// hand-edited file, leaves the one they hold), and the settings' check into the file.
void ReadSteerRateCheck(AppSettings &settings);
void StoreSteerRateCheck(const AppSettings &settings);

// The file that keeps the list of recently opened or saved sets (QSettings, INI format). Empty, the
// start value, keeps the list in memory only; the program's main entry names a file under the user's
// config folder. Read when a window is created.
void SetRecentSetsFile(const QString &path);
QString RecentSetsFile();

// A store of a test's own: while it lives, Settings() holds the start values with the given start-up
// directory, and the preferences and recent-sets files lie, empty at first, in a temporary folder of
// its own. When it goes, the store that was in use before it is back; stores made one inside another
// go in the reverse order (std::optional::emplace ends the old one before it makes the new).
class ScratchSettings {
public:
    explicit ScratchSettings(const std::string &startupDir = {});
    ~ScratchSettings();
    ScratchSettings(const ScratchSettings &) = delete;
    ScratchSettings &operator=(const ScratchSettings &) = delete;

private:
    struct Scratch;
    std::unique_ptr<Scratch> m_scratch;
};
