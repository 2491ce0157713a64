// The main window's menus and the keys that have no menu item.
#include "app/CampaignCommands.h"
#include "app/EvaluateCommands.h"
#include "app/FindCommands.h"
#include "app/GraphView.h"
#include "app/Mainform.h"
#include "app/OverlayCommands.h"
#include "app/ProgramBook.h"
#include "app/ProgramCommands.h"
#include "app/SetFiles.h"
#include "app/SlotCommands.h"
#include "app/WindowLayout.h"
#include "compiler/ui/Finddlg.h"
#include "romfiles/ui/Prefdlg.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTextDocument>

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
    a.OverlayLog1 = a.File1->addAction("Overlay &Measured Log...", m_overlays, &TOverlayCommands::OverlayLog);
    a.OverlayLog1->setStatusTip(
        "Draw a test run's logged steer over the current program, with the tracking figures");
    a.OverlayLog1->setToolTip(a.OverlayLog1->statusTip());
    a.EvaluateRun1 = a.File1->addAction("Evalua&te Run...", m_evaluations, &TEvaluateCommands::EvaluateRun);
    a.EvaluateRun1->setStatusTip(
        "Judge a sine-with-dwell run's log over the current program: yaw rate ratios, "
        "lateral displacement");
    a.EvaluateRun1->setToolTip(a.EvaluateRun1->statusTip());
    a.EvaluationReport1 =
        a.File1->addAction("&Write Evaluation Report...", m_evaluations, &TEvaluateCommands::WriteReport);
    a.EvaluationReport1->setStatusTip("Write the evaluated run's report as a PDF file");
    a.EvaluationReport1->setEnabled(false);
    connect(m_evaluations, &TEvaluateCommands::evaluatedChanged, a.EvaluationReport1, &QAction::setEnabled);
    a.EvaluateCampaign1 =
        a.File1->addAction("Eva&luate Campaign...", m_campaign, &TCampaignCommands::EvaluateCampaign);
    a.EvaluateCampaign1->setStatusTip(
        "Judge every run of a sine-with-dwell series on its log: the runs' states, "
        "figures and margins, the campaign's verdict and its report");
    a.EvaluateCampaign1->setToolTip(a.EvaluateCampaign1->statusTip());
    a.ExportSheet1 = a.File1->addAction("Export Campaign S&heet...", this,
                                        [this] { m_commands->ExportCampaignSheet(m_files->FileName()); });
    a.ExportSheet1->setStatusTip("Build the set in memory and save a CSV of its programs: comment, duration, "
                                 "peak steer, peak rate, CRC-32s");
    a.ExportSheet1->setToolTip(a.ExportSheet1->statusTip());
    a.SaveGraphAs1 = a.File1->addAction("Save &Graph As...", this, &TForm1::SaveGraphAs1Click);
    a.SaveGraphAs1->setStatusTip("Save the graph as it is on screen, as a PNG picture or an SVG drawing");
    a.SaveGraphAs1->setToolTip(a.SaveGraphAs1->statusTip());
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
    // Each program keeps its own history: Undo and Redo act on the current one.
    a.Undo1 = a.Edit1->addAction("&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), this,
                                 [programs] { programs->CurrentEditor()->undo(); });
    a.Redo1 = a.Edit1->addAction("Re&do", this, [programs] { programs->CurrentEditor()->redo(); });
    a.Redo1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (int k = 0; k < ProgramCount; ++k) {
        QTextDocument *document = programs->Editor(k)->document();
        connect(document, &QTextDocument::undoAvailable, this, &TForm1::UpdateUndoActions);
        connect(document, &QTextDocument::redoAvailable, this, &TForm1::UpdateUndoActions);
    }
    connect(programs->Tabs(), &QTabBar::currentChanged, this, &TForm1::UpdateUndoActions);
    UpdateUndoActions();
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
    for (QAction *action : {a.Undo1, a.Redo1, a.Cut1, a.Copy1, a.Paste1, a.SelectAll1})
        action->setShortcutContext(Qt::WindowShortcut);
    a.Edit1->addSeparator();
    a.InsertTemplate1 = a.Edit1->addAction("Insert Te&mplate...", QKeySequence(Qt::CTRL | Qt::Key_T), this,
                                           &TForm1::InsertTemplate1Click);
    a.InsertTemplate1->setStatusTip(
        "Write a standard manoeuvre into the current program, or a series into the set");
    a.Edit1->addSeparator();
    a.Find1 =
        a.Edit1->addAction("&Find...", QKeySequence(Qt::CTRL | Qt::Key_F), m_find, &TFindCommands::Find);
    a.FindNext1 =
        a.Edit1->addAction("Find &Next", QKeySequence(Qt::Key_F3), m_find, &TFindCommands::FindNext);
    a.FindPrevious1 = a.Edit1->addAction("Find Pre&vious", QKeySequence(Qt::SHIFT | Qt::Key_F3), m_find,
                                         &TFindCommands::FindPrevious);
    a.Replace1 = a.Edit1->addAction("&Replace...", QKeySequence(Qt::CTRL | Qt::Key_H), m_find,
                                    &TFindCommands::Replace);
    a.GoToLine1 = a.Edit1->addAction("&Go to Line...", QKeySequence(Qt::CTRL | Qt::Key_G), m_find,
                                     &TFindCommands::GoToLine);
    // F3 and Shift+F3 go on finding while the Find dialog has the focus.
    m_find->Dialog()->addActions({a.FindNext1, a.FindPrevious1});
    connect(a.Edit1, &QMenu::aboutToShow, this, &TForm1::Edit1Click);
}

void TForm1::CreateProgramMenu() {
    TMainActions &a = m_actions;
    a.Program1 = menuBar()->addMenu("&Program");
    a.CopyTo1 = a.Program1->addAction("&Copy To...", m_slots, &TSlotCommands::CopyTo);
    a.CopyTo1->setStatusTip("Copy the current program into another slot of the set");
    a.MoveTo1 = a.Program1->addAction("&Move To...", m_slots, &TSlotCommands::MoveTo);
    a.MoveTo1->setStatusTip("Move the current program to another slot, leaving the default program");
    a.SwapWith1 = a.Program1->addAction("&Swap With...", m_slots, &TSlotCommands::SwapWith);
    a.SwapWith1->setStatusTip("Let the current program and another change places");
    a.Program1->setToolTipsVisible(true);
    for (QAction *action : {a.CopyTo1, a.MoveTo1, a.SwapWith1}) action->setToolTip(action->statusTip());
}

// Build and what comes after it: the images read back from the programmer compared with the set.
void TForm1::CreateBuildMenu() {
    TMainActions &a = m_actions;
    a.Build1 = menuBar()->addMenu("&Build");
    a.BuildAction = a.Build1->addAction("&Build...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B), this,
                                        &TForm1::BuildButtonClick);
    a.BuildAction->setStatusTip("Compile all programs in set and build ROM file");
    a.VerifyImages1 = a.Build1->addAction("&Verify Images...", this, &TForm1::VerifyImages1Click);
    a.VerifyImages1->setStatusTip(
        "Compare the EPROM and aux images read back from the programmer with the set, word by word");
    a.Build1->setToolTipsVisible(true);
    for (QAction *action : {a.BuildAction, a.VerifyImages1}) action->setToolTip(action->statusTip());
}

void TForm1::CreateViewMenu() {
    TMainActions &a = m_actions;
    a.View1 = menuBar()->addMenu("&View");
    a.DisplayAuxBits1 = a.View1->addAction("&Display Selected Aux ROM Bits");
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
    a.FrequencyResponse1 = a.View1->addAction("Fre&quency Response");
    a.FrequencyResponse1->setCheckable(true);
    a.FrequencyResponse1->setEnabled(false);
    a.FrequencyResponse1->setStatusTip(
        "Gain and phase of the shown sweep against its measured log, instead of the program");
    connect(a.FrequencyResponse1, &QAction::toggled, m_graph, &TGraphView::ShowResponse);
    connect(m_graph, &TGraphView::responseChanged, this, [this] {
        m_actions.FrequencyResponse1->setEnabled(m_graph->HasResponse());
        m_actions.FrequencyResponse1->setChecked(m_graph->ResponseShown());
        UpdateZoomActions();
    });
    a.EvaluatedRun1 = a.View1->addAction("&Evaluated Run");
    a.EvaluatedRun1->setCheckable(true);
    a.EvaluatedRun1->setEnabled(false);
    a.EvaluatedRun1->setStatusTip(
        "The evaluated run's channels, marks and limits over the log's time, instead of the program");
    connect(a.EvaluatedRun1, &QAction::toggled, m_graph, &TGraphView::ShowRun);
    connect(m_graph, &TGraphView::runChanged, this, [this] {
        const QSignalBlocker blocker(m_actions.EvaluatedRun1);
        m_actions.EvaluatedRun1->setEnabled(m_graph->Run().has_value());
        m_actions.EvaluatedRun1->setChecked(m_graph->RunShown());
        UpdateZoomActions();
    });
    a.View1->addSeparator();
    a.OverlayProgram1 =
        a.View1->addAction("Overlay &Program...", m_overlays, &TOverlayCommands::OverlayProgram);
    a.OverlayProgram1->setStatusTip("Draw another program of this set or of a set file over the current one");
    a.ClearOverlay1 = a.View1->addAction("&Clear Overlay", m_overlays, &TOverlayCommands::ClearOverlay);
    a.ClearOverlay1->setStatusTip("Take the measured log and the overlaid programs off the graph");
    a.ClearOverlay1->setEnabled(false);
    connect(m_graph, &TGraphView::overlaysChanged, this,
            [this] { m_actions.ClearOverlay1->setEnabled(!m_graph->Overlays().empty()); });
    a.View1->addSeparator();
    a.ProgramSummary1 = a.View1->addAction("Program Su&mmary");
    a.ProgramSummary1->setCheckable(true);
    a.ProgramSummary1->setChecked(PreferenceValue("view/summary", true).toBool());
    m_layout->SetSummaryShown(a.ProgramSummary1->isChecked());
    connect(a.ProgramSummary1, &QAction::triggered, this, &TForm1::ProgramSummary1Click);
    a.LiveShow1 = a.View1->addAction("&Live Show");
    a.LiveShow1->setCheckable(true);
    a.LiveShow1->setStatusTip("Compile and draw the current program whenever typing pauses");
    connect(a.LiveShow1, &QAction::triggered, this, &TForm1::LiveShow1Click);
}

// Keys that go through the program tabs from any editor: Ctrl+Tab and Ctrl+PgDown to the next,
// Ctrl+Shift+Tab and Ctrl+PgUp to the previous, Alt+0 to Alt+9 to that program.
void TForm1::CreateProgramKeys() {
    TMainActions &a = m_actions;
    TProgramBook *programs = m_programs;
    a.Program1->addSeparator();
    a.NextProgram1 = a.Program1->addAction("&Next Program", this, [programs] { programs->StepProgram(1); });
    a.NextProgram1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    a.PreviousProgram1 =
        a.Program1->addAction("P&revious Program", this, [programs] { programs->StepProgram(-1); });
    a.PreviousProgram1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    for (QAction *action : {a.NextProgram1, a.PreviousProgram1})
        action->setShortcutContext(Qt::WindowShortcut);
    for (int program = 0; program <= 9; ++program) {
        auto *jump = new QAction(QString("Program %1").arg(program), this);
        jump->setObjectName(QString("GoToProgram%1").arg(program));
        jump->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + program)));
        connect(jump, &QAction::triggered, this, [programs, program] { programs->SelectProgram(program); });
        addAction(jump);
    }
}

void TForm1::CreateHelpAndKeys() {
    TMainActions &a = m_actions;
    a.Help1 = menuBar()->addAction("&Help", this, &TForm1::Help1Click);
    a.Help1->setShortcut(QKeySequence(Qt::Key_F1));
    a.About1 = menuBar()->addAction("&About", this, &TForm1::About1Click);

    // Show has no menu item; its key lives on the window.
    a.ShowAction = new QAction("Show", this);
    a.ShowAction->setShortcut(QKeySequence(Qt::Key_F5));
    connect(a.ShowAction, &QAction::triggered, this, &TForm1::ShowButtonClick);
    addAction(a.ShowAction);
}
