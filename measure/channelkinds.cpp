// The table of channel kinds: names, units and confusions of every channel a log may hold.
#include "measure/channelkinds.h"

#include <algorithm>
#include <cctype>

namespace {

using Kind = ChannelKind;

// ORDER ChannelKind: keep in step with the enum in channelkinds.h.
const std::vector<ChannelKindInfo> Table{
    {Kind::Time,
     "time",
     "time",
     "time",
     UnitKind::Time,
     "s",
     {"t", "time", "times", "timestamp", "ts", "zeit", "sec", "seconds", "utc", "utctime", "gpstime",
      "logtime", "sampletime", "elapsedtime", "datetime", "date", "timeofday"},
     {"time", "zeit"},
     {"lap", "dwell", "delay", "avi", "rise", "settl", "hold"},
     {},
     false},
    {Kind::Steer,
     "steer",
     "steer",
     "steer",
     UnitKind::Angle,
     "deg",
     {"steer",
      "steering",
      "steerangle",
      "steerang",
      "steeringangle",
      "steeringwheelangle",
      "steerwheelangle",
      "swa",
      "swangle",
      "stwa",
      "stwangl",
      "stwangle",
      "hwa",
      "strwhlang",
      "strwhlangle",
      "strang",
      "handwheel",
      "handwheelangle",
      "sas",
      "sasangle",
      "lenkwinkel",
      "lenkradwinkel",
      "lrw"},
     {"steer", "handwheel", "strwhl", "lenkw", "lenkradw"},
     {"rate", "speed", "velocity", "vel", "torque", "torq", "accel", "moment", "force", "current"},
     {Kind::Roll, Kind::SideslipAngle},
     true},
    {Kind::Mark,
     "mark",
     "mark",
     "mark",
     UnitKind::Unknown,
     "",
     {"mark", "marker", "event", "eventmarker", "trigger", "trig", "sync", "flag", "auxflag"},
     {"mark", "trigger", "event"},
     {"remark"},
     {},
     false},
    {Kind::YawRate,
     "yaw rate",
     "yaw_rate",
     "yaw",
     UnitKind::AngularRate,
     "deg/s",
     {"yawrate", "yawvel", "yawvelocity", "yawspeed", "gyroz", "gyrz", "wz", "omegaz", "angratez",
      "angularratez", "ratez", "psidot", "gierrate", "gierwinkelgeschwindigkeit"},
     {"yaw", "gier", "gyroz", "angratez"},
     {"angle", "yawang", "acc", "heading"},
     {Kind::RollRate},
     true},
    {Kind::LateralAcceleration,
     "lateral acceleration",
     "lateral_acceleration",
     "ay",
     UnitKind::Acceleration,
     "g",
     {"ay", "accy", "accely", "accelerationy", "yaccel", "yacc", "yacceleration", "latacc", "lataccel",
      "lateralacc", "lateralaccel", "lateralacceleration", "queracc", "querbeschleunigung"},
     {"latacc", "lateralacc", "queracc", "querbeschl"},
     {"long", "vert"},
     {},
     true},
    {Kind::Speed,
     "speed",
     "speed",
     "speed",
     UnitKind::Speed,
     "km/h",
     {"v", "vx", "vel", "velocity", "speed", "spd", "vehspd", "vehspeed", "vehiclespeed", "vehiclevelocity",
      "gpsspeed", "groundspeed", "geschwindigkeit"},
     {"speed", "velocity", "vehspd", "geschw"},
     {"vert", "yaw", "lat", "wheel", "angular", "steer", "roll", "pitch", "engine", "rpm", "motor", "wind",
      "up", "down"},
     {},
     true},
    {Kind::Roll,
     "roll angle",
     "roll",
     "roll",
     UnitKind::Angle,
     "deg",
     {"roll", "rollangle", "rollang", "bodyroll", "phi", "wankwinkel"},
     {"roll", "wankw"},
     {"rate", "vel", "acc", "gyro", "over", "speed"},
     {Kind::Steer, Kind::SideslipAngle},
     true},
    {Kind::SideslipAngle,
     "sideslip angle",
     "sideslip",
     "sideslip",
     UnitKind::Angle,
     "deg",
     {"sideslip", "sideslipangle", "slipangle", "beta", "bodyslip", "bodyslipangle", "bodysideslip",
      "vehicleslipangle", "ssa", "schwimmwinkel"},
     {"sideslip", "slipangle", "bodyslip", "schwimmw"},
     {"rate", "wheel", "tyre", "tire", "ratio", "front", "rear"},
     {Kind::Steer, Kind::Roll},
     true},
    {Kind::RollRate,
     "roll rate",
     "roll_rate",
     "roll-rate",
     UnitKind::AngularRate,
     "deg/s",
     {"rollrate", "rollvel", "rollvelocity", "rollspeed", "gyrox", "gyrx", "wx", "omegax", "angratex",
      "angularratex", "ratex", "phidot", "wankrate"},
     {"rollrate", "rollvel", "gyrox", "angratex", "wankrate"},
     {},
     {Kind::YawRate},
     true},
    {Kind::WheelLift,
     "wheel lift",
     "wheel_lift",
     "lift",
     UnitKind::Length,
     "mm",
     {"wheellift", "lift", "liftoff"},
     {"lift"},
     {},
     {},
     false},
};

// The name without everything but its letters and digits, in lower case.
std::string Compact(const std::string &base) {
    std::string compact;
    for (char c : base)
        if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80)
            compact += c;
    return compact;
}

bool Contains(const std::string &text, const char *part) { return text.find(part) != std::string::npos; }

// A last word of a name that is its unit: one that no channel's name is made of, and "ms" only after a
// time's name (elsewhere it may be a speed's m/s).
bool IsUnitWord(const std::string &word, const std::string &rest) {
    static const std::vector<std::string> units{"kmh",  "kph",  "mph",   "deg",   "degs", "dps",  "rad",
                                                "rads", "mps",  "mps2",  "ms2",   "g",    "s",    "sec",
                                                "mm",   "km/h", "deg/s", "rad/s", "m/s",  "m/s2", "m/s^2"};
    if (word == "ms") return Contains(rest, "time") || rest == "t";
    return std::find(units.begin(), units.end(), word) != units.end();
}

} // namespace

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

UnitKind KindOfUnit(const std::string &written) {
    const std::string unit = LowerCase(TrimBlanks(written));
    auto any = [&](std::initializer_list<const char *> spellings) {
        return std::any_of(spellings.begin(), spellings.end(), [&](const char *s) { return unit == s; });
    };
    if (unit.empty()) return UnitKind::Unknown;
    if (any({"s", "sec", "second", "seconds", "ms", "msec", "us", "ns"})) return UnitKind::Time;
    // The degree sign in Latin-1 and in UTF-8.
    if (any({"deg", "degree", "degrees", "\xb0", "\xc2\xb0", "rad", "radian", "radians"}))
        return UnitKind::Angle;
    if (any({"deg/s", "deg/sec", "degree/s", "degrees/s", "\xb0/s", "\xc2\xb0/s", "dps", "degs", "rad/s",
             "rad/sec", "rads", "rps", "radian/s", "radians/s"}))
        return UnitKind::AngularRate;
    if (any({"g", "m/s2", "m/s^2", "m/s\xb2", "m/s\xc2\xb2", "ms-2", "m s-2", "m/s/s", "mps2", "ms2"}))
        return UnitKind::Acceleration;
    if (any({"km/h", "kmh", "kph", "km/hr", "m/s", "mps", "mph", "kn", "knots", "kt", "kts"}))
        return UnitKind::Speed;
    if (any({"mm", "cm", "m", "in", "inch", "inches"})) return UnitKind::Length;
    return UnitKind::Unknown;
}

const char *UnitKindText(UnitKind kind) {
    switch (kind) {
    case UnitKind::Time:
        return "a time";
    case UnitKind::Angle:
        return "an angle";
    case UnitKind::AngularRate:
        return "an angular rate";
    case UnitKind::Acceleration:
        return "an acceleration";
    case UnitKind::Speed:
        return "a speed";
    case UnitKind::Length:
        return "a length";
    case UnitKind::Unknown:
        break;
    }
    return "a quantity of unknown kind";
}

const std::vector<ChannelKindInfo> &ChannelKinds() { return Table; }

const ChannelKindInfo &KindInfo(ChannelKind kind) { return Table[static_cast<std::size_t>(kind)]; }

const char *ChannelKindName(ChannelKind kind) { return KindInfo(kind).name; }

bool ChannelKindNamed(const std::string &word, ChannelKind &kind) {
    const std::string lower = LowerCase(word);
    for (const ChannelKindInfo &info : Table)
        if (lower == info.word || lower == info.key) {
            kind = info.kind;
            return true;
        }
    return false;
}

ColumnName SplitColumnName(std::string_view name) {
    ColumnName split{LowerCase(TrimBlanks(name)), ""};
    std::string &base = split.base;
    const std::string_view written = TrimBlanks(name);
    if (!base.empty() && (base.back() == ')' || base.back() == ']')) {
        const char open = base.back() == ')' ? '(' : '[';
        if (const std::size_t at = base.rfind(open); at != std::string::npos) {
            split.unit = std::string(TrimBlanks(written.substr(at + 1, written.size() - at - 2)));
            base = std::string(TrimBlanks(std::string_view(base).substr(0, at)));
        }
        return split;
    }
    const std::size_t last = base.find_last_of(" _");
    if (last != std::string::npos && last > 0) {
        const std::string word = base.substr(last + 1);
        const std::string rest(TrimBlanks(std::string_view(base).substr(0, last)));
        if (!rest.empty() && IsUnitWord(word, rest)) {
            split.unit = std::string(written.substr(last + 1));
            base = rest;
        }
    }
    return split;
}

NameMatch MatchName(ChannelKind kind, std::string_view columnName) {
    const ChannelKindInfo &info = KindInfo(kind);
    const std::string compact = Compact(SplitColumnName(columnName).base);
    if (compact.empty()) return NameMatch::None;
    if (std::any_of(info.names.begin(), info.names.end(), [&](const char *n) { return compact == n; }))
        return NameMatch::Own;
    const bool word = std::any_of(info.words.begin(), info.words.end(),
                                  [&](const char *w) { return Contains(compact, w); });
    const bool other = std::any_of(info.unless.begin(), info.unless.end(),
                                   [&](const char *w) { return Contains(compact, w); });
    return word && !other ? NameMatch::Word : NameMatch::None;
}
