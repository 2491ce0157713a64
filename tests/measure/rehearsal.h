// Sine-with-dwell logs of the rehearsal vehicle, as columns a test can corrupt and write as a logger
// would: a CSV with units in its header, or a sectioned logger file.
#pragma once

#include "measure/channels.h"
#include "measure/evaluate.h"
#include "measure/vehicle.h"
#include "swd_log.h"

#include <cstdio>
#include <string>
#include <vector>

// The run's channels, as a logger writes them.
struct RunColumns {
    std::vector<double> time, steer, yaw, ay, speed; // s, deg, deg/s, g, km/h
    std::vector<std::string> units{"s", "deg", "deg/s", "g", "km/h"};
    bool withSpeed = true;
};

// A sine with dwell of the amplitude from 2 s, 0.7 Hz, logged at the rate to 3 s after its end.
inline RunColumns DriveSineWithDwell(const VehicleParameters &car, double amplitude, double rate = 200) {
    const auto samples = SimulateVehicle(
        car, [=](double t) { return SineWithDwellSteer(t, 2, amplitude); }, 2 + 1 / 0.7 + 0.5 + 3, rate);
    RunColumns c;
    for (const VehicleSample &s : samples) {
        c.time.push_back(s.time);
        c.steer.push_back(s.steer);
        c.yaw.push_back(s.yawRate);
        c.ay.push_back(s.lateralAcceleration);
        c.speed.push_back(s.speed);
    }
    return c;
}

// The cars of the tests: one that passes, one whose yaw rate decays too slowly, one that spins out, one
// that moves too little sideways.
inline VehicleParameters PassingCar() { return {}; }
inline VehicleParameters SlowYawCar() {
    VehicleParameters car;
    car.stabilityControl = 1500; // ratios about 49 % and 33 %
    return car;
}
inline VehicleParameters SpinningCar() {
    VehicleParameters car;
    car.stabilityControl = 0; // the yaw rate stays at its peak
    return car;
}
inline VehicleParameters SlidingCar() {
    VehicleParameters car;
    car.friction = 0.4; // displacement about 1.49 m
    return car;
}

// "time [s],steer [deg],...": a unit left empty is left out of the header.
inline std::string CsvOf(const RunColumns &c) {
    const char *names[] = {"time", "steer", "yaw rate", "lateral acceleration", "speed"};
    std::string text;
    for (std::size_t k = 0; k < 5; ++k) {
        if (k == 4 && !c.withSpeed) break;
        text += (k ? "," : "") + std::string(names[k]) + (c.units[k].empty() ? "" : " [" + c.units[k] + "]");
    }
    text += "\n";
    char row[200];
    for (std::size_t i = 0; i < c.time.size(); ++i) {
        std::snprintf(row, sizeof row, "%.4f,%.6g,%.6g,%.6g", c.time[i], c.steer[i], c.yaw[i], c.ay[i]);
        text += row;
        if (c.withSpeed) text += "," + std::to_string(c.speed[i]);
        text += "\n";
    }
    return text;
}

// The same run as a sectioned logger file, its time of day from 10:15:00, units in channel order.
inline std::string VboOf(const RunColumns &c) {
    std::string text =
        "File created on 08/12/2026\n\n[header]\nsatellites\ntime\nvelocity kmh\nSteer\nYawRate\n"
        "LatAcc\n\n[channel units]\n\ns\nkm/h\n" +
        c.units[1] + "\n" + c.units[2] + "\n" + c.units[3] +
        "\n\n[column names]\nsats time velocity Steer YawRate LatAcc\n\n[data]\n";
    char row[200];
    for (std::size_t i = 0; i < c.time.size(); ++i) {
        const double seconds = 15 * 60 + c.time[i];
        const double hhmmss = 100000 + std::floor(seconds / 60) * 100 + std::fmod(seconds, 60);
        std::snprintf(row, sizeof row, "012 %09.3f %+010.3f %+.5f %+.5f %+.6f\n", hhmmss, c.speed[i],
                      c.steer[i], c.yaw[i], c.ay[i]);
        text += row;
    }
    return text;
}

inline VehicleLog LogOf(const std::string &text, const VehicleLogOptions &options = {}) {
    return ParseVehicleLog(text, options);
}

// A = 27 deg (the default car's), the run commanded at its amplitude.
inline SwdOptions OptionsFor(double amplitude) {
    SwdOptions options;
    options.amplitudeA = 27;
    options.commandedAmplitude = amplitude;
    return options;
}
