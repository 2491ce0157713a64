// Event finding: crossings, onsets, extremes, means, lobes and lags of sampled channels.
#include "measure/events.h"

#include <algorithm>
#include <cmath>

std::size_t IndexAtOrAfter(const std::vector<double> &time, double t) {
    return static_cast<std::size_t>(std::lower_bound(time.begin(), time.end(), t) - time.begin());
}

double Crossing(const std::vector<double> &time, const std::vector<double> &v, std::size_t i, double level) {
    const double span = v[i] - v[i - 1];
    const double u = span != 0 ? (level - v[i - 1]) / span : 1;
    return time[i - 1] + std::clamp(u, 0.0, 1.0) * (time[i] - time[i - 1]);
}

std::optional<std::size_t> SteadyRateOnset(const std::vector<double> &time, const std::vector<double> &rate,
                                           std::size_t from, double onsetRate, double hold) {
    for (std::size_t i = from; i < rate.size(); ++i) {
        if (!(std::fabs(rate[i]) > onsetRate)) continue;
        if (time[i] + hold > time.back()) break;
        std::size_t j = i;
        while (j < rate.size() && time[j] <= time[i] + hold && std::fabs(rate[j]) > onsetRate) ++j;
        if (j == rate.size() || time[j] > time[i] + hold) return i;
        i = j; // below again at j
    }
    return std::nullopt;
}

double ValueAt(const std::vector<double> &time, const std::vector<double> &values, double t) {
    if (t <= time.front()) return values.front();
    if (t >= time.back()) return values.back();
    const std::size_t i = IndexAtOrAfter(time, t);
    if (time[i] == t) return values[i];
    const double u = (t - time[i - 1]) / (time[i] - time[i - 1]);
    return values[i - 1] + u * (values[i] - values[i - 1]);
}

std::vector<double> Derivative(const std::vector<double> &time, const std::vector<double> &values) {
    const std::size_t n = values.size();
    std::vector<double> rate(n, 0);
    if (n < 2) return rate;
    rate[0] = (values[1] - values[0]) / (time[1] - time[0]);
    rate[n - 1] = (values[n - 1] - values[n - 2]) / (time[n - 1] - time[n - 2]);
    for (std::size_t i = 1; i + 1 < n; ++i)
        rate[i] = (values[i + 1] - values[i - 1]) / (time[i + 1] - time[i - 1]);
    return rate;
}

std::optional<double> FirstReach(const std::vector<double> &time, const std::vector<double> &values,
                                 std::size_t from, std::size_t to, double level) {
    to = std::min(to, values.size());
    if (from >= to) return std::nullopt;
    const bool below = values[from] < level;
    if (values[from] == level) return time[from];
    for (std::size_t i = from + 1; i < to; ++i)
        if (below ? values[i] >= level : values[i] <= level) return Crossing(time, values, i, level);
    return std::nullopt;
}

std::optional<Extreme> LargestIn(const std::vector<double> &time, const std::vector<double> &values,
                                 std::size_t from, std::size_t to, double sign) {
    to = std::min(to, values.size());
    if (from >= to) return std::nullopt;
    std::size_t k = from;
    for (std::size_t i = from; i < to; ++i)
        if (sign * values[i] > sign * values[k]) k = i;
    Extreme e{time[k], values[k], k};
    // A top held over two samples or more (a steer at its amplitude) is no vertex to refine.
    if (k == 0 || k + 1 >= values.size() || values[k - 1] == values[k] || values[k + 1] == values[k])
        return e;
    // The vertex of the parabola through the three samples (evenly spaced or not).
    const double t0 = time[k - 1] - time[k], t2 = time[k + 1] - time[k];
    const double y0 = values[k - 1] - values[k], y2 = values[k + 1] - values[k];
    const double a = (y0 * t2 - y2 * t0) / (t0 * t2 * (t0 - t2)), b = (y0 - a * t0 * t0) / t0;
    if (!(sign * a < 0)) return e; // no vertex of the sign's kind: a flat or kinked top
    const double at = std::clamp(-b / (2 * a), t0, t2);
    e.time = time[k] + at;
    e.value = values[k] + b * at + a * at * at;
    return e;
}

double MeanOf(const std::vector<double> &values, std::size_t from, std::size_t to) {
    to = std::min(to, values.size());
    if (from >= to) return 0;
    long double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += values[i];
    return static_cast<double>(sum / static_cast<long double>(to - from));
}

int LobeSign(const std::vector<double> &time, const std::vector<double> &values, double t0, double t1) {
    long double integral = 0, size = 0;
    for (std::size_t i = 1; i < time.size(); ++i) {
        if (time[i] <= t0 || time[i - 1] >= t1) continue;
        const double dt = time[i] - time[i - 1], mean = (values[i] + values[i - 1]) / 2;
        integral += mean * dt;
        size += std::fabs(mean) * dt;
    }
    if (!(size > 0) || std::fabs(integral) < 0.25 * size) return 0;
    return integral > 0 ? 1 : -1;
}

ResponseLag LagBehindSteer(const std::vector<double> &time, const std::vector<double> &steer,
                           const std::vector<double> &response, std::size_t from, std::size_t to) {
    ResponseLag best;
    if (to <= from + 2) return best;
    const double dt = (time[to - 1] - time[from]) / static_cast<double>(to - 1 - from);
    const auto lead = static_cast<long>(std::ceil(0.5 / dt)), lag = static_cast<long>(std::ceil(1.0 / dt));
    const auto n = static_cast<long>(response.size());
    for (long shift = -lead; shift <= lag; ++shift) {
        long double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, count = 0;
        for (auto i = static_cast<long>(from); i < static_cast<long>(to); ++i) {
            if (i + shift < 0 || i + shift >= n) continue;
            const long double x = steer[static_cast<std::size_t>(i)],
                              y = response[static_cast<std::size_t>(i + shift)];
            sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y, count += 1;
        }
        const long double vx = count * sxx - sx * sx, vy = count * syy - sy * sy;
        if (!(vx > 0 && vy > 0)) continue;
        const double r = static_cast<double>((count * sxy - sx * sy) / std::sqrt(vx * vy));
        if (std::fabs(r) > std::fabs(best.correlation)) best = {static_cast<double>(shift) * dt, r};
    }
    return best;
}
