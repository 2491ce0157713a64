// Extra traces over a graph (a measured log, another program): points drawn in the current world,
// and a legend that names each trace by its colour.
#pragma once

#include "graph/canvas.h"
#include "graph/plot.h"

#include <string>
#include <vector>

struct OverlayTrace {
    std::vector<TPointD> points; // x increasing (seconds on the program graph), y in the world's units
    Color colour;
    std::string label;
};

struct LegendEntry {
    Color colour;
    std::string label;
};

// Colours for overlays, apart from the black, red, yellow and aqua of the program trace and the
// lime of the first aux flag.
namespace OverlayColours {
constexpr Color Blue{0, 0, 255};
constexpr Color Magenta{200, 0, 200};
} // namespace OverlayColours

// Draws the trace as a line through its points in the current world, clipped to it, and leaves the
// draw colour as it was. Of the points that fall on one pixel column only the first, lowest, highest
// and last are drawn, so a log of millions of points draws in time of the order of the width.
void DrawOverlayTrace(const OverlayTrace &trace);

// A framed legend inside the top right corner of the current plot area: for each entry a short line
// in its colour and its label.
void DrawLegend(const std::vector<LegendEntry> &entries);
