// The steer pass.
#include "compiler/waveforms.h"

// TODO(#3): the generators.
void SteerPass() {}
