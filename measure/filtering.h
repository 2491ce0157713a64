// Filtering, after cleaning and before zeroing: the low-pass filters the procedures prescribe, each a
// named constant with its source, all run as the phaseless Butterworth filter of lowpass.h (a 6th-order
// design run forward and backward: 12 poles, no phase shift, so no figure is moved in time).
#pragma once

#include "measure/lowpass.h"

#include <string>
#include <vector>

struct ProcedureFilter {
    double cutoff = 0;       // Hz
    const char *source = ""; // what prescribes it, or why it is chosen where the procedure leaves it open
};

namespace Filters {
// FMVSS No. 126 S7.9.2 to S7.9.4 (UN R140 and GB/T 30677 process the data alike): the steer at 10 Hz,
// the yaw rate and the lateral acceleration at 6 Hz, each through a 12-pole phaseless Butterworth.
constexpr ProcedureFilter EscSteer{10, "FMVSS No. 126 S7.9.2"};
constexpr ProcedureFilter EscResponse{6, "FMVSS No. 126 S7.9.3 and S7.9.4"};
// ISO 7401 (step steer, single-period sine) and ISO 15037-1, whose data processing it takes, ask for
// filters that leave the band of the vehicle's response (a few hertz) as it is and shift no phase; the
// cut-off is ours: 10 Hz, well above that band and below half the 25 Hz a logger samples at least.
// The steer is taken as logged: a steering machine's angle is clean, and its corners are what time zero
// and the rise time measure.
constexpr ProcedureFilter TransientResponse{10, "ISO 7401 and ISO 15037-1: phaseless, cut-off ours"};
// ISO 4138 (steady-state circular driving, constant-speed method): a quasi-steady curve, whose every
// channel, the steer included, goes through one filter so that their relation stays as it is; 2 Hz
// (ours) keeps a ramp of a minute and takes out the road's and the sensors' noise.
constexpr ProcedureFilter SteadyState{2, "ISO 4138: one filter on every channel, cut-off ours"};
// The NHTSA rollover manoeuvres (fishhook, J-turn) are judged on roll, roll rate and wheel lift at
// their peaks: the transient filter, which keeps the roll's peaks in time.
constexpr ProcedureFilter Rollover{10, "NHTSA rollover resistance manoeuvres: phaseless, cut-off ours"};
// The frequency response (ISO 7401) by the cross-spectral estimate takes the channels unfiltered: a
// filter applied to the steer and a response alike cancels in H1 = Gxy / Gxx.
constexpr ProcedureFilter None{0, "ISO 7401 frequency response: a common filter cancels in H1"};
} // namespace Filters

// The samples (evenly spaced at the sample rate, Hz) through the filter; as they are for a filter of
// cut-off 0 (None). Throws FormatError as PhaselessLowPass does.
std::vector<double> Filtered(const std::vector<double> &samples, double sampleRate,
                             const ProcedureFilter &filter);

// "12-pole phaseless Butterworth low-pass at 10 Hz (ISO 7401, ...)", "none (...)": how the output names
// a filter.
std::string FilterText(const ProcedureFilter &filter);
