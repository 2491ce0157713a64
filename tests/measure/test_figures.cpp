// The text of a comparison: one for the CLI and the summary panel, its figures aligned as asked.
#include "measure/figures.h"
#include "measure/logfile.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ComparisonLines, OneTextWithTheFiguresAlignedAtTheWidthAsked) {
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
    c.steps.push_back({0.25, 0, 10, 9.5, 1.5, 15.8, 0.375});
    const std::vector<std::string> cli = ComparisonLines(c, log, "runs/a.csv", 13);
    EXPECT_EQ(
        cli,
        (std::vector<std::string>{
            "Log runs/a.csv: 2 rows; time from column 1 \"time\" (s), steer from column 2 \"steer\" (deg)",
            "Aligned by cross-correlation: lag 0.0350 s, correlation 0.9000",
            "Compared 0.0000 to 1.0000 s of the program's 1.0000 s (1024 steps)", "Delay        0.0350 s",
            "Gain         - (the commanded steer does not change)", "Offset       0.250 deg",
            "RMS error    0.500 deg", "Peak error   -1.250 deg at 0.5000 s",
            "Step at 0.2500 s from 0.000 to 10.000 deg: settled at 9.500 deg, overshoot 1.500 deg "
            "(15.8 %) at 0.3750 s"}));
    const std::vector<std::string> panel = ComparisonLines(c, log, "runs/a.csv", 16);
    ASSERT_EQ(panel.size(), cli.size());
    for (std::size_t k = 0; k < cli.size(); ++k)
        EXPECT_EQ(panel[k], k >= 3 && k <= 7 ? cli[k].substr(0, 13) + "   " + cli[k].substr(13) : cli[k]);
}
