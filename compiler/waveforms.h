// The steer pass: one waveform generator per segment fills the steer of every step.
#pragma once

void SteerPass();
