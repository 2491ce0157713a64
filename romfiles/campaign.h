// The campaign sheet of a set: what each program is and the figures a test engineer checks it by.
#pragma once

#include "compiler/state.h"
#include "romfiles/programset.h"

#include <string>

// The first comment line of a program: the text after the ";" of its first line that starts with
// one (blanks before it allowed), trimmed; empty when there is none.
std::string FirstComment(const ProgramText &program);

// A CSV of the set, one row per program after a header row: program, its first comment line,
// duration (s), peak steer (the steer of largest magnitude, deg), peak steer rate (deg/s) and the
// CRC-32s of its EPROM and aux slots as a build writes them, and the aux flags its image holds on after
// its end (their numbers separated by blanks; empty for none). A program that does not compile, or
// whose images fail their check, has its comment and empty figures. Cells holding a comma, a quote
// or a line break are quoted; lines end in LF. Notices go to the options' handler.
std::string CampaignSheet(CompilerState &state, const ProgramSet &set, const CompileOptions &options);
