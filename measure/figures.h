// The tracking figures of a compared log as text: the warnings they deserve, and the text that the CLI
// prints and the window's summary panel shows.
#pragma once

#include "measure/compare.h"

#include <string>
#include <vector>

// What a reader of the figures should know about them: a poor correlation, the parts of the program
// the log does not cover, a sweep without a clear response, skipped rows, dropouts replaced, gaps with
// their places, and the notes of the log's reading (see ReadingNotes) with the front end's hints.
std::vector<std::string> ComparisonWarnings(const Comparison &comparison, const MeasuredLog &log,
                                            const PickHints &hints = {});

// The comparison as text, in parts.
struct ComparisonText {
    std::vector<std::string> source;   // the log (its name as given, rows and columns), how it was aligned
                                       // and what it covers
    std::vector<std::string> figures;  // the tracking figures as "label value" lines, the labels padded to
                                       // the width asked ("Delay        0.0350 s" at 13), then a line for
                                       // each step response
    std::vector<std::string> response; // a sweep's band and bandwidth, then at most 20 points of its
                                       // frequency response; empty without a sweep
    std::vector<std::string> warnings; // "Warning: " and each of ComparisonWarnings
    // The parts in that order: the text of quillard-cli compare.
    std::vector<std::string> Lines() const;
};
// The hints are the front end's words for picking another column or a run, added to the notes.
ComparisonText DescribeComparison(const Comparison &comparison, const MeasuredLog &log,
                                  const std::string &logName, int labelWidth, const PickHints &hints = {});
