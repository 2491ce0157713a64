// The channels of a log picked from its table by the table of channel kinds: for each, the column taken
// and why, the candidates it was chosen from, and the rows every channel read has a value in. Messages
// name the channel; the front ends add how to pick another (an option, a box of a dialog).
#pragma once

#include "files/fileio.h"
#include "measure/channelkinds.h"
#include "measure/logtable.h"
#include "measure/logtime.h"

#include <functional>
#include <string>
#include <vector>

// Why a column was taken for a channel.
enum class ChoiceBasis {
    None,     // no column
    Option,   // named by an option or a dialog
    Only,     // the only column named as the channel
    Unit,     // of several named so, the only one whose unit is the channel's
    OwnName,  // of several named so, the only one named by one of the channel's own names
    Order,    // the first of several that fit alike
    Position, // no column is named as it: taken by its place (the time only)
};
// "option", "only", "unit", "own name", "order", "position", "none": as JSON writes the basis.
const char *ChoiceBasisName(ChoiceBasis basis);

// A column a channel may be read from.
struct ChannelCandidate {
    int number = 0; // counted from 1; 0: none
    std::string name, unit;
    NameMatch match = NameMatch::None;
    UnitKind unitKind = UnitKind::Unknown; // of its unit
    bool unitFits = true; // no unit, one the reader does not know, or one of the channel's kind
};

struct ChannelChoice {
    ChannelKind kind = ChannelKind::Steer;
    ChoiceBasis basis = ChoiceBasis::None;
    ChannelCandidate taken;                   // number 0: none
    std::vector<ChannelCandidate> candidates; // the columns named as the channel, in column order
    std::string notRead; // why the column named as an optional channel was not read; empty: it was
    bool Taken() const { return taken.number > 0; }
    // The choice deserves a word: several columns were named as the channel, or none and one was
    // taken by its place.
    bool Said() const;
};

// "yaw rate: column 3 "Yaw_Rate [deg/s]" taken, the first of 2 columns named as a yaw rate alike (also
// column 7 "YawRate [deg/s]")": what a said choice is, without how to pick another.
std::string ChoiceText(const ChannelChoice &choice);

// How a front end says to pick otherwise, added to the core's texts: "pick another with --yaw-column",
// "pick one with --run N". Empty: nothing is added.
struct PickHints {
    std::function<std::string(const ChannelChoice &)> column;
    std::string run;
};

// The choice's text with the hint of the front end.
std::string ChoiceLine(const ChannelChoice &choice, const PickHints &hints);

// What went wrong with a channel: none named as it and none given (Missing), the steer not named and not
// taken by its place (Unnamed), or a column taken whose unit is another quantity's (OtherUnit).
enum class ChannelProblem { Missing, Unnamed, OtherUnit };

// A channel that cannot be read as asked. what() names the channel and the columns; the front end adds
// how to pick one, from the choice.
class ChannelError : public FormatError {
public:
    ChannelError(ChannelChoice choice, ChannelProblem problem, const std::string &what)
        : FormatError(what), m_choice(std::move(choice)), m_problem(problem) {}
    const ChannelChoice &choice() const { return m_choice; }
    ChannelProblem problem() const { return m_problem; }

private:
    ChannelChoice m_choice;
    ChannelProblem m_problem;
};

// The column for a channel: the one given (a header name, letter case and a unit in brackets ignored, or
// a number counted from 1; a FormatError when there is none such), else the best of those named as the
// channel (a unit of its kind before none, none before another's; its own name before a word of it; the
// first), else for the time the first column by its place; else none.
ChannelChoice ChooseColumn(const LogTable &table, ChannelKind kind, const std::string &given);

// A channel to read.
struct ChannelRequest {
    ChannelKind kind;
    std::string column;      // given: a header name or a number; empty: by its name
    bool needed = false;     // without a column a ChannelError
    bool byName = true;      // found by its name when not given; false: only when given
    bool angleGiven = false; // the steer: its unit is stated by an option, so a header's is not checked
};

// A channel read: its choice, and its values as written on the rows kept (empty without a column); the
// time's less its column's base.
struct ChannelRead {
    ChannelChoice choice;
    std::vector<double> values;
    double base = 0; // of the time: what its values were written less
    const TableColumn *column = nullptr;
};

struct TableRead {
    std::vector<ChannelRead> channels; // as requested
    std::vector<int> lines;            // of the rows kept
    int skippedRows = 0;               // rows with an empty cell in a channel read
    int firstSkippedLine = 0;
};

// Picks the columns and reads the rows that hold a value of every channel picked, the time (requested
// first) increasing. An optional channel found by its name whose column holds a cell that is no number is
// not read (its choice says why). A row with an empty cell in one of them is a logger's dropout, counted and
// skipped. Throws ChannelError for a needed channel without a column and for a steer whose header unit is
// another quantity's; FormatError naming the line for a cell that is not a finite number, a time that
// does not increase, no row or only one.
TableRead ReadTableChannels(const LogTable &table, const std::vector<ChannelRequest> &requests);

// What the reading of a log found besides its channels' values.
struct LogInfo {
    LogFormat format = LogFormat::TextTable;
    int headerLine = 0;
    std::vector<ChannelChoice> choices; // of every channel read or looked for
    LogTimeBase time;                   // how its time was written and laid
    SampleIntervals intervals;          // of the part read
    std::vector<LogGap> gaps;           // of the part read
    std::vector<LogRun> runs;           // of the whole log
    std::string part;                   // the part read ("run 2 of 3, ..."); empty: the whole log
    std::string set;                    // the set (or program text) and program the file names
    int program = -1;
    int namedOnLine = 0;
    std::string recorded; // when the file says it was recorded
    // The choice of a channel; nullptr when it was not looked for.
    const ChannelChoice *ChoiceOf(ChannelKind kind) const;
};

// The notes a reading deserves, each with the front end's hints: the choices said, the optional
// channels named but not read, and a log of several runs read whole.
std::vector<std::string> ReadingNotes(const LogInfo &info, const PickHints &hints);

// The rows first to last of the values (every vector as long as the time).
void KeepRows(std::vector<double> &values, std::size_t first, std::size_t last);

// The log's time in seconds from the time channel read in the unit's factor: laid from the first sample
// when it counts from an epoch or a clock (see LayTime); fills the info's time and the table's facts.
std::vector<double> LaidTime(const ChannelRead &time, double factor, const LogTable &table, LogInfo &info);

// Finds the runs of the log and keeps the part asked for (every vector given, as long as the time, and
// the lines), with the intervals and the gaps of that part. Throws FormatError for a run the log has not.
void KeepPart(std::vector<double> &time, const std::vector<double> &steer,
              std::vector<std::vector<double> *> others, std::vector<int> &lines, const LogPart &part,
              LogInfo &info);
