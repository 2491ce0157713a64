// Dropouts by each channel's physics: values beyond its limit, bursts of one to five samples away and
// back faster than it can change, replaced and listed; longer bursts and jumps that stay are faults; a
// pulse the program commands is kept; real motion, however fast the log samples it, is left alone.
#include "compiler/compile.h"
#include "measure/compare.h"
#include "measure/dropouts.h"
#include "measure/logfile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::vector<double> Times(int n, double rate) {
    std::vector<double> t;
    for (int k = 0; k < n; ++k) t.push_back(k / rate);
    return t;
}

DropoutRules Rules(ChannelKind kind) {
    DropoutRules rules;
    rules.kind = kind;
    return rules;
}

// Each channel at 200 Hz, holding a level: one sample just within and one just beyond its limit, and
// bursts of every length that jump faster than the channel can change.
TEST(ReplaceDropouts, EachChannelByItsOwnPhysics) {
    const struct {
        ChannelKind kind;
        double level, limit, jump; // the jump: more than the channel can change in a sample
    } channels[] = {
        {ChannelKind::Steer, 10, SteerLimitFor(ChannelPhysics::MachineSteer), 20},
        {ChannelKind::YawRate, 5, ChannelPhysics::YawRate, 8},
        {ChannelKind::LateralAcceleration, 0.3, ChannelPhysics::LateralAcceleration, 0.8},
        {ChannelKind::Speed, 80, ChannelPhysics::Speed, 5},
        {ChannelKind::Roll, 2, ChannelPhysics::Roll, 5},
    };
    const std::vector<double> time = Times(100, 200);
    for (const auto &c : channels) {
        const std::string name = ChannelKindName(c.kind);
        std::vector<double> v(100, c.level);
        v[20] = c.limit; // at the limit: kept unless it jumps
        v[21] = c.limit;
        v[22] = c.limit;
        v[60] = -c.limit * 1.01;
        const CleanedChannel at = ReplaceDropouts(time, v, name, Rules(c.kind));
        ASSERT_EQ(at.dropouts.size(), 4u) << name; // the three at the limit are a burst; one beyond it
        EXPECT_FALSE(at.dropouts[0].beyondLimit);
        EXPECT_TRUE(at.dropouts[3].beyondLimit);
        EXPECT_EQ(v[60], c.level);
        for (int count = 1; count <= 6; ++count) {
            std::vector<double> burst(100, c.level);
            for (int k = 0; k < count; ++k)
                burst[static_cast<std::size_t>(50 + k)] += c.jump * (k % 2 ? 1.2 : 1);
            const CleanedChannel cleaned = ReplaceDropouts(time, burst, name, Rules(c.kind));
            if (count <= ChannelPhysics::LongestBurst) {
                EXPECT_EQ(cleaned.dropouts.size(), static_cast<std::size_t>(count)) << name << count;
                EXPECT_TRUE(cleaned.faults.empty()) << name << count;
                EXPECT_EQ(burst, std::vector<double>(100, c.level)) << name << count;
            } else { // a burst longer than a logger loses: the jumps in and out stay, the channel is at fault
                EXPECT_TRUE(cleaned.dropouts.empty()) << name;
                EXPECT_EQ(cleaned.faults.size(), 2u) << name;
            }
        }
    }
}

// At the ends, and as a step that stays.
TEST(ReplaceDropouts, AtTheEndsAndStepsThatStay) {
    const std::vector<double> time = Times(50, 100);
    std::vector<double> v(50, 1.0);
    v[0] = v[1] = -900; // the first two samples lost
    v[49] = 500;        // and the last
    const CleanedChannel ends = ReplaceDropouts(time, v, "steer", {});
    EXPECT_EQ(ends.dropouts.size(), 3u);
    EXPECT_EQ(v, std::vector<double>(50, 1.0));
    std::vector<double> step(50, 0);
    for (std::size_t k = 25; k < 50; ++k) step[k] = 40;
    const CleanedChannel stays = ReplaceDropouts(time, step, "steer", {});
    EXPECT_TRUE(stays.dropouts.empty());
    ASSERT_EQ(stays.faults.size(), 1u);
    EXPECT_NEAR(stays.faults[0].time, 0.25, 1e-9);
    EXPECT_EQ(stays.faults[0].what, "jumps by 40 deg between two samples and does not come back");
    // Beyond the limit for longer than a burst: a fault, the values left as they are.
    std::vector<double> over(50, 1.0);
    for (std::size_t k = 10; k < 20; ++k) over[k] = 9.9e37;
    const CleanedChannel held = ReplaceDropouts(time, over, "steer", {});
    EXPECT_TRUE(held.dropouts.empty());
    ASSERT_FALSE(held.faults.empty());
    EXPECT_NE(held.faults[0].what.find("lies beyond 2510 deg for 0.090 s"), std::string::npos)
        << held.faults[0].what;
}

// A fast sine with dwell sampled at 1 kHz with sensor noise, and a 1500 deg/s steer ramp at 20 Hz,
// are motion the channels can make: nothing is replaced.
TEST(ReplaceDropouts, LeavesFastRealMotionAndNoiseAlone) {
    const std::vector<double> fast = Times(5000, 1000);
    std::vector<double> steer, yaw, ay;
    for (double t : fast) {
        const double noise = 0.02 * std::sin(t * 7919);
        steer.push_back(270 * std::sin(2 * 3.14159265 * 0.7 * t) + noise);
        yaw.push_back(45 * std::sin(2 * 3.14159265 * 0.7 * (t - 0.1)) + 10 * noise);
        ay.push_back(0.9 * std::sin(2 * 3.14159265 * 0.7 * (t - 0.12)) + 5 * noise);
    }
    EXPECT_TRUE(ReplaceDropouts(fast, steer, "steer", {}).dropouts.empty());
    EXPECT_TRUE(ReplaceDropouts(fast, yaw, "yaw", Rules(ChannelKind::YawRate)).dropouts.empty());
    EXPECT_TRUE(ReplaceDropouts(fast, ay, "ay", Rules(ChannelKind::LateralAcceleration)).dropouts.empty());
    const std::vector<double> slow = Times(40, 20);
    std::vector<double> ramp;
    for (double t : slow) ramp.push_back(std::min(1500 * std::max(0.0, t - 0.5), 300.0));
    const CleanedChannel cleaned = ReplaceDropouts(slow, ramp, "steer", {});
    EXPECT_TRUE(cleaned.dropouts.empty());
    EXPECT_TRUE(cleaned.faults.empty());
}

// The steer limit follows the program's maxsteer: 300 deg allow 385 deg.
TEST(ReplaceDropouts, TheSteerLimitOfAProgram) {
    EXPECT_DOUBLE_EQ(SteerLimitFor(300), 385);
    const std::vector<double> time = Times(20, 100);
    std::vector<double> v(20, 380);
    v[10] = 390;
    DropoutRules rules;
    rules.steerLimit = SteerLimitFor(300);
    const CleanedChannel cleaned = ReplaceDropouts(time, v, "steer", rules);
    ASSERT_EQ(cleaned.dropouts.size(), 1u);
    EXPECT_TRUE(cleaned.dropouts[0].beyondLimit);
    EXPECT_EQ(cleaned.dropouts[0].value, 390);
}

// A program that pulses the steer by 20 deg for 10 ms: its pulses are found, and a log at 200 Hz that
// shows the pulse faithfully keeps it, while the same burst without the program is a dropout.
TEST(CommandedPulses, AreKeptWhenTheProgramIsKnown) {
    CompilerState state;
    ASSERT_TRUE(CompileProgram(state,
                               {"maxsteer(100 deg)", "begin", "setrate(1024 hz)", "wait(1 sec)",
                                "stepto(20 deg)", "wait(0.01 sec)", "stepto(0 deg)", "wait(1 sec)", "end"},
                               {}));
    const CommandedProgram program = CommandedFrom(state);
    const std::vector<CommandedPulse> pulses = CommandedPulses(program.time, program.steer);
    ASSERT_EQ(pulses.size(), 1u);
    EXPECT_DOUBLE_EQ(pulses[0].height, 20);
    EXPECT_LT(pulses[0].duration, 0.02);
    std::string text = "time,steer\n";
    for (int k = 0; k < 400; ++k)
        text += std::to_string(k * 0.005) + "," + (k == 200 || k == 201 ? "20" : "0") + "\n";
    MeasuredLog log = ParseLog(text, {});
    ASSERT_EQ(log.dropouts.size(), 2u); // without the program: a burst, replaced
    EXPECT_EQ(log.steer[200], 0);
    KeepCommandedPulses(log, pulses);
    EXPECT_TRUE(log.dropouts.empty());
    EXPECT_EQ(log.steer[200], 20);
    EXPECT_EQ(log.steer[201], 20);
    // Known before reading, the pulse is not replaced at all; a pulse the other way or far larger is.
    LogOptions options;
    options.dropouts->pulses = pulses;
    EXPECT_TRUE(ParseLog(text, options).dropouts.empty());
    for (const char *other : {"-20", "90"}) {
        std::string changed = text;
        for (std::size_t at; (at = changed.find(",20\n")) != std::string::npos;)
            changed.replace(at, 4, std::string(",") + other + "\n");
        EXPECT_EQ(ParseLog(changed, options).dropouts.size(), 2u) << other;
    }
    EXPECT_FALSE(IsCommandedPulse(pulses, -20));
    EXPECT_TRUE(IsCommandedPulse(pulses, 18));
}

} // namespace
