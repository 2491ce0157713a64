// No corrupted log turns a failing run into a pass. Each fault of a table is made in a passing and in
// failing runs of the rehearsal vehicle: a failing run never passes, and a passing one keeps its
// verdict or is invalid with the reason. Then many random faults, and mixtures of them, drawn from
// fixed seeds, on failing runs: none of them passes.
#include "files/fileio.h"
#include "rehearsal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

constexpr double Amplitude = 175.5; // 6.5 A: the displacement applies

// A run of a car, clean, with the times of the phases of its manoeuvre.
struct CarRun {
    const char *car;
    RunColumns columns;
    SwdResult clean;
};

const std::vector<CarRun> &Runs() {
    static const std::vector<CarRun> runs = [] {
        std::vector<CarRun> all;
        for (const auto &[name, car] :
             {std::pair{"passing", PassingCar()}, std::pair{"slow yaw", SlowYawCar()},
              std::pair{"spinning", SpinningCar()}, std::pair{"sliding", SlidingCar()}}) {
            CarRun run{name, DriveSineWithDwell(car, Amplitude), {}};
            run.clean = EvaluateSineWithDwell(LogOf(CsvOf(run.columns)), OptionsFor(Amplitude));
            all.push_back(run);
        }
        return all;
    }();
    return runs;
}

TEST(CleanRuns, GiveTheVerdictsOfTheirCars) {
    const std::vector<std::pair<RunState, const char *>> expected{
        {RunState::Pass, ""},
        {RunState::Fail, "ratio at COS + 1.750 s"},
        {RunState::Fail, "ratio at COS + 1.750 s"},
        {RunState::Fail, "lateral displacement is"}};
    for (std::size_t k = 0; k < Runs().size(); ++k) {
        const SwdResult &r = Runs()[k].clean;
        EXPECT_EQ(r.state, expected[k].first) << Runs()[k].car << ": " << r.reason;
        EXPECT_NE(r.reason.find(expected[k].second), std::string::npos) << r.reason;
        EXPECT_TRUE(r.warnings.empty()) << Runs()[k].car << ": " << r.warnings.front();
    }
}

// What a corrupted log gives: a verdict, or a refusal of the log as read (a FormatError naming why).
struct Outcome {
    std::optional<SwdResult> result;
    std::string refusal;
    RunState State() const { return result ? result->state : RunState::Invalid; }
    std::string Reason() const { return result ? result->reason : refusal; }
};

Outcome Evaluate(const std::string &text, const SwdOptions &options,
                 const VehicleLogOptions &logOptions = {}) {
    try {
        return {EvaluateSineWithDwell(LogOf(text, logOptions), options), ""};
    } catch (const FormatError &e) {
        return {std::nullopt, e.what()};
    }
}

// The rule of every case: a failing run never passes; a passing run passes or is invalid with a reason.
void ExpectNoFalsePass(const CarRun &run, const Outcome &o, const std::string &what) {
    if (run.clean.state != RunState::Pass) {
        EXPECT_NE(o.State(), RunState::Pass) << run.car << ", " << what;
    } else if (o.State() != RunState::Pass) {
        EXPECT_EQ(o.State(), RunState::Invalid) << run.car << ", " << what << ": " << o.Reason();
        EXPECT_FALSE(o.Reason().empty()) << run.car << ", " << what;
    }
}

// A burst of dropouts: from the sample at t on, count samples of the channel set to the value (or moved
// by it, for a burst near the channel's own values).
void Burst(RunColumns &c, std::vector<double> RunColumns::*channel, double t, int count, double value,
           bool offset) {
    auto &v = c.*channel;
    const auto first =
        static_cast<std::size_t>(std::lower_bound(c.time.begin(), c.time.end(), t) - c.time.begin());
    for (std::size_t i = first; i < first + static_cast<std::size_t>(count) && i < v.size(); ++i)
        v[i] = offset ? v[i] + value : value;
}

struct Channel {
    const char *name;
    std::vector<double> RunColumns::*values;
    double far, near; // a lost frame's value; a move away within the channel's range
};
const Channel Channels[] = {{"steer", &RunColumns::steer, 27899, 60},
                            {"yaw rate", &RunColumns::yaw, -27899, 40},
                            {"lateral acceleration", &RunColumns::ay, 27899, 1.2}};

// The phases of the manoeuvre, from the clean run's figures.
std::vector<std::pair<const char *, double>> Phases(const SwdResult &r) {
    const double reversal = r.bos + 0.5 / 0.7;
    return {{"zeroing", r.bos - 0.5},
            {"BOS", r.bos},
            {"first peak", r.bos + 0.35},
            {"reversal + 0.1 s", reversal + 0.1},
            {"peak yaw rate", r.peakYawRateTime},
            {"COS", r.cos},
            {"COS + 1.000 s", r.cos + 1},
            {"COS + 1.750 s", r.cos + 1.75},
            {"BOS + 1.07 s", r.bos + 1.07}};
}

// Bursts of one to five samples of each channel at every phase: far off (a lost frame), near (a move
// the channel cannot make) or zero. A lost frame is replaced and the verdict and figures are the clean
// run's.
TEST(Corruptions, BurstsOfOneToFiveSamplesAtEveryPhase) {
    for (const CarRun &run : Runs()) {
        for (const auto &[phase, t] : Phases(run.clean)) {
            for (const Channel &channel : Channels) {
                for (int count = 1; count <= 5; ++count) {
                    for (int kind = 0; kind < 3; ++kind) {
                        RunColumns c = run.columns;
                        Burst(c, channel.values, t, count,
                              kind == 0   ? channel.far
                              : kind == 1 ? channel.near
                                          : 0,
                              kind == 1);
                        const Outcome o = Evaluate(CsvOf(c), OptionsFor(Amplitude));
                        const std::string what = std::string(channel.name) + " burst of " +
                                                 std::to_string(count) +
                                                 (kind == 0   ? " far"
                                                  : kind == 1 ? " near"
                                                              : " zero") +
                                                 " at " + phase;
                        ExpectNoFalsePass(run, o, what);
                        if (kind == 0 && o.result) {
                            EXPECT_EQ(o.State(), run.clean.state)
                                << run.car << ", " << what << ": " << o.Reason();
                            EXPECT_EQ(o.result->verdict.InvalidReasons().size(), 0u)
                                << what << ": " << o.Reason();
                            EXPECT_NEAR(o.result->ratio2, run.clean.ratio2, 0.5) << run.car << ", " << what;
                            EXPECT_NEAR(o.result->displacement, run.clean.displacement, 0.02) << what;
                        }
                    }
                }
            }
        }
    }
}

// Scattered lost frames: replaced up to a twentieth of a channel; more make the run invalid.
TEST(Corruptions, ScatteredDropoutsAtOneThreeAndSixPercent) {
    for (const CarRun &run : Runs()) {
        for (const Channel &channel : Channels) {
            for (double share : {0.01, 0.03, 0.06}) {
                RunColumns c = run.columns;
                std::mt19937 random(11);
                auto &v = c.*channel.values;
                std::uniform_int_distribution<std::size_t> at(1, v.size() - 2);
                for (std::size_t n = 0; n < static_cast<std::size_t>(share * static_cast<double>(v.size()));
                     ++n) {
                    std::size_t i = at(random);
                    while (v[i] == channel.far || v[i - 1] == channel.far || v[i + 1] == channel.far)
                        i = at(random);
                    v[i] = channel.far;
                }
                const Outcome o = Evaluate(CsvOf(c), OptionsFor(Amplitude));
                const std::string what = std::string(channel.name) + " dropouts " + std::to_string(share);
                ExpectNoFalsePass(run, o, what);
                if (share > ChannelPhysics::MostDropouts) {
                    EXPECT_EQ(o.State(), RunState::Invalid) << run.car << ", " << what;
                    EXPECT_NE(o.Reason().find("cannot be trusted"), std::string::npos) << o.Reason();
                } else {
                    EXPECT_EQ(o.State(), run.clean.state) << run.car << ", " << what << ": " << o.Reason();
                }
            }
        }
    }
}

// A logger file or CSV whose units do not say what the values are in, a lagging channel, the test's
// conditions not shown, logs of other runs, two runs in a log.
struct Fault {
    const char *what;
    std::function<void(RunColumns &, SwdOptions &, std::string &text)> make; // text: the log as written
    const char
        *reason; // what the passing run's reason for being invalid says; "": it is read right, and passes
};

void Scale(std::vector<double> &v, double factor) {
    for (double &x : v) x *= factor;
}

const std::vector<Fault> &Faults() {
    static const std::vector<Fault> faults{
        {"a unit list one short (the speed's left out)",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             text = VboOf(c);
             text.replace(text.find("\nkm/h\n"), 6, "\n");
         },
         "unit"},
        {"a unit list one short (the last left out), the acceleration in m/s2",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             Scale(c.ay, StandardGravity);
             c.units[3] = "";
             text = VboOf(c);
         },
         "no unit stated"},
        {"the acceleration in m/s2 with no unit",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             Scale(c.ay, StandardGravity);
             c.units[3] = "";
             text = CsvOf(c);
         },
         "--ay-unit m/s2"},
        {"the acceleration in m/s2 headed g",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             Scale(c.ay, StandardGravity);
             text = CsvOf(c);
         },
         "is the unit right"},
        {"the yaw rate in rad/s with no unit",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             Scale(c.yaw, 3.14159265358979 / 180);
             c.units[2] = "";
             text = CsvOf(c);
         },
         "--yaw-unit rad/s"},
        {"the steer in rad with no unit",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             Scale(c.steer, 3.14159265358979 / 180);
             c.units[1] = "";
             text = CsvOf(c);
         },
         "rad"},
        {"the speed in m/s with no unit",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             Scale(c.speed, 1 / 3.6);
             c.units[4] = "";
             text = CsvOf(c);
         },
         "--speed-unit m/s"},
        {"a steer rate column before the steer",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             text = CsvOf(c);
             std::string rated = "steer rate [deg/s]," + text.substr(0, text.find('\n')) + "\n";
             for (std::size_t at = text.find('\n') + 1; at < text.size();) {
                 const std::size_t end = text.find('\n', at);
                 rated += "500," + text.substr(at, end - at) + "\n";
                 at = end + 1;
             }
             text = rated;
         },
         ""},
        {"the yaw rate 0.4 s late, with noise",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             std::mt19937 random(5);
             std::normal_distribution<double> noise(0, 0.5);
             const std::vector<double> yaw = c.yaw;
             for (std::size_t i = 0; i < yaw.size(); ++i)
                 c.yaw[i] = (i >= 80 ? yaw[i - 80] : 0) + noise(random);
             text = CsvOf(c);
         },
         "out of step"},
        {"the steer 0.2 s late",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             const std::vector<double> steer = c.steer;
             for (std::size_t i = 0; i < steer.size(); ++i) c.steer[i] = i >= 40 ? steer[i - 40] : 0;
             text = CsvOf(c);
         },
         "ahead"},
        {"the speed 50 km/h",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             for (double &v : c.speed) v = 50;
             text = CsvOf(c);
         },
         "the speed at BOS is 50.0 km/h, not 80 +/- 2 km/h"},
        {"no speed",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             c.withSpeed = false;
             text = CsvOf(c);
         },
         "--accept speed"},
        {"a run list without A",
         [](RunColumns &c, SwdOptions &o, std::string &text) {
             o.amplitudeA = 0;
             text = CsvOf(c);
         },
         "A is not known"},
        {"the log of run 1 (40.5 deg) judged as this run",
         [](RunColumns &c, SwdOptions &o, std::string &text) {
             c = DriveSineWithDwell(PassingCar(), 40.5);
             text = CsvOf(c);
             o.commandedAmplitude = Amplitude;
         },
         "not the commanded 175.50 deg"},
        {"this log judged as run 1 (40.5 deg)",
         [](RunColumns &c, SwdOptions &o, std::string &text) {
             o.commandedAmplitude = 40.5;
             text = CsvOf(c);
         },
         "not the commanded 40.50 deg"},
        {"two runs in one log",
         [](RunColumns &c, SwdOptions &, std::string &text) {
             const RunColumns once = c;
             const double end = c.time.back() + 0.005;
             for (std::size_t i = 0; i < once.time.size(); ++i) {
                 c.time.push_back(end + once.time[i]);
                 c.steer.push_back(once.steer[i]);
                 c.yaw.push_back(once.yaw[i]);
                 c.ay.push_back(once.ay[i]);
                 c.speed.push_back(once.speed[i]);
             }
             text = CsvOf(c);
         },
         "more than one run"},
    };
    return faults;
}

TEST(Corruptions, UnitsLagsConditionsAndOtherRuns) {
    for (const CarRun &run : Runs()) {
        for (const Fault &fault : Faults()) {
            RunColumns c = run.columns;
            SwdOptions options = OptionsFor(Amplitude);
            std::string text;
            fault.make(c, options, text);
            const Outcome o = Evaluate(text, options);
            ExpectNoFalsePass(run, o, fault.what);
            if (run.clean.state == RunState::Pass && *fault.reason == '\0') {
                EXPECT_EQ(o.State(), RunState::Pass) << fault.what << ": " << o.Reason(); // read right
            } else if (run.clean.state == RunState::Pass) {
                // The fault hides a condition of a passing run: the run is invalid, saying which.
                EXPECT_EQ(o.State(), RunState::Invalid) << fault.what;
                EXPECT_NE(o.Reason().find(fault.reason), std::string::npos)
                    << fault.what << ": " << o.Reason();
            }
        }
    }
    // A speed from another instrument may be stated: the run passes, saying so.
    RunColumns c = Runs()[0].columns;
    c.withSpeed = false;
    SwdOptions options = OptionsFor(Amplitude);
    options.accepted = {RunCondition::Speed};
    const SwdResult stated = EvaluateSineWithDwell(LogOf(CsvOf(c)), options);
    EXPECT_EQ(stated.state, RunState::Pass) << stated.reason;
    EXPECT_EQ(stated.verdict.StatedConditions(), std::vector<RunCondition>{RunCondition::Speed});
    // A stated speed does not replace a measured one.
    for (double &v : c.speed) v = 50;
    c.withSpeed = true;
    EXPECT_EQ(EvaluateSineWithDwell(LogOf(CsvOf(c)), options).state, RunState::Invalid);
}

// A car that spins fails, with its figures: its yaw rate grows on to the log's end (no peak: a spin), or
// comes to a stop high (the ratios fail).
TEST(Corruptions, ASpinFails) {
    for (const CarRun &run : Runs()) {
        for (bool growing : {true, false}) {
            RunColumns c = run.columns;
            const double from = run.clean.bos + 0.5 / 0.7 + 0.3;
            double at = 0;
            for (std::size_t i = 0; i < c.time.size(); ++i) {
                if (c.time[i] < from) {
                    at = c.yaw[i];
                    continue;
                }
                const double u = (c.time[i] - from) / 1.5;
                c.yaw[i] = at - 60 * (growing ? u : std::min(1.0, u)); // the other way, and on
            }
            const Outcome o = Evaluate(CsvOf(c), OptionsFor(Amplitude));
            ASSERT_TRUE(o.result) << o.refusal;
            EXPECT_EQ(o.State(), RunState::Fail) << run.car << ": " << o.Reason();
            EXPECT_EQ(o.result->spin, growing) << run.car;
            EXPECT_NE(o.Reason().find(growing ? "(a spin)" : "ratio at COS + 1.750 s"), std::string::npos)
                << o.Reason();
        }
    }
}

// Random faults on failing runs, one to three at a time, each drawn with its own parameters.
TEST(Corruptions, NoRandomFaultOfAFailingRunPasses) {
    std::mt19937 random(20260812);
    std::uniform_real_distribution<double> unit(0, 1);
    auto pick = [&](int n) { return static_cast<int>(unit(random) * n) % n; };
    int runsDrawn = 0, failed = 0, invalid = 0;
    for (int draw = 0; draw < 600; ++draw) {
        const CarRun &run = Runs()[1 + static_cast<std::size_t>(pick(3))];
        RunColumns c = run.columns;
        SwdOptions options = OptionsFor(Amplitude);
        std::string description;
        const int faults = 1 + pick(3);
        for (int f = 0; f < faults; ++f) {
            const Channel &channel = Channels[pick(3)];
            auto &v = c.*channel.values;
            const double t = unit(random) * c.time.back();
            switch (pick(11)) {
            case 0: { // a burst
                const int kind = pick(3);
                Burst(c, channel.values, t, 1 + pick(5),
                      kind == 0 ? channel.far : channel.near * (unit(random) * 2 - 1), kind != 0);
                description += " burst";
                break;
            }
            case 1: { // scattered lost frames
                const double share = 0.08 * unit(random);
                for (std::size_t n = 0; n < static_cast<std::size_t>(share * static_cast<double>(v.size()));
                     ++n)
                    v[static_cast<std::size_t>(pick(static_cast<int>(v.size())))] = channel.far;
                description += " scattered";
                break;
            }
            case 2: { // an offset
                for (double &x : v) x += channel.near * (unit(random) - 0.5);
                description += " offset";
                break;
            }
            case 3: { // noise
                std::normal_distribution<double> noise(0, channel.near * 0.1 * unit(random));
                for (double &x : v) x += noise(random);
                description += " noise";
                break;
            }
            case 4: { // the channel out of step: late or early
                const auto shift = static_cast<long>((unit(random) * 1.2 - 0.5) * 200);
                const std::vector<double> old = v;
                for (long i = 0; i < static_cast<long>(v.size()); ++i) {
                    const long from = std::clamp(i - shift, 0L, static_cast<long>(v.size()) - 1);
                    v[static_cast<std::size_t>(i)] = old[static_cast<std::size_t>(from)];
                }
                description += " shifted " + std::to_string(shift);
                break;
            }
            case 5: { // the other sign convention
                if (channel.values != &RunColumns::steer) Scale(v, -1);
                description += " sign";
                break;
            }
            case 6: { // another unit of the channel, stated or not
                const bool angle = channel.values != &RunColumns::ay;
                const double factor = angle ? 180 / 3.14159265358979 : StandardGravity;
                Scale(v, pick(2) ? factor : 1 / factor);
                if (unit(random) < 0.5)
                    c.units[channel.values == &RunColumns::steer ? 1
                            : channel.values == &RunColumns::yaw ? 2
                                                                 : 3] = "";
                description += " unit";
                break;
            }
            case 7: { // clipped at a sensor's range
                const double range = std::fabs(channel.near) * (0.1 + unit(random));
                for (double &x : v) x = std::clamp(x, -range, range);
                description += " clipped";
                break;
            }
            case 8: { // cut short
                const std::size_t keep =
                    static_cast<std::size_t>((0.5 + 0.5 * unit(random)) * static_cast<double>(c.time.size()));
                for (auto *column : {&c.time, &c.steer, &c.yaw, &c.ay, &c.speed}) column->resize(keep);
                description += " cut";
                break;
            }
            case 9: { // another speed, or none
                const double speed = 40 + 80 * unit(random);
                for (double &x : c.speed) x = speed;
                if (unit(random) < 0.3) c.withSpeed = false;
                description += " speed";
                break;
            }
            case 10: { // another run's amplitude, or no A
                if (unit(random) < 0.5)
                    options.commandedAmplitude = 40.5 + 13.5 * pick(10);
                else
                    options.amplitudeA = 0;
                description += " amplitude";
                break;
            }
            }
        }
        const Outcome o = Evaluate(CsvOf(c), options);
        ++runsDrawn;
        failed += o.State() == RunState::Fail;
        invalid += o.State() == RunState::Invalid;
        ASSERT_NE(o.State(), RunState::Pass) << "draw " << draw << ", " << run.car << ":" << description;
    }
    EXPECT_EQ(failed + invalid, runsDrawn);
    EXPECT_GT(failed, 0); // some faults leave the run judged, and failing
    EXPECT_GT(invalid, 0);
}

} // namespace
