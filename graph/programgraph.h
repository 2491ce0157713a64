// The program graph: the steer trace of the step store, the aux flag traces over it, and the empty
// axes of the graph image.
#pragma once

#include "compiler/state.h"
#include "graph/canvas.h"
#include "graph/graphview.h"
#include "graph/overlay.h"
#include "graph/plot.h"
#include "graph/steptimes.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The default colours of the aux flags 1 to 8, apart from each other, from the program trace's and from
// the overlays' colours.
namespace AuxColours {
constexpr Color Azure{0, 150, 255};
constexpr Color Rose{255, 0, 128};
constexpr Color Olive{128, 128, 0};
constexpr Color SeaGreen{0, 160, 120};
constexpr Color Maroon{128, 0, 0};
constexpr Color Grey{110, 110, 110};
constexpr Color Navy{0, 0, 128};
} // namespace AuxColours

// Which aux flags are drawn over the program graph and in which colour; element 0 is flag 1 (msb).
struct AuxDisplaySettings {
    std::array<bool, 8> selected{true, false, false, false, false, false, false, false};
    std::array<Color, 8> colour{Colors::Lime,         AuxColours::Azure,  AuxColours::Rose, AuxColours::Olive,
                                AuxColours::SeaGreen, AuxColours::Maroon, AuxColours::Grey, AuxColours::Navy};
    friend bool operator==(const AuxDisplaySettings &, const AuxDisplaySettings &) = default;
};
AuxDisplaySettings &AuxDisplay(); // the settings of this run, edited by the aux view dialog

// Sets up the graph surface: viewport 1 is the whole surface, world 1 the empty-graph ranges
// (0 to 64 s, -110 to 110 degrees), with axes drawn. The canvas becomes the plot library's surface.
void SetUpEmptyGraph(Canvas &canvas, int width, int height);
// Clears viewport 1 and draws the axes of world 1 as it stands.
void ClearGraphToAxes();
// World 1 := 0 to one second past the end step, -1.1 to 1.1 x maxSteer; selects world 1 and black.
void SetProgramWorld(const StepStore &steps, int endIndex, float maxSteer);
// Draws the compiled steer trace in world 1: black, red where bit15 is set, yellow after END, aqua
// after REPEATPROGRAM; a run of equal angles costs one line.
void DrawProgramTrace(const StepStore &steps);
// Draws the selected aux flags as stepped traces on -10..110 percent (world 2) over the program's time,
// or in the given window (a zoomed graph), then selects world 1.
void DrawAuxTraces(const StepStore &steps, int endIndex, const AuxDisplaySettings &settings,
                   const TWorldWindow *world = nullptr);

// What Show draws besides the steer trace, and in which world.
struct ShowOptions {
    const AuxDisplaySettings *aux = nullptr; // the aux traces drawn over the trace, or none
    std::optional<GraphWindow> window;       // a zoomed or panned graph; none: the program's own world
    std::function<void()> afterTrace;        // runs after the trace, before the aux traces (the snapshot)
    std::vector<LegendEntry> legend;         // named in a band above the plot area; none: no band
};

// Everything Show draws on the current surface after a good compile: world 1, the cleared viewport 1,
// the legend's band, axes and trace, then the aux traces in the window that zooms with world 1. The
// window's Show, its zoom, pan and Fit, Save Graph As and quillard-cli plot all draw through here.
void ShowProgramGraph(const StepStore &steps, int endIndex, float maxSteer, const ShowOptions &options = {});
// SetUpEmptyGraph on a fresh surface of the given size, then ShowProgramGraph: the picture Show
// leaves in a graph image of that size, and the plot library as Show leaves it (drawing on the canvas).
void DrawProgramGraph(Canvas &canvas, int width, int height, const StepStore &steps, int endIndex,
                      float maxSteer, const AuxDisplaySettings *aux);

// The legend of a program graph: the program's trace (black), the traces over it and the aux flags
// drawn, each by its colour ("aux bit 2"); none when the program's trace is alone.
std::vector<LegendEntry> GraphLegend(const std::string &programLabel, std::vector<LegendEntry> overlays,
                                     const AuxDisplaySettings *aux);

// A whole picture of a program graph: what the window shows of it, saves with Save Graph As, and what
// quillard-cli plot writes.
struct GraphPicture {
    std::string programLabel = "program"; // the program's trace in the legend: "program 3"
    const AuxDisplaySettings *aux = nullptr;
    std::optional<GraphWindow> window;  // zoomed or panned; none: the program's own world
    std::vector<OverlayTrace> overlays; // drawn over the program's trace, under the aux traces
};
// Where a picture drew its program: the plot area in pixels and the world it shows, for reading a
// position on the picture back as a time and a steer.
struct DrawnGraph {
    TViewport area;
    TWorldWindow world;
};
// SetUpEmptyGraph on a fresh surface of the size, then the picture through ShowProgramGraph; the plot
// library is left as it was found (PlotScope).
DrawnGraph DrawGraphPicture(Canvas &canvas, int width, int height, const StepStore &steps, int endIndex,
                            float maxSteer, const GraphPicture &picture);
