// Zoom, pan and the cursor read-out of the program graph: world windows moved about a point, and
// the step drawn nearest to a time.
#pragma once

#include "compiler/state.h"
#include "graph/plot.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The narrowest time span a zoom goes to, seconds: about two steps at the fastest clock rate.
constexpr double MinZoomSpan = 0.001;

// The world point under a pixel of a plot area, as the plot library maps it.
TPointD ViewPoint(const TViewport &area, const TWorldWindow &world, int px, int py);

// The world scaled by factor about (x, y): both axes' ranges shrink (factor < 1) or grow by the same
// factor, so the window keeps its proportions and the point stays where it was.
TWorldWindow ZoomWorld(const TWorldWindow &world, double x, double y, double factor);

// The world shifted by dx seconds and dy degrees.
TWorldWindow PanWorld(const TWorldWindow &world, double dx, double dy);

// The factor that ZoomWorld may use on a world of time span `span` so that the result stays between
// MinZoomSpan and `fitSpan`; a zoom out that reaches fitSpan returns fitSpan / span.
double ClampZoomFactor(double span, double fitSpan, double factor);

// World 1 of a program's graph as Show set it (fit) and as zoom and pan have moved it since (view).
struct GraphWindow {
    TWorldWindow fit;
    TWorldWindow view;
};

// The aux traces are drawn on -10 to 110 percent over the time of world 1. For a zoomed world 1 (view)
// of the one Show set (fit), the window of the aux traces that zooms with it.
constexpr double AuxLow = -10, AuxHigh = 110;
TWorldWindow AuxWorldFor(const TWorldWindow &fit, const TWorldWindow &view);

// The step of the trace at a time, snapped to the nearest step as the trace draws them: up to the
// end step of a program that ends with END, and repeated after the repeat step of one that ends with
// REPEATPROGRAM.
struct StepReading {
    int index = 0;        // the step, 0 to 16383
    int source = 0;       // the step whose values are drawn there (differs after a repeat)
    float time = 0;       // seconds, where the step is drawn
    float steer = 0;      // degrees
    int rate = 0;         // clock rate, Hz
    double steerRate = 0; // deg/s, from the step before (0 at the first step)
    bool highCurrent = false;
    std::array<std::uint8_t, 8> flags{}; // duty percentages of flags 1 to 8
};
StepReading ReadStepAt(const StepStore &steps, double time);

// From one cursor's step to another's: the time and the steer between them, and the mean steer rate
// (none when both steps are drawn at one time).
struct CursorSpan {
    double dt = 0;               // seconds, to less from
    double dsteer = 0;           // degrees
    std::optional<double> slope; // deg/s
};
CursorSpan SpanBetween(const StepReading &from, const StepReading &to);

// One line for the window's read-out, e.g.
// "Step 2048: t=2.0000 s  steer=12.500 deg  1024 Hz  250.0 deg/s  flags 1 8(50%)  roll-peak bit".
std::string StepReadingText(const StepReading &reading);
