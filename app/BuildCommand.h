// The window's Build command, and the options every compile of the window runs with.
#pragma once

#include "compiler/state.h"

#include <QObject>
#include <QString>

class QWidget;
class TErrDialog;
class TImageReportDlg;
class TProgramBook;

// The options of every compile of the window: the machine version of the settings, the notices to the
// handler (none when it is empty) and, for Show and Build, the steer-rate limit of the preferences.
CompileOptions WindowCompileOptions(NoticeHandler notice, bool checkSteerRate = false);
// The same with the notices in warning boxes over the window.
CompileOptions WindowCompileOptions(QWidget *window, bool checkSteerRate = false);

// Build: asks for the EPROM file (refusing the set's own file as either output), compiles the 16
// programs into the window's state showing each as it goes and each failure in the Messages dialog,
// lists the programs that exceed the steer-rate limit in one box, writes both files and shows the
// image report.
class TBuildCommand : public QObject {
    Q_OBJECT
public:
    TBuildCommand(TProgramBook &programs, CompilerState &compiler, TErrDialog &messages,
                  TImageReportDlg &report, QWidget *window);

    // The file offered is the set's name with ".bin".
    void Run(const QString &setFileName);

signals:
    void busy(bool running);
    void statusShown(const QString &text);
    void statusHidden();

private:
    QString ChooseEpromFile(const QString &setFileName);
    bool ReplacesSetFile(const QString &binPath, const QString &setFileName);
    void Build(const QString &binPath, int startProgram);

    TProgramBook &m_programs;
    CompilerState &m_compiler;
    TErrDialog &m_messages;
    TImageReportDlg &m_report;
    QWidget *m_window;
};
