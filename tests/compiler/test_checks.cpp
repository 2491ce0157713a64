// The high-current duty check and the end-angle and recycle-step notices.
#include "program_builder.h"

#include <gtest/gtest.h>

using namespace build;

namespace {

// Fills the store with a constant rate and bit15 set on the steps [first, last].
void FillStore(int rate, int first, int last) {
    StepStore &steps = Compiler().steps;
    float t = 0;
    for (int q = 0; q < StepCount; ++q) {
        steps[q] = StepRecord{};
        steps[q].time = t;
        steps[q].rate = static_cast<std::uint16_t>(rate);
        steps[q].bit15 = q >= first && q <= last;
        t = static_cast<float>(t + 1.0L / rate);
    }
}

std::vector<std::string> RunDutyCheck() {
    std::vector<std::string> notices;
    Compiler().options.notice = [&](const std::string &text) { notices.push_back(text); };
    DutyCheck();
    Compiler().options.notice = nullptr;
    return notices;
}

int Bit15(int q) { return Compiler().steps[q].bit15; }

} // namespace

TEST(DutyCheck, NoBit15ChangesNothing) {
    FillStore(1024, 1, 0);
    EXPECT_TRUE(RunDutyCheck().empty());
}

TEST(DutyCheck, OnTimeBelowTheLimitIsKept) {
    FillStore(1024, 1000, 1000 + 5118); // 4.999 s
    EXPECT_TRUE(RunDutyCheck().empty());
    for (int q = 1000; q < 1000 + 5119; ++q) ASSERT_EQ(Bit15(q), 1) << q;
}

TEST(DutyCheck, CutsTheStepReachingFiveSecondsAndWarnsOnce) {
    FillStore(1024, 1000, 8000);
    auto notices = RunDutyCheck();
    EXPECT_EQ(Bit15(6118), 1);
    EXPECT_EQ(Bit15(6119), 0); // its on-time would bring the window to 5.0 s
    for (int q = 6119; q <= 8000; ++q) ASSERT_EQ(Bit15(q), 0) << q;
    ASSERT_EQ(notices.size(), 1u);
    // named by the time of the step after the first cut one: 6120 / 1024 = 5.977
    EXPECT_EQ(notices[0],
              "High current rules violation at t=5.98 sec. (All violations automatically cut out)");
}

TEST(DutyCheck, KeepsEveryWindowBelowFiveSecondsAndRecoversAfterACut) {
    FillStore(256, 1, 16382); // 64 s of continuous high current
    auto notices = RunDutyCheck();
    EXPECT_EQ(notices.size(), 1u);
    const StepStore &steps = Compiler().steps;
    int cut = 0, keptAfterCut = 0;
    for (int k = 0; k + 1 < StepCount; ++k) {
        if (!steps[k].bit15) {
            cut += k >= 1;
            continue;
        }
        keptAfterCut += cut > 0;
        double window = 0; // kept on-time within 15 s before the following step
        for (int j = k; j >= 0 && steps[k + 1].time - steps[j].time <= 15.0; --j)
            window += steps[j].bit15 / 256.0;
        ASSERT_LT(window, 5.0) << k;
    }
    EXPECT_GT(cut, 0);
    EXPECT_GT(keptAfterCut, 0); // the limit came back after the window moved on
}

TEST(AngleNotices, EndAngleAboveOneDegree) {
    struct Case {
        float held;
        const char *notice;
    } cases[] = {{1.0f, nullptr},
                 {-1.0f, nullptr},
                 {12.5f, "Program ends at nonzero steer angle (12.5 deg)."},
                 {-3.5f, "Program ends at nonzero steer angle (-3.5 deg)."}};
    for (const auto &c : cases) {
        std::vector<std::string> notices;
        Compiler().options.notice = [&](const std::string &text) { notices.push_back(text); };
        EndAngleWarning(c.held);
        EXPECT_EQ(notices, c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{})
            << c.held;
    }
    Compiler().options.notice = nullptr;
}

TEST(AngleNotices, RecycleStepAboveFiveDegrees) {
    struct Case {
        float held;
        const char *notice;
    } cases[] = {{5.0f, nullptr},
                 {10.0f, "There is a -10.0 degree step when program recycles."},
                 {-7.25f, "There is a 7.2 degree step when program recycles."}};
    for (const auto &c : cases) {
        std::vector<std::string> notices;
        Compiler().options.notice = [&](const std::string &text) { notices.push_back(text); };
        RecycleStepWarning(c.held);
        EXPECT_EQ(notices, c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{})
            << c.held;
    }
    Compiler().options.notice = nullptr;
}

TEST(AngleNotices, SteerPassRaisesThemAtItsTerminator) {
    EXPECT_EQ(RunPhases({StepTo(12.5f), Wait(1)}).notices,
              std::vector<std::string>{"Program ends at nonzero steer angle (12.5 deg)."});
    EXPECT_EQ(RunPhases({StepTo(10), Wait(1), RepeatProgram()}).notices,
              std::vector<std::string>{"There is a -10.0 degree step when program recycles."});
    EXPECT_TRUE(RunPhases({StepTo(3), Wait(1), RepeatProgram()}).notices.empty());
}

TEST(DutyCheck, RollPeaksOnEveryStepAreCutInACompile) {
    std::vector<ProgramStatement> body{SetRate(256)};
    for (int n = 0; n < 6 * 256; ++n) { // a roll peak on every step for 6 s at 256 Hz
        body.push_back(Pulse(1, 0, "WAITFORROLLPEAK"));
        body.push_back(Wait(1.0f / 256));
    }
    auto run = RunPhases(body);
    EXPECT_TRUE(run.ok);
    // Step 0 never carries bit15; steps 1 to 1279 make 4.996 s, step 1280 is cut.
    EXPECT_EQ(Bit15(0), 0);
    EXPECT_EQ(Bit15(1279), 1);
    EXPECT_EQ(Bit15(1280), 0);
    EXPECT_EQ(run.notices,
              std::vector<std::string>{
                  "High current rules violation at t=5.00 sec. (All violations automatically cut out)"});
    auto compatible = RunPhases(body, false);
    EXPECT_TRUE(compatible.notices.empty());
}
