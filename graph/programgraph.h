// The program graph: the steer trace of the step store, the aux flag traces over it, and the empty
// axes of the graph image.
#pragma once

#include "compiler/state.h"
#include "graph/canvas.h"
#include "graph/graphview.h"
#include "graph/plot.h"

#include <array>
#include <functional>
#include <optional>

// Which aux flags are drawn over the program graph and in which colour; element 0 is flag 1 (msb).
struct AuxDisplaySettings {
    std::array<bool, 8> selected{true, false, false, false, false, false, false, false};
    std::array<Color, 8> colour{Colors::Lime,  Colors::Black, Colors::Black, Colors::Black,
                                Colors::Black, Colors::Black, Colors::Black, Colors::Black};
    friend bool operator==(const AuxDisplaySettings &, const AuxDisplaySettings &) = default;
};
AuxDisplaySettings &AuxDisplay(); // the settings of this run, edited by the aux view dialog

// A step after an END: ended with a rate below 2048.
bool IsEndStep(const StepRecord &step);
// A step after a REPEATPROGRAM: ended with the rate 2048.
bool IsRepeatStep(const StepRecord &step);
// Time of step i and its index in the program: after a repeat step R the program's own steps are
// drawn again, shifted by whole repeat periods (time[R] x (i div R) + time[i mod R], in single).
struct StepPosition {
    float x;
    int source; // the step whose values are drawn at x
};
StepPosition RepeatedStep(const StepStore &steps, int i, int repeatIndex);

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
};

// Everything Show draws on the current surface after a good compile: world 1, the cleared viewport 1,
// axes and trace, then the aux traces in the window that zooms with world 1. The window's Show, its
// zoom, pan and Fit, and quillard-cli plot all draw through here.
void ShowProgramGraph(const StepStore &steps, int endIndex, float maxSteer, const ShowOptions &options = {});
// SetUpEmptyGraph on a fresh surface of the given size, then ShowProgramGraph: the picture Show
// leaves in a graph image of that size.
void DrawProgramGraph(Canvas &canvas, int width, int height, const StepStore &steps, int endIndex,
                      float maxSteer, const AuxDisplaySettings *aux);
