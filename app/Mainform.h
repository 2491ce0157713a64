// The main window: graph on top, command buttons at the left, 16 program editors on tabs, status line.
#pragma once

#include "compiler/ui/ProgramEditor.h"

#include <QImage>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTemporaryDir>

#include "compiler/state.h"
#include "graph/canvas.h"
#include "graph/plot.h"
#include "romfiles/programset.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMimeData;
class QPainter;
class QPrinter;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QToolButton;
class TAboutBox;
class TAuxView;
class TErrDialog;
class TExportDlg;
class TFirstRunDialog;
class THelpWindow;
class TImportDlg;
class TPreferencesDialog;
class TPrintWhichDialog;
class TTemplateDlg;
class TImageReportDlg;

// The lines of an editor as the core sees them: Latin-1, "?" for what Latin-1 cannot hold; a line
// break at the very end does not start a further line.
ProgramText ProgramLines(const QPlainTextEdit &editor);
// Replaces the editor's text with the lines, so that ProgramLines gives them back. The document
// starts afresh: no undo history, not modified.
void SetProgramLines(QPlainTextEdit &editor, const ProgramText &lines);
// The same replacement as an edit of the user's: it can be undone and marks the document modified.
void ReplaceProgramLines(QPlainTextEdit &editor, const ProgramText &lines);

// The file that keeps the list of recently opened or saved sets (QSettings, INI format). Empty, the
// start value, keeps the list in memory only; the program's main entry names a file under the
// user's config folder. Read when a window is created.
void SetRecentSetsFile(const QString &path);
QString RecentSetsFile();
constexpr int RecentSetCount = 8;

// The program-set file among dropped data: the first local file whose name ends in ".rom", or empty.
QString DroppedSetFile(const QMimeData *data);

// The caption after an Open or Save: "Helmcraft - " + file name + "  last saved " + date and time
// (system short date, long time; no time at exactly midnight).
QString SetCaption(const QString &path);

// A program editor that reports key releases and mouse presses after it has handled them, and
// hands a dropped program-set file to the window instead of inserting its name.
class TProgramText : public ProgramEditor {
    Q_OBJECT
public:
    explicit TProgramText(QWidget *parent = nullptr);
signals:
    void caretMayHaveMoved();
    void setDropped(const QString &path);

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

// The graph image: shows a bitmap, cross-hair cursor, reports mouse movement, presses, releases and
// the wheel in image pixels.
class TGrImage : public QWidget {
    Q_OBJECT
public:
    explicit TGrImage(QWidget *parent = nullptr);
    ~TGrImage() override;
    QImage &Picture() { return m_picture; }
    // A new blank bitmap of the control's size replaces the picture; the canvas draws on it.
    void NewPicture();
    // The picture becomes the image (its size too), as loading a bitmap file into it does.
    void LoadPicture(const QImage &image);
    ::Canvas &Canvas() { return *m_canvas; }
    // A small ring drawn over the picture (not into it) at a pixel; a null point hides it.
    void SetMarker(const QPoint &at);
    QPoint Marker() const { return m_marker; }
signals:
    void mouseMoved(int x, int y);
    void mousePressed(int x, int y);
    void mouseReleased(int x, int y);
    // Eighths of a degree, positive away from the user, as the wheel event counts them.
    void wheelTurned(int x, int y, int angle);
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QImage m_picture;
    std::unique_ptr<QPainter> m_painter; // open on the picture while it is shown
    std::unique_ptr<::Canvas> m_canvas;
    QPoint m_marker;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Creates the dialogs (after the window, in start-up order) and loads the settings.
    void CreateDialogs();

    int CurrentProgram() const;
    TProgramText *CurrentEditor() const;
    TProgramText *Editor(int program) const { return m_editors[program]; }
    ProgramSet ProgramSetTexts() const;
    QString StatusLineText() const;
    QString SetFileName() const { return m_setFileName; }
    QString SnapshotPath() const;
    // Any program edited since the set was last opened, saved or made new (the documents' state).
    bool SetChanged() const;
    int ShownProgram() const { return m_shownProgram; }
    // The printer of this run: print jobs and the printer set-up dialog share it.
    QPrinter &Printer();
    // Recently opened or saved sets, the latest first.
    QStringList RecentSets() const { return m_recentSets; }
    // Opens the files named on the command line (the first one) through the Open path.
    void OpenArguments(const QStringList &arguments);

    // The graph of the shown program: the world Show set (fit), the world zoom and pan have moved
    // to, and the plot area in image pixels. Zoom and pan work while the picture shows that program.
    bool GraphZoomable() const { return m_graph.onScreen; }
    TWorldWindow GraphWorld() const { return m_graph.world; }
    TWorldWindow FitWorld() const { return m_graph.fit; }
    TViewport GraphArea() const { return m_graph.area; }
    // The program the summary panel describes (-1: none), and whether it was edited since its Show.
    int SummaryProgram() const { return m_summaryProgram; }
    bool SummaryStale() const { return m_summaryStale; }
    // The state of the window's last compile.
    const CompilerState &LastCompile() const { return m_compiler; }

    // Controls (names of the form).
    QFrame *ImgPanel;
    TGrImage *GrImage;
    QPushButton *OpenButton, *ImportButton, *ExportButton, *SaveButton, *SaveAsButton, *ShowButton,
        *BuildButton;
    QLabel *PgmLabel;
    QFrame *TabFrame; // holds the tab bar and the notebook
    QTabBar *TabControl1;
    QStackedWidget *PgmNotebook;
    QLabel *StatusBar;
    QLabel *StatusPanel;
    QLabel *CursorReadout;  // the step under the mouse, at the left of the status line
    QToolButton *FitButton; // over the graph's corner while it is zoomed or panned
    QFrame *SummaryPanel;   // beside the graph: the figures of the last good Show
    QLabel *SummaryTitle;
    QPlainTextEdit *SummaryText;
    bool LargeButtons = false;

    // Menus and their items.
    QMenu *File1, *Edit1, *View1, *RecentSets1;
    QAction *New1, *Open1, *Save1, *SaveAs1, *ExportCsv1, *Preferences1, *EditorFont1, *Print1, *PrintSetup1,
        *Exit1;
    QAction *Clear1, *Cut1, *Copy1, *Paste1, *SelectAll1, *InsertTemplate1;
    QAction *DisplayAuxBits1, *SelectAuxBits1;
    QAction *ZoomIn1, *ZoomOut1, *FitGraph1, *ProgramSummary1;
    QAction *Help1, *About1;
    QAction *ShowAction, *BuildAction; // the keys of the Show and Build buttons

    // Dialogs, created once by CreateDialogs and reused.
    TImportDlg *ImportDlg = nullptr;
    TExportDlg *ExportDlg = nullptr;
    TErrDialog *ErrDialog = nullptr;
    TFirstRunDialog *FirstRunDialog = nullptr;
    TPreferencesDialog *PreferencesDialog = nullptr;
    TPrintWhichDialog *PrintWhichDialog = nullptr;
    TAboutBox *AboutBox = nullptr;
    TAuxView *AuxView = nullptr;
    THelpWindow *HelpWindow = nullptr;
    TTemplateDlg *TemplateDlg = nullptr;
    TImageReportDlg *ImageReportDlg = nullptr;

public slots:
    void TabControl1Change(int index);
    void RefreshCaret();
    void RefreshStatusLine();
    void Edit1Click();
    void Clear1Click();
    void EditorFont1Click();
    void Help1Click();
    void About1Click();
    void ShowButtonClick();
    void BuildButtonClick();
    void New1Click();
    void Open1Click();
    // Open of a named file: the unsaved-changes question, then the set is read (Recent Sets, drops,
    // the command line).
    void OpenSetFile(const QString &path);
    bool Save1Click();
    bool SaveAs1Click();
    void Preferences1Click();
    void GrImageMouseMove(int x, int y);
    void ImportButtonClick();
    void ExportButtonClick();
    void AuxRomBits1Click();
    void DisplayAuxClick();
    void Print1Click();
    void PrintSetup1Click();
    // Selects the program line a message names in the current editor.
    void GoToMessageLine(int line);
    // Zoom about an image pixel by a factor (below 1 zooms in), keeping the world's proportions.
    void ZoomGraph(double factor, int x, int y);
    void ZoomIn1Click();
    void ZoomOut1Click();
    // Back to the graph Show drew, at the image's present size.
    void FitGraph1Click();
    void GrImageMousePress(int x, int y);
    void GrImageMouseRelease(int x, int y);
    void GrImageWheel(int x, int y, int angle);
    void GrImageMouseLeave();
    void ExportCsv1Click();
    void InsertTemplate1Click();
    void ProgramSummary1Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateMenus();
    void CreateControls();
    void FormResize();
    void SetUpEmptyGraph();
    void ClearGraphToAxes();
    void SetButtonsLarge(bool large);
    void SaveSnapshot();
    void KeepShownGraph(const CompilerState &compiler);
    void ForgetShownGraph();
    void RedrawGraph();
    void UpdateZoomActions();
    void UpdateCursorReadout();
    void ShowSummary(int program, const CompilerState &compiler);
    void ClearSummary(const QString &title, const QString &text);
    void CheckSummaryStale(int program);
    void ShowMessagesAndMarkLines();
    void MarkMessageLines(TProgramText &editor);
    void LoadSet(const QString &path);
    void RememberSet(const QString &path);
    void UpdateRecentMenu();
    CompileOptions Options(bool checkSteerRate = false);
    void ShowStatus(const QString &text);
    void HideStatus();
    void FocusCurrentEditorAtStart();
    bool AskToSaveChanges();
    bool WriteSet(const QString &path);
    void UpdateCaption();
    void MarkSetSaved();

    CompilerState m_compiler; // every compile of the window
    std::array<TProgramText *, 16> m_editors{};
    QWidget *m_client = nullptr;
    int m_cursorLine = 1, m_cursorColumn = 1;
    int m_mouseX = 0, m_mouseY = 0;
    int m_shownProgram = 255;
    QString m_setFileName;
    QStringList m_recentSets;
    std::unique_ptr<QPrinter> m_printer;
    QTemporaryDir m_scratch; // private folder of the plot snapshot, removed at shut-down

    // The last shown program's steps, kept for zoom, pan, Fit and the read-out: later compiles
    // (Build, Export, printing) overwrite the compiler's store.
    struct ShownGraph {
        std::unique_ptr<StepStore> steps; // null when nothing is kept
        int endIndex = 0;
        float maxSteer = 0;
        TWorldWindow fit;      // world 1 as Show set it
        TWorldWindow world;    // world 1 as the picture shows it
        TViewport area;        // plot area of the picture, pixels
        bool onScreen = false; // the picture shows these steps in `world`
        bool dragging = false;
        QPoint dragStart;
        TWorldWindow dragWorld; // the world when the drag started
    };
    ShownGraph m_graph;

    int m_summaryProgram = -1;
    ProgramText m_summaryLines; // the text the summary was compiled from
    bool m_summaryStale = false;
};
