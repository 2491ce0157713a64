// Filtering: the procedures' filters through the phaseless low-pass.
#include "measure/filtering.h"

#include <cstdio>

std::vector<double> Filtered(const std::vector<double> &samples, double sampleRate,
                             const ProcedureFilter &filter) {
    return PhaselessLowPass(samples, sampleRate, filter.cutoff);
}

std::string FilterText(const ProcedureFilter &filter) {
    char text[200];
    std::snprintf(text, sizeof text, "%d-pole phaseless Butterworth low-pass at %g Hz (%s)", 2 * LowPassOrder,
                  filter.cutoff, filter.source);
    return text;
}
