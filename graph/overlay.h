// Extra traces over a graph (a measured log, another program): points drawn in the current world,
// and a legend that names each trace by its colour.
#pragma once

#include "compiler/state.h"
#include "graph/canvas.h"
#include "graph/plot.h"

#include <cstddef>

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
constexpr Color Green{0, 128, 0};
constexpr Color Orange{230, 120, 0};
constexpr Color Purple{110, 40, 180};
constexpr Color Brown{140, 80, 20};
} // namespace OverlayColours

// The colour of the n-th overlaid program (from 0): magenta, green, orange, purple, brown, then round
// again. Blue stays with the measured trace.
Color ProgramOverlayColour(std::size_t n);

// A program's steer trace as points for an overlay, as the program graph draws it: one point per
// step, straight between them; after an END the end angle held to the last step's time, after a
// REPEATPROGRAM the program played again.
std::vector<TPointD> ProgramTracePoints(const StepStore &steps);

// Draws the trace as a line through its points in the current world, clipped to it, and leaves the
// draw colour as it was. Of the points that fall on one pixel column only the first, lowest, highest
// and last are drawn, so a log of millions of points draws in time of the order of the width.
void DrawOverlayTrace(const OverlayTrace &trace);

// A framed legend inside the top right corner of the current plot area, `inset` pixels further left
// (clear of a button over the corner): for each entry a short line in its colour and its label.
void DrawLegend(const std::vector<LegendEntry> &entries, int inset = 0);

// The legend as a band across the top of an area, outside the traces: the entries side by side from
// the left, a further row where the next one would come within LegendBandReserve pixels of the right
// edge (room for a button there). Returns the band's height (0 without entries); draws only when asked.
constexpr int LegendBandReserve = 48;
int LegendBand(const std::vector<LegendEntry> &entries, const TViewport &area, bool draw);
