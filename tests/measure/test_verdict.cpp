// The verdict rules on both sides of every limit: each ratio, each displacement, the speed window, the
// 5 A rule, the amplitude tolerance; invalid over fail over pass; the campaign's rule; A from a note.
#include "files/fileio.h"
#include "measure/evaluate.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A judged run's figures: every criterion met with room to spare, every condition shown.
SwdResult Figures() {
    SwdResult r;
    r.processed = true;
    r.ratio1 = 10, r.ratio2 = 5;
    r.displacement = 2.5;
    r.speedAtBos = 80;
    r.measuredAmplitude = 175.5;
    r.firstPeak = 175.5, r.secondPeak = -175.5;
    return r;
}

SwdOptions Conditions() {
    SwdOptions o;
    o.amplitudeA = 27;
    o.commandedAmplitude = 175.5; // 6.5 A
    return o;
}

struct Case {
    const char *what;
    std::function<void(SwdResult &, SwdOptions &)> change;
    RunState state;
    const char *reason; // a part of it
};

TEST(JudgeSineWithDwell, EachLimitOnBothSides) {
    const std::vector<Case> cases{
        {"every criterion met", [](SwdResult &, SwdOptions &) {}, RunState::Pass, ""},
        {"ratio at 1.000 s at 35 %", [](SwdResult &r, SwdOptions &) { r.ratio1 = 35; }, RunState::Pass, ""},
        {"ratio at 1.000 s above 35 %", [](SwdResult &r, SwdOptions &) { r.ratio1 = 35.001; }, RunState::Fail,
         "ratio at COS + 1.000 s is 35.00 %, above 35 %"},
        {"ratio at 1.750 s at 20 %", [](SwdResult &r, SwdOptions &) { r.ratio2 = 20; }, RunState::Pass, ""},
        {"ratio at 1.750 s above 20 %", [](SwdResult &r, SwdOptions &) { r.ratio2 = 20.001; }, RunState::Fail,
         "ratio at COS + 1.750 s is 20.00 %, above 20 %"},
        {"ratio at 1.750 s at 20.5 %, which a limit of 21 % would pass",
         [](SwdResult &r, SwdOptions &) { r.ratio2 = 20.5; }, RunState::Fail, "above 20 %"},
        {"ratio at 1.000 s at 35.5 %", [](SwdResult &r, SwdOptions &) { r.ratio1 = 35.5; }, RunState::Fail,
         "above 35 %"},
        {"displacement at 1.83 m", [](SwdResult &r, SwdOptions &) { r.displacement = 1.83; }, RunState::Pass,
         ""},
        {"displacement below 1.83 m", [](SwdResult &r, SwdOptions &) { r.displacement = 1.8299; },
         RunState::Fail, "displacement is 1.830 m, below 1.83 m"},
        {"at 3500 kg, 1.83 m still",
         [](SwdResult &r, SwdOptions &o) { o.gvwr = 3500, r.displacement = 1.8299; }, RunState::Fail,
         "below 1.83 m"},
        {"above 3500 kg, 1.52 m", [](SwdResult &r, SwdOptions &o) { o.gvwr = 3500.1, r.displacement = 1.52; },
         RunState::Pass, ""},
        {"above 3500 kg, below 1.52 m",
         [](SwdResult &r, SwdOptions &o) { o.gvwr = 3600, r.displacement = 1.5199; }, RunState::Fail,
         "below 1.52 m"},
        {"below 5 A the displacement is not judged",
         [](SwdResult &r, SwdOptions &o) {
             o.commandedAmplitude = 134.99, r.measuredAmplitude = 134.99, r.displacement = 0.5;
         },
         RunState::Pass, ""},
        {"at 5 A it is",
         [](SwdResult &r, SwdOptions &o) {
             o.commandedAmplitude = 135, r.measuredAmplitude = 135, r.displacement = 0.5;
         },
         RunState::Fail, "below 1.83 m"},
        {"measured at 98 % of 5 A without a program",
         [](SwdResult &r, SwdOptions &o) {
             o.commandedAmplitude.reset(), r.measuredAmplitude = 135 * 0.98, r.displacement = 0.5;
         },
         RunState::Fail, "below 1.83 m"},
        {"measured below 98 % of 5 A",
         [](SwdResult &r, SwdOptions &o) {
             o.commandedAmplitude.reset(), r.measuredAmplitude = 135 * 0.979, r.displacement = 0.5;
         },
         RunState::Pass, ""},
        {"speed 78 km/h", [](SwdResult &r, SwdOptions &) { r.speedAtBos = 78; }, RunState::Pass, ""},
        {"speed below 78 km/h", [](SwdResult &r, SwdOptions &) { r.speedAtBos = 77.99; }, RunState::Invalid,
         "the speed at BOS is 78.0 km/h, not 80 +/- 2 km/h"},
        {"speed 82 km/h", [](SwdResult &r, SwdOptions &) { r.speedAtBos = 82; }, RunState::Pass, ""},
        {"speed above 82 km/h", [](SwdResult &r, SwdOptions &) { r.speedAtBos = 82.01; }, RunState::Invalid,
         "not 80 +/- 2 km/h"},
        {"no speed", [](SwdResult &r, SwdOptions &) { r.speedAtBos.reset(); }, RunState::Invalid,
         "the log has no speed"},
        {"no speed, stated",
         [](SwdResult &r, SwdOptions &o) { r.speedAtBos.reset(), o.accepted = {RunCondition::Speed}; },
         RunState::Pass, ""},
        {"a measured speed outside the window, a speed stated",
         [](SwdResult &r, SwdOptions &o) { r.speedAtBos = 50, o.accepted = {RunCondition::Speed}; },
         RunState::Invalid, "a stated speed does not replace a measured one"},
        {"the amplitude 3 % short", [](SwdResult &r, SwdOptions &) { r.measuredAmplitude = 175.5 * 0.9701; },
         RunState::Pass, ""},
        {"the amplitude more than 3 % short",
         [](SwdResult &r, SwdOptions &) { r.measuredAmplitude = 175.5 * 0.9699; }, RunState::Invalid,
         "not the commanded 175.50 deg"},
        {"the amplitude 3 % over", [](SwdResult &r, SwdOptions &) { r.measuredAmplitude = 175.5 * 1.0299; },
         RunState::Pass, ""},
        {"a small amplitude 1 deg off",
         [](SwdResult &r, SwdOptions &o) { o.commandedAmplitude = 30, r.measuredAmplitude = 29; },
         RunState::Pass, ""},
        {"a small amplitude more than 1 deg off",
         [](SwdResult &r, SwdOptions &o) { o.commandedAmplitude = 30, r.measuredAmplitude = 28.99; },
         RunState::Invalid, "within 1.00 deg"},
        {"a second run in the log", [](SwdResult &r, SwdOptions &) { r.secondRun = 12.5; }, RunState::Invalid,
         "more than one run"},
        {"A not known, the ratios met", [](SwdResult &, SwdOptions &o) { o.amplitudeA = 0; },
         RunState::Invalid, "A is not known"},
        {"A not known, a ratio failed", [](SwdResult &r, SwdOptions &o) { o.amplitudeA = 0, r.ratio2 = 40; },
         RunState::Fail, "above 20 %"},
        {"a spin", [](SwdResult &r, SwdOptions &) { r.spin = true, r.ratio1 = r.ratio2 = 100; },
         RunState::Fail, "(a spin)"},
        {"a failing run outside the speed window is invalid",
         [](SwdResult &r, SwdOptions &) { r.ratio2 = 60, r.speedAtBos = 50; }, RunState::Invalid,
         "50.0 km/h"},
    };
    for (const Case &c : cases) {
        SwdResult r = Figures();
        SwdOptions options = Conditions();
        c.change(r, options);
        JudgeSineWithDwell(r, options, VehicleLog{});
        EXPECT_EQ(r.state, c.state) << c.what << ": " << r.reason;
        EXPECT_EQ(r.pass, c.state == RunState::Pass) << c.what;
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << c.what << ": " << r.reason;
        EXPECT_EQ(r.reason.empty(), c.state == RunState::Pass) << c.what;
    }
}

TEST(RunVerdict, InvalidOverFailOverPass) {
    RunVerdict v;
    EXPECT_EQ(v.State(), RunState::Pass);
    v.Fail("a ratio");
    EXPECT_EQ(v.State(), RunState::Fail);
    EXPECT_EQ(v.Reason(), "a ratio");
    v.Invalid("no speed");
    v.Invalid("no speed");
    v.Invalid("a second run");
    EXPECT_EQ(v.State(), RunState::Invalid);
    EXPECT_EQ(v.Reason(), "no speed; a second run");
    EXPECT_STREQ(RunStateName(RunState::Invalid), "invalid");
    EXPECT_STREQ(RunStateTitle(RunState::Fail), "FAIL");
    EXPECT_EQ(RunConditionNamed("speed"), RunCondition::Speed);
    EXPECT_FALSE(RunConditionNamed("weather"));
}

TEST(JudgeCampaign, PassesOnlyWhenEveryRunPassesAndAIsKnown) {
    using S = RunState;
    const struct {
        std::vector<S> runs;
        bool aKnown;
        S state;
        const char *reason;
    } cases[] = {
        {{S::Pass, S::Pass}, true, S::Pass, ""},
        {{S::Pass, S::Fail, S::Invalid}, true, S::Fail, "1 of 3 runs failed"},
        {{S::Pass, S::Invalid}, true, S::Invalid, "1 of 2 runs are invalid"},
        {{S::Pass, S::Pass}, false, S::Invalid, "A is not known"},
        {{S::Fail}, false, S::Fail, "1 of 1 runs failed"},
        {{}, true, S::Invalid, "no runs"},
    };
    for (const auto &c : cases) {
        const CampaignVerdict v = JudgeCampaign(c.runs, c.aKnown);
        EXPECT_EQ(v.state, c.state) << c.reason;
        EXPECT_NE(v.reason.find(c.reason), std::string::npos) << v.reason;
        EXPECT_EQ(v.passed + v.failed + v.invalid, static_cast<int>(c.runs.size()));
    }
}

} // namespace
