// Logger dropouts: samples beyond a channel's physics, and short bursts faster than it can change,
// replaced by straight lines; jumps that stay are faults of the channel.
#include "measure/dropouts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

struct Physics {
    double limit; // the largest value, in the kind's unit
    double rate;  // the fastest change, per second
    double floor; // the smallest change taken for a dropout
    const char *unit;
};

Physics PhysicsOf(const DropoutRules &rules) {
    using namespace ChannelPhysics;
    switch (rules.kind) {
    case ChannelKind::Steer:
        return {rules.steerLimit, SteerRate, SteerFloor, "deg"};
    case ChannelKind::YawRate:
        return {YawRate, YawAcceleration, YawRateFloor, "deg/s"};
    case ChannelKind::LateralAcceleration:
        return {LateralAcceleration, LateralJerk, LateralAccelerationFloor, "g"};
    case ChannelKind::Speed:
        return {Speed, SpeedChange, SpeedFloor, "km/h"};
    case ChannelKind::Roll:
        return {Roll, RollRate, RollFloor, "deg"};
    case ChannelKind::SideslipAngle:
        return {Sideslip, SideslipRate, SideslipFloor, "deg"};
    case ChannelKind::RollRate:
        return {RollRate, RollAcceleration, RollRateFloor, "deg/s"};
    case ChannelKind::Time:
    case ChannelKind::Mark:
    case ChannelKind::WheelLift:
        break; // no physics: nothing is a dropout
    }
    return {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), 0, ""};
}

std::string Text(const char *format, auto... values) {
    char text[200];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Finds and replaces the dropouts of one channel.
class Cleaner {
public:
    Cleaner(const std::vector<double> &time, std::vector<double> &values, const std::string &column,
            const DropoutRules &rules)
        : m_time(time), m_x(values), m_column(column), m_rules(rules), m_physics(PhysicsOf(rules)) {}

    CleanedChannel Run() {
        if (m_x.size() >= 4) {
            ReplaceBeyondLimit();
            ReplaceBursts();
        }
        std::sort(m_result.dropouts.begin(), m_result.dropouts.end(),
                  [](const LogDropout &a, const LogDropout &b) { return a.time < b.time; });
        return m_result;
    }

private:
    std::size_t Size() const { return m_x.size(); }
    // The largest change the channel can make from sample a to sample b.
    double Allowed(std::size_t a, std::size_t b) const {
        return std::max(m_physics.floor, m_physics.rate * std::fabs(m_time[b] - m_time[a]));
    }
    bool Beyond(double x) const { return !(std::fabs(x) <= m_physics.limit); }

    // Samples first to last replaced by the line from sample before to sample after (by one of them
    // alone at an end: before or after is then the size).
    void Replace(std::size_t first, std::size_t last, std::size_t before, std::size_t after, bool beyond) {
        for (std::size_t k = first; k <= last; ++k) {
            m_result.dropouts.push_back({m_column, m_time[k], m_x[k] / m_rules.written, beyond});
            if (before == Size()) {
                m_x[k] = m_x[after];
            } else if (after == Size()) {
                m_x[k] = m_x[before];
            } else {
                const double u = (m_time[k] - m_time[before]) / (m_time[after] - m_time[before]);
                m_x[k] = m_x[before] + u * (m_x[after] - m_x[before]);
            }
        }
    }

    void Fault(std::size_t at, std::string what) { m_result.faults.push_back({m_column, m_time[at], what}); }

    // Runs of samples beyond the limit: up to a burst long, replaced; longer, a fault.
    void ReplaceBeyondLimit() {
        for (std::size_t i = 0; i < Size();) {
            if (!Beyond(m_x[i])) {
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < Size() && Beyond(m_x[end])) ++end;
            const std::size_t count = end - i;
            if (count > static_cast<std::size_t>(ChannelPhysics::LongestBurst) || (i == 0 && end == Size())) {
                Fault(i, Text("lies beyond %g %s for %.3f s", m_physics.limit, m_physics.unit,
                              m_time[end - 1] - m_time[i]));
            } else {
                Replace(i, end - 1, i == 0 ? Size() : i - 1, end == Size() ? Size() : end, true);
            }
            i = end;
        }
    }

    // The signed excursion of samples first to last from the line between their neighbours, when every
    // one of them lies off it by more than the channel can change from one sample to the next; 0
    // otherwise.
    double Excursion(std::size_t first, std::size_t last, std::size_t before, std::size_t after) const {
        double largest = 0;
        for (std::size_t k = first; k <= last; ++k) {
            double line = after == Size() ? m_x[before] : m_x[after];
            if (before != Size() && after != Size()) {
                const double u = (m_time[k] - m_time[before]) / (m_time[after] - m_time[before]);
                line = m_x[before] + u * (m_x[after] - m_x[before]);
            }
            const double off = m_x[k] - line;
            if (!(std::fabs(off) > Allowed(k == 0 ? 1 : k - 1, k == 0 ? 0 : k)))
                return 0; // one sample's change
            if (std::fabs(off) > std::fabs(largest)) largest = off;
        }
        return largest;
    }

    // A burst the program commands.
    bool Commanded(double excursion) const {
        return m_rules.kind == ChannelKind::Steer && IsCommandedPulse(m_rules.pulses, excursion);
    }

    // Bursts of one to a few samples away from both neighbours and back; a jump that does not come back
    // within a burst is a fault.
    void ReplaceBursts() {
        const std::size_t longest = static_cast<std::size_t>(ChannelPhysics::LongestBurst);
        // At the start: the first samples off the steady samples after them.
        for (std::size_t j = 0; j < longest && j + 2 < Size(); ++j) {
            if (!(std::fabs(m_x[j + 1] - m_x[j]) > Allowed(j, j + 1)) ||
                !(std::fabs(m_x[j + 2] - m_x[j + 1]) <= Allowed(j + 1, j + 2)) || Beyond(m_x[j + 1]))
                continue;
            const double excursion = Excursion(0, j, Size(), j + 1);
            if (excursion != 0 && !Commanded(excursion)) Replace(0, j, Size(), j + 1, false);
            break;
        }
        for (std::size_t i = 1; i < Size();) {
            if (!(std::fabs(m_x[i] - m_x[i - 1]) > Allowed(i - 1, i)) || Beyond(m_x[i - 1])) {
                ++i;
                continue;
            }
            std::size_t next = i + 1;
            bool handled = false;
            for (std::size_t j = i; j < i + longest && j < Size() && !handled; ++j) {
                const bool atEnd = j + 1 == Size();
                if (!atEnd &&
                    (!(std::fabs(m_x[j + 1] - m_x[j]) > Allowed(j, j + 1)) ||
                     !(std::fabs(m_x[j + 1] - m_x[i - 1]) <= Allowed(i - 1, j + 1)) || Beyond(m_x[j + 1])))
                    continue;
                const double excursion = Excursion(i, j, i - 1, atEnd ? Size() : j + 1);
                if (excursion == 0) continue;
                handled = true;
                next = j + 1;
                if (!Commanded(excursion)) Replace(i, j, i - 1, atEnd ? Size() : j + 1, false);
            }
            if (!handled)
                Fault(i, Text("jumps by %.4g %s between two samples and does not come back",
                              m_x[i] - m_x[i - 1], m_physics.unit));
            i = next;
        }
    }

    const std::vector<double> &m_time;
    std::vector<double> &m_x;
    const std::string &m_column;
    const DropoutRules &m_rules;
    Physics m_physics;
    CleanedChannel m_result;
};

} // namespace

double SteerLimitFor(double maxSteer) {
    return std::fabs(maxSteer) * (1 + ChannelPhysics::SteerMargin) + ChannelPhysics::SteerMarginFloor;
}

std::vector<CommandedPulse> CommandedPulses(const std::vector<double> &time,
                                            const std::vector<double> &steer) {
    constexpr double Short = 0.1;  // s: a pulse comes back within this
    constexpr double Level = 0.5;  // deg: back at its level within this
    constexpr double Smallest = 1; // deg: a smaller pulse is no feature
    std::vector<CommandedPulse> pulses;
    for (std::size_t i = 1; i < steer.size(); ++i) {
        if (steer[i] == steer[i - 1] || (i >= 2 && steer[i - 1] != steer[i - 2])) continue; // leaves a hold
        const double level = steer[i - 1];
        double height = 0;
        for (std::size_t k = i; k < steer.size() && time[k] - time[i - 1] <= Short; ++k) {
            if (std::fabs(steer[k] - level) > std::fabs(height)) height = steer[k] - level;
            if (std::fabs(steer[k] - level) <= Level && std::fabs(height) >= Smallest) {
                pulses.push_back({height, time[k] - time[i - 1]});
                break;
            }
        }
    }
    return pulses;
}

bool IsCommandedPulse(const std::vector<CommandedPulse> &pulses, double excursion) {
    return std::any_of(pulses.begin(), pulses.end(), [&](const CommandedPulse &p) {
        return p.height * excursion > 0 &&
               std::fabs(excursion) <= 1.25 * std::fabs(p.height) + ChannelPhysics::SteerFloor;
    });
}

CleanedChannel ReplaceDropouts(const std::vector<double> &time, std::vector<double> &values,
                               const std::string &column, const DropoutRules &rules) {
    return Cleaner(time, values, column, rules).Run();
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
