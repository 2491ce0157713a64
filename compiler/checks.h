// Post-compile checks: high-current duty, end angle, recycle step.
#pragma once

// Cuts bit15 where the high-current duty limit would be exceeded; one notice per compile.
void DutyCheck();

// Notices for a program that ends away from 0 (END) or jumps when it recycles (REPEATPROGRAM).
void EndAngleWarning(float held);
void RecycleStepWarning(float held);
