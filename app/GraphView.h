// The window's program graph: the picture Show draws, zoom and pan, the step read-out, and the snapshot
// that the aux display goes back to.
#pragma once

#include "app/GraphImage.h"
#include "compiler/state.h"
#include "graph/canvas.h"
#include "graph/graphview.h"
#include "graph/overlay.h"
#include "graph/plot.h"
#include "graph/programgraph.h"
#include "graph/responsegraph.h"
#include "graph/rungraph.h"
#include "graph/ui/GraphFile.h"

#include <QFrame>
#include <QImage>
#include <QPointF>

#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QPainter;
class QToolButton;
class TempFolder;

// A trace drawn over the shown program in its own colour: a measured log, or another program.
struct GraphOverlay {
    enum class Kind { Measured, Program };
    Kind kind = Kind::Program;
    OverlayTrace trace;
};

// The framed graph panel: the picture and the Fit button over its corner, and the line under it that
// reads out the two cursors. It keeps a copy of the shown program's steps, because later compiles
// (Build, Export, printing) overwrite the window's state.
class TGraphView : public QFrame {
    Q_OBJECT
public:
    // compiler: the window's state, whose steps the aux display draws when no shown program is kept.
    explicit TGraphView(const CompilerState &compiler, QWidget *parent = nullptr);
    ~TGraphView() override;

    TGrImage *Image() const { return m_image; }
    QToolButton *FitButton() const { return m_fitButton; }
    // The program Show last drew (255 before the first Show), and the snapshot of its picture, in a
    // private temporary folder that goes at shut-down and when SIGINT, SIGTERM or SIGHUP stops the
    // window (empty when no folder could be made).
    int ShownProgram() const { return m_shownProgram; }
    QString SnapshotPath() const { return m_snapshotPath; }
    // Zoom and pan work while the picture shows the kept program or the run; Fit while a program is
    // kept or the run is shown.
    bool Zoomable() const { return m_onScreen && !m_responseShown; }
    bool Fittable() const { return m_steps != nullptr || m_runShown; }
    // The world Show set (fit), the world zoom and pan have moved to, and the plot area in pixels.
    TWorldWindow World() const { return m_window.view; }
    TWorldWindow FitWorld() const { return m_window.fit; }
    TViewport Area() const { return m_area; }
    // The mouse position in the world of the graph under it (time and steer, frequency and gain, ...),
    // for the status line.
    QPointF MouseWorld() const;

    // A blank picture of the panel's size with the empty graph's axes; the shown program stays kept,
    // and Fit draws it again.
    void NewEmptyGraph();
    // A picture of the panel's new size (every resize, a panel shown or hidden): the kept program in
    // the view it had, zoomed or not, or the empty graph's axes when the picture showed none.
    void FollowResize();
    // Clears the plot to its axes and forgets the shown program (Clear Program, New).
    void ClearToAxes();
    // Draws a program just compiled into the state as Show does, the aux traces when they are on, and
    // keeps its steps.
    void ShowProgram(int program, const CompilerState &state);
    // Live Show's drawing of a program just compiled into the state: as ShowProgram, but a zoomed or
    // panned view of the same program stays where it is; the read-out follows the new steps.
    void ShowLive(int program, const CompilerState &state);
    // The picture greyed out, with a note, while it does not match its program's text: the text was
    // edited or has errors, another set was opened, or Show of another program failed.
    void SetGreyed(bool greyed, const QString &note = {}) { m_image->SetGreyed(greyed, note); }

    // The traces over the shown program, drawn in its world with a legend: they follow zoom, pan and
    // Fit, and stay over later Shows until cleared.
    const std::vector<GraphOverlay> &Overlays() const { return m_overlays; }
    // Adds the overlay, or replaces the one of the same label (a measured one replaces the measured
    // one), and draws the graph again.
    void SetOverlay(GraphOverlay overlay);
    // Removes the overlays of a kind, or all of them, and draws the graph again.
    void RemoveOverlays(GraphOverlay::Kind kind);
    void ClearOverlays();

    // Whether the aux traces are drawn over the graph (View > Display Selected Aux ROM Bits).
    void SetAuxShown(bool shown) { m_auxShown = shown; }

    // The second cursor: a click on the plot area pins it at the step drawn nearest (a click on it takes
    // it off); the line under the graph reads it out, and with the mouse over the plot the time, steer
    // and mean steer rate from it to the step under the mouse. It stays while the same program is
    // drawn again (zoom, pan, Live Show) and goes when another is shown.
    QLabel *CursorStrip() const { return m_cursorStrip; }
    // The height of a line of the strips under the graph, in pixels.
    static constexpr int CursorStripLineHeight = 16;
    std::optional<StepReading> Pinned() const { return m_pinned; }
    void PinCursorAt(double time);
    void Unpin();

    // The frequency response of the shown sweep against its measured log (none without one), and the
    // view that draws it instead of the program: what quillard-cli plot --bode draws.
    void SetResponse(std::optional<ResponseCurve> curve);
    bool HasResponse() const { return m_response.has_value(); }
    void ShowResponse(bool shown);
    bool ResponseShown() const { return m_responseShown; }

    // The graph of an evaluated run of a program (none takes it away), and the view that draws it
    // instead of the program: zoom and pan move its time window, Fit shows its whole span, and the
    // cursors read every channel. Setting a run shows it; Show of another program goes back to the
    // program, and ShowRun brings the run back.
    void SetRun(std::optional<RunGraph> run, int program);
    const std::optional<RunGraph> &Run() const { return m_run; }
    void ShowRun(bool shown);
    bool RunShown() const { return m_runShown; }
    // The time window of the run view, and its whole span.
    std::pair<double, double> RunWindow() const { return m_runView; }
    std::pair<double, double> RunSpan() const;
    // The run's pinned cursor, a time (none when not pinned).
    std::optional<double> RunPin() const { return m_runPin; }

    // The picture on screen as a file's bytes: drawn afresh at the picture's size through the drawing
    // that quillard-cli plot uses, so the same view gives the same bytes. Throws std::runtime_error.
    QByteArray GraphFile(GraphFileKind kind);

public slots:
    // The aux display was switched: the shown program is drawn again with or without its traces.
    void DisplayAuxClick();
    // Zoom about an image pixel by a factor (below 1 zooms in), keeping the world's proportions.
    void ZoomGraph(double factor, int x, int y);
    void ZoomIn1Click();
    void ZoomOut1Click();
    // Back to the graph Show drew, at the image's present size.
    void FitGraph1Click();
    void GrImageMouseMove(int x, int y);
    void GrImageMousePress(int x, int y);
    void GrImageMouseRelease(int x, int y);
    void GrImageWheel(int x, int y, int angle);
    void GrImageMouseLeave();

signals:
    void mouseMoved();                        // the status line's graph position changed
    void readoutChanged(const QString &text); // the step under the mouse, or empty
    void zoomChanged();                       // Zoomable() or Fittable() may have changed
    void overlaysChanged();                   // an overlay came or went
    // Show (or Live Show, when live) is about to draw a program just compiled into the state.
    void showingProgram(int program, const CompilerState &state, bool live);
    void responseChanged(); // HasResponse() or ResponseShown() changed
    void runChanged();      // Run() or RunShown() changed

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    Canvas *Surface() const;
    void DrawProgram(int program, const CompilerState &state, bool live);
    void SaveSnapshot();
    void Keep(const CompilerState &state);
    void CopySteps(const CompilerState &state);
    void Forget();
    void Redraw();
    void UpdateZoomState();
    void UpdateReadout();
    void UpdatePin();
    void UpdateCursorStrip();
    void DrawResponse();
    void DrawRun();
    void ZoomRun(double factor, int x);
    void ShowView(bool response, bool run);
    void UpdateRunReadout(bool inside);
    void DrawOverlays();
    ShowOptions Options(bool withAux);
    void OverlaysChanged();

    const CompilerState &m_compiler;
    TGrImage *m_image;
    QToolButton *m_fitButton;
    std::unique_ptr<TempFolder> m_scratch; // private folder of the plot snapshot
    QString m_snapshotPath;
    int m_shownProgram = 255;
    bool m_auxShown = false;
    int m_mouseX = 0, m_mouseY = 0;
    bool m_mouseInside = false; // over the picture since the last move, not left since

    // The shown program's steps, and the worlds and plot area Show drew them in.
    std::unique_ptr<StepStore> m_steps; // null when nothing is kept
    int m_endIndex = 0;
    float m_maxSteer = 0;
    GraphWindow m_window;    // world 1 as Show set it and as the picture shows it
    TViewport m_area;        // plot area of the picture, pixels
    bool m_onScreen = false; // the picture shows the kept steps in m_window.view
    bool m_dragging = false;
    bool m_dragMoved = false; // a press that moved is a pan, one that did not a click
    QPoint m_dragStart;
    TWorldWindow m_dragWorld; // the world when the drag started
    std::vector<GraphOverlay> m_overlays;
    std::optional<StepReading> m_pinned, m_mouseReading;
    QLabel *m_cursorStrip;
    std::optional<ResponseCurve> m_response;
    bool m_responseShown = false;
    ResponseLayout m_responseLayout;
    std::optional<RunGraph> m_run;
    int m_runProgram = -1;
    bool m_runShown = false;
    std::pair<double, double> m_runView{0, 0}; // the time window shown
    RunLayout m_runLayout;
    std::optional<double> m_runPin, m_runMouse; // times of the pinned cursor and the mouse
    std::pair<double, double> m_dragRun{0, 0};  // the time window when the drag started
};
