// Program summary and steer-rate check: figures of programs with known answers.
#include "compile_text.h"

#include "compiler/summary.h"

#include <gtest/gtest.h>

namespace {

// 3 s at 512 Hz (a 10 deg/s ramp to 20), then 2 s at 256 Hz: a 30 deg/s ramp to -10 with flag 3 on,
// a roll-peak pulse, and a ramp to 0.5 that ends at 5 s.
const std::vector<std::string> KnownBody{"setrate(512 hz)",      "wait(1 s)",
                                         "rampto(20 deg, 2 s)",  "setrate(256 hz)",
                                         "setflag(3 bit, 50 %)", "rampto(-10 deg, 1 s)",
                                         "setflag(3 bit, 0 %)",  "waitforrollpeak",
                                         "rampto(0.5 deg, 1 s)"};

Compiled CompileWithLimit(const std::vector<std::string> &body, float limit) {
    std::vector<std::string> lines{"maxsteer(100 deg)", "begin"};
    lines.insert(lines.end(), body.begin(), body.end());
    lines.push_back("end");
    Compiled result;
    CompileOptions options{true, [&](const std::string &t) { result.notices.push_back(t); }, limit};
    result.ok = CompileProgram(TestCompiler(), lines, options);
    return result;
}

TEST(Summary, FiguresOfAProgramWithKnownAnswers) {
    ASSERT_TRUE(CompileBody(KnownBody).ok);
    ProgramSummary s = SummarizeProgram(TestCompiler());
    EXPECT_FALSE(s.repeats);
    EXPECT_EQ(s.duration, 5.0f);
    EXPECT_EQ(s.stepsUsed, 3 * 512 + 2 * 256);
    EXPECT_EQ(s.lastRate, 256);
    EXPECT_EQ(s.timeLeft, (16384.0f - 2048) / 256);
    EXPECT_EQ(s.peakSteer, 20.0f);
    EXPECT_EQ(s.peakSteerTime, 3.0f);
    EXPECT_EQ(s.minSteer, -10.0f);
    EXPECT_EQ(s.minSteerTime, 4.0f);
    EXPECT_NEAR(s.peakRate, 30.0f, 0.01f);
    EXPECT_GT(s.peakRateTime, 3.0f);
    EXPECT_LE(s.peakRateTime, 4.0f);
    EXPECT_EQ(s.endAngle, 0.5f);
    EXPECT_EQ(s.rates, (std::vector<int>{512, 256}));
    ASSERT_EQ(s.flags.size(), 2u);
    EXPECT_EQ(s.flags[0].flag, 1);
    EXPECT_FLOAT_EQ(s.flags[0].onTime, 1.0f / 256);
    EXPECT_EQ(s.flags[1].flag, 3);
    EXPECT_FLOAT_EQ(s.flags[1].onTime, 1.0f);
    EXPECT_FLOAT_EQ(s.highCurrentTime, 1.0f / 256);

    std::vector<std::string> lines = SummaryLines(s);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Duration        5.000 s (END)");
    EXPECT_EQ(lines[1], "Steps used      2048 of 16384, 56.000 s left at 256 Hz");
    EXPECT_EQ(lines[2], "Peak steer      20.000 deg at 3.000 s");
    EXPECT_EQ(lines[3], "Minimum steer   -10.000 deg at 4.000 s");
    EXPECT_EQ(lines[4].rfind("Peak steer rate 30.0 deg/s at 3.", 0), 0u) << lines[4];
    EXPECT_EQ(lines[5], "End angle       0.500 deg");
    EXPECT_EQ(lines[6], "Clock rates     512 Hz, 256 Hz");
    EXPECT_EQ(lines[7], "Flag 1 on       0.004 s");
    EXPECT_EQ(lines[8], "Flag 3 on       1.000 s");
    EXPECT_EQ(lines[9], "High current    0.004 s (bit 15)");
}

TEST(Summary, RepeatingAndEmptyPrograms) {
    ASSERT_TRUE(CompileBody({"setrate(256 hz)", "sine(3 deg, 0.5 hz, 1 cycles)", "repeatprogram"}).ok);
    ProgramSummary repeating = SummarizeProgram(TestCompiler());
    EXPECT_TRUE(repeating.repeats);
    EXPECT_EQ(repeating.stepsUsed, 512);
    EXPECT_EQ(repeating.duration, 2.0f);
    EXPECT_NEAR(repeating.peakSteer, 3.0f, 1e-5f);
    EXPECT_NEAR(repeating.minSteer, -3.0f, 1e-5f);
    EXPECT_EQ(SummaryLines(repeating)[0], "Duration        2.000 s (REPEATPROGRAM)");

    // END at time 0: nothing runs before the end.
    ASSERT_TRUE(CompileBody({}).ok);
    ProgramSummary empty = SummarizeProgram(TestCompiler());
    EXPECT_EQ(empty.stepsUsed, 0);
    EXPECT_EQ(empty.duration, 0.0f);
    EXPECT_TRUE(empty.rates.empty());
    EXPECT_EQ(empty.peakRate, 0.0f);
    std::vector<std::string> lines = SummaryLines(empty);
    EXPECT_EQ(lines[1], "Steps used      0 of 16384, 16.000 s left at 1024 Hz");
    EXPECT_EQ(lines[6], "Clock rates     none");
    EXPECT_EQ(lines[7], "Flags           none");
}

TEST(FlagsAfterEnd, AFlagLeftOnAtTheEndIsNamedInTheSummaryAndANotice) {
    // END at step 0 with the brake on: the aux image holds it on in all 16384 steps.
    Compiled brake = CompileBody({"setflag(8 b, 100 %)"});
    ASSERT_TRUE(brake.ok);
    const std::string held = "Flag 8 stays on after the end (the aux image holds it on to the last step).";
    EXPECT_EQ(brake.notices, std::vector<std::string>{held});
    const ProgramSummary s = SummarizeProgram(TestCompiler());
    EXPECT_TRUE(s.flags.empty());
    ASSERT_EQ(s.flagsAfterEnd.size(), 1u);
    EXPECT_EQ(s.flagsAfterEnd[0].lastStep, StepCount - 1);
    const std::vector<std::string> lines = SummaryLines(s);
    EXPECT_EQ(lines[7], "Flags           none before the end");
    EXPECT_EQ(lines[8], "Flag 8          " + held.substr(7, held.size() - 8));

    // Notices in flag order, one sentence each; a pulse due at the end is on for that step only.
    Compiled two = CompileBody({"wait(1 s)", "setflag(2 b, 30 %)", "pulseflag(5 b)"});
    EXPECT_EQ(two.notices, std::vector<std::string>{
                               "Flag 2 stays on after the end (the aux image holds it on to the last step). "
                               "Flag 5 stays on after the end (the aux image holds it on for one step)."});
}

TEST(FlagsAfterEnd, FlagsOffAtTheEndOrRepeatingProgramsAreNotFindings) {
    const std::vector<std::vector<std::string>> bodies{
        {"setflag(8 b, 100 %)", "wait(1 s)", "setflag(8 b, 0 %)"},
        {"pulseflag(3 b, 0.5 s)"}, // its end comes when the pulse is over
        {"pulsebrake(0.5 s)"},
        {"setflag(4 b, 50 %)", "wait(1 s)", "repeatprogram"}}; // the machine goes back to step 0
    for (const auto &body : bodies)
        EXPECT_EQ(CompileBody(body).notices, std::vector<std::string>{}) << body[0];
}

TEST(RateCheck, FiresJustOverTheLimitAndNotJustUnder) {
    // A 10 deg/s ramp from 1 s at 512 Hz, then a 30 deg/s ramp from 3 s at 256 Hz.
    Compiled under = CompileWithLimit(KnownBody, 30.01f);
    EXPECT_TRUE(under.ok);
    EXPECT_TRUE(under.notices.empty());

    Compiled over = CompileWithLimit(KnownBody, 29.99f);
    EXPECT_TRUE(over.ok);
    ASSERT_EQ(over.notices.size(), 1u);
    EXPECT_EQ(over.notices[0], "Steer rate limit exceeded at t=3.004 sec. (30.0 deg/s, limit 29.99 deg/s)");
    RateViolation first = FirstRateViolation(TestCompiler(), 29.99f);
    EXPECT_TRUE(first.found);
    EXPECT_EQ(first.time, 3.0f + 1.0f / 256);

    // The first violation in time, not the largest one.
    RateViolation early = FirstRateViolation(TestCompiler(), 9.99f);
    EXPECT_EQ(early.time, 1.0f + 1.0f / 512);
    EXPECT_NEAR(early.rate, 10.0f, 0.01f);
    EXPECT_FALSE(FirstRateViolation(TestCompiler(), 0).found);
    EXPECT_FALSE(FirstRateViolation(TestCompiler(), -5).found);
}

TEST(RateCheck, ComesAfterTheOtherNoticesAndOnlyOnSuccess) {
    Compiled ends = CompileWithLimit({"rampto(12.5 deg, 1 s)"}, 5);
    ASSERT_EQ(ends.notices.size(), 2u);
    EXPECT_EQ(ends.notices[0], "Program ends at nonzero steer angle (12.5 deg).");
    EXPECT_EQ(ends.notices[1].rfind("Steer rate limit exceeded at t=0.00", 0), 0u) << ends.notices[1];

    Compiled failed = CompileWithLimit({"rampto(12.5 deg, 1 s)", "stepto(500 deg)"}, 5);
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.notices.empty());
}

TEST(RateCheck, RatesBeyondTheFloatRangeAreStillNumbers) {
    // A sweep of +-3e38 degrees up to 3e38 Hz changes by more than 1e38 degrees a step at 1024 Hz.
    ASSERT_TRUE(CompileBody({"sinesweep(3e38 deg, 1 hz, 3e38 hz, 1 s)"}, true, "3e38").ok);
    const ProgramSummary summary = SummarizeProgram(TestCompiler());
    EXPECT_GT(summary.peakRate, 1e41);
    EXPECT_EQ(SummaryLines(summary)[4].find("inf"), std::string::npos) << SummaryLines(summary)[4];
    const RateViolation first = FirstRateViolation(TestCompiler(), 1000);
    EXPECT_GT(first.rate, 1e38);
    EXPECT_EQ(RateViolationNotice(first, 1000).find("inf"), std::string::npos);
}

TEST(RateCheck, ALimitOfZeroChangesNothing) {
    Compiled plain = CompileBody({"stepto(12.5 deg, 1 s)"});
    std::vector<std::string> plainLines = TestCompiler().messageLines;
    Compiled zero = CompileWithLimit({"stepto(12.5 deg, 1 s)"}, 0);
    EXPECT_EQ(zero.notices, plain.notices);
    EXPECT_EQ(TestCompiler().messageLines, plainLines);
}

} // namespace
