// Export: the current program as text, or its compiled steer profile as a time-and-value file.
#pragma once

#include "compiler/state.h"
#include "romfiles/programset.h"

#include <string>
#include <vector>

// The program's lines, each followed by CR LF.
std::string TextExportBytes(const ProgramText &program);

// One line per step from step 0 up to and including the first ended step (or step 16383): the time
// and the steer, each "%8.3f", with one blank before a steer whose text fills its field.
std::string TimeValueExportBytes(const StepStore &steps);

// The whole step store as CSV: a "# end_index=E maxsteer=X" line, the column names, then steps 0 to
// 16383. Times, steers and maxsteer are written with "%.9g" (they read back to the same float),
// negative zero as 0; the rest are integers.
std::vector<std::string> StepsCsvLines(const StepStore &steps, int endIndex, float maxSteer);
// Those lines as a CSV file, each followed by LF as CSV tools expect: the bytes `quillard-cli steps`
// prints, and what the window's Export Steps as CSV and `steps -o` write.
std::string StepsCsvBytes(const StepStore &steps, int endIndex, float maxSteer);

// Writes the program's text atomically. Throws FileError.
void ExportText(const std::string &path, const ProgramText &program);

// Compiles the program into the state and, when it compiles, writes its time-and-value file
// atomically. Returns false (writing nothing) when the compile fails; the messages are in the state.
// Throws FileError.
bool ExportTimeValue(CompilerState &state, const std::string &path, const ProgramText &program,
                     const CompileOptions &options);
