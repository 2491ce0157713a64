// The main window: graph on top, command buttons at the left, 16 program editors on tabs, status line.
#pragma once

#include "app/MainDialogs.h"
#include "app/ProgramText.h"
#include "compiler/state.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QPushButton;
class TBuildCommand;
class TFindCommands;
class TOverlayCommands;
class TCampaignCommands;
class TEvaluateCommands;
class TSlotCommands;
class TGraphView;
class TLiveShow;
class TProgramBook;
class TProgramCommands;
class TSetFiles;
class TStatusLine;
class TSummaryPanel;
class TWindowLayout;
class TVerifyCommand;

// The menus and their items, and the keys of the Show and Build buttons (names of the form).
struct TMainActions {
    QMenu *File1, *Edit1, *View1, *RecentSets1;
    QAction *New1, *Open1, *Save1, *SaveAs1, *ExportCsv1, *Preferences1, *EditorFont1, *Print1, *PrintSetup1,
        *Exit1;
    QAction *ExportSheet1, *SaveGraphAs1;
    QAction *Clear1, *Undo1, *Redo1, *Cut1, *Copy1, *Paste1, *SelectAll1, *InsertTemplate1;
    QAction *DisplayAuxBits1, *SelectAuxBits1;
    QAction *ZoomIn1, *ZoomOut1, *FitGraph1, *FrequencyResponse1, *EvaluatedRun1, *ProgramSummary1,
        *LiveShow1;
    QMenu *Build1;
    QAction *VerifyImages1;
    QAction *NextProgram1, *PreviousProgram1;
    QAction *Help1, *About1;
    QAction *ShowAction, *BuildAction;
    // Working across the set: find and replace, program slots, traces over the graph.
    QMenu *Program1;
    QAction *Find1, *FindNext1, *FindPrevious1, *Replace1, *GoToLine1;
    QAction *CopyTo1, *MoveTo1, *SwapWith1;
    QAction *OverlayLog1, *OverlayProgram1, *ClearOverlay1;
    QAction *EvaluateRun1, *EvaluationReport1, *EvaluateCampaign1;
};

// The command buttons and the label beside the program tabs (names of the form).
struct TMainControls {
    QPushButton *OpenButton, *ImportButton, *ExportButton, *SaveButton, *SaveAsButton, *ShowButton,
        *BuildButton;
    QLabel *PgmLabel;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Creates the dialogs (after the window, in start-up order) and loads the settings.
    void CreateDialogs();
    // Opens the files named on the command line (the first one) through the Open path.
    void OpenArguments(const QStringList &arguments);

    // The pieces of the window.
    TProgramBook *Programs() const { return m_programs; }
    TGraphView *Graph() const { return m_graph; }
    TSummaryPanel *Summary() const { return m_summary; }
    TSetFiles *SetFiles() const { return m_files; }
    TStatusLine *Status() const { return m_status; }
    TLiveShow *Live() const { return m_live; }
    TFindCommands *Find() const { return m_find; }
    TSlotCommands *Slots() const { return m_slots; }
    TOverlayCommands *Overlays() const { return m_overlays; }
    TWindowLayout *Layout() const { return m_layout; }
    TVerifyCommand *Verify() const { return m_verify; }
    TEvaluateCommands *Evaluations() const { return m_evaluations; }
    TCampaignCommands *Campaign() const { return m_campaign; }
    const TMainActions &Actions() const { return m_actions; }
    const TMainControls &Controls() const { return m_controls; }
    const TMainDialogs &Dialogs() const { return m_dialogs; }
    // The state of the window's last compile.
    const CompilerState &LastCompile() const { return m_compiler; }
    // The printer of this run: print jobs and the printer set-up dialog share it.
    QPrinter &Printer();

public slots:
    void RefreshStatusLine();
    void Edit1Click();
    void Clear1Click();
    void EditorFont1Click();
    void Help1Click();
    void About1Click();
    void ShowButtonClick();
    void BuildButtonClick();
    void Preferences1Click();
    void ImportButtonClick();
    void ExportButtonClick();
    void ExportCsv1Click();
    void InsertTemplate1Click();
    void AuxRomBits1Click();
    void Print1Click();
    void PrintSetup1Click();
    void ProgramSummary1Click();
    void LiveShow1Click();
    void SaveGraphAs1Click();
    void VerifyImages1Click();
    // Selects the program line a message names in the current editor.
    void GoToMessageLine(int line);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateControls();
    void CreateButtons();
    void CreateFileMenu();
    void CreateEditMenu();
    void CreateProgramMenu();
    void CreateBuildMenu();
    void CreateViewMenu();
    void CreateProgramKeys();
    void CreateHelpAndKeys();
    void ConnectPieces();
    void UpdateZoomActions();
    void UpdateUndoActions();
    void ShowMessagesAndMarkLines();

    CompilerState m_compiler; // every compile of the window
    TMainActions m_actions{};
    TMainControls m_controls{};
    TMainDialogs m_dialogs;
    QWidget *m_client = nullptr;
    TProgramBook *m_programs = nullptr;
    TGraphView *m_graph = nullptr;
    TSummaryPanel *m_summary = nullptr;
    TSetFiles *m_files = nullptr;
    TStatusLine *m_status = nullptr;
    TLiveShow *m_live = nullptr;
    TBuildCommand *m_build = nullptr;
    TProgramCommands *m_commands = nullptr;
    TFindCommands *m_find = nullptr;
    TSlotCommands *m_slots = nullptr;
    TOverlayCommands *m_overlays = nullptr;
    TVerifyCommand *m_verify = nullptr;
    TWindowLayout *m_layout = nullptr;
    TEvaluateCommands *m_evaluations = nullptr;
    TCampaignCommands *m_campaign = nullptr;
    std::unique_ptr<QPrinter> m_printer;
};
