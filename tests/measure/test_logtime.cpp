// A log's time as it has it: seconds since 1970 (in s, ms or us, stated or not) and clock times laid
// from the first sample; gaps named; runs found between rests; the part of a run or a span read.
#include "measure/logfile.h"
#include "measure/logger_files.h"

#include <gtest/gtest.h>

namespace {

std::string TimedLog(const std::string &header, const std::vector<std::string> &times) {
    std::string text = header + ",steer\n";
    for (std::size_t i = 0; i < times.size(); ++i) text += times[i] + "," + std::to_string(i) + "\n";
    return text;
}

TEST(LayTime, EpochsAndClocksAreLaidFromTheFirstSample) {
    struct Case {
        std::string header;
        std::vector<std::string> times;
        TimeBase base;
        double origin, second; // s: time 0 as written, the second sample's laid time
        const char *text;
    };
    const std::vector<Case> cases{
        {"Timestamp",
         {"1714557359.950", "1714557359.970"},
         TimeBase::Epoch,
         1714557359.95,
         0.02,
         "seconds since 1970: time 0 is its first sample, 2024-05-01 09:55:59.950 UTC"},
        {"Timestamp",
         {"1714557359950", "1714557359970"},
         TimeBase::Epoch,
         1714557359.95,
         0.02,
         "milliseconds since 1970: time 0 is its first sample, 2024-05-01 09:55:59.950 UTC"},
        {"time [ms]",
         {"1714557359950", "1714557359970"},
         TimeBase::Epoch,
         1714557359.95,
         0.02,
         "seconds since 1970: time 0 is its first sample, 2024-05-01 09:55:59.950 UTC"},
        {"time",
         {"1714557359950000", "1714557359970000"},
         TimeBase::Epoch,
         1714557359.95,
         0.02,
         "microseconds since 1970: time 0 is its first sample, 2024-05-01 09:55:59.950 UTC"},
        {"time",
         {"500000000", "500000000.5"},
         TimeBase::Epoch,
         5e8,
         0.5,
         "seconds since an epoch: time 0 is its first sample, 5e+08 s"},
        {"time",
         {"2024-05-01T09:55:59.950Z", "2024-05-01T09:55:59.990Z"},
         TimeBase::Epoch,
         1714557359.95,
         0.04,
         "seconds since 1970: time 0 is its first sample, 2024-05-01 09:55:59.950 UTC"},
        {"utc",
         {"23:59:59.50", "00:00:00.50"},
         TimeBase::ClockTime,
         86399.5,
         1,
         "a clock time of the day: time 0 is its first sample, 23:59:59.500"},
        {"time", {"345600.00", "345600.01"}, TimeBase::AsWritten, 0, 345600.01, ""}, // a week's seconds: as
                                                                                     // written
        {"time", {"2.5", "2.51"}, TimeBase::AsWritten, 0, 2.51, ""},
    };
    for (const Case &c : cases) {
        const MeasuredLog log = ParseLog(TimedLog(c.header, c.times), {});
        EXPECT_EQ(log.info.time.base, c.base) << c.times.front();
        EXPECT_NEAR(log.info.time.origin, c.origin, 1e-6) << c.times.front();
        EXPECT_NEAR(log.time[1], c.second, 1e-9) << c.times.front(); // decimals of a date kept
        EXPECT_EQ(TimeBaseText(log.info.time), c.text);
    }
}

TEST(GapsOf, NameTheirPlaceLengthAndLine) {
    std::string text = "time,steer\n";
    for (int i = 0; i < 300; ++i)
        if (i < 100 || i >= 150) text += std::to_string(i * 0.01) + ",1\n";
    const MeasuredLog log = ParseLog(text, {});
    ASSERT_EQ(log.info.gaps.size(), 1u);
    EXPECT_NEAR(log.info.gaps[0].time, 0.99, 1e-9);
    EXPECT_NEAR(log.info.gaps[0].length, 0.51, 1e-9);
    EXPECT_EQ(log.info.gaps[0].line, 102);
    EXPECT_NEAR(log.info.intervals.Rate(), 100, 1e-6);
}

// Samples at 100 Hz of a steer given as a function of time.
std::vector<double> Times(double seconds) {
    std::vector<double> time;
    for (int i = 0; i <= seconds * 100; ++i) time.push_back(i * 0.01);
    return time;
}
std::vector<double> Steer(const std::vector<double> &time, const std::function<double(double)> &at) {
    std::vector<double> steer;
    for (double t : time) steer.push_back(at(t));
    return steer;
}

TEST(RunsOf, FindManoeuvresSeparatedByRest) {
    const std::vector<double> time = Times(20);
    struct Case {
        const char *name;
        std::function<double(double)> steer;
        std::vector<std::pair<double, int>> runs; // start and first steer of each
    };
    const std::vector<Case> cases{
        {"two runs, the second clockwise",
         [](double t) {
             return 3 + RunSteer(t) + RunSteer(t - 8, 90, -1);
         }, // at rest 3 deg off straight ahead
         {{1.0, 1}, {9.0, -1}}},
        {"a step held at 100 deg is one run, not rest",
         [](double t) { return t > 2 && t < 12 ? 100.0 : 0.0; },
         {{2.0, 1}}},
        {"a pause shorter than the rest between runs",
         [](double t) { return RunSteer(t) + RunSteer(t - 3.2); },
         {{1.0, 1}}},
        {"noise alone is no run", [](double t) { return 0.3 * std::sin(40 * t); }, {}},
    };
    for (const Case &c : cases) {
        const std::vector<LogRun> runs = RunsOf(time, Steer(time, c.steer));
        ASSERT_EQ(runs.size(), c.runs.size()) << c.name;
        for (std::size_t k = 0; k < runs.size(); ++k) {
            EXPECT_NEAR(runs[k].start, c.runs[k].first, 0.05) << c.name;
            EXPECT_EQ(runs[k].firstSteer, c.runs[k].second) << c.name;
            EXPECT_EQ(runs[k].number, static_cast<int>(k + 1));
        }
    }
    // Each run's part reaches to the middle of the rest around it.
    const std::vector<LogRun> two = RunsOf(time, Steer(time, cases[0].steer));
    EXPECT_EQ(two[0].from, 0);
    EXPECT_NEAR(two[0].to, (two[0].end + two[1].start) / 2, 1e-9);
    EXPECT_EQ(two[1].to, 20);
    EXPECT_EQ(FirstSteer(time, Steer(time, [](double t) { return RunSteer(t, 40, -1); })), -1);
    EXPECT_EQ(FirstSteer(time, Steer(time, [](double) { return 0.0; })), 0);
}

TEST(SelectPart, ReadsARunOrASpanAndRefusesWhatTheLogHasNot) {
    std::string text = "time,steer\n";
    for (int i = 0; i <= 2000; ++i) {
        const double t = i * 0.01;
        text += std::to_string(t) + "," + std::to_string(RunSteer(t) + RunSteer(t - 10, 90, -1)) + "\n";
    }
    LogOptions second;
    second.part.run = 2;
    const MeasuredLog run = ParseLog(text, second);
    EXPECT_EQ(run.info.runs.size(), 2u);
    EXPECT_NEAR(run.time.front(), (run.info.runs[0].end + run.info.runs[1].start) / 2, 0.011);
    EXPECT_EQ(run.time.back(), 20);
    EXPECT_EQ(run.steer.size(), run.time.size());
    EXPECT_TRUE(run.info.part.starts_with("run 2 of 2, ")) << run.info.part;
    LogOptions span;
    span.part.from = 2.5, span.part.to = 4;
    const MeasuredLog spanned = ParseLog(text, span);
    EXPECT_EQ(spanned.info.part, "2.500 to 4.000 s of the log");
    EXPECT_EQ(spanned.time.size(), 151u);
    for (const auto &[part, message] : std::vector<std::pair<LogPart, std::string>>{
             {{3, {}, {}}, "the log holds 2 runs: there is no run 3"},
             {{0, 5.0, 2.0}, "the part from 5.000 to 2.000 s of the log is empty"},
             {{0, 19.995, {}},
              "the log (0.000 to 20.000 s) has fewer than two samples from 19.995 to 20.000 s"}}) {
        LogOptions options;
        options.part = part;
        try {
            ParseLog(text, options);
            ADD_FAILURE() << message;
        } catch (const FormatError &e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

} // namespace
