// Measured logs: the time, steer and mark channels of a logger's file, for the comparison with a program.
#pragma once

#include "files/fileio.h"
#include "measure/channelkinds.h"
#include "measure/dropouts.h"
#include "measure/logchoice.h"
#include "measure/logtable.h"
#include "measure/logtime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TimeUnit { Seconds, Milliseconds, Microseconds, Nanoseconds };
enum class AngleUnit { Degrees, Radians };
// "s", "ms", "us" or "ns"; "deg" or "rad".
const char *TimeUnitName(TimeUnit unit);
const char *AngleUnitName(AngleUnit unit);
// The unit of a time or an angle written in a header ("sec", "msec", "µs", "degrees", "°"); nothing for
// others.
std::optional<TimeUnit> TimeUnitOf(const std::string &unit);
std::optional<AngleUnit> AngleUnitOf(const std::string &unit);
// Seconds per unit.
double SecondsPer(TimeUnit unit);

// Which columns to read and how to scale them. A column is a header name (letter case and a unit in
// brackets ignored: "Steer [deg]" answers to "steer") or a number counted from 1.
struct LogOptions {
    std::string timeColumn;           // empty: the column named as a time (see channelkinds.h), else column 1
    std::string steerColumn;          // empty: the column named as the steer; none is a ChannelError
    std::string markColumn;           // empty: no mark column
    std::optional<TimeUnit> timeUnit; // unset: the header's unit ("time (ms)"), else seconds (or the unit
                                      // of a date since 1970 its values are in: ms, us, ns)
    std::optional<AngleUnit> angleUnit; // unset: the unit in the header ("steer [rad]"), else degrees
    // How the steer's dropouts are found (its kind is the steer's); unset: they are left in.
    std::optional<DropoutRules> dropouts = DropoutRules{};
    LogPart part{}; // the run or the span of log time read; by default the whole log
};

struct LogColumn {
    int number = 0;   // counted from 1
    std::string name; // as the header writes it
};

struct MeasuredLog {
    std::vector<double> time;  // seconds, strictly increasing (from the first sample, for a time since an
                               // epoch or of a clock)
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
    LogInfo info;         // the format, the choice of each column, the time's base, gaps, runs, the part
};

// Reads a log (see ParseLogTable for the formats) and picks its time, steer and (when asked for) mark
// columns. Dropouts of the steer are replaced (see dropouts.h) and listed in the log. Throws FormatError
// for everything ParseLogTable and ReadTableChannels refuse, a log of one column, and a steer column
// whose unit is not an angle's; ChannelError for a steer that no column's name says is one.
MeasuredLog ParseLog(std::string_view bytes, const LogOptions &options);

// Puts back the bursts of the log's steer that a short pulse of its program commands (see
// IsCommandedPulse), which the reader replaced before it knew the program, and lists them no longer.
void KeepCommandedPulses(MeasuredLog &log, const std::vector<CommandedPulse> &pulses);

// ParseLog on a file. Throws FileError (unreadable, or larger than LogFileLimit) or FormatError.
MeasuredLog ReadLog(const std::string &path, const LogOptions &options);

// The time channel in seconds, its unit decided: the one given, the header's, else the unit of a date
// since 1970 that its values are in (ms, us or ns), else seconds; laid as LaidTime lays it.
std::vector<double> TimeInSeconds(const ChannelRead &time, const LogTable &table,
                                  const std::optional<TimeUnit> &given, TimeUnit &unit, LogInfo &info);

// ParseLog of a table read already.
MeasuredLog MeasuredLogOf(const LogTable &table, const LogOptions &options);
