// A frequency response drawn as two graphs over frequency: gain in dB above, phase in degrees below.
#include "graph/responsegraph.h"

#include "compiler/format.h"
#include "graph/graphview.h"
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

void Cross(Canvas &canvas, double x0, double value) {
    const TWorldWindow w = EffectiveWorld();
    if (!(x0 >= w.XLow && x0 <= w.XHigh && value >= w.YLow && value <= w.YHigh)) return;
    const int x = WorldToPixelX(x0), y = WorldToPixelY(value);
    canvas.MoveTo(x - 3, y - 3);
    canvas.LineTo(x + 4, y + 4);
    canvas.MoveTo(x - 3, y + 3);
    canvas.LineTo(x + 4, y - 4);
}

// The world's x of a frequency: Hz, or decades on a logarithmic axis.
double AxisX(double frequency, bool logarithmic) { return logarithmic ? std::log10(frequency) : frequency; }

// A logarithmic frequency axis's ticks and labels under the plot area, each label only where it
// clears the one before.
void DrawDecadeAxis(Canvas &canvas, const TViewport &area) {
    const TWorldWindow w = EffectiveWorld();
    const Font saved = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, false});
    const int tick = canvas.TextWidth("-");
    int clear = area.Left - 1000000;
    for (double f : DecadeTicks(std::pow(10.0, w.XLow), std::pow(10.0, w.XHigh))) {
        const int x = WorldToPixelX(std::log10(f));
        canvas.MoveTo(x, area.Bottom);
        canvas.LineTo(x, area.Bottom + tick);
        const std::string text = ShortestFixed(static_cast<float>(f));
        const int width = canvas.TextWidth(text);
        if (x - width / 2 <= clear) continue;
        canvas.TextOut(x - width / 2, area.Bottom + (5 * tick) / 4, text);
        clear = x + width / 2 + canvas.TextWidth("8");
    }
    canvas.SetFont(saved);
}

// One graph in viewport and world n over the frequencies from and to; returns its plot area.
TViewport DrawPanel(Canvas &canvas, int number, double from, double to, bool log,
                    const std::vector<PanelTrace> &traces, double margin) {
    const auto [low, high] = RangeOf(traces, margin);
    SetWorldRect(number, PointD(AxisX(from, log), low), PointD(AxisX(to, log), high));
    SelectWorld(number);
    SelectViewport(number);
    DrawAxes(8, 10, !log);
    // The unit of the frequency axis in the corner left of its labels, clear of the trace.
    const TViewport &full = Plot().fullArea, area = Plot().viewports[number];
    if (log) DrawDecadeAxis(canvas, area);
    const Font saved = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, false});
    canvas.TextOut(full.Left + 4, area.Bottom + (full.Bottom - area.Bottom - canvas.TextHeight("Hz")) / 2,
                   "Hz");
    canvas.SetFont(saved);
    std::vector<LegendEntry> legend;
    for (const PanelTrace &t : traces) {
        const auto shown = [&](std::size_t i) { return !log || (*t.frequency)[i] > 0; };
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
            if (shown(i)) line.points.push_back(PointD(AxisX((*t.frequency)[i], log), (*t.values)[i]));
        }
        flush();
        if (t.marked) {
            const Pen pen = canvas.GetPen();
            canvas.SetPen(Pen{Color{110, 110, 110}, 1, PenStyle::Solid});
            for (std::size_t i = 0; i < t.frequency->size(); ++i)
                if (t.Marked(i) && shown(i)) Cross(canvas, AxisX((*t.frequency)[i], log), (*t.values)[i]);
            canvas.SetPen(pen);
        }
        legend.push_back({t.colour, t.label});
    }
    DrawLegend(legend);
    return area;
}

} // namespace

ResponseLayout DrawResponseGraph(Canvas &canvas, int width, int height, const ResponseCurve &curve) {
    const PlotScope scope(&canvas);
    InitGraph();
    SetViewportRect(1, {0, 0}, {width, height / 2});
    SetViewportRect(2, {0, height / 2}, {width, height});
    ClearViewport(1);
    ClearViewport(2);
    ResponseLayout layout;
    const bool log = curve.logarithmic;
    layout.logarithmic = log;
    const bool steer = curve.frequency.size() >= 2;
    double from = steer ? curve.frequency.front() : INFINITY, to = steer ? curve.frequency.back() : -INFINITY;
    for (const ResponseTrace &t : curve.vehicle)
        if (!t.frequency.empty())
            from = std::min(from, t.frequency.front()), to = std::max(to, t.frequency.back());
    if (log) {
        // A logarithmic axis starts at the lowest frequency above 0.
        from = INFINITY;
        auto lowest = [&](const std::vector<double> &f) {
            for (double v : f)
                if (v > 0) from = std::min(from, v);
        };
        if (steer) lowest(curve.frequency);
        for (const ResponseTrace &t : curve.vehicle) lowest(t.frequency);
    }
    if (!std::isfinite(from) || !std::isfinite(to) || !(to > from)) return layout;
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
    layout.gainArea = DrawPanel(canvas, 1, from, to, log, gains, 1);
    layout.gain = EffectiveWorld();
    if (!alone) canvas.TextOut(layout.gainArea.Left + 4, layout.gainArea.Top + 2, "gain, dB (x: no figure)");
    if (curve.bandwidthHz) {
        // The -3 dB frequency as a dotted line across the gain graph, named beside it.
        const double x = AxisX(*curve.bandwidthHz, log);
        const Pen saved = canvas.GetPen();
        canvas.SetPen(Pen{Colors::Black, 1, PenStyle::Dot});
        const TWorldWindow w = EffectiveWorld();
        WorldMoveTo(x, w.YLow);
        WorldLineTo(x, w.YHigh);
        canvas.SetPen(saved);
        canvas.TextOut(WorldToPixelX(x) + 3, WorldToPixelY(w.YLow) - canvas.TextHeight("X") - 2,
                       "-3 dB at " + FormatFixed(*curve.bandwidthHz, 0, 3) + " Hz");
    }
    layout.phaseArea = DrawPanel(canvas, 2, from, to, log, phases, 10);
    layout.phase = EffectiveWorld();
    if (!alone) canvas.TextOut(layout.phaseArea.Left + 4, layout.phaseArea.Top + 2, "phase, deg");
    return layout;
}

std::optional<TPointD> ResponsePointAt(const ResponseLayout &layout, int x, int y) {
    for (const auto &[area, world] :
         {std::pair{layout.gainArea, layout.gain}, {layout.phaseArea, layout.phase}}) {
        if (area.Right <= area.Left || x < area.Left || x > area.Right || y < area.Top || y > area.Bottom)
            continue;
        TPointD p = ViewPoint(area, world, x, y);
        if (layout.logarithmic) p.x = std::pow(10.0, p.x);
        return p;
    }
    return std::nullopt;
}

std::vector<double> DecadeTicks(double low, double high) {
    std::vector<double> ticks;
    if (!(low > 0) || !(high > low) || !std::isfinite(high)) return ticks;
    auto collect = [&](std::initializer_list<int> multiples) {
        ticks.clear();
        for (int e = static_cast<int>(std::floor(std::log10(low))); e <= std::ceil(std::log10(high)); ++e)
            for (int m : multiples) {
                // Written as the decimal it stands for (0.2, not 0.2000000000000000111).
                const double f = e < 0 ? m / std::pow(10.0, -e) : m * std::pow(10.0, e);
                if (f >= low * (1 - 1e-9) && f <= high * (1 + 1e-9)) ticks.push_back(f);
            }
    };
    collect({1, 2, 5});
    if (ticks.size() < 3) collect({1, 2, 3, 4, 5, 6, 7, 8, 9});
    if (ticks.size() < 2) ticks = {low, high};
    return ticks;
}
