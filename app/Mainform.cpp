// The main window: graph on top, command buttons at the left, 16 program editors on tabs, status line.
#include "app/Mainform.h"

#include "app/About.h"
#include "app/BuildCommand.h"
#include "app/GraphView.h"
#include "app/Helpview.h"
#include "app/ProgramBook.h"
#include "app/SetFiles.h"
#include "app/SummaryPanel.h"
#include "compiler/compile.h"
#include "compiler/ui/Errdial.h"
#include "graph/programgraph.h"
#include "graph/ui/Auxbview.h"
#include "graph/ui/Printwht.h"
#include "romfiles/exporters.h"
#include "romfiles/fileio.h"
#include "romfiles/ui/Exportf.h"
#include "romfiles/ui/FirstRun.h"
#include "romfiles/ui/Importf.h"
#include "romfiles/ui/Prefdlg.h"
#include "romfiles/ui/Reportdlg.h"
#include "romfiles/ui/Templatedlg.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTabBar>
#include <QTextBlock>
#include <QToolButton>

namespace {

// Design geometry of the form, in pixels.
constexpr int ButtonLeft = 8, ButtonWidth = 72, ButtonHeight = 18, LargeButtonHeight = 20;
constexpr int ButtonTops[7] = {210, 232, 254, 276, 298, 320, 342};
constexpr int ImgPanelHeight = 201;
constexpr int TabLeft = 88, TabTop = ImgPanelHeight + 8;
constexpr int StatusBarHeight = 15;
// The summary panel beside the graph: wide enough for its longest line, at most a quarter of the row.
constexpr int SummaryMinWidth = 200;

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent) {
    setObjectName("Form1");
    setWindowTitle("Helmcraft - Untitled");
    CreateControls();
    m_files = new TSetFiles(*m_programs, this);
    CreateFileMenu();
    CreateEditMenu();
    CreateViewMenu();
    CreateHelpAndKeys();
    ConnectPieces();
    setAcceptDrops(true);
    resize(706, 542 + menuBar()->sizeHint().height());
    FormResize();
}

TForm1::~TForm1() = default;

void TForm1::CreateFileMenu() {
    TMainActions &a = m_actions;
    a.File1 = menuBar()->addMenu("&File");
    a.New1 = a.File1->addAction("&New", QKeySequence(Qt::CTRL | Qt::Key_N), m_files, &TSetFiles::New1Click);
    a.Open1 =
        a.File1->addAction("&Open...", QKeySequence(Qt::CTRL | Qt::Key_O), m_files, &TSetFiles::Open1Click);
    a.RecentSets1 = m_files->RecentMenu();
    a.File1->addMenu(a.RecentSets1);
    a.Save1 =
        a.File1->addAction("&Save", QKeySequence(Qt::CTRL | Qt::Key_S), m_files, &TSetFiles::Save1Click);
    a.SaveAs1 = a.File1->addAction("Save &As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), m_files,
                                   &TSetFiles::SaveAs1Click);
    a.ExportCsv1 = a.File1->addAction("Export Steps as &CSV...", this, &TForm1::ExportCsv1Click);
    a.ExportCsv1->setStatusTip("Compile the current program and save its 16384 steps as CSV");
    a.ExportCsv1->setToolTip(a.ExportCsv1->statusTip());
    a.File1->addSeparator();
    a.Preferences1 = a.File1->addAction("Preferences...", this, &TForm1::Preferences1Click);
    a.EditorFont1 = a.File1->addAction("Editor Font", this, &TForm1::EditorFont1Click);
    a.EditorFont1->setStatusTip("Set the font for editor and printer");
    a.EditorFont1->setToolTip("Set the font for editor and printer");
    a.File1->addSeparator();
    a.Print1 =
        a.File1->addAction("&Print...", QKeySequence(Qt::CTRL | Qt::Key_P), this, &TForm1::Print1Click);
    a.PrintSetup1 = a.File1->addAction("P&rint Setup...", this, &TForm1::PrintSetup1Click);
    a.File1->addSeparator();
    a.Exit1 = a.File1->addAction("E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q), this, &QWidget::close);
    a.File1->setToolTipsVisible(true);
}

void TForm1::CreateEditMenu() {
    TMainActions &a = m_actions;
    TProgramBook *programs = m_programs;
    a.Edit1 = menuBar()->addMenu("&Edit");
    a.Clear1 = a.Edit1->addAction("Clear Program", this, &TForm1::Clear1Click);
    a.Edit1->addSeparator();
    a.Cut1 = a.Edit1->addAction("Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), this,
                                [programs] { programs->CurrentEditor()->cut(); });
    a.Copy1 = a.Edit1->addAction("&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), this,
                                 [programs] { programs->CurrentEditor()->copy(); });
    a.Paste1 = a.Edit1->addAction("&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), this,
                                  [programs] { programs->CurrentEditor()->paste(); });
    a.SelectAll1 = a.Edit1->addAction("Se&lect All", QKeySequence(Qt::CTRL | Qt::Key_A), this,
                                      [programs] { programs->CurrentEditor()->selectAll(); });
    // The editors' own clipboard keys would make the menu shortcuts ambiguous: the menu owns them.
    for (QAction *action : {a.Cut1, a.Copy1, a.Paste1, a.SelectAll1})
        action->setShortcutContext(Qt::WindowShortcut);
    a.Edit1->addSeparator();
    a.InsertTemplate1 = a.Edit1->addAction("Insert &Template...", QKeySequence(Qt::CTRL | Qt::Key_T), this,
                                           &TForm1::InsertTemplate1Click);
    a.InsertTemplate1->setStatusTip(
        "Write a standard manoeuvre into the current program, or a series into the set");
    connect(a.Edit1, &QMenu::aboutToShow, this, &TForm1::Edit1Click);
}

void TForm1::CreateViewMenu() {
    TMainActions &a = m_actions;
    a.View1 = menuBar()->addMenu("&View");
    a.DisplayAuxBits1 = a.View1->addAction("Display Selected Aux ROM Bits");
    a.DisplayAuxBits1->setCheckable(true);
    a.DisplayAuxBits1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(a.DisplayAuxBits1, &QAction::toggled, m_graph, &TGraphView::SetAuxShown);
    connect(a.DisplayAuxBits1, &QAction::triggered, m_graph, &TGraphView::DisplayAuxClick);
    a.SelectAuxBits1 =
        a.View1->addAction("&Select Aux ROM Bits to Display...", this, &TForm1::AuxRomBits1Click);
    a.View1->addSeparator();
    a.ZoomIn1 = a.View1->addAction("Zoom &In", m_graph, &TGraphView::ZoomIn1Click);
    a.ZoomIn1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    a.ZoomOut1 = a.View1->addAction("Zoom &Out", QKeySequence(Qt::CTRL | Qt::Key_Minus), m_graph,
                                    &TGraphView::ZoomOut1Click);
    a.FitGraph1 = a.View1->addAction("&Fit Graph", QKeySequence(Qt::CTRL | Qt::Key_0), m_graph,
                                     &TGraphView::FitGraph1Click);
    a.FitGraph1->setStatusTip("Show the whole program as Show drew it");
    for (QAction *action : {a.ZoomIn1, a.ZoomOut1, a.FitGraph1})
        action->setShortcutContext(Qt::WindowShortcut);
    a.View1->addSeparator();
    a.ProgramSummary1 = a.View1->addAction("Program &Summary");
    a.ProgramSummary1->setCheckable(true);
    a.ProgramSummary1->setChecked(PreferenceValue("view/summary", true).toBool());
    connect(a.ProgramSummary1, &QAction::triggered, this, &TForm1::ProgramSummary1Click);
}

void TForm1::CreateHelpAndKeys() {
    TMainActions &a = m_actions;
    a.Help1 = menuBar()->addAction("&Help", this, &TForm1::Help1Click);
    a.Help1->setShortcut(QKeySequence(Qt::Key_F1));
    a.About1 = menuBar()->addAction("&About", this, &TForm1::About1Click);

    // Show and Build have no menu item; their keys live on the window.
    a.ShowAction = new QAction("Show", this);
    a.ShowAction->setShortcut(QKeySequence(Qt::Key_F5));
    connect(a.ShowAction, &QAction::triggered, this, &TForm1::ShowButtonClick);
    a.BuildAction = new QAction("Build", this);
    a.BuildAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    connect(a.BuildAction, &QAction::triggered, this, &TForm1::BuildButtonClick);
    addActions({a.ShowAction, a.BuildAction});
}

// The pieces in the order of the form: graph, command buttons, program tabs, summary, status line.
void TForm1::CreateControls() {
    m_client = new QWidget(this);
    m_client->setObjectName("Client");
    setCentralWidget(m_client);
    m_client->installEventFilter(this);
    m_graph = new TGraphView(m_compiler, m_client);
    CreateButtons();
    m_controls.PgmLabel = new QLabel("Program:", m_client);
    m_controls.PgmLabel->setObjectName("PgmLabel");
    m_programs = new TProgramBook(m_client);
    m_summary = new TSummaryPanel(*m_programs, m_client);
    CreateStatusLine();
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
    SetButtonsLarge(false);
}

void TForm1::CreateStatusLine() {
    TMainControls &c = m_controls;
    c.StatusBar = new QLabel(m_client);
    c.StatusBar->setObjectName("StatusBar");
    c.StatusBar->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c.StatusBar->setFont(ArialFont(11));
    QPalette pal = c.StatusBar->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    c.StatusBar->setPalette(pal);

    c.StatusPanel = new QLabel("Status", m_client);
    c.StatusPanel->setObjectName("StatusPanel");
    c.StatusPanel->setFrameShape(QFrame::Box);
    c.StatusPanel->setAlignment(Qt::AlignCenter);
    c.StatusPanel->setAutoFillBackground(true);
    c.StatusPanel->hide();

    c.CursorReadout = new QLabel(m_client);
    c.CursorReadout->setObjectName("CursorReadout");
    c.CursorReadout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    c.CursorReadout->setFont(ArialFont(11));
    c.CursorReadout->setPalette(pal);
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
    connect(m_programs, &TProgramBook::caretMoved, this, &TForm1::RefreshStatusLine);
    connect(m_graph, &TGraphView::mouseMoved, this, &TForm1::RefreshStatusLine);
    connect(m_graph, &TGraphView::readoutChanged, c.CursorReadout, &QLabel::setText);
    connect(m_graph, &TGraphView::zoomChanged, this, &TForm1::UpdateZoomActions);
    UpdateZoomActions();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_client && event->type() == QEvent::Resize) FormResize();
    return QMainWindow::eventFilter(watched, event);
}

// Lays the controls out for the client size: tabs to the right edge and down to the status line,
// the graph above the tabs, and the buttons enlarged while the column has room for it.
void TForm1::FormResize() {
    const TMainControls &c = m_controls;
    const int width = m_client->width(), height = m_client->height();
    const int statusTop = height - StatusBarHeight;
    c.StatusBar->setGeometry(0, statusTop, width, StatusBarHeight);
    m_programs->setGeometry(TabLeft, TabTop, qMax(0, width - TabLeft - 4), qMax(0, statusTop - TabTop));
    const int tabBottom = m_programs->y() + m_programs->height();
    c.PgmLabel->setGeometry(ButtonLeft, tabBottom - 20, ButtonWidth, 16);
    // The summary panel, when shown, takes the right end of the graph's row.
    const int panelHeight = qMax(1, m_programs->y() - 0 - 8);
    const int summaryWidth = qMax(SummaryMinWidth, qMin(m_summary->WantedWidth(), width / 4));
    const bool summary = m_actions.ProgramSummary1->isChecked() && width >= 3 * SummaryMinWidth;
    const int graphWidth = summary ? width - summaryWidth - 2 : width;
    m_graph->SetGeometry({0, 0, graphWidth, panelHeight});
    m_summary->setGeometry(graphWidth + 2, 0, summaryWidth, panelHeight);
    m_summary->setVisible(summary);
    c.StatusPanel->setGeometry(ButtonLeft, 8, 200, 20);
    // The read-out shares the status line, left of the caret and graph position text.
    c.CursorReadout->setGeometry(4, statusTop, qMax(0, width - 340), StatusBarHeight);

    const int room = c.PgmLabel->y() - c.BuildButton->y();
    if (!m_largeButtons && room > 50)
        SetButtonsLarge(true);
    else if (m_largeButtons && room <= 50)
        SetButtonsLarge(false);
    m_graph->NewEmptyGraph();
}

void TForm1::SetButtonsLarge(bool large) {
    const TMainControls &c = m_controls;
    QPushButton *buttons[7] = {c.OpenButton,   c.ImportButton, c.ExportButton, c.SaveButton,
                               c.SaveAsButton, c.ShowButton,   c.BuildButton};
    for (int i = 0; i < 7; ++i) {
        const int shift = large ? 2 * (i + 1) : 0;
        buttons[i]->setGeometry(ButtonLeft, ButtonTops[i] + shift, ButtonWidth,
                                large ? LargeButtonHeight : ButtonHeight);
    }
    m_largeButtons = large;
}

void TForm1::UpdateZoomActions() {
    m_actions.ZoomIn1->setEnabled(m_graph->Zoomable());
    m_actions.ZoomOut1->setEnabled(m_graph->Zoomable());
    m_actions.FitGraph1->setEnabled(m_graph->Fittable());
}

QString TForm1::StatusLineText() const {
    // The stored mouse position in the units of the plot library's current viewport and world.
    const QPointF at = m_graph->MouseWorld();
    return QString("Line:%1 Col:%2     Graph Pos: (%3,%4)")
        .arg(m_programs->CaretLine())
        .arg(m_programs->CaretColumn())
        .arg(at.x(), 0, 'f', 2)
        .arg(at.y(), 0, 'f', 2);
}

void TForm1::RefreshStatusLine() { m_controls.StatusBar->setText(StatusLineText()); }

void TForm1::ShowStatus(const QString &text) {
    QLabel *panel = m_controls.StatusPanel;
    panel->setText(text);
    panel->show();
    panel->raise();
    panel->repaint();
}

void TForm1::HideStatus() { m_controls.StatusPanel->hide(); }

void TForm1::ShowButtonClick() {
    const int program = m_programs->CurrentProgram();
    m_controls.ShowButton->setCursor(Qt::WaitCursor);
    ShowStatus(QString("Compiling Program #%1...").arg(program));
    if (CompileProgram(m_compiler, ProgramLines(*m_programs->CurrentEditor()),
                       WindowCompileOptions(this, true))) {
        m_summary->ShowSummary(program, m_compiler);
        MarkMessageLines(*m_programs->CurrentEditor(), m_compiler);
        if (m_compiler.WarningCount > 0) ShowMessagesAndMarkLines();
        ShowStatus(QString("Plotting Program #%1...").arg(program));
        m_graph->ShowProgram(program, m_compiler);
    } else {
        m_summary->Clear(QString("Program #%1: errors, no summary").arg(program),
                         "The program did not compile: the Messages dialog lists why.");
        ShowMessagesAndMarkLines();
    }
    HideStatus();
    m_controls.ShowButton->unsetCursor();
    m_programs->CurrentEditor()->setFocus();
}

// The Messages dialog for the last compile of the current program, its lines marked first so that
// the marks are there while the dialog is open.
void TForm1::ShowMessagesAndMarkLines() {
    MarkMessageLines(*m_programs->CurrentEditor(), m_compiler);
    m_dialogs.ErrDialog->ShowCompileMessages(m_compiler);
}

void TForm1::GoToMessageLine(int line) {
    TProgramText *editor = m_programs->CurrentEditor();
    if (editor->GoToLine(line) == 0) return;
    editor->setFocus();
    m_programs->RefreshCaret();
}

void TForm1::BuildButtonClick() { m_build->Run(m_files->FileName()); }

void TForm1::OpenArguments(const QStringList &arguments) { m_files->OpenArguments(arguments); }

void TForm1::ProgramSummary1Click() {
    SetPreferenceValue("view/summary", m_actions.ProgramSummary1->isChecked());
    FormResize();
}

// The template dialog's choice: the statements before the caret's line, the whole program, or the
// series over all 16 programs (the dialog has asked first). Each editor's change is one undoable edit.
void TForm1::InsertTemplate1Click() {
    m_programs->RefreshCaret();
    TProgramText *editor = m_programs->CurrentEditor();
    if (RunModal(*m_dialogs.TemplateDlg) == QDialog::Accepted) InsertTemplateText();
    editor->setFocus();
    m_programs->RefreshCaret();
}

void TForm1::InsertTemplateText() {
    TTemplateDlg &dialog = *m_dialogs.TemplateDlg;
    TProgramText *editor = m_programs->CurrentEditor();
    switch (dialog.Chosen()) {
    case TTemplateDlg::Choice::Insert: {
        QString text;
        for (const std::string &line : ProgramStatements(dialog.Program())) text += FromLatin1(line) + '\n';
        QTextCursor cursor(editor->document()->findBlockByNumber(m_programs->CaretLine() - 1));
        cursor.insertText(text);
        editor->setTextCursor(cursor);
        break;
    }
    case TTemplateDlg::Choice::Replace:
        ReplaceProgramLines(*editor, dialog.Program());
        editor->moveCursor(QTextCursor::Start);
        break;
    case TTemplateDlg::Choice::Series:
        for (int i = 0; i < ProgramCount; ++i)
            ReplaceProgramLines(*m_programs->Editor(i), dialog.Series()[i]);
        editor->moveCursor(QTextCursor::Start);
        break;
    case TTemplateDlg::Choice::None:
        break;
    }
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

// The dialogs in start-up order. Creating the Preferences dialog loads the settings, running the
// first-run dialog when there is no defaults file yet.
void TForm1::CreateDialogs() {
    TMainDialogs &d = m_dialogs;
    d.ImportDlg = new TImportDlg(this);
    d.ExportDlg = new TExportDlg(this);
    d.ErrDialog = new TErrDialog(this);
    connect(d.ErrDialog, &TErrDialog::lineChosen, this, &TForm1::GoToMessageLine);
    d.FirstRunDialog = new TFirstRunDialog(this);
    d.PreferencesDialog = new TPreferencesDialog(this);
    d.PreferencesDialog->LoadSettings(*d.FirstRunDialog);
    d.PrintWhichDialog = new TPrintWhichDialog(this);
    d.AboutBox = new TAboutBox(this);
    d.AuxView = new TAuxView(AuxDisplay(), this);
    d.HelpWindow = new THelpWindow(this);
    d.TemplateDlg = new TTemplateDlg(this);
    d.ImageReportDlg = new TImageReportDlg(this);
    m_build = new TBuildCommand(*m_programs, m_compiler, *d.ErrDialog, *d.ImageReportDlg, this);
    connect(m_build, &TBuildCommand::statusShown, this, &TForm1::ShowStatus);
    connect(m_build, &TBuildCommand::statusHidden, this, &TForm1::HideStatus);
    connect(m_build, &TBuildCommand::busy, this, [this](bool running) {
        if (running)
            m_controls.BuildButton->setCursor(Qt::WaitCursor);
        else
            m_controls.BuildButton->unsetCursor();
    });
}

void TForm1::ImportButtonClick() {
    const AppSettings &settings = Settings();
    const ImportDirectories directories{FromPath(settings.programDir), FromPath(settings.textDir),
                                        FromPath(settings.epromDir)};
    // The caret may have moved since the last key or click (a tab change): Insert goes before its line.
    m_programs->RefreshCaret();
    TProgramText *editor = m_programs->CurrentEditor();
    ProgramText program = ProgramLines(*editor);
    int cursorLine = m_programs->CaretLine();
    const int column = m_programs->CaretColumn();
    if (RunImport(this, *m_dialogs.ImportDlg, directories, program, cursorLine)) {
        ReplaceProgramLines(*editor, program);
        if (m_dialogs.ImportDlg->Mode() == ImportMode::Replace) {
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
    m_programs->RefreshCaret();
}

void TForm1::ExportButtonClick() {
    TProgramText *editor = m_programs->CurrentEditor();
    const ExportOutcome outcome =
        RunExport(this, *m_dialogs.ExportDlg, m_compiler, FromPath(Settings().textDir), ProgramLines(*editor),
                  WindowCompileOptions(this));
    Settings().textDir = ToPath(outcome.textDir);
    // Nothing was written: the Messages dialog says why.
    if (outcome.compileFailed) ShowMessagesAndMarkLines();
    editor->setFocus();
}

// The current program's step store as CSV, in the format of `quillard-cli steps`, CR LF line ends.
// The program is compiled first: a program with errors opens the Messages dialog and asks no name.
void TForm1::ExportCsv1Click() {
    const int program = m_programs->CurrentProgram();
    TProgramText *editor = m_programs->CurrentEditor();
    if (!CompileProgram(m_compiler, ProgramLines(*editor), WindowCompileOptions(this))) {
        ShowMessagesAndMarkLines();
        editor->setFocus();
        return;
    }
    const std::string bytes =
        JoinLinesCrLf(StepsCsvLines(m_compiler.steps, m_compiler.endIndex, m_compiler.MaxSteer));
    const QString setName = m_files->FileName();
    const QString base =
        setName.isEmpty() ? QString("program") : QFileInfo(setName).completeBaseName() + "-program";
    FileRequest request{FileDialogKind::Save,
                        "Export Steps as CSV",
                        FromPath(Settings().textDir),
                        QString("%1%2.csv").arg(base).arg(program),
                        {"CSV files (*.csv)", "All files (*.*)"},
                        "csv",
                        true,
                        {},
                        false};
    const QString path = ChooseFile(this, request);
    if (!path.isEmpty()) {
        try {
            WriteFileAtomically(ToPath(path), bytes);
            Settings().textDir = ToPath(QFileInfo(path).absolutePath());
        } catch (const std::exception &e) {
            ShowError(this, QString::fromLocal8Bit(e.what()));
        }
    }
    editor->setFocus();
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
    material.options = {Settings().corvan3Only, {}};
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
