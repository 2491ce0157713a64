// Zeroing: each channel less its mean over the still time before the steer moves, so that a sensor's
// offset and a road's camber do not enter the figures. Where the steer starts to move is found here
// too: the end of that still time.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace RunLimits {
// Less still time than this before the steer leaves too few samples for an offset.
constexpr double LeastStillTime = 0.5; // s
} // namespace RunLimits

// Zeroes the channels by their means over the zeroing time before sample `end` (from the log's start
// when it starts later, with a warning). Throws FormatError when that leaves less than
// RunLimits::LeastStillTime. The range is [from, to).
struct Zeroing {
    double from = 0, to = 0;
    std::vector<double> means; // one per channel, in the order given
};
Zeroing ZeroBefore(const std::vector<double> &time, std::size_t end, double zeroingTime,
                   const std::vector<std::vector<double> *> &channels, std::vector<std::string> &warnings);

// The first sample where the steer's rate (central differences) is above the rest rate (deg/s): where
// it starts to move. Throws FormatError when it never moves so fast, or moves from the first sample.
std::size_t SteerStart(const std::vector<double> &time, const std::vector<double> &steer, double restRate);

// The first sample where the steer has left its level at the log's start (the median of its first
// samples, over at most the zeroing time) by more than the share of its largest departure from it, or
// the floor (deg) where that is less; the log's size when it never does. A steer logged by a machine
// or by hand, noisy or quantised, leaves its level at one instant so found, whatever its rate.
std::size_t SteerDeparture(const std::vector<double> &time, const std::vector<double> &steer, double share,
                           double floor, double zeroingTime);
