// Time as a log has it: seconds from the log's start, since an epoch or of a clock, laid from the first
// sample; its sample intervals and gaps; the runs it holds (steer activity separated by rest) and the
// part of it that is read.
#pragma once

#include "measure/logtable.h"

#include <optional>
#include <string>
#include <vector>

// How the time was written: seconds from a start of the logger's; seconds since 1970 (or another epoch);
// a clock time of the day.
enum class TimeBase { AsWritten, Epoch, ClockTime };

// A time whose first value is at least this far from its zero counts from an epoch: no run is logged for
// three years.
constexpr double EpochLeast = 1e8; // s

struct LogTimeBase {
    TimeBase base = TimeBase::AsWritten;
    double origin = 0;  // s: time 0 as written (seconds since 1970 or of the day); 0 as written
    bool dated = false; // origin is a date from 2000 to 2100
    // The unit the time was taken in where none was stated and its values are a date's in it ("ms").
    std::string unitGuessed;
};

// Lays the times (seconds as written, less the base) from their first sample when they count from an
// epoch or are a clock's (cells of the form, or values beyond EpochLeast), and says how.
LogTimeBase LayTime(std::vector<double> &seconds, CellForm form, double base = 0);

// The factor from a time unit that a column's values imply to seconds when none is stated: values of
// a date in milliseconds, microseconds or nanoseconds since 1970 (1e-3 and "ms", ...); 1 and "" else.
double GuessedTimeFactor(double firstValue, std::string &unit);

// "seconds since 1970: time 0 is its first sample, 2024-05-01 10:15:59.950 UTC"; empty as written.
std::string TimeBaseText(const LogTimeBase &time);

// The intervals between samples: median, shortest and longest, seconds.
struct SampleIntervals {
    double median = 0, shortest = 0, longest = 0;
    double Rate() const { return median > 0 ? 1 / median : 0; } // Hz
};
SampleIntervals IntervalsOf(const std::vector<double> &time);

// A break in the samples longer than five median intervals (as the comparison leaves them out).
struct LogGap {
    double time = 0;   // s, of the sample before it
    double length = 0; // s
    int line = 0;      // of the sample after it
};
std::vector<LogGap> GapsOf(const std::vector<double> &time, const std::vector<int> &lines);

namespace RunRules {
constexpr double RestBetween = 2.0; // s at the rest level that separate two runs
constexpr double BandFloor = 2.0;   // deg a run leaves the rest level by, at least...
constexpr double BandShare = 0.1;   // ...and this share of the log's largest departure from it
constexpr double Shortest = 0.2;    // s: a departure shorter than this is no run
} // namespace RunRules

// A steer manoeuvre of a log: the steer away from its rest level, with rest before and after.
struct LogRun {
    int number = 0;            // from 1
    double start = 0, end = 0; // s, where the steer leaves the rest level and where it is back for good
    double from = 0, to = 0;   // s, the part of the log that holds it: to the middle of the rest around it
    double peak = 0;           // deg from the rest level, the largest in size, signed
    int firstSteer = 0;        // +1 counter-clockwise (positive), -1 clockwise
};
std::vector<LogRun> RunsOf(const std::vector<double> &time, const std::vector<double> &steer);

// The direction of the first steer: +1 counter-clockwise, -1 clockwise, 0 when it cannot be told: the
// sign of the first departure from the rest level beyond a quarter of the largest one (1 deg at least).
int FirstSteer(const std::vector<double> &time, const std::vector<double> &steer);
// "counter-clockwise", "clockwise", "none".
const char *SteerDirectionName(int direction);

// The part of a log to read: a run, or a span of log time; nothing: the whole log.
struct LogPart {
    int run = 0;                    // from 1; 0: none
    std::optional<double> from, to; // s of log time
    bool Whole() const { return run == 0 && !from && !to; }
};

// The samples of the part, first to last, and what it is. Throws FormatError when the log has no such
// run or the part holds fewer than two samples.
struct PartRows {
    std::size_t first = 0, last = 0;
    std::string text; // "run 2 of 3, 30.120 to 36.500 s of the log"
};
PartRows SelectPart(const std::vector<double> &time, const std::vector<LogRun> &runs, const LogPart &part);
