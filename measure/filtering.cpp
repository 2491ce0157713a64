// Filtering: the procedures' filters through the phaseless low-pass.
#include "measure/filtering.h"

#include <cstdio>

std::vector<double> Filtered(const std::vector<double> &samples, double sampleRate,
                             const ProcedureFilter &filter) {
    if (!(filter.cutoff > 0)) return samples;
    return PhaselessLowPass(samples, sampleRate, filter.cutoff);
}

std::string FilterText(const ProcedureFilter &filter) {
    if (!(filter.cutoff > 0)) return std::string("none (") + filter.source + ")";
    char text[200];
    std::snprintf(text, sizeof text, "%d-pole phaseless Butterworth low-pass at %g Hz (%s)", 2 * LowPassOrder,
                  filter.cutoff, filter.source);
    return text;
}
