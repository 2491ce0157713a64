// Manoeuvre templates: every template compiled cleanly and its defining numbers measured from the
// step store.
#include "compiler/compile_text.h"

#include "compiler/summary.h"
#include "romfiles/templates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <tuple>

namespace {

// Compiles a template's program; fails the test on any message but the success line, or any notice.
void CompileTemplate(const std::string &name, const TemplateValues &values = {}) {
    std::vector<std::string> lines = TemplateProgram(name, values);
    std::vector<std::string> notices;
    bool ok =
        CompileProgram(TestCompiler(), lines, {true, [&](const std::string &t) { notices.push_back(t); }});
    std::string text;
    for (const auto &line : lines) text += line + "\n";
    ASSERT_TRUE(ok) << text;
    ASSERT_EQ(TestCompiler().messageLines.size(), 1u) << text << TestCompiler().messageLines[0];
    ASSERT_TRUE(notices.empty()) << text << notices[0];
}

float DacStep(float maxSteer = 100) { return maxSteer / 2047; }
float Period() { return 1.0f / Step(0).rate; }
int End() { return TestCompiler().endIndex; }

// Time of the first step at which the steer equals the value exactly, and how long it stays there
// (time of the first step after the run minus time of the first step of the run).
struct SteerRun {
    float start = -1;
    float length = 0;
};
SteerRun RunAt(float value, int from = 0) {
    for (int q = from; q <= End(); ++q) {
        if (Steer(q) != value) continue;
        int last = q;
        while (last + 1 <= End() && Steer(last + 1) == value) ++last;
        return {Step(q).time, Step(last + 1).time - Step(q).time};
    }
    return {};
}

// Interpolated times at which the steer crosses zero, between two times.
std::vector<double> ZeroCrossings(double from, double to) {
    std::vector<double> times;
    for (int q = 1; q <= End(); ++q) {
        double t0 = Step(q - 1).time, t1 = Step(q).time;
        if (t0 < from || t1 > to) continue;
        double a = Steer(q - 1), b = Steer(q);
        if ((a < 0 && b >= 0) || (a > 0 && b <= 0)) times.push_back(t0 + (t1 - t0) * a / (a - b));
    }
    return times;
}

TEST(Templates, EveryTemplateCompilesWithoutMessagesOrNotices) {
    ASSERT_GE(ManoeuvreTemplates().size(), 10u);
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates()) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(FindTemplate(t.name), &t);
        EXPECT_FALSE(t.title.empty());
        EXPECT_FALSE(t.description.empty());
        for (const TemplateParameter &p : t.parameters) EXPECT_FALSE(p.unit.empty() || p.description.empty());
        for (int rate : {256, 512, 1024, 2048}) {
            TemplateValues values{{"rate", rate}};
            // The long manoeuvres do not fit at the fast clocks; those refuse, the others compile.
            try {
                TemplateProgram(t.name, values);
            } catch (const TemplateError &e) {
                EXPECT_NE(std::string(e.what()).find("step store holds"), std::string::npos) << e.what();
                continue;
            }
            CompileTemplate(t.name, values);
        }
        CompileTemplate(t.name);
        EXPECT_NEAR(SummarizeProgram(TestCompiler()).endAngle, 0.0f, 1e-3f);
    }
    EXPECT_EQ(FindTemplate("no-such-template"), nullptr);
    EXPECT_EQ(FindTemplate("Sine-With-DWELL"), FindTemplate("sine-with-dwell"));
    EXPECT_EQ(TemplateProgram("J-TURN", {}), TemplateProgram("j-turn", {}));
}

TEST(Templates, SineWithDwellDwellsHalfASecondAtTheSecondPeak) {
    for (auto [amplitude, frequency, dwell, rate] :
         {std::tuple{50.0, 0.7, 0.5, 1024}, {80.0, 0.7, 0.5, 2048}, {12.5, 0.5, 0.25, 256}}) {
        SCOPED_TRACE(amplitude);
        TemplateValues values{{"amplitude", amplitude}, {"rate", rate}};
        if (frequency != 0.7) values["frequency"] = frequency;
        if (dwell != 0.5) values["dwell"] = dwell;
        CompileTemplate("sine-with-dwell", values);
        ProgramSummary s = SummarizeProgram(TestCompiler());
        const float a = static_cast<float>(amplitude);
        EXPECT_NEAR(s.peakSteer, a, DacStep());
        EXPECT_NEAR(s.minSteer, -a, DacStep());
        EXPECT_NEAR(s.peakSteerTime, 1 + 0.25 / frequency, Period()); // lead 1 s, a quarter period
        SteerRun held = RunAt(Steer(StepAt(static_cast<float>(1 + 0.75 / frequency + dwell / 2))));
        EXPECT_NEAR(held.start, 1 + 0.75 / frequency, Period());
        EXPECT_NEAR(held.length, dwell, Period());
        EXPECT_NEAR(s.duration, 1 + 1 / frequency + dwell, Period());
        EXPECT_GT(Steer(StepAt(1.0f) + 2), 0.0f); // the first movement is positive
    }
    // The defaults are those of the standard test.
    const ManoeuvreTemplate *t = FindTemplate("sine-with-dwell");
    ASSERT_NE(t, nullptr);
    std::map<std::string, double> defaults;
    for (const auto &p : t->parameters) defaults[p.name] = p.defaultValue;
    EXPECT_EQ(defaults.at("frequency"), 0.7);
    EXPECT_EQ(defaults.at("dwell"), 0.5);
    EXPECT_EQ(defaults.at("rate"), 1024);
    EXPECT_TRUE(defaults.count("amplitude"));
}

TEST(Templates, StepSteerAndJTurnReachTheirAmplitudeAtTheirSteerRate) {
    CompileTemplate("step-steer", {{"amplitude", 30}, {"steer-rate", 500}, {"hold", 4}});
    ProgramSummary step = SummarizeProgram(TestCompiler());
    EXPECT_EQ(step.peakSteer, 30.0f);
    EXPECT_NEAR(step.peakSteerTime, 1 + 30.0 / 500, Period());
    EXPECT_NEAR(step.peakRate, 500, 0.5);
    EXPECT_NEAR(RunAt(30).length, 4, 2 * Period());
    EXPECT_NEAR(step.duration, 1 + 0.06 + 4 + 0.06, Period());

    CompileTemplate("j-turn", {{"amplitude", 90}, {"steer-rate", 1000}, {"hold", 3}, {"return", 2}});
    ProgramSummary turn = SummarizeProgram(TestCompiler());
    EXPECT_EQ(turn.peakSteer, 90.0f);
    EXPECT_NEAR(turn.peakRate, 1000, 1);
    EXPECT_NEAR(RunAt(90).length, 3, 2 * Period());
    EXPECT_NEAR(turn.duration, 1 + 0.09 + 3 + 2, Period());
}

TEST(Templates, SlowlyIncreasingSteerRampsAtItsRate) {
    CompileTemplate("slowly-increasing-steer", {{"steer-rate", 13.5}, {"end-angle", 81}});
    EXPECT_EQ(Step(0).rate, 256);
    float at2 = Steer(StepAt(3.0f)), at6 = Steer(StepAt(7.0f)); // 2 s and 6 s into the ramp
    EXPECT_NEAR((at6 - at2) / 4, 13.5, 1e-3);
    ProgramSummary s = SummarizeProgram(TestCompiler());
    EXPECT_EQ(s.peakSteer, 81.0f);
    EXPECT_NEAR(s.peakSteerTime, 1 + 81 / 13.5, Period());
    EXPECT_NEAR(RunAt(81).length, 2, 2 * Period());
}

TEST(Templates, FishhookCountersteersAfterTheRollPeak) {
    for (double countersteer : {0.0, 45.0}) {
        SCOPED_TRACE(countersteer);
        CompileTemplate("fishhook", {{"amplitude", 60}, {"countersteer", countersteer}});
        int pulse = -1;
        for (int q = 0; q <= End(); ++q)
            if (Flag(q, 1)) {
                EXPECT_EQ(pulse, -1) << "one roll-peak pulse";
                pulse = q;
            }
        ASSERT_GE(pulse, 0);
        EXPECT_EQ(Step(pulse).bit15, 1);
        EXPECT_NEAR(Steer(pulse), 60, 1e-4); // the machine waits at the amplitude
        EXPECT_NEAR(Step(pulse).time, 1 + 60.0 / 720, Period());
        ProgramSummary s = SummarizeProgram(TestCompiler());
        EXPECT_NEAR(s.peakSteer, 60, 1e-4);
        EXPECT_EQ(s.minSteer, countersteer > 0 ? -45.0f : -60.0f);
        EXPECT_GT(s.minSteerTime, Step(pulse).time);
        EXPECT_NEAR(s.peakRate, 720, 1);
        EXPECT_NEAR(RunAt(s.minSteer).length, 3, 2 * Period());
    }
}

TEST(Templates, SinglePeriodAndContinuousSines) {
    CompileTemplate("single-sine", {{"amplitude", 30}, {"frequency", 0.5}});
    ProgramSummary single = SummarizeProgram(TestCompiler());
    EXPECT_NEAR(single.peakSteer, 30, DacStep());
    EXPECT_NEAR(single.peakSteerTime, 1.5, Period());
    EXPECT_NEAR(single.minSteer, -30, DacStep());
    EXPECT_NEAR(single.minSteerTime, 2.5, Period());
    EXPECT_NEAR(single.duration, 3, Period());

    CompileTemplate("continuous-sine", {{"amplitude", 20}, {"frequency", 1.5}, {"cycles", 12}});
    ProgramSummary continuous = SummarizeProgram(TestCompiler());
    int peaks = 0;
    for (int q = 1; q <= End(); ++q) peaks += Steer(q - 1) < 10 && Steer(q) >= 10;
    EXPECT_EQ(peaks, 12);
    EXPECT_NEAR(continuous.duration, 1 + 12 / 1.5, Period());
    EXPECT_NEAR(continuous.peakRate, 20 * 2 * M_PI * 1.5, 0.1);
}

// The frequency between consecutive zero crossings follows the sweep law at their midpoint, which pins
// the start and end frequencies.
void ExpectSweepLaw(const std::function<double(double)> &law, double start, double end) {
    std::vector<double> crossings = ZeroCrossings(start, end);
    ASSERT_GE(crossings.size(), 10u);
    for (std::size_t k = 1; k < crossings.size(); ++k) {
        double measured = 0.5 / (crossings[k] - crossings[k - 1]);
        double mid = (crossings[k] + crossings[k - 1]) / 2 - start;
        EXPECT_NEAR(measured / law(mid), 1, 0.02) << "at " << mid << " s";
    }
}

TEST(Templates, LinearAndLogSweepsFollowTheirLaws) {
    const double T = 12;
    CompileTemplate("linear-sweep", {{"start-frequency", 0.5}, {"end-frequency", 3}});
    ExpectSweepLaw([&](double t) { return 0.5 + 2.5 * t / T; }, 1, 1 + T);
    EXPECT_NEAR(SummarizeProgram(TestCompiler()).peakSteer, 20, DacStep());

    CompileTemplate("linear-sweep", {{"start-frequency", 3}, {"end-frequency", 0.5}});
    ExpectSweepLaw([&](double t) { return 3 - 2.5 * t / T; }, 1, 1 + T);

    CompileTemplate("log-sweep", {{"start-frequency", 0.25}, {"end-frequency", 4}});
    ExpectSweepLaw([&](double t) { return 0.25 * std::pow(16.0, t / T); }, 1, 1 + T);
    EXPECT_NEAR(SummarizeProgram(TestCompiler()).duration, 1 + T + 1, Period()); // sweep, then 1 s return
}

TEST(Templates, BrakeInTurnBrakesInTheSteadyTurn) {
    CompileTemplate("brake-in-turn", {{"amplitude", 45}, {"settle", 2}, {"brake", 0.75}});
    const float brakeStart = 1 + 45.0f / 200 + 2;
    int first = -1, count = 0;
    for (int q = 0; q <= End(); ++q)
        if (Flag(q, 8)) count++, first = first < 0 ? q : first;
    ASSERT_GE(first, 0);
    // The brake's on-edge comes one step after its time; it ends at its time plus the length.
    EXPECT_NEAR(Step(first).time, brakeStart + Period(), Period());
    EXPECT_NEAR(count * Period(), 0.75 - Period(), Period());
    EXPECT_EQ(Steer(first), 45.0f);
    EXPECT_EQ(Steer(first + count), 45.0f);
    ProgramSummary s = SummarizeProgram(TestCompiler());
    ASSERT_EQ(s.flags.size(), 1u);
    EXPECT_EQ(s.flags[0].flag, 8);
}

TEST(Templates, FitTheStepStoreExactly) {
    // At 1024 Hz the store holds 16383/1024 s: a program ending exactly there fits, one step more does not.
    TemplateValues fits{{"frequency", 1}, {"cycles", 14}, {"lead", 2047.0 / 1024}};
    CompileTemplate("continuous-sine", fits);
    EXPECT_EQ(End(), StepCount - 1);

    TemplateValues over = fits;
    over["lead"] = 2;
    try {
        TemplateProgram("continuous-sine", over);
        FAIL() << "no TemplateError";
    } catch (const TemplateError &e) {
        EXPECT_STREQ(e.what(), "the program lasts 16 s; at 1024 Hz the step store holds 15.999023 s");
    }
    EXPECT_THROW(TemplateProgram("slowly-increasing-steer", {{"rate", 2048}}), TemplateError);
    EXPECT_NO_THROW(TemplateProgram("slowly-increasing-steer", {{"rate", 1024}}));
}

TEST(Templates, ParametersAreChecked) {
    auto error = [](const std::string &name, const TemplateValues &values) {
        try {
            TemplateProgram(name, values);
        } catch (const TemplateError &e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    EXPECT_EQ(error("no-such", {}), "unknown template: no-such");
    EXPECT_EQ(error("step-steer", {{"dwell", 1}}), "template step-steer has no parameter dwell");
    EXPECT_EQ(error("step-steer", {{"amplitude", 0}}), "amplitude must be more than 0 deg");
    EXPECT_EQ(error("step-steer", {{"amplitude", -5}}), "amplitude must be more than 0 deg");
    EXPECT_EQ(error("step-steer", {{"amplitude", 120}}), "amplitude 120 deg is more than maxsteer (100 deg)");
    EXPECT_EQ(error("step-steer", {{"amplitude", 120}, {"maxsteer", 200}}), "(no error)");
    EXPECT_EQ(error("step-steer", {{"rate", 1000}}),
              "rate 1000 Hz is not a clock rate (256, 512, 1024 or 2048 Hz)");
    EXPECT_EQ(error("step-steer", {{"hold", -1}}), "hold must be at least 0 s");
    EXPECT_EQ(error("step-steer", {{"lead", 0}}), "lead must be more than 0 s");
    EXPECT_EQ(error("step-steer", {{"amplitude", std::nan("")}}), "amplitude is not a number");
    EXPECT_EQ(error("continuous-sine", {{"cycles", 2.5}}), "cycles must be a whole number");
    EXPECT_EQ(error("single-sine", {{"frequency", 20}, {"rate", 256}}),
              "frequency 20 Hz is more than a sixteenth of the 256 Hz clock rate");
    EXPECT_EQ(error("fishhook", {{"countersteer", 150}}),
              "countersteer 150 deg is more than maxsteer (100 deg)");
    for (double flag : {1.0, 8.0, 2.5, -1.0})
        EXPECT_EQ(error("step-steer", {{"mark", flag}}).rfind("mark ", 0), 0u) << flag;
    EXPECT_EQ(error("step-steer", {{"mark", 3}, {"hold", 0}, {"steer-rate", 4000000}}),
              "the marks need a manoeuvre of at least 0.1 s");
}

// The mark flag's two rising edges fall on the first step of the steer and on the step where it is
// complete, and each pulse lasts long enough for a logger to see it.
TEST(Templates, ExtremeValuesAreRefusedByTheirCheckNeverByTheCompile) {
    // TemplateProgram compiles what it writes; the checks of the parameters should leave it nothing to
    // refuse, so that the message names the parameter.
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
        for (const TemplateParameter &p : t.parameters) {
            if (p.name == "rate" || p.name == "mark") continue;
            for (double value : {1e-308, 1e-40, 1e-30, 1e-7, p.range.high, p.range.low}) {
                try {
                    TemplateProgram(t.name, {{p.name, value}});
                } catch (const TemplateError &e) {
                    EXPECT_EQ(std::string(e.what()).find("does not compile"), std::string::npos)
                        << t.name << " --" << p.name << " " << value << ": " << e.what();
                }
            }
        }
}

TEST(Templates, MarkPulsesAtTheBeginningAndTheCompletionOfSteer) {
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates()) {
        SCOPED_TRACE(t.name);
        CompileTemplate(t.name, {{"mark", 5}});
        std::vector<int> rising;
        for (int q = 1; q <= End(); ++q)
            if (Flag(q, 5) == 100 && Flag(q - 1, 5) == 0) rising.push_back(q);
        ASSERT_EQ(rising.size(), 2u);
        int moving = 0, still = 0; // first step off centre, first step back at rest for good
        while (Steer(moving) == 0) ++moving;
        for (int q = moving; q <= End(); ++q)
            if (Steer(q) != Steer(q - 1)) still = q;
        EXPECT_LE(rising[0], moving);
        EXPECT_GE(rising[0], moving - 1);
        EXPECT_EQ(Step(rising[0]).time, 1.0f); // the lead
        EXPECT_NEAR(Step(rising[1]).time, Step(still).time, Period()) << still;
        for (int edge : rising) EXPECT_EQ(Flag(edge + int(0.05 / Period()) - 1, 5), 100);
    }
    const ProgramText marked = TemplateProgram("sine-with-dwell", {{"mark", 5}});
    EXPECT_EQ(marked[0],
              "; Sine with dwell: amplitude 50 deg, frequency 0.7 Hz, dwell 0.5 s, marks on flag 5");
    EXPECT_EQ(marked[5], "pulseflag(5 bit, 0.05 sec) ; mark: beginning of steer");
}

TEST(Templates, ProgramTextIsOrdinaryLanguage) {
    std::vector<std::string> lines = TemplateProgram("sine-with-dwell", {{"amplitude", 42.5}});
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "; Sine with dwell: amplitude 42.5 deg, frequency 0.7 Hz, dwell 0.5 s");
    EXPECT_EQ(lines[1], "maxsteer(100 deg)");
    EXPECT_EQ(lines[2], "begin");
    EXPECT_EQ(lines[3], "setrate(1024 hz)");
    EXPECT_EQ(lines.back(), "end");
    for (const auto &line : lines)
        EXPECT_LE(line.find(';') == std::string::npos ? line.size() : line.find(';'), 100u);
}

TEST(TemplateSeries, AmplitudesFromToInclusive) {
    EXPECT_EQ(AmplitudeSeries(60, 260, 20),
              (std::vector<double>{60, 80, 100, 120, 140, 160, 180, 200, 220, 240, 260}));
    std::vector<double> decimal = AmplitudeSeries(0.1, 1.6, 0.1); // 1.6 reached only approximately
    ASSERT_EQ(decimal.size(), 16u);
    EXPECT_NEAR(decimal.back(), 1.6, 1e-12);
    EXPECT_EQ(AmplitudeSeries(5, 5, 1), std::vector<double>{5});
    EXPECT_EQ(AmplitudeSeries(1, 256, 1).size(), 256u);
    EXPECT_THROW(AmplitudeSeries(1, 257, 1), TemplateError);
    EXPECT_THROW(AmplitudeSeries(0, 5, 1), TemplateError);
    EXPECT_THROW(AmplitudeSeries(5, 1, 1), TemplateError);
    EXPECT_THROW(AmplitudeSeries(1, 5, 0), TemplateError);
    EXPECT_THROW(AmplitudeSeries(1, 5, std::nan("")), TemplateError);
}

TEST(TemplateSeries, FillsTheSetInOrderAndLeavesTheRestDefault) {
    // A sine-with-dwell series from 1.5 A to 6.5 A in steps of 0.5 A, A = 40 deg.
    const double a = 40;
    std::vector<double> amplitudes = AmplitudeSeries(1.5 * a, 6.5 * a, 0.5 * a);
    auto set = TemplateSeries("sine-with-dwell", {{"maxsteer", 270}}, amplitudes);
    ASSERT_EQ(amplitudes.size(), 11u);
    for (std::size_t k = 0; k < amplitudes.size(); ++k) {
        SCOPED_TRACE(k);
        ASSERT_TRUE(CompileProgram(TestCompiler(), set[k]));
        EXPECT_NEAR(SummarizeProgram(TestCompiler()).peakSteer, amplitudes[k], DacStep(270));
        ProgramText program =
            TemplateProgram("sine-with-dwell", {{"maxsteer", 270}, {"amplitude", amplitudes[k]}});
        program[0] += "; run " + std::to_string(k + 1) + " of 11";
        EXPECT_EQ(set[k], program);
    }
    for (std::size_t k = amplitudes.size(); k < 16; ++k)
        EXPECT_EQ(set[k], (std::vector<std::string>{"maxsteer(100 deg)", "begin", "", "end"}));

    EXPECT_THROW(TemplateSeries("slowly-increasing-steer", {}, {10}), TemplateError);
    EXPECT_THROW(TemplateSeries("sine-with-dwell", {}, {}), TemplateError);
    try {
        TemplateSeries("sine-with-dwell", {}, amplitudes); // maxsteer 100
        FAIL() << "no TemplateError";
    } catch (const TemplateError &e) {
        EXPECT_STREQ(e.what(), "run 4 of 11: amplitude 120 deg is more than maxsteer (100 deg)");
    }
}

// The standard series at the edges of its rule: 6.5 A just below and just above 270 deg, a step
// passing the 300 deg cap, a lower cap, and A = 20 deg, whose 25 runs take two sets.
TEST(TemplateSeries, StandardSeriesFollowsTheRuleAtItsEdges) {
    auto tail = [](double a, double cap = 300) {
        std::vector<double> runs = StandardSeries(a, cap);
        return std::vector<double>(runs.end() - std::min<std::ptrdiff_t>(3, std::ssize(runs)), runs.end());
    };
    std::vector<double> a40 = AmplitudeSeries(60, 260, 20);
    a40.push_back(270); // 6.5 A = 260: on to 270 deg
    EXPECT_EQ(StandardSeries(40), a40);
    EXPECT_EQ(tail(41.5), (std::vector<double>{249, 269.75, 270})); // 6.5 A just below 270
    EXPECT_EQ(tail(42), (std::vector<double>{231, 252, 273}));      // just above: 6.5 A is the last run
    EXPECT_EQ(tail(46), (std::vector<double>{253, 276, 299}));      // 6.5 A = 299, within the cap
    EXPECT_EQ(tail(47), (std::vector<double>{258.5, 282, 300}));    // 6.5 A = 305.5 passes 300
    EXPECT_EQ(tail(50), (std::vector<double>{250, 275, 300}));      // 6 A reaches 300 exactly
    EXPECT_EQ(tail(50, 250), (std::vector<double>{200, 225, 250})); // capped lower
    EXPECT_EQ(StandardSeries(250), std::vector<double>{300});
    EXPECT_THROW(StandardSeries(0), TemplateError);
    EXPECT_THROW(StandardSeries(0.5), TemplateError); // more than 256 runs

    const std::vector<double> a20 = StandardSeries(20);
    ASSERT_EQ(a20.size(), 25u);
    EXPECT_EQ(a20.front(), 30);
    EXPECT_EQ(a20[23], 260);
    EXPECT_EQ(a20.back(), 270);
    const auto runs = TemplateRuns("Sine-With-Dwell", {{"maxsteer", 300}}, a20, "standard series, A 20 deg");
    const std::vector<ProgramSet> sets = SeriesSets(runs);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0][15], runs[15]);
    EXPECT_EQ(sets[1][8], runs[24]);
    EXPECT_EQ(sets[1][9], DefaultProgram());
    EXPECT_EQ(runs[24][0],
              "; Sine with dwell: amplitude 270 deg, frequency 0.7 Hz, dwell 0.5 s; run 25 of 25, "
              "standard series, A 20 deg");
}

} // namespace
