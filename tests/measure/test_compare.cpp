// Logs made from a program's own steps come back with the delay, gain, offset, overshoot and
// frequency response they were made with; synthetic runs of known wheels give the true figures that
// SciPy computed for them (reference/make_figures.py).
#include "compiler/compile_text.h"
#include "compiler/format.h"
#include "files/fileio.h"
#include "measure/compare.h"
#include "measure/figures.h"
#include "measure/synthetic_log.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <numbers>

namespace {

const std::vector<std::string> SineWithDwell{"maxsteer(100 deg)",
                                             "begin",
                                             "setrate(1024 hz)",
                                             "wait(1 sec)",
                                             "setflag(2 bit, 100 %)",
                                             "sine(50 deg, 0.7 hz, 0.75 cycles)",
                                             "wait(0.5 sec)",
                                             "sine(50 deg, 270 deg, 0.7 hz, 0.25 cycles)",
                                             "setflag(2 bit, 0 %)",
                                             "wait(1 sec)",
                                             "end"};

CommandedProgram Compile(const std::vector<std::string> &lines) {
    EXPECT_TRUE(CompileProgram(TestCompiler(), lines));
    return CommandedFrom(TestCompiler());
}

Comparison Compare(const CommandedProgram &program, const SyntheticRun &run, const std::string &mark = "") {
    LogOptions options;
    options.markColumn = mark;
    return CompareLog(program, ParseLog(SyntheticLog(program, TestCompiler(), run), options));
}

struct FigureCase {
    const char *name;
    SyntheticRun run;
    const char *mark;
    double delayTolerance; // seconds
};

TEST(CompareLog, FindsTheDelayGainAndOffsetTheLogWasMadeWith) {
    const CommandedProgram program = Compile(SineWithDwell);
    const std::vector<FigureCase> cases{
        {"clean", MakeRun(0.035, 0.97, 0, 0, 500), "", 1e-4},
        {"noise, 200 Hz", MakeRun(0.035, 0.97, 0.5, 0.3, 200), "", 1e-3},
        {"no delay, gain above 1", MakeRun(0, 1.1, -2, 0.1, 1000), "", 1e-3},
        {"log started early, by mark", MakeRun(0.020, 0.95, 0, 0.2, 500, 7.5, 2), "mark",
         1.3e-3}, // a sampled mark: +/- half a sample,
        {"coarse log, 100 Hz", MakeRun(0.080, 1, 0, 0, 100), "", 1e-3},
    };
    for (const FigureCase &c : cases) {
        const Comparison result = Compare(program, c.run, c.mark);
        EXPECT_NEAR(result.delay, c.run.delay, c.delayTolerance) << c.name;
        EXPECT_NEAR(result.gain, c.run.gain, 0.01) << c.name;
        EXPECT_NEAR(result.offset, c.run.offset, 0.1) << c.name;
        EXPECT_NEAR(result.alignment.logStart, *c.mark ? c.run.logStart : 0, 2.0 / c.run.sampleRate)
            << c.name;
        EXPECT_GT(result.alignment.correlation, 0.99) << c.name;
        EXPECT_GE(result.comparedSteps, static_cast<int>(program.time.size()) - 1)
            << c.name; // all, or all but
                       // a step before the log
    }
}

TEST(CompareLog, ErrorsAreMeasuredAfterTheDelay) {
    const CommandedProgram program = Compile(SineWithDwell);
    const Comparison exact = Compare(program, MakeRun(0.050, 1, 0, 0, 1000));
    EXPECT_LT(exact.rmsError, 0.01);
    const Comparison offset = Compare(program, MakeRun(0.050, 1, 1.5, 0, 1000));
    EXPECT_NEAR(offset.rmsError, 1.5, 0.01);
    EXPECT_NEAR(offset.peakError, 1.5, 0.01);
    // Three degrees short at the first peak of the sine (1.357 s) and nowhere else.
    SyntheticRun dent = MakeRun(0, 1, 0, 0, 1000);
    dent.steerAt = [&](double t) {
        return CommandedAt(program, t) - 3 * std::exp(-std::pow((t - 1.357) / 0.02, 2));
    };
    const Comparison dented = Compare(program, dent);
    EXPECT_NEAR(dented.peakError, -3, 0.05);
    EXPECT_NEAR(dented.peakErrorTime, 1.357, 0.002);
}

TEST(CompareLog, MeasuresTheOvershootOfEachStep) {
    const CommandedProgram program =
        Compile({"maxsteer(100 deg)", "begin", "wait(1 sec)", "stepto(20 deg)", "wait(2 sec)",
                 "rampto(-10 deg, 0.1 sec)", "wait(2 sec)", "end"});
    ASSERT_EQ(program.steps.size(), 2u);
    // The wheel passes each new angle by a tenth of the step 0.1 s after it arrives, then settles; the
    // peak is seen 10 ms later still, when the wheel's delay has passed.
    SyntheticRun run = MakeRun(0.010, 1, 0, 0, 1000);
    run.steerAt = [&](double t) {
        double steer = CommandedAt(program, t);
        for (const CommandedStep &s : program.steps)
            steer += 0.1 * (s.to - s.from) * std::exp(-std::pow((t - s.reached - 0.1) / 0.03, 2));
        return steer;
    };
    const Comparison result = Compare(program, run);
    ASSERT_EQ(result.steps.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_NEAR(result.steps[k].overshoot, 0.1 * std::fabs(program.steps[k].to - program.steps[k].from),
                    0.05);
        EXPECT_NEAR(result.steps[k].overshootPercent, 10, 0.3);
        EXPECT_NEAR(result.steps[k].peakTime, program.steps[k].reached + 0.1 + run.delay, 0.002);
    }
}

// A response is read in decades when every sweep of the program is logarithmic.
TEST(CommandedFrom, ASweepSaysWhetherItIsLogarithmic) {
    const struct {
        std::vector<std::string> sweeps;
        bool logarithmic;
    } cases[] = {
        {{"sinesweeplog(20 deg, 0.2 hz, 5 hz, 10 sec)"}, true},
        {{"sinesweep(20 deg, 0.2 hz, 5 hz, 10 sec)"}, false},
        {{"sinesweeplog(20 deg, 0.2 hz, 5 hz, 10 sec)", "sinesweep(20 deg, 0.2 hz, 5 hz, 10 sec)"}, false},
    };
    for (const auto &c : cases) {
        std::vector<std::string> lines{"maxsteer(100 deg)", "begin", "setrate(256 hz)", "wait(1 sec)"};
        lines.insert(lines.end(), c.sweeps.begin(), c.sweeps.end());
        lines.push_back("end");
        const CommandedProgram program = Compile(lines);
        ASSERT_EQ(program.sweeps.size(), c.sweeps.size());
        EXPECT_EQ(program.sweeps.front().logarithmic, c.sweeps.front().starts_with("sinesweeplog"));
        const Comparison result = Compare(program, MakeRun(0, 1, 0, 0, 200));
        ASSERT_TRUE(result.response) << c.sweeps.front();
        EXPECT_EQ(result.response->logarithmic, c.logarithmic) << c.sweeps.size();
    }
}

TEST(CompareLog, SweepThroughAFirstOrderLagGivesItsResponse) {
    const CommandedProgram program =
        Compile({"maxsteer(100 deg)", "begin", "setrate(256 hz)", "wait(1 sec)",
                 "sinesweep(20 deg, 0.2 hz, 5 hz, 30 sec)", "wait(2 sec)", "end"});
    ASSERT_EQ(program.sweeps.size(), 1u);
    // The lag 1 / (1 + s tau) with its corner at 2 Hz, simulated finely, exact for straight input.
    const double tau = 1 / (2 * std::numbers::pi * 2.0), h = 1e-4, a = std::exp(-h / tau);
    std::vector<double> wheel{0};
    for (double t = 0; t < program.time.back() + 2; t += h) {
        const double u0 = CommandedAt(program, t), u1 = CommandedAt(program, t + h);
        wheel.push_back(a * wheel.back() + (1 - a) * u0 + (u1 - u0) * (1 - tau / h * (1 - a)));
    }
    SyntheticRun run = MakeRun(0, 1, 0, 0, 500);
    run.steerAt = [&](double t) {
        const double k = std::clamp(t / h, 0.0, static_cast<double>(wheel.size() - 2));
        const auto i = static_cast<std::size_t>(k);
        return wheel[i] + (wheel[i + 1] - wheel[i]) * (k - static_cast<double>(i));
    };
    const Comparison result = Compare(program, run);
    ASSERT_TRUE(result.response);
    const FrequencyResponse &r = *result.response;
    ASSERT_GT(r.points.size(), 50u);
    EXPECT_GE(r.points.front().frequency, 0.2);
    EXPECT_LE(r.points.back().frequency, 5.0);
    for (const ResponsePoint &p : r.points) {
        const double w = 2 * std::numbers::pi * p.frequency * tau;
        EXPECT_NEAR(p.gainDb, -10 * std::log10(1 + w * w), 0.5) << p.frequency;
        EXPECT_NEAR(p.phaseDeg, -std::atan(w) * 180 / std::numbers::pi, 5) << p.frequency;
    }
    ASSERT_TRUE(r.bandwidthHz);
    EXPECT_NEAR(*r.bandwidthHz, 2.0, 0.1);
}

TEST(CompareLog, RefusesWhatCannotBeCompared) {
    const CommandedProgram program = Compile(SineWithDwell);
    const std::vector<std::pair<std::string, std::string>> cases{
        {"time,steer,mark\n0,0,1\n1,1,1\n", "the mark column \"mark\" never changes"},
        {"time,steer,mark\n0,0,1\n1,1,0\n", "never rises"},
        {"time,steer,mark\n0,2,0\n1,2,1\n", "the steer column \"steer\" never changes"},
    };
    for (const auto &[text, message] : cases) {
        try {
            CompareLog(program, ParseLog(text, {"", "", "mark", {}, {}}));
            ADD_FAILURE() << "compared: " << text;
        } catch (const FormatError &e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
    const CommandedProgram twoFlags = Compile({"maxsteer(100 deg)", "begin", "setflag(1 bit, 100 %)",
                                               "setflag(8 bit, 100 %)", "wait(1 sec)", "end"});
    EXPECT_THROW(CompareLog(twoFlags, ParseLog("time,steer,mark\n0,0,0\n1,0,1\n", {"", "", "mark", {}, {}})),
                 FormatError);
}

using Json = nlohmann::json;

Json ReferenceCases() {
    std::ifstream file(QUILLARD_TESTS "/measure/reference/figures.json");
    return Json::parse(file)["cases"];
}

double Number(const Json &value) { return value.is_null() ? NAN : value.get<double>(); }

// The true value at a frequency, straight between the reference's points.
double Between(const Json &frequency, const Json &values, double f) {
    for (std::size_t i = 1; i < frequency.size(); ++i)
        if (f <= frequency[i].get<double>()) {
            const double f0 = frequency[i - 1], f1 = frequency[i], v0 = values[i - 1], v1 = values[i];
            return v0 + (v1 - v0) * (f - f0) / (f1 - f0);
        }
    return values.back();
}

bool Mentions(const std::vector<std::string> &warnings, const std::string &text) {
    for (const std::string &w : warnings)
        if (w.find(text) != std::string::npos) return true;
    return false;
}

// Whole and cut logs, a mark, lagging wheels, a sweep through a lag and a program whose steer never
// changes, against the true figures of their runs.
TEST(ComparisonFigures, AreTheTrueFiguresOfTheRun) {
    for (const Json &c : ReferenceCases()) {
        const std::string name = c["name"];
        SCOPED_TRACE(name);
        ASSERT_TRUE(CompileProgram(TestCompiler(), c["program"].get<std::vector<std::string>>()));
        const CommandedProgram program = CommandedFrom(TestCompiler());
        const Json &r = c["run"], &truth = c["truth"];
        SyntheticRun run = MakeRun(r["delay_s"], r["gain"], r["offset_deg"], 0, r["sample_rate_hz"],
                                   r["log_start_s"], r["mark_flag"]);
        run.from = r["from_s"], run.to = r["to_s"];
        if (!c["wheel"].is_null()) {
            const Json &w = c["wheel"];
            run.steerAt =
                WheelSteer(program, {w["order"], w.value("corner_hz", 0.0), w.value("natural_hz", 0.0),
                                     w.value("damping", 0.0), w["dead_time_s"]});
        }
        LogOptions options;
        if (run.markFlag) options.markColumn = "mark";
        const MeasuredLog log = ParseLog(SyntheticLog(program, TestCompiler(), run), options);
        const Comparison result = CompareLog(program, log);
        const std::vector<std::string> warnings = ComparisonWarnings(result, log);

        if (truth.contains("delay_s")) {
            const double delay = Number(truth["delay_s"]), gain = Number(truth["gain"]);
            // A mark sampled at 1 kHz places the program within half its sample interval.
            const double delayTolerance = run.markFlag && run.sampleRate >= 1000 ? 0.5e-3 + 2e-6 : 1e-3;
            if (std::isnan(delay)) {
                EXPECT_TRUE(std::isnan(result.delay)) << result.delay;
            } else {
                EXPECT_NEAR(result.delay, delay, delayTolerance);
            }
            if (std::isnan(gain)) {
                EXPECT_TRUE(std::isnan(result.gain)) << result.gain;
            } else {
                EXPECT_NEAR(result.gain / gain, 1, 0.005) << result.gain;
            }
            EXPECT_NEAR(result.offset, truth["offset_deg"].get<double>(), 0.05);
        }
        for (const Json &step : truth.value("steps", Json::array())) {
            auto found = std::find_if(result.steps.begin(), result.steps.end(), [&](const StepResponse &s) {
                return std::fabs(s.time - step["time_s"].get<double>()) < 0.01;
            });
            ASSERT_NE(found, result.steps.end()) << "no step at " << step["time_s"];
            EXPECT_NEAR(found->overshootPercent, step["overshoot_percent"].get<double>(), 0.3);
            EXPECT_NEAR(found->overshoot, step["overshoot_deg"].get<double>(), 0.1);
        }
        if (truth.contains("response")) {
            const Json &t = truth["response"];
            ASSERT_TRUE(result.response && result.response->bandwidthHz);
            const double bandwidth = t["bandwidth_3db_hz"];
            EXPECT_NEAR(*result.response->bandwidthHz / bandwidth, 1, 0.02) << *result.response->bandwidthHz;
            for (const ResponsePoint &p : result.response->points) {
                if (p.frequency > bandwidth) break;
                EXPECT_NEAR(p.gainDb, Between(t["frequency_hz"], t["gain_db"], p.frequency), 0.2)
                    << p.frequency;
                EXPECT_NEAR(p.phaseDeg, Between(t["frequency_hz"], t["phase_deg"], p.frequency), 3)
                    << p.frequency;
            }
        }
        // A log that misses part of the program says which; a whole one warns of nothing.
        const bool cutStart = r["from_s"].get<double>() > 0;
        const bool cutEnd = r["to_s"].get<double>() < program.time.back();
        EXPECT_EQ(Mentions(warnings, "the program's start"), cutStart);
        EXPECT_EQ(Mentions(warnings, "the program's end"), cutEnd);
        if (!cutStart && !cutEnd) {
            EXPECT_TRUE(warnings.empty()) << warnings.front();
        }
    }
}

} // namespace

namespace {

// A run steered the other way is compared with the program mirrored, by its mark or not, and its figures
// are those of the run as driven; a log that follows the program as it is stays unmirrored, said.
TEST(CompareLog, ARunSteeredTheOtherWayIsComparedWithTheProgramMirrored) {
    const CommandedProgram program = Compile(SineWithDwell);
    struct Case {
        const char *name;
        SyntheticRun run;
        const char *mark;
        bool mirrored;
    };
    SyntheticRun clockwise = MakeRun(0.035, 0.97, 0.2, 0.2, 200);
    clockwise.steerAt = [&](double t) { return -CommandedAt(program, t); };
    SyntheticRun marked = MakeRun(0.02, 1, 0, 0.1, 500, 3, 2);
    marked.steerAt = clockwise.steerAt;
    SyntheticRun counterSteered = MakeRun(0.035, 1, 0, 0.1, 200); // a jerk the other way before the program
    counterSteered.steerAt = [&](double t) {
        return CommandedAt(program, t) - (t > 0.3 && t < 0.5 ? 30 : 0);
    };
    const std::vector<Case> cases{
        {"clockwise first", clockwise, "", true},
        {"clockwise first, by its mark", marked, "mark", true},
        {"counter-clockwise first", MakeRun(0.035, 0.97, 0.2, 0.2, 200), "", false},
        {"a jerk the other way before the program's steer", counterSteered, "", false},
    };
    for (const Case &c : cases) {
        const Comparison result = Compare(program, c.run, c.mark);
        EXPECT_EQ(result.alignment.mirrored, c.mirrored) << c.name;
        EXPECT_EQ(result.programFirstSteer, 1) << c.name;
        EXPECT_NEAR(result.delay, c.run.delay, 2e-3) << c.name;
        EXPECT_GT(result.alignment.correlation, c.run.steerAt && !c.mirrored ? 0.95 : 0.99) << c.name;
        EXPECT_NEAR(result.gain, c.run.gain, c.run.steerAt && !c.mirrored ? 0.02 : 0.01) << c.name;
    }
    const Comparison mirrored = Compare(program, clockwise);
    EXPECT_EQ(mirrored.logFirstSteer, -1);
    EXPECT_NEAR(mirrored.offset, 0.2, 0.05); // the offset as driven: not mirrored
    EXPECT_NEAR(mirrored.commanded[mirrored.commanded.size() / 2], -program.steer[program.steer.size() / 2],
                1);
    const Comparison jerked = Compare(program, counterSteered);
    EXPECT_EQ(jerked.logFirstSteer, -1);
    ASSERT_FALSE(jerked.warnings.empty());
    EXPECT_TRUE(
        jerked.warnings.front().starts_with("the log's first steer is clockwise, the program's "
                                            "counter-clockwise, but the log follows the program as it is"))
        << jerked.warnings.front();
    // Drawn over the program as it is: the trace of a mirrored comparison is mirrored back.
    const MeasuredLog log = ParseLog(SyntheticLog(program, TestCompiler(), clockwise), {});
    EXPECT_EQ(MeasuredTrace(log, mirrored.alignment)[300].second, -log.steer[300]);
}

// A run picked from a log of two is laid on the program from its part's first sample.
TEST(CompareLog, ARunOfALogIsLaidFromItsFirstSample) {
    const CommandedProgram program = Compile(SineWithDwell);
    SyntheticRun twice = MakeRun(0.03, 1, 0, 0.1, 200);
    twice.tail = 14;
    twice.steerAt = [&](double t) { return CommandedAt(program, t) + CommandedAt(program, t - 12); };
    LogOptions second;
    second.part.run = 2;
    const MeasuredLog log = ParseLog(SyntheticLog(program, TestCompiler(), twice), second);
    ASSERT_EQ(log.info.runs.size(), 2u);
    const Comparison c = CompareLog(program, log);
    EXPECT_TRUE(c.alignment.fromFirstSample);
    EXPECT_EQ(c.alignment.logStart, log.time.front());
    EXPECT_NEAR(c.alignment.lag, 12.03, 2e-3); // the program's start in the log, and the delay after it
    EXPECT_GT(c.alignment.correlation, 0.99);
    const std::vector<std::string> source = DescribeComparison(c, log, "two.csv", 13).source;
    EXPECT_NE(std::find(source.begin(), source.end(),
                        "Laid on the program from the part's first sample, " + Fixed(log.time.front(), 4) +
                            " s of the log"),
              source.end());
}

} // namespace
