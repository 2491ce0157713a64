// A frequency response drawn as two graphs over frequency: gain in dB above, phase in degrees below. The
// steer's own (measured over commanded), and the vehicle's responses per steer where a log has them,
// each response's frequencies that are no figures (low coherence, no input) drawn as crosses apart from
// its line.
#pragma once

#include "graph/canvas.h"

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
    std::vector<ResponseTrace> vehicle; // the vehicle's responses, where the log has them
};

// Draws the response on a fresh surface of the given size: viewport 1 (the upper half) and world 1
// hold the gain, viewport 2 and world 2 the phase.
void DrawResponseGraph(Canvas &canvas, int width, int height, const ResponseCurve &curve);
