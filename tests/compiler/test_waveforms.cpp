// The steer pass and its waveform generators.
#include "compile_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using Errors = std::vector<std::pair<int, std::string>>;

namespace {

// Sign changes of the steer on the steps with from <= time < to.
int Crossings(float from, float to) {
    int count = 0, previous = 0;
    for (int q = StepAt(from); q < StepCount && Step(q).time < to; ++q) {
        const int sign = Steer(q) > 0 ? 1 : Steer(q) < 0 ? -1 : 0;
        if (sign != 0 && previous != 0 && sign != previous) ++count;
        if (sign != 0) previous = sign;
    }
    return count;
}

bool EveryStepFinite() {
    for (int q = 0; q < StepCount; ++q)
        if (!std::isfinite(Steer(q))) return false;
    return true;
}

} // namespace

TEST(SteerPass, ZeroLengthStepToReachesItsTargetOnTheNextStep) {
    auto run = CompileBody({"wait(1 sec)", "stepto(50 deg)", "wait(1 sec)", "stepto(0 deg)"});
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(Steer(1024), 0.0f); // t = 1.0 belongs to the WAIT
    EXPECT_EQ(Steer(1025), 50.0f);
    EXPECT_EQ(Steer(2048), 50.0f); // the next WAIT starts at the same time and holds 50
    EXPECT_EQ(Steer(2049), 0.0f);
    EXPECT_TRUE(run.notices.empty());
}

TEST(SteerPass, ZeroLengthStepToOnTheLastButOneStepStopsAtTheStoreEnd) {
    ASSERT_TRUE(CompileBody({"wait(15.998046875 sec)", "stepto(50 deg)"}).ok);
    EXPECT_EQ(Steer(16382), 0.0f);
    EXPECT_EQ(Steer(16383), 50.0f);
    EXPECT_EQ(Steer(0), 0.0f);
}

TEST(SteerPass, RampReachesHalfAtHalfTimeAndHoldsItsEnd) {
    auto run = CompileBody({"wait(1 sec)", "rampto(10 deg, 1 sec)"});
    EXPECT_EQ(Steer(1024), 0.0f);
    EXPECT_EQ(Steer(1536), 5.0f);
    EXPECT_EQ(Steer(2048), 10.0f);
    EXPECT_EQ(Steer(16383), 10.0f); // the held value fills the store after END
    EXPECT_EQ(run.notices, std::vector<std::string>{"Program ends at nonzero steer angle (10.0 deg)."});

    CompileBody({"stepto(20 deg)", "rampup(-30 deg, 2 sec)"});
    EXPECT_EQ(Steer(1024), 5.0f);
    EXPECT_EQ(Steer(16383), -10.0f);
}

TEST(SteerPass, SineStartsAtTheHeldValueAndRisesFirst) {
    ASSERT_TRUE(CompileBody({"stepto(5 deg)", "wait(1 sec)", "sine(10 deg, 1 hz, 2 cycles)"}).ok);
    EXPECT_EQ(TestCompiler().statements[4].duration, 2.0f);
    EXPECT_EQ(Steer(1024), 5.0f);
    EXPECT_GT(Steer(1025), 5.0f);
    EXPECT_EQ(Steer(1280), 15.0f); // a quarter period
    EXPECT_NEAR(Steer(1792), -5.0f, 1e-5);
    EXPECT_NEAR(Steer(16383), 5.0f, 1e-5); // the curve's value at exactly 2 s
}

TEST(SteerPass, SquareIsZeroOnlyAtItsHalfPeriods) {
    auto run = CompileBody({"wait(1 sec)", "square(10 deg, 1 hz, 1 sec)"});
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
    ASSERT_TRUE(CompileBody({"wait(1 sec)", "triangle(10 deg, 1 hz, 1 sec)"}).ok);
    EXPECT_EQ(Steer(1280), 10.0f);
    EXPECT_EQ(Steer(1408), 5.0f);
    EXPECT_EQ(Steer(1536), 0.0f);
    EXPECT_EQ(Steer(1792), -10.0f);
    EXPECT_EQ(Steer(2048), 0.0f);
}

TEST(SteerPass, SweepsRiseThenFallUnlessTheSecondTimeIsZero) {
    CompileBody({"wait(1 sec)", "sinesweep(10 deg, 10 hz, 1 hz, 4 sec)"}); // starts at the lower frequency
    EXPECT_GT(Steer(1025), 0.0f);
    const int first = Crossings(1, 2), middle = Crossings(2.5f, 3.5f), last = Crossings(4, 5);
    EXPECT_GT(middle, first + 6);
    EXPECT_NEAR(first, last, 1);

    CompileBody({"sinesweep(10 deg, 1 hz, 16 hz, 4 sec, 0 sec)"});
    const int linear = Crossings(0, 1);
    EXPECT_GT(Crossings(3, 4), 3 * linear);
    CompileBody({"sinesweeplog(10 deg, 1 hz, 16 hz, 4 sec, 0 sec)"});
    const int logarithmic = Crossings(0, 1); // 1 to 2 Hz
    EXPECT_LT(logarithmic, linear);
    EXPECT_GE(logarithmic, 2);
    EXPECT_LE(logarithmic, 4);
    EXPECT_GE(Crossings(3, 4), 20); // 8 to 16 Hz
}

TEST(SteerPass, OutOfRangeMovesAreError26AndHoldTheValue) {
    EXPECT_EQ(CompileBody({"stepup(60 deg)", "wait(1 sec)", "stepup(60 deg)", "wait(1 sec)"}).errors,
              (Errors{{26, "stepup"}}));
    EXPECT_EQ(Steer(StepAt(1.5f)), 60.0f);
    EXPECT_EQ(Steer(16383), 60.0f);
    EXPECT_EQ(CompileBody({"stepto(60 deg)", "rampup(50 deg, 1 sec)", "wait(1 sec)"}).errors,
              (Errors{{26, "rampup"}}));
    EXPECT_EQ(Steer(StepAt(0.5f)), 60.0f);

    // The periodic waves stop at their first error.
    EXPECT_EQ(CompileBody({"sine(150 deg, 1 hz, 1 sec)"}).errors, (Errors{{26, "sine"}}));
    EXPECT_EQ(CompileBody({"square(150 deg, 1 hz, 1 sec)"}).errors, (Errors{{26, "square"}}));
    EXPECT_EQ(CompileBody({"triangle(150 deg, 1 hz, 1 sec)"}).errors, (Errors{{26, "triang"}}));

    // The sweeps report once each and go on generating.
    EXPECT_EQ(
        CompileBody({"sinesweep(150 deg, 1 hz, 5 hz, 1 sec)", "sinesweeplog(150 deg, 1 hz, 5 hz, 1 sec)"})
            .errors,
        (Errors{{26, "sinesweep"}, {26, "sinesweeplog"}}));
    EXPECT_NE(Steer(StepAt(1.5f)), Steer(StepAt(1.6f)));
}

TEST(SteerPass, PeriodicWaveEndingOffscaleIsError26) {
    // Shorter than one step, each wave writes no step, but ends at +45 degrees, which the wait
    // would hold (and the encoder turn into a wrong rate code) with a limit of 15.
    struct Case {
        const char *function, *text;
    } cases[] = {{"sine", "sine"}, {"square", "square"}, {"triangle", "triang"}};
    for (const auto &c : cases) {
        const std::string wave = std::string(c.function) + "(45 deg, 3888888 hz, 20.25 cycles)";
        const Compiled compiled = CompileBody({wave, "wait(1 sec)"}, true, "15");
        EXPECT_FALSE(compiled.ok) << c.function;
        EXPECT_EQ(compiled.errors, (Errors{{26, c.text}})) << c.function;
        EXPECT_TRUE(CompileBody({wave, "wait(1 sec)"}, true, "45").ok) << c.function;
        // Once an error was raised, the held value is no longer checked.
        EXPECT_EQ(CompileBody({"stepup(20 deg)", wave, "wait(1 sec)"}, true, "15").errors,
                  (Errors{{26, "stepup"}}))
            << c.function;
    }
}

TEST(SteerPass, FailedStepUpWritesNoStepAndLeavesTheCursor) {
    // The held value fills its segment, and the STEPTO after it moves on the step after its start.
    struct Case {
        const char *stepUp;
        float next; // start of the STEPTO, seconds
    } cases[] = {{"stepup(60 deg)", 1.0f}, {"stepup(60 deg, 0.5 sec)", 1.5f}};
    for (const Case &c : cases) {
        const Compiled compiled = CompileBody({"stepto(60 deg)", "wait(1 sec)", c.stepUp, "stepto(-20 deg)"});
        EXPECT_EQ(compiled.errors, (Errors{{26, "stepup"}})) << c.stepUp;
        EXPECT_EQ(Steer(StepAt(c.next)), 60.0f) << c.stepUp;
        EXPECT_EQ(Steer(StepAt(c.next) + 1), -20.0f) << c.stepUp;
    }
}

TEST(SteerPass, SteerThatIsNotAFiniteNumberIsOffscale) {
    struct Case {
        std::vector<std::string> body;
        const char *maxSteer;
        Errors errors;
    } cases[] = {
        // A period beyond the float range: the triangle shape is not a number, in the steps, in the
        // start shifted by a phase and in the end of a wave shorter than a step.
        {{"triangle(10 deg, 1e-45 hz, 1 s)", "stepto(20 deg)", "rampto(30 deg, 1 s)"},
         "100",
         {{26, "triang"}}},
        {{"triangle(10 deg, 1e-45 hz, 1 s, 90 deg)"}, "100", {{26, "triang"}}},
        {{"triangle(10 deg, 1e-45 hz, 0.000001 s)", "wait(1 s)"}, "100", {{26, "triang"}}},
        {{"square(10 deg, 1e-45 hz, 1 s)", "stepup(5 deg)"}, "100", {{26, "square"}}},
        {{"square(10 deg, 1e-45 hz, 1 s, 90 deg)"}, "100", {{26, "square"}}},
        // Sums beyond the float range are infinite.
        {{"rampto(3e38 deg, 1 s)", "sine(3e38 deg, 1 hz, 1 s, -90 deg)"}, "3e38", {{26, "sine"}}},
        {{"rampto(3e38 deg, 1 s)", "sinesweep(3e38 deg, 1 hz, 2 hz, 1 s)"}, "3e38", {{26, "sinesweep"}}},
        {{"rampto(3e38 deg, 1 s)", "sinesweeplog(3e38 deg, 1 hz, 2 hz, 1 s)"},
         "3e38",
         {{26, "sinesweeplog"}}},
        {{"rampto(3e38 deg, 1 s)", "rampto(-3e38 deg, 1 s)"}, "3e38", {{26, "rampup"}}},
        // A ramp too short for its slope to be a float reaches its end on its first step.
        {{"rampto(10 deg, 1e-45 s)", "wait(1 s)"}, "100", {}},
    };
    for (const Case &c : cases) {
        const Compiled compiled = CompileBody(c.body, true, c.maxSteer);
        EXPECT_EQ(compiled.errors, c.errors) << c.body[0];
        EXPECT_TRUE(EveryStepFinite()) << c.body[0];
        for (const std::string &notice : compiled.notices)
            EXPECT_TRUE(notice.find("nan") == std::string::npos && notice.find("inf") == std::string::npos)
                << notice;
    }
    EXPECT_EQ(Steer(StepAt(0.5f)), 10.0f);
}

TEST(SteerPass, PeriodicWaveMustFirstMovePositive) {
    struct Case {
        const char *function, *text;
    } cases[] = {{"sine", "Sine"}, {"square", "Square"}, {"triangle", "triangle"}};
    for (const auto &c : cases) {
        const std::string inverted = std::string(c.function) + "(10 deg, 1 hz, 1 sec, 180 deg)";
        const std::string upright = std::string(c.function) + "(10 deg, 1 hz, 1 sec)";
        EXPECT_EQ(CompileBody({"wait(1 sec)", inverted}).errors, (Errors{{41, c.text}}));
        EXPECT_TRUE(CompileBody({"stepto(20 deg)", inverted}).ok) << c.text;
        EXPECT_TRUE(CompileBody({upright, inverted}).ok) << c.text;
    }
}
