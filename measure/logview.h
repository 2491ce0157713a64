// A log looked into: each column with its range and the channel it was taken for, and the channels read
// as a table to write (the part read, resampled where asked).
#pragma once

#include "measure/channels.h"

#include <optional>
#include <string>
#include <vector>

struct ColumnSummary {
    int number = 0;
    std::string name, unit;
    std::size_t numbers = 0, empty = 0;
    double low = 0, high = 0;   // of its numbers, as written; both 0 without any
    std::optional<BadCell> bad; // the first cell that is no number
    CellForm form = CellForm::Number;
    std::optional<ChannelKind> takenFor; // the channel read from it
    std::vector<ChannelKind> namedAs;    // the channels its name says it may be, besides that one
};

// The columns of the table with what the reading made of them.
std::vector<ColumnSummary> SummariseColumns(const LogTable &table, const LogInfo &info);

// The channels of a log as columns to write: the time first, then each channel asked for in its unit.
struct LogExtract {
    std::vector<ChannelKind> kinds;          // time first
    std::vector<std::string> headers;        // "time [s]", "steer [deg]", "yaw rate [deg/s]", "mark"
    std::vector<std::vector<double>> values; // a column each, as long as the first
};

// The kinds asked for (every channel the log holds when none are) of the log, at its samples or, with a
// rate, at that rate from its first sample on: each channel by straight lines between the samples
// around the time, the mark by the sample before it, and no time inside a gap of the log. Throws
// FormatError for a channel asked for that the log has not.
LogExtract ExtractChannels(const VehicleLog &log, const std::vector<ChannelKind> &kinds, double rate = 0);

// The extract as a CSV text (LF line ends) with the comment lines first, each after "# ": the header the
// log reader finds its channels by, and the shortest numbers that read back as the same values.
std::string ExtractCsv(const LogExtract &extract, const std::vector<std::string> &comments);
