// The vehicle's channels of a measured log: steer, yaw rate, lateral acceleration, and speed and
// roll angle where the log has them, each found by its header name or number, in its unit.
#pragma once

#include "measure/dropouts.h"
#include "measure/logfile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class AccelerationUnit { G, MetresPerSecondSquared };

constexpr double StandardGravity = 9.80665; // m/s² per g

// Which columns to read. A column is a header name or a number counted from 1, as in LogOptions;
// empty: the first column whose name says what it is ("yaw rate", "lateral acceleration", "speed",
// "roll"), else none.
struct VehicleLogOptions {
    LogOptions log; // time and steer columns and their units
    std::string yawColumn, ayColumn, speedColumn, rollColumn;
    std::optional<AccelerationUnit> ayUnit; // unset: the unit in the header ("[m/s2]"), else g
    bool needsYawRate = true;               // false for a slowly increasing steer run
};

// A channel as read: where it came from and the unit it was written in.
struct VehicleChannel {
    LogColumn column; // number 0: the log has no such channel
    std::string unit; // as understood: "deg/s", "rad/s", "g", "m/s2", "km/h", "m/s", "deg", ...
    bool Present() const { return column.number > 0; }
};

struct VehicleLog {
    std::vector<double> time;                // seconds, strictly increasing
    std::vector<double> steer;               // handwheel, degrees
    std::vector<double> yawRate;             // deg/s; empty without the channel
    std::vector<double> lateralAcceleration; // g
    std::vector<double> speed;               // km/h; empty without the channel
    std::vector<double> roll;                // degrees; empty without the channel
    VehicleChannel timeChannel, steerChannel, yawChannel, ayChannel, speedChannel, rollChannel;
    std::vector<LogDropout> dropouts; // of every channel, replaced before anything else
    int skippedRows = 0;              // rows with an empty cell in a channel read
};

// Reads the channels from the bytes of a log (text table or sectioned logger file). A channel that
// the run needs and the log lacks is a FormatError naming it and the columns the log has; so is
// everything ParseLog refuses.
VehicleLog ParseVehicleLog(std::string_view bytes, const VehicleLogOptions &options);

// ParseVehicleLog on a file. Throws FileError or FormatError.
VehicleLog ReadVehicleLog(const std::string &path, const VehicleLogOptions &options);

// The unit of an acceleration named by text ("g", "m/s2", "m/s^2", "m/s²"); nothing for others.
std::optional<AccelerationUnit> AccelerationUnitOf(const std::string &text);
