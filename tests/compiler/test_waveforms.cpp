// The steer pass and its waveform generators.
#include "program_builder.h"

#include "compiler/compile.h"

#include <gtest/gtest.h>

using namespace build;

namespace {

float Steer(int q) { return Compiler().steps[q].steer; }

// Sign changes of the steer around `around` on the steps with from <= time < to.
int Crossings(float from, float to, float around = 0) {
    int count = 0;
    int previous = 0;
    for (int q = StepAt(from); q < StepCount && Compiler().steps[q].time < to; ++q) {
        int sign = Steer(q) > around ? 1 : Steer(q) < around ? -1 : 0;
        if (sign != 0 && previous != 0 && sign != previous) ++count;
        if (sign != 0) previous = sign;
    }
    return count;
}

std::vector<std::pair<int, std::string>> Errors(const Run &run) {
    std::vector<std::pair<int, std::string>> errors;
    for (const auto &m : run.messages) {
        EXPECT_EQ(m.line, 0);
        errors.emplace_back(m.code, m.text);
    }
    return errors;
}

} // namespace

TEST(SteerPass, ZeroLengthStepToReachesItsTargetOnTheNextStep) {
    auto run = RunPhases({Wait(1), StepTo(50), Wait(1), StepTo(0)});
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(Steer(1024), 0.0f); // t = 1.0 belongs to the WAIT
    EXPECT_EQ(Steer(1025), 50.0f);
    EXPECT_EQ(Steer(2048), 50.0f); // the next WAIT starts at the same time and holds 50
    EXPECT_EQ(Steer(2049), 0.0f);
    EXPECT_TRUE(run.notices.empty());
}

TEST(SteerPass, ZeroLengthStepToOnTheLastButOneStepStopsAtTheStoreEnd) {
    Compiler().steps[0].steer = 0;
    auto run = RunPhases({Wait(16382.0f / 1024), StepTo(50)});
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(Steer(16382), 0.0f);
    EXPECT_EQ(Steer(16383), 50.0f);
    EXPECT_EQ(Steer(0), 0.0f);
}

TEST(SteerPass, RampReachesHalfAtHalfTimeAndHoldsItsEnd) {
    auto run = RunPhases({Wait(1), RampTo(10, 1)});
    EXPECT_EQ(Steer(1024), 0.0f);
    EXPECT_EQ(Steer(1536), 5.0f);
    EXPECT_EQ(Steer(2048), 10.0f);
    EXPECT_EQ(Steer(16383), 10.0f); // the held value fills the store after END
    EXPECT_EQ(run.notices, std::vector<std::string>{"Program ends at nonzero steer angle (10.0 deg)."});

    RunPhases({StepTo(20), RampUp(-30, 2)});
    EXPECT_EQ(Steer(StepAt(1)), 5.0f);
    EXPECT_EQ(Steer(16383), -10.0f);
}

TEST(SteerPass, SineStartsAtTheHeldValueAndRisesFirst) {
    auto run = RunPhases({StepTo(5), Wait(1), Wave(StatementKind::Sine, 10, 1, 0, 2)});
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(Compiler().statements[4].duration, 2.0f);
    EXPECT_EQ(Steer(1024), 5.0f);
    EXPECT_GT(Steer(1025), 5.0f);
    EXPECT_EQ(Steer(1280), 15.0f); // a quarter period
    EXPECT_NEAR(Steer(1792), -5.0f, 1e-5);
    EXPECT_NEAR(Steer(16383), 5.0f, 1e-5); // the curve's value at exactly 2 s
    EXPECT_EQ(run.notices.size(), 1u);
}

TEST(SteerPass, SquareIsZeroOnlyAtItsHalfPeriods) {
    auto run = RunPhases({Wait(1), Wave(StatementKind::Square, 10, 1, 1)});
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(Steer(1024), 0.0f);
    for (int q = 1025; q < 1536; ++q) ASSERT_EQ(Steer(q), 10.0f) << q;
    EXPECT_EQ(Steer(1536), 0.0f);
    for (int q = 1537; q < 2048; ++q) ASSERT_EQ(Steer(q), -10.0f) << q;
    EXPECT_EQ(Steer(2048), 0.0f);
    EXPECT_EQ(Steer(16383), 0.0f);
    EXPECT_TRUE(run.notices.empty());
}

TEST(SteerPass, TriangleRisesToItsAmplitudeAtAQuarterPeriod) {
    ASSERT_TRUE(RunPhases({Wait(1), Wave(StatementKind::Triangle, 10, 1, 1)}).ok);
    EXPECT_EQ(Steer(1280), 10.0f);
    EXPECT_EQ(Steer(1536), 0.0f);
    EXPECT_EQ(Steer(1792), -10.0f);
    EXPECT_EQ(Steer(1408), 5.0f);
    EXPECT_EQ(Steer(2048), 0.0f);
}

TEST(SteerPass, LinearSweepRisesThenFallsUnlessTheSecondTimeIsZero) {
    RunPhases({Wait(1), Sweep(StatementKind::SineSweep, 10, 10, 1, 4)}); // starts at the lower frequency
    const int first = Crossings(1, 2), middle = Crossings(2.5f, 3.5f), last = Crossings(4, 5);
    EXPECT_GT(middle, first + 6);
    EXPECT_NEAR(first, last, 1);

    RunPhases({Wait(1), Sweep(StatementKind::SineSweep, 10, 1, 10, 4, 0)});
    EXPECT_GT(Crossings(4, 5), 3 * Crossings(1, 2));
    EXPECT_EQ(Steer(1024), 0.0f);
    EXPECT_GT(Steer(1025), 0.0f);
}

TEST(SteerPass, LogSweepSpendsLongerAtLowFrequencies) {
    RunPhases({Sweep(StatementKind::SineSweep, 10, 1, 16, 4, 0)});
    const int linear = Crossings(0, 1);
    RunPhases({Sweep(StatementKind::SineSweepLog, 10, 1, 16, 4, 0)});
    const int logarithmic = Crossings(0, 1); // 1 to 2 Hz
    EXPECT_LT(logarithmic, linear);
    EXPECT_GE(logarithmic, 2);
    EXPECT_LE(logarithmic, 4);
    EXPECT_GE(Crossings(3, 4), 20); // 8 to 16 Hz
}

TEST(SteerPass, OutOfRangeMovesAreError26AndHoldTheValue) {
    using Errs = std::vector<std::pair<int, std::string>>;
    auto run = RunPhases({StepUp(60), Wait(1), StepUp(60), Wait(1)});
    EXPECT_EQ(Errors(run), (Errs{{26, "stepup"}}));
    EXPECT_EQ(Steer(StepAt(1.5f)), 60.0f);
    EXPECT_EQ(Steer(16383), 60.0f);

    run = RunPhases({StepTo(60), RampUp(50, 1), Wait(1)});
    EXPECT_EQ(Errors(run), (Errs{{26, "rampup"}}));
    EXPECT_EQ(Steer(StepAt(0.5f)), 60.0f);

    run = RunPhases({Wave(StatementKind::Sine, 150, 1, 1)});
    EXPECT_EQ(Errors(run), (Errs{{26, "sine"}})); // the sine stops at the first error
    run = RunPhases({Wave(StatementKind::Square, 150, 1, 1)});
    EXPECT_EQ(Errors(run), (Errs{{26, "square"}}));
    run = RunPhases({Wave(StatementKind::Triangle, 150, 1, 1)});
    EXPECT_EQ(Errors(run), (Errs{{26, "triang"}}));

    run = RunPhases(
        {Sweep(StatementKind::SineSweep, 150, 1, 5, 1), Sweep(StatementKind::SineSweepLog, 150, 1, 5, 1)});
    EXPECT_EQ(Errors(run), (Errs{{26, "sinesweep"}, {26, "sinesweeplog"}})); // once per sweep
    EXPECT_NE(Steer(StepAt(1.5f)), Steer(StepAt(1.6f)));                     // the sweep goes on generating
}

TEST(SteerPass, PeriodicWaveMustFirstMovePositive) {
    using Errs = std::vector<std::pair<int, std::string>>;
    struct Case {
        StatementKind kind;
        const char *text;
    } cases[] = {{StatementKind::Sine, "Sine"},
                 {StatementKind::Square, "Square"},
                 {StatementKind::Triangle, "triangle"}};
    for (const auto &c : cases) {
        EXPECT_EQ(Errors(RunPhases({Wait(1), Wave(c.kind, 10, 1, 1, 0, 180)})), (Errs{{41, c.text}}));
        EXPECT_TRUE(RunPhases({StepTo(20), Wave(c.kind, 10, 1, 1, 0, 180)}).ok) << c.text;
        EXPECT_TRUE(RunPhases({Wave(c.kind, 10, 1, 1), Wave(c.kind, 10, 1, 1, 0, 180)}).ok) << c.text;
    }
}

TEST(CompileWaveforms, ShapesFromText) {
    const CompileOptions quiet{true, nullptr};
    ASSERT_TRUE(CompileProgram({"maxsteer(100 deg)", "begin", "wait(1 sec)", "square(10 deg, 1 hz, 1 sec)",
                                "rampto(10 deg, 1 sec)", "stepto(0 deg)", "end"},
                               quiet));
    EXPECT_EQ(Steer(1535), 10.0f);
    EXPECT_EQ(Steer(1536), 0.0f);
    EXPECT_EQ(Steer(1537), -10.0f);
    EXPECT_EQ(Steer(2048), 0.0f);
    EXPECT_EQ(Steer(2560), 5.0f);
    EXPECT_EQ(Steer(3072), 10.0f);
    EXPECT_EQ(Steer(3073), 0.0f);

    EXPECT_FALSE(
        CompileProgram({"maxsteer(10 deg)", "begin", "sinesweep(20 deg, 1 hz, 5 hz, 2 sec)", "end"}, quiet));
    EXPECT_NE(Compiler().messageLines[0].find("sinesweep"), std::string::npos);
    EXPECT_EQ(Compiler().ErrorCount, 1);
}
