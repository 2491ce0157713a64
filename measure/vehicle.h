// A rehearsal vehicle: a single-track (bicycle) model with saturating tyres and a simple stability
// control, driven by a program's steer to make logs for dry runs and tests. It is no prediction of
// any real vehicle's response.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct VehicleParameters {
    std::string name = "rehearsal car";
    double speed = 80;               // km/h, held constant
    double mass = 1650;              // kg
    double yawInertia = 2900;        // kg m²
    double frontAxle = 1.2;          // m from the centre of gravity
    double rearAxle = 1.6;           // m from the centre of gravity
    double frontCornering = 100000;  // N/rad, both front tyres
    double rearCornering = 120000;   // N/rad, both rear tyres
    double friction = 0.95;          // tyre-road friction coefficient: the tyres' force limit
    double steeringRatio = 16;       // handwheel angle per road-wheel angle
    double stabilityControl = 20000; // N m per rad/s of yaw rate beyond the driver's intent; 0: none
    double gvwr = 2150;              // kg gross vehicle weight rating, for the report
};

// The parameter file: "name = value" lines, '#' starting a comment; names as DefaultVehicleText
// writes them. Throws FormatError naming the line for an unknown name, a bad number or a value out
// of range.
VehicleParameters ParseVehicleParameters(std::string_view text);

// The default car's parameter file, with a comment on every line.
std::string DefaultVehicleText();

struct VehicleSample {
    double time = 0;                // s
    double steer = 0;               // handwheel, deg
    double yawRate = 0;             // deg/s
    double lateralAcceleration = 0; // g
    double speed = 0;               // km/h
};

// Drives the vehicle straight ahead at its speed with the handwheel angle steerAt(t) (degrees) from
// time 0 to the duration, and samples it at the rate (Hz). Integrated with fourth-order Runge-Kutta
// steps of at most a millisecond.
std::vector<VehicleSample> SimulateVehicle(const VehicleParameters &vehicle,
                                           const std::function<double(double)> &steerAt, double duration,
                                           double sampleRate);

// The samples as a log in the reader's format: comment lines naming the model and the vehicle (and the
// note), a header "time [s],steer [deg],yaw rate [deg/s],lateral acceleration [g],speed [km/h]", then
// a row per sample; LF line ends.
std::string SimulatedLogText(const VehicleParameters &vehicle, const std::vector<VehicleSample> &samples,
                             const std::string &note);
