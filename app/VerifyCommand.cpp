// Build > Verify Images: the set rebuilt in memory and compared with the images read back.
#include "app/VerifyCommand.h"

#include "app/BuildCommand.h"
#include "app/ProgramBook.h"
#include "files/fileio.h"
#include "romfiles/build.h"
#include "romfiles/ui/Verifydlg.h"
#include "romfiles/verify.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <memory>
#include <optional>

TVerifyCommand::TVerifyCommand(TProgramBook &programs, QWidget *window)
    : QObject(window), m_programs(programs), m_window(window), m_dialog(new TVerifyDlg(window)),
      m_report(new TVerifyReportDlg(window)) {}

QStringList TVerifyCommand::Run(const QString &setFileName, const QString &offeredBin) {
    if (!offeredBin.isEmpty()) m_dialog->Offer(offeredBin);
    if (RunModal(*m_dialog) != QDialog::Accepted || m_dialog->BinPath().isEmpty()) return {};
    const QString binPath = m_dialog->BinPath(), auxPath = m_dialog->AuxPath();
    std::string bin;
    std::optional<std::string> aux;
    try {
        bin = ReadFileBytes(ToPath(binPath), EpromFileLimit);
        if (!auxPath.isEmpty()) aux = ReadFileBytes(ToPath(auxPath), EpromFileLimit);
    } catch (const std::exception &e) {
        ShowError(m_window, QString::fromLocal8Bit(e.what()));
        return {};
    }

    // Compiled on a state of its own, as the command line does; notices and failures go to the report.
    QStringList lines, notices;
    int current = 0;
    const CompileOptions options = WindowCompileOptions(
        [&](const std::string &text) {
            notices << QString("Program #%1: %2").arg(current).arg(FromLatin1(text));
        },
        true);
    BuildCallbacks callbacks;
    callbacks.programStarts = [&current](int program) { current = program; };
    callbacks.programFailed = [&lines](int program, const std::vector<std::string> &messages) {
        lines << QString("Program #%1:").arg(program);
        for (const std::string &line : messages) lines << QString::fromLatin1(line.c_str());
    };
    auto state = std::make_unique<CompilerState>();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const SetComparison comparison =
        CompareSetWithImages(*state, m_programs.Texts(), bin,
                             aux ? std::optional<std::string_view>(*aux) : std::nullopt, options, callbacks);
    QGuiApplication::restoreOverrideCursor();
    if (!comparison.built) {
        for (const std::string &fault : comparison.faults) lines << QString::fromLatin1(fault.c_str());
        lines << "Error(s) were found. The images were not compared.";
    } else {
        const std::string setName =
            setFileName.isEmpty() ? "Untitled" : ToPath(QFileInfo(setFileName).fileName());
        for (const std::string &line :
             ComparisonLines(comparison, setName, ToPath(QFileInfo(binPath).fileName()),
                             ToPath(QFileInfo(auxPath).fileName())))
            lines << FromPath(line);
    }
    lines << notices;
    m_report->SetLines(lines);
    RunModal(*m_report);
    m_programs.CurrentEditor()->setFocus();
    return lines;
}
