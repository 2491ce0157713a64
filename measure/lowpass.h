// The phaseless low-pass of the published processing: a 6th-order Butterworth filter run forward and
// backward (12 poles in all, no phase shift).
#pragma once

#include <vector>

constexpr int LowPassOrder = 6;
// Samples added at each end before filtering, mirrored through the end sample (an odd reflection):
// three times the filter's order, so that the start-up of each pass dies out before the data begin.
constexpr int LowPassPadding = 3 * LowPassOrder;

// The samples, taken as evenly spaced at the sample rate (Hz), filtered with the cut-off (Hz) forward
// and backward. Each pass starts in the steady state of its first padded sample. Throws FormatError
// when the cut-off is not below half the sample rate or there are too few samples for the padding.
std::vector<double> PhaselessLowPass(const std::vector<double> &samples, double sampleRate, double cutoff);
