// The graph of an evaluated run: stacked strips over time, limits as bands, marks, and a fit panel.
#include "graph/rungraph.h"

#include "compiler/format.h"
#include "graph/graphview.h"
#include "graph/overlay.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr Color Grey{110, 110, 110};
constexpr int StripGap = 6; // pixels between one strip's plot area and the next strip

// The colour a fifth of the way from white: a band's tint.
Color Tint(Color c) {
    auto mix = [](std::uint8_t v) { return static_cast<std::uint8_t>(255 - (255 - v) / 5); };
    return {mix(c.r), mix(c.g), mix(c.b)};
}

std::string Label(const RunTrace &trace) { return trace.name + ", " + trace.unit; }

void Line(Canvas &canvas, double x1, double y1, double x2, double y2, const Pen &pen) {
    const Pen saved = canvas.GetPen();
    canvas.SetPen(pen);
    WorldMoveTo(x1, y1);
    WorldLineTo(x2, y2);
    canvas.SetPen(saved);
}

void Text(Canvas &canvas, int x, int y, const std::string &text, Color colour) {
    const Pen saved = canvas.GetPen();
    canvas.SetPen(Pen{colour, 1, PenStyle::Solid});
    canvas.TextOut(x, y, text);
    canvas.SetPen(saved);
}

// The band's part inside the window, or none.
std::optional<std::pair<double, double>> BandSpan(const RunBand &band) {
    const TWorldWindow w = EffectiveWorld();
    const double from = std::max(band.from, w.XLow), to = std::min(band.to, w.XHigh);
    if (!(from < to)) return std::nullopt;
    return std::pair{from, to};
}

// The band's rectangle from its limit outward, clipped to the plot area, in its tint.
void FillBand(Canvas &canvas, const RunBand &band, const TViewport &area) {
    const auto span = BandSpan(band);
    if (!span) return;
    const int limitY = std::clamp(WorldToPixelY(band.limit), area.Top, area.Bottom);
    const int left = WorldToPixelX(span->first), right = WorldToPixelX(span->second);
    const int top = band.failsAbove ? area.Top : limitY, bottom = band.failsAbove ? limitY : area.Bottom;
    const Pen savedPen = canvas.GetPen();
    const Brush savedBrush = canvas.GetBrush();
    canvas.SetPen(Pen{Tint(band.colour), 1, PenStyle::Solid});
    canvas.SetBrush(Brush{Tint(band.colour), BrushStyle::Solid});
    if (bottom > top) canvas.Rectangle(left, top, right + 1, bottom + 1);
    canvas.SetBrush(savedBrush);
    canvas.SetPen(savedPen);
}

// The band's limit as a line across it, named at its start on the side of the failing values.
void EdgeBand(Canvas &canvas, const RunBand &band, const TViewport &area) {
    const auto span = BandSpan(band);
    if (!span) return;
    Line(canvas, span->first, band.limit, span->second, band.limit, Pen{band.colour, 2, PenStyle::Solid});
    const int limitY = std::clamp(WorldToPixelY(band.limit), area.Top, area.Bottom);
    const int h = canvas.TextHeight(band.label);
    Text(canvas, WorldToPixelX(span->first) + 3, band.failsAbove ? limitY - h - 1 : limitY + 2, band.label,
         band.colour);
}

// The levels as dotted lines, each named at the right end above its line; a name that would run into
// the one before it goes to its left.
void DrawLevels(Canvas &canvas, const std::vector<RunLevel> &levels, const TViewport &area) {
    const TWorldWindow w = EffectiveWorld();
    const int h = canvas.TextHeight("Xg");
    std::vector<std::pair<int, int>> placed; // y and left end of each name
    for (const RunLevel &level : levels) {
        Line(canvas, w.XLow, level.value, w.XHigh, level.value, Pen{level.colour, 1, PenStyle::Dot});
        const int y = WorldToPixelY(level.value);
        if (y < area.Top || y > area.Bottom) continue;
        int right = area.Right - 3;
        for (const auto &[py, left] : placed)
            if (std::abs(py - y) < h) right = std::min(right, left - 6);
        const int left = right - canvas.TextWidth(level.label);
        Text(canvas, left, y - h, level.label, level.colour);
        placed.push_back({y, left});
    }
}

OverlayTrace PointsOf(const RunTrace &trace) {
    OverlayTrace points{{}, trace.colour, trace.name};
    for (std::size_t i = 0; i < trace.time.size() && i < trace.values.size(); ++i)
        if (std::isfinite(trace.values[i])) points.points.push_back(PointD(trace.time[i], trace.values[i]));
    return points;
}

// Each mark's name at the top of the first strip, beside its line; a name that would run into the one
// before it, or into the strip's title (`taken` pixels from the left), goes a row lower.
void NameMarks(Canvas &canvas, std::vector<RunMark> marks, const TViewport &area, int taken) {
    std::stable_sort(marks.begin(), marks.end(),
                     [](const RunMark &a, const RunMark &b) { return a.time < b.time; });
    const int row = canvas.TextHeight("Xg");
    std::vector<int> rowEnd{area.Left + taken}; // the right end of the names on each row
    for (const RunMark &mark : marks) {
        const int x = WorldToPixelX(mark.time) + 3, width = canvas.TextWidth(mark.name);
        if (x < area.Left || x + width > area.Right) continue;
        std::size_t r = 0;
        while (r < rowEnd.size() && rowEnd[r] > x) ++r;
        if (r == rowEnd.size()) rowEnd.push_back(0);
        rowEnd[r] = x + width + 4;
        Text(canvas, x, area.Top + 2 + static_cast<int>(r) * row, mark.name, mark.colour);
    }
}

// One strip in viewport and world n over the window; returns its plot area.
TViewport DrawStrip(Canvas &canvas, int n, const RunGraph &graph, const RunStrip &strip, double from,
                    double to, bool timeLabels) {
    std::optional<std::pair<double, double>> range;
    for (const RunTrace &trace : strip.traces)
        if (const auto r = ValueRange(trace.time, trace.values, from, to))
            range =
                range ? std::pair{std::min(range->first, r->first), std::max(range->second, r->second)} : *r;
    std::vector<double> limits;
    for (const RunBand &band : strip.bands) limits.push_back(band.limit);
    for (const RunLevel &level : strip.levels) limits.push_back(level.value);
    for (double v : limits)
        range = range ? std::pair{std::min(range->first, v), std::max(range->second, v)} : std::pair{v, v};
    const auto [low, high] = WidenedRange(range, {});
    SetWorldRect(n, PointD(from, low), PointD(to, high));
    SelectWorld(n);
    SelectViewport(n);
    DrawAxes(8, 10, timeLabels);
    const TViewport area = Plot().viewports[n];
    const TWorldWindow w = EffectiveWorld();
    for (const RunBand &band : strip.bands) FillBand(canvas, band, area);
    if (w.YLow < 0 && w.YHigh > 0) Line(canvas, w.XLow, 0, w.XHigh, 0, Pen{Grey, 1, PenStyle::Dot});
    DrawLevels(canvas, strip.levels, area);
    for (const RunMark &mark : graph.marks)
        Line(canvas, mark.time, w.YLow, mark.time, w.YHigh, Pen{mark.colour, 1, PenStyle::Dash});
    // The measured channels first, the program's thin line over them.
    for (const bool program : {false, true})
        for (const RunTrace &trace : strip.traces) {
            if ((trace.colour == RunColours::Program) != program) continue;
            const Pen saved = canvas.GetPen();
            canvas.SetPen(Pen{trace.colour, program ? 1 : 2, PenStyle::Solid});
            DrawOverlayTrace(PointsOf(trace));
            canvas.SetPen(saved);
        }
    for (const RunBand &band : strip.bands) EdgeBand(canvas, band, area);
    // The strip's title in the top left corner, its note under it.
    const Font saved = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, true});
    canvas.TextOut(area.Left + 4, area.Top + 2, strip.title);
    canvas.SetFont(Font{"Arial", 8, false});
    if (!strip.note.empty())
        Text(canvas, area.Left + 4, area.Top + 2 + canvas.TextHeight("Xg"), strip.note, Grey);
    canvas.SetFont(saved);
    return area;
}

void DrawFit(Canvas &canvas, const RunFit &fit, const TViewport &panel, RunLayout &layout) {
    std::vector<double> xs{0, fit.lineTo, fit.at.x},
        ys{fit.intercept, fit.at.y, fit.intercept + fit.slope * fit.lineTo};
    for (const TPointD &p : fit.samples) xs.push_back(p.x), ys.push_back(p.y);
    const auto [xLow, xHigh] = std::minmax_element(xs.begin(), xs.end());
    const auto [yLow, yHigh] = std::minmax_element(ys.begin(), ys.end());
    const auto y = WidenedRange(std::pair{*yLow, *yHigh}, {});
    SetViewportRect(RunFitViewport, {panel.Left, panel.Top}, {panel.Right, panel.Bottom});
    SetWorldRect(RunFitViewport, PointD(*xLow, y.first), PointD(*xHigh + 0.05 * (*xHigh - *xLow), y.second));
    SelectWorld(RunFitViewport);
    SelectViewport(RunFitViewport);
    DrawAxes(8, 10);
    const TViewport area = Plot().viewports[RunFitViewport];
    layout.fitArea = area;
    layout.fitWorld = EffectiveWorld();
    const TWorldWindow w = layout.fitWorld;
    // The samples regressed, then the line through them and the point read off it.
    DrawOverlayTrace({fit.samples, Grey, ""});
    Line(canvas, fit.lineFrom, fit.intercept + fit.slope * fit.lineFrom, fit.lineTo,
         fit.intercept + fit.slope * fit.lineTo, Pen{fit.colour, 2, PenStyle::Solid});
    Line(canvas, fit.at.x, w.YLow, fit.at.x, fit.at.y, Pen{fit.colour, 1, PenStyle::Dash});
    Line(canvas, w.XLow, fit.at.y, fit.at.x, fit.at.y, Pen{fit.colour, 1, PenStyle::Dash});
    const int px = WorldToPixelX(fit.at.x), py = WorldToPixelY(fit.at.y);
    const int width = canvas.TextWidth(fit.atLabel), h = canvas.TextHeight(fit.atLabel);
    const bool above = fit.slope * (w.YHigh - w.YLow) >= 0; // the line rises: the label goes above-left
    Text(canvas, std::max(area.Left + 2, px - width - 4), above ? py - h - 2 : py + 2, fit.atLabel,
         fit.colour);
    const Font saved = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, true});
    canvas.TextOut(area.Left + 4, area.Top + 2, fit.yTitle);
    canvas.TextOut(area.Right - canvas.TextWidth(fit.xTitle) - 4, area.Bottom - h - 2, fit.xTitle);
    canvas.SetFont(saved);
}

// Value at t between the samples around it; none outside them or next to a missing value.
std::optional<double> Interpolated(const RunTrace &trace, double t) {
    const std::vector<double> &time = trace.time, &values = trace.values;
    if (time.empty() || values.size() < time.size() || t < time.front() || t > time.back())
        return std::nullopt;
    const auto next = std::lower_bound(time.begin(), time.end(), t);
    const std::size_t k = static_cast<std::size_t>(next - time.begin());
    if (time[k] == t) return std::isfinite(values[k]) ? std::optional(values[k]) : std::nullopt;
    const double a = values[k - 1], b = values[k];
    if (!std::isfinite(a) || !std::isfinite(b)) return std::nullopt;
    return a + (b - a) * (t - time[k - 1]) / (time[k] - time[k - 1]);
}

} // namespace

std::optional<std::pair<double, double>>
ValueRange(const std::vector<double> &time, const std::vector<double> &values, double from, double to) {
    std::optional<std::pair<double, double>> range;
    for (std::size_t i = 0; i < time.size() && i < values.size(); ++i) {
        if (time[i] < from || time[i] > to || !std::isfinite(values[i])) continue;
        range = range ? std::pair{std::min(range->first, values[i]), std::max(range->second, values[i])}
                      : std::pair{values[i], values[i]};
    }
    return range;
}

std::pair<double, double> WidenedRange(std::optional<std::pair<double, double>> range,
                                       std::initializer_list<double> also) {
    for (double v : also)
        range = range ? std::pair{std::min(range->first, v), std::max(range->second, v)} : std::pair{v, v};
    if (!range) return {-1, 1};
    const double margin = std::max((range->second - range->first) / 12, 1e-3);
    return {range->first - margin, range->second + margin};
}

RunLayout DrawRunGraph(Canvas &canvas, int width, int height, const RunGraph &graph, double from, double to) {
    const PlotScope scope(&canvas);
    InitGraph();
    SetViewportRect(1, {0, 0}, {width, height});
    ClearViewport(1);
    RunLayout layout;
    const Font savedFont = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, false});
    // Every channel and every mark by its colour, in a band across the top.
    std::vector<LegendEntry> legend;
    for (const RunStrip &strip : graph.strips)
        for (const RunTrace &trace : strip.traces) legend.push_back({trace.colour, Label(trace)});
    for (const RunMark &mark : graph.marks) legend.push_back({mark.colour, mark.name});
    const TViewport whole{0, 0, width, height};
    const int top = LegendBand(legend, whole, true);
    const int stripsRight = graph.fit ? width * 2 / 3 : width;
    const int timeBand = 2 * canvas.TextHeight("8"); // under the last strip, as the axes reserve it
    const int count = static_cast<int>(graph.strips.size());
    const int pitch = count > 0 ? std::max(1, (height - top - timeBand) / count) : 0;
    for (int k = 0; k < count; ++k) {
        const int n = k + 1, stripTop = top + k * pitch;
        const bool last = k == count - 1;
        // The axes leave room for time labels under every strip; above the last one it overlaps the next.
        const int bottom = last ? height : stripTop + pitch - StripGap + timeBand;
        SetViewportRect(n, {0, stripTop}, {stripsRight, bottom});
        layout.areas.push_back(
            DrawStrip(canvas, n, graph, graph.strips[static_cast<std::size_t>(k)], from, to, last));
        layout.worlds.push_back(EffectiveWorld());
        if (k == 0) {
            canvas.SetFont(Font{"Arial", 8, true});
            const int title = canvas.TextWidth(graph.strips.front().title) + 8;
            canvas.SetFont(Font{"Arial", 8, false});
            NameMarks(canvas, graph.marks, layout.areas.front(), title);
        }
    }
    if (count > 0) {
        const TViewport &area = layout.areas.back();
        const std::string axis = "time, s";
        canvas.TextOut(area.Right - canvas.TextWidth(axis) - 4, area.Bottom - canvas.TextHeight(axis) - 2,
                       axis);
    }
    if (graph.fit) DrawFit(canvas, *graph.fit, {stripsRight + StripGap, top, width, height}, layout);
    canvas.SetFont(savedFont);
    return layout;
}

std::optional<RunPoint> RunPointAt(const RunLayout &layout, int x, int y) {
    for (std::size_t k = 0; k < layout.areas.size(); ++k) {
        const TViewport &a = layout.areas[k];
        if (x >= a.Left && x <= a.Right && y >= a.Top && y <= a.Bottom)
            return RunPoint{static_cast<int>(k), ViewPoint(a, layout.worlds[k], x, y)};
    }
    return std::nullopt;
}

RunReading ReadRunAt(const RunGraph &graph, double time) {
    RunReading reading{time, {}};
    for (const RunStrip &strip : graph.strips)
        for (const RunTrace &trace : strip.traces)
            reading.channels.push_back({&trace, Interpolated(trace, time)});
    return reading;
}

std::string RunReadingText(const RunReading &reading) {
    std::string text = "t=" + Fixed(reading.time, 4) + " s";
    for (const RunChannelReading &c : reading.channels)
        text += "  " + c.trace->name + " " +
                (c.value ? Fixed(*c.value, c.trace->decimals) + " " + c.trace->unit : std::string("-"));
    return text;
}
