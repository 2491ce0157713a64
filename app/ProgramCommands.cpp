// The commands that bring program text in or take it out: Import, Export, Export Steps as CSV and
// Insert Template, on the current program of the window, and Export Campaign Sheet of the set.
#include "app/ProgramCommands.h"

#include "app/BuildCommand.h"
#include "app/ProgramBook.h"
#include "compiler/compile.h"
#include "compiler/ui/Errdial.h"
#include "romfiles/campaign.h"
#include "romfiles/exporters.h"
#include "romfiles/fileio.h"
#include "romfiles/ui/Exportf.h"
#include "romfiles/ui/Importf.h"
#include "romfiles/ui/Templatedlg.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QFileInfo>
#include <QSpinBox>
#include <QTabBar>
#include <QTextBlock>

#include <functional>

namespace {

// Asks where to save a CSV file, offering "SET-NAME.csv" in the text folder (the set's base name
// before it, when the set has a file).
QString ChooseCsvFile(QWidget *window, const QString &title, const QString &setFileName,
                      const QString &name) {
    const QString offered =
        setFileName.isEmpty() ? name : QFileInfo(setFileName).completeBaseName() + "-" + name;
    return ChooseFile(window, {FileDialogKind::Save,
                               title,
                               FromPath(Settings().textDir),
                               offered + ".csv",
                               {"CSV files (*.csv)", "All files (*.*)"},
                               "csv",
                               true,
                               {},
                               false});
}

// Writes the bytes made for the file and keeps its folder as the text folder; a failure (to make
// or to write them) is said in a box.
void WriteCsvFile(QWidget *window, const QString &path, const std::function<std::string()> &bytes) {
    try {
        WriteFileAtomically(ToPath(path), bytes());
        Settings().textDir = ToPath(QFileInfo(path).absolutePath());
    } catch (const std::exception &e) {
        ShowError(window, e);
    }
}

} // namespace

void ShowMessagesAndMarkLines(TErrDialog &messages, ProgramEditor &editor, const CompilerState &state) {
    MarkMessageLines(editor, state);
    messages.ShowCompileMessages(state);
}

TProgramCommands::TProgramCommands(TProgramBook &programs, CompilerState &compiler, TImportDlg &import,
                                   TExportDlg &exporter, TTemplateDlg &templates, TErrDialog &messages,
                                   QWidget *window)
    : QObject(window), m_programs(programs), m_compiler(compiler), m_import(import), m_export(exporter),
      m_templates(templates), m_messages(messages), m_window(window) {}

void TProgramCommands::Import() {
    const AppSettings &settings = Settings();
    const ImportDirectories directories{FromPath(settings.programDir), FromPath(settings.textDir),
                                        FromPath(settings.epromDir)};
    // The caret may have moved since the last key or click (a tab change): Insert goes before its line.
    m_programs.RefreshCaret();
    TProgramText *editor = m_programs.CurrentEditor();
    ProgramText program = ProgramLines(*editor);
    int cursorLine = m_programs.CaretLine();
    const int column = m_programs.CaretColumn();
    if (RunImport(m_window, m_import, directories, program, cursorLine)) {
        ReplaceProgramLines(*editor, program);
        if (m_import.Mode() == ImportMode::Replace) {
            editor->moveCursor(QTextCursor::Start);
        } else {
            // The caret stays on its own line, now below the inserted ones.
            const QTextBlock block = editor->document()->findBlockByNumber(cursorLine - 1);
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + qMin(column - 1, block.length() - 1));
            editor->setTextCursor(cursor);
        }
    }
    editor->setFocus();
    m_programs.RefreshCaret();
}

void TProgramCommands::Export() {
    TProgramText *editor = m_programs.CurrentEditor();
    const ExportOutcome outcome = RunExport(m_window, m_export, m_compiler, FromPath(Settings().textDir),
                                            ProgramLines(*editor), WindowCompileOptions(m_window));
    Settings().textDir = ToPath(outcome.textDir);
    // Nothing was written: the Messages dialog says why.
    if (outcome.compileFailed) ShowMessagesAndMarkLines(m_messages, *editor, m_compiler);
    editor->setFocus();
}

// In the format of `quillard-cli steps`, LF line ends. The program is compiled first: a program with
// errors opens the Messages dialog and asks no name.
void TProgramCommands::ExportSteps(const QString &setFileName) {
    const int program = m_programs.CurrentProgram();
    TProgramText *editor = m_programs.CurrentEditor();
    if (!CompileProgram(m_compiler, ProgramLines(*editor), WindowCompileOptions(m_window))) {
        ShowMessagesAndMarkLines(m_messages, *editor, m_compiler);
        editor->setFocus();
        return;
    }
    const std::string bytes = StepsCsvBytes(m_compiler.steps, m_compiler.endIndex, m_compiler.MaxSteer);
    const QString path =
        ChooseCsvFile(m_window, "Export Steps as CSV", setFileName, QString("program%1").arg(program));
    if (!path.isEmpty()) WriteCsvFile(m_window, path, [&] { return bytes; });
    editor->setFocus();
}

// The sheet comes from a build in memory, without the notice boxes of a Build: the window's compile
// and the files stay as they are.
void TProgramCommands::ExportCampaignSheet(const QString &setFileName) {
    const QString path = ChooseCsvFile(m_window, "Export Campaign Sheet", setFileName, "campaign");
    if (path.isEmpty()) return;
    CompileOptions options = WindowCompileOptions(m_window);
    options.notice = nullptr;
    WriteCsvFile(m_window, path, [&] {
        CompilerState state;
        return CampaignSheet(state, m_programs.Texts(), options);
    });
}

void TProgramCommands::InsertTemplate() {
    m_programs.RefreshCaret();
    m_templates.IntoProgram->setValue(m_programs.CurrentProgram());
    if (RunModal(m_templates) == QDialog::Accepted) InsertTemplateText();
    m_programs.CurrentEditor()->setFocus();
    m_programs.RefreshCaret();
}

void TProgramCommands::InsertTemplateText() {
    TProgramText *editor = m_programs.CurrentEditor();
    switch (m_templates.Chosen()) {
    case TTemplateDlg::Choice::Insert: {
        QString text;
        for (const std::string &line : ProgramStatements(m_templates.Program()))
            text += FromLatin1(line) + '\n';
        QTextCursor cursor(editor->document()->findBlockByNumber(m_programs.CaretLine() - 1));
        cursor.insertText(text);
        editor->setTextCursor(cursor);
        break;
    }
    case TTemplateDlg::Choice::Replace:
    case TTemplateDlg::Choice::Series: {
        // The chosen program, or the series from it on; the first of them is shown.
        const int target = m_templates.TargetProgram();
        const bool series = m_templates.Chosen() == TTemplateDlg::Choice::Series;
        const std::vector<ProgramText> programs =
            series ? m_templates.Series() : std::vector<ProgramText>{m_templates.Program()};
        for (std::size_t i = 0; i < programs.size(); ++i)
            ReplaceProgramLines(*m_programs.Editor(target + static_cast<int>(i)), programs[i]);
        m_programs.Tabs()->setCurrentIndex(target);
        m_programs.CurrentEditor()->moveCursor(QTextCursor::Start);
        break;
    }
    case TTemplateDlg::Choice::None:
        break;
    }
}
