// Welch spectra through the project's real FFT.
#include "measure/spectra.h"

#include "measure/signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

WelchSpectra Welch(const std::vector<double> &x, const std::vector<std::vector<double>> &ys, double fs,
                   std::size_t n, std::size_t hop) {
    if (n < 2 || n % 2 || hop == 0 || x.size() < n)
        throw std::invalid_argument("the record is shorter than a segment");
    const RealFft fft(n);
    std::vector<double> window(n);
    for (std::size_t i = 0; i < n; ++i)
        window[i] =
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
    // Every signal scaled alike to at most 1, so that the single-precision transform keeps the small ones.
    double largest = 0;
    for (double v : x) largest = std::max(largest, std::fabs(v));
    for (const auto &y : ys)
        for (double v : y) largest = std::max(largest, std::fabs(v));
    const double scale = largest > 0 ? 1 / largest : 1;
    const std::size_t bins = n / 2 + 1;
    std::vector<long double> xx(bins, 0);
    std::vector<std::vector<long double>> yy(ys.size(), std::vector<long double>(bins, 0));
    std::vector<std::vector<std::complex<long double>>> xy(ys.size(),
                                                           std::vector<std::complex<long double>>(bins, 0));
    WelchSpectra s;
    s.binHz = fs / static_cast<double>(n);
    std::vector<double> piece(n);
    auto transform = [&](const std::vector<double> &v, std::size_t at) {
        for (std::size_t i = 0; i < n; ++i) piece[i] = v[at + i] * window[i] * scale;
        return fft.Forward(piece);
    };
    for (std::size_t at = 0; at + n <= x.size(); at += hop) {
        const auto fx = transform(x, at);
        for (std::size_t k = 0; k < bins; ++k) xx[k] += std::norm(std::complex<long double>(fx[k]));
        for (std::size_t j = 0; j < ys.size(); ++j) {
            const auto fy = transform(ys[j], at);
            for (std::size_t k = 0; k < bins; ++k) {
                const std::complex<long double> X(fx[k]), Y(fy[k]);
                yy[j][k] += std::norm(Y);
                xy[j][k] += std::conj(X) * Y;
            }
        }
        ++s.segments;
    }
    const long double unscale = static_cast<long double>(largest > 0 ? largest * largest : 1);
    for (long double v : xx) s.xx.push_back(static_cast<double>(v * unscale));
    for (std::size_t j = 0; j < ys.size(); ++j) {
        s.yy.emplace_back();
        s.xy.emplace_back();
        for (std::size_t k = 0; k < bins; ++k) {
            s.yy[j].push_back(static_cast<double>(yy[j][k] * unscale));
            s.xy[j].push_back({static_cast<double>(xy[j][k].real() * unscale),
                               static_cast<double>(xy[j][k].imag() * unscale)});
        }
    }
    return s;
}

namespace {

template <class T> std::vector<T> Averaged(const std::vector<T> &values, std::size_t half) {
    std::vector<T> out(values.size(), T{});
    for (std::size_t k = 1; k < values.size(); ++k) {
        const std::size_t from = k > half ? k - half : 1, to = std::min(values.size() - 1, k + half);
        T sum{};
        for (std::size_t j = from; j <= to; ++j) sum += values[j];
        out[k] = sum / static_cast<double>(to - from + 1);
    }
    return out;
}

} // namespace

std::vector<double> BandAverage(const std::vector<double> &values, std::size_t half) {
    return Averaged(values, half);
}
std::vector<std::complex<double>> BandAverage(const std::vector<std::complex<double>> &values,
                                              std::size_t half) {
    return Averaged(values, half);
}
