// A set compared word by word with images read back from an EPROM programmer, each program's images
// checked as Build checks them.
#pragma once

#include "compiler/state.h"
#include "romfiles/build.h"
#include "romfiles/imagefault.h"
#include "romfiles/programset.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The first word (or byte) of a slot that differs between the image built from the set and the one
// read back.
struct FirstDifference {
    int count = 0;                      // words (bytes) of the slot that differ; 0 when the slot matches
    int step = 0;                       // the first of them
    float time = 0;                     // seconds, of that step as built
    std::uint16_t expected = 0;         // the word (byte) built from the set
    std::optional<std::uint16_t> found; // the one read back; absent when the file ends before it
};

struct SlotComparison {
    int program = 0;
    float maxSteer = 0; // degrees: the program's limit, which scales the dac codes of its words
    FirstDifference main;
    FirstDifference aux;     // count 0 when no aux image was compared
    float expectedSteer = 0; // degrees, of the first differing main word's step as built
    float foundSteer = 0;    // degrees, decoded from the word read back (0 when there is none)
    bool Matches() const { return main.count == 0 && aux.count == 0; }
};

// The set rebuilt in memory and compared with the images read back.
struct SetComparison {
    bool built = false;                   // every program compiled and its images passed the check
    std::vector<std::string> faults;      // image-check failures of the rebuilt set (see BuildOutcome)
    std::size_t binSize = 0;              // bytes of the EPROM image read back
    std::optional<std::size_t> auxSize;   // bytes of the aux image read back, when one was given
    std::vector<SlotComparison> programs; // the 16 programs, once built
    bool Identical() const;
};

// Builds the set as Build does (each program's images checked) and compares every program's slot of
// the EPROM image read back, and of the aux image when one is given, word by word. A size other than
// the built file's is a difference too. Compile failures are reported through the callbacks.
SetComparison CompareSetWithImages(CompilerState &state, const ProgramSet &set, std::string_view bin,
                                   std::optional<std::string_view> aux, const CompileOptions &options,
                                   const BuildCallbacks &callbacks = {});

// The comparison as text lines: one or two per program that differs, a line per file whose size is
// wrong, and a closing line naming the files.
std::vector<std::string> ComparisonLines(const SetComparison &comparison, const std::string &setName,
                                         const std::string &binName, const std::string &auxName);
