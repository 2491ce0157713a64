// Post-compile checks: high-current duty, end angle, recycle step.
#pragma once

#include "compiler/state.h"

// Cuts bit15 where the high-current duty limit would be exceeded; one notice per compile.
void DutyCheck(StepStore &steps, const NoticeHandler &notice);

// Notices for a program that ends away from 0 (END) or jumps when it recycles (REPEATPROGRAM).
void EndAngleWarning(float held, const NoticeHandler &notice);
void RecycleStepWarning(float held, const NoticeHandler &notice);
