// The vehicle's channels of a measured log, picked from its one table, in their units, cleaned of
// dropouts.
#include "measure/channels.h"

#include "files/fileio.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace {

using Kind = ChannelKind;

// A unit of the channel's kind as the reader names it: "rad/s", "m/s2", "mph", "cm", ...
std::string UnitName(Kind kind, const std::string &written) {
    const std::string u = LowerCase(written);
    switch (KindInfo(kind).unitKind) {
    case UnitKind::AngularRate:
        return u.starts_with("rad") || u == "rps" ? "rad/s" : "deg/s";
    case UnitKind::Acceleration:
        return AccelerationUnitOf(u) == AccelerationUnit::MetresPerSecondSquared ? "m/s2" : "g";
    case UnitKind::Speed:
        if (u == "m/s" || u == "mps") return "m/s";
        if (u == "mph") return "mph";
        if (u == "kn" || u == "knots" || u == "kt" || u == "kts") return "kn";
        return "km/h";
    case UnitKind::Length:
        if (u == "cm" || u == "m") return u;
        if (u.starts_with("in")) return "in";
        return "mm";
    case UnitKind::Angle:
        return u.starts_with("rad") ? "rad" : "deg";
    case UnitKind::Time:
    case UnitKind::Unknown:
        break;
    }
    return written;
}

// The channel's unit from an option, else from the header (when it is a unit of the channel's kind),
// else the default.
void DecideUnit(Kind kind, const std::string &given, const std::string &written, const std::string &unitNote,
                VehicleChannel &channel) {
    const ChannelKindInfo &info = KindInfo(kind);
    channel.unit = info.unit;
    if (info.unitKind == UnitKind::Unknown) return; // the mark: as written
    if (!given.empty()) {
        channel.unit = UnitName(kind, given);
        channel.unitStated = true;
        return;
    }
    if (written.empty()) return;
    const UnitKind found = KindOfUnit(written);
    if (found == UnitKind::Unknown) {
        channel.unitWarning = "the unit \"" + written + "\" of column \"" + channel.column.name +
                              "\" is not known: it is read as " + channel.unit;
        return;
    }
    if (found != info.unitKind) {
        channel.unitProblem =
            "column \"" + channel.column.name + "\" is the " + info.name + " but its unit " + written +
            " is " + UnitKindText(found) + "'s" +
            (unitNote.empty() ? "" : " (" + unitNote + ": units may be paired with the wrong columns)");
        return;
    }
    channel.unit = UnitName(kind, written);
    channel.unitStated = true;
}

// The factor from the unit to the log's own: deg/s, g, km/h, deg, mm.
double Factor(const std::string &unit) {
    constexpr double Degrees = 180 / std::numbers::pi;
    if (unit == "rad/s" || unit == "rad") return Degrees;
    if (unit == "m/s2") return 1 / StandardGravity;
    if (unit == "m/s") return 3.6;
    if (unit == "mph") return 1.609344;
    if (unit == "kn") return 1.852;
    if (unit == "cm") return 10;
    if (unit == "m") return 1000;
    if (unit == "in") return 25.4;
    return 1;
}

std::vector<double> &Values(VehicleLog &log, Kind kind) {
    return const_cast<std::vector<double> &>(ChannelValues(log, kind));
}
VehicleChannel &Channel(VehicleLog &log, Kind kind) {
    return const_cast<VehicleChannel &>(ChannelOf(log, kind));
}

// The unit an option gives the channel; empty: none.
std::string GivenUnit(const VehicleLogOptions &options, Kind kind) {
    switch (kind) {
    case Kind::YawRate:
        return options.yawUnit;
    case Kind::LateralAcceleration:
        return !options.ayUnit ? "" : *options.ayUnit == AccelerationUnit::G ? "g" : "m/s2";
    case Kind::Speed:
        return options.speedUnit;
    case Kind::WheelLift:
        return options.liftUnit;
    default:
        return "";
    }
}

const std::string NoColumn;

} // namespace

const std::string &VehicleLogOptions::ColumnOf(ChannelKind kind) const {
    switch (kind) {
    case Kind::Time:
        return log.timeColumn;
    case Kind::Steer:
        return log.steerColumn;
    case Kind::Mark:
        return log.markColumn;
    case Kind::YawRate:
        return yawColumn;
    case Kind::LateralAcceleration:
        return ayColumn;
    case Kind::Speed:
        return speedColumn;
    case Kind::Roll:
        return rollColumn;
    case Kind::SideslipAngle:
        return sideslipColumn;
    case Kind::RollRate:
        return rollRateColumn;
    case Kind::WheelLift:
        return liftColumn;
    }
    return NoColumn;
}

std::optional<AccelerationUnit> AccelerationUnitOf(const std::string &text) {
    const std::string u = LowerCase(text);
    if (u == "g") return AccelerationUnit::G;
    if (u == "m/s2" || u == "m/s^2" || u == "m/s\xb2" || u == "m/s\xc2\xb2" || u == "ms-2" || u == "m s-2" ||
        u == "m/s/s" || u == "mps2" || u == "ms2")
        return AccelerationUnit::MetresPerSecondSquared;
    return std::nullopt;
}

const std::vector<double> &ChannelValues(const VehicleLog &log, ChannelKind kind) {
    switch (kind) {
    case Kind::Time:
        return log.time;
    case Kind::Mark:
        return log.mark;
    case Kind::YawRate:
        return log.yawRate;
    case Kind::LateralAcceleration:
        return log.lateralAcceleration;
    case Kind::Speed:
        return log.speed;
    case Kind::Roll:
        return log.roll;
    case Kind::SideslipAngle:
        return log.sideslip;
    case Kind::RollRate:
        return log.rollRate;
    case Kind::WheelLift:
        return log.wheelLift;
    case Kind::Steer:
        break;
    }
    return log.steer;
}

const VehicleChannel &ChannelOf(const VehicleLog &log, ChannelKind kind) {
    switch (kind) {
    case Kind::Time:
        return log.timeChannel;
    case Kind::Mark:
        return log.markChannel;
    case Kind::YawRate:
        return log.yawChannel;
    case Kind::LateralAcceleration:
        return log.ayChannel;
    case Kind::Speed:
        return log.speedChannel;
    case Kind::Roll:
        return log.rollChannel;
    case Kind::SideslipAngle:
        return log.sideslipChannel;
    case Kind::RollRate:
        return log.rollRateChannel;
    case Kind::WheelLift:
        return log.liftChannel;
    case Kind::Steer:
        break;
    }
    return log.steerChannel;
}

VehicleLog VehicleLogOf(const LogTable &table, const VehicleLogOptions &options) {
    const LogOptions &base = options.log;
    std::vector<ChannelRequest> requests;
    for (const ChannelKindInfo &info : ChannelKinds()) {
        const Kind kind = info.kind;
        const bool needed = kind == Kind::Time || (kind == Kind::Steer && options.needsSteer) ||
                            (kind == Kind::YawRate && options.needsYawRate) ||
                            (kind == Kind::LateralAcceleration && options.needsLateralAcceleration) ||
                            (kind == Kind::Roll && options.needsRoll);
        requests.push_back(
            {kind, options.ColumnOf(kind), needed, true, kind == Kind::Steer && base.angleUnit});
    }
    const TableRead read = ReadTableChannels(table, requests);
    VehicleLog log;
    log.unitNote = table.unitNote;
    log.skippedRows = read.skippedRows;
    log.firstSkippedLine = read.firstSkippedLine;
    for (const ChannelRead &channel : read.channels) log.info.choices.push_back(channel.choice);

    const ChannelRead &time = read.channels[static_cast<std::size_t>(Kind::Time)];
    TimeUnit timeUnit = TimeUnit::Seconds;
    log.time = TimeInSeconds(time, table, base.timeUnit, timeUnit, log.info);
    log.timeChannel = {
        {time.choice.taken.number, time.choice.taken.name}, TimeUnitName(timeUnit), true, "", ""};
    for (const ChannelRead &channel : read.channels) {
        const Kind kind = channel.choice.kind;
        if (kind == Kind::Time || !channel.column) continue;
        VehicleChannel &c = Channel(log, kind);
        c.column = {channel.choice.taken.number, channel.choice.taken.name};
        if (kind == Kind::Steer) {
            const std::optional<AngleUnit> header = AngleUnitOf(channel.choice.taken.unit);
            c.unit = AngleUnitName(base.angleUnit.value_or(header.value_or(AngleUnit::Degrees)));
            c.unitStated = base.angleUnit || header;
        } else {
            DecideUnit(kind, GivenUnit(options, kind), channel.choice.taken.unit, log.unitNote, c);
        }
        std::vector<double> &values = Values(log, kind);
        values = channel.values;
        const double factor = Factor(c.unit);
        if (factor != 1)
            for (double &v : values) v *= factor;
    }
    // Dropouts by each channel's physics, in its own unit; listed as written.
    for (const ChannelKindInfo &info : ChannelKinds()) {
        std::vector<double> &values = Values(log, info.kind);
        if (!info.physical || values.empty()) continue;
        DropoutRules rules = base.dropouts.value_or(DropoutRules{});
        rules.kind = info.kind;
        rules.written = Factor(ChannelOf(log, info.kind).unit);
        if (info.kind != Kind::Steer) rules.pulses.clear();
        CleanedChannel cleaned =
            ReplaceDropouts(log.time, values, ChannelOf(log, info.kind).column.name, rules);
        log.dropouts.insert(log.dropouts.end(), cleaned.dropouts.begin(), cleaned.dropouts.end());
        log.faults.insert(log.faults.end(), cleaned.faults.begin(), cleaned.faults.end());
    }
    std::stable_sort(log.dropouts.begin(), log.dropouts.end(),
                     [](const LogDropout &a, const LogDropout &b) { return a.time < b.time; });
    std::vector<std::vector<double> *> channels;
    for (const ChannelKindInfo &info : ChannelKinds())
        if (info.kind != Kind::Time) channels.push_back(&Values(log, info.kind));
    std::vector<int> lines = read.lines;
    KeepPart(log.time, log.steer, channels, lines, base.part, log.info);
    if (!base.part.Whole()) {
        auto outside = [&](double t) { return t < log.time.front() || t > log.time.back(); };
        std::erase_if(log.dropouts, [&](const LogDropout &d) { return outside(d.time); });
        std::erase_if(log.faults, [&](const ChannelFault &f) { return outside(f.time); });
    }
    return log;
}

VehicleLog ParseVehicleLog(std::string_view bytes, const VehicleLogOptions &options) {
    return VehicleLogOf(ParseLogTable(bytes), options);
}

VehicleLog ReadVehicleLog(const std::string &path, const VehicleLogOptions &options) {
    return ParseVehicleLog(ReadFileBytes(path, LogFileLimit), options);
}
