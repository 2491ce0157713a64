// The window's program graph: the picture Show draws, zoom and pan, the step read-out, and the snapshot
// that the aux display goes back to.
#include "app/GraphView.h"

#include "app/ProgramText.h"
#include "graph/programgraph.h"
#include "graph/ui/QPainterCanvas.h"
#include "uikit/Modal.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

TGrImage::TGrImage(QWidget *parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TGrImage::~TGrImage() {
    m_canvas.reset();
    m_painter.reset();
}

void TGrImage::NewPicture() {
    // The painter lets go of the old picture before it is replaced.
    m_canvas.reset();
    m_painter.reset();
    m_picture = QImage(qMax(1, width()), qMax(1, height()), QImage::Format_RGB32);
    m_picture.fill(Qt::white);
    m_painter = std::make_unique<QPainter>(&m_picture);
    m_canvas = std::make_unique<QPainterCanvas>(*m_painter);
    update();
}

void TGrImage::LoadPicture(const QImage &image) {
    m_canvas.reset();
    m_painter.reset();
    m_picture = image.convertToFormat(QImage::Format_RGB32);
    m_painter = std::make_unique<QPainter>(&m_picture);
    m_canvas = std::make_unique<QPainterCanvas>(*m_painter);
    update();
}

void TGrImage::SetMarker(const QPoint &at) {
    if (at == m_marker) return;
    m_marker = at;
    update();
}

void TGrImage::SetGreyed(bool greyed, const QString &note) {
    if (greyed == m_greyed && (note == m_note || !greyed)) return;
    m_greyed = greyed;
    m_note = greyed ? note : QString();
    update();
}

void TGrImage::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, m_picture);
    if (m_greyed) {
        painter.fillRect(rect(), QColor(240, 240, 240, 170));
        if (!m_note.isEmpty()) {
            // The note across the top, clear of the axis labels at the left.
            painter.setFont(ArialFont(12));
            const QRect text =
                painter.fontMetrics()
                    .boundingRect(rect().adjusted(60, 6, -60, 0), Qt::AlignHCenter | Qt::TextWordWrap, m_note)
                    .adjusted(-6, -3, 6, 3);
            painter.setPen(QColor(120, 120, 120));
            painter.setBrush(QColor(255, 255, 240, 230));
            painter.drawRect(text);
            painter.setPen(Qt::black);
            painter.drawText(text, Qt::AlignCenter | Qt::TextWordWrap, m_note);
        }
    }
    if (!m_marker.isNull()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0, 0, 255), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(m_marker), 4, 4);
    }
}

void TGrImage::mouseMoveEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    emit mouseMoved(p.x(), p.y());
}

void TGrImage::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    emit mousePressed(p.x(), p.y());
}

void TGrImage::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const QPoint p = event->position().toPoint();
    emit mouseReleased(p.x(), p.y());
}

void TGrImage::wheelEvent(QWheelEvent *event) {
    const QPoint p = event->position().toPoint();
    const int angle = event->angleDelta().y();
    if (angle == 0) return QWidget::wheelEvent(event);
    event->accept();
    emit wheelTurned(p.x(), p.y(), angle);
}

void TGrImage::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    emit mouseLeft();
}

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
}

QString TGraphView::SnapshotPath() const { return m_scratch.filePath("~imgsave.bmp"); }

QPointF TGraphView::MouseWorld() const { return {PixelToWorldX(m_mouseX), PixelToWorldY(m_mouseY)}; }

void TGraphView::SetGeometry(const QRect &rect) {
    setGeometry(rect);
    m_image->setGeometry(contentsRect());
    const QSize fit = m_fitButton->sizeHint();
    m_fitButton->setGeometry(contentsRect().right() - fit.width() - 2, contentsRect().top() + 2, fit.width(),
                             fit.height());
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
    Redraw();
    // The same mouse pixel now stands for another time and angle.
    emit mouseMoved();
    UpdateReadout();
}

void TGraphView::ClearToAxes() {
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
    ShowOptions options;
    options.aux = m_auxShown ? &AuxDisplay() : nullptr;
    // The snapshot holds the picture without aux traces: switching the aux display off reloads it.
    options.afterTrace = [this] {
        DrawOverlays();
        SaveSnapshot();
    };
    m_shownProgram = program;
    ShowProgramGraph(state.steps, state.endIndex, state.MaxSteer, options);
    DrawOverlayLegend();
    Keep(state);
    m_image->SetGreyed(false);
    m_image->update();
}

void TGraphView::ShowLive(int program, const CompilerState &state) {
    SetGraphCanvas(&m_image->Canvas());
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
    if (!m_scratch.isValid() || !m_image->Picture().save(SnapshotPath(), "BMP"))
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
    UpdateZoomState();
}

// Draws the kept program in world 1 as the view stands, through the same steps as Show: at the fit
// world the picture is the one Show drew for this image size.
void TGraphView::Redraw() {
    if (!m_steps) return;
    const QImage &picture = m_image->Picture();
    SetGraphCanvas(&m_image->Canvas());
    SelectViewport(1);
    SetViewportRect(1, {0, 0}, {picture.width(), picture.height()});
    ShowOptions options;
    options.aux = m_auxShown ? &AuxDisplay() : nullptr;
    options.window = m_window;
    options.afterTrace = [this] { DrawOverlays(); };
    ShowProgramGraph(*m_steps, m_endIndex, m_maxSteer, options);
    DrawOverlayLegend();
    m_area = Plot().viewports[1];
    m_image->update();
    UpdateZoomState();
}

void TGraphView::UpdateZoomState() {
    m_fitButton->setVisible(m_steps && !(m_onScreen && m_window.view == m_window.fit));
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
    SetGraphCanvas(&m_image->Canvas());
}

void TGraphView::GrImageMouseMove(int x, int y) {
    m_mouseX = x;
    m_mouseY = y;
    if (m_dragging && m_onScreen) {
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
    if (!m_onScreen) return;
    m_dragging = true;
    m_dragStart = {x, y};
    m_dragWorld = m_window.view;
    m_image->setCursor(Qt::ClosedHandCursor);
}

void TGraphView::GrImageMouseRelease(int, int) {
    if (!m_dragging) return;
    m_dragging = false;
    m_image->setCursor(Qt::CrossCursor);
}

void TGraphView::GrImageWheel(int x, int y, int angle) {
    // One notch (120) zooms in or out by a fifth; finer wheels turn by fractions of it.
    ZoomGraph(std::pow(0.8, angle / 120.0), x, y);
}

void TGraphView::GrImageMouseLeave() {
    emit readoutChanged({});
    m_image->SetMarker({});
}

void TGraphView::ZoomGraph(double factor, int x, int y) {
    if (!m_onScreen) return;
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

// The keys zoom about the middle of the plot area.
void TGraphView::ZoomIn1Click() {
    ZoomGraph(0.5, (m_area.Left + m_area.Right) / 2, (m_area.Top + m_area.Bottom) / 2);
}

void TGraphView::ZoomOut1Click() {
    ZoomGraph(2, (m_area.Left + m_area.Right) / 2, (m_area.Top + m_area.Bottom) / 2);
}

void TGraphView::FitGraph1Click() {
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
    const bool inside =
        m_mouseX >= a.Left && m_mouseX <= a.Right && m_mouseY >= a.Top && m_mouseY <= a.Bottom;
    if (!m_onScreen || !inside) {
        emit readoutChanged({});
        m_image->SetMarker({});
        return;
    }
    const TWorldWindow &w = m_window.view;
    const TPointD at = ViewPoint(a, w, m_mouseX, m_mouseY);
    const StepReading reading = ReadStepAt(*m_steps, at.x);
    emit readoutChanged(FromLatin1(StepReadingText(reading)));
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

// Last, so that no trace crosses it: the shown program in black, then each overlay.
void TGraphView::DrawOverlayLegend() {
    if (m_overlays.empty()) return;
    std::vector<LegendEntry> entries{{Colors::Black, "program " + std::to_string(m_shownProgram)}};
    for (const GraphOverlay &overlay : m_overlays)
        entries.push_back({overlay.trace.colour, overlay.trace.label});
    // Left of the Fit button, which shows over the corner while the graph is zoomed.
    DrawLegend(entries, m_fitButton->sizeHint().width() + 2);
}
