// Where the graph draws a step: the steps after an END or a REPEATPROGRAM, and the times of a program
// that repeats.
#pragma once

#include "compiler/state.h"

// A step after an END: ended with a rate below 2048.
bool IsEndStep(const StepRecord &step);
// A step after a REPEATPROGRAM: ended with the rate 2048.
bool IsRepeatStep(const StepRecord &step);
// Time of step i and its index in the program: after a repeat step R the program's own steps are
// drawn again, shifted by whole repeat periods (time[R] x (i div R) + time[i mod R], in single).
struct StepPosition {
    float x;
    int source; // the step whose values are drawn at x
};
StepPosition RepeatedStep(const StepStore &steps, int i, int repeatIndex);
