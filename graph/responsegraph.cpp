// A frequency response drawn as two graphs over frequency: gain in dB above, phase in degrees below.
#include "graph/responsegraph.h"

#include "compiler/format.h"
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

void DrawPanel(Canvas &canvas, int number, const std::vector<double> &frequency,
               const std::vector<double> &values, double margin, const std::string &title) {
    const auto [low, high] = RangeOf(values, margin);
    SetWorldRect(number, PointD(frequency.front(), low), PointD(frequency.back(), high));
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
    OverlayTrace trace{{}, OverlayColours::Blue, title};
    for (std::size_t i = 0; i < frequency.size(); ++i)
        trace.points.push_back(PointD(frequency[i], values[i]));
    DrawOverlayTrace(trace);
    DrawLegend({{OverlayColours::Blue, title}});
}

} // namespace

void DrawResponseGraph(Canvas &canvas, int width, int height, const ResponseCurve &curve) {
    SetGraphCanvas(&canvas);
    InitGraph();
    SetViewportRect(1, {0, 0}, {width, height / 2});
    SetViewportRect(2, {0, height / 2}, {width, height});
    ClearViewport(1);
    ClearViewport(2);
    if (curve.frequency.size() < 2) return;
    DrawPanel(canvas, 1, curve.frequency, curve.gainDb, 1, "gain, dB");
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
    DrawPanel(canvas, 2, curve.frequency, curve.phaseDeg, 10, "phase, deg");
}
