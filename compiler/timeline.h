// The step store's timeline: timing pass, split, attribute pass and capacity check.
#pragma once

#include "compiler/state.h"

// Gives every statement its start time (and SINE-like statements their duration from cycles).
void TimingPass(CompilerState &state);

// Builds the event list and the segment list from the statement list.
void Split(CompilerState &state);

// Fills time, rate, bit15, ended, flags (and steer = 0) of all steps, the end index and the slew rate,
// then runs the duty check, which raises its notice through the handler.
void AttributePass(CompilerState &state, const NoticeHandler &notice);

// Whether every statement starts within the store; on failure raises message 2 and returns false.
bool CapacityCheck(CompilerState &state);
