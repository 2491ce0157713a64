// The figures of compare on synthetic runs against the true figures of the runs, computed once with
// SciPy (reference/make_figures.py): whole and cut logs, a mark, lagging wheels, a sweep through a lag
// and a program whose steer never changes.
#include "compiler/compile_text.h"
#include "measure/compare.h"
#include "measure/figures.h"
#include "measure/synthetic_log.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>

namespace {

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
