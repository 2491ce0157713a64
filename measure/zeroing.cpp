// Zeroing: the still time before the steer and the channels' means over it.
#include "measure/zeroing.h"
#include "measure/text.h"

#include "files/fileio.h"
#include "measure/events.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

Zeroing ZeroBefore(const std::vector<double> &time, std::size_t end, double zeroingTime,
                   const std::vector<std::vector<double> *> &channels, std::vector<std::string> &warnings) {
    Zeroing z;
    z.to = time[end];
    z.from = std::max(time.front(), z.to - zeroingTime);
    if (z.to - z.from < RunLimits::LeastStillTime - 1e-9)
        throw FormatError(Text("the log starts %.3f s before the steer: too little still time to zero the "
                               "channels on (at least %g s)",
                               z.to - time.front(), RunLimits::LeastStillTime));
    if (z.to - z.from < zeroingTime - 1e-9)
        warnings.push_back(
            Text("the log starts %.3f s before the steer: the channels are zeroed over that", z.to - z.from));
    const auto first =
        static_cast<std::size_t>(std::lower_bound(time.begin(), time.end(), z.from) - time.begin());
    for (std::vector<double> *channel : channels) {
        long double sum = 0;
        for (std::size_t i = first; i < end; ++i) sum += (*channel)[i];
        const double mean =
            end > first ? static_cast<double>(sum / static_cast<long double>(end - first)) : 0;
        for (double &v : *channel) v -= mean;
        z.means.push_back(mean);
    }
    return z;
}

std::size_t SteerStart(const std::vector<double> &time, const std::vector<double> &steer, double restRate) {
    const std::vector<double> rate = Derivative(time, steer);
    std::size_t start = 0;
    while (start < rate.size() && std::fabs(rate[start]) <= restRate) ++start;
    if (start == rate.size()) throw FormatError(Text("the steer never moves faster than %g deg/s", restRate));
    if (start == 0) throw FormatError("the log starts with the steer already moving: nothing to zero on");
    return start;
}

std::size_t SteerDeparture(const std::vector<double> &time, const std::vector<double> &steer, double share,
                           double floor, double zeroingTime) {
    std::size_t first = 0;
    while (first + 1 < time.size() && time[first + 1] - time.front() <= zeroingTime / 2) ++first;
    std::vector<double> start(steer.begin(), steer.begin() + static_cast<std::ptrdiff_t>(first + 1));
    std::nth_element(start.begin(), start.begin() + static_cast<std::ptrdiff_t>(start.size() / 2),
                     start.end());
    const double level = start[start.size() / 2];
    double largest = 0;
    for (double s : steer) largest = std::max(largest, std::fabs(s - level));
    const double threshold = std::min(floor, share * largest);
    for (std::size_t i = 0; i < steer.size(); ++i)
        if (std::fabs(steer[i] - level) > threshold) return i;
    return steer.size();
}
