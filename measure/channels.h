// The vehicle's channels of a measured log: steer, yaw rate, lateral acceleration, and speed, roll angle,
// sideslip angle, roll rate, wheel lift and a mark where the log has them, each picked from the log's
// one table by the table of channel kinds, in its unit.
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
// empty: the column named as the channel (see channelkinds.h), else none. A unit given here wins over
// the header's; the header's over the default.
struct VehicleLogOptions {
    LogOptions log; // time, steer and mark columns and their units, the steer's dropout rules (its limit
                    // from the program's maxsteer, its commanded pulses), and the part read; the mark is
                    // found by its name here
    std::string yawColumn, ayColumn, speedColumn, rollColumn, sideslipColumn, rollRateColumn, liftColumn;
    std::optional<AccelerationUnit> ayUnit; // unset: the unit in the header ("[m/s2]"), else g
    std::string yawUnit;                    // "deg/s" or "rad/s"; empty: the header's, else deg/s
    std::string speedUnit;                  // "km/h", "m/s", "mph" or "kn"; empty: the header's, else km/h
    std::string liftUnit;                   // "mm", "cm", "m" or "in"; empty: the header's, else not stated
    bool needsYawRate = true;               // false for a slowly increasing steer run
    bool needsLateralAcceleration = true;
    bool needsRoll = false; // true for a fishhook or a J-turn
    bool needsSteer = true; // false: a log looked into may have none
    // The column given for a channel (the time, steer and mark's are in log).
    const std::string &ColumnOf(ChannelKind kind) const;
};

// A channel as read: where it came from and the unit it was written in.
struct VehicleChannel {
    LogColumn column;        // number 0: the log has no such channel
    std::string unit;        // as understood: "deg/s", "rad/s", "g", "m/s2", "km/h", "m/s", "deg", "mm", ...
    bool unitStated = false; // by an option or the header; else the channel's default, which holds only
                             // where its values are plausible for it
    std::string unitProblem; // why the unit the header states cannot be the channel's; empty when it can
    std::string unitWarning; // a unit the reader does not know, read as the default
    bool Present() const { return column.number > 0; }
};

struct VehicleLog {
    std::vector<double> time;                // seconds, strictly increasing
    std::vector<double> steer;               // handwheel, degrees
    std::vector<double> yawRate;             // deg/s; empty without the channel
    std::vector<double> lateralAcceleration; // g; empty without the channel
    std::vector<double> speed;               // km/h; empty without the channel
    std::vector<double> roll;                // degrees; empty without the channel
    std::vector<double> sideslip;            // degrees; empty without the channel
    std::vector<double> rollRate;            // deg/s; empty without the channel
    std::vector<double> wheelLift;           // mm; empty without the channel
    std::vector<double> mark;                // as written; empty without the channel
    VehicleChannel timeChannel, steerChannel, yawChannel, ayChannel, speedChannel, rollChannel,
        sideslipChannel, rollRateChannel, liftChannel, markChannel;
    std::vector<LogDropout> dropouts; // of every channel, replaced before anything else
    std::vector<ChannelFault> faults; // changes of a channel that it cannot make
    int skippedRows = 0;              // rows with an empty cell in a channel read
    int firstSkippedLine = 0;         // line of the first of them
    std::string unitNote;             // a logger file whose unit list does not pair with its columns
    LogInfo info; // the format, the choice of each channel, the time, gaps, runs, the part
};

// The values and the channel of a kind in the log.
const std::vector<double> &ChannelValues(const VehicleLog &log, ChannelKind kind);
const VehicleChannel &ChannelOf(const VehicleLog &log, ChannelKind kind);

// Reads the channels from the bytes of a log (see ParseLogTable), in their units, and replaces each
// channel's dropouts by its physics (see dropouts.h). A channel that the run needs and the log lacks is
// a ChannelError naming it and the columns the log has; everything ParseLog refuses is refused.
VehicleLog ParseVehicleLog(std::string_view bytes, const VehicleLogOptions &options);

// ParseVehicleLog of a table read already.
VehicleLog VehicleLogOf(const LogTable &table, const VehicleLogOptions &options);

// ParseVehicleLog on a file. Throws FileError or FormatError.
VehicleLog ReadVehicleLog(const std::string &path, const VehicleLogOptions &options);

// The unit of an acceleration named by text ("g", "m/s2", "m/s^2", "m/s²"); nothing for others.
std::optional<AccelerationUnit> AccelerationUnitOf(const std::string &text);
