// Measured logs: the time, steer and mark columns of a data logger's text file.
#pragma once

#include "measure/dropouts.h"
#include "romfiles/fileio.h"

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

// Which columns to read and how to scale them. A column is a header name (letter case and a unit
// in brackets ignored: "Steer [deg]" answers to "steer") or a number counted from 1.
struct LogOptions {
    std::string timeColumn;           // empty: the first column whose name starts with "time", else column 1
    std::string steerColumn;          // empty: the first column whose name contains "steer", else column 2
    std::string markColumn;           // empty: no mark column
    std::optional<TimeUnit> timeUnit; // unset: the unit in the header ("time (ms)"), else seconds
    std::optional<AngleUnit> angleUnit; // unset: the unit in the header ("steer [rad]"), else degrees
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
    int skippedRows = 0;              // rows with an empty cell in a column read (logger dropouts)
    int firstSkippedLine = 0;         // line of the first of them
    std::vector<LogDropout> dropouts; // steer samples far off both neighbours, replaced by interpolation
};

// Logs larger than this are refused before they are read.
constexpr ReadLimit LogFileLimit{1024 * MiB};

// Reads a log: a header line naming the columns, then one row per line, the cells separated by
// tabs, semicolons, commas or blanks (whichever the header uses) with a decimal point. Blank lines
// and lines starting with '#' are skipped; so are rows with an empty cell in a column read. A logger's
// sectioned file (see vbo.h) is read as its table. Dropouts of the steer are replaced (see dropouts.h)
// and listed in the log. Throws
// FormatError naming the line for a missing header, a cell that is not a finite number, a time that
// does not increase, or fewer than two rows.
MeasuredLog ParseLog(std::string_view bytes, const LogOptions &options);

// The column names of the log's header line, as written, from the start of the file; empty when the
// bytes hold no header line (no line yet, or a first line of numbers).
std::vector<std::string> LogColumnNames(std::string_view start);

// ParseLog on a file. Throws FileError (unreadable, or larger than LogFileLimit) or FormatError.
MeasuredLog ReadLog(const std::string &path, const LogOptions &options);
