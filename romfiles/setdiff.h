// Two versions of a program or of a program set compared: the texts line by line, and the steps the
// compiler makes of them.
#pragma once

#include "compiler/state.h"
#include "compiler/summary.h"
#include "romfiles/programset.h"

#include <optional>
#include <string>
#include <vector>

// One side of a comparison after its compile.
struct CompiledVersion {
    bool compiled = false;
    std::vector<std::string> messages; // the Messages text when the compile failed
    std::vector<std::string> notices;  // the notices the compile raised, in order
    std::vector<std::string> warnings; // the Messages lines of the warnings of a compile that succeeded
    ProgramSummary summary;            // meaningful when compiled
};

// How the step stores of two compiled programs differ.
struct StepDifference {
    bool identical = true;           // every field of all 16384 steps is equal
    int firstStep = -1;              // first step with a differing field, -1 when identical
    float firstTime = 0;             // its time, seconds (equal in both: the steps before it are)
    std::vector<std::string> fields; // the fields that differ there: time, steer, rate, bit15, ended,
                                     // flags
    // The steer of each program as the machine plays it (each step held for its period, the end
    // angle after the end), compared over time.
    float maxSteerDifference = 0; // largest |steer B - steer A|, degrees
    float maxSteerTime = 0;       // its first time, seconds
    float steerA = 0, steerB = 0; // the two steers then, degrees
    float durationChange = 0;     // duration of B less duration of A, seconds
};

struct ProgramDifference {
    bool textDiffers = false;
    CompiledVersion a, b;
    std::optional<StepDifference> steps; // when both compiled
    // True when both compiled to the same steps.
    bool StepsIdentical() const { return steps && steps->identical; }
};

// Compiles both program texts with the same options (their notices are collected, not passed on)
// and compares them in the given state, which is left holding the compile of b.
ProgramDifference DiffPrograms(CompilerState &state, const ProgramText &a, const ProgramText &b,
                               CompileOptions options);

// DiffPrograms on each of the 16 programs of two sets.
std::vector<ProgramDifference> DiffProgramSets(CompilerState &state, const ProgramSet &a, const ProgramSet &b,
                                               const CompileOptions &options);

// The hunks of a unified diff turning lines a into lines b, with context lines around each change:
// "@@ -l,s +l,s @@" headers, then lines marked ' ', '-' or '+'. Empty when the lines are equal. The
// changes are the fewest possible for texts of usual size; where that would take seconds (thousands of
// differing lines), the lines from the first difference to the last are one replacement.
std::vector<std::string> UnifiedDiff(const std::vector<std::string> &a, const std::vector<std::string> &b,
                                     int context = 3);
