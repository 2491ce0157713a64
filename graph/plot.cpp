// The plot library: numbered viewports and world windows on one drawing surface, clipped world
// lines and labelled axes.
#include "graph/plot.h"

#include "compiler/format.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

PlotState &Plot() {
    static PlotState state;
    return state;
}

namespace {

TViewport &CurrentViewport() { return Plot().viewports[Plot().currentViewport]; }

// Pixels far outside any surface are held at a billion so that sums of pixels stay in range.
int RoundPixel(long double value) {
    constexpr long double Limit = 1e9L;
    if (std::isnan(value)) return 0;
    value = std::clamp(value, -Limit, Limit);
    return static_cast<int>(std::rint(value)); // half to even, as nearbyint, but without its slow call
}

long double PowerOfTen(int exponent) { return std::exp(exponent * static_cast<long double>(AxisLn10)); }

// The bounds of an axis from lo to hi in ascending order.
void Order(double &lo, double &hi) {
    if (lo > hi) std::swap(lo, hi);
}

int OutCode(const TWorldWindow &w, double x, double y) {
    int code = 0;
    if (x < w.XLow)
        code |= 1;
    else if (x > w.XHigh)
        code |= 2;
    if (y < w.YLow)
        code |= 4;
    else if (y > w.YHigh)
        code |= 8;
    return code;
}

// Places a label at an anchor by the current number alignment.
void DrawLabel(Canvas &canvas, int x, int y, const std::string &text) {
    const auto &s = Plot();
    int w = canvas.TextWidth(text);
    int h = canvas.TextHeight(text);
    switch (s.hAlign) {
    case HAlign::Left:
        break;
    case HAlign::Centre:
        x -= w / 2;
        break;
    case HAlign::Right:
        x -= w;
        break;
    }
    switch (s.vAlign) {
    case VAlign::Top:
        break;
    case VAlign::Centre:
        y -= h / 2;
        break;
    case VAlign::Bottom:
        y -= h;
        break;
    }
    canvas.TextOut(x, y, text);
}

// "10" centred on (x, y) with the exponent as a superscript centred on its top edge.
void DrawMultiplier(Canvas &canvas, int x, int y, int multiplier) {
    const std::string ten = "10";
    int w = canvas.TextWidth(ten);
    int h = canvas.TextHeight(ten);
    canvas.TextOut(x - w / 2, y - h / 2, ten);
    const std::string exponent = std::to_string(multiplier);
    int we = canvas.TextWidth(exponent);
    int he = canvas.TextHeight(exponent);
    canvas.TextOut(x + w - we / 2, y - h / 2 - he / 2, exponent);
}

struct AxesMetrics {
    int leftMargin, bottomMargin, topMargin, rightMargin, tickLength;
};

AxesMetrics MeasureAxes(Canvas &canvas) {
    return {canvas.TextWidth("-10000.0 -"), 2 * canvas.TextHeight("8"), 0, 0, canvas.TextWidth("-")};
}

// A runaway tick loop (a step lost in the magnitude of the ticks) ends here.
constexpr int MaxTicks = 100000;

void DrawYAxis(Canvas &canvas, const TWorldWindow &w, const TViewport &area, int tick,
               std::uint16_t spacingPercent) {
    auto &s = Plot();
    s.hAlign = HAlign::Right;
    s.vAlign = VAlign::Centre;
    int m = MultiplierExponent(w.YLow, w.YHigh);
    if (m != 0) DrawMultiplier(canvas, area.Left - 25, area.Top + 10, m);
    long double rowHeight = static_cast<long double>(canvas.TextHeight("8")) * (spacingPercent + 100) / 100;
    int row = std::max(1, RoundPixel(rowHeight));
    int divisions = std::max(1, (area.Bottom - area.Top) / row);
    double span = w.YHigh - w.YLow;
    TickStep ts = ComputeTickStep(divisions, m, span);
    double sign = span > 0 ? 1 : -1;
    double t = FirstTick(w.YLow, ts.step, m);
    for (int count = 0; count < MaxTicks; ++count) {
        int py = WorldToPixelY(t);
        if (py > area.Top + tick) {
            DrawLabel(canvas, area.Left - 2 * tick, py + 1, AxisLabel(t, m, ts.decimals));
            canvas.MoveTo(area.Left, py);
            canvas.LineTo(area.Left - tick, py);
        }
        t = AdvanceTick(t, ts.step);
        if (!(sign * t <= sign * w.YHigh)) break;
    }
}

// The step whose widest end label still fits between neighbouring ticks, from as many divisions
// as the digit width allows down to one.
TickStep FitXStep(Canvas &canvas, const TWorldWindow &w, const TViewport &area, int m,
                  std::uint16_t labelGap) {
    double span = w.XHigh - w.XLow;
    double sign = span > 0 ? 1 : -1;
    int divisions = std::max(1, std::abs(area.Right - area.Left) / (canvas.TextWidth("8") + labelGap));
    for (;;) {
        TickStep ts = ComputeTickStep(divisions, m, span);
        double t0 = FirstTick(w.XLow, ts.step, m);
        int spacing = std::abs(WorldToPixelX(t0 + ts.step) - WorldToPixelX(t0));
        double last = t0 + ts.step;
        for (int count = 0; count < MaxTicks && sign * (last + ts.step) <= sign * w.XHigh; ++count) {
            last += ts.step;
        }
        int widest = std::max(canvas.TextWidth(AxisLabel(t0, m, ts.decimals)),
                              canvas.TextWidth(AxisLabel(last, m, ts.decimals)));
        if (widest + labelGap < spacing || divisions <= 1) return ts;
        --divisions;
    }
}

void DrawXAxis(Canvas &canvas, const TWorldWindow &w, const TViewport &area, int tick,
               std::uint16_t labelGap) {
    auto &s = Plot();
    s.hAlign = HAlign::Centre;
    s.vAlign = VAlign::Top;
    int m = MultiplierExponent(w.XLow, w.XHigh);
    if (m != 0) DrawMultiplier(canvas, area.Right - 17, area.Bottom + 10, m);
    TickStep ts = FitXStep(canvas, w, area, m, labelGap);
    double sign = w.XHigh - w.XLow > 0 ? 1 : -1;
    double t = FirstTick(w.XLow, ts.step, m);
    for (int count = 0; count < MaxTicks; ++count) {
        int px = WorldToPixelX(t);
        if (px < area.Right - tick) {
            DrawLabel(canvas, px, area.Bottom + (5 * tick) / 4, AxisLabel(t, m, ts.decimals));
            canvas.MoveTo(px, area.Bottom);
            canvas.LineTo(px, area.Bottom + tick);
        }
        t = AdvanceTick(t, ts.step);
        if (!(sign * t <= sign * w.XHigh)) break;
    }
}

} // namespace

void InitGraph() {
    auto &s = Plot();
    s.currentViewport = 0;
    s.currentWorld = 0;
    s.penX = 0;
    s.penY = 0;
    SetDrawColor(Colors::Black);
}

void SetGraphCanvas(Canvas *canvas) { Plot().canvas = canvas; }

PlotScope::PlotScope(Canvas *canvas) : m_saved(Plot()) { SetGraphCanvas(canvas); }

PlotScope::~PlotScope() { Plot() = m_saved; }

Canvas *GetGraphCanvas() { return Plot().canvas; }

TPointD PointD(double x, double y) { return {x, y}; }

void SetViewportRect(int viewport, TPoint topLeft, TPoint bottomRight) {
    assert(viewport >= 1 && viewport <= ViewportCount);
    Plot().viewports[viewport] = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void SetWorldRect(int world, TPointD low, TPointD high) {
    assert(world >= 1 && world <= WorldCount);
    Plot().worlds[world] = {low.x, low.y, high.x, high.y};
}

void SelectViewport(int viewport) {
    assert(viewport >= 0 && viewport <= ViewportCount);
    RestoreFullViewport();
    Plot().currentViewport = static_cast<std::uint16_t>(viewport);
}

void SelectWorld(int world) {
    assert(world >= 0 && world <= WorldCount);
    Plot().currentWorld = static_cast<std::uint16_t>(world);
}

void SetDrawColor(Color color) {
    auto &s = Plot();
    if (s.canvas) {
        Pen pen = s.canvas->GetPen();
        pen.color = color;
        s.canvas->SetPen(pen);
    }
    s.drawColor = color;
}

void RestoreFullViewport() {
    auto &s = Plot();
    if (!s.PlotAreaActive) return;
    if (s.currentViewport != 0) CurrentViewport() = s.fullArea;
    s.PlotAreaActive = false;
}

void ClearViewport(int viewport) {
    assert(viewport >= 1 && viewport <= ViewportCount);
    Canvas *canvas = Plot().canvas;
    if (!canvas) return;
    const Pen savedPen = canvas->GetPen();
    const Brush savedBrush = canvas->GetBrush();
    const Color window = canvas->WindowColor();
    canvas->SetBrush({window, BrushStyle::Solid});
    Pen pen = savedPen;
    pen.color = window;
    canvas->SetPen(pen);
    const TViewport &v = Plot().viewports[viewport];
    canvas->Rectangle(v.Left, v.Top, v.Right, v.Bottom);
    canvas->SetBrush(savedBrush);
    canvas->SetPen(savedPen);
}

void FrameViewport(int viewport) {
    assert(viewport >= 1 && viewport <= ViewportCount);
    Canvas *canvas = Plot().canvas;
    if (!canvas) return;
    Brush brush = canvas->GetBrush();
    brush.style = BrushStyle::Clear;
    canvas->SetBrush(brush);
    const TViewport &v = Plot().viewports[viewport];
    canvas->Rectangle(v.Left, v.Top, v.Right, v.Bottom);
}

TWorldWindow EffectiveWorld() {
    TWorldWindow w = Plot().worlds[Plot().currentWorld];
    if (w.XLow == w.XHigh) {
        w.XLow -= 1;
        w.XHigh += 1;
    }
    if (w.YLow == w.YHigh) {
        w.YLow -= 1;
        w.YHigh += 1;
    }
    return w;
}

int WorldToPixelX(double x) {
    const TWorldWindow w = EffectiveWorld();
    const TViewport &v = CurrentViewport();
    double f = static_cast<double>((static_cast<long double>(x) - w.XLow) /
                                   (static_cast<long double>(w.XHigh) - w.XLow));
    return v.Left + RoundPixel(static_cast<long double>(v.Right - v.Left) * f);
}

int WorldToPixelY(double y) {
    const TWorldWindow w = EffectiveWorld();
    const TViewport &v = CurrentViewport();
    double f = static_cast<double>((static_cast<long double>(y) - w.YLow) /
                                   (static_cast<long double>(w.YHigh) - w.YLow));
    return v.Bottom - RoundPixel(static_cast<long double>(v.Bottom - v.Top) * f);
}

double PixelToWorldX(int px) {
    const TWorldWindow w = EffectiveWorld();
    const TViewport &v = CurrentViewport();
    if (v.Right == v.Left) return w.XLow;
    return static_cast<double>(w.XLow + (static_cast<long double>(w.XHigh) - w.XLow) *
                                            (static_cast<long double>(px) - v.Left) / (v.Right - v.Left));
}

double PixelToWorldY(int py) {
    const TWorldWindow w = EffectiveWorld();
    const TViewport &v = CurrentViewport();
    if (v.Bottom == v.Top) return w.YLow;
    return static_cast<double>(w.YLow + (static_cast<long double>(w.YHigh) - w.YLow) *
                                            (static_cast<long double>(v.Bottom) - py) / (v.Bottom - v.Top));
}

void WorldMoveTo(double x, double y) {
    auto &s = Plot();
    if (s.canvas) s.canvas->MoveTo(WorldToPixelX(x), WorldToPixelY(y));
    s.penX = x;
    s.penY = y;
}

bool ClipSegment(const TWorldWindow &window, double &x1, double &y1, double &x2, double &y2) {
    TWorldWindow w = window;
    Order(w.XLow, w.XHigh);
    Order(w.YLow, w.YHigh);
    // Each pass puts one end on an edge; eight passes cover both ends on both axes.
    for (int pass = 0; pass < 16; ++pass) {
        int c1 = OutCode(w, x1, y1);
        int c2 = OutCode(w, x2, y2);
        if (c1 == 0 && c2 == 0) return true;
        if ((c1 & c2) != 0) return false;
        const bool first = c1 != 0;
        double &px = first ? x1 : x2;
        double &py = first ? y1 : y2;
        const double qx = first ? x2 : x1;
        const double qy = first ? y2 : y1;
        const int code = first ? c1 : c2;
        if (code & 3) {
            const double e = (code & 1) ? w.XLow : w.XHigh;
            py = static_cast<double>(py + (static_cast<long double>(qy) - py) *
                                              (e - static_cast<long double>(px)) /
                                              (static_cast<long double>(qx) - px));
            px = e;
        } else {
            const double e = (code & 4) ? w.YLow : w.YHigh;
            px = static_cast<double>(px + (static_cast<long double>(qx) - px) *
                                              (e - static_cast<long double>(py)) /
                                              (static_cast<long double>(qy) - py));
            py = e;
        }
    }
    return false;
}

void WorldLineTo(double x, double y) {
    auto &s = Plot();
    double x1 = s.penX, y1 = s.penY, x2 = x, y2 = y;
    s.penX = x;
    s.penY = y;
    if (!s.canvas || !ClipSegment(EffectiveWorld(), x1, y1, x2, y2)) return;
    s.canvas->MoveTo(WorldToPixelX(x1), WorldToPixelY(y1));
    s.canvas->LineTo(WorldToPixelX(x2), WorldToPixelY(y2));
}

int MultiplierExponent(double lo, double hi) {
    const long double a = std::max(std::fabs(lo), std::fabs(hi));
    if (a == 0 || std::isnan(a) || std::isinf(a)) return 0;
    if (a >= 10000) return static_cast<int>(std::trunc(std::log(a) / AxisLn10));
    if (a < 0.001) return -static_cast<int>(std::trunc(std::fabs(std::log(a)) / AxisLn10 + 1));
    return 0;
}

TickStep ComputeTickStep(int divisions, int multiplier, double span) {
    const double sign = span > 0 ? 1 : -1;
    const double r = std::fabs(span / std::max(1, divisions));
    if (!(r > 0) || std::isinf(r)) return {sign, 0};
    int e = static_cast<int>(std::trunc(std::log(r) / AxisLn10));
    if (r < 1) --e;
    const long double reduced = r / PowerOfTen(e);
    double g;
    if (reduced <= 1)
        g = 1;
    else if (reduced <= 2)
        g = 2;
    else if (reduced <= 2.5)
        g = 2.5;
    else if (reduced <= 5)
        g = 5;
    else
        g = 10;
    int p = e;
    if (g == 2.5) --p;
    if (g == 10) ++p;
    TickStep ts;
    ts.step = static_cast<double>(PowerOfTen(e) * (sign * g));
    ts.decimals = std::max(0, multiplier - p);
    return ts;
}

double FirstTick(double lo, double step, int multiplier) {
    const long double quotient = std::trunc(static_cast<long double>(lo) / step);
    const long double limit = 9.2e18L;
    const auto k = static_cast<std::int64_t>(std::clamp(std::isnan(quotient) ? 0 : quotient, -limit, limit));
    double t0 = static_cast<double>(k * static_cast<long double>(step));
    const bool outside = (step > 0 && t0 < lo) || (step < 0 && t0 > lo);
    if (std::fabs(static_cast<long double>(t0) - lo) > PowerOfTen(multiplier - 3) && outside) t0 += step;
    return t0;
}

double AdvanceTick(double t, double step) {
    t += step;
    if (std::fabs(t) < step / 1000) t = 0;
    return t;
}

std::string AxisLabel(double value, int multiplier, int decimals) {
    std::string text = FormatFixed(static_cast<double>(value * PowerOfTen(-multiplier)), 0, decimals);
    // A tick a rounding residue below zero reads as zero, not "-0".
    if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos)
        text.erase(0, 1);
    return text;
}

void DrawAxes(std::uint16_t labelGap, std::uint16_t spacingPercent, bool xLabels) {
    auto &s = Plot();
    if (!s.canvas || s.currentViewport == 0) return;
    Canvas &canvas = *s.canvas;
    const Pen savedPen = canvas.GetPen();
    const Font savedFont = canvas.GetFont();
    canvas.SetFont(Font{"Arial", 8, false});

    s.fullArea = CurrentViewport();
    const TWorldWindow w = EffectiveWorld();
    const AxesMetrics m = MeasureAxes(canvas);
    TViewport area;
    area.Left = s.fullArea.Left + m.leftMargin;
    area.Right = s.fullArea.Right - m.rightMargin;
    area.Bottom = s.fullArea.Bottom - m.bottomMargin;
    area.Top = s.fullArea.Top + m.topMargin;
    CurrentViewport() = area;

    canvas.MoveTo(area.Left, area.Bottom);
    canvas.LineTo(area.Left, area.Top);
    canvas.MoveTo(area.Left, area.Bottom);
    canvas.LineTo(area.Right, area.Bottom);
    DrawYAxis(canvas, w, area, m.tickLength, spacingPercent);
    if (xLabels) DrawXAxis(canvas, w, area, m.tickLength, labelGap);

    canvas.SetPen(savedPen);
    canvas.SetFont(savedFont);
    s.PlotAreaActive = true;
}
