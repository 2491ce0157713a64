// A frequency response drawn as two graphs over frequency: gain in dB above, phase in degrees below.
#pragma once

#include "graph/canvas.h"

#include <optional>
#include <vector>

struct ResponseCurve {
    std::vector<double> frequency; // Hz, increasing
    std::vector<double> gainDb;
    std::vector<double> phaseDeg;
    std::optional<double> bandwidthHz; // marked on the gain graph when given
};

// Draws the response on a fresh surface of the given size: viewport 1 (the upper half) and world 1
// hold the gain, viewport 2 and world 2 the phase.
void DrawResponseGraph(Canvas &canvas, int width, int height, const ResponseCurve &curve);
