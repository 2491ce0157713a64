// The main window: graph on top, command buttons at the left, 16 program editors on tabs, status line.
#include "app/Mainform.h"

#include "app/About.h"
#include "app/BuildCommand.h"
#include "app/CampaignCommands.h"
#include "app/EvaluateCommands.h"
#include "app/FindCommands.h"
#include "app/GraphView.h"
#include "app/Helpview.h"
#include "app/LiveShow.h"
#include "app/OverlayCommands.h"
#include "app/ProgramBook.h"
#include "app/ProgramCommands.h"
#include "app/SetFiles.h"
#include "app/SlotCommands.h"
#include "app/StatusLine.h"
#include "app/SummaryPanel.h"
#include "app/VerifyCommand.h"
#include "app/WindowLayout.h"
#include "compiler/compile.h"
#include "compiler/ui/Errdial.h"
#include "compiler/ui/Finddlg.h"
#include "files/fileio.h"
#include "graph/ui/Auxbview.h"
#include "graph/ui/Printwht.h"
#include "romfiles/ui/Prefdlg.h"
#include "romfiles/ui/Reportdlg.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>

TForm1::TForm1(QWidget *parent) : QMainWindow(parent) {
    setObjectName("Form1");
    setWindowTitle("Helmcraft - Untitled");
    CreateControls();
    m_files = new TSetFiles(*m_programs, this);
    m_find = new TFindCommands(*m_programs, this);
    m_slots = new TSlotCommands(*m_programs, this);
    m_overlays = new TOverlayCommands(
        *m_programs, m_compiler, *m_graph, *m_summary, [this] { ShowButtonClick(); }, this);
    connect(m_overlays, &TOverlayCommands::liveLogDropped, m_live, &TLiveShow::AddNote);
    m_evaluations = new TEvaluateCommands(
        *m_programs, m_compiler, *m_graph, *m_summary, [this] { ShowButtonClick(); }, this);
    m_campaign = new TCampaignCommands(*m_programs, *m_graph, *m_summary, this);
    CreateFileMenu();
    CreateEditMenu();
    CreateProgramMenu();
    CreateBuildMenu();
    CreateViewMenu();
    CreateProgramKeys();
    CreateHelpAndKeys();
    ConnectPieces();
    setAcceptDrops(true);
    resize(706, 542 + menuBar()->sizeHint().height());
}

TForm1::~TForm1() = default;

// The pieces in the order of the form: graph, command buttons, program tabs, summary, status line;
// the layout puts them in their rows.
void TForm1::CreateControls() {
    m_client = new QWidget(this);
    m_client->setObjectName("Client");
    setCentralWidget(m_client);
    m_graph = new TGraphView(m_compiler, m_client);
    CreateButtons();
    m_controls.PgmLabel = new QLabel("Program:", m_client);
    m_controls.PgmLabel->setObjectName("PgmLabel");
    m_programs = new TProgramBook(m_client);
    m_summary = new TSummaryPanel(*m_programs, m_client);
    m_live = new TLiveShow(*m_programs, *m_graph, *m_summary, m_client);
    m_status = new TStatusLine(m_client);
    const TMainControls &c = m_controls;
    m_layout = new TWindowLayout(m_client, {m_graph,
                                            {m_live->Strip(), m_graph->CursorStrip()},
                                            m_summary,
                                            {c.OpenButton, c.ImportButton, c.ExportButton, c.SaveButton,
                                             c.SaveAsButton, c.ShowButton, c.BuildButton},
                                            c.PgmLabel,
                                            m_programs,
                                            m_status});
    // The Fit button comes last in the Tab order, after the program editors.
    QWidget::setTabOrder(m_programs->Editor(ProgramCount - 1), m_graph->FitButton());
}

void TForm1::CreateButtons() {
    struct ButtonDesign {
        QPushButton **button;
        const char *name, *caption, *hint;
    };
    TMainControls &c = m_controls;
    const ButtonDesign buttons[7] = {
        {&c.OpenButton, "OpenButton", "Open", "Open a program set"},
        {&c.ImportButton, "ImportButton", "Import", "Import an ascii program"},
        {&c.ExportButton, "ExportButton", "Export", "Export current program to ascii text"},
        {&c.SaveButton, "SaveButton", "Save", "Save program set"},
        {&c.SaveAsButton, "SaveAsButton", "Save As", "Save Program set to new name"},
        {&c.ShowButton, "ShowButton", "Show", "Compile and display current program"},
        {&c.BuildButton, "BuildButton", "Build", "Compile all programs in set and build ROM file"},
    };
    QWidget *previous = nullptr;
    for (const ButtonDesign &design : buttons) {
        auto *button = new QPushButton(design.caption, m_client);
        button->setObjectName(design.name);
        button->setToolTip(design.hint);
        button->setAutoDefault(false);
        if (previous) QWidget::setTabOrder(previous, button);
        previous = button;
        *design.button = button;
    }
}

void TForm1::ConnectPieces() {
    const TMainControls &c = m_controls;
    connect(c.OpenButton, &QPushButton::clicked, m_files, &TSetFiles::Open1Click);
    connect(c.SaveButton, &QPushButton::clicked, m_files, &TSetFiles::Save1Click);
    connect(c.SaveAsButton, &QPushButton::clicked, m_files, &TSetFiles::SaveAs1Click);
    connect(c.ShowButton, &QPushButton::clicked, this, &TForm1::ShowButtonClick);
    connect(c.BuildButton, &QPushButton::clicked, this, &TForm1::BuildButtonClick);
    connect(c.ImportButton, &QPushButton::clicked, this, &TForm1::ImportButtonClick);
    connect(c.ExportButton, &QPushButton::clicked, this, &TForm1::ExportButtonClick);
    connect(m_files, &TSetFiles::captionChanged, this, &QWidget::setWindowTitle);
    connect(m_files, &TSetFiles::setCleared, this, [this] {
        m_graph->ClearToAxes();
        m_summary->ClearToHint();
    });
    // Outside Live Show the graph greys with the summary when its program's text changes (an edit,
    // another set opened) and comes back when the text is as it was.
    connect(m_summary, &TSummaryPanel::staleChanged, this, [this](bool stale) {
        if (m_live->IsOn() || m_graph->ShownProgram() != m_summary->Program()) return;
        m_graph->SetGreyed(stale, QString("Program #%1 changed since it was shown: Show (F5) draws it again")
                                      .arg(m_summary->Program()));
    });
    // After Open the graph is of the set before: its note says so, not that the program was edited.
    connect(m_files, &TSetFiles::setOpened, this, [this](const QString &path) {
        if (m_live->IsOn() || !m_graph->Fittable() || m_graph->ShownProgram() >= ProgramCount) return;
        m_graph->SetGreyed(true, QString("Another set was opened (%1): the graph is program #%2 of the set "
                                         "before; Show (F5) draws this set's")
                                     .arg(QFileInfo(path).fileName())
                                     .arg(m_graph->ShownProgram()));
    });
    connect(m_programs, &TProgramBook::caretMoved, this, &TForm1::RefreshStatusLine);
    connect(m_graph, &TGraphView::mouseMoved, this, &TForm1::RefreshStatusLine);
    connect(m_graph, &TGraphView::readoutChanged, m_status, &TStatusLine::ShowReadout);
    connect(m_graph, &TGraphView::zoomChanged, this, &TForm1::UpdateZoomActions);
    UpdateZoomActions();
}

void TForm1::UpdateZoomActions() {
    m_actions.ZoomIn1->setEnabled(m_graph->Zoomable());
    m_actions.ZoomOut1->setEnabled(m_graph->Zoomable());
    m_actions.FitGraph1->setEnabled(m_graph->Fittable());
}

void TForm1::UpdateUndoActions() {
    const QTextDocument *document = m_programs->CurrentEditor()->document();
    m_actions.Undo1->setEnabled(document->isUndoAvailable());
    m_actions.Redo1->setEnabled(document->isRedoAvailable());
}

void TForm1::RefreshStatusLine() {
    // The mouse position in the units of the plot library's current viewport and world.
    m_status->ShowPosition(m_programs->CaretLine(), m_programs->CaretColumn(), m_graph->MouseWorld());
}

void TForm1::ShowButtonClick() {
    m_live->Cancel(); // Show draws the program itself
    const int program = m_programs->CurrentProgram();
    const ProgramText lines = ProgramLines(*m_programs->CurrentEditor());
    m_controls.ShowButton->setCursor(Qt::WaitCursor);
    m_status->ShowProgress(QString("Compiling Program #%1...").arg(program));
    // The notices are boxes, and the line under the graph lists them too.
    QStringList notices;
    CompileOptions options = WindowCompileOptions(this, true);
    options.notice = [&notices, box = options.notice](const std::string &text) {
        notices << FromLatin1(text);
        box(text);
    };
    if (CompileProgram(m_compiler, lines, options)) {
        m_summary->ShowSummary(program, m_compiler);
        MarkMessageLines(*m_programs->CurrentEditor(), m_compiler);
        m_status->ShowProgress(QString("Plotting Program #%1...").arg(program));
        m_graph->ShowProgram(program, m_compiler);
        m_live->Describe(program, m_compiler, notices, lines);
    } else {
        m_summary->Clear(QString("Program #%1: errors, no summary").arg(program),
                         "The program did not compile: the Messages dialog lists why.");
        // What the graph still shows is not this program as it stands.
        const int shown = m_graph->ShownProgram();
        if (m_graph->Fittable())
            m_graph->SetGreyed(
                true,
                shown == program
                    ? QString("Program #%1 does not compile: the graph is its last good text").arg(program)
                    : QString("Program #%1 does not compile: the graph is program #%2")
                          .arg(program)
                          .arg(shown));
        m_live->Describe(program, m_compiler, notices, lines);
    }
    m_status->HideProgress();
    if (m_compiler.ErrorCount > 0 || m_compiler.WarningCount > 0) ShowMessagesAndMarkLines();
    m_controls.ShowButton->unsetCursor();
    m_programs->CurrentEditor()->setFocus();
}

void TForm1::ShowMessagesAndMarkLines() {
    ::ShowMessagesAndMarkLines(*m_dialogs.ErrDialog, *m_programs->CurrentEditor(), m_compiler);
}

void TForm1::GoToMessageLine(int line) {
    TProgramText *editor = m_programs->CurrentEditor();
    if (editor->GoToLine(line) == 0) return;
    editor->setFocus();
    m_programs->RefreshCaret();
}

void TForm1::BuildButtonClick() {
    m_live->Suspend(true);
    m_build->Run(m_files->FileName());
    m_live->Suspend(false);
}

void TForm1::ImportButtonClick() { m_commands->Import(); }

void TForm1::ExportButtonClick() { m_commands->Export(); }

void TForm1::ExportCsv1Click() { m_commands->ExportSteps(m_files->FileName()); }

void TForm1::InsertTemplate1Click() { m_commands->InsertTemplate(); }

void TForm1::VerifyImages1Click() { m_verify->Run(m_files->FileName()); }

// The graph as it is on screen, drawn afresh at its size as quillard-cli plot draws it.
void TForm1::SaveGraphAs1Click() {
    const QString offered =
        (m_files->FileName().isEmpty() ? QString("graph")
                                       : QFileInfo(m_files->FileName()).completeBaseName()) +
        (m_graph->ShownProgram() < ProgramCount ? QString("-program%1").arg(m_graph->ShownProgram())
                                                : QString()) +
        ".png";
    const QString path = ChooseFile(this, {FileDialogKind::Save,
                                           "Save Graph As",
                                           FromPath(Settings().textDir),
                                           offered,
                                           {"PNG pictures (*.png)", "SVG drawings (*.svg)"},
                                           "png",
                                           true,
                                           {},
                                           false});
    if (path.isEmpty()) return;
    const std::optional<GraphFileKind> kind = GraphFileKindOf(path);
    if (!kind) return ShowError(this, "A graph is saved as .png or .svg: " + QFileInfo(path).fileName());
    try {
        const QByteArray bytes = m_graph->GraphFile(*kind);
        WriteFileAtomically(ToPath(path), std::string_view(bytes.constData(), bytes.size()));
    } catch (const std::exception &e) {
        ShowError(this, QString::fromLocal8Bit(e.what()));
    }
}

void TForm1::OpenArguments(const QStringList &arguments) { m_files->OpenArguments(arguments); }

void TForm1::ProgramSummary1Click() {
    SetPreferenceValue("view/summary", m_actions.ProgramSummary1->isChecked());
    m_layout->SetSummaryShown(m_actions.ProgramSummary1->isChecked());
}

void TForm1::LiveShow1Click() {
    const bool on = m_actions.LiveShow1->isChecked();
    SetPreferenceValue("view/liveShow", on);
    m_live->SetOn(on);
}

void TForm1::Edit1Click() {
    m_actions.Clear1->setText(QString("Clear Program #%1").arg(m_programs->CurrentProgram()));
}

void TForm1::Clear1Click() {
    m_graph->ClearToAxes();
    ReplaceProgramLines(*m_programs->CurrentEditor(), DefaultProgram());
    m_programs->FocusCurrentAtStart();
}

void TForm1::EditorFont1Click() {
    QFontDialog dialog(m_programs->CurrentEditor()->font(), this);
    if (RunModal(dialog) != QDialog::Accepted) return;
    m_programs->SetEditorFont(dialog.selectedFont());
}

void TForm1::About1Click() { RunModal(*m_dialogs.AboutBox); }

void TForm1::Help1Click() { m_dialogs.HelpWindow->ShowTopic(1); }

void TForm1::Preferences1Click() { RunModal(*m_dialogs.PreferencesDialog); }

void TForm1::AuxRomBits1Click() { RunModal(*m_dialogs.AuxView); }

// The dialogs, and the commands that show them.
void TForm1::CreateDialogs() {
    m_dialogs = CreateMainDialogs(this);
    const TMainDialogs &d = m_dialogs;
    connect(d.ErrDialog, &TErrDialog::lineChosen, this, &TForm1::GoToMessageLine);
    m_commands = new TProgramCommands(*m_programs, m_compiler, *d.ImportDlg, *d.ExportDlg, *d.TemplateDlg,
                                      *d.ErrDialog, this);
    m_build = new TBuildCommand(*m_programs, m_compiler, *d.ErrDialog, *d.ImageReportDlg, this);
    m_verify = new TVerifyCommand(*m_programs, this);
    // The report after a Build offers to verify the images once they are read back.
    connect(d.ImageReportDlg, &TImageReportDlg::verifyRequested, this,
            [this](const QString &binPath) { m_verify->Run(m_files->FileName(), binPath); });
    connect(m_build, &TBuildCommand::statusShown, m_status, &TStatusLine::ShowProgress);
    connect(m_build, &TBuildCommand::statusHidden, m_status, &TStatusLine::HideProgress);
    connect(m_build, &TBuildCommand::busy, this, [this](bool running) {
        if (running)
            m_controls.BuildButton->setCursor(Qt::WaitCursor);
        else
            m_controls.BuildButton->unsetCursor();
    });
    // Live Show as it was left, once the settings it compiles with are loaded.
    if (PreferenceValue("view/liveShow", false).toBool()) {
        m_actions.LiveShow1->setChecked(true);
        LiveShow1Click();
    }
}

QPrinter &TForm1::Printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The print layout is in device pixels, made for a 300 dpi page.
        m_printer->setResolution(300);
    }
    return *m_printer;
}

void TForm1::Print1Click() {
    PrintMaterial material;
    material.programs = m_programs->Texts();
    material.currentProgram = m_programs->CurrentProgram();
    material.setFileName = m_files->FileName();
    material.editorFont = m_programs->CurrentEditor()->font();
    // Printing shows no boxes: a notice would stop the job half-way.
    material.options = WindowCompileOptions(NoticeHandler());
    material.graphEnd = [this] {
        const QString path = QDir::current().filePath("imgsave.bmp");
        if (!m_graph->Image()->Picture().save(path, "BMP")) ShowError(this, "cannot write " + path);
    };
    PrintCommand(this, *m_dialogs.PrintWhichDialog, Printer(), m_compiler, material);
    m_programs->CurrentEditor()->setFocus();
}

void TForm1::PrintSetup1Click() {
    QPageSetupDialog dialog(&Printer(), this);
    RunModal(dialog);
    m_programs->CurrentEditor()->setFocus();
}

void TForm1::dragEnterEvent(QDragEnterEvent *event) {
    if (!DroppedSetFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event) {
    const QString set = DroppedSetFile(event->mimeData());
    if (set.isEmpty()) return;
    event->acceptProposedAction();
    m_files->OpenSetFile(set);
}

void TForm1::closeEvent(QCloseEvent *event) {
    if (m_files->AskToSaveChanges())
        event->accept();
    else
        event->ignore();
}
