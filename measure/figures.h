// The tracking figures of a compared log as text: the warnings they deserve and the lines that the
// CLI prints and the window's summary panel shows.
#pragma once

#include "measure/compare.h"

#include <string>
#include <vector>

// What a reader of the figures should know about them: a poor correlation, a log that covers too
// little of the program, skipped rows, gaps.
std::vector<std::string> ComparisonWarnings(const Comparison &comparison, const MeasuredLog &log);

// The comparison as text lines: the log (its name as given, rows and columns), how it was aligned and
// what it covers, the tracking figures as "label value" lines with the labels padded to the width
// (for example "Delay        0.0350 s" at 13), each step response, the frequency response of a
// sweep with a table of at most 20 of its points, and the warnings.
std::vector<std::string> ComparisonLines(const Comparison &comparison, const MeasuredLog &log,
                                         const std::string &logName, int labelWidth);
