// The Build command's core: all 16 programs compiled into the EPROM (.bin) and aux (.aux) files.
#pragma once

#include "compiler/state.h"
#include "romfiles/programset.h"

#include <cstdint>
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

// The ROM images of one compiled program, filled by BuildProgram.
struct ProgramImages {
    std::vector<std::uint16_t> main = std::vector<std::uint16_t>(StepCount); // main words
    std::vector<std::uint8_t> aux = std::vector<std::uint8_t>(StepCount);    // aux bytes
};

// CompileProgram followed, on success, by the main-word and aux-byte encoders. A failed compile
// leaves the images as they were.
bool BuildProgram(CompilerState &state, const std::vector<std::string> &lines, const CompileOptions &options,
                  ProgramImages &images);

// The aux file's name: the EPROM file's name with its extension replaced by ".aux" (appended when
// the name has none).
std::string AuxPathFor(const std::string &binPath);

// Compiles programs 0 to 15 in order through BuildProgram into the state, reporting each start and
// each failure.
// When all 16 compiled, the EPROM and aux files are replaced together; otherwise neither is touched.
// A file that cannot be written, renamed or restored throws FileError; the pair is then left as it
// was (the old EPROM file is put back when the aux file cannot be replaced after it).
BuildOutcome BuildSet(CompilerState &state, const ProgramSet &set, const std::string &binPath,
                      const CompileOptions &options, const BuildCallbacks &callbacks = {});
