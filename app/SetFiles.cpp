// The window's set file: New, Open, Save and Save As, the recent sets, and the unsaved-changes question.
#include "app/SetFiles.h"

#include "app/ProgramBook.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>

namespace {

const QStringList kSetFilters = {"Rom Files (*.rom)", "Text Files (*.txt)", "All Files (*.*)"};
const char *const Untitled = "Helmcraft - Untitled";

} // namespace

QString SetCaption(const QString &path) {
    const QFileInfo info(path);
    const QDateTime saved = info.lastModified();
    const QLocale locale = QLocale::system();
    QString stamp = locale.toString(saved.date(), QLocale::ShortFormat);
    const QTime time = saved.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0) {
        // The long time format without the time zone that Qt's long format carries.
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QRegularExpression(R"(\s*\bt+\b)"));
        stamp += ' ' + locale.toString(time, format.trimmed());
    }
    return "Helmcraft - " + info.fileName() + "  last saved " + stamp;
}

TSetFiles::TSetFiles(TProgramBook &programs, QWidget *window)
    : QObject(window), m_programs(programs), m_window(window) {
    m_recentMenu = new QMenu("R&ecent Sets", window);
    if (!RecentSetsFile().isEmpty())
        m_recentSets = QSettings(RecentSetsFile(), QSettings::IniFormat).value("recentSets").toStringList();
    UpdateRecentMenu();
    connect(&programs, &TProgramBook::setDropped, this, &TSetFiles::OpenSetFile);
}

void TSetFiles::New1Click() {
    // Unsaved edits first, as Open and Exit ask; then the warning of New itself.
    if (!AskToSaveChanges()) return;
    const auto answer = ShowBox(m_window, {BoxIcon::Warning,
                                           {},
                                           "This will clear ALL 16 programs!",
                                           QMessageBox::Ok | QMessageBox::Cancel,
                                           QMessageBox::Cancel});
    if (answer != QMessageBox::Ok) return;
    emit setCleared();
    m_programs.SetTexts(DefaultProgramSet());
    m_preamble.clear();
    m_fileName.clear();
    emit captionChanged(Untitled);
    m_programs.MarkSaved();
}

bool TSetFiles::AskToSaveChanges() {
    if (!m_programs.Changed()) return true;
    const auto answer = ShowBox(m_window, {BoxIcon::Question,
                                           {},
                                           "Save changes to the program set?",
                                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                           QMessageBox::Save});
    if (answer == QMessageBox::Save) return Save1Click();
    return answer == QMessageBox::Discard;
}

void TSetFiles::Open1Click() {
    if (AskToSaveChanges()) {
        FileRequest request{FileDialogKind::Open,
                            "Open",
                            FromPath(Settings().programDir),
                            {},
                            kSetFilters,
                            {},
                            false,
                            {},
                            false};
        const QString path = ChooseFile(m_window, request);
        if (!path.isEmpty()) LoadSet(path);
    }
    m_programs.FocusCurrentAtStart();
}

void TSetFiles::OpenSetFile(const QString &path) {
    if (AskToSaveChanges()) LoadSet(path);
    m_programs.FocusCurrentAtStart();
}

void TSetFiles::OpenArguments(const QStringList &arguments) {
    if (!arguments.isEmpty()) OpenSetFile(QFileInfo(arguments.first()).absoluteFilePath());
}

// Reads the set and fills the editors. The whole set is read before anything changes: a rejected
// file changes nothing.
void TSetFiles::LoadSet(const QString &path) {
    try {
        std::string ignored;
        const SetFileContents contents = ReadSetFileContents(ToPath(path), &ignored);
        m_programs.SetTexts(contents.programs);
        m_preamble = contents.preamble;
        m_fileName = path;
        UpdateCaption();
        m_programs.MarkSaved();
        Settings().programDir = ToPath(QFileInfo(path).absolutePath());
        RememberSet(path);
        emit setOpened(path);
        if (!ignored.empty())
            ShowWarning(m_window, QString::fromLocal8Bit(ignored) + ". Save writes the 16 programs only.");
    } catch (const std::exception &e) {
        ShowError(m_window, e);
        // A set that is gone leaves the recent list; one that failed otherwise stays on it.
        if (!QFileInfo::exists(path) && m_recentSets.removeAll(QFileInfo(path).absoluteFilePath()) > 0)
            RememberSet({});
    }
}

// Puts the set at the top of the recent list (an empty path only stores the list as it stands).
void TSetFiles::RememberSet(const QString &path) {
    if (!path.isEmpty()) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        m_recentSets.removeAll(absolute);
        m_recentSets.prepend(absolute);
        while (m_recentSets.size() > RecentSetCount) m_recentSets.removeLast();
    }
    if (!RecentSetsFile().isEmpty()) {
        QSettings settings(RecentSetsFile(), QSettings::IniFormat);
        settings.setValue("recentSets", m_recentSets);
    }
    UpdateRecentMenu();
}

void TSetFiles::UpdateRecentMenu() {
    m_recentMenu->clear();
    for (int i = 0; i < m_recentSets.size(); ++i) {
        const QString path = m_recentSets[i];
        QString shown = QDir::toNativeSeparators(path);
        shown.replace('&', "&&");
        m_recentMenu->addAction(QString("&%1 %2").arg(i + 1).arg(shown), this,
                                [this, path] { OpenSetFile(path); });
    }
    m_recentMenu->setEnabled(!m_recentSets.isEmpty());
}

bool TSetFiles::Save1Click() {
    if (m_fileName.isEmpty() || m_fileName == "Untitled") return SaveAs1Click();
    const bool saved = WriteSet(m_fileName);
    m_programs.CurrentEditor()->setFocus();
    return saved;
}

bool TSetFiles::SaveAs1Click() {
    FileRequest request{FileDialogKind::Save,
                        "Save As",
                        FromPath(Settings().programDir),
                        m_fileName,
                        kSetFilters,
                        "rom",
                        true,
                        {},
                        false};
    const QString path = ChooseFile(m_window, request);
    bool saved = false;
    if (!path.isEmpty() && WriteSet(path)) {
        m_fileName = path;
        UpdateCaption();
        Settings().programDir = ToPath(QFileInfo(path).absolutePath());
        saved = true;
    }
    m_programs.CurrentEditor()->setFocus();
    return saved;
}

// Writes the set under the path; on success the caption names it. A failure is reported and
// changes nothing.
bool TSetFiles::WriteSet(const QString &path) {
    try {
        WriteProgramSet(ToPath(path), m_programs.Texts(), m_preamble);
    } catch (const std::exception &e) {
        ShowError(m_window, e);
        return false;
    }
    if (path == m_fileName) UpdateCaption();
    m_programs.MarkSaved();
    RememberSet(path);
    return true;
}

void TSetFiles::UpdateCaption() { emit captionChanged(SetCaption(m_fileName)); }
