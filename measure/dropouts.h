// Logger dropouts and channels that cannot be trusted. A dropout is a sample beyond what its channel
// can physically do, or a short burst of samples away from both neighbours and back, faster than the
// channel can change; dropouts are replaced by straight lines and listed, never silently. A change the
// channel cannot make that does not come back is no dropout but a fault of the channel.
#pragma once

#include "measure/channelkinds.h"

#include <string>
#include <vector>

// What each channel can physically do, in its own unit: deg, deg/s, g, km/h, deg, deg and deg/s. The time,
// the mark and the wheel lift have no physics to find dropouts by.
namespace ChannelPhysics {
// The steer: the largest maxsteer a program is made with (the Import dialog's and --maxsteer's range);
// with a known program its own maxsteer, plus the margin a wheel may overshoot a step by.
constexpr double MachineSteer = 2000;     // deg
constexpr double SteerMargin = 0.25;      // of the maxsteer...
constexpr double SteerMarginFloor = 10;   // ...and this much, deg
constexpr double SteerRate = 2500;        // deg/s: the fastest steering machines turn at about 1500 to 2000
constexpr double YawRate = 720;           // deg/s: two turns a second; no vehicle spins faster
constexpr double YawAcceleration = 1200;  // deg/s²: three times what a sine with dwell drives in a spin
constexpr double LateralAcceleration = 3; // g: tyres hold at most about 1.5 g; twice that for a kerb's shock
constexpr double LateralJerk = 30;        // g/s: a reversal at 1 g takes a tenth of a second at the fastest
constexpr double Speed = 400;             // km/h: faster than any test track is driven
constexpr double SpeedChange = 70;        // km/h per s: 2 g, beyond any braking or acceleration on tyres
constexpr double Roll = 180;              // deg: a rollover may pass 90 deg
constexpr double RollRate = 360;          // deg/s: a turn of the body a second
constexpr double Sideslip = 180;          // deg: a spin passes 90 deg
constexpr double SideslipRate = 720;      // deg/s: as fast as the vehicle yaws
constexpr double RollAcceleration = 3600; // deg/s²: a kerb trip turns the body that fast at the most
// The smallest change between two samples taken for a dropout, above a sensor's noise from one
// sample to the next however fast it samples.
constexpr double SteerFloor = 5;                 // deg
constexpr double YawRateFloor = 3;               // deg/s
constexpr double LateralAccelerationFloor = 0.5; // g: vibration on an accelerometer reaches a few tenths
constexpr double SpeedFloor = 2;                 // km/h
constexpr double RollFloor = 2;                  // deg
constexpr double SideslipFloor = 2;              // deg
constexpr double RollRateFloor = 5;              // deg/s
// A burst is one to this many samples: a logger that loses more frames in a row has a gap, not a dropout.
constexpr int LongestBurst = 5;
// A channel with a larger share of dropouts cannot be trusted: the straight lines that replace them
// would carry too much of the run.
constexpr double MostDropouts = 0.05;
} // namespace ChannelPhysics

// The steer beyond which a sample is a dropout, for a program's maxsteer (deg).
double SteerLimitFor(double maxSteer);

// A short feature of a program's commanded steer, which a log shows as a burst: the steer leaves a
// level and comes back to it within a tenth of a second.
struct CommandedPulse {
    double height = 0;   // deg from the level, signed
    double duration = 0; // s
};

// The short pulses of a commanded steer given at its steps' times.
std::vector<CommandedPulse> CommandedPulses(const std::vector<double> &time,
                                            const std::vector<double> &steer);

// Whether a burst of the steer whose largest excursion from the line between its neighbours is the
// one given (deg, signed) is what one of the pulses commands: of about its height, in its direction.
bool IsCommandedPulse(const std::vector<CommandedPulse> &pulses, double excursion);

// How the dropouts of a channel are found.
struct DropoutRules {
    ChannelKind kind = ChannelKind::Steer;
    double steerLimit = SteerLimitFor(ChannelPhysics::MachineSteer); // deg
    std::vector<CommandedPulse> pulses; // what the program commands: a burst of the steer like one is kept
    double written = 1; // a value as written in the log is the channel's value divided by this
};

// One sample left out of a channel and replaced by a straight line between its good neighbours.
struct LogDropout {
    std::string column;       // the channel's name as the log writes it
    double time = 0;          // seconds
    double value = 0;         // as written, in the column's own unit
    bool beyondLimit = false; // beyond what the channel can do; else one sample of a burst
};

// A change the channel cannot make that does not come back within a burst: a jump, or values beyond
// the channel's limit for longer than a burst. The channel cannot be trusted.
struct ChannelFault {
    std::string column;
    double time = 0;  // seconds, where it starts
    std::string what; // "jumps by 53.2 deg/s and does not come back"
};

struct CleanedChannel {
    std::vector<LogDropout> dropouts; // in time order
    std::vector<ChannelFault> faults;
};

// Finds the dropouts of a channel (values in the kind's unit) sampled at the times, replaces each by a
// straight line between the samples around it (at either end by its neighbour's value) and lists
// them, with the faults of the channel. A burst that matches a commanded pulse is kept.
CleanedChannel ReplaceDropouts(const std::vector<double> &time, std::vector<double> &values,
                               const std::string &column, const DropoutRules &rules);

// "steer at 3.215 s (27899), 3.220 s (27899)": the dropouts of the list, by column, for messages.
std::string DropoutText(const std::vector<LogDropout> &dropouts);
