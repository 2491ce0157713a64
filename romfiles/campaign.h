// The campaign sheet of a set: what each program is and the figures a test engineer checks it by.
#pragma once

#include "compiler/state.h"
#include "romfiles/programset.h"
#include "romfiles/templates.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The first comment line of a program: the text after the ";" of its first line that starts with
// one (blanks before it allowed), trimmed; empty when there is none.
std::string FirstComment(const ProgramText &program);

// The template a program was written from, which says how its run is evaluated: the one whose title
// starts its first comment line as every template writes it ("Sine with dwell: amplitude 80 deg, ..."),
// else what its compiled statements drive: a sine of 0.75 cycles and later one of 0.25 cycles from
// 270 deg at the same frequency is a sine with dwell; a first move that is a ramp away from centre at
// SlowRampRate or slower, with no periodic move after it, is a slowly increasing steer. nullptr when
// neither says.
constexpr double SlowRampRate = 50; // deg/s
const ManoeuvreTemplate *ProgramTemplate(const ProgramText &program,
                                         const std::vector<ProgramStatement> &statements);

// A of the standard series that the program's first comment line names ("standard series, A 20 deg",
// as StandardSeriesNote writes it); none without that note. Throws FormatError when the note's A is no
// positive number of deg.
std::optional<double> SeriesAmplitudeA(const ProgramText &program);

// A as the note of a series' program gives it, and where it came from: "the note of swd-1.rom program
// 3". Read from the first of the programs (a set file and a program number) whose set file exists and
// whose program has the note; none when none has. Throws FileError when a set cannot be read, and
// FormatError naming the set when it is no set or a note holds no A.
struct NoteA {
    double value = 0; // deg
    std::string source;
};
std::optional<NoteA> SeriesNoteA(const std::vector<std::pair<std::string, int>> &programs);

// A CSV of the set, one row per program after a header row: program, its first comment line,
// duration (s), peak steer (the steer of largest magnitude, deg), peak steer rate (deg/s) and the
// CRC-32s of its EPROM and aux slots as a build writes them, and the aux flags its image holds on after
// its end (their numbers separated by blanks; empty for none). A program that does not compile, or
// whose images fail their check, has its comment and empty figures. Cells holding a comma, a quote
// or a line break are quoted; lines end in LF. Notices go to the options' handler.
std::string CampaignSheet(CompilerState &state, const ProgramSet &set, const CompileOptions &options);
