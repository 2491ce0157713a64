// The frequency response of a measured sweep as the response graph draws it, for the window's view and
// quillard-cli plot --bode alike: the steer's (measured over commanded) and, where the log has a yaw rate
// and a lateral acceleration, the vehicle's per steer.
#pragma once

#include "graph/overlay.h"
#include "graph/responsegraph.h"
#include "measure/compare.h"
#include "measure/freqresponse.h"

#include <cmath>
#include <cstdio>
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

// The frequencies drawn past the last that is a figure, Hz.
constexpr double MarkedBeyond = 0.25;

// The vehicle's responses of an evaluated frequency response, each gain in dB of its steady-state gain
// (the gain at the lowest frequency that is a figure), frequencies that are no figures marked; nothing
// when the evaluation gave no table.
inline std::vector<ResponseTrace> VehicleResponseTraces(const HandlingResult &response) {
    std::vector<ResponseTrace> traces;
    if (!response.response) return traces;
    const ResponseTable &table = *response.response;
    const std::tuple<bool, const char *, const char *, Color> responses[] = {
        {false, "yaw rate", "deg/s per deg", OverlayColours::Magenta},
        {true, "lateral acceleration", "g per 100 deg", OverlayColours::Green}};
    for (const auto &[ay, name, unit, colour] : responses) {
        ResponseTrace t;
        t.colour = colour;
        double reference = 0;
        for (const ResponseRow &row : table.rows) {
            const ResponseValue &v = ay ? row.lateralAcceleration : row.yawRate;
            if (reference == 0 && v.mark.empty()) reference = v.gain;
        }
        // Up to a little past the last frequency that is a figure of either response.
        double last = 0;
        for (const ResponseRow &row : table.rows)
            if (row.yawRate.mark.empty() || row.lateralAcceleration.mark.empty()) last = row.frequency;
        for (const ResponseRow &row : table.rows) {
            if (row.frequency > last + MarkedBeyond) break;
            const ResponseValue &v = ay ? row.lateralAcceleration : row.yawRate;
            t.frequency.push_back(row.frequency);
            t.gainDb.push_back(reference > 0 && v.gain > 0 ? 20 * std::log10(v.gain / reference) : NAN);
            t.phaseDeg.push_back(v.phase);
            t.marked.push_back(!v.mark.empty());
        }
        char label[120];
        if (reference > 0)
            std::snprintf(label, sizeof label, "%s per steer (0 dB: %.4g %s)", name, reference, unit);
        else
            std::snprintf(label, sizeof label, "%s per steer (no frequency is a figure)", name);
        t.label = label;
        traces.push_back(std::move(t));
    }
    return traces;
}

// The vehicle's responses per steer of a log file read with the log's options, where it has a yaw rate
// and a lateral acceleration; none where it has not, or where its vehicle's channels cannot be read.
inline std::vector<ResponseTrace> VehicleResponseOfFile(const std::string &path, const LogOptions &options) {
    VehicleLogOptions reading;
    reading.log = options;
    reading.needsYawRate = false;
    try {
        const VehicleLog log = ReadVehicleLog(path, reading);
        if (log.yawRate.empty()) return {};
        return VehicleResponseTraces(EvaluateFrequencyResponse(log));
    } catch (const FormatError &) {
        return {}; // no lateral acceleration: the steer's response alone
    }
}
