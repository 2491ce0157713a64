// The steps of the handling evaluations: logs that cannot give their figures each say why, the channels
// they read, the extremes and crossings they find, the spectra of the frequency response, the evaluation
// each template's runs take, and the rehearsal vehicle's roll-rate wait and linear limit.
#include "handling_log.h"
#include "measure/handling.h"
#include "measure/spectra.h"
#include "measure/understeer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>

namespace {

VehicleLogOptions Without(bool yawRate, bool roll = false) {
    VehicleLogOptions options;
    options.needsYawRate = yawRate;
    options.needsRoll = roll;
    return options;
}

const VehicleParameters Car = ReferenceVehicle("default");

const TemplateValues Step{{"amplitude", 30}, {"steer-rate", 200}, {"hold", 4}};
const TemplateValues Sweep{
    {"amplitude", 10}, {"start-frequency", 0.2}, {"end-frequency", 3}, {"sweep-time", 25}, {"rate", 512}};

// The log as text with a column changed or left out.
std::string Rewritten(const VehicleLog &log, const std::string &header,
                      const std::function<std::string(std::size_t)> &row) {
    std::string text = header + "\n";
    for (std::size_t i = 0; i < log.time.size(); ++i) text += row(i) + "\n";
    return text;
}

std::string Cells(std::initializer_list<double> values) {
    std::string text;
    char cell[40];
    for (double v : values) {
        std::snprintf(cell, sizeof cell, "%s%.6g", text.empty() ? "" : ",", v);
        text += cell;
    }
    return text;
}

// A sweep of 1 deg whose responses drown in sensor noise a vehicle's sensors can have.
VehicleLog NoisySweep() {
    const VehicleLog clean = SimulatedLog(Car, "linear-sweep",
                                          {{"amplitude", 1},
                                           {"start-frequency", 0.2},
                                           {"end-frequency", 3},
                                           {"sweep-time", 25},
                                           {"rate", 512}});
    std::mt19937 random(7);
    std::normal_distribution<double> yaw(0, 1.5), ay(0, 0.05);
    return ParseVehicleLog(Rewritten(clean, "time [s],steer [deg],yaw rate [deg/s],lateral acceleration [g]",
                                     [&](std::size_t i) {
                                         return Cells({clean.time[i], clean.steer[i],
                                                       clean.yawRate[i] + yaw(random),
                                                       clean.lateralAcceleration[i] + ay(random)});
                                     }),
                           {});
}

// The rehearsal car's fishhook, with the lift column as the test writes it.
VehicleLog Fishhook(const VehicleParameters &car, const std::string &liftHeader, bool flag = false) {
    const VehicleLog log = SimulatedLog(car, "fishhook", {{"amplitude", 176}, {"maxsteer", 300}}, 100, false);
    return ParseVehicleLog(
        Rewritten(log,
                  "time [s],steer [deg],roll [deg],roll rate [deg/s],lateral acceleration [g]" + liftHeader,
                  [&](std::size_t i) {
                      const double lift = flag ? (log.wheelLift[i] > 0 ? 1 : 0) : log.wheelLift[i];
                      return Cells({log.time[i], log.steer[i], log.roll[i], log.rollRate[i],
                                    log.lateralAcceleration[i]}) +
                             (liftHeader.empty() ? "" : "," + Cells({lift}));
                  }),
        Without(false, true));
}

TEST(HandlingStates, EachLogThatCannotGiveItsFiguresSaysWhy) {
    VehicleParameters lifting = Car;
    lifting.liftRoll = 3; // the inner wheels leave the ground early
    const struct {
        const char *what;
        std::function<HandlingResult()> evaluate;
        RunState state;
        const char *words;
    } cases[] = {
        {"a step held 1.5 s",
         [] {
             return EvaluateHandling(
                 HandlingKind::Step,
                 SimulatedLog(Car, "step-steer", {{"amplitude", 30}, {"steer-rate", 200}, {"hold", 1.5}}));
         },
         RunState::Invalid, "no hold long enough for a steady state"},
        {"a step 0.3 s after the log starts",
         [] {
             return EvaluateHandling(
                 HandlingKind::Step,
                 SimulatedLog(Car, "step-steer", {{"amplitude", 30}, {"steer-rate", 200}, {"lead", 0.3}}));
         },
         RunState::Invalid, "too little still time to zero the channels on"},
        {"a slow ramp as a step",
         [] {
             return EvaluateHandling(
                 HandlingKind::Step,
                 SimulatedLog(Car, "slowly-increasing-steer", {{"steer-rate", 13.5}, {"end-angle", 60}}));
         },
         RunState::Invalid, "the steer is no step: it takes 3.556 s from 10 % to 90 %"},
        {"a step as a single sine",
         [] { return EvaluateHandling(HandlingKind::Sine, SimulatedLog(Car, "step-steer", Step)); },
         RunState::Invalid, "the log holds no single-period sine"},
        {"a sweep drowned in noise", [] { return EvaluateHandling(HandlingKind::Response, NoisySweep()); },
         RunState::Invalid, "below the coherence limit"},
        {"a slowly increasing steer to 0.12 g",
         [] {
             return EvaluateHandling(
                 HandlingKind::Understeer,
                 SimulatedLog(Car, "slowly-increasing-steer", {{"steer-rate", 13.5}, {"end-angle", 10}}));
         },
         RunState::Invalid, "outside the linear range"},
        {"a fishhook without a lift column",
         [] { return EvaluateHandling(HandlingKind::Rollover, Fishhook(Car, "")); }, RunState::Invalid,
         "the log has no wheel lift column, so the lift criterion"},
        {"a fishhook whose lift has no unit",
         [] { return EvaluateHandling(HandlingKind::Rollover, Fishhook(Car, ",wheel lift")); },
         RunState::Invalid, "has no unit stated, so the lift criterion"},
        {"a fishhook whose lift is a flag",
         [&] { return EvaluateHandling(HandlingKind::Rollover, Fishhook(lifting, ",lift", true)); },
         RunState::Invalid, "a logger's flag, not a height"},
        {"a fishhook that lifts two wheels",
         [&] { return EvaluateHandling(HandlingKind::Rollover, Fishhook(lifting, ",wheel lift [mm]")); },
         RunState::Fail, "two-wheel lift: the wheels of one side are off the ground"},
        {"a fishhook that keeps its wheels down",
         [] { return EvaluateHandling(HandlingKind::Rollover, Fishhook(Car, ",wheel lift [mm]")); },
         RunState::Pass, ""},
    };
    for (const auto &c : cases) {
        const HandlingResult r = c.evaluate();
        EXPECT_EQ(r.state, c.state) << c.what << ": " << r.reason;
        EXPECT_NE(r.reason.find(c.words), std::string::npos) << c.what << ": " << r.reason;
    }
}

TEST(HandlingStates, AFishhookCountersteersWhenTheRollRateFallsBackAndALiftIsTimed) {
    VehicleParameters lifting = Car;
    lifting.liftRoll = 3;
    const HandlingResult r = EvaluateHandling(HandlingKind::Rollover, Fishhook(lifting, ",wheel lift [mm]"));
    // The simulated machine waits at WAITFORROLLPEAK for the roll rate to fall to 1.5 deg/s: the
    // countersteer follows within its step and the integration's.
    EXPECT_NEAR(*r.Value("countersteer_after_feedback_s"), 0, 0.003);
    EXPECT_GT(*r.Value("countersteer_after_roll_rate_peak_s"), 0.1);
    EXPECT_EQ(*r.Value("fishhook"), 1);
    EXPECT_GT(*r.Value("largest_lift_mm"), 50.8);
    EXPECT_LT(*r.Value("lift_start_s"), *r.Value("lift_end_s"));
    // A J-turn has no countersteer, and says so.
    const HandlingResult j =
        EvaluateHandling(HandlingKind::Rollover,
                         SimulatedLog(Car, "j-turn", {{"amplitude", 200}, {"maxsteer", 300}}, 100, false));
    EXPECT_EQ(*j.Value("fishhook"), 0);
    EXPECT_EQ(j.Find("countersteer_time_s")->note, "a J-turn has none");
}

TEST(HandlingChannels, SideslipRollRateAndLiftAreFoundByNameInTheirUnits) {
    const struct {
        const char *header;
        ChannelKind kind;
        double factor; // to deg, deg/s or mm
        bool stated;
    } cases[] = {
        {"Sideslip [deg]", ChannelKind::SideslipAngle, 1, true},
        {"beta [rad]", ChannelKind::SideslipAngle, 180 / std::numbers::pi, true},
        {"Body slip angle", ChannelKind::SideslipAngle, 1, false},
        {"Roll Rate [deg/s]", ChannelKind::RollRate, 1, true},
        {"roll velocity (rad/s)", ChannelKind::RollRate, 180 / std::numbers::pi, true},
        {"two-wheel lift [mm]", ChannelKind::WheelLift, 1, true},
        {"Wheel lift [cm]", ChannelKind::WheelLift, 10, true},
        {"lift [in]", ChannelKind::WheelLift, 25.4, true},
        {"lift", ChannelKind::WheelLift, 1, false},
    };
    for (const auto &c : cases) {
        const std::string text =
            std::string("time,steer,lateral acceleration,") + c.header + "\n0,0,0,0\n0.01,0,0,2\n";
        const VehicleLog log = ParseVehicleLog(text, Without(false));
        ASSERT_EQ(ChannelValues(log, c.kind).size(), 2u) << c.header;
        EXPECT_NEAR(ChannelValues(log, c.kind)[1], 2 * c.factor, 1e-9) << c.header;
        EXPECT_EQ(ChannelOf(log, c.kind).unitStated, c.stated) << c.header;
        // A roll rate or a lift is never taken for the roll angle or the speed.
        EXPECT_TRUE(log.roll.empty() && log.speed.empty()) << c.header;
    }
    const VehicleLog wrong =
        ParseVehicleLog("time,steer,ay,lift [deg]\n0,0,0,0\n0.01,0,0,1\n", Without(false));
    EXPECT_NE(wrong.liftChannel.unitProblem.find("is the wheel lift but its unit deg is an angle's"),
              std::string::npos)
        << wrong.liftChannel.unitProblem;
}

TEST(HandlingChannels, TheLiftUnitOptionAndTheRollARolloverNeedsGoThroughTheOneReader) {
    // The option's unit wins over none and over the header's; it states the unit.
    const struct {
        const char *header, *given;
        double factor;
    } units[] = {{"lift", "cm", 10}, {"lift [mm]", "in", 25.4}, {"wheel lift [in]", "m", 1000}};
    for (const auto &u : units) {
        VehicleLogOptions options = Without(false);
        options.liftUnit = u.given;
        const VehicleLog log =
            ParseVehicleLog(std::string("time,steer,ay,") + u.header + "\n0,0,0,0\n0.01,0,0,2\n", options);
        ASSERT_EQ(log.wheelLift.size(), 2u) << u.header;
        EXPECT_NEAR(log.wheelLift[1], 2 * u.factor, 1e-9) << u.header;
        EXPECT_TRUE(log.liftChannel.unitStated) << u.header;
        EXPECT_EQ(log.liftChannel.unit, u.given) << u.header;
    }
    // A fishhook's log without a roll angle is refused, naming the channel; other runs read it without.
    const std::string noRoll = "time,steer,yaw rate,ay\n0,0,0,0\n0.01,1,0,0\n";
    EXPECT_NO_THROW(ParseVehicleLog(noRoll, Without(true)));
    try {
        ParseVehicleLog(noRoll, Without(true, true));
        ADD_FAILURE() << "a log without a roll angle was read for a rollover run";
    } catch (const std::exception &e) {
        EXPECT_NE(std::string(e.what()).find("roll"), std::string::npos) << e.what();
    }
}

TEST(HandlingChannels, ALoggerFileNamedAsLoggersNameTheChannelsIsEvaluatedWithoutColumnOptions) {
    const VehicleLog simulated = SimulatedLog(Car, "step-steer", Step);
    const std::string text =
        Rewritten(simulated, "Time,SteerAng,Yaw_Rate,Y_Accel,Velocity", [&](std::size_t i) {
            return Cells({simulated.time[i], simulated.steer[i], simulated.yawRate[i],
                          simulated.lateralAcceleration[i], simulated.speed[i]});
        });
    const VehicleLog log = ParseVehicleLog(text, VehicleLogOptions{});
    EXPECT_EQ(log.steerChannel.column.name, "SteerAng");
    EXPECT_EQ(log.yawChannel.column.name, "Yaw_Rate");
    EXPECT_EQ(log.ayChannel.column.name, "Y_Accel");
    EXPECT_EQ(log.speedChannel.column.name, "Velocity");
    const HandlingResult r = EvaluateHandling(HandlingKind::Step, log, {});
    EXPECT_EQ(r.state, RunState::Pass) << r.reason;
    // The same figure as from the log the rehearsal vehicle wrote.
    const HandlingResult own = EvaluateHandling(HandlingKind::Step, simulated, {});
    ASSERT_TRUE(r.Value("time_zero_s") && own.Value("time_zero_s"));
    EXPECT_NEAR(*r.Value("time_zero_s"), *own.Value("time_zero_s"), 1e-6);
}

TEST(HandlingEvents, ExtremesCrossingsAndDepartures) {
    // A sampled parabola's vertex between samples is found exactly; a held top is taken as sampled.
    std::vector<double> t, y;
    for (int i = 0; i <= 20; ++i)
        t.push_back(0.1 * i), y.push_back(3 - 2 * (0.1 * i - 1.234) * (0.1 * i - 1.234));
    const Extreme top = *LargestIn(t, y, 0, t.size(), 1);
    EXPECT_NEAR(top.time, 1.234, 1e-9);
    EXPECT_NEAR(top.value, 3, 1e-9);
    const std::vector<double> held{0, 5, 9, 10, 10, 10, 6};
    const Extreme flat = *LargestIn(t, held, 0, held.size(), 1);
    EXPECT_EQ(flat.value, 10);
    EXPECT_DOUBLE_EQ(flat.time, 0.3);
    // Reaching a level from either side, between samples; not reaching it.
    EXPECT_NEAR(*FirstReach(t, held, 0, held.size(), 7.5), 0.1 + 0.1 * 2.5 / 4, 1e-12);
    EXPECT_NEAR(*FirstReach(t, held, 3, held.size(), 8), 0.5 + 0.1 * 0.5, 1e-12);
    EXPECT_FALSE(FirstReach(t, held, 0, held.size(), 11));
    // A quantised, noisy steer leaves its level where it truly moves, not at its noise.
    std::vector<double> time, steer;
    std::mt19937 random(3);
    std::uniform_int_distribution<int> step(-1, 1);
    for (int i = 0; i < 300; ++i) {
        time.push_back(0.01 * i);
        steer.push_back(0.1 * step(random) + (i >= 150 ? 2.0 * (i - 150) : 0.0));
    }
    EXPECT_EQ(SteerDeparture(time, steer, 0.02, 0.5, 1), 151u);
}

TEST(HandlingSpectra, H1OfAGainAndADelayAndTheCoherenceOfNoise) {
    // y = 2 x(t - 0.1 s) for a broadband x: H1 = 2 at -36 deg per hertz; an independent y has no coherence.
    const double fs = 100;
    std::mt19937 random(5);
    std::normal_distribution<double> white(0, 1);
    std::vector<double> x(12000), y(12000, 0.0), other(12000);
    for (double &v : x) v = white(random);
    for (std::size_t i = 10; i < x.size(); ++i) y[i] = 2 * x[i - 10];
    for (double &v : other) v = white(random);
    const WelchSpectra s = Welch(x, {y, other}, fs, 2000, 500);
    EXPECT_EQ(s.segments, 21u);
    EXPECT_DOUBLE_EQ(s.binHz, 0.05);
    const auto xx = BandAverage(s.xx, 2);
    for (std::size_t k : {20u, 40u, 100u}) { // 1, 2 and 5 Hz
        const std::complex<double> h = s.xy[0][k] / s.xx[k];
        EXPECT_NEAR(std::abs(h), 2, 0.01) << k;
        const double phase = std::arg(h) * 180 / std::numbers::pi;
        EXPECT_NEAR(std::remainder(phase + 36.0 * s.binHz * static_cast<double>(k), 360.0), 0, 1) << k;
        const auto yy = BandAverage(s.yy[1], 2);
        const auto xy = BandAverage(s.xy[1], 2);
        EXPECT_LT(std::norm(xy[k]) / (xx[k] * yy[k]), 0.2) << k;
    }
    EXPECT_THROW(Welch(std::vector<double>(100), {}, fs, 2000, 500), std::invalid_argument);
}

TEST(HandlingKinds, EveryTemplateButBrakeInTurnHasItsEvaluation) {
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates()) {
        const std::string evaluation = EvaluationOfTemplate(t.name);
        EXPECT_EQ(evaluation.empty(), t.name == "brake-in-turn") << t.name;
        EXPECT_TRUE(evaluation.empty() || evaluation == "swd" || HandlingKindNamed(evaluation)) << t.name;
        // The program a template writes names its evaluation in its first comment line.
        const std::vector<std::string> program = TemplateProgram(t.name, {});
        EXPECT_EQ(EvaluationOfComment(program.front().substr(2)), evaluation) << t.name;
    }
}

TEST(HandlingVehicle, ALinearRunBeyondWhatTyresCanDoIsRefused) {
    try {
        SimulatedLog(Car, "slowly-increasing-steer",
                     {{"steer-rate", 100}, {"end-angle", 300}, {"maxsteer", 300}});
        FAIL() << "a linear vehicle at 3.6 g was simulated";
    } catch (const FormatError &e) {
        EXPECT_NE(std::string(e.what()).find("its tyres have no limit, so steer it less"), std::string::npos)
            << e.what();
    }
    // The same run of the saturating car stays below its friction.
    const VehicleLog log =
        SimulatedLog(Car, "slowly-increasing-steer",
                     {{"steer-rate", 100}, {"end-angle", 300}, {"maxsteer", 300}}, 100, false);
    EXPECT_LT(*std::max_element(log.lateralAcceleration.begin(), log.lateralAcceleration.end()), 1.0);
}

} // namespace
