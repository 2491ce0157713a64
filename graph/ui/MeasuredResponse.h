// The frequency response of a measured sweep as the response graph draws it, for the window's view and
// quillard-cli plot --bode alike.
#pragma once

#include "graph/responsegraph.h"
#include "measure/compare.h"

#include <optional>

// The gain and phase of a comparison's sweep; none when the comparison has no frequency response.
inline std::optional<ResponseCurve> ResponseCurveOf(const Comparison &comparison) {
    if (!comparison.response) return std::nullopt;
    ResponseCurve curve;
    for (const ResponsePoint &p : comparison.response->points) {
        curve.frequency.push_back(p.frequency);
        curve.gainDb.push_back(p.gainDb);
        curve.phaseDeg.push_back(p.phaseDeg);
    }
    curve.bandwidthHz = comparison.response->bandwidthHz;
    curve.logarithmic = comparison.response->logarithmic;
    return curve;
}
