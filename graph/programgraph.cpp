// The program graph: the steer trace of the step store, the aux flag traces over it, and the empty
// axes of the graph image.
#include "graph/programgraph.h"

#include <algorithm>

namespace {

constexpr int LastStep = StepCount - 1;

int ClampStep(int index) { return std::clamp(index, 0, LastStep); }

// One second past the program's end, in the time units of world 1 and world 2.
double EndOfPlot(const StepStore &steps, int endIndex) {
    return static_cast<double>(static_cast<long double>(steps[ClampStep(endIndex)].time) + 1.0L);
}

void DrawAuxTrace(const StepStore &steps, int flag) {
    float prevX = 0, prevY = 0;
    int repeatIndex = 0;
    for (int i = 0; i <= LastStep; ++i) {
        const StepPosition at = RepeatedStep(steps, i, repeatIndex);
        const float y = steps[at.source].flags[flag];
        if (y != prevY || i == LastStep) {
            // Carry the old level out to the previous step, then rise or fall to the new one.
            WorldLineTo(prevX, prevY);
            WorldLineTo(at.x, y);
            prevY = y;
        }
        prevX = at.x;
        const StepRecord &step = steps[i];
        if (IsEndStep(step) && i < LastStep) {
            WorldLineTo(steps[LastStep].time, y);
            return;
        }
        if (IsRepeatStep(step) && repeatIndex == 0) {
            WorldLineTo(at.x, y);
            repeatIndex = i;
        }
    }
}

} // namespace

AuxDisplaySettings &AuxDisplay() {
    static AuxDisplaySettings settings;
    return settings;
}

void SetUpEmptyGraph(Canvas &canvas, int width, int height) {
    SetGraphCanvas(&canvas);
    InitGraph();
    SetViewportRect(1, {0, 0}, {width, height});
    SetWorldRect(1, PointD(0, -110), PointD(64, 110));
    SelectWorld(1);
    SelectViewport(1);
    DrawAxes(8, 10);
}

void ClearGraphToAxes() {
    RestoreFullViewport();
    ClearViewport(1);
    DrawAxes(8, 10);
}

void SetProgramWorld(const StepStore &steps, int endIndex, float maxSteer) {
    const auto reach = static_cast<double>(1.1L * maxSteer);
    SetWorldRect(1, PointD(0, -reach), PointD(EndOfPlot(steps, endIndex), reach));
    SelectWorld(1);
    SetDrawColor(Colors::Black);
}

void DrawProgramTrace(const StepStore &steps) {
    float lastX = 0, drawnX = 0, drawnY = 0;
    int repeatIndex = 0;
    bool stopped = false;
    // Draws the held level of the previous step out to the last time reached.
    auto flush = [&] {
        if (lastX != drawnX) {
            WorldLineTo(lastX, drawnY);
            drawnX = lastX;
        }
    };
    WorldMoveTo(0, 0);
    for (int i = 0; i <= LastStep; ++i) {
        if (stopped && i != LastStep) continue;
        const StepRecord &step = steps[i];
        if (i == 0 || step.bit15 != steps[i - 1].bit15) {
            flush();
            SetDrawColor(step.bit15 ? Colors::Red : Colors::Black);
        }
        const StepPosition at = RepeatedStep(steps, i, repeatIndex);
        const float y = steps[at.source].steer;
        if (y != drawnY || i == LastStep) {
            flush();
            WorldLineTo(at.x, y);
            drawnX = at.x;
            drawnY = y;
        }
        lastX = at.x;
        if (IsEndStep(step) && i < LastStep) {
            flush();
            SetDrawColor(Colors::Yellow);
            stopped = true;
        }
        if (IsRepeatStep(step) && repeatIndex == 0) {
            flush();
            repeatIndex = i;
            SetDrawColor(Colors::Aqua);
        }
    }
}

void DrawAuxTraces(const StepStore &steps, int endIndex, const AuxDisplaySettings &settings,
                   const TWorldWindow *world) {
    for (int flag = 0; flag < 8; ++flag) {
        if (!settings.selected[flag]) continue;
        if (world)
            SetWorldRect(2, PointD(world->XLow, world->YLow), PointD(world->XHigh, world->YHigh));
        else
            SetWorldRect(2, PointD(0, -10), PointD(EndOfPlot(steps, endIndex), 110));
        SelectWorld(2);
        SetDrawColor(settings.colour[flag]);
        WorldMoveTo(0, 0);
        DrawAuxTrace(steps, flag);
        SetDrawColor(Colors::Black);
    }
    SelectWorld(1);
}

void ShowProgramGraph(const StepStore &steps, int endIndex, float maxSteer, const ShowOptions &options) {
    const std::optional<GraphWindow> &window = options.window;
    if (window) {
        SetWorldRect(1, PointD(window->view.XLow, window->view.YLow),
                     PointD(window->view.XHigh, window->view.YHigh));
        SelectWorld(1);
        SetDrawColor(Colors::Black);
    } else {
        SetProgramWorld(steps, endIndex, maxSteer);
    }
    RestoreFullViewport();
    ClearViewport(1);
    // The legend's band takes the top of the viewport; the axes and traces the rest.
    const TViewport full = Plot().viewports[1];
    const int band = LegendBand(options.legend, full, false);
    Plot().viewports[1].Top += band;
    DrawAxes(8, 10);
    DrawProgramTrace(steps);
    if (options.afterTrace) options.afterTrace();
    SetDrawColor(Colors::Black);
    if (options.aux) {
        // The aux traces of a zoomed or panned graph zoom with it; at the fit world they are Show's.
        if (window && !(window->view == window->fit)) {
            const TWorldWindow aux = AuxWorldFor(window->fit, window->view);
            DrawAuxTraces(steps, endIndex, *options.aux, &aux);
        } else {
            DrawAuxTraces(steps, endIndex, *options.aux);
        }
    }
    if (band > 0) {
        LegendBand(options.legend, full, true);
        Plot().fullArea = full; // the next drawing starts from the whole viewport again
    }
}

void DrawProgramGraph(Canvas &canvas, int width, int height, const StepStore &steps, int endIndex,
                      float maxSteer, const AuxDisplaySettings *aux) {
    SetUpEmptyGraph(canvas, width, height);
    ShowProgramGraph(steps, endIndex, maxSteer, {aux, {}, {}, {}});
}

std::vector<LegendEntry> GraphLegend(const std::string &programLabel, std::vector<LegendEntry> overlays,
                                     const AuxDisplaySettings *aux) {
    std::vector<LegendEntry> legend;
    for (int flag = 0; aux && flag < 8; ++flag)
        if (aux->selected[flag])
            overlays.push_back({aux->colour[flag], "aux bit " + std::to_string(flag + 1)});
    if (overlays.empty()) return legend;
    legend.push_back({Colors::Black, programLabel});
    legend.insert(legend.end(), overlays.begin(), overlays.end());
    return legend;
}

DrawnGraph DrawGraphPicture(Canvas &canvas, int width, int height, const StepStore &steps, int endIndex,
                            float maxSteer, const GraphPicture &picture) {
    const PlotScope scope(&canvas);
    SetUpEmptyGraph(canvas, width, height);
    ShowOptions options;
    options.aux = picture.aux;
    options.window = picture.window;
    options.afterTrace = [&picture] {
        for (const OverlayTrace &trace : picture.overlays) DrawOverlayTrace(trace);
    };
    std::vector<LegendEntry> overlays;
    for (const OverlayTrace &trace : picture.overlays) overlays.push_back({trace.colour, trace.label});
    options.legend = GraphLegend(picture.programLabel, overlays, picture.aux);
    ShowProgramGraph(steps, endIndex, maxSteer, options);
    return {Plot().viewports[1], Plot().worlds[1]};
}
