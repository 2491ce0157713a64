// Logger dropouts: found by comparing each sample with both neighbours, replaced by interpolation.
#include "measure/dropouts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The value below which the share p (0 to 1) of the values lie.
double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    const auto k = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

// How far a channel moves between samples when nothing is wrong: the 95th percentile of its
// sample-to-sample changes, which a few dropouts cannot raise, and never less than a two-hundredth of
// its range, so that a channel holding still does not make its own noise a dropout.
double ChangeScale(const std::vector<double> &values) {
    std::vector<double> steps;
    steps.reserve(values.size());
    for (std::size_t i = 1; i < values.size(); ++i) steps.push_back(std::fabs(values[i] - values[i - 1]));
    const double range = Percentile(values, 0.99) - Percentile(values, 0.01);
    return std::max({Percentile(steps, 0.95), 5e-3 * range, 1e-9});
}

// Dropout limits in multiples of the scale: how far off a dropout lies, and how closely the samples
// on either side of it must agree.
constexpr double FarOff = 10;
constexpr double Agree = 3;

} // namespace

std::vector<LogDropout> ReplaceDropouts(const std::vector<double> &time, std::vector<double> &values,
                                        const std::string &column) {
    std::vector<LogDropout> found;
    const std::size_t n = values.size();
    if (n < 4) return found;
    const double scale = ChangeScale(values), far = FarOff * scale, agree = Agree * scale;
    auto off = [&](double x, double reference) { return std::fabs(x - reference) > far; };
    auto replace = [&](std::size_t first, std::size_t count, std::size_t before, std::size_t after) {
        for (std::size_t k = first; k < first + count; ++k) {
            found.push_back({column, time[k], values[k]});
            if (before == after) {
                values[k] = values[before];
            } else {
                const double u = (time[k] - time[before]) / (time[after] - time[before]);
                values[k] = values[before] + u * (values[after] - values[before]);
            }
        }
    };
    // The ends: a first or last sample far off a neighbour that agrees with the next one in.
    if (off(values[0], values[1]) && std::fabs(values[2] - values[1]) <= agree) replace(0, 1, 1, 1);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double left = values[i - 1];
        if (!off(values[i], left)) continue;
        if (off(values[i], values[i + 1]) && std::fabs(values[i + 1] - left) <= agree) {
            replace(i, 1, i - 1, i + 1);
        } else if (i + 2 < n && off(values[i + 1], left) && off(values[i], values[i + 2]) &&
                   off(values[i + 1], values[i + 2]) && std::fabs(values[i + 2] - left) <= agree) {
            replace(i, 2, i - 1, i + 2);
            ++i;
        }
    }
    if (off(values[n - 1], values[n - 2]) && std::fabs(values[n - 2] - values[n - 3]) <= agree)
        replace(n - 1, 1, n - 2, n - 2);
    return found;
}

std::string DropoutText(const std::vector<LogDropout> &dropouts) {
    std::string text, column;
    char item[96];
    for (const LogDropout &d : dropouts) {
        if (d.column != column) {
            text += (text.empty() ? "" : "; ") + d.column + " at ";
            column = d.column;
        } else {
            text += ", ";
        }
        std::snprintf(item, sizeof item, "%.3f s (%.9g)", d.time, d.value);
        text += item;
    }
    return text;
}
