// Pages of the evaluation report, drawn through the plot library on any canvas.
#include "graph/reportpages.h"

#include "graph/overlay.h"
#include "graph/plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// "35", "20", "17.5": a limit in percent as the criteria state it.
std::string Percent(double limit) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", limit);
    return text;
}

constexpr Color Grey{110, 110, 110};
constexpr Color DarkRed{190, 0, 0};
constexpr Color DarkGreen{0, 120, 0};

int LineHeight(Canvas &canvas) { return canvas.TextHeight("Xg") * 5 / 4; }

// Writes lines from the top; returns the y below the last.
int WriteLines(Canvas &canvas, int x, int y, const std::vector<std::string> &lines) {
    for (const std::string &line : lines) {
        canvas.TextOut(x, y, line);
        y += LineHeight(canvas);
    }
    return y;
}

void Title(Canvas &canvas, int x, int y, const std::string &text, int points) {
    canvas.SetFont(Font{"Arial", points, true});
    canvas.TextOut(x, y, text);
    canvas.SetFont(Font{"Arial", 9, false});
}

// The range of the finite values inside the time window, widened a little and never empty.
std::pair<double, double> RangeOf(const std::vector<double> &time, const std::vector<double> &values,
                                  double from, double to, std::initializer_list<double> also) {
    double low = INFINITY, high = -INFINITY;
    for (std::size_t i = 0; i < time.size(); ++i)
        if (time[i] >= from && time[i] <= to && std::isfinite(values[i]))
            low = std::min(low, values[i]), high = std::max(high, values[i]);
    for (double v : also) low = std::min(low, v), high = std::max(high, v);
    if (!std::isfinite(low)) low = -1, high = 1;
    const double margin = std::max(0.08 * (high - low), 1e-3);
    return {low - margin, high + margin};
}

OverlayTrace TraceOf(const std::vector<double> &time, const std::vector<double> &values, Color colour) {
    OverlayTrace trace{{}, colour, ""};
    for (std::size_t i = 0; i < time.size(); ++i)
        if (std::isfinite(values[i])) trace.points.push_back(PointD(time[i], values[i]));
    return trace;
}

void DashedLine(Canvas &canvas, double x1, double y1, double x2, double y2, Color colour, PenStyle style) {
    const Pen saved = canvas.GetPen();
    canvas.SetPen(Pen{colour, 1, style});
    WorldMoveTo(x1, y1);
    WorldLineTo(x2, y2);
    canvas.SetPen(saved);
}

// A vertical marker across the plot area with its name at the top, or at the foot (the check times,
// whose last lies where the legend is at the top).
void Marker(Canvas &canvas, double t, const std::string &name, bool label, bool atFoot = false) {
    const TWorldWindow w = EffectiveWorld();
    DashedLine(canvas, t, w.YLow, t, w.YHigh, Grey, PenStyle::Dash);
    if (!label) return;
    const int y = atFoot ? WorldToPixelY(w.YLow) - canvas.TextHeight(name) - 2 : WorldToPixelY(w.YHigh) + 2;
    canvas.TextOut(WorldToPixelX(t) + 3, y, name);
}

// A blank page in viewport 1; returns its margin.
int FreshPage(int width, int height) {
    InitGraph();
    SetViewportRect(1, {0, 0}, {width, height});
    ClearViewport(1);
    return width / 16;
}

// A table page's title and lines; returns the y a line below them.
int TitleAndLines(Canvas &canvas, int margin, const std::string &title,
                  const std::vector<std::string> &lines) {
    Title(canvas, margin, margin, title, 14);
    return WriteLines(canvas, margin, margin + 3 * LineHeight(canvas), lines) + LineHeight(canvas);
}

// The page's foot, at the right under the bottom margin's middle.
void Footer(Canvas &canvas, int width, int height, const std::string &text) {
    if (text.empty()) return;
    const int margin = width / 16;
    canvas.SetFont(Font{"Arial", 9, false});
    canvas.TextOut(width - margin - canvas.TextWidth(text), height - margin / 2 - canvas.TextHeight(text),
                   text);
}

struct Table {
    const std::vector<std::string> &header, &units;
    const std::vector<std::vector<std::string>> &rows;
    const std::vector<bool> &rowPasses;
    const std::vector<std::string> &rowNotes;
};

// A table from (x, y) to the right edge, columns as wide as their widest cell, numbers to the right,
// the first column to the left, in the largest type from 9 points down that lets it fit; a row that
// did not pass in red, a row's note on a line under it. Stops before the bottom; returns the y below
// the last line written.
int WriteTable(Canvas &canvas, int x0, int y, int right, int bottom, const Table &table) {
    std::vector<int> widths;
    int points = 9, gap = 0;
    for (; points >= 6; --points) {
        widths.assign(table.header.size(), 0);
        auto measure = [&](const std::vector<std::string> &cells) {
            for (std::size_t k = 0; k < cells.size() && k < widths.size(); ++k)
                widths[k] = std::max(widths[k], canvas.TextWidth(cells[k]));
        };
        canvas.SetFont(Font{"Arial", points, true});
        measure(table.header);
        canvas.SetFont(Font{"Arial", points, false});
        measure(table.units);
        for (const auto &row : table.rows) measure(row);
        gap = canvas.TextWidth("  ");
        int total = 0;
        for (int w : widths) total += w + gap;
        if (x0 + total - gap <= right) break;
    }
    points = std::max(points, 6);
    auto writeRow = [&](const std::vector<std::string> &cells, Color colour) {
        const Pen saved = canvas.GetPen();
        canvas.SetPen(Pen{colour, 1, PenStyle::Solid});
        int x = x0;
        for (std::size_t k = 0; k < cells.size() && k < widths.size(); ++k) {
            canvas.TextOut(x + (k == 0 ? 0 : widths[k] - canvas.TextWidth(cells[k])), y, cells[k]);
            x += widths[k] + gap;
        }
        canvas.SetPen(saved);
        y += LineHeight(canvas);
    };
    canvas.SetFont(Font{"Arial", points, true});
    writeRow(table.header, Colors::Black);
    canvas.SetFont(Font{"Arial", points, false});
    if (!table.units.empty()) writeRow(table.units, Grey);
    for (std::size_t r = 0; r < table.rows.size() && y < bottom; ++r) {
        const Color colour = r < table.rowPasses.size() && !table.rowPasses[r] ? DarkRed : Colors::Black;
        writeRow(table.rows[r], colour);
        if (r < table.rowNotes.size() && !table.rowNotes[r].empty()) {
            const Pen saved = canvas.GetPen();
            canvas.SetPen(Pen{colour, 1, PenStyle::Solid});
            canvas.TextOut(x0 + 2 * gap, y, table.rowNotes[r]);
            canvas.SetPen(saved);
            y += LineHeight(canvas);
        }
    }
    canvas.SetFont(Font{"Arial", 9, false});
    return y;
}

// One graph of the page in viewport and world n: axes, markers, the trace, its name.
void Panel(Canvas &canvas, int n, const RunReportPage &page, const std::vector<double> &values,
           std::pair<double, double> y, double from, double to, const std::string &name, Color colour) {
    SetWorldRect(n, PointD(from, y.first), PointD(to, y.second));
    SelectWorld(n);
    SelectViewport(n);
    DrawAxes(8, 10);
    const TWorldWindow w = EffectiveWorld();
    if (w.YLow < 0 && w.YHigh > 0) DashedLine(canvas, from, 0, to, 0, Grey, PenStyle::Dot);
    Marker(canvas, page.bos, "BOS", true);
    Marker(canvas, page.cos, "COS", true);
    for (double check : {page.check1, page.check2}) {
        char label[32];
        std::snprintf(label, sizeof label, "%+.2f", check);
        Marker(canvas, page.cos + check, std::string(label) + " s", n == 2, true);
    }
    const Pen saved = canvas.GetPen();
    canvas.SetPen(Pen{colour, 2, PenStyle::Solid});
    DrawOverlayTrace(TraceOf(page.time, values, colour));
    canvas.SetPen(saved);
    DrawLegend({{colour, name}});
}

} // namespace

void DrawCoverPage(Canvas &canvas, int width, int height, const CoverReportPage &page) {
    const PlotScope scope(&canvas);
    const int margin = FreshPage(width, height);
    int y = TitleAndLines(canvas, margin, page.title, page.lines);
    y = WriteTable(canvas, margin, y, width - margin, height - margin,
                   {page.header, page.units, page.rows, page.rowPasses, page.rowNotes});
    y = WriteLines(canvas, margin, y + LineHeight(canvas), page.after);
    if (page.signOff) {
        // Room to write by hand: a name, a date and a signature on a line each.
        const int line = LineHeight(canvas), right = width - margin;
        y += line;
        for (const char *role : {"Tested by", "Checked by"}) {
            canvas.SetFont(Font{"Arial", 10, true});
            canvas.TextOut(margin, y, role);
            canvas.SetFont(Font{"Arial", 9, false});
            y += 3 * line / 2;
            for (const char *field : {"Name", "Date", "Signature"}) {
                canvas.TextOut(margin, y, field);
                const int from = margin + canvas.TextWidth("Signature  ");
                canvas.MoveTo(from, y + line - 4);
                canvas.LineTo(right, y + line - 4);
                y += 3 * line / 2;
            }
            y += line / 2;
        }
    }
    Footer(canvas, width, height, page.footer);
}

void DrawRunPage(Canvas &canvas, int width, int height, const RunReportPage &page) {
    const PlotScope scope(&canvas);
    const int margin = FreshPage(width, height);
    {
        // The verdict first, in its colour, then the run.
        const Pen saved = canvas.GetPen();
        const std::string verdict = !page.verdict.empty() ? page.verdict : page.pass ? "PASS" : "FAIL";
        canvas.SetPen(Pen{page.pass ? DarkGreen : DarkRed, 1, PenStyle::Solid});
        Title(canvas, margin, margin, verdict, 12);
        canvas.SetPen(saved);
        canvas.SetFont(Font{"Arial", 12, true});
        const int indent = std::max(canvas.TextWidth("FAIL   "), canvas.TextWidth(verdict + "   "));
        Title(canvas, margin + indent, margin, page.title, 12);
    }
    const int top =
        WriteLines(canvas, margin, margin + 2 * LineHeight(canvas), page.lines) + LineHeight(canvas) / 2;

    // The graphs run from a second before BOS to a second after the last check time.
    const double from = page.bos - 1, to = page.cos + page.check2 + 1;
    const int panel = (height - margin - top) / 3;
    for (int n = 1; n <= 3; ++n)
        SetViewportRect(n, {margin / 2, top + (n - 1) * panel}, {width - margin / 2, top + n * panel});
    Panel(canvas, 1, page, page.steer, RangeOf(page.time, page.steer, from, to, {}), from, to, "steer, deg",
          OverlayColours::Blue);

    // Yaw rate: the largest the ratios admit at and after each check time.
    const double allowed1 = page.limit1 / 100 * page.peakYawRate,
                 allowed2 = page.limit2 / 100 * page.peakYawRate;
    Panel(canvas, 2, page, page.yawRate, RangeOf(page.time, page.yawRate, from, to, {allowed1, -allowed1}),
          from, to, "yaw rate, deg/s", OverlayColours::Magenta);
    DashedLine(canvas, page.cos + page.check1, allowed1, page.cos + page.check2, allowed1, DarkRed,
               PenStyle::Solid);
    DashedLine(canvas, page.cos + page.check2, allowed2, to, allowed2, DarkRed, PenStyle::Solid);
    canvas.TextOut(WorldToPixelX(page.cos + page.check1) + 3, WorldToPixelY(allowed1) + 2,
                   "limits " + Percent(page.limit1) + " % and " + Percent(page.limit2) + " % of the peak");

    // Lateral displacement from BOS, with its limit at the time it is judged.
    const double at = page.bos + page.displacementTime;
    Panel(canvas, 3, page, page.displacement,
          RangeOf(page.time, page.displacement, from, to, {0.0, page.displacementLimit}), from, to,
          "lateral displacement, m", OverlayColours::Green);
    const TWorldWindow w = EffectiveWorld();
    DashedLine(canvas, at, w.YLow, at, w.YHigh, DarkRed, PenStyle::Dash);
    char label[48];
    std::snprintf(label, sizeof label, "BOS + %.2f s", page.displacementTime);
    canvas.TextOut(WorldToPixelX(at) + 3, WorldToPixelY(w.YHigh) + 2, label);
    if (page.displacementJudged) {
        DashedLine(canvas, page.bos, page.displacementLimit, to, page.displacementLimit, DarkRed,
                   PenStyle::Solid);
        char text[64];
        std::snprintf(text, sizeof text, "at least %.2f m", page.displacementLimit);
        canvas.TextOut(WorldToPixelX(page.bos) + 3, WorldToPixelY(page.displacementLimit) + 2, text);
    }
    const std::string axis = "time, s";
    const TViewport &area = Plot().viewports[3];
    canvas.TextOut(area.Right - canvas.TextWidth(axis) - 4, area.Bottom - canvas.TextHeight(axis) - 4, axis);
    Footer(canvas, width, height, page.footer);
}

void DrawSisPage(Canvas &canvas, int width, int height, const SisReportPage &page) {
    const PlotScope scope(&canvas);
    const int margin = FreshPage(width, height);
    int y = TitleAndLines(canvas, margin, page.title, page.lines);
    const std::vector<std::string> noNotes;
    y = WriteTable(canvas, margin, y, width - margin, height - margin,
                   {page.header, page.units, page.rows, page.rowPasses, noNotes}) +
        LineHeight(canvas);
    if (!page.curves.empty() && y < height - 3 * margin) {
        // Steer over lateral acceleration, both in the direction of the turn, to a little past the fit.
        const double xHigh = page.fitHigh * 1.2;
        double yHigh = 1;
        for (const SisCurve &curve : page.curves)
            for (std::size_t i = 0; i < curve.steer.size(); ++i)
                if (curve.lateralAcceleration[i] <= xHigh) yHigh = std::max(yHigh, curve.steer[i]);
        SetViewportRect(1, {margin / 2, y}, {width - margin / 2, height - margin});
        SetWorldRect(1, PointD(0, 0), PointD(xHigh, yHigh * 1.08));
        SelectWorld(1);
        SelectViewport(1);
        DrawAxes(8, 10);
        const TWorldWindow w = EffectiveWorld();
        for (double g : {page.fitLow, page.fitHigh})
            DashedLine(canvas, g, w.YLow, g, w.YHigh, Grey, PenStyle::Dash);
        DashedLine(canvas, page.at, w.YLow, page.at, w.YHigh, DarkRed, PenStyle::Dash);
        char label[48];
        std::snprintf(label, sizeof label, "%g g", page.at);
        canvas.TextOut(WorldToPixelX(page.at) + 3, WorldToPixelY(w.YLow) - canvas.TextHeight(label) - 2,
                       label);
        std::snprintf(label, sizeof label, "fit %g to %g g", page.fitLow, page.fitHigh);
        canvas.TextOut(WorldToPixelX(page.fitLow) + 3, WorldToPixelY(w.YHigh) + 2, label);
        const Color colours[] = {
            OverlayColours::Blue, OverlayColours::Magenta, OverlayColours::Green, DarkRed, Grey,
            Colors::Black};
        std::vector<LegendEntry> legend;
        for (std::size_t k = 0; k < page.curves.size(); ++k) {
            const SisCurve &curve = page.curves[k];
            const Color colour = colours[k % std::size(colours)];
            OverlayTrace trace{{}, colour, ""};
            for (std::size_t i = 0; i < curve.steer.size(); ++i)
                if (curve.lateralAcceleration[i] <= xHigh && std::isfinite(curve.steer[i]))
                    trace.points.push_back(PointD(curve.lateralAcceleration[i], curve.steer[i]));
            const Pen saved = canvas.GetPen();
            canvas.SetPen(Pen{colour, 1, PenStyle::Solid});
            DrawOverlayTrace(trace);
            canvas.SetPen(saved);
            legend.push_back({colour, curve.name});
        }
        DrawLegend(legend);
        const TViewport &area = Plot().viewports[1];
        const std::string xAxis = "lateral acceleration, g", yAxis = "steer, deg";
        canvas.TextOut(area.Right - canvas.TextWidth(xAxis) - 4, area.Bottom - canvas.TextHeight(xAxis) - 4,
                       xAxis);
        canvas.TextOut(area.Left + 4, area.Top + 4, yAxis);
    }
    Footer(canvas, width, height, page.footer);
}

namespace {

// A panel of a handling page in viewport and world n.
void DrawPagePanel(Canvas &canvas, int n, const PagePanel &panel) {
    double low = INFINITY, high = -INFINITY;
    for (const PageTrace &t : panel.traces)
        for (std::size_t i = 0; i < t.x.size(); ++i)
            if (t.x[i] >= panel.xFrom && t.x[i] <= panel.xTo && std::isfinite(t.y[i]))
                low = std::min(low, t.y[i]), high = std::max(high, t.y[i]);
    for (const PageLevel &l : panel.levels) low = std::min(low, l.y), high = std::max(high, l.y);
    if (!std::isfinite(low)) low = -1, high = 1;
    const double margin = std::max(0.08 * (high - low), 1e-3);
    SetWorldRect(n, PointD(panel.xFrom, low - margin), PointD(panel.xTo, high + margin));
    SelectWorld(n);
    SelectViewport(n);
    DrawAxes(8, 10);
    const TWorldWindow w = EffectiveWorld();
    if (w.YLow < 0 && w.YHigh > 0) DashedLine(canvas, panel.xFrom, 0, panel.xTo, 0, Grey, PenStyle::Dot);
    // Each mark's name on the first row at the top where it is clear of the names before it.
    std::vector<std::vector<std::pair<int, int>>> rows;
    for (const PageMark &m : panel.marks) {
        DashedLine(canvas, m.x, w.YLow, m.x, w.YHigh, Grey, PenStyle::Dash);
        const int left = WorldToPixelX(m.x) + 3, right = left + canvas.TextWidth(m.label) + 4;
        std::size_t row = 0;
        for (; row < rows.size(); ++row)
            if (std::none_of(rows[row].begin(), rows[row].end(),
                             [&](const auto &used) { return left < used.second && used.first < right; }))
                break;
        if (row == rows.size()) rows.emplace_back();
        rows[row].push_back({left, right});
        canvas.TextOut(left, WorldToPixelY(w.YHigh) + 2 + static_cast<int>(row) * canvas.TextHeight("Xg"),
                       m.label);
    }
    for (const PageLevel &l : panel.levels) {
        DashedLine(canvas, l.from, l.y, l.to, l.y, DarkRed, PenStyle::Solid);
        canvas.TextOut(WorldToPixelX(l.from) + 3, WorldToPixelY(l.y) + 2, l.label);
    }
    std::vector<LegendEntry> legend;
    for (const PageTrace &t : panel.traces) {
        const Pen saved = canvas.GetPen();
        canvas.SetPen(Pen{t.colour, 2, PenStyle::Solid});
        // The line runs through the points that are figures; a marked point breaks it.
        OverlayTrace line{{}, t.colour, t.label};
        auto flush = [&] {
            if (line.points.size() > 1) DrawOverlayTrace(line);
            line.points.clear();
        };
        for (std::size_t i = 0; i < t.x.size(); ++i) {
            const bool marked = i < t.marked.size() && t.marked[i];
            if (marked || !std::isfinite(t.y[i])) {
                flush();
                continue;
            }
            line.points.push_back(PointD(t.x[i], t.y[i]));
        }
        flush();
        canvas.SetPen(Pen{Grey, 1, PenStyle::Solid});
        for (std::size_t i = 0; i < t.marked.size() && i < t.x.size(); ++i) {
            if (!t.marked[i] || !(t.x[i] >= w.XLow && t.x[i] <= w.XHigh) ||
                !(t.y[i] >= w.YLow && t.y[i] <= w.YHigh))
                continue;
            const int x = WorldToPixelX(t.x[i]), y = WorldToPixelY(t.y[i]);
            canvas.MoveTo(x - 3, y - 3);
            canvas.LineTo(x + 4, y + 4);
            canvas.MoveTo(x - 3, y + 3);
            canvas.LineTo(x + 4, y - 4);
        }
        canvas.SetPen(saved);
        legend.push_back({t.colour, t.label});
    }
    DrawLegend(legend);
    const TViewport &area = Plot().viewports[n];
    canvas.TextOut(area.Right - canvas.TextWidth(panel.xLabel) - 4,
                   area.Bottom - canvas.TextHeight(panel.xLabel) - 4, panel.xLabel);
}

} // namespace

void DrawHandlingPage(Canvas &canvas, int width, int height, const HandlingReportPage &page) {
    SetGraphCanvas(&canvas);
    InitGraph();
    SetViewportRect(1, {0, 0}, {width, height});
    ClearViewport(1);
    const int margin = width / 16;
    {
        const Pen saved = canvas.GetPen();
        canvas.SetPen(Pen{page.pass ? DarkGreen : DarkRed, 1, PenStyle::Solid});
        Title(canvas, margin, margin, page.verdict, 12);
        canvas.SetPen(saved);
        canvas.SetFont(Font{"Arial", 12, true});
        const int indent = std::max(canvas.TextWidth("INVALID   "), canvas.TextWidth(page.verdict + "   "));
        Title(canvas, margin + indent, margin, page.title, 12);
    }
    // The steps across the page, each wrapped at blanks; the figures below them in two columns.
    canvas.SetFont(Font{"Arial", 8, false});
    const int line = LineHeight(canvas), room = width - 2 * margin;
    int y = margin + 2 * line;
    for (const std::string &step : page.steps) {
        std::string text;
        for (std::size_t at = 0; at < step.size();) {
            std::size_t end = step.find(' ', at);
            if (end == std::string::npos) end = step.size();
            const std::string word = step.substr(at, end - at);
            const std::string longer = text.empty() ? word : text + " " + word;
            if (!text.empty() && canvas.TextWidth(longer) > room) {
                canvas.TextOut(margin, y, text);
                y += line;
                text = "    " + word;
            } else {
                text = longer;
            }
            at = end + 1;
        }
        canvas.TextOut(margin, y, text);
        y += line;
    }
    y += line / 2;
    const std::size_t half = (page.figures.size() + 1) / 2;
    const std::vector<std::string> left(page.figures.begin(),
                                        page.figures.begin() + static_cast<std::ptrdiff_t>(half)),
        right(page.figures.begin() + static_cast<std::ptrdiff_t>(half), page.figures.end());
    const int below =
        std::max(WriteLines(canvas, margin, y, left), WriteLines(canvas, width / 2 + margin / 4, y, right));
    canvas.SetFont(Font{"Arial", 9, false});
    Footer(canvas, width, height, page.footer);
    if (page.panels.empty()) return;
    const int start = below + LineHeight(canvas) / 2;
    const int each = (height - margin - start) / static_cast<int>(page.panels.size());
    for (std::size_t k = 0; k < page.panels.size(); ++k) {
        const int n = static_cast<int>(k) + 1;
        SetViewportRect(n, {margin / 2, start + static_cast<int>(k) * each},
                        {width - margin / 2, start + (static_cast<int>(k) + 1) * each});
        DrawPagePanel(canvas, n, page.panels[k]);
    }
}
