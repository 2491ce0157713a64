// Event finding: the instants and the extremes that the figures of an evaluation are read at, found on
// the cleaned, filtered and zeroed channels. Times are found between samples by straight lines, an
// extreme by the parabola through its sample and their neighbours.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// Rate of change by central differences (one-sided at the ends), per second.
std::vector<double> Derivative(const std::vector<double> &time, const std::vector<double> &values);

// Value at time t by straight lines between the samples (the first or last value outside them).
double ValueAt(const std::vector<double> &time, const std::vector<double> &values, double t);

// The first sample at or after time t (the size when there is none).
std::size_t IndexAtOrAfter(const std::vector<double> &time, double t);

// Time where the values, going from sample i - 1 to sample i, cross the level.
double Crossing(const std::vector<double> &time, const std::vector<double> &v, std::size_t i, double level);

// The first time at or after sample `from` where the values reach the level, coming from its side of
// it at `from` (between samples), before sample `to`; nothing when they do not.
std::optional<double> FirstReach(const std::vector<double> &time, const std::vector<double> &values,
                                 std::size_t from, std::size_t to, double level);

// The first sample from `from` on where the rate stays above the onset rate in size for the hold time
// (s); nothing when it never does.
std::optional<std::size_t> SteadyRateOnset(const std::vector<double> &time, const std::vector<double> &rate,
                                           std::size_t from, double onsetRate, double hold);

// An extreme of sampled values: its time and value from the parabola through its sample and the two
// around it (the sample itself at an end of the values, or where a neighbour holds the same value).
struct Extreme {
    double time = 0;
    double value = 0;
    std::size_t index = 0;
};
// The largest of sign * values over samples [from, to), refined; nothing for an empty range.
std::optional<Extreme> LargestIn(const std::vector<double> &time, const std::vector<double> &values,
                                 std::size_t from, std::size_t to, double sign);

// The mean of the values over samples [from, to) (0 for an empty range).
double MeanOf(const std::vector<double> &values, std::size_t from, std::size_t to);

// The sign (+1 or -1) of the values' integral from t0 to t1, or 0 when it is too small to tell: less
// than a quarter of the integral of their size.
int LobeSign(const std::vector<double> &time, const std::vector<double> &values, double t0, double t1);

// How a response follows the steer over samples from to to: the lag (s) where their correlation is
// largest in size, from -0.5 to 1 s, and that correlation.
struct ResponseLag {
    double lag = 0;
    double correlation = 0;
};
ResponseLag LagBehindSteer(const std::vector<double> &time, const std::vector<double> &steer,
                           const std::vector<double> &response, std::size_t from, std::size_t to);
