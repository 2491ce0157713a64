// Spectra by Welch's method: the record cut into overlapping segments, each windowed and transformed,
// the auto- and cross-spectra averaged over them. The estimates of a frequency response (H1) and its
// coherence are made from these.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

// The averaged spectra of an input x and of outputs y1, y2, ... over the bins 0 to n/2 of the segments.
struct WelchSpectra {
    double binHz = 0;                                  // the bins' spacing
    std::size_t segments = 0;                          // averaged
    std::vector<double> xx;                            // Gxx per bin
    std::vector<std::vector<double>> yy;               // Gyy of each output per bin
    std::vector<std::vector<std::complex<double>>> xy; // Gxy of each output per bin
};

// Segments of n samples (even) every hop samples, from the first sample to the last whole segment, each
// through a periodic Hann window; signals sampled at fs (Hz), of one length. The spectra are
// unnormalised (the same factor in all of them cancels in the ratios made of them). Throws
// std::invalid_argument when the signals are shorter than one segment.
WelchSpectra Welch(const std::vector<double> &x, const std::vector<std::vector<double>> &ys, double fs,
                   std::size_t n, std::size_t hop);

// The values averaged over the 2 half + 1 bins around each bin (fewer at the ends; bin 0 left out).
std::vector<double> BandAverage(const std::vector<double> &values, std::size_t half);
std::vector<std::complex<double>> BandAverage(const std::vector<std::complex<double>> &values,
                                              std::size_t half);
