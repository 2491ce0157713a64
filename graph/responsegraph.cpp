// A frequency response drawn as two graphs over frequency: gain in dB above, phase in degrees below.
#include "graph/responsegraph.h"

#include "compiler/format.h"
#include "graph/graphview.h"
#include "graph/overlay.h"
#include "graph/plot.h"

#include <algorithm>
#include <cmath>

namespace {

// The range of the values widened by a margin and rounded out to whole multiples of it.
std::pair<double, double> RangeOf(const std::vector<double> &values, double margin) {
    if (values.empty()) return {-margin, margin};
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return {std::floor(*low / margin) * margin - margin, std::ceil(*high / margin) * margin + margin};
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

// One graph in viewport and world n; returns its plot area.
TViewport DrawPanel(Canvas &canvas, int number, const ResponseCurve &curve, const std::vector<double> &values,
                    double margin, const std::string &title) {
    const auto [low, high] = RangeOf(values, margin);
    const std::vector<double> &frequency = curve.frequency;
    const bool log = curve.logarithmic;
    SetWorldRect(number, PointD(AxisX(frequency.front(), log), low),
                 PointD(AxisX(frequency.back(), log), high));
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
    OverlayTrace trace{{}, OverlayColours::Blue, title};
    for (std::size_t i = 0; i < frequency.size(); ++i)
        if (!log || frequency[i] > 0) trace.points.push_back(PointD(AxisX(frequency[i], log), values[i]));
    DrawOverlayTrace(trace);
    DrawLegend({{OverlayColours::Blue, title}});
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
    layout.logarithmic = curve.logarithmic;
    if (curve.frequency.size() < 2 || (curve.logarithmic && !(curve.frequency.front() > 0))) return layout;
    layout.gainArea = DrawPanel(canvas, 1, curve, curve.gainDb, 1, "gain, dB");
    layout.gain = EffectiveWorld();
    if (curve.bandwidthHz) {
        // The -3 dB frequency as a dotted line across the gain graph, named beside it.
        const double x = AxisX(*curve.bandwidthHz, curve.logarithmic);
        const Pen saved = canvas.GetPen();
        canvas.SetPen(Pen{Colors::Black, 1, PenStyle::Dot});
        const TWorldWindow w = EffectiveWorld();
        WorldMoveTo(x, w.YLow);
        WorldLineTo(x, w.YHigh);
        canvas.SetPen(saved);
        canvas.TextOut(WorldToPixelX(x) + 3, WorldToPixelY(w.YLow) - canvas.TextHeight("X") - 2,
                       "-3 dB at " + FormatFixed(*curve.bandwidthHz, 0, 3) + " Hz");
    }
    layout.phaseArea = DrawPanel(canvas, 2, curve, curve.phaseDeg, 10, "phase, deg");
    layout.phase = EffectiveWorld();
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
