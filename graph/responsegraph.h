// A frequency response drawn as two graphs over frequency: gain in dB above, phase in degrees below. The
// steer's own (measured over commanded), and the vehicle's responses per steer where a log has them,
// each response's frequencies that are no figures (low coherence, no input) drawn as crosses apart from
// its line.
#pragma once

#include "graph/canvas.h"
#include "graph/plot.h"

#include <optional>
#include <string>
#include <vector>

// A response of the vehicle per steer: its gain in dB of its steady-state gain (named in its label).
struct ResponseTrace {
    std::string label; // "yaw rate per steer (0 dB: 0.306 deg/s per deg)"
    std::vector<double> frequency, gainDb, phaseDeg;
    std::vector<char> marked; // no figure there
    Color colour;
};

struct ResponseCurve {
    std::vector<double> frequency; // Hz, increasing: the steer's, measured over commanded
    std::vector<double> gainDb;
    std::vector<double> phaseDeg;
    std::optional<double> bandwidthHz;  // marked on the gain graph when given
    bool logarithmic = false;           // frequency in decades (the response of a logarithmic sweep)
    std::vector<ResponseTrace> vehicle; // the vehicle's responses, where the log has them
};

// Where the two graphs were drawn: their plot areas in pixels and their worlds (frequency in decades,
// log10 Hz, on a logarithmic axis).
struct ResponseLayout {
    TViewport gainArea, phaseArea;
    TWorldWindow gain, phase;
    bool logarithmic = false;
};

// Draws the response on a fresh surface of the given size through viewports and worlds 1 (the upper
// half: the gain) and 2 (the phase), and leaves the plot library as it found it (PlotScope). A
// logarithmic curve has its frequency axis in decades, labelled at 1, 2 and 5 of each.
ResponseLayout DrawResponseGraph(Canvas &canvas, int width, int height, const ResponseCurve &curve);

// The frequency (Hz) and the gain (dB) or phase (deg) under a pixel of one of the two plot areas; none
// outside them.
std::optional<TPointD> ResponsePointAt(const ResponseLayout &layout, int x, int y);

// The ticks of a logarithmic axis from low to high (Hz, both above 0): 1, 2 and 5 of every decade,
// every whole multiple when that gives fewer than three, and the ends when even that gives fewer.
std::vector<double> DecadeTicks(double low, double high);
