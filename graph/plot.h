// The plot library: numbered viewports and world windows on one drawing surface, clipped world
// lines and labelled axes.
#pragma once

#include "graph/canvas.h"

#include <array>
#include <cstdint>
#include <string>

// A rectangle in device pixels, y growing downward.
struct TViewport {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const TViewport &, const TViewport &) = default;
};

// A range in the caller's units: XLow maps to the viewport's Left, XHigh to Right, YLow to Bottom,
// YHigh to Top. Low may exceed High; the axis then runs the other way.
struct TWorldWindow {
    double XLow = 0, YLow = 0, XHigh = 0, YHigh = 0;
    friend bool operator==(const TWorldWindow &, const TWorldWindow &) = default;
};

struct TPointD {
    double x = 0, y = 0;
};
struct TPoint {
    int x = 0, y = 0;
};

enum class HAlign { Left, Centre, Right };
enum class VAlign { Top, Centre, Bottom };

constexpr int ViewportCount = 26; // viewports 1..26
constexpr int WorldCount = 21;    // worlds 1..21

// ln 10 as the axes have always computed it: nine decimals, slightly above the true value. Tick
// steps, multipliers and label powers depend on the excess, so it is kept as it stands.
constexpr double AxisLn10 = 2.302585093;

struct PlotState {
    Canvas *canvas = nullptr;                             // the current drawing surface, not owned
    std::array<TViewport, ViewportCount + 1> viewports{}; // entry 0 stands for "none selected"
    std::array<TWorldWindow, WorldCount + 1> worlds{};    // entry 0 likewise
    std::uint16_t currentViewport = 0;
    std::uint16_t currentWorld = 0;
    double penX = 0, penY = 0; // world units: start of the next world line
    Color drawColor = Colors::Black;
    TViewport fullArea{};        // the full area of the viewport the axes were last drawn in
    bool PlotAreaActive = false; // the current viewport holds the plot area, fullArea its full area
    HAlign hAlign = HAlign::Centre;
    VAlign vAlign = VAlign::Centre;
};

PlotState &Plot(); // the one instance

// Makes a canvas the plot library's surface for as long as it lives, and gives the library back as it
// found it (its surface, viewports, worlds, pen position and colour) on every way out, an exception
// included. Whatever draws a page, a file or a picture on a surface of its own draws inside one, so
// that nothing is left drawing on a surface that is gone.
class PlotScope {
public:
    explicit PlotScope(Canvas *canvas);
    ~PlotScope();
    PlotScope(const PlotScope &) = delete;
    PlotScope &operator=(const PlotScope &) = delete;

private:
    PlotState m_saved;
};

void InitGraph();
void SetGraphCanvas(Canvas *canvas);
Canvas *GetGraphCanvas();
TPointD PointD(double x, double y);
void SetViewportRect(int viewport, TPoint topLeft, TPoint bottomRight);
void SetWorldRect(int world, TPointD low, TPointD high);
// Restores the full area of an axes-shrunk viewport first, then makes the number current.
void SelectViewport(int viewport);
void SelectWorld(int world);
void SetDrawColor(Color color);
// Writes the remembered full area back into the current viewport after DrawAxes shrank it.
void RestoreFullViewport();
// Paints the viewport in the system window colour, leaving pen and brush as they were.
void ClearViewport(int viewport);
// Outlines the viewport with the current pen; the brush stays hollow afterwards.
void FrameViewport(int viewport);

int WorldToPixelX(double x);
int WorldToPixelY(double y);
double PixelToWorldX(int px);
double PixelToWorldY(int py);
void WorldMoveTo(double x, double y);
// Draws the part of the line from the pen position to (x, y) inside the world window; the pen
// position becomes the unclipped end.
void WorldLineTo(double x, double y);

// Draws labelled axes in the current viewport for the current world, then leaves the inner plot
// area as the current viewport's rectangle until the next SelectViewport or RestoreFullViewport.
// Without xLabels the X axis is a bare line: its caller labels it (a logarithmic axis).
void DrawAxes(std::uint16_t labelGap, std::uint16_t spacingPercent, bool xLabels = true);

// The pieces of the axes, public for the graph printing and for tests.

// The current world as the transforms see it: an axis with equal bounds is widened to bound -/+ 1.
TWorldWindow EffectiveWorld();

// Cohen-Sutherland clip of (x1, y1)-(x2, y2) against the window; false when nothing is inside.
bool ClipSegment(const TWorldWindow &window, double &x1, double &y1, double &x2, double &y2);

// Power of ten shown beside an axis from lo to hi: labels show value x 10^-M.
int MultiplierExponent(double lo, double hi);

struct TickStep {
    double step = 0; // signed like hi - lo
    int decimals = 0;
};
// The round tick step for about n divisions of the span hi - lo.
TickStep ComputeTickStep(int divisions, int multiplier, double span);
// The first tick at or just inside lo.
double FirstTick(double lo, double step, int multiplier);
// The next tick, with the rounding residue at zero removed.
double AdvanceTick(double t, double step);
// Label text of a tick value: value x 10^-M with the given decimals, no leading blanks.
std::string AxisLabel(double value, int multiplier, int decimals);
