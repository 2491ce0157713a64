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
    for (std::size_t m = n - n % 2; m >= 2; m -= 2) {
        std::size_t r = m;
        for (std::size_t p : {2, 3, 5})
            while (r % p == 0) r /= p;
        if (r == 1) return m;
    }
    return 2;
}

namespace {

std::vector<double> MeanFree(const std::vector<double> &v) {
    const double mean = std::accumulate(v.begin(), v.end(), 0.0L) / static_cast<long double>(v.size());
    std::vector<double> out(v.size());
    std::transform(v.begin(), v.end(), out.begin(), [mean](double x) { return x - mean; });
    return out;
}

} // namespace

std::optional<double> CorrelationLag(const std::vector<double> &a, const std::vector<double> &b,
                                     double bStart, double dt, double minLag, double maxLag) {
    const std::size_t na = a.size(), nb = b.size();
    std::size_t n = 2;
    while (n < na + nb) n *= 2; // no wrap-around between positive and negative lags
    const RealFft fft(n);
    const auto fa = fft.Forward(MeanFree(a));
    auto fb = fft.Forward(MeanFree(b));
    for (std::size_t k = 0; k < fb.size(); ++k) fb[k] *= std::conj(fa[k]);
    const std::vector<double> r = fft.Inverse(fb); // r[k] = sum a[i] b[i + k], k negative from the end

    // Shift k (samples of b ahead of a) lies between -(na - 1) and nb - 1; lag = bStart + k dt.
    const auto lowK =
        static_cast<long long>(std::max(-static_cast<double>(na - 1), std::ceil((minLag - bStart) / dt)));
    const auto highK =
        static_cast<long long>(std::min(static_cast<double>(nb - 1), std::floor((maxLag - bStart) / dt)));
    if (lowK > highK) return std::nullopt;
    auto at = [&](long long k) {
        return r[static_cast<std::size_t>(k < 0 ? k + static_cast<long long>(n) : k)];
    };
    long long best = lowK;
    for (long long k = lowK + 1; k <= highK; ++k)
        if (at(k) > at(best)) best = k;
    // A parabola through the peak and its neighbours places it between samples.
    double fraction = 0;
    if (best > lowK && best < highK) {
        const double left = at(best - 1), mid = at(best), right = at(best + 1);
        const double curve = left - 2 * mid + right;
        if (curve < 0) fraction = std::clamp(0.5 * (left - right) / curve, -0.5, 0.5);
    }
    return bStart + (static_cast<double>(best) + fraction) * dt;
}

std::vector<ResponseBin> ResponseH1(const std::vector<double> &x, const std::vector<double> &y, double fs,
                                    double lowHz, double highHz, std::size_t maxPoints) {
    const std::size_t n = FastFftSize(std::min(x.size(), y.size()));
    if (n < 8) return {};
    const RealFft fft(n);
    const auto fx =
        fft.Forward(MeanFree(std::vector<double>(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n))));
    const auto fy =
        fft.Forward(MeanFree(std::vector<double>(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n))));
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
