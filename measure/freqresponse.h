// Frequency response (ISO 7401) from a sweep, a continuous sine or random steer: the yaw rate and the
// lateral acceleration per steer, gain and phase over frequency by the cross-spectral (H1) estimate with
// Welch averaging, with the coherence; frequencies of low coherence are marked and give no figure. The
// characteristic values: the steady-state gain (at the lowest frequency that is a figure), the yaw
// rate's resonance frequency and peak ratio, the phases and gains at 1 Hz and the equivalent time lags.
#pragma once

#include "measure/handling.h"

namespace ResponseCriteria {
// The Welch settings (ours; the standard asks for the cross-spectral estimate and leaves them open):
// segments of 20 s (0.05 Hz between frequencies, 1 Hz one of them) through a periodic Hann window,
// overlapping by three quarters, at which the squared windows sum to the same weight at every instant,
// so that each instant of a sweep counts alike. An end of the log at rest is extended by straight
// running (zeros) for the segments to reach it in full. No filter: one applied to the steer and the
// response alike cancels in H1.
constexpr double Segment = 20;   // s
constexpr double Overlap = 0.75; // of a segment
// The coherence (squared) of the spectra averaged over the segments and over the 5 frequencies around
// each (0.25 Hz): a sweep passes each frequency once, so the segments alone average it too little.
constexpr int CoherenceBand = 2; // frequencies each side
// A frequency is a figure where the coherence is at least the limit (ours, the common one) and the
// steer's input there at least this share of its largest.
constexpr double CoherenceLimit = 0.8;
constexpr double LeastInput = 0.01;
// Frequencies listed, Hz.
constexpr double HighestFrequency = 5;
// A steer with this share of its power or more within two frequencies of its peak is a continuous
// sine: only its own frequency is a figure.
constexpr double SineShare = 0.9;
// A run whose frequencies of input are figures at fewer than this share is below the coherence limit.
constexpr double LeastValidShare = 0.5;
// At rest at an end: over its first or last second the steer within this share of its largest, and
// the responses' means too.
constexpr double RestShare = 0.02;
constexpr double RestTime = 1; // s
// The frequency of the phases and gains that characterise the response.
constexpr double CharacteristicFrequency = 1; // Hz
} // namespace ResponseCriteria

HandlingResult EvaluateFrequencyResponse(const VehicleLog &log);
