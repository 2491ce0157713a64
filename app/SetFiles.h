// The window's set file: New, Open, Save and Save As, the recent sets, and the unsaved-changes question.
#pragma once

#include "romfiles/programset.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QMenu;
class QMimeData;
class QWidget;
class TProgramBook;

// The recent sets kept in RecentSetsFile() (uikit/Settings.h).
constexpr int RecentSetCount = 8;

// The caption after an Open or Save: "Helmcraft - " + file name + "  last saved " + date and time
// (system short date, long time; no time at exactly midnight).
QString SetCaption(const QString &path);

class TSetFiles : public QObject {
    Q_OBJECT
public:
    // Boxes and file dialogs open over the window; the recent sets fill their own menu.
    TSetFiles(TProgramBook &programs, QWidget *window);

    QString FileName() const { return m_fileName; }
    // The lines in front of the first program marker of the set as opened, written back by Save.
    const ProgramText &Preamble() const { return m_preamble; }
    // Recently opened or saved sets, the latest first, and the menu that lists them.
    QStringList RecentSets() const { return m_recentSets; }
    QMenu *RecentMenu() const { return m_recentMenu; }
    // Asks whether to save changed programs first; false when the command should not go on.
    bool AskToSaveChanges();

public slots:
    void New1Click();
    void Open1Click();
    // Open of a named file: the unsaved-changes question, then the set is read (Recent Sets, drops,
    // the command line).
    void OpenSetFile(const QString &path);
    // Opens the first file named on the command line.
    void OpenArguments(const QStringList &arguments);
    bool Save1Click();
    bool SaveAs1Click();

signals:
    void captionChanged(const QString &caption);
    // New was confirmed: the programs are about to become default programs.
    void setCleared();
    // Another set was read into the editors from the file.
    void setOpened(const QString &path);

private:
    void LoadSet(const QString &path);
    bool WriteSet(const QString &path);
    void RememberSet(const QString &path);
    void UpdateRecentMenu();
    void UpdateCaption();

    TProgramBook &m_programs;
    QWidget *m_window;
    QMenu *m_recentMenu;
    QString m_fileName;
    ProgramText m_preamble;
    QStringList m_recentSets;
};
