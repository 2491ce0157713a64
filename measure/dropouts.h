// Logger dropouts: single samples, or pairs, far off both neighbours and back, which a logger writes
// when it loses a frame.
#pragma once

#include <string>
#include <vector>

// One sample left out of a channel and replaced by a straight line between its good neighbours.
struct LogDropout {
    std::string column; // the channel's name as the log writes it
    double time = 0;    // seconds
    double value = 0;   // as written, in the column's own unit
};

// Finds the dropouts of a channel sampled at the times, replaces each by interpolation between the
// samples around it (a dropout at either end takes its neighbour's value) and returns them in time
// order. A dropout is one or two consecutive samples that differ from the samples on both sides by
// far more than the channel ever changes from one sample to the next, while those two samples agree.
std::vector<LogDropout> ReplaceDropouts(const std::vector<double> &time, std::vector<double> &values,
                                        const std::string &column);

// "steer at 3.215 s (27899), 3.220 s (27899)": the dropouts of the list, by column, for messages.
std::string DropoutText(const std::vector<LogDropout> &dropouts);
