// Signal pieces of the comparison: sampled signals, a real FFT, cross-correlation and the H1 estimate.
#include "measure/signal.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <new>
#include <numeric>

SampledSignal::SampledSignal(const std::vector<double> &time, const std::vector<double> &value, double shift)
    : m_time(time), m_value(value), m_shift(shift) {
    assert(time.size() == value.size() && time.size() >= 2);
    std::vector<double> intervals(time.size() - 1);
    for (std::size_t i = 0; i + 1 < time.size(); ++i) intervals[i] = time[i + 1] - time[i];
    auto middle = intervals.begin() + static_cast<std::ptrdiff_t>(intervals.size() / 2);
    std::nth_element(intervals.begin(), middle, intervals.end());
    m_gapLimit = 5 * *middle;
    for (std::size_t i = 0; i + 1 < time.size(); ++i)
        if (time[i + 1] - time[i] > m_gapLimit) ++m_gaps;
}

std::size_t SampledSignal::Segment(double t) const {
    auto after = std::upper_bound(m_time.begin(), m_time.end(), t + m_shift);
    auto index = static_cast<std::size_t>(after - m_time.begin());
    return std::clamp<std::size_t>(index, 1, m_time.size() - 1) - 1;
}

double SampledSignal::Across(double t) const {
    const std::size_t i = Segment(t);
    const double u = (t + m_shift - m_time[i]) / (m_time[i + 1] - m_time[i]);
    return m_value[i] + (m_value[i + 1] - m_value[i]) * std::clamp(u, 0.0, 1.0);
}

std::optional<double> SampledSignal::At(double t) const {
    if (t < First() || t > Last()) return std::nullopt;
    const std::size_t i = Segment(t);
    if (m_gaps > 0 && m_time[i + 1] - m_time[i] > m_gapLimit) return std::nullopt;
    return Across(t);
}

RealFft::RealFft(std::size_t n) : m_n(n) {
    assert(n >= 2 && n % 2 == 0);
    m_forward = kiss_fftr_alloc(static_cast<int>(n), 0, nullptr, nullptr);
    m_inverse = kiss_fftr_alloc(static_cast<int>(n), 1, nullptr, nullptr);
    if (!m_forward || !m_inverse) {
        kiss_fftr_free(m_forward);
        kiss_fftr_free(m_inverse);
        throw std::bad_alloc();
    }
}

RealFft::~RealFft() {
    kiss_fftr_free(m_forward);
    kiss_fftr_free(m_inverse);
}

std::vector<std::complex<double>> RealFft::Forward(const std::vector<double> &samples) const {
    std::vector<kiss_fft_scalar> in(m_n, 0);
    std::copy_n(samples.begin(), std::min(m_n, samples.size()), in.begin());
    std::vector<kiss_fft_cpx> out(m_n / 2 + 1);
    kiss_fftr(static_cast<kiss_fftr_cfg>(m_forward), in.data(), out.data());
    std::vector<std::complex<double>> bins(out.size());
    for (std::size_t k = 0; k < out.size(); ++k) bins[k] = {out[k].r, out[k].i};
    return bins;
}

std::vector<double> RealFft::Inverse(const std::vector<std::complex<double>> &bins) const {
    assert(bins.size() == m_n / 2 + 1);
    std::vector<kiss_fft_cpx> in(bins.size());
    for (std::size_t k = 0; k < bins.size(); ++k)
        in[k] = {static_cast<kiss_fft_scalar>(bins[k].real()), static_cast<kiss_fft_scalar>(bins[k].imag())};
    std::vector<kiss_fft_scalar> out(m_n);
    kiss_fftri(static_cast<kiss_fftr_cfg>(m_inverse), in.data(), out.data());
    return {out.begin(), out.end()};
}

std::size_t FastFftSize(std::size_t n) {
    for (std::size_t m = std::max<std::size_t>(2, n + n % 2);; m += 2) {
        std::size_t r = m;
        for (std::size_t p : {2, 3, 5})
            while (r % p == 0) r /= p;
        if (r == 1) return m;
    }
}

namespace {

// The values less their mean, scaled so that the largest is 1 in size: single-precision transforms of
// them neither overflow nor lose the small ones next to one large.
std::vector<double> Normalised(const std::vector<double> &v, const std::vector<char> *valid = nullptr) {
    long double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!valid || (*valid)[i]) sum += v[i], ++count;
    const double mean = count ? static_cast<double>(sum / static_cast<long double>(count)) : 0;
    std::vector<double> out(v.size(), 0.0);
    double largest = 0;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!valid || (*valid)[i]) largest = std::max(largest, std::fabs(out[i] = v[i] - mean));
    if (largest > 0)
        for (double &x : out) x /= largest;
    return out;
}

// r[k] = sum over i of x[i] y[i + k], for k from -(n - 1) to n - 1 at index k mod n, from the spectra.
std::vector<double> Correlate(const RealFft &fft, const std::vector<std::complex<double>> &fx,
                              const std::vector<std::complex<double>> &fy) {
    std::vector<std::complex<double>> product(fx.size());
    for (std::size_t k = 0; k < fx.size(); ++k) product[k] = std::conj(fx[k]) * fy[k];
    return fft.Inverse(product);
}

std::vector<double> Squares(const std::vector<double> &v) {
    std::vector<double> out(v.size());
    std::transform(v.begin(), v.end(), out.begin(), [](double x) { return x * x; });
    return out;
}

} // namespace

std::optional<double> OverlapCorrelationLag(const std::vector<double> &a, const std::vector<double> &b,
                                            const std::vector<char> &bValid, double bStart, double dt,
                                            double minLag, double maxLag) {
    const std::size_t na = a.size(), nb = b.size();
    if (na < 2 || nb < 2) return std::nullopt;
    std::size_t n = 2;
    while (n < na + nb) n *= 2; // no wrap-around between positive and negative lags
    const RealFft fft(n);
    const std::vector<double> x = Normalised(a), y = Normalised(b, &bValid);
    const std::vector<double> ones(na, 1.0), mask(bValid.begin(), bValid.end());
    const auto fOnes = fft.Forward(ones), fMask = fft.Forward(mask), fx = fft.Forward(x), fy = fft.Forward(y);
    const std::vector<double> count = Correlate(fft, fOnes, fMask), sx = Correlate(fft, fx, fMask),
                              sy = Correlate(fft, fOnes, fy), sxy = Correlate(fft, fx, fy),
                              sxx = Correlate(fft, fft.Forward(Squares(x)), fMask),
                              syy = Correlate(fft, fOnes, fft.Forward(Squares(y)));

    // Shift k (samples of b ahead of a) lies between -(na - 1) and nb - 1; lag = bStart + k dt.
    const double lowest = std::max(-static_cast<double>(na - 1), std::ceil((minLag - bStart) / dt));
    const double highest = std::min(static_cast<double>(nb - 1), std::floor((maxLag - bStart) / dt));
    if (!(lowest <= highest)) return std::nullopt;
    const auto lowK = static_cast<long long>(lowest), highK = static_cast<long long>(highest);
    auto index = [&](long long k) {
        return static_cast<std::size_t>(k < 0 ? k + static_cast<long long>(n) : k);
    };
    struct Score {
        double overlap, varianceA, varianceB, covariance;
    };
    auto score = [&](long long k) {
        const std::size_t i = index(k);
        const double m = std::round(count[i]);
        if (m < 2) return Score{m, 0, 0, 0};
        return Score{m, sxx[i] - sx[i] * sx[i] / m, syy[i] - sy[i] * sy[i] / m, sxy[i] - sx[i] * sy[i] / m};
    };
    const double shortest = std::max(
        4.0, 0.05 * static_cast<double>(std::min<std::size_t>(
                        na, static_cast<std::size_t>(std::count(bValid.begin(), bValid.end(), char{1})))));
    double mostA = 0, mostB = 0;
    for (long long k = lowK; k <= highK; ++k) {
        const Score s = score(k);
        if (s.overlap < shortest) continue;
        mostA = std::max(mostA, s.varianceA);
        mostB = std::max(mostB, s.varianceB);
    }
    std::optional<long long> best;
    double bestCorrelation = -2;
    for (long long k = lowK; k <= highK; ++k) {
        const Score s = score(k);
        if (s.overlap < shortest || !(s.varianceA > 1e-3 * mostA) || !(s.varianceB >= 0.25 * mostB)) continue;
        const double correlation = s.covariance / std::sqrt(s.varianceA * s.varianceB);
        if (correlation > bestCorrelation) bestCorrelation = correlation, best = k;
    }
    if (!best) return std::nullopt;
    return bStart + static_cast<double>(*best) * dt;
}

std::vector<ResponseBin> ResponseH1(const std::vector<double> &x, const std::vector<double> &y, double fs,
                                    double lowHz, double highHz, std::size_t maxPoints) {
    if (std::min(x.size(), y.size()) < 8) return {};
    const std::size_t n = FastFftSize(std::max(x.size(), y.size()));
    const RealFft fft(n);
    // Scaled alike, so that the single-precision transform neither overflows nor changes the ratio.
    double largest = 0;
    for (const auto *v : {&x, &y})
        for (double value : *v) largest = std::max(largest, std::fabs(value));
    if (!(largest > 0) || !std::isfinite(largest)) return {};
    auto scaled = [&](const std::vector<double> &v) {
        std::vector<double> out(v);
        for (double &value : out) value /= largest;
        return out;
    };
    const auto fx = fft.Forward(scaled(x));
    const auto fy = fft.Forward(scaled(y));
    const double binHz = fs / static_cast<double>(n);
    const auto first = static_cast<std::size_t>(std::max(1.0, std::ceil(lowHz / binHz - 1e-9)));
    const auto last = std::min(fx.size() - 1, static_cast<std::size_t>(std::floor(highHz / binHz + 1e-9)));
    if (first > last) return {};
    const std::size_t count = last - first + 1;
    // Two bins at least to a point, where there are enough, so that the coherence says something.
    const std::size_t group = std::max<std::size_t>(count >= 16 ? 2 : 1, (count + maxPoints - 1) / maxPoints);

    std::vector<ResponseBin> bins;
    for (std::size_t k = first; k + group <= last + 1; k += group) {
        long double gxx = 0, gyy = 0, frequency = 0;
        std::complex<long double> gxy = 0;
        for (std::size_t j = k; j < k + group; ++j) {
            const std::complex<long double> X(fx[j].real(), fx[j].imag()), Y(fy[j].real(), fy[j].imag());
            gxx += std::norm(X);
            gyy += std::norm(Y);
            gxy += std::conj(X) * Y;
            frequency += static_cast<long double>(j) * binHz;
        }
        if (!(gxx > 0)) continue;
        ResponseBin bin;
        bin.frequency = static_cast<double>(frequency / static_cast<long double>(group));
        bin.h = {static_cast<double>(gxy.real() / gxx), static_cast<double>(gxy.imag() / gxx)};
        bin.coherence = gyy > 0 ? static_cast<double>(std::norm(gxy) / (gxx * gyy)) : 0;
        bins.push_back(bin);
    }
    return bins;
}
