// The vehicle's channels: columns by name, number and unit, sectioned logger files crossing a minute,
// dropouts found and replaced, and a missing channel named.
#include "compiler/compile_text.h"
#include "files/fileio.h"
#include "measure/channels.h"
#include "measure/figures.h"
#include "measure/synthetic_log.h"
#include "measure/vbo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

TEST(ParseVehicleLog, FindsTheChannelsByNameAndConvertsTheirUnits) {
    VehicleLogOptions byName;
    byName.log.steerColumn = "SWA";
    const VehicleLog log =
        ParseVehicleLog("Time [s];SWA [deg];Yaw Rate (rad/s);LatAcc [m/s2];Speed [m/s];Roll\n"
                        "0;1;0.5;9.80665;20;1\n0.01;2;1;-9.80665;22.5;2\n",
                        byName);
    EXPECT_EQ(log.steer[1], 2);
    EXPECT_NEAR(log.yawRate[1], 180 / 3.14159265358979323846, 1e-9);
    EXPECT_NEAR(log.lateralAcceleration[1], -1, 1e-12);
    EXPECT_NEAR(log.speed[1], 81, 1e-9);
    EXPECT_EQ(log.roll[1], 2);
    EXPECT_EQ(log.ayChannel.unit, "m/s2");

    VehicleLogOptions byNumber;
    byNumber.yawColumn = "4";
    byNumber.ayColumn = "3";
    byNumber.ayUnit = AccelerationUnit::MetresPerSecondSquared;
    const VehicleLog swapped = ParseVehicleLog("time,steer,a,b\n0,0,9.80665,3\n1,0,0,4\n", byNumber);
    EXPECT_EQ(swapped.yawRate, (std::vector<double>{3, 4}));
    EXPECT_NEAR(swapped.lateralAcceleration[0], 1, 1e-12);
}

TEST(ParseVehicleLog, AMissingChannelIsNamedWithItsColumns) {
    try {
        ParseVehicleLog("time,steer,lateral acceleration\n0,0,0\n1,1,1\n", {});
        FAIL();
    } catch (const ChannelError &e) {
        EXPECT_STREQ(e.what(),
                     "the log has no yaw rate column (its columns: time, steer, lateral acceleration)");
        EXPECT_EQ(e.choice().kind, ChannelKind::YawRate);
        EXPECT_EQ(e.problem(), ChannelProblem::Missing);
    }
    VehicleLogOptions sis;
    sis.needsYawRate = false;
    EXPECT_TRUE(ParseVehicleLog("time,steer,lateral acceleration\n0,0,0\n1,1,1\n", sis).yawRate.empty());
    EXPECT_THROW(ParseVehicleLog("time,steer,yaw rate\n0,0,0\n1,1,1\n", sis), FormatError);
}

// A sectioned logger file at 100 Hz from 10:15:59.50 to 10:16:00.49 UTC, with a lost frame in the
// steer and another in the yaw rate.
std::string VboAcrossAMinute() {
    std::string text =
        "File created on 08/12/2026 @ 10:16:01\n\n[header]\nsatellites\ntime\nvelocity kmh\n"
        "Steer\nYawRate\nLatAcc\n\n[channel units]\n\ns\nkm/h\ndeg\ndeg/s\ng\n\n[comments]\nrun 3\n\n"
        "[column names]\nsats time velocity Steer YawRate LatAcc\n\n[data]\n";
    char row[160];
    for (int k = 0; k < 100; ++k) {
        const int hundredths = 5950 + k; // seconds 59.50 and on, carried into the next minute
        const double hhmmss =
            hundredths < 6000 ? 101500 + hundredths / 100.0 : 101600 + (hundredths - 6000) / 100.0;
        const double steer = k == 40 ? 27899 : 2 + 0.01 * k;
        const double yaw = k == 70 || k == 71 ? -500 : 1 + 0.02 * k;
        std::snprintf(row, sizeof row, "012 %09.2f %+010.3f %+.3f %+.4f %+.5f\n", hhmmss, 80.0, steer, yaw,
                      0.001 * k);
        text += row;
    }
    return text;
}

TEST(VboFiles, AreReadAcrossAMinuteWithTheirDropoutsReplaced) {
    const std::string text = VboAcrossAMinute();
    ASSERT_TRUE(IsVboText(text));
    const VehicleLog log = ParseVehicleLog(text, {});
    ASSERT_EQ(log.time.size(), 100u);
    for (std::size_t k = 1; k < log.time.size(); ++k)
        EXPECT_NEAR(log.time[k] - log.time[k - 1], 0.01, 1e-6) << k;
    EXPECT_EQ(log.steerChannel.column.name, "Steer [deg]");
    EXPECT_EQ(log.speed[0], 80);
    EXPECT_NEAR(log.steer[40], 2.4, 1e-9);
    EXPECT_NEAR(log.yawRate[70], 2.4, 1e-9);
    EXPECT_NEAR(log.yawRate[71], 2.42, 1e-9);
    ASSERT_EQ(log.dropouts.size(), 3u);
    EXPECT_NEAR(log.dropouts[0].time, 0.40, 1e-6);
    EXPECT_EQ(log.dropouts[0].value, 27899);
    EXPECT_EQ(log.dropouts[1].column, "YawRate [deg/s]");
    EXPECT_EQ(DropoutText({log.dropouts[0]}), "Steer [deg] at 0.400 s (27899)");
    EXPECT_DOUBLE_EQ(VboSecondsOfDay(235959.99), 86399.99);
}

TEST(VboFiles, ABadCellIsNamedByTheFilesOwnLine) {
    std::string text = VboAcrossAMinute();
    text.replace(text.find("+2.100"), 6, "+2.1x0");
    try {
        ParseVehicleLog(text, {});
        FAIL();
    } catch (const FormatError &e) {
        EXPECT_NE(std::string(e.what()).find("line 36, column 4"), std::string::npos) << e.what();
    }
}

// Units pair with the channels in the file's order, a blank line a channel without one; a list one
// short pairs the rest with the wrong columns, which is said where a unit does not fit its column.
TEST(VboFiles, PairTheirUnitsInChannelOrder) {
    const VehicleLog log = ParseVehicleLog(VboAcrossAMinute(), {});
    EXPECT_EQ(log.speedChannel.unit, "km/h");
    EXPECT_TRUE(log.speedChannel.unitStated);
    EXPECT_EQ(log.ayChannel.column.name, "LatAcc [g]");
    EXPECT_TRUE(log.unitNote.empty());
    std::string shortList = VboAcrossAMinute();
    shortList.replace(shortList.find("\nkm/h\n"), 6, "\n");
    try {
        ParseVehicleLog(shortList, {});
        FAIL();
    } catch (const FormatError &e) {
        EXPECT_EQ(std::string(e.what()),
                  "column 4 \"Steer [deg/s]\" is named the steer but holds an angular rate (deg/s) (the file "
                  "lists 5 "
                  "units for its 6 columns: units may be paired with the wrong columns)");
    }
    VehicleLogOptions byNumber;
    byNumber.log.steerColumn = "4";
    byNumber.log.angleUnit = AngleUnit::Degrees;
    const VehicleLog shifted = ParseVehicleLog(shortList, byNumber);
    EXPECT_NE(
        shifted.speedChannel.unitProblem.find("its unit deg is an angle's (the file lists 5 units for its "
                                              "6 columns"),
        std::string::npos)
        << shifted.speedChannel.unitProblem;
    EXPECT_NE(shifted.yawChannel.unitProblem.find("its unit g is an acceleration's"), std::string::npos);
    EXPECT_FALSE(shifted.ayChannel.unitStated); // past the list's end
}

// A unit of another quantity cannot be the channel's; one the reader does not know is read as the
// default, and said so; the options state a unit where the header does not.
TEST(ParseVehicleLog, DecidesEachUnitOnceFromOptionHeaderOrDefault) {
    const std::string text =
        "time,steer,yaw rate [g],lateral acceleration [furlong],speed\n0,0,0,0,0\n1,1,1,1,1\n";
    const VehicleLog log = ParseVehicleLog(text, {});
    EXPECT_EQ(log.yawChannel.unitProblem,
              "column \"yaw rate [g]\" is the yaw rate but its unit g is an acceleration's");
    EXPECT_EQ(log.ayChannel.unit, "g");
    EXPECT_FALSE(log.ayChannel.unitStated);
    EXPECT_NE(log.ayChannel.unitWarning.find(
                  "\"furlong\" of column \"lateral acceleration [furlong]\" is not known"),
              std::string::npos);
    EXPECT_FALSE(log.speedChannel.unitStated);
    VehicleLogOptions options;
    options.yawUnit = "rad/s";
    options.speedUnit = "m/s";
    const VehicleLog stated = ParseVehicleLog(text, options);
    EXPECT_TRUE(stated.yawChannel.unitProblem.empty());
    EXPECT_NEAR(stated.yawRate[1], 57.29578, 1e-5);
    EXPECT_DOUBLE_EQ(stated.speed[1], 3.6);
    EXPECT_TRUE(stated.speedChannel.unitStated);
}

TEST(ReplaceDropouts, LeavesStepsNoiseAndRealPeaksAlone) {
    std::vector<double> time, steps, spike;
    for (int k = 0; k < 200; ++k) {
        time.push_back(k * 0.01);
        steps.push_back(k < 100 ? 0 : 30);                     // a step that stays
        spike.push_back(k == 0 ? -900 : k == 120 ? 500 : 1.0); // dropouts at the start and inside
    }
    const CleanedChannel step = ReplaceDropouts(time, steps, "steer", {});
    EXPECT_TRUE(step.dropouts.empty());
    EXPECT_EQ(step.faults.size(), 1u); // a steer cannot jump 30 deg in 10 ms: a fault, not a dropout
    const auto found = ReplaceDropouts(time, spike, "steer", {}).dropouts;
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(spike[0], 1);
    EXPECT_EQ(spike[120], 1);
}

TEST(ReplaceDropouts, KeepsALostFrameOutOfTheComparison) {
    ASSERT_TRUE(
        CompileProgram(TestCompiler(), {"maxsteer(100 deg)", "begin", "setrate(1024 hz)", "wait(1 sec)",
                                        "sine(50 deg, 0.7 hz, 1 cycles)", "wait(1 sec)", "end"}));
    const CommandedProgram program = CommandedFrom(TestCompiler());
    std::string text = SyntheticLog(program, TestCompiler(), MakeRun(0.03, 1, 0, 0, 200));
    const std::size_t row = text.find("\n1.500000,");
    text.replace(text.find(',', row + 1) + 1, text.find('\n', row + 1) - text.find(',', row + 1) - 1,
                 "27899");
    // And a burst of five samples of 8116 deg, which a logger wrote in a real step-steer log.
    for (const char *at : {"\n2.000000,", "\n2.005000,", "\n2.010000,", "\n2.015000,", "\n2.020000,"}) {
        const std::size_t row5 = text.find(at);
        text.replace(text.find(',', row5 + 1) + 1, text.find('\n', row5 + 1) - text.find(',', row5 + 1) - 1,
                     "8116");
    }
    const MeasuredLog log = ParseLog(text, {});
    ASSERT_EQ(log.dropouts.size(), 6u);
    const Comparison c = CompareLog(program, log);
    EXPECT_NEAR(c.gain, 1, 0.01);
    EXPECT_LT(std::fabs(c.peakError), 1);
    const auto warnings = ComparisonWarnings(c, log);
    ASSERT_FALSE(warnings.empty());
    EXPECT_NE(warnings.back().find("steer at 1.500 s (27899)"), std::string::npos) << warnings.back();
}

} // namespace
