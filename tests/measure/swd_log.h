// Sine-with-dwell and slowly increasing steer runs sampled from formulas, with known answers.
#pragma once

#include "measure/channels.h"

#include <cmath>
#include <functional>

// The steer of a sine with dwell starting at t0: amplitude A, frequency f, dwell 0.5 s, positive first.
inline double SineWithDwellSteer(double t, double t0, double amplitude, double f = 0.7) {
    const double pi = 3.14159265358979323846, tau = t - t0;
    if (tau < 0) return 0;
    if (tau < 0.75 / f) return amplitude * std::sin(2 * pi * f * tau);
    if (tau < 0.75 / f + 0.5) return -amplitude;
    if (tau < 1 / f + 0.5) return amplitude * std::sin(2 * pi * f * (tau - 0.5));
    return 0;
}

// A log sampled at the rate from 0 to the end, each channel a function of time.
inline VehicleLog SampledVehicleLog(double rate, double end, const std::function<double(double)> &steer,
                                    const std::function<double(double)> &yaw,
                                    const std::function<double(double)> &ay) {
    VehicleLog log;
    for (long k = 0; k <= static_cast<long>(end * rate); ++k) {
        const double t = static_cast<double>(k) / rate;
        log.time.push_back(t);
        log.steer.push_back(steer(t));
        log.yawRate.push_back(yaw(t));
        log.lateralAcceleration.push_back(ay(t));
    }
    return log;
}
