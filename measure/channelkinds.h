// The kinds of channel a log holds: the one table of the names that loggers and acquisition systems give
// each, the units it is written in and what it may be confused with, by which every reader of a log
// picks its columns.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// ORDER ChannelKind: keep in step with the table in channelkinds.cpp.
enum class ChannelKind {
    Time,
    Steer,
    Mark,
    YawRate,
    LateralAcceleration,
    Speed,
    Roll,
    SideslipAngle,
    RollRate,
    WheelLift
};

// What a unit written in a header measures ("deg", "rad/s", "m/s2", "km/h", "mm", any letter case, the
// degree sign in Latin-1 or UTF-8).
enum class UnitKind { Unknown, Time, Angle, AngularRate, Acceleration, Speed, Length };
UnitKind KindOfUnit(const std::string &unit);
// "an angle", "an angular rate", ...: for messages.
const char *UnitKindText(UnitKind kind);

struct ChannelKindInfo {
    ChannelKind kind;
    const char *name;  // "yaw rate": how messages name it
    const char *key;   // "yaw_rate": its key in JSON and its variable in a MATLAB file
    const char *word;  // "yaw": how a list of channels names it
    UnitKind unitKind; // Unknown: a channel of no unit (the mark)
    const char *unit;  // the unit it is read in when none is stated, and written in
    // The names that are the channel's own, compacted (lower case, without blanks, '_', '-', '.', '/'
    // and a unit): "yawrate", "gyroz".
    std::vector<const char *> names;
    // Parts of a compacted name that say it holds the channel, unless it also holds a part of `unless`.
    std::vector<const char *> words, unless;
    // The kinds a column of this one is confused with: its columns are theirs by name, or share a unit.
    std::vector<ChannelKind> confused;
    bool physical; // has a physics its dropouts are found by (see dropouts.h)
};

// Every kind, in the order of ChannelKind.
const std::vector<ChannelKindInfo> &ChannelKinds();
const ChannelKindInfo &KindInfo(ChannelKind kind);
// "steer", "yaw rate", "lateral acceleration", "speed", "roll angle", ...
const char *ChannelKindName(ChannelKind kind);
// The kind a list of channels names by its word or its key ("yaw", "yaw_rate"); false for none.
bool ChannelKindNamed(const std::string &word, ChannelKind &kind);

// The text in lower case (ASCII letters), and without the blanks and tabs around it: how names compare.
std::string LowerCase(std::string_view text);
std::string_view TrimBlanks(std::string_view text);

// A header name split into its base and its unit: "Steer [deg]", "Yaw Rate (rad/s)", "velocity kmh",
// "Speed_kmh" (a unit in brackets at its end, else a last word that is a unit no name is made of).
struct ColumnName {
    std::string base; // lower case, trimmed
    std::string unit; // as written, trimmed; empty: none
};
ColumnName SplitColumnName(std::string_view name);

// How a column's name says it holds the channel.
enum class NameMatch { None, Word, Own }; // not at all; by a word of it; by one of the channel's own names
NameMatch MatchName(ChannelKind kind, std::string_view columnName);
