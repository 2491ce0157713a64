// The window's Build command, and the options every compile of the window runs with.
#include "app/BuildCommand.h"

#include "app/ProgramBook.h"
#include "compiler/ui/Errdial.h"
#include "romfiles/build.h"
#include "romfiles/ui/Prefdlg.h"
#include "romfiles/ui/Reportdlg.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QFileInfo>

CompileOptions WindowCompileOptions(QWidget *window, bool checkSteerRate) {
    return {Settings().corvan3Only,
            [window](const std::string &text) { ShowWarning(window, FromLatin1(text)); },
            checkSteerRate ? SteerRateLimit(Settings()) : 0.0f};
}

TBuildCommand::TBuildCommand(TProgramBook &programs, CompilerState &compiler, TErrDialog &messages,
                             TImageReportDlg &report, QWidget *window)
    : QObject(window), m_programs(programs), m_compiler(compiler), m_messages(messages), m_report(report),
      m_window(window) {}

void TBuildCommand::Run(const QString &setFileName) {
    const QString binPath = ChooseEpromFile(setFileName);
    if (!binPath.isEmpty()) {
        emit busy(true);
        Build(binPath);
        emit busy(false);
    }
    m_programs.CurrentEditor()->setFocus();
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

void TBuildCommand::Build(const QString &binPath) {
    BuildCallbacks callbacks;
    callbacks.programStarts = [this](int program) {
        m_programs.ShowProgram(program);
        emit statusShown(QString("Compiling Program #%1...").arg(program));
    };
    callbacks.programFailed = [this](int program, const std::vector<std::string> &lines) {
        MarkMessageLines(*m_programs.Editor(program), m_compiler);
        m_messages.SetLines(lines);
        RunModal(m_messages);
    };
    try {
        const BuildOutcome outcome = BuildSet(m_compiler, m_programs.Texts(), ToPath(binPath),
                                              WindowCompileOptions(m_window, true), callbacks);
        emit statusHidden();
        if (outcome.success) {
            ShowInformation(m_window, QString::fromLocal8Bit(outcome.text.c_str()));
            // The report and the copies come from the files as they are on disk now.
            if (m_report.SetImages(binPath)) {
                m_report.WriteCopies();
                RunModal(m_report);
            }
        } else
            ShowError(m_window, QString::fromLocal8Bit(outcome.text.c_str()));
        Settings().epromDir = ToPath(QFileInfo(binPath).absolutePath());
    } catch (const std::exception &e) {
        emit statusHidden();
        ShowError(m_window, QString::fromLocal8Bit(e.what()));
    }
}
