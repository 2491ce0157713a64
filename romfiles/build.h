// The Build command's core: all 16 programs compiled into the EPROM (.bin) and aux (.aux) files.
#pragma once

#include "compiler/state.h"
#include "romfiles/fileio.h"
#include "romfiles/programset.h"

#include <functional>
#include <string>
#include <vector>

constexpr std::size_t MainImageBytes = 2 * StepCount; // one program in the EPROM file
constexpr std::size_t AuxImageBytes = StepCount;      // one program in the aux file

// What the caller shows while a build runs. Either may be empty.
struct BuildCallbacks {
    std::function<void(int program)> programStarts; // before program p (0 to 15) is compiled
    std::function<void(int program, const std::vector<std::string> &messageLines)> programFailed;
};

struct BuildOutcome {
    bool success = false;
    std::string text; // the success message, or "Error(s) were found. File was not created."
};

// Files made from the EPROM and aux images (for example their HEX copies) and written with them.
using ImageCopies = std::function<std::vector<FileContent>(const std::string &main, const std::string &aux)>;

// The aux file's name: the EPROM file's name with its extension replaced by ".aux" (appended when
// the name has none).
std::string AuxPathFor(const std::string &binPath);

// Compiles programs 0 to 15 in order through BuildProgram, reporting each start and each failure.
// When all 16 compiled, the EPROM and aux files (and the copies) are replaced together, as one
// ReplaceFileGroup anchored at the aux file; otherwise nothing is touched. A file that cannot be
// written throws FileError naming it, and every file is then as it was.
BuildOutcome BuildSet(const ProgramSet &set, const std::string &binPath, const CompileOptions &options,
                      const BuildCallbacks &callbacks = {}, const ImageCopies &copies = {});
