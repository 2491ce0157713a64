// The Build command's core: all 16 programs compiled into the EPROM (.bin) and aux (.aux) files.
#pragma once

#include "compiler/state.h"
#include "romfiles/fileio.h"
#include "romfiles/image.h"
#include "romfiles/programset.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t MainImageBytes = 2 * StepCount; // one program in the EPROM file
constexpr std::size_t AuxImageBytes = StepCount;      // one program in the aux file

// What the caller shows while a build runs. Any may be empty.
struct BuildCallbacks {
    std::function<void(int program)> programStarts; // before program p (0 to 15) is compiled
    std::function<void(int program, const std::vector<std::string> &messageLines)> programFailed;
    // After program p compiled, while the state holds its compile (its warnings, its steps).
    std::function<void(int program, const CompilerState &state)> programCompiled;
    // BuildSet only: once every program compiled and its images passed the check, before any file is
    // written. A text stops the build there as the outcome's text, every file left as it was.
    std::function<std::optional<std::string>()> beforeWriting;
};

// The ROM images of one compiled program, filled by BuildProgram.
struct ProgramImages {
    std::vector<std::uint16_t> main = std::vector<std::uint16_t>(StepCount); // main words
    std::vector<std::uint8_t> aux = std::vector<std::uint8_t>(StepCount);    // aux bytes

    // The images as the files hold them: each main word as two bytes, low byte first whatever the
    // machine's byte order, and the aux bytes as they are.
    std::string MainBytes() const;
    std::string_view AuxBytes() const;
};

// How a compiled program becomes its images; tests hand in a faulty one to see the check catch it.
struct ImageEncoder {
    void (*main)(const StepStore &steps, float maxSteer, std::uint16_t *out) = EncodeMainImage;
    void (*aux)(const StepStore &steps, std::uint8_t *out) = EncodeAuxImage;
};

// The images of a whole set built in memory, program 0 first.
struct SetImages {
    std::string main;                // 16 x 32768 bytes once every program is good
    std::string aux;                 // 16 x 16384 bytes
    bool compiled = true;            // every program compiled
    std::vector<std::string> faults; // a line for each program whose images failed the check
    bool Good() const { return compiled && faults.empty(); }
};

// Compiles programs 0 to 15 in order, reporting each start and each failure, encodes each program
// that compiled and checks its images against its steps (CheckProgramImages) before they join the
// set. programBuilt, when given, runs after each program whose images passed, with its images, while
// the compiler state still holds it. The images are complete only when Good().
SetImages
BuildSetImages(CompilerState &state, const ProgramSet &set, const CompileOptions &options,
               const BuildCallbacks &callbacks = {}, const ImageEncoder &encoder = {},
               const std::function<void(int program, const ProgramImages &images)> &programBuilt = {});

struct BuildOutcome {
    bool success = false;
    std::string text; // the success message, or "Error(s) were found. File was not created." after a
                      // line for each program whose images failed the check
};

// Files made from the EPROM and aux images (for example their HEX copies) and written with them.
using ImageCopies = std::function<std::vector<FileContent>(const std::string &main, const std::string &aux)>;

// CompileProgram followed, on success, by the main-word and aux-byte encoders. A failed compile
// leaves the images as they were.
bool BuildProgram(CompilerState &state, const std::vector<std::string> &lines, const CompileOptions &options,
                  ProgramImages &images);

// The aux file's name: the EPROM file's name with its extension replaced by ".aux" (appended when
// the name has none).
std::string AuxPathFor(const std::string &binPath);

// Builds the set's images (BuildSetImages). When all 16 programs compiled and their images passed the
// check, the EPROM and aux files (and the copies) are replaced together, as one ReplaceFileGroup
// anchored at the aux file; otherwise nothing is touched, and the outcome's text starts with a line
// per image-check failure. A file that cannot be written throws FileError naming it, and every file
// is then as it was.
BuildOutcome BuildSet(CompilerState &state, const ProgramSet &set, const std::string &binPath,
                      const CompileOptions &options, const BuildCallbacks &callbacks = {},
                      const ImageCopies &copies = {}, const ImageEncoder &encoder = {});
