// The phaseless low-pass: second-order sections of a Butterworth design, run forward and backward.
#include "measure/lowpass.h"

#include "files/fileio.h"

#include <liquid/liquid.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

struct Section {
    double b[3];
    double a[3]; // a[0] is 1
};

// The filter as second-order sections, designed by liquid-dsp (its cut-off is a fraction of the
// sample rate).
std::vector<Section> Design(double sampleRate, double cutoff) {
    constexpr int Sections = LowPassOrder / 2;
    std::array<float, 3 * Sections> b{}, a{};
    liquid_iirdes(LIQUID_IIRDES_BUTTER, LIQUID_IIRDES_LOWPASS, LIQUID_IIRDES_SOS, LowPassOrder,
                  static_cast<float>(cutoff / sampleRate), 0.0f, 1.0f, 60.0f, b.data(), a.data());
    std::vector<Section> sections(Sections);
    for (int k = 0; k < Sections; ++k)
        for (int j = 0; j < 3; ++j) {
            sections[k].b[j] = b[static_cast<std::size_t>(3 * k + j)];
            sections[k].a[j] = a[static_cast<std::size_t>(3 * k + j)] / a[static_cast<std::size_t>(3 * k)];
            sections[k].b[j] /= a[static_cast<std::size_t>(3 * k)];
        }
    return sections;
}

// One pass through the sections (transposed direct form II), starting from the steady state of the
// first sample: each section's state is what a constant input of that value would have left in it.
void Pass(const std::vector<Section> &sections, std::vector<double> &x) {
    double input = x.front();
    for (const Section &s : sections) {
        const double gain = (s.b[0] + s.b[1] + s.b[2]) / (1 + s.a[1] + s.a[2]);
        const double y = gain * input;
        double z2 = s.b[2] * input - s.a[2] * y;
        double z1 = s.b[1] * input - s.a[1] * y + z2;
        for (double &v : x) {
            const double in = v;
            const double out = s.b[0] * in + z1;
            z1 = s.b[1] * in - s.a[1] * out + z2;
            z2 = s.b[2] * in - s.a[2] * out;
            v = out;
        }
        input = y;
    }
}

} // namespace

std::vector<double> PhaselessLowPass(const std::vector<double> &samples, double sampleRate, double cutoff) {
    // The design takes the cut-off as a single-precision fraction of the sample rate, which must stay
    // below one half there too (10 Hz at 20.000000000000004 Hz rounds to 0.5).
    const float fraction = static_cast<float>(cutoff / sampleRate);
    if (!(cutoff < sampleRate / 2) || !(fraction < 0.5f) || !(fraction > 0)) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the log's sample rate of %.6g Hz is too low for a %.4g Hz low-pass filter (more than "
                      "%.4g Hz needed)",
                      sampleRate, cutoff, 2 * cutoff);
        throw FormatError(text);
    }
    const std::size_t n = samples.size(), pad = LowPassPadding;
    if (n <= pad)
        throw FormatError("the log holds " + std::to_string(n) + " samples: filtering needs more than " +
                          std::to_string(pad));
    std::vector<double> x;
    x.reserve(n + 2 * pad);
    for (std::size_t k = pad; k >= 1; --k) x.push_back(2 * samples.front() - samples[k]);
    x.insert(x.end(), samples.begin(), samples.end());
    for (std::size_t k = 1; k <= pad; ++k) x.push_back(2 * samples.back() - samples[n - 1 - k]);
    const std::vector<Section> sections = Design(sampleRate, cutoff);
    Pass(sections, x);
    std::reverse(x.begin(), x.end());
    Pass(sections, x);
    std::reverse(x.begin(), x.end());
    return {x.begin() + static_cast<std::ptrdiff_t>(pad), x.end() - static_cast<std::ptrdiff_t>(pad)};
}
