// Signal pieces of the comparison: sampled signals read between their samples, a real FFT, the
// lag of the largest cross-correlation and the frequency response of a sweep.
#pragma once

#include <complex>
#include <cstddef>
#include <optional>
#include <vector>

// Samples at strictly increasing times, read anywhere between the first and the last by straight
// lines. A break longer than five median sample intervals is a gap: nothing is read inside it.
class SampledSignal {
public:
    SampledSignal(const std::vector<double> &time, const std::vector<double> &value, double shift = 0);
    // The value at time t (in the signal's times less shift); nullopt outside the samples or in a gap.
    std::optional<double> At(double t) const;
    // Like At, but straight across gaps: for times between the first and last sample only.
    double Across(double t) const;
    double First() const { return m_time.front() - m_shift; }
    double Last() const { return m_time.back() - m_shift; }
    int Gaps() const { return m_gaps; }

private:
    std::size_t Segment(double t) const; // index i with time[i] <= t + shift < time[i + 1]
    const std::vector<double> &m_time;
    const std::vector<double> &m_value;
    double m_shift;
    double m_gapLimit = 0;
    int m_gaps = 0;
};

// A real FFT of one length through KissFFT; the transforms are unscaled.
class RealFft {
public:
    explicit RealFft(std::size_t n); // n even
    RealFft(const RealFft &) = delete;
    RealFft &operator=(const RealFft &) = delete;
    ~RealFft();
    // Bins 0 to n/2 of the samples (zero-padded or cut to n).
    std::vector<std::complex<double>> Forward(const std::vector<double> &samples) const;
    // The n samples whose bins 0 to n/2 are given, times n.
    std::vector<double> Inverse(const std::vector<std::complex<double>> &bins) const;

private:
    std::size_t m_n;
    void *m_forward;
    void *m_inverse;
};

// The smallest n' >= n that is even and has no prime factor above 5, so the FFT stays fast.
std::size_t FastFftSize(std::size_t n);

// The lag L (seconds) where b(t + L) matches a(t) best: a sampled from time 0, b from time bStart,
// both every dt seconds, b's samples usable where bValid is nonzero. Each lag from minLag to maxLag is
// scored by the correlation coefficient of a and b over the samples they share at that lag, so that
// neither signal's ends nor a partial overlap bias the choice; lags where the overlap is short, or
// holds less than a quarter of the variation that b shows at its best, are passed over. The lag is
// on the grid of dt. nullopt when no lag qualifies.
std::optional<double> OverlapCorrelationLag(const std::vector<double> &a, const std::vector<double> &b,
                                            const std::vector<char> &bValid, double bStart, double dt,
                                            double minLag, double maxLag);

struct ResponseBin {
    double frequency = 0;   // Hz
    std::complex<double> h; // measured over commanded
    double coherence = 0;
};

// The H1 estimate Gxy / Gxx of the response from x to y, both sampled at rate fs over one record of
// any length that starts and ends at rest (x and y given as departures from their levels at rest: the
// record is zero-padded to a fast transform length), at frequencies from lowHz to highHz, the
// spectra averaged over groups of neighbouring bins (two at least where the band holds 16 bins or
// more, so that the coherence means something) so that at most maxPoints remain.
std::vector<ResponseBin> ResponseH1(const std::vector<double> &x, const std::vector<double> &y, double fs,
                                    double lowHz, double highHz, std::size_t maxPoints = 200);
