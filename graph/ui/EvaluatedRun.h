// An evaluated run as the window shows it: the graph of its channels with the marks and limits of its
// procedure, and the lines of its figures for the summary panel.
#pragma once

#include "graph/rungraph.h"
#include "measure/evaluate.h"
#include "measure/sis.h"

#include <string>
#include <vector>

// What a sine-with-dwell run was judged with besides its log.
struct SwdInputs {
    double a = 0;        // deg; 0: not known
    std::string aSource; // where A came from: "the program's note", "Evaluate Run"
    double gvwr = 0;     // kg; 0: not given
};

// The span of a run's graph: from the start of the log or of the program, whichever is first, to the end
// of the log or the program, and never before `atLeast` (the last time the procedure looks at).
struct RunSpan {
    double from = 0, to = 0;
};
RunSpan RunSpanOf(const std::vector<double> &logTime, const std::vector<TPointD> &program, double atLeast);

// A sine-with-dwell run: its steer (and the program's, drawn on the log's time), yaw rate with the two
// ratio limits as bands from their check times, lateral acceleration, and lateral displacement with its
// limit at BOS + 1.07 s where it is judged; BOS, COS, COS + 1.000 s, COS + 1.750 s and BOS + 1.07 s marked.
RunGraph SwdRunGraph(const SwdResult &result, const SwdInputs &inputs, const std::vector<TPointD> &program);

// A slowly increasing steer run: its steer (and the program's) and lateral acceleration with the fit's
// levels, the start and end of the fit and the time of the reading marked, and the regression of the
// steer on the lateral acceleration beside them with the angle read off at the options' level.
RunGraph SisRunGraph(const SisResult &result, const SisOptions &options, const std::vector<TPointD> &program);

// What the verdict of a sine-with-dwell run rests on besides its figures: A and where it came from, the
// gross vehicle weight rating and the displacement limit it gives, and whether the displacement was judged
// and why not.
std::vector<std::string> SwdInputLines(const SwdResult &result, const SwdInputs &inputs);

// The figures of a slowly increasing steer run: the angle at the level, the regression, the zeroing.
std::vector<std::string> SisFigureLines(const SisResult &result, const SisOptions &options);
