// A rehearsal vehicle: a single-track (bicycle) model with saturating tyres and a simple stability
// control, driven by a program's steer to make logs for dry runs and tests. It is no prediction of
// any real vehicle's response. In its linear mode (tyre forces proportional to their slip angles, no
// stability control) it is the reference vehicle whose step and frequency responses are known in closed
// form. Its body rolls as a second-order system driven by the lateral acceleration, not acting back.
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
    double rollGradient = 4.5;       // deg of body roll per g in a steady turn
    double rollFrequency = 1.5;      // Hz, the body's natural frequency in roll
    double rollDamping = 0.4;        // of the critical damping
    double track = 1.6;              // m between the wheels of an axle
    double liftRoll = 7;             // deg of roll at which the wheels of the inner side leave the ground
};

// How the vehicle is driven beyond its steer.
struct VehicleDrive {
    bool linear = false; // tyre forces proportional to slip, no friction limit and no stability control
    // Program times (s) at which the machine waits for the roll-rate feedback (a WAITFORROLLPEAK: the
    // rising edges of the roll-peak flag): it holds the steer there until the roll rate, once above
    // RollFeedbackRate, falls back to it, the instant the body reaches its peak roll, then goes on.
    std::vector<double> rollPeakWaits;
};

// The roll rate (deg/s) at which the machine's roll-rate feedback ends a wait: NHTSA's fishhook reverses
// the steer when the roll rate falls to 1.5 deg/s, at the first peak of the roll angle. A wait whose
// roll rate never comes back is ended after LongestRollWait.
constexpr double RollFeedbackRate = 1.5; // deg/s
constexpr double LongestRollWait = 5;    // s

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
    double sideslip = 0;            // deg, atan of lateral over forward velocity at the centre of gravity
    double roll = 0;                // deg
    double rollRate = 0;            // deg/s
    double lift = 0;                // mm the wheels of the inner side are off the ground
};

// Drives the vehicle straight ahead at its speed with the handwheel angle steerAt(t) (degrees, t the
// program's time) from time 0 to the duration (and as long again as the machine waited for the roll-rate
// feedback), and samples it at the rate (Hz). Integrated with
// fourth-order Runge-Kutta steps of at most a millisecond. Throws FormatError when the run leaves what a
// vehicle can do (a model that diverges, or a linear vehicle steered beyond its linear range).
std::vector<VehicleSample> SimulateVehicle(const VehicleParameters &vehicle,
                                           const std::function<double(double)> &steerAt, double duration,
                                           double sampleRate, const VehicleDrive &drive = {});

// The samples as a log in the reader's format: comment lines naming the model (linear or not) and the
// vehicle (and the note), a header "time [s],steer [deg],yaw rate [deg/s],lateral acceleration
// [g],sideslip [deg],roll [deg],roll rate [deg/s],wheel lift [mm],speed [km/h]", then a row per sample;
// LF line ends.
std::string SimulatedLogText(const VehicleParameters &vehicle, const std::vector<VehicleSample> &samples,
                             const std::string &note, bool linear = false);
