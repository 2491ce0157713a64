// The window's program graph: the picture Show draws, zoom and pan, the step read-out, and the snapshot
// that the aux display goes back to.
#include "app/GraphView.h"

#include "app/ProgramText.h"
#include "compiler/format.h"
#include "files/fileio.h"
#include "files/tempfolder.h"
#include "graph/programgraph.h"
#include "graph/ui/QPainterCanvas.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

TGraphView::TGraphView(const CompilerState &compiler, QWidget *parent)
    : QFrame(parent), m_compiler(compiler) {
    setObjectName("ImgPanel");
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    m_image = new TGrImage(this);
    m_image->setObjectName("GrImage");
    m_fitButton = new QToolButton(this);
    m_fitButton->setObjectName("FitButton");
    m_fitButton->setText("Fit");
    m_fitButton->setToolTip("Show the whole program again (Ctrl+0)");
    m_fitButton->hide();
    connect(m_fitButton, &QToolButton::clicked, this, &TGraphView::FitGraph1Click);
    connect(m_image, &TGrImage::mouseMoved, this, &TGraphView::GrImageMouseMove);
    connect(m_image, &TGrImage::mousePressed, this, &TGraphView::GrImageMousePress);
    connect(m_image, &TGrImage::mouseReleased, this, &TGraphView::GrImageMouseRelease);
    connect(m_image, &TGrImage::wheelTurned, this, &TGraphView::GrImageWheel);
    connect(m_image, &TGrImage::mouseLeft, this, &TGraphView::GrImageMouseLeave);
    m_cursorStrip = new QLabel(parent);
    m_cursorStrip->setObjectName("CursorStrip");
    m_cursorStrip->setFont(ArialFont(11));
    m_cursorStrip->setContentsMargins(4, 0, 4, 0);
    m_cursorStrip->setToolTip(
        "Click the graph to pin a cursor there, click the pinned cursor to take it off");
    m_cursorStrip->hide();
    try {
        m_scratch = std::make_unique<TempFolder>("quillard");
        m_snapshotPath = FromPath(m_scratch->File("~imgsave.bmp"));
    } catch (const FileError &) {
        // Without a folder of its own the snapshot cannot be written: SaveSnapshot says so.
    }
}

TGraphView::~TGraphView() = default;

// The picture's drawing surface; none before the panel has its first size (the library then draws
// nothing).
Canvas *TGraphView::Surface() const { return m_image->Picture().isNull() ? nullptr : &m_image->Canvas(); }

QPointF TGraphView::MouseWorld() const {
    const int x = m_mouseX, y = m_mouseY;
    if (m_onScreen && m_responseShown) {
        const std::optional<TPointD> p = ResponsePointAt(m_responseLayout, x, y);
        return p ? QPointF(p->x, p->y) : QPointF();
    }
    if (m_onScreen && m_runShown) {
        const std::optional<RunPoint> p = RunPointAt(m_runLayout, x, y);
        return p ? QPointF(p->at.x, p->at.y) : QPointF();
    }
    if (m_onScreen) {
        const TPointD p = ViewPoint(m_area, m_window.view, x, y);
        return {p.x, p.y};
    }
    return {PixelToWorldX(x), PixelToWorldY(y)}; // the empty graph's axes
}

// The picture fills the panel, the Fit button stands in its top right corner, and the picture is drawn
// again at the new size.
void TGraphView::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    m_image->setGeometry(contentsRect());
    const QSize fit = m_fitButton->sizeHint();
    m_fitButton->setGeometry(contentsRect().right() - fit.width() - 2, contentsRect().top() + 2, fit.width(),
                             fit.height());
    FollowResize();
    if (m_pinned) UpdateCursorStrip(); // the strip under the graph has its width
}

void TGraphView::NewEmptyGraph() {
    m_image->NewPicture();
    SetUpEmptyGraph(m_image->Canvas(), m_image->Picture().width(), m_image->Picture().height());
    m_image->update();
    // The shown program stays kept: Fit draws it again at the new size.
    m_onScreen = false;
    m_dragging = false;
    m_image->SetMarker({});
    UpdateZoomState();
}

void TGraphView::FollowResize() {
    const bool shown = m_onScreen;
    NewEmptyGraph();
    if (!shown) return;
    m_onScreen = true;
    // A program shown before the picture had a size (Live Show at start-up) gets its snapshot now.
    if (m_steps && !m_runShown && !m_responseShown && m_window.view == m_window.fit &&
        !m_image->Picture().isNull() && !QFileInfo::exists(SnapshotPath())) {
        ShowProgramGraph(*m_steps, m_endIndex, m_maxSteer, Options(false));
        SaveSnapshot();
    }
    Redraw();
    // The same mouse pixel now stands for another time and angle.
    emit mouseMoved();
    UpdateReadout();
}

void TGraphView::ClearToAxes() {
    if (m_run) SetRun(std::nullopt, -1);
    m_image->SetGreyed(false);
    ClearGraphToAxes();
    m_image->update();
    Forget();
    if (!m_overlays.empty()) {
        m_overlays.clear();
        emit overlaysChanged();
    }
}

void TGraphView::ShowProgram(int program, const CompilerState &state) { DrawProgram(program, state, false); }

void TGraphView::DrawProgram(int program, const CompilerState &state, bool live) {
    // The overlays that depend on the program are brought up to date first, and drawn with it once.
    m_onScreen = false;
    emit showingProgram(program, state, live);
    if (program != m_shownProgram) m_pinned.reset();
    m_shownProgram = program;
    // Another program than the run's goes back to the program graph.
    if (m_runShown && program != m_runProgram) {
        m_runShown = false;
        emit runChanged();
    }
    // Drawn on the picture's own surface in its own viewport, whatever drew through the plot library
    // since (a printed page, a report, a file).
    SetGraphCanvas(Surface());
    SelectViewport(1);
    SetViewportRect(1, {0, 0}, {m_image->Picture().width(), m_image->Picture().height()});
    // The snapshot holds the picture as Show draws it without the aux traces (and without their
    // legend): switching the aux display off reloads it.
    ShowProgramGraph(state.steps, state.endIndex, state.MaxSteer, Options(false));
    SaveSnapshot();
    if (m_auxShown) ShowProgramGraph(state.steps, state.endIndex, state.MaxSteer, Options(true));
    Keep(state);
    m_image->SetGreyed(false);
    if (m_responseShown) DrawResponse();
    if (m_runShown) DrawRun();
    UpdatePin();
    m_image->update();
}

void TGraphView::ShowLive(int program, const CompilerState &state) {
    SetGraphCanvas(Surface());
    if (program != m_shownProgram || !m_steps || !m_onScreen || m_window.view == m_window.fit) {
        DrawProgram(program, state, true);
    } else {
        m_onScreen = false; // the overlays follow the new steps before the one drawing below
        emit showingProgram(program, state, true);
        m_onScreen = true;
        // The fit of the new steps, with the view left where the user put it.
        SetProgramWorld(state.steps, state.endIndex, state.MaxSteer);
        m_window.fit = Plot().worlds[1];
        CopySteps(state);
        m_image->SetGreyed(false);
        Redraw();
    }
    emit mouseMoved();
    UpdateReadout();
}

void TGraphView::SaveSnapshot() {
    // A picture without a size yet (the window not laid out) has nothing to keep: FollowResize saves
    // the snapshot once it has one.
    if (m_image->Picture().isNull()) return;
    if (m_snapshotPath.isEmpty())
        ShowError(this, "cannot write the graph's snapshot: no temporary folder could be made");
    else if (!m_image->Picture().save(SnapshotPath(), "BMP"))
        ShowError(this, "cannot write " + SnapshotPath());
}

// Keeps a copy of the shown program's steps and the world and plot area Show drew them in.
void TGraphView::Keep(const CompilerState &state) {
    CopySteps(state);
    m_window.fit = m_window.view = Plot().worlds[1];
    m_area = Plot().viewports[1];
    m_onScreen = true;
    UpdateZoomState();
}

void TGraphView::CopySteps(const CompilerState &state) {
    if (!m_steps) m_steps = std::make_unique<StepStore>();
    for (int i = 0; i < StepCount; ++i) (*m_steps)[i] = state.steps[i];
    m_endIndex = state.endIndex;
    m_maxSteer = state.MaxSteer;
}

void TGraphView::Forget() {
    m_steps.reset();
    m_onScreen = false;
    m_dragging = false;
    emit readoutChanged({});
    m_image->SetMarker({});
    Unpin();
    UpdateZoomState();
}

// Draws the kept program in world 1 as the view stands, through the same steps as Show: at the fit
// world the picture is the one Show drew for this image size.
void TGraphView::Redraw() {
    if (m_responseShown) return DrawResponse();
    if (m_runShown) return DrawRun();
    if (!m_steps) return;
    const QImage &picture = m_image->Picture();
    SetGraphCanvas(Surface());
    SelectViewport(1);
    SetViewportRect(1, {0, 0}, {picture.width(), picture.height()});
    ShowOptions options = Options(m_auxShown);
    options.window = m_window;
    ShowProgramGraph(*m_steps, m_endIndex, m_maxSteer, options);
    m_area = Plot().viewports[1];
    UpdatePin();
    m_image->update();
    UpdateZoomState();
}

void TGraphView::UpdateZoomState() {
    const bool fit =
        m_runShown ? m_onScreen && m_runView == RunSpan() : m_onScreen && m_window.view == m_window.fit;
    m_fitButton->setVisible((m_steps || m_runShown) && !m_responseShown && !fit);
    emit zoomChanged();
}

void TGraphView::DisplayAuxClick() {
    if (m_shownProgram >= ProgramCount || !QFileInfo::exists(SnapshotPath())) return;
    // The shown program, zoomed or not, is drawn again with or without the traces.
    if (m_onScreen) return Redraw();
    if (m_auxShown) {
        // The shown program's own steps: a Build or an Export since the Show has overwritten the
        // window's state with another program.
        if (m_steps)
            DrawAuxTraces(*m_steps, m_endIndex, AuxDisplay());
        else
            DrawAuxTraces(m_compiler.steps, m_compiler.endIndex, AuxDisplay());
        m_image->update();
        return;
    }
    const QImage snapshot(SnapshotPath(), "BMP");
    if (snapshot.isNull()) {
        ShowError(this, "cannot read " + SnapshotPath());
        return;
    }
    m_image->LoadPicture(snapshot);
    SetGraphCanvas(Surface());
}

void TGraphView::GrImageMouseMove(int x, int y) {
    m_mouseX = x;
    m_mouseY = y;
    m_mouseInside = true;
    // A press becomes a pan once the mouse has moved a few pixels; less is still a click.
    if (m_dragging && !m_dragMoved && (QPoint(x, y) - m_dragStart).manhattanLength() > 3) m_dragMoved = true;
    if (m_dragging && m_dragMoved && Zoomable() && m_runShown && !m_runLayout.areas.empty()) {
        // The time window moves with the mouse.
        const TViewport &a = m_runLayout.areas.front();
        const double dt =
            (x - m_dragStart.x()) * (m_dragRun.second - m_dragRun.first) / qMax(1, a.Right - a.Left);
        m_runView = {m_dragRun.first - dt, m_dragRun.second - dt};
        Redraw();
    } else if (m_dragging && m_dragMoved && Zoomable() && !m_runShown) {
        // The world moves with the mouse: the point grabbed stays under it.
        const TViewport &a = m_area;
        const TWorldWindow &w = m_dragWorld;
        const long double dx =
            static_cast<long double>(x - m_dragStart.x()) * (w.XHigh - w.XLow) / qMax(1, a.Right - a.Left);
        const long double dy =
            static_cast<long double>(y - m_dragStart.y()) * (w.YHigh - w.YLow) / qMax(1, a.Bottom - a.Top);
        m_window.view = PanWorld(w, static_cast<double>(-dx), static_cast<double>(dy));
        Redraw();
    }
    emit mouseMoved();
    UpdateReadout();
}

void TGraphView::GrImageMousePress(int x, int y) {
    if (!Zoomable()) return;
    m_dragging = true;
    m_dragMoved = false;
    m_dragStart = {x, y};
    m_dragWorld = m_window.view;
    m_dragRun = m_runView;
    m_image->setCursor(Qt::ClosedHandCursor);
}

void TGraphView::GrImageMouseRelease(int x, int y) {
    if (!m_dragging) return;
    m_dragging = false;
    m_image->setCursor(Qt::CrossCursor);
    if (m_dragMoved) return;
    if (m_runShown) {
        // A click on a strip pins the run's cursor at its time, or on the pinned cursor takes it off.
        const std::optional<RunPoint> p = RunPointAt(m_runLayout, x, y);
        if (!p) return;
        if (m_runPin && std::abs(x - m_image->PinX()) <= 4)
            m_runPin.reset();
        else
            m_runPin = p->at.x;
        UpdatePin();
        UpdateCursorStrip();
        return;
    }
    // A click on the plot area pins the cursor there, or on the pinned cursor takes it off.
    const TViewport &a = m_area;
    if (x < a.Left || x > a.Right || y < a.Top || y > a.Bottom) return;
    if (m_pinned && std::abs(x - m_image->PinX()) <= 4)
        Unpin();
    else
        PinCursorAt(ViewPoint(a, m_window.view, x, y).x);
}

void TGraphView::GrImageWheel(int x, int y, int angle) {
    // One notch (120) zooms in or out by a fifth; finer wheels turn by fractions of it.
    ZoomGraph(std::pow(0.8, angle / 120.0), x, y);
}

void TGraphView::GrImageMouseLeave() {
    m_mouseInside = false;
    m_mouseReading.reset();
    m_runMouse.reset();
    emit readoutChanged({});
    m_image->SetMarker({});
    UpdateCursorStrip();
}

void TGraphView::ZoomGraph(double factor, int x, int y) {
    if (!m_onScreen) return;
    if (m_runShown) {
        ZoomRun(factor, x);
        m_mouseX = x;
        m_mouseY = y;
        emit mouseMoved();
        UpdateReadout();
        return;
    }
    const TWorldWindow &w = m_window.view;
    const double fitSpan = m_window.fit.XHigh - m_window.fit.XLow;
    const double f = ClampZoomFactor(w.XHigh - w.XLow, fitSpan, factor);
    const TPointD at = ViewPoint(m_area, w, x, y);
    const TWorldWindow zoomed = ZoomWorld(w, at.x, at.y, f);
    // Zoomed all the way out is the graph Show drew.
    m_window.view = std::abs(zoomed.XHigh - zoomed.XLow) >= std::abs(fitSpan) ? m_window.fit : zoomed;
    Redraw();
    m_mouseX = x;
    m_mouseY = y;
    emit mouseMoved();
    UpdateReadout();
}

// The time window of the run view scaled about the time under a pixel column; all the way out it is
// the run's whole span.
void TGraphView::ZoomRun(double factor, int x) {
    const auto [from, to] = m_runView;
    const std::pair<double, double> span = RunSpan();
    const double f = ClampZoomFactor(to - from, span.second - span.first, factor);
    double t = (from + to) / 2;
    if (!m_runLayout.areas.empty()) {
        const TViewport &a = m_runLayout.areas.front();
        t = ViewPoint(a, m_runLayout.worlds.front(), std::clamp(x, a.Left, a.Right), a.Top).x;
    }
    const std::pair<double, double> zoomed{t - (t - from) * f, t + (to - t) * f};
    m_runView = zoomed.second - zoomed.first >= span.second - span.first ? span : zoomed;
    Redraw();
}

// The middle of the plot area, or of the run's strips.
static QPoint Middle(const TViewport &a) { return {(a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2}; }

// The keys zoom about the middle of the plot area.
void TGraphView::ZoomIn1Click() {
    const QPoint at = Middle(m_runShown && !m_runLayout.areas.empty() ? m_runLayout.areas.front() : m_area);
    ZoomGraph(0.5, at.x(), at.y());
}

void TGraphView::ZoomOut1Click() {
    const QPoint at = Middle(m_runShown && !m_runLayout.areas.empty() ? m_runLayout.areas.front() : m_area);
    ZoomGraph(2, at.x(), at.y());
}

void TGraphView::FitGraph1Click() {
    if (m_runShown) {
        m_runView = RunSpan();
        m_onScreen = true;
        Redraw();
        emit mouseMoved();
        UpdateReadout();
        return;
    }
    if (!m_steps) return;
    m_window.view = m_window.fit;
    m_onScreen = true;
    Redraw();
    // The status line's graph position is read in the new world as the read-out is.
    emit mouseMoved();
    UpdateReadout();
}

// The step nearest the mouse's time, while the mouse is over the plot area of the shown program.
void TGraphView::UpdateReadout() {
    const TViewport &a = m_area;
    // Only while the mouse is over the picture: a redraw after it left (Live Show, a key) brings no
    // marker back.
    const bool inside = m_mouseInside && m_mouseX >= a.Left && m_mouseX <= a.Right && m_mouseY >= a.Top &&
                        m_mouseY <= a.Bottom;
    if (m_runShown) return UpdateRunReadout(m_mouseInside && Zoomable());
    if (!Zoomable() || !inside) {
        m_mouseReading.reset();
        emit readoutChanged({});
        m_image->SetMarker({});
        UpdateCursorStrip();
        return;
    }
    const TWorldWindow &w = m_window.view;
    const TPointD at = ViewPoint(a, w, m_mouseX, m_mouseY);
    const StepReading reading = ReadStepAt(*m_steps, at.x);
    m_mouseReading = reading;
    emit readoutChanged(FromLatin1(StepReadingText(reading)));
    UpdateCursorStrip();
    // The ring sits on the trace at that step, when the step is inside the window.
    const double fx = (reading.time - w.XLow) / (w.XHigh - w.XLow);
    const double fy = (reading.steer - w.YLow) / (w.YHigh - w.YLow);
    if (fx < 0 || fx > 1 || fy < 0 || fy > 1) {
        m_image->SetMarker({});
        return;
    }
    m_image->SetMarker(
        QPoint(a.Left + qRound((a.Right - a.Left) * fx), a.Bottom - qRound((a.Bottom - a.Top) * fy)));
}

// The run's channels at the time under the mouse, on the status line and in the strip under the graph.
void TGraphView::UpdateRunReadout(bool inside) {
    m_image->SetMarker({});
    const std::optional<RunPoint> p = inside ? RunPointAt(m_runLayout, m_mouseX, m_mouseY) : std::nullopt;
    m_runMouse = p ? std::optional(p->at.x) : std::nullopt;
    emit readoutChanged(m_runMouse ? FromLatin1(RunReadingText(ReadRunAt(*m_run, *m_runMouse))) : QString());
    UpdateCursorStrip();
}

void TGraphView::SetOverlay(GraphOverlay overlay) {
    auto same = [&overlay](const GraphOverlay &o) {
        return overlay.kind == GraphOverlay::Kind::Measured ? o.kind == overlay.kind
                                                            : o.trace.label == overlay.trace.label;
    };
    auto at = std::find_if(m_overlays.begin(), m_overlays.end(), same);
    if (at != m_overlays.end())
        *at = std::move(overlay);
    else
        m_overlays.push_back(std::move(overlay));
    OverlaysChanged();
}

void TGraphView::RemoveOverlays(GraphOverlay::Kind kind) {
    if (std::erase_if(m_overlays, [kind](const GraphOverlay &o) { return o.kind == kind; }) > 0)
        OverlaysChanged();
}

void TGraphView::ClearOverlays() {
    if (m_overlays.empty()) return;
    m_overlays.clear();
    OverlaysChanged();
}

// The picture follows the list at once when it shows the kept program; after a resize Fit draws it.
void TGraphView::OverlaysChanged() {
    if (m_onScreen) Redraw();
    emit overlaysChanged();
}

// In world 1 as it stands, over the trace and under the aux traces.
void TGraphView::DrawOverlays() {
    for (const GraphOverlay &overlay : m_overlays) DrawOverlayTrace(overlay.trace);
}

// The overlays over the trace, the aux traces when asked for, and the legend naming them all.
ShowOptions TGraphView::Options(bool withAux) {
    ShowOptions options;
    options.aux = withAux ? &AuxDisplay() : nullptr;
    options.afterTrace = [this] { DrawOverlays(); };
    std::vector<LegendEntry> overlays;
    for (const GraphOverlay &overlay : m_overlays)
        overlays.push_back({overlay.trace.colour, overlay.trace.label});
    options.legend = GraphLegend("program " + std::to_string(m_shownProgram), overlays, options.aux);
    return options;
}

void TGraphView::PinCursorAt(double time) {
    if (!m_steps) return;
    m_pinned = ReadStepAt(*m_steps, time);
    UpdatePin();
    UpdateCursorStrip();
}

void TGraphView::Unpin() {
    m_pinned.reset();
    UpdatePin();
    UpdateCursorStrip();
}

// The pinned cursor over the picture: read again from the kept steps (Live Show may have changed them)
// and placed in the view as it stands.
void TGraphView::UpdatePin() {
    if (m_runShown) {
        // The run's cursor down all its strips, where its time is inside the window.
        const auto [from, to] = m_runView;
        if (!m_runPin || !m_onScreen || m_runLayout.areas.empty() || *m_runPin < from || *m_runPin > to)
            return m_image->SetPin(-1, 0, 0, {});
        const TViewport &first = m_runLayout.areas.front(), &last = m_runLayout.areas.back();
        const int x = first.Left + qRound((first.Right - first.Left) * (*m_runPin - from) / (to - from));
        return m_image->SetPin(x, first.Top, last.Bottom, {});
    }
    if (m_pinned && m_steps) m_pinned = ReadStepAt(*m_steps, m_pinned->time);
    const TViewport &a = m_area;
    const TWorldWindow &w = m_window.view;
    if (!m_pinned || !Zoomable() || w.XHigh == w.XLow || w.YHigh == w.YLow)
        return m_image->SetPin(-1, 0, 0, {});
    const double fx = (m_pinned->time - w.XLow) / (w.XHigh - w.XLow);
    const double fy = (m_pinned->steer - w.YLow) / (w.YHigh - w.YLow);
    if (fx < 0 || fx > 1) return m_image->SetPin(-1, 0, 0, {});
    const int x = a.Left + qRound((a.Right - a.Left) * fx);
    const QPoint ring = fy < 0 || fy > 1 ? QPoint() : QPoint(x, a.Bottom - qRound((a.Bottom - a.Top) * fy));
    m_image->SetPin(x, a.Top, a.Bottom, ring);
}

// "Pinned step 1024: t=1.0000 s  steer=10.000 deg    to step 2048: Δt=1.0000 s  Δsteer=20.000 deg
// slope=20.0 deg/s", the second half while the mouse is over the plot.
void TGraphView::UpdateCursorStrip() {
    if (m_runShown) {
        // Every channel at the pinned cursor, and at the mouse with the time between them.
        m_cursorStrip->setVisible(m_runPin.has_value());
        if (!m_runPin) return m_cursorStrip->clear();
        QString text = "Pinned " + FromLatin1(RunReadingText(ReadRunAt(*m_run, *m_runPin)));
        if (m_runMouse)
            text += "\nMouse " + FromLatin1(RunReadingText(ReadRunAt(*m_run, *m_runMouse))) +
                    QString("  \u0394t=%1 s").arg(FromLatin1(Fixed(*m_runMouse - *m_runPin, 4)));
        m_cursorStrip->setFixedHeight(2 * CursorStripLineHeight);
        m_cursorStrip->setText(text);
        return;
    }
    m_cursorStrip->setVisible(m_pinned.has_value());
    if (!m_pinned) return m_cursorStrip->clear();
    // The pinned step, then the span to the step under the mouse.
    const auto parts = [this](const QString &gap) {
        const StepReading &p = *m_pinned;
        QStringList text{QString("Pinned step %1: t=%2 s%3steer=%4 deg")
                             .arg(p.index)
                             .arg(FromLatin1(Fixed(p.time, 4)))
                             .arg(gap)
                             .arg(FromLatin1(Fixed(p.steer, 3)))};
        if (!m_mouseReading) return text;
        const CursorSpan span = SpanBetween(p, *m_mouseReading);
        return text << QString("to step %1: \u0394t=%2 s%3\u0394steer=%4 deg%3slope=%5")
                           .arg(m_mouseReading->index)
                           .arg(FromLatin1(Fixed(span.dt, 4)))
                           .arg(gap)
                           .arg(FromLatin1(Fixed(span.dsteer, 3)))
                           .arg(span.slope ? FromLatin1(Fixed(*span.slope, 1)) + " deg/s" : QString("none"));
    };
    // Spaced out on one line when it has the room, closer together when the graph is narrower, on two
    // lines when even that could not fit. The line count follows the width alone, so the graph keeps
    // its height as the mouse moves.
    const QFontMetrics metrics = m_cursorStrip->fontMetrics();
    const QMargins margins = m_cursorStrip->contentsMargins();
    const int room = width() - margins.left() - margins.right();
    const bool twoLines =
        metrics.horizontalAdvance("Pinned step 16383: t=99.9999 s steer=-100.000 deg; to step 16383: "
                                  "\u0394t=-99.9999 s \u0394steer=-200.000 deg slope=-9999.9 deg/s") > room;
    m_cursorStrip->setFixedHeight(twoLines ? 2 * CursorStripLineHeight : CursorStripLineHeight);
    const QString wide = parts("  ").join("      ");
    if (twoLines)
        m_cursorStrip->setText(parts("  ").join('\n'));
    else
        m_cursorStrip->setText(metrics.horizontalAdvance(wide) <= room ? wide : parts(" ").join("; "));
}
