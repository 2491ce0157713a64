// Extra traces over a graph, and their legend.
#include "graph/overlay.h"

#include "graph/steptimes.h"

#include <algorithm>
#include <array>

namespace {

// The points of one pixel column that keep its look: first, lowest, highest and last.
struct Column {
    int x = 0;
    std::size_t first = 0, low = 0, high = 0, last = 0;
};

void DrawColumn(const std::vector<TPointD> &points, const Column &c, std::size_t &drawn) {
    std::array<std::size_t, 4> order{c.first, c.low, c.high, c.last};
    std::sort(order.begin(), order.end());
    for (std::size_t i : order)
        if (i != drawn) {
            WorldLineTo(points[i].x, points[i].y);
            drawn = i;
        }
}

} // namespace

void DrawOverlayTrace(const OverlayTrace &trace) {
    const std::vector<TPointD> &points = trace.points;
    if (points.empty()) return;
    const TWorldWindow w = EffectiveWorld();
    const double low = std::min(w.XLow, w.XHigh), high = std::max(w.XLow, w.XHigh);
    auto byX = [](const TPointD &p, double x) { return p.x < x; };
    auto begin = std::lower_bound(points.begin(), points.end(), low, byX);
    auto end = std::lower_bound(begin, points.end(), high, byX);
    // One point on either side of the window carries the line to its edges.
    if (begin != points.begin()) --begin;
    if (end != points.end()) ++end;
    const auto from = static_cast<std::size_t>(begin - points.begin());
    const auto to = static_cast<std::size_t>(end - points.begin());

    const Color saved = Plot().drawColor;
    SetDrawColor(trace.colour);
    WorldMoveTo(points[from].x, points[from].y);
    std::size_t drawn = from;
    Column column{WorldToPixelX(points[from].x), from, from, from, from};
    for (std::size_t i = from + 1; i < to; ++i) {
        const int x = WorldToPixelX(points[i].x);
        if (x != column.x) {
            DrawColumn(points, column, drawn);
            column = {x, i, i, i, i};
            continue;
        }
        column.last = i;
        if (points[i].y < points[column.low].y) column.low = i;
        if (points[i].y > points[column.high].y) column.high = i;
    }
    DrawColumn(points, column, drawn);
    SetDrawColor(saved);
}

void DrawLegend(const std::vector<LegendEntry> &entries, int inset) {
    PlotState &s = Plot();
    if (!s.canvas || entries.empty() || s.currentViewport == 0) return;
    Canvas &canvas = *s.canvas;
    const Pen savedPen = canvas.GetPen();
    const Brush savedBrush = canvas.GetBrush();
    const Font savedFont = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, false});

    constexpr int Pad = 4, Sample = 20;
    const int row = canvas.TextHeight("Xg") + 2;
    int labelWidth = 0;
    for (const LegendEntry &e : entries) labelWidth = std::max(labelWidth, canvas.TextWidth(e.label));
    const TViewport &area = s.viewports[s.currentViewport];
    const int right = area.Right - Pad - inset, top = area.Top + Pad;
    const int left = std::max<int>(area.Left, right - (3 * Pad + Sample + labelWidth));
    const int bottom = top + Pad + row * static_cast<int>(entries.size()) + Pad;

    canvas.SetPen(Pen{Colors::Black, 1, PenStyle::Solid});
    canvas.SetBrush(Brush{Colors::White, BrushStyle::Solid});
    canvas.Rectangle(left, top, right, bottom);
    int y = top + Pad;
    for (const LegendEntry &e : entries) {
        canvas.SetPen(Pen{e.colour, 2, PenStyle::Solid});
        canvas.MoveTo(left + Pad, y + row / 2);
        canvas.LineTo(left + Pad + Sample, y + row / 2);
        canvas.TextOut(left + 2 * Pad + Sample, y + 1, e.label);
        y += row;
    }
    canvas.SetPen(savedPen);
    canvas.SetBrush(savedBrush);
    canvas.SetFont(savedFont);
}

int LegendBand(const std::vector<LegendEntry> &entries, const TViewport &area, bool draw) {
    PlotState &s = Plot();
    if (!s.canvas || entries.empty()) return 0;
    Canvas &canvas = *s.canvas;
    const Pen savedPen = canvas.GetPen();
    const Font savedFont = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, false});
    constexpr int Pad = 4, Sample = 20, Gap = 14;
    const int row = canvas.TextHeight("Xg") + 2;
    const int left = area.Left + Pad, right = area.Right - LegendBandReserve;
    int x = left, y = area.Top + Pad;
    for (const LegendEntry &e : entries) {
        const int width = Sample + Pad + canvas.TextWidth(e.label);
        if (x > left && x + width > right) {
            x = left;
            y += row;
        }
        if (draw) {
            canvas.SetPen(Pen{e.colour, 2, PenStyle::Solid});
            canvas.MoveTo(x, y + row / 2);
            canvas.LineTo(x + Sample, y + row / 2);
            canvas.TextOut(x + Sample + Pad, y + 1, e.label);
        }
        x += width + Gap;
    }
    canvas.SetPen(savedPen);
    canvas.SetFont(savedFont);
    return y + row + Pad - area.Top;
}

Color ProgramOverlayColour(std::size_t n) {
    using namespace OverlayColours;
    constexpr std::array<Color, 5> colours{Magenta, Green, Orange, Purple, Brown};
    return colours[n % colours.size()];
}

std::vector<TPointD> ProgramTracePoints(const StepStore &steps) {
    std::vector<TPointD> points;
    int repeatIndex = 0;
    for (int i = 0; i < StepCount; ++i) {
        const StepPosition at = RepeatedStep(steps, i, repeatIndex);
        const float steer = steps[at.source].steer;
        // A run of equal angles needs only its ends.
        if (points.size() >= 2 && points.back().y == steer && points[points.size() - 2].y == steer)
            points.back().x = at.x;
        else
            points.push_back(PointD(at.x, steer));
        if (IsEndStep(steps[i]) && i < StepCount - 1) {
            points.push_back(PointD(steps[StepCount - 1].time, steer));
            break;
        }
        if (IsRepeatStep(steps[i]) && repeatIndex == 0) repeatIndex = i;
    }
    return points;
}
