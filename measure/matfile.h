// MATLAB files (version 5) of the steps of a program and of a compared log, for analysis tools.
#pragma once

#include "compiler/state.h"
#include "measure/compare.h"

#include <string>
#include <vector>

// One double matrix of a MATLAB file, stored column after column.
struct MatVariable {
    std::string name;
    std::vector<double> values;
    std::size_t rows = 0, columns = 1;
};

// The bytes of a MATLAB 5 file holding the variables, uncompressed, with a fixed header text so
// that the same variables give the same bytes. Throws FileError when the library fails.
std::string MatFileBytes(const std::vector<MatVariable> &variables);

// The whole step store: time, steer, rate, bit15 and ended (16384 x 1 each), flags (16384 x 8, duty
// percentages of flags 1 to 8), end_index and maxsteer.
std::vector<MatVariable> StepsMatVariables(const StepStore &steps, int endIndex, float maxSteer);

// A comparison: the compared steps (time, commanded, measured, error), the log as read (log_time,
// log_steer), the figures as scalars named with their units (delay_s, gain, ...; NaN where a figure
// has no value; mirrored 1 where the program was compared mirrored), each step's response (step_time_s,
// step_from_deg, step_to_deg, step_before_deg, step_settled_deg, step_overshoot_deg, step_overshoot_percent,
// step_peak_time_s: a row per step) and, for a sweep, frequency_hz, gain_db, phase_deg and coherence.
std::vector<MatVariable> ComparisonMatVariables(const Comparison &comparison, const MeasuredLog &log);
