// Measured logs: the time, steer and mark columns of a data logger's text file.
#pragma once

#include "files/fileio.h"
#include "measure/dropouts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TimeUnit { Seconds, Milliseconds };
enum class AngleUnit { Degrees, Radians };
// "s" or "ms", "deg" or "rad".
const char *TimeUnitName(TimeUnit unit);
const char *AngleUnitName(AngleUnit unit);

// What a unit written in a header ("deg", "rad/s", "m/s2", "km/h", "mm", any letter case) measures.
enum class UnitKind { Unknown, Time, Angle, AngularRate, Acceleration, Speed, Length };
UnitKind KindOfUnit(const std::string &unit);
// "an angle", "an angular rate", ...: for messages.
const char *UnitKindText(UnitKind kind);

// Which columns to read and how to scale them. A column is a header name (letter case and a unit
// in brackets ignored: "Steer [deg]" answers to "steer") or a number counted from 1.
struct LogOptions {
    std::string timeColumn;           // empty: the first column whose name starts with "time", else column 1
    std::string steerColumn;          // empty: the first column whose name contains "steer" and names no
                                      // rate, else column 2
    std::string markColumn;           // empty: no mark column
    std::optional<TimeUnit> timeUnit; // unset: the unit in the header ("time (ms)"), else seconds
    std::optional<AngleUnit> angleUnit; // unset: the unit in the header ("steer [rad]"), else degrees
    // How the steer's dropouts are found (its kind is the steer's); unset: they are left in.
    std::optional<DropoutRules> dropouts = DropoutRules{};
};

struct LogColumn {
    int number = 0;   // counted from 1
    std::string name; // as the header writes it
};

struct MeasuredLog {
    std::vector<double> time;  // seconds, strictly increasing
    std::vector<double> steer; // degrees
    std::vector<double> mark;  // the mark column's values as written; empty without a mark column
    LogColumn timeColumn, steerColumn, markColumn;
    TimeUnit timeUnit = TimeUnit::Seconds;
    AngleUnit angleUnit = AngleUnit::Degrees;
    bool angleUnitStated = false;     // by the options or the header; else the default
    int skippedRows = 0;              // rows with an empty cell in a column read (logger dropouts)
    int firstSkippedLine = 0;         // line of the first of them
    std::vector<LogDropout> dropouts; // steer samples beyond its physics or in a burst, replaced
    std::vector<ChannelFault> faults; // changes of the steer that it cannot make
    std::string unitNote; // a logger file whose unit list does not pair one to one with its columns
};

// Logs larger than this are refused before they are read, and a line longer than a MiB as soon as it
// is seen: a logger's line holds a few hundred bytes.
constexpr ReadLimit LogFileLimit{1024 * MiB, false, 1 * MiB};

// Reads a log: a header line naming the columns, then one row per line, the cells separated by
// tabs, semicolons, commas or blanks (whichever the header uses) with a decimal point. Blank lines
// and lines starting with '#' are skipped; so are rows with an empty cell in a column read. A logger's
// sectioned file (see vbo.h) is read as its table; a byte-order mark before the text is skipped.
// Dropouts of the steer are replaced (see dropouts.h) and listed in the log. Throws FormatError naming
// the line for a missing header, a cell that is not a finite number, a time that does not increase,
// a line longer than LogFileLimit's, fewer than two rows, a column empty in every row, a steer column
// whose unit is not an angle's, or lines that end in a lone carriage return.
MeasuredLog ParseLog(std::string_view bytes, const LogOptions &options);

// Puts back the bursts of the log's steer that a short pulse of its program commands (see
// IsCommandedPulse), which the reader replaced before it knew the program, and lists them no longer.
void KeepCommandedPulses(MeasuredLog &log, const std::vector<CommandedPulse> &pulses);

// The column names of the log's header line, as written, from the start of the file; empty when the
// bytes hold no header line (no line yet, or a first line of numbers).
std::vector<std::string> LogColumnNames(std::string_view start);

// ParseLog on a file. Throws FileError (unreadable, or larger than LogFileLimit) or FormatError.
MeasuredLog ReadLog(const std::string &path, const LogOptions &options);
