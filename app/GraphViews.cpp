// The graph's views instead of the program: the frequency response of a sweep and an evaluated run, and
// the graph as it stands saved as a file.
#include "app/GraphView.h"

#include "graph/programgraph.h"
#include "graph/ui/QPainterCanvas.h"

#include <algorithm>

void TGraphView::SetResponse(std::optional<ResponseCurve> curve) {
    const bool had = m_response.has_value();
    m_response = std::move(curve);
    if (m_responseShown && !m_response) return ShowResponse(false);
    if (m_responseShown) DrawResponse();
    if (had != m_response.has_value()) emit responseChanged();
}

void TGraphView::ShowResponse(bool shown) {
    shown = shown && m_response.has_value();
    if (shown == m_responseShown) return;
    ShowView(shown, shown ? false : m_runShown);
}

void TGraphView::SetRun(std::optional<RunGraph> run, int program) {
    m_run = std::move(run);
    m_runProgram = program;
    m_runPin.reset();
    m_runMouse.reset();
    if (m_run) m_runView = RunSpan();
    if (m_run && !m_runShown)
        ShowView(false, true);
    else if (m_run)
        Redraw();
    else if (m_runShown)
        ShowView(m_responseShown, false);
    UpdatePin();
    UpdateCursorStrip();
    emit runChanged();
}

std::pair<double, double> TGraphView::RunSpan() const {
    return m_run ? std::pair{m_run->from, m_run->to} : std::pair{0.0, 0.0};
}

void TGraphView::ShowRun(bool shown) {
    shown = shown && m_run.has_value();
    if (shown == m_runShown) return;
    ShowView(shown ? false : m_responseShown, shown);
}

// One of the views instead of the program (the frequency response or the run), or the program in the
// view it had.
void TGraphView::ShowView(bool response, bool run) {
    const bool responseChanged = response != m_responseShown, runChanged = run != m_runShown;
    m_responseShown = response;
    m_runShown = run;
    const bool kept = m_onScreen;
    NewEmptyGraph();
    m_onScreen = kept || response || run;
    if (response)
        DrawResponse();
    else if (run)
        DrawRun();
    else if (m_steps && kept)
        Redraw(); // the program in the view it had
    else
        m_onScreen = false;
    UpdateReadout();
    UpdatePin();
    UpdateZoomState();
    UpdateCursorStrip();
    if (responseChanged) emit this->responseChanged();
    if (runChanged) emit this->runChanged();
}

// The gain and phase of the sweep over the whole picture, as plot --bode draws them.
void TGraphView::DrawResponse() {
    const QImage &picture = m_image->Picture();
    if (picture.isNull()) return;
    m_responseLayout = DrawResponseGraph(m_image->Canvas(), picture.width(), picture.height(), *m_response);
    m_image->update();
}

// The run's strips over the time window, and its fit.
void TGraphView::DrawRun() {
    const QImage &picture = m_image->Picture();
    if (picture.isNull()) return;
    m_runLayout = DrawRunGraph(m_image->Canvas(), picture.width(), picture.height(), *m_run, m_runView.first,
                               m_runView.second);
    UpdatePin();
    m_image->update();
    UpdateZoomState();
}

QByteArray TGraphView::GraphFile(GraphFileKind kind) {
    const int width = m_image->Picture().width(), height = m_image->Picture().height();
    std::function<void(Canvas &)> draw;
    GraphPicture picture;
    if (m_responseShown) {
        draw = [&](Canvas &canvas) { DrawResponseGraph(canvas, width, height, *m_response); };
    } else if (m_runShown) {
        draw = [&](Canvas &canvas) {
            DrawRunGraph(canvas, width, height, *m_run, m_runView.first, m_runView.second);
        };
    } else if (m_steps && m_onScreen) {
        picture.programLabel = "program " + std::to_string(m_shownProgram);
        picture.aux = m_auxShown ? &AuxDisplay() : nullptr;
        picture.window = m_window;
        for (const GraphOverlay &overlay : m_overlays) picture.overlays.push_back(overlay.trace);
        draw = [&](Canvas &canvas) {
            DrawGraphPicture(canvas, width, height, *m_steps, m_endIndex, m_maxSteer, picture);
        };
    } else {
        draw = [&](Canvas &canvas) { SetUpEmptyGraph(canvas, width, height); };
    }
    // The window's own drawing surface comes back once the file is drawn, also when it fails.
    const PlotScope scope(GetGraphCanvas());
    return GraphFileBytes(kind, width, height, draw);
}
