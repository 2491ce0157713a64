// The steer pass: one waveform generator per segment fills the steer of every step.
#pragma once

#include "compiler/state.h"

// Fills the steer of every step; raises error 26 and 41 into the state and the angle notices through
// the handler.
void SteerPass(CompilerState &state, const NoticeHandler &notice);
