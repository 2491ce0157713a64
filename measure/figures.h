// The tracking figures of a compared log as text: the warnings they deserve and the short lines of
// the window's summary panel.
#pragma once

#include "measure/compare.h"

#include <string>
#include <vector>

// What a reader of the figures should know about them: a poor correlation, the parts of the program
// the log does not cover, a sweep without a clear response, skipped rows, gaps.
std::vector<std::string> ComparisonWarnings(const Comparison &comparison, const MeasuredLog &log);

// The figures as short "label value" lines, for example "Delay           0.0350 s": the log's name
// and row count, the tracking figures, how the log was aligned and what it covers, the warnings.
std::vector<std::string> ComparisonSummaryLines(const Comparison &comparison, const MeasuredLog &log,
                                                const std::string &logName);
