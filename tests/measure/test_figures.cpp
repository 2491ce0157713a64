// The text of a comparison: one for the CLI and the summary panel, its figures aligned as asked.
#include "measure/figures.h"
#include "measure/logfile.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(DescribeComparison, OneTextWithTheFiguresAlignedAtTheWidthAsked) {
    const MeasuredLog log = ParseLog("time,steer\n0,0\n1,1\n", {});
    Comparison c;
    c.alignment.lag = c.delay = 0.035;
    c.alignment.correlation = 0.9;
    c.gain = NAN;
    c.offset = 0.25;
    c.rmsError = 0.5;
    c.peakError = -1.25;
    c.peakErrorTime = 0.5;
    c.programDuration = c.comparedTo = 1;
    c.comparedSteps = 1024;
    c.steps.push_back({0.25, 0, 10, 0.1, 9.5, 1.5, 15.8, 0.375});
    const ComparisonText cli = DescribeComparison(c, log, "runs/a.csv", 13);
    EXPECT_EQ(cli.Lines(),
              (std::vector<std::string>{
                  "Log runs/a.csv: 2 rows; time from column 1 \"time\" (s), steer from column 2 "
                  "\"steer\" (deg)",
                  "Aligned by cross-correlation: lag 0.0350 s, correlation 0.9000",
                  "Compared 0.0000 to 1.0000 s of the program's 1.0000 s (1024 steps)",
                  "Delay        0.0350 s", "Gain         - (the commanded steer does not change)",
                  "Offset       0.250 deg", "RMS error    0.500 deg", "Peak error   -1.250 deg at 0.5000 s",
                  "Step at 0.2500 s from 0.000 to 10.000 deg: measured 0.100 to 9.500 deg, overshoot "
                  "1.500 deg (15.8 %) at 0.3750 s"}));
    EXPECT_EQ(cli.source.size(), 3u);
    EXPECT_TRUE(cli.response.empty() && cli.warnings.empty());
    const ComparisonText panel = DescribeComparison(c, log, "runs/a.csv", 16);
    EXPECT_EQ(panel.source, cli.source);
    ASSERT_EQ(panel.figures.size(), cli.figures.size());
    for (std::size_t k = 0; k < cli.figures.size(); ++k) {
        const std::string &line = cli.figures[k];
        EXPECT_EQ(panel.figures[k], k < 5 ? line.substr(0, 13) + "   " + line.substr(13) : line);
    }
}

// Figures that have no value read "-", never "nan": a steer that never changes has no delay, lag or
// correlation, a wheel that did not move no overshoot percentage.
TEST(DescribeComparison, AFigureWithoutValueIsADash) {
    const MeasuredLog log = ParseLog("time,steer\n0,0\n1,1\n", {});
    Comparison c;
    c.alignment.lag = c.delay = c.gain = c.alignment.correlation = NAN;
    c.steps.push_back({0.25, 0, 10, 0.5, 0.5, 0, NAN, 0.25});
    const std::vector<std::string> lines = DescribeComparison(c, log, "a.csv", 13).Lines();
    for (const std::string &line : lines) EXPECT_EQ(line.find("nan"), std::string::npos) << line;
    EXPECT_EQ(lines[1],
              "Aligned by the log's time 0 as the program's start: the commanded steer does not change, "
              "so there is no lag to find");
    EXPECT_EQ(lines[3], "Delay        - (the commanded steer does not change)");
    EXPECT_NE(lines.back().find("overshoot 0.000 deg (- %)"), std::string::npos) << lines.back();
}

// A gain or phase that rounds to zero is printed without a minus: the table of a sweep that follows
// closely at its low frequencies reads 0.00 dB, not -0.00 dB.
TEST(DescribeComparison, AResponseTableHasNoNegativeZero) {
    const MeasuredLog log = ParseLog("time,steer\n0,0\n1,1\n", {});
    Comparison c;
    c.alignment.correlation = 0.9;
    FrequencyResponse r;
    r.lowHz = 0.1, r.highHz = 2, r.bandwidthHz = 1.5;
    r.points = {{0.1, -0.001, -0.04, 0.99}, {0.5, -0.5, -12.25, 0.98}};
    c.response = r;
    const std::vector<std::string> response = DescribeComparison(c, log, "a.csv", 13).response;
    ASSERT_EQ(response.size(), 4u);
    EXPECT_EQ(response[2], "          0.100       0.00        0.0      0.990");
    EXPECT_EQ(response[3], "          0.500      -0.50      -12.2      0.980");
}
