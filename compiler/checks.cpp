// Post-compile checks.
#include "compiler/checks.h"

// TODO(#3): the checks.
void DutyCheck() {}
void EndAngleWarning(float) {}
void RecycleStepWarning(float) {}
