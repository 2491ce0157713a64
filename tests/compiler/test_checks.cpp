// The high-current duty check and the end-angle and recycle-step notices.
#include "compile_text.h"
#include "compiler/checks.h"

#include <gtest/gtest.h>

namespace {

// Fills the store with a constant rate and bit15 set on the steps [first, last].
void FillStore(int rate, int first, int last) {
    StepStore &steps = TestCompiler().steps;
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
    DutyCheck(TestCompiler().steps, [&](const std::string &text) { notices.push_back(text); });
    return notices;
}

int Bit15(int q) { return Step(q).bit15; }

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
    const StepStore &steps = TestCompiler().steps;
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
    // After the cut at 5 s the limit is 4 s: the first step kept again is the one whose window holds
    // 1023 steps of 1/256 s, and then 5 s applies again.
    EXPECT_EQ(Bit15(1279), 1);
    EXPECT_EQ(Bit15(1280), 0);
    EXPECT_EQ(Bit15(4096), 0);
    EXPECT_EQ(Bit15(4097), 1);
    EXPECT_EQ(Bit15(4098), 1);
    EXPECT_GT(keptAfterCut, 0); // the limit came back after the window moved on
}

TEST(AngleNotices, ShownOnlyAboveTheirThresholds) {
    struct Case {
        void (*check)(float, const NoticeHandler &);
        float held;
        const char *notice;
    } cases[] = {{EndAngleWarning, 1.0f, nullptr},
                 {EndAngleWarning, -1.0f, nullptr},
                 {EndAngleWarning, 12.5f, "Program ends at nonzero steer angle (12.5 deg)."},
                 {EndAngleWarning, -3.5f, "Program ends at nonzero steer angle (-3.5 deg)."},
                 {RecycleStepWarning, 5.0f, nullptr},
                 {RecycleStepWarning, 10.0f, "There is a -10.0 degree step when program recycles."},
                 {RecycleStepWarning, -7.25f, "There is a 7.2 degree step when program recycles."}};
    for (const auto &c : cases) {
        std::vector<std::string> notices;
        c.check(c.held, [&](const std::string &text) { notices.push_back(text); });
        EXPECT_EQ(notices, c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{})
            << c.held;
    }
}

TEST(AngleNotices, SteerPassRaisesThemAtItsTerminator) {
    EXPECT_EQ(CompileBody({"stepto(12.5 deg)", "wait(1 sec)"}).notices,
              std::vector<std::string>{"Program ends at nonzero steer angle (12.5 deg)."});
    EXPECT_EQ(CompileBody({"stepto(10 deg)", "wait(1 sec)", "repeatprogram"}).notices,
              std::vector<std::string>{"There is a -10.0 degree step when program recycles."});
    EXPECT_TRUE(CompileBody({"stepto(3 deg)", "wait(1 sec)", "repeatprogram"}).notices.empty());
}

TEST(DutyCheck, RollPeaksOnEveryStepAreCutInACompile) {
    std::vector<std::string> body{"setrate(256 hz)"};
    for (int n = 0; n < 6 * 256; ++n) { // a roll peak on every step for 6 s at 256 Hz
        body.push_back("waitforrollpeak");
        body.push_back("wait(0.00390625 sec)");
    }
    auto run = CompileBody(body);
    EXPECT_TRUE(run.ok);
    // Step 0 never carries bit15; steps 1 to 1279 make 4.996 s, step 1280 is cut.
    EXPECT_EQ(Bit15(0), 0);
    EXPECT_EQ(Bit15(1279), 1);
    EXPECT_EQ(Bit15(1280), 0);
    EXPECT_EQ(run.notices,
              std::vector<std::string>{
                  "High current rules violation at t=5.00 sec. (All violations automatically cut out)"});
    EXPECT_TRUE(CompileBody(body, false).notices.empty());
}
