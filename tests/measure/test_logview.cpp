// A log looked into and written out: each column's range and the channel taken from it; the channels
// written read back by the reader as the same channels, resampled by straight lines, the mark held, no
// sample made inside a gap.
#include "measure/logview.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char *const Text = "# program: swd-1.rom program 3\n"
                         "Time,SteerAng,Yaw_Rate,YawRate,Y_Accel,mark,notes\n"
                         "0,0,0,0,0,0,a\n"
                         "0.1,10,2,2.1,0.1,0,\n"
                         "0.2,20,4,4.2,0.2,1,\n"
                         "0.3,10,2,2.1,0.1,1,\n"
                         "1.3,0,0,0,0,0,\n"; // a gap of a second

VehicleLog Read() {
    VehicleLogOptions options;
    options.log.markColumn = "mark";
    return ParseVehicleLog(Text, options);
}

TEST(SummariseColumns, GiveEachColumnsRangeAndTheChannelTakenFromIt) {
    const LogTable table = ParseLogTable(Text);
    const std::vector<ColumnSummary> columns = SummariseColumns(table, Read().info);
    ASSERT_EQ(columns.size(), 7u);
    EXPECT_EQ(columns[1].takenFor, ChannelKind::Steer);
    EXPECT_EQ(columns[1].high, 20);
    EXPECT_EQ(columns[2].takenFor, ChannelKind::YawRate);
    EXPECT_FALSE(columns[3].takenFor);
    EXPECT_EQ(columns[3].namedAs, std::vector<ChannelKind>{ChannelKind::YawRate});
    EXPECT_EQ(columns[5].takenFor, ChannelKind::Mark);
    EXPECT_EQ(columns[6].numbers, 0u);
    ASSERT_TRUE(columns[6].bad);
    EXPECT_EQ(columns[6].bad->text, "a");
    EXPECT_EQ(columns[6].empty, 4u);
}

TEST(ExtractChannels, WritesWhatTheReaderReadsBack) {
    const VehicleLog log = Read();
    const LogExtract all = ExtractChannels(log, {});
    EXPECT_EQ(all.headers, (std::vector<std::string>{"time [s]", "steer [deg]", "mark", "yaw rate [deg/s]",
                                                     "lateral acceleration [g]"}));
    const std::string csv = ExtractCsv(all, {"written by a test", "program: swd-1.rom program 3"});
    const VehicleLog back = ParseVehicleLog(csv, {});
    EXPECT_EQ(back.time, log.time);
    EXPECT_EQ(back.steer, log.steer);
    EXPECT_EQ(back.yawRate, log.yawRate);
    EXPECT_EQ(back.lateralAcceleration, log.lateralAcceleration);
    EXPECT_EQ(back.mark, log.mark);
    EXPECT_EQ(back.info.set, "swd-1.rom");
    EXPECT_EQ(back.info.program, 3);
    try {
        ExtractChannels(log, {ChannelKind::Speed});
        ADD_FAILURE();
    } catch (const FormatError &e) {
        EXPECT_STREQ(e.what(), "the log has no speed column to write");
    }
}

TEST(ExtractChannels, ResamplesByStraightLinesHoldsTheMarkAndSkipsGaps) {
    const LogExtract e = ExtractChannels(Read(), {ChannelKind::Steer, ChannelKind::Mark}, 20);
    ASSERT_EQ(e.kinds, (std::vector<ChannelKind>{ChannelKind::Time, ChannelKind::Steer, ChannelKind::Mark}));
    // 0 to 0.3 s every 0.05 s, then nothing inside the gap, and its end.
    const std::vector<double> &time = e.values[0];
    ASSERT_EQ(time.size(), 8u);
    EXPECT_NEAR(time[6], 0.3, 1e-12);
    EXPECT_NEAR(time[7], 1.3, 1e-12);
    EXPECT_NEAR(e.values[1][3], 15, 1e-9); // 0.15 s: halfway from 10 to 20 deg
    EXPECT_EQ(e.values[2][3], 0);          // the mark before it
    EXPECT_EQ(e.values[2][4], 1);
}

} // namespace
