// Timing pass, split, attribute pass and capacity check.
#include "program_builder.h"

#include <gtest/gtest.h>

using namespace build;

namespace {

StepStore &Steps() { return Compiler().steps; }

int Flag(int q, int flag) { return Steps()[q].flags[flag - 1]; }

} // namespace

TEST(Timeline, EmptyProgramEndsAtTimeZeroAndFillsTheStore) {
    ASSERT_TRUE(RunPhases({}).ok);
    EXPECT_EQ(Compiler().endIndex, 0);
    for (int q : {0, 1, 8191, 16383}) {
        EXPECT_EQ(Steps()[q].ended, 1) << q;
        EXPECT_EQ(Steps()[q].rate, 1024) << q;
        EXPECT_EQ(Steps()[q].steer, 0.0f) << q;
    }
    EXPECT_EQ(Steps()[16383].time, 16383.0f / 1024);
    EXPECT_FLOAT_EQ(Steps()[16383].time, 15.999023f);
    EXPECT_EQ(Compiler().stepSlewRate, 4000000.0f);
}

TEST(Timeline, StartTimesFollowTheProgramClock) {
    auto sine = Wave(StatementKind::Sine, 10, 4, 5, 2); // cycles supersede the time length: 0.5 s
    RunPhases({Wait(1), SetFlag(2, 50, 3), StepTo(10, 0.5f), sine, Pulse(3, 0.25f),
               Sweep(StatementKind::SineSweep, 5, 1, 2, 1, 0.5f), SetRate(512), End()});
    const auto &s = Compiler().statements; // SETRATE, STEPTO, then the body
    EXPECT_EQ(s[3].startTime, 4.0f);       // the delay counts from the running clock
    EXPECT_EQ(s[4].startTime, 1.0f);       // and does not move it
    EXPECT_EQ(s[5].startTime, 1.5f);
    EXPECT_EQ(s[5].duration, 0.5f);
    EXPECT_EQ(s[6].startTime, 2.25f);
    EXPECT_EQ(s[7].startTime, 2.0f);
    EXPECT_EQ(s[8].startTime, 3.5f); // the sweep's second time is added
    EXPECT_EQ(s[9].startTime, 4.0f); // END waits for the latest delayed event
}

TEST(Timeline, SplitOrdersEventsStablyAndStopsAtTheFirstTerminator) {
    RunPhases({SetFlag(2, 30, 1), Wait(1), SetFlag(2, 70), Pulse(4, -0.5f), Wait(1), RepeatProgram(),
               SetFlag(5, 100), Wait(1), End()});
    // statements: 0 SETRATE, 1 STEPTO, 2 SETFLAG@1, 3 WAIT, 4 SETFLAG@1, 5 PULSE@0.5, 6 WAIT, 7 REPEAT@2, ...
    EXPECT_EQ(Compiler().events, (std::vector<int>{0, 5, 2, 4, 7}));
    EXPECT_EQ(Compiler().segments, (std::vector<int>{1, 3, 6, 7}));
    EXPECT_EQ(Flag(StepAt(1.0f), 2), 70); // equal times apply in program order
}

TEST(Timeline, SetRateAtTimeZeroAlreadyRatesStepZero) {
    RunPhases({SetRate(256), Wait(1), SetRate(2048), Wait(1)});
    EXPECT_EQ(Steps()[0].rate, 256);
    EXPECT_EQ(Steps()[255].rate, 256);
    EXPECT_EQ(Steps()[256].time, 1.0f);
    EXPECT_EQ(Steps()[256].rate, 2048);
    EXPECT_EQ(Steps()[256 + 2048].time, 2.0f);
    EXPECT_EQ(Steps()[256 + 2048].rate, 1024); // END
    EXPECT_EQ(Compiler().endIndex, 256 + 2048);
    EXPECT_EQ(Steps()[256 + 2047].ended, 0);
    EXPECT_EQ(Steps()[256 + 2048].ended, 1);
}

TEST(Timeline, DelayedSetFlagChangesAtTheFirstStepAtItsTime) {
    RunPhases({Wait(1), SetFlag(3, 40, 3), Wait(0.5f)});
    EXPECT_EQ(Flag(4095, 3), 0);
    EXPECT_EQ(Steps()[4096].time, 4.0f);
    EXPECT_EQ(Flag(4096, 3), 40);
    EXPECT_EQ(Flag(16383, 3), 40);
    EXPECT_EQ(Compiler().endIndex, 4096);
}

TEST(Timeline, PulseLastsExactlyOneStep) {
    RunPhases({Wait(1), Pulse(3), Wait(1)});
    EXPECT_EQ(Flag(1023, 3), 0);
    EXPECT_EQ(Flag(1024, 3), 100);
    EXPECT_EQ(Flag(1025, 3), 0);
    for (int q = 0; q < StepCount; ++q) EXPECT_EQ(Steps()[q].bit15, 0) << q; // flag 3 is no roll peak
}

TEST(Timeline, RollPeakSetsBit15OnlyForCorvan3Only) {
    for (bool corvan3Only : {true, false}) {
        RunPhases({Pulse(1, 0, "WAITFORROLLPEAK"), Wait(1), Pulse(1, 0, "WAITFORROLLPEAK"), Wait(1)},
                  corvan3Only);
        EXPECT_EQ(Flag(1024, 1), 100);
        EXPECT_EQ(Steps()[1024].bit15, corvan3Only ? 1 : 0);
        EXPECT_EQ(Steps()[1025].bit15, 0);
        EXPECT_EQ(Flag(0, 1), 100); // a roll peak on step 0 keeps only its flag
        EXPECT_EQ(Steps()[0].bit15, 0);
    }
}

TEST(Timeline, BrakePulseComesOnOneStepLateAndGoesOffOnTime) {
    auto body = LongPulse(8, 0.5f, 0, "PULSEBRAKE");
    body.insert(body.begin(), Wait(1));
    body.push_back(Wait(1));
    RunPhases(body);
    EXPECT_EQ(Flag(1024, 8), 0);
    EXPECT_EQ(Flag(1025, 8), 100);
    EXPECT_EQ(Flag(1535, 8), 100);
    EXPECT_EQ(Flag(1536, 8), 0);
    // The same pulse from PULSEFLAG is not delayed.
    body[1].name = body[2].name = "PULSEFLAG";
    RunPhases(body);
    EXPECT_EQ(Flag(1024, 8), 100);
}

TEST(Timeline, RepeatProgramEndsAndRunsAt2048FromItsTime) {
    RunPhases({SetRate(512), Wait(1), RepeatProgram(0.5f), SetFlag(2, 100), Wait(1), End()});
    const int q = Compiler().endIndex;
    EXPECT_EQ(Steps()[q].time, 1.5f);
    EXPECT_EQ(Steps()[q - 1].ended, 0);
    EXPECT_EQ(Steps()[q - 1].rate, 512);
    EXPECT_EQ(Steps()[q].ended, 1);
    EXPECT_EQ(Steps()[16383].rate, 2048);
    EXPECT_EQ(Steps()[16383].ended, 1);
    EXPECT_EQ(Flag(16383, 2), 0);
}

TEST(Timeline, CurrentStatementsChangeNoStep) {
    auto high = Make(StatementKind::SetCurrentHigh, "SETCURRENTHIGH");
    auto low = Make(StatementKind::SetCurrentLow, "SETCURRENTLOW");
    low.duration = 0.5f;
    RunPhases({high, Wait(1), low});
    for (int q = 0; q < StepCount; q += 97) {
        EXPECT_EQ(Steps()[q].bit15, 0);
        EXPECT_EQ(Steps()[q].flags, (std::array<std::uint8_t, 8>{}));
    }
}

TEST(Timeline, EventBeyondTheStoreRunsOutOfSteps) {
    auto run = RunPhases({Wait(1), SetFlag(2, 100, 20)});
    ASSERT_FALSE(run.ok);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].code, 2);
    EXPECT_EQ(run.messages[0].line, 0);
    EXPECT_EQ(run.messages[0].text, "15.999 seconds in SETFLAG function");
}

TEST(Timeline, SegmentBeyondTheStoreNamesTheSegmentBeforeIt) {
    auto run = RunPhases({SetRate(256), Wait(70), StepTo(10)});
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].text, "63.996 seconds in WAIT function");
    // The terminator itself is never compared: a program that ends exactly on the last step fits.
    EXPECT_TRUE(RunPhases({Wait(16383.0f / 1024)}).ok);
}
