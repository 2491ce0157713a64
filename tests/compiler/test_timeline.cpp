// Timing pass, split, attribute pass and capacity check.
#include "compile_text.h"
#include "compiler/parse.h"
#include "compiler/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using Errors = std::vector<std::pair<int, std::string>>;

TEST(Timeline, EmptyProgramEndsAtTimeZeroAndReportsTheWholeStore) {
    ASSERT_TRUE(CompileBody({""}).ok);
    EXPECT_EQ(TestCompiler().endIndex, 0);
    for (int q : {0, 1, 8191, 16383}) {
        EXPECT_EQ(Step(q).ended, 1) << q;
        EXPECT_EQ(Step(q).rate, 1024) << q;
    }
    EXPECT_EQ(Step(16383).time, 16383.0f / 1024);
    EXPECT_FLOAT_EQ(Step(16383).time, 15.999023f);
    ASSERT_EQ(TestCompiler().messages.size(), 1u);
    EXPECT_EQ(TestCompiler().messages[0].code, 201);
    EXPECT_EQ(TestCompiler().messages[0].text, "15.999");
}

TEST(Timeline, StartTimesFollowTheProgramClock) {
    CompileBody({"wait(1 sec)", "setflag(2 bit, 50 %, 3 sec)", "stepto(10 deg, 0.5 sec)",
                 "sine(10 deg, 4 hz, 5 sec, 2 cycles)", "pulseflag(3 bit, 0 sec, 0.25 sec)",
                 "sinesweep(5 deg, 1 hz, 2 hz, 1 sec, 0.5 sec)", "setrate(512 hz)"});
    const auto &s = TestCompiler().statements; // the implicit SETRATE and STEPTO come first
    ASSERT_EQ(s.size(), 10u);
    EXPECT_EQ(s[3].startTime, 4.0f); // a delay counts from the running clock
    EXPECT_EQ(s[4].startTime, 1.0f); // and does not move it
    EXPECT_EQ(s[5].startTime, 1.5f);
    EXPECT_EQ(s[5].duration, 0.5f); // cycles supersede the time length
    EXPECT_EQ(s[6].startTime, 2.25f);
    EXPECT_EQ(s[7].startTime, 2.0f);
    EXPECT_EQ(s[8].startTime, 3.5f); // the sweep's second time is added
    EXPECT_EQ(s[9].startTime, 4.0f); // END waits for the latest delayed event
    EXPECT_EQ(Flag(StepAt(4) - 1, 2), 0);
    EXPECT_EQ(Flag(StepAt(4), 2), 50);
    EXPECT_EQ(TestCompiler().endIndex, StepAt(4));
}

TEST(Timeline, SplitOrdersEventsStablyAndStopsAtTheFirstTerminator) {
    CompileBody({"setflag(2 bit, 30 %, 1 sec)", "pulseflag(4 bit, 0 sec, 0.5 sec)", "wait(1 sec)",
                 "setflag(2 bit, 70 %)", "wait(1 sec)", "repeatprogram", "setflag(5 bit, 100 %)",
                 "wait(1 sec)"});
    // 0 SETRATE, 1 STEPTO, 2 SETFLAG@1, 3 PULSEFLAG@0.5, 4 WAIT, 5 SETFLAG@1, 6 WAIT, 7 REPEATPROGRAM@2
    EXPECT_EQ(TestCompiler().events, (std::vector<int>{0, 3, 2, 5, 7}));
    EXPECT_EQ(TestCompiler().segments, (std::vector<int>{1, 4, 6, 7}));
    EXPECT_EQ(Flag(1024, 2), 70); // equal times apply in program order
    EXPECT_EQ(Flag(16383, 5), 0); // nothing after the terminator takes effect
}

TEST(Timeline, EventsDueTogetherTakeEffectInProgramOrder) {
    struct FlagAt {
        int step, flag, percent;
    };
    struct Case {
        std::vector<std::string> body;
        std::vector<FlagAt> expected;
    };
    const Case cases[] = {
        {{"setflag(2 bit, 10 %, 1 sec)", "setflag(2 bit, 20 %, 0.5 sec)", "setflag(2 bit, 30 %, 1 sec)"},
         {{512, 2, 20}, {1023, 2, 20}, {1024, 2, 30}}},
        {{"setflag(2 bit, 30 %, 1 sec)", "setflag(2 bit, 10 %, 1 sec)"}, {{1024, 2, 10}}},
        {{"setflag(3 bit, 60 %)", "setflag(3 bit, 40 %, -0 sec)"}, {{0, 3, 40}}}, // -0 is due at 0
        {{"setflag(3 bit, 40 %, -0 sec)", "setflag(3 bit, 60 %)"}, {{0, 3, 60}}},
        {{"setflag(4 bit, 70 %, 0.5 sec)", "wait(1 sec)", "setflag(4 bit, 80 %, -0.5 sec)"}, {{512, 4, 80}}},
        // A held brake edge holds the events behind it, not those before it.
        {{"pulsebrake(0.5 sec, 1 sec)", "setflag(3 bit, 50 %, 1 sec)"},
         {{1024, 8, 0}, {1024, 3, 0}, {1025, 8, 100}, {1025, 3, 50}, {1536, 8, 0}}},
        {{"setflag(3 bit, 50 %, 1 sec)", "pulsebrake(0.5 sec, 1 sec)"},
         {{1024, 3, 50}, {1024, 8, 0}, {1025, 8, 100}}},
        // One brake pulse ends as the next begins: the off edge clears the hold, the next on edge is held.
        {{"pulsebrake(0.5 sec)", "pulsebrake(0.5 sec, 0.5 sec)"},
         {{0, 8, 0}, {1, 8, 100}, {512, 8, 0}, {513, 8, 100}, {1024, 8, 0}}},
        // A roll peak and a flag 1 setting at the same time: the later one sets the step.
        {{"waitforrollpeak(1 sec)", "setflag(1 bit, 50 %, 1 sec)"}, {{1024, 1, 50}, {1025, 1, 0}}},
        {{"setflag(1 bit, 50 %, 1 sec)", "waitforrollpeak(1 sec)"}, {{1024, 1, 100}, {1025, 1, 0}}},
        // Events due at END's time come before it.
        {{"wait(1 sec)", "setflag(2 bit, 50 %)"}, {{1024, 2, 50}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body.front());
        ASSERT_TRUE(CompileBody(c.body).ok);
        for (const FlagAt &e : c.expected)
            EXPECT_EQ(Flag(e.step, e.flag), e.percent) << "step " << e.step << ", flag " << e.flag;
    }
    CompileBody({"waitforrollpeak(1 sec)", "setflag(1 bit, 50 %, 1 sec)", "wait(2 sec)"});
    EXPECT_EQ(Step(1024).bit15, 1); // with END due later
    CompileBody({"setrate(256 hz, -1 sec)"}); // due before the implicit SETRATE(1024H) at 0
    EXPECT_EQ(Step(0).rate, 1024);
}

// Long programs of events with few distinct times: the event list is the one that inserting each
// event after every earlier-written event not due later gives.
TEST(Timeline, EventOrderOfLongProgramsWithManyTies) {
    static const char *const events[] = {
        "setflag(2 bit, 50 %, D sec)",    "pulseflag(3 bit, 0.25 sec, D sec)",
        "pulseflag(4 bit, 0 sec, D sec)", "pulsebrake(0.5 sec, D sec)",
        "waitforrollpeak(D sec)",         "setrate(512 hz, D sec)",
        "setcurrenthigh(D sec)",          "wait(0.25 sec)"};
    static const char *const delays[] = {"0", "-0", "0.5", "0.25", "-0.25", "1", "0.0009765625", "2"};
    std::mt19937 random(17);
    auto uniform = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    CompilerState &state = TestCompiler();
    for (int program = 0; program < 100; ++program) {
        std::vector<std::string> lines{"maxsteer(100 deg)", "begin"};
        for (int n = 0; n < 300; ++n) {
            // A REPEATPROGRAM ends about one program in four.
            std::string line =
                uniform(1000) == 0 ? "repeatprogram(D sec)" : events[uniform(std::size(events))];
            if (auto d = line.find('D'); d != std::string::npos)
                line.replace(d, 1, delays[uniform(std::size(delays))]);
            lines.push_back(line);
        }
        ParseProgram(state, lines);
        ASSERT_EQ(state.ErrorCount, 0);
        TimingPass(state);
        Split(state);
        std::vector<int> written = state.events;
        std::sort(written.begin(), written.end());
        std::vector<int> expected;
        for (int e : written) {
            const float time = state.statements[e].startTime;
            expected.insert(std::find_if(expected.begin(), expected.end(),
                                         [&](int x) { return time < state.statements[x].startTime; }),
                            e);
        }
        ASSERT_EQ(state.events, expected) << "program " << program;
    }
}

TEST(Timeline, RatesSwitchAtTheirStepAndTheTerminatorSetsItsOwn) {
    CompileBody({"setrate(256 hz)", "wait(1 sec)", "setrate(2048 hz)", "wait(1 sec)"});
    EXPECT_EQ(Step(0).rate, 256);
    EXPECT_EQ(Step(256).time, 1.0f);
    EXPECT_EQ(Step(256).rate, 2048);
    EXPECT_EQ(Step(2304).time, 2.0f);
    EXPECT_EQ(Step(2303).ended, 0);
    EXPECT_EQ(Step(2304).ended, 1);
    EXPECT_EQ(Step(2304).rate, 1024); // END
    EXPECT_EQ(TestCompiler().endIndex, 2304);

    CompileBody({"setrate(512 hz)", "wait(1 sec)", "repeatprogram(0.5 sec)", "wait(1 sec)"});
    EXPECT_EQ(Step(TestCompiler().endIndex).time, 1.5f);
    EXPECT_EQ(Step(TestCompiler().endIndex - 1).rate, 512);
    EXPECT_EQ(Step(16383).rate, 2048);
}

TEST(Timeline, PulsesLastOneStepAndOnlyRollPeaksOfCorvan3OnlySetBit15) {
    for (bool corvan3Only : {true, false}) {
        CompileBody({"waitforrollpeak", "wait(1 sec)", "waitforrollpeak", "pulseflag(3 bit)", "wait(1 sec)",
                     "setcurrenthigh", "setcurrentlow(0.5 sec)"},
                    corvan3Only);
        for (int flag : {1, 3}) {
            EXPECT_EQ(Flag(1023, flag), 0);
            EXPECT_EQ(Flag(1024, flag), 100);
            EXPECT_EQ(Flag(1025, flag), 0);
        }
        EXPECT_EQ(Step(1024).bit15, corvan3Only ? 1 : 0);
        EXPECT_EQ(Flag(0, 1), 100); // a roll peak on step 0 keeps only its flag
        int bits = 0;
        for (int q = 0; q < StepCount; ++q) bits += Step(q).bit15;
        EXPECT_EQ(bits, corvan3Only ? 1 : 0);
    }
}

TEST(Timeline, BrakePulseComesOnOneStepLateAndGoesOffOnTime) {
    ASSERT_TRUE(CompileBody({"wait(1 sec)", "waitforrollpeak", "pulsebrake(0.5 sec)", "wait(1 sec)"}).ok);
    EXPECT_EQ(Flag(1024, 8), 0);
    EXPECT_EQ(Flag(1025, 8), 100);
    EXPECT_EQ(Flag(1535, 8), 100);
    EXPECT_EQ(Flag(1536, 8), 0);
    EXPECT_EQ(Flag(1024, 1), 100);
    // The held brake edge also holds the events due behind it for that step.
    CompileBody({"wait(1 sec)", "pulsebrake(0.5 sec)", "waitforrollpeak", "wait(1 sec)"});
    EXPECT_EQ(Flag(1025, 1), 100);
    // The same pulse from PULSEFLAG is not delayed.
    CompileBody({"wait(1 sec)", "pulseflag(8 bit, 0.5 sec)", "wait(1 sec)"});
    EXPECT_EQ(Flag(1024, 8), 100);
}

TEST(Timeline, StatementsBeyondTheStoreRunOutOfSteps) {
    auto run = CompileBody({"wait(1 sec)", "setflag(2 bit, 100 %, 20 sec)"});
    EXPECT_EQ(run.errors, (Errors{{2, "15.999 seconds in SETFLAG function"}}));
    EXPECT_EQ(TestCompiler().messageLines[0], "Ran out of steps at t= 15.999 seconds in SETFLAG function");
    // A segment is named when its successor starts beyond the store.
    run = CompileBody({"setrate(256 hz)", "wait(70 sec)", "stepto(10 deg)"});
    EXPECT_EQ(run.errors, (Errors{{2, "63.996 seconds in WAIT function"}}));
    // The terminator itself is never compared: a program that ends on the last step fits.
    EXPECT_TRUE(CompileBody({"wait(15.9990234375 sec)"}).ok);
}

TEST(Timeline, RepeatedCompilesAreIdentical) {
    const std::vector<std::string> body{"stepto(10 deg, 1 sec)", "sine(5 deg, 2 hz, 3 cycles)",
                                        "pulsebrake(1 sec)", "waitforrollpeak", "repeatprogram"};
    ASSERT_TRUE(CompileBody(body).ok);
    std::vector<StepRecord> before(StepCount);
    for (int q = 0; q < StepCount; ++q) before[q] = Step(q);
    auto messages = TestCompiler().messageLines;
    ASSERT_TRUE(CompileBody(body).ok);
    EXPECT_EQ(TestCompiler().messageLines, messages);
    for (int q = 0; q < StepCount; ++q)
        ASSERT_EQ(std::memcmp(&before[q], &Step(q), sizeof(StepRecord)), 0) << q;
}
