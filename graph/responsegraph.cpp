// A frequency response drawn as two graphs over frequency: gain in dB above, phase in degrees below.
#include "graph/responsegraph.h"

#include "compiler/format.h"
#include "graph/overlay.h"
#include "graph/plot.h"

#include <algorithm>
#include <cmath>

namespace {

// One trace of a panel: its values over its frequencies, the marked ones apart.
struct PanelTrace {
    const std::vector<double> *frequency, *values;
    const std::vector<char> *marked;
    Color colour;
    std::string label;
    bool Marked(std::size_t i) const { return marked && i < marked->size() && (*marked)[i]; }
};

// The range of the values that are figures, widened by a margin and rounded out to whole multiples of it.
std::pair<double, double> RangeOf(const std::vector<PanelTrace> &traces, double margin) {
    double low = INFINITY, high = -INFINITY;
    for (const PanelTrace &t : traces)
        for (std::size_t i = 0; i < t.values->size(); ++i)
            if (!t.Marked(i) && std::isfinite((*t.values)[i]))
                low = std::min(low, (*t.values)[i]), high = std::max(high, (*t.values)[i]);
    if (!std::isfinite(low)) return {-margin, margin};
    return {std::floor(low / margin) * margin - margin, std::ceil(high / margin) * margin + margin};
}

void Cross(Canvas &canvas, double f, double value) {
    const TWorldWindow w = EffectiveWorld();
    if (!(f >= w.XLow && f <= w.XHigh && value >= w.YLow && value <= w.YHigh)) return;
    const int x = WorldToPixelX(f), y = WorldToPixelY(value);
    canvas.MoveTo(x - 3, y - 3);
    canvas.LineTo(x + 4, y + 4);
    canvas.MoveTo(x - 3, y + 3);
    canvas.LineTo(x + 4, y - 4);
}

void DrawPanel(Canvas &canvas, int number, double from, double to, const std::vector<PanelTrace> &traces,
               double margin) {
    const auto [low, high] = RangeOf(traces, margin);
    SetWorldRect(number, PointD(from, low), PointD(to, high));
    SelectWorld(number);
    SelectViewport(number);
    DrawAxes(8, 10);
    // The unit of the frequency axis in the corner left of its labels, clear of the trace.
    const TViewport &full = Plot().fullArea, &area = Plot().viewports[number];
    const Font saved = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, false});
    canvas.TextOut(full.Left + 4, area.Bottom + (full.Bottom - area.Bottom - canvas.TextHeight("Hz")) / 2,
                   "Hz");
    canvas.SetFont(saved);
    std::vector<LegendEntry> legend;
    for (const PanelTrace &t : traces) {
        // The line through the figures, broken where one is marked; the marked ones as crosses.
        OverlayTrace line{{}, t.colour, t.label};
        auto flush = [&] {
            if (line.points.size() > 1) DrawOverlayTrace(line);
            line.points.clear();
        };
        for (std::size_t i = 0; i < t.frequency->size(); ++i) {
            if (t.Marked(i)) {
                flush();
                continue;
            }
            line.points.push_back(PointD((*t.frequency)[i], (*t.values)[i]));
        }
        flush();
        if (t.marked) {
            const Pen pen = canvas.GetPen();
            canvas.SetPen(Pen{Color{110, 110, 110}, 1, PenStyle::Solid});
            for (std::size_t i = 0; i < t.frequency->size(); ++i)
                if (t.Marked(i)) Cross(canvas, (*t.frequency)[i], (*t.values)[i]);
            canvas.SetPen(pen);
        }
        legend.push_back({t.colour, t.label});
    }
    DrawLegend(legend);
}

} // namespace

void DrawResponseGraph(Canvas &canvas, int width, int height, const ResponseCurve &curve) {
    SetGraphCanvas(&canvas);
    InitGraph();
    SetViewportRect(1, {0, 0}, {width, height / 2});
    SetViewportRect(2, {0, height / 2}, {width, height});
    ClearViewport(1);
    ClearViewport(2);
    const bool steer = curve.frequency.size() >= 2;
    double from = steer ? curve.frequency.front() : INFINITY, to = steer ? curve.frequency.back() : -INFINITY;
    for (const ResponseTrace &t : curve.vehicle)
        if (!t.frequency.empty())
            from = std::min(from, t.frequency.front()), to = std::max(to, t.frequency.back());
    if (!std::isfinite(from) || !(to > from)) return;
    // Alone, the steer's traces are named by their quantity; beside the vehicle's, by what they are.
    const bool alone = curve.vehicle.empty();
    std::vector<PanelTrace> gains, phases;
    if (steer) {
        gains.push_back({&curve.frequency, &curve.gainDb, nullptr, OverlayColours::Blue,
                         alone ? "gain, dB" : "steer, measured per commanded"});
        phases.push_back({&curve.frequency, &curve.phaseDeg, nullptr, OverlayColours::Blue,
                          alone ? "phase, deg" : "steer, measured per commanded"});
    }
    for (const ResponseTrace &t : curve.vehicle) {
        gains.push_back({&t.frequency, &t.gainDb, &t.marked, t.colour, t.label});
        phases.push_back({&t.frequency, &t.phaseDeg, &t.marked, t.colour, t.label});
    }
    DrawPanel(canvas, 1, from, to, gains, 1);
    if (!alone)
        canvas.TextOut(Plot().viewports[1].Left + 4, Plot().viewports[1].Top + 2, "gain, dB (x: no figure)");
    if (curve.bandwidthHz) {
        // The -3 dB frequency as a dotted line across the gain graph, named beside it.
        const Pen saved = canvas.GetPen();
        canvas.SetPen(Pen{Colors::Black, 1, PenStyle::Dot});
        const TWorldWindow w = EffectiveWorld();
        WorldMoveTo(*curve.bandwidthHz, w.YLow);
        WorldLineTo(*curve.bandwidthHz, w.YHigh);
        canvas.SetPen(saved);
        canvas.TextOut(WorldToPixelX(*curve.bandwidthHz) + 3,
                       WorldToPixelY(w.YLow) - canvas.TextHeight("X") - 2,
                       "-3 dB at " + FormatFixed(*curve.bandwidthHz, 0, 3) + " Hz");
    }
    DrawPanel(canvas, 2, from, to, phases, 10);
    if (!alone) canvas.TextOut(Plot().viewports[2].Left + 4, Plot().viewports[2].Top + 2, "phase, deg");
}
