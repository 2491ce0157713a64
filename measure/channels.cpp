// The vehicle's channels of a measured log, read column by column through the log reader.
#include "measure/channels.h"

#include "files/fileio.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace {

std::string Lower(std::string text) {
    for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A header name split into its lower-case base and the unit in brackets at its end.
std::pair<std::string, std::string> BaseAndUnit(const std::string &name) {
    std::string base = Lower(name);
    while (!base.empty() && std::isspace(static_cast<unsigned char>(base.back()))) base.pop_back();
    std::string unit;
    if (!base.empty() && (base.back() == ')' || base.back() == ']')) {
        const char open = base.back() == ')' ? '(' : '[';
        if (const std::size_t at = base.rfind(open); at != std::string::npos) {
            unit = base.substr(at + 1, base.size() - at - 2);
            base.erase(at);
        }
    }
    auto trim = [](std::string &s) {
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.erase(0, 1);
    };
    trim(base);
    trim(unit);
    return {base, unit};
}

bool Has(const std::string &text, const char *part) { return text.find(part) != std::string::npos; }

using Kind = ChannelKind;

// Whether a column's base name says it holds the channel.
bool Names(Kind kind, const std::string &base) {
    switch (kind) {
    case Kind::YawRate:
        return Has(base, "yaw") && !Has(base, "angle") && !Has(base, "acc");
    case Kind::LateralAcceleration:
        return (Has(base, "lat") && Has(base, "acc")) || base == "ay" || base == "a_y" || base == "accy" ||
               base == "acc_y" || base == "acc y";
    case Kind::Speed:
        return (Has(base, "speed") || Has(base, "velocity") || base == "vel" || base == "v") &&
               !Has(base, "vert") && !Has(base, "yaw") && !Has(base, "lat") && !Has(base, "wheel") &&
               !Has(base, "angular") && !Has(base, "steer") && !Has(base, "roll") && !Has(base, "slip");
    case Kind::Roll:
        return Has(base, "roll") && !Has(base, "rate") && !Has(base, "velocity");
    case Kind::Sideslip:
        return Has(base, "sideslip") || Has(base, "side slip") || Has(base, "body slip") || base == "beta" ||
               (Has(base, "slip angle") && !Has(base, "tyre") && !Has(base, "tire") && !Has(base, "wheel"));
    case Kind::RollRate:
        return Has(base, "roll") && (Has(base, "rate") || Has(base, "velocity"));
    case Kind::Lift:
        return Has(base, "lift");
    case Kind::Steer:
        break;
    }
    return false;
}

const char *KindOption(Kind kind) {
    switch (kind) {
    case Kind::YawRate:
        return "--yaw-column";
    case Kind::LateralAcceleration:
        return "--ay-column";
    case Kind::Speed:
        return "--speed-column";
    case Kind::Roll:
        return "--roll-column";
    case Kind::Sideslip:
        return "--sideslip-column";
    case Kind::RollRate:
        return "--roll-rate-column";
    case Kind::Lift:
        return "--lift-column";
    case Kind::Steer:
        break;
    }
    return "--steer-column";
}

std::string ColumnList(const std::vector<std::string> &names) {
    std::string list;
    for (const std::string &name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

// The column of a channel as the options name it (by name or number, left to ParseLog to find), else
// the first whose name says it is the channel; empty when there is none.
std::string ChooseColumn(Kind kind, const std::string &given, const std::vector<std::string> &names,
                         bool needed) {
    if (!given.empty()) return given;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (Names(kind, BaseAndUnit(names[i]).first)) return std::to_string(i + 1);
    if (needed)
        throw FormatError(std::string("the log has no ") + ChannelKindName(kind) + " column (its columns: " +
                          ColumnList(names) + "); name it with " + KindOption(kind));
    return "";
}

// One column of the log as written, read against the time column by the log reader.
MeasuredLog ReadColumn(std::string_view bytes, const LogOptions &base, const std::string &column) {
    LogOptions options = base;
    options.steerColumn = column;
    options.angleUnit = AngleUnit::Degrees; // as written: the channel's unit is applied afterwards
    options.markColumn.clear();
    options.dropouts.reset();
    return ParseLog(bytes, options);
}

// Keeps the samples of the log whose times the channel has too, and the channel's values at them.
void KeepCommonTimes(VehicleLog &log, std::vector<std::vector<double> *> columns, const MeasuredLog &channel,
                     std::vector<double> &values) {
    if (channel.time == log.time) {
        values = channel.steer;
        return;
    }
    std::vector<std::size_t> kept;
    std::vector<double> own;
    std::size_t j = 0;
    for (std::size_t i = 0; i < log.time.size(); ++i) {
        while (j < channel.time.size() && channel.time[j] < log.time[i]) ++j;
        if (j < channel.time.size() && channel.time[j] == log.time[i]) {
            kept.push_back(i);
            own.push_back(channel.steer[j]);
        }
    }
    log.skippedRows += static_cast<int>(log.time.size() - kept.size());
    columns.push_back(&log.time);
    for (std::vector<double> *c : columns) {
        if (c->empty()) continue;
        std::vector<double> thinned;
        thinned.reserve(kept.size());
        for (std::size_t i : kept) thinned.push_back((*c)[i]);
        *c = std::move(thinned);
    }
    values = std::move(own);
}

// The unit kind of each channel and its default.
UnitKind UnitKindOf(Kind kind) {
    switch (kind) {
    case Kind::YawRate:
        return UnitKind::AngularRate;
    case Kind::LateralAcceleration:
        return UnitKind::Acceleration;
    case Kind::Speed:
        return UnitKind::Speed;
    case Kind::RollRate:
        return UnitKind::AngularRate;
    case Kind::Lift:
        return UnitKind::Length;
    case Kind::Steer:
    case Kind::Roll:
    case Kind::Sideslip:
        break;
    }
    return UnitKind::Angle;
}

const char *DefaultUnit(Kind kind) {
    switch (kind) {
    case Kind::YawRate:
        return "deg/s";
    case Kind::LateralAcceleration:
        return "g";
    case Kind::Speed:
        return "km/h";
    case Kind::RollRate:
        return "deg/s";
    case Kind::Lift:
        return "mm";
    case Kind::Steer:
    case Kind::Roll:
    case Kind::Sideslip:
        break;
    }
    return "deg";
}

// A unit of the channel's kind as the reader names it: "rad/s", "m/s2", "mph", ...
std::string UnitName(Kind kind, const std::string &written) {
    const std::string u = Lower(written);
    switch (kind) {
    case Kind::YawRate:
    case Kind::RollRate:
        return u.starts_with("rad") || u == "rps" ? "rad/s" : "deg/s";
    case Kind::Lift:
        return u == "cm" || u == "m" ? u : u.starts_with("in") ? "in" : "mm";
    case Kind::LateralAcceleration:
        return AccelerationUnitOf(u) == AccelerationUnit::MetresPerSecondSquared ? "m/s2" : "g";
    case Kind::Speed:
        if (u == "m/s" || u == "mps") return "m/s";
        if (u == "mph") return "mph";
        if (u == "kn" || u == "knots" || u == "kt" || u == "kts") return "kn";
        return "km/h";
    case Kind::Steer:
    case Kind::Roll:
    case Kind::Sideslip:
        break;
    }
    return u.starts_with("rad") ? "rad" : "deg";
}

// The channel's unit from an option, else from the header (when it is a unit of the channel's kind),
// else the default.
void DecideUnit(Kind kind, const std::string &given, const std::string &written, const std::string &unitNote,
                VehicleChannel &channel) {
    channel.unit = DefaultUnit(kind);
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
    if (found != UnitKindOf(kind)) {
        channel.unitProblem = "column \"" + channel.column.name + "\" is the " + ChannelKindName(kind) +
                              " but its unit " + written + " is " + UnitKindText(found) + "'s" +
                              (unitNote.empty() ? ""
                                                : " (" + unitNote +
                                                      ": units may be paired with the "
                                                      "wrong columns)");
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

} // namespace

std::optional<AccelerationUnit> AccelerationUnitOf(const std::string &text) {
    const std::string u = Lower(text);
    if (u == "g") return AccelerationUnit::G;
    if (u == "m/s2" || u == "m/s^2" || u == "m/s\xb2" || u == "m/s\xc2\xb2" || u == "ms-2" || u == "m s-2" ||
        u == "m/s/s" || u == "mps2")
        return AccelerationUnit::MetresPerSecondSquared;
    return std::nullopt;
}

const std::vector<double> &ChannelValues(const VehicleLog &log, ChannelKind kind) {
    switch (kind) {
    case Kind::YawRate:
        return log.yawRate;
    case Kind::LateralAcceleration:
        return log.lateralAcceleration;
    case Kind::Speed:
        return log.speed;
    case Kind::Roll:
        return log.roll;
    case Kind::Sideslip:
        return log.sideslip;
    case Kind::RollRate:
        return log.rollRate;
    case Kind::Lift:
        return log.lift;
    case Kind::Steer:
        break;
    }
    return log.steer;
}

const VehicleChannel &ChannelOf(const VehicleLog &log, ChannelKind kind) {
    switch (kind) {
    case Kind::YawRate:
        return log.yawChannel;
    case Kind::LateralAcceleration:
        return log.ayChannel;
    case Kind::Speed:
        return log.speedChannel;
    case Kind::Roll:
        return log.rollChannel;
    case Kind::Sideslip:
        return log.sideslipChannel;
    case Kind::RollRate:
        return log.rollRateChannel;
    case Kind::Lift:
        return log.liftChannel;
    case Kind::Steer:
        break;
    }
    return log.steerChannel;
}

VehicleLog ParseVehicleLog(std::string_view bytes, const VehicleLogOptions &options) {
    LogOptions steerOptions = options.log;
    steerOptions.dropouts.reset(); // every channel's are replaced below, on the rows all of them hold
    const MeasuredLog first = ParseLog(bytes, steerOptions);
    VehicleLog log;
    log.time = first.time;
    log.steer = first.steer;
    log.skippedRows = first.skippedRows;
    log.unitNote = first.unitNote;
    log.timeChannel = {first.timeColumn, first.timeUnit == TimeUnit::Milliseconds ? "ms" : "s", true, "", ""};
    log.steerChannel = {first.steerColumn, first.angleUnit == AngleUnit::Radians ? "rad" : "deg",
                        first.angleUnitStated, "", ""};

    const std::vector<std::string> names = LogColumnNames(bytes);
    struct Wanted {
        Kind kind;
        const std::string &given;
        bool needed;
        std::string unit;
        std::vector<double> &values;
        VehicleChannel &channel;
    };
    const Wanted wanted[] = {
        {Kind::YawRate, options.yawColumn, options.needsYawRate, options.yawUnit, log.yawRate,
         log.yawChannel},
        {Kind::LateralAcceleration, options.ayColumn, true,
         !options.ayUnit                          ? ""
         : *options.ayUnit == AccelerationUnit::G ? "g"
                                                  : "m/s2",
         log.lateralAcceleration, log.ayChannel},
        {Kind::Speed, options.speedColumn, false, options.speedUnit, log.speed, log.speedChannel},
        {Kind::Roll, options.rollColumn, options.needsRoll, "", log.roll, log.rollChannel},
        {Kind::Sideslip, options.sideslipColumn, false, "", log.sideslip, log.sideslipChannel},
        {Kind::RollRate, options.rollRateColumn, false, "", log.rollRate, log.rollRateChannel},
        {Kind::Lift, options.liftColumn, false, options.liftUnit, log.lift, log.liftChannel},
    };
    for (const Wanted &w : wanted) {
        const std::string column = ChooseColumn(w.kind, w.given, names, w.needed);
        if (column.empty()) continue;
        const MeasuredLog read = ReadColumn(bytes, options.log, column);
        w.channel.column = read.steerColumn;
        DecideUnit(w.kind, w.unit, BaseAndUnit(read.steerColumn.name).second, log.unitNote, w.channel);
        std::vector<std::vector<double> *> others{&log.steer,    &log.yawRate, &log.lateralAcceleration,
                                                  &log.speed,    &log.roll,    &log.sideslip,
                                                  &log.rollRate, &log.lift};
        others.erase(std::remove(others.begin(), others.end(), &w.values), others.end());
        KeepCommonTimes(log, others, read, w.values);
        const double factor = Factor(w.channel.unit);
        for (double &v : w.values) v *= factor;
    }
    if (log.time.size() < 2) throw FormatError("the log has fewer than two rows holding every channel read");
    // Dropouts by each channel's physics, in its own unit; listed as written.
    const std::pair<Kind, std::vector<double> *> channels[] = {
        {Kind::Steer, &log.steer},
        {Kind::YawRate, &log.yawRate},
        {Kind::LateralAcceleration, &log.lateralAcceleration},
        {Kind::Speed, &log.speed},
        {Kind::Roll, &log.roll},
        {Kind::Sideslip, &log.sideslip},
        {Kind::RollRate, &log.rollRate},
        {Kind::Lift, &log.lift}};
    for (const auto &[kind, values] : channels) {
        if (values->empty()) continue;
        DropoutRules rules = options.log.dropouts.value_or(DropoutRules{});
        rules.kind = kind;
        rules.written = Factor(ChannelOf(log, kind).unit);
        if (kind != Kind::Steer) rules.pulses.clear();
        CleanedChannel cleaned = ReplaceDropouts(log.time, *values, ChannelOf(log, kind).column.name, rules);
        log.dropouts.insert(log.dropouts.end(), cleaned.dropouts.begin(), cleaned.dropouts.end());
        log.faults.insert(log.faults.end(), cleaned.faults.begin(), cleaned.faults.end());
    }
    std::stable_sort(log.dropouts.begin(), log.dropouts.end(),
                     [](const LogDropout &a, const LogDropout &b) { return a.time < b.time; });
    return log;
}

VehicleLog ReadVehicleLog(const std::string &path, const VehicleLogOptions &options) {
    return ParseVehicleLog(ReadFileBytes(path, LogFileLimit), options);
}
