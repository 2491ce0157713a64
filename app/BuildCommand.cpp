// The window's Build command, and the options every compile of the window runs with.
#include "app/BuildCommand.h"

#include "app/ProgramBook.h"
#include "compiler/ui/Errdial.h"
#include "files/fileio.h"
#include "romfiles/build.h"
#include "romfiles/ui/Reportdlg.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QFileInfo>

CompileOptions WindowCompileOptions(NoticeHandler notice, bool checkSteerRate) {
    return {Settings().corvan3Only, std::move(notice), checkSteerRate ? SteerRateLimit(Settings()) : 0.0f};
}

CompileOptions WindowCompileOptions(QWidget *window, bool checkSteerRate) {
    return WindowCompileOptions([window](const std::string &text) { ShowWarning(window, FromLatin1(text)); },
                                checkSteerRate);
}

TBuildCommand::TBuildCommand(TProgramBook &programs, CompilerState &compiler, TErrDialog &messages,
                             TImageReportDlg &report, QWidget *window)
    : QObject(window), m_programs(programs), m_compiler(compiler), m_messages(messages), m_report(report),
      m_window(window) {}

void TBuildCommand::Run(const QString &setFileName) {
    const QString binPath = ChooseEpromFile(setFileName);
    const int current = m_programs.CurrentProgram();
    if (!binPath.isEmpty() && !ReplacesSetFile(binPath, setFileName)) {
        emit busy(true);
        Build(binPath, current);
        emit busy(false);
    }
    // The build went through the tabs; the one the user was on comes back.
    m_programs.SelectProgram(current);
}

QString TBuildCommand::ChooseEpromFile(const QString &setFileName) {
    FileRequest request{FileDialogKind::Save,
                        "Build",
                        FromPath(Settings().epromDir),
                        QFileInfo(setFileName).completeBaseName() + ".bin",
                        {"EPROM files (*.bin)", "All files (*.*)"},
                        "bin",
                        true,
                        {},
                        false};
    return ChooseFile(m_window, request);
}

// Building over the open set's own file would destroy the programs being built: refused with a box
// naming the file, before anything is compiled or written.
bool TBuildCommand::ReplacesSetFile(const QString &binPath, const QString &setFileName) {
    if (setFileName.isEmpty()) return false;
    const std::string bin = ToPath(binPath);
    try {
        for (const std::string &output : {bin, AuxPathFor(bin)})
            CheckOutputIsNoInput(output, {ToPath(setFileName)});
    } catch (const FileError &e) {
        ShowError(m_window, e);
        return true;
    }
    return false;
}

void TBuildCommand::Build(const QString &binPath, int startProgram) {
    // The steer-rate notices of all programs come in one box after the build, each naming its program;
    // the machine's own notices are boxes as they are raised, over the program's tab, naming it too.
    int current = 0;
    QStringList rateNotices;
    CompileOptions options = WindowCompileOptions(m_window, true);
    options.notice = [&](const std::string &text) {
        ShowWarning(m_window, QString("Program #%1: %2").arg(current).arg(FromLatin1(text)));
    };
    options.rateNotice = [&](const std::string &text) {
        rateNotices << QString("Program #%1: %2").arg(current).arg(FromLatin1(text));
    };
    BuildCallbacks callbacks;
    callbacks.programStarts = [this, &current](int program) {
        current = program;
        m_programs.ShowProgram(program);
        emit statusShown(QString("Compiling Program #%1...").arg(program));
    };
    // A program that does not compile: its messages in a box that names it, with the status line's
    // "Compiling" taken down while it is open; the box at the end names every such program.
    QStringList failed;
    callbacks.programFailed = [this, &failed](int program, const std::vector<std::string> &lines) {
        failed << QString("#%1").arg(program);
        MarkMessageLines(*m_programs.Editor(program), m_compiler);
        emit statusHidden();
        m_messages.SetLines(lines);
        m_messages.setWindowTitle(QString("Messages: Program #%1 does not compile").arg(program));
        RunModal(m_messages);
        m_messages.setWindowTitle("Messages");
    };
    try {
        const BuildOutcome outcome =
            BuildSet(m_compiler, m_programs.Texts(), ToPath(binPath), options, callbacks);
        m_programs.ShowProgram(startProgram); // under the boxes and the report that follow
        emit statusHidden();
        if (!rateNotices.isEmpty()) ShowWarning(m_window, rateNotices.join('\n'));
        if (outcome.success) {
            ShowInformation(m_window, QString::fromLocal8Bit(outcome.text.c_str()));
            // The report and the copies come from the files as they are on disk now.
            if (m_report.SetImages(binPath)) {
                m_report.WriteCopies();
                RunModal(m_report);
            }
        } else {
            const QString which = failed.isEmpty()
                                      ? QString()
                                      : QString(failed.size() == 1 ? "Program %1 does not compile.\n"
                                                                   : "Programs %1 do not compile.\n")
                                            .arg(failed.join(", "));
            ShowError(m_window, which + QString::fromLocal8Bit(outcome.text.c_str()));
        }
        Settings().epromDir = ToPath(QFileInfo(binPath).absolutePath());
    } catch (const std::exception &e) {
        emit statusHidden();
        ShowError(m_window, e);
    }
}
