// The sine-with-dwell and slowly increasing steer processing: the filter against stored reference
// values, each step on runs with a known answer, the verdicts, and logs that lack what a step needs.
#include "files/fileio.h"
#include "measure/evaluate.h"
#include "measure/lowpass.h"
#include "measure/sis.h"
#include "measure/vbo.h"
#include "measure/vehicle.h"
#include "swd_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

constexpr double Pi = 3.14159265358979323846;

// Reference values of tests/measure/reference/lowpass_reference.py (SciPy's sosfiltfilt).
TEST(PhaselessLowPass, MatchesTheStoredReference) {
    std::ifstream file(std::string(QUILLARD_TESTS) + "/measure/reference/lowpass_reference.csv");
    ASSERT_TRUE(file) << "reference file missing";
    std::string line;
    std::getline(file, line);
    std::vector<double> input, at10, at6;
    while (std::getline(file, line)) {
        std::istringstream row(line);
        double values[4];
        char comma;
        row >> values[0] >> comma >> values[1] >> comma >> values[2] >> comma >> values[3];
        input.push_back(values[1]), at10.push_back(values[2]), at6.push_back(values[3]);
    }
    ASSERT_EQ(input.size(), 300u);
    for (const auto &[cutoff, expected] : {std::pair{10.0, at10}, std::pair{6.0, at6}}) {
        const std::vector<double> filtered = PhaselessLowPass(input, 200, cutoff);
        double worst = 0;
        for (std::size_t i = 0; i < input.size(); ++i)
            worst = std::max(worst, std::fabs(filtered[i] - expected[i]));
        EXPECT_LT(worst, 2e-4) << cutoff << " Hz"; // single-precision coefficients on a 45-degree signal
    }
}

TEST(PhaselessLowPass, RefusesACutoffAtOrAboveHalfTheSampleRate) {
    EXPECT_THROW(PhaselessLowPass(std::vector<double>(100, 1.0), 20, 10), FormatError);
}

TEST(LateralDisplacement, IntegratesTwiceFromAnInstantBetweenSamples) {
    VehicleLog log = SampledVehicleLog(
        100, 4, [](double) { return 0; }, [](double) { return 0; }, [](double t) { return t; });
    // Constant acceleration: exact for trapezoids. A ramp: a/6 T^3 plus the start value's share.
    const std::vector<double> constant(log.time.size(), 0.5);
    EXPECT_NEAR(LateralDisplacement(log.time, constant, 1.234, 1.07), 0.5 * StandardGravity * 1.07 * 1.07 / 2,
                1e-12);
    const double t0 = 1.234, T = 1.07;
    EXPECT_NEAR(LateralDisplacement(log.time, log.lateralAcceleration, t0, T),
                StandardGravity * (t0 * T * T / 2 + T * T * T / 6), 1e-4);
}

// A sine with dwell of 100 deg from 1.5 s; the yaw rate a half sine, then after the steer's reversal
// a smooth lobe of -30 deg/s peaking 0.5 s later and decaying: x/tau e^(1 - x/tau).
const double T0 = 1.5, F = 0.7, Tau = 0.5, Reversal = T0 + 0.5 / F;
double Lobe(double x) { return x / Tau * std::exp(1 - x / Tau); }
double DecayingYaw(double t) {
    if (t < T0) return 0;
    if (t < Reversal) return 20 * std::sin(Pi * (t - T0) / (0.5 / F));
    return -30 * Lobe(t - Reversal);
}
VehicleLog KnownRun(double end = 7) {
    return SampledVehicleLog(
        200, end, [](double t) { return SineWithDwellSteer(t, T0, 100, F); }, DecayingYaw,
        [](double t) { return SineWithDwellSteer(t - 0.1, T0, 0.006, F); });
}

TEST(EvaluateSineWithDwell, FindsEachStepOfAKnownRun) {
    SwdOptions options;
    options.amplitudeA = 20;
    options.commandedAmplitude = 100;
    const SwdResult r = EvaluateSineWithDwell(KnownRun(), options);
    EXPECT_NEAR(r.onset, T0, 0.03);
    EXPECT_NEAR(r.zeroTo - r.zeroFrom, 1.0, 1e-9);
    EXPECT_NEAR(r.steerZero, 0, 0.02); // the filter's response starts a little before the steer
    EXPECT_EQ(r.firstSteer, 1);
    EXPECT_NEAR(r.bos, T0 + std::asin(0.05) / (2 * Pi * F), 0.004);
    // The filtered steer rings a little past zero where the sampled one stops on it.
    EXPECT_GT(r.cos, T0 + 1 / F + 0.5);
    EXPECT_LT(r.cos, T0 + 1 / F + 0.5 + 0.02);
    EXPECT_NEAR(r.peakYawRate, -30, 0.1);
    EXPECT_NEAR(r.peakYawRateTime, Reversal + Tau, 0.02);
    EXPECT_NEAR(r.ratio1, 100 * Lobe(r.cos + 1 - Reversal), 0.2);
    EXPECT_NEAR(r.ratio2, 100 * Lobe(r.cos + 1.75 - Reversal), 0.2);
    EXPECT_TRUE(r.pass1 && r.pass2);
    EXPECT_TRUE(r.displacementApplies); // 100 deg is 5 A
    EXPECT_FALSE(*r.passDisplacement);  // a thousandth of a g goes nowhere
    EXPECT_FALSE(r.pass);
}

TEST(EvaluateSineWithDwell, JudgesTheDisplacementFromFiveAAndByWeight) {
    const VehicleLog log = KnownRun();
    SwdOptions options;
    options.accepted = {RunCondition::Speed}; // the log has no speed
    options.commandedAmplitude = 100;
    options.amplitudeA = 20.1; // 100 deg is below 5 A
    EXPECT_FALSE(EvaluateSineWithDwell(log, options).passDisplacement.has_value());
    EXPECT_TRUE(EvaluateSineWithDwell(log, options).pass);
    options.amplitudeA = 20;
    options.gvwr = 3600;
    EXPECT_DOUBLE_EQ(EvaluateSineWithDwell(log, options).displacementLimit, 1.52);
}

TEST(EvaluateSineWithDwell, BadLogsNameWhatIsMissing) {
    const std::vector<std::pair<VehicleLog, std::string>> cases{
        {SampledVehicleLog(
             200, 8, [](double t) { return 10 * std::sin(2 * Pi * 0.2 * t); }, [](double) { return 0; },
             [](double) { return 0; }),
         "the steer rate never stays above 75 deg/s for 200 ms"},
        {KnownRun(T0 + 1 / F + 0.5 + 1.2), "before COS + 1.750 s"},
        {KnownRun(T0 + 0.6), "never turns back through zero after its first peak"},
        {KnownRun(T0 + 1.5), "never returns to zero after its second peak"},
    };
    for (const auto &[log, message] : cases) {
        const SwdResult r = EvaluateSineWithDwell(log);
        EXPECT_EQ(r.state, RunState::Invalid) << message;
        EXPECT_FALSE(r.processed) << message;
        EXPECT_NE(r.reason.find(message), std::string::npos) << r.reason;
    }
}

// A slow ramp of 13.5 deg/s from 1 s with a lateral acceleration of steer / gain (deg per g).
VehicleLog SisRun(double gain, double direction) {
    auto steer = [=](double t) { return direction * 13.5 * std::max(0.0, t - 1); };
    return SampledVehicleLog(
        100, 5, steer, [](double) { return 0; }, [=](double t) { return steer(t) / gain; });
}

TEST(EvaluateSlowlyIncreasingSteer, ReadsTheAngleAtAThirdOfAGOffTheRegression) {
    const SisResult left = EvaluateSlowlyIncreasingSteer(SisRun(90, 1));
    EXPECT_NEAR(left.angle, 27, 1e-3);
    EXPECT_NEAR(left.slope, 90, 1e-2);
    EXPECT_TRUE(left.zeroed);
    const SisResult right = EvaluateSlowlyIncreasingSteer(SisRun(92, -1));
    EXPECT_NEAR(right.angle, -27.6, 1e-3);
    EXPECT_DOUBLE_EQ(AmplitudeA({left, right}), 27.3);
    SisOptions options;
    options.fitHigh = 0.7; // the run ends at 0.6 g
    const SisResult cut = EvaluateSlowlyIncreasingSteer(SisRun(90, 1), options);
    EXPECT_EQ(cut.state, RunState::Invalid);
    EXPECT_NE(cut.reason.find("never reaches 0.7 g"), std::string::npos) << cut.reason;
}

// The rehearsal vehicle: a campaign's logs behave as the criteria expect of a stable and an
// unstable car.
std::vector<VehicleSample> Drive(const VehicleParameters &car, double amplitude) {
    return SimulateVehicle(
        car, [=](double t) { return SineWithDwellSteer(t, 1, amplitude); }, 6.5, 200);
}
VehicleLog AsLog(const std::vector<VehicleSample> &samples) {
    return ParseVehicleLog(SimulatedLogText(VehicleParameters{}, samples, "test"), {});
}

TEST(SimulateVehicle, AStableCarPassesAndOneWithoutStabilityControlSpinsOut) {
    const VehicleParameters stable;
    SwdOptions options;
    options.amplitudeA = 27;
    options.commandedAmplitude = 6.5 * 27;
    EXPECT_TRUE(EvaluateSineWithDwell(AsLog(Drive(stable, 6.5 * 27)), options).pass);
    VehicleParameters unstable = stable;
    unstable.stabilityControl = 0;
    const SwdResult spun = EvaluateSineWithDwell(AsLog(Drive(unstable, 6.5 * 27)), options);
    EXPECT_FALSE(spun.pass1);
    EXPECT_GT(spun.displacement, 1.83);

    const auto sis = SimulateVehicle(
        stable, [](double t) { return 13.5 * std::max(0.0, t - 1); }, 10, 100);
    VehicleLogOptions sisOptions;
    sisOptions.needsYawRate = false;
    const double angle =
        EvaluateSlowlyIncreasingSteer(ParseVehicleLog(SimulatedLogText(stable, sis, ""), sisOptions)).angle;
    EXPECT_GT(angle, 20);
    EXPECT_LT(angle, 35);
}

TEST(VehicleParameters, TheDefaultFileReadsBackAndFaultsNameTheirLine) {
    EXPECT_EQ(ParseVehicleParameters(DefaultVehicleText()).mass, VehicleParameters{}.mass);
    EXPECT_EQ(ParseVehicleParameters("name = van\nmass_kg = 3000 # loaded\n").mass, 3000);
    for (const char *bad :
         {"mass_kg = 3000\nwheels = 4\n", "mass_kg 3000\n", "mass_kg = -1\n", "friction = x\n"})
        EXPECT_THROW(ParseVehicleParameters(bad), FormatError) << bad;
}

} // namespace

namespace {

// The same run steered the other way, with the yaw rate logged with the opposite sign, a logger's
// offsets and a lost frame gives the same figures.
TEST(EvaluateSineWithDwell, TheFiguresDoNotDependOnDirectionSignConventionOffsetsOrDropouts) {
    SwdOptions options;
    options.amplitudeA = 20;
    options.commandedAmplitude = 100;
    const SwdResult clean = EvaluateSineWithDwell(KnownRun(), options);
    VehicleLog other = KnownRun();
    for (double &s : other.steer) s = -s + 3;                  // to the right, 3 deg off centre
    for (double &a : other.lateralAcceleration) a = -a + 0.02; // a sensor 0.02 g off
    other.yawRate[700] = 5000;                                 // a lost frame, as the reader replaces it
    DropoutRules yaw;
    yaw.kind = ChannelKind::YawRate;
    ASSERT_EQ(ReplaceDropouts(other.time, other.yawRate, "yaw rate", yaw).dropouts.size(), 1u);
    const SwdResult r = EvaluateSineWithDwell(other, options);
    EXPECT_EQ(r.firstSteer, -1);
    EXPECT_NEAR(r.steerZero, 3, 0.03);
    EXPECT_NEAR(r.bos, clean.bos, 1e-6);
    EXPECT_NEAR(r.cos, clean.cos, 1e-6);
    EXPECT_NEAR(r.peakYawRate, clean.peakYawRate,
                1e-3); // the yaw rate kept its sign: opposite to the steer's
    EXPECT_NEAR(r.ratio1, clean.ratio1, 1e-3);
    EXPECT_NEAR(r.ratio2, clean.ratio2, 1e-3);
    EXPECT_NEAR(r.displacement, clean.displacement, 1e-6);
    ASSERT_FALSE(r.warnings.empty());
    EXPECT_NE(r.warnings.front().find("opposite sign"), std::string::npos);
}

TEST(EvaluateSlowlyIncreasingSteer, ZeroesTheOffsetsOnTheStillTimeBeforeTheSteer) {
    VehicleLog log = SisRun(90, 1);
    for (double &s : log.steer) s += 2;
    for (double &a : log.lateralAcceleration) a -= 0.03;
    const SisResult r = EvaluateSlowlyIncreasingSteer(log);
    EXPECT_TRUE(r.zeroed);
    EXPECT_NEAR(r.steerZero, 2, 1e-3);
    EXPECT_NEAR(r.angle, 27, 1e-3);
    EXPECT_NEAR(r.fitFrom, 1 + 0.1 * 90 / 13.5, 0.02); // where 0.1 g is reached
}

TEST(VboFiles, AreCarriedAcrossMidnight) {
    std::string text = "[header]\ntime\nsteer\n[column names]\ntime steer\n[data]\n";
    for (const char *row : {"235959.90 1\n", "235959.95 2\n", "000000.00 3\n", "000000.05 4\n"}) text += row;
    const MeasuredLog log = ParseLog(text, {});
    ASSERT_EQ(log.time.size(), 4u);
    EXPECT_NEAR(log.time[3], 0.15, 1e-6);
}

} // namespace

namespace {

// A run is a slowly increasing steer only when it is one: the steer rising steadily at about the
// commanded 13.5 deg/s through the fit, with enough samples there and still time before it.
TEST(EvaluateSlowlyIncreasingSteer, EachRunIsCheckedAsTheProcedure) {
    auto run = [](std::function<double(double)> steer, double end = 5) {
        return SampledVehicleLog(
            100, end, steer, [](double) { return 0; }, [=](double t) { return steer(t) / 90; });
    };
    const std::vector<std::pair<VehicleLog, std::string>> cases{
        {SisRun(90, 1), ""},
        {run([](double t) { return SineWithDwellSteer(t, 1, 100); }),
         "not at about the commanded 13.5 deg/s"},
        {run([](double t) { return t < 1 ? 0 : 40 * std::sin(2 * Pi * 0.5 * (t - 1)); }), "not at about"},
        {run([](double t) { return 30 * std::max(0.0, t - 1); }), "rises at 30.00 deg/s"},
        {run([](double t) { return 13.5 * std::max(0.0, t - 1) + 2; }, 5), ""}, // an offset, zeroed
        {run([](double t) { return 13.5 * t + 2; }), "the log starts with the steer already moving"},
        {run([](double t) { return 13.5 * std::max(0.0, t - 0.2); }), "too little still time"},
        {run([](double t) { // stops for half a second in the fit and goes on faster
             const double x = std::max(0.0, t - 1);
             return x < 1.5 ? 13.5 * x : x < 2 ? 20.25 : 20.25 + 20 * (x - 2);
         }),
         "not a steady 13.5 deg/s"},
    };
    for (const auto &[log, reason] : cases) {
        const SisResult r = EvaluateSlowlyIncreasingSteer(log);
        EXPECT_EQ(r.state, reason.empty() ? RunState::Pass : RunState::Invalid) << reason << ": " << r.reason;
        EXPECT_NE(r.reason.find(reason), std::string::npos) << r.reason;
    }
    // A sine with dwell of the rehearsal car is no slowly increasing steer either.
    const VehicleLog swd = AsLog(Drive(VehicleParameters{}, 100));
    EXPECT_EQ(EvaluateSlowlyIncreasingSteer(swd).state, RunState::Invalid);
}

TEST(AmplitudeOfRuns, IsKnownFromValidRunsAndNamesTheirDirections) {
    const SisResult left = EvaluateSlowlyIncreasingSteer(SisRun(90, 1)),
                    right = EvaluateSlowlyIncreasingSteer(SisRun(92, -1));
    const SisAmplitude both = AmplitudeOfRuns({left, right, left, right, left, right});
    ASSERT_TRUE(both.a);
    EXPECT_DOUBLE_EQ(*both.a, 27.3);
    EXPECT_TRUE(both.warnings.empty());
    const SisAmplitude oneWay = AmplitudeOfRuns({left, left, left});
    EXPECT_DOUBLE_EQ(*oneWay.a, 27);
    ASSERT_EQ(oneWay.warnings.size(), 1u);
    EXPECT_EQ(oneWay.warnings[0],
              "A is the mean of 3 run(s) steered anticlockwise (positive) and 0 clockwise "
              "(negative): the procedure takes 3 each way");
    SisResult bad = left;
    bad.state = RunState::Invalid, bad.pass = false;
    const SisAmplitude unknown = AmplitudeOfRuns({left, bad, right});
    EXPECT_FALSE(unknown.a);
    EXPECT_EQ(unknown.reason, "A is not known: run 2 is invalid");
}

// A 20 Hz log is refused for a 10 Hz filter in the filter's own precision, before the filter's design
// is asked (which would print its own text: quillard-cli's test sees that standard error stays empty).
TEST(PhaselessLowPass, RefusesACutoffAtHalfTheRateAsTheDesignSeesIt) {
    try {
        PhaselessLowPass(std::vector<double>(100, 1.0), 1 / 0.049999999999999996, 10);
        ADD_FAILURE();
    } catch (const FormatError &e) {
        EXPECT_EQ(
            std::string(e.what()),
            "the log's sample rate of 20 Hz is too low for a 10 Hz low-pass filter (more than 20 Hz needed)");
    }
}

// Parameters within their ranges whose run diverges at the model's step are refused; every row of a
// run is written whole.
TEST(SimulateVehicle, RefusesARunThatDivergesAndWritesEveryRowWhole) {
    for (auto change : {+[](VehicleParameters &p) { p.yawInertia = 1e-300; },
                        +[](VehicleParameters &p) { p.stabilityControl = 1e8; }}) {
        VehicleParameters car;
        change(car);
        try {
            Drive(car, 100);
            ADD_FAILURE();
        } catch (const FormatError &e) {
            EXPECT_NE(std::string(e.what()).find("make the model diverge"), std::string::npos) << e.what();
        }
    }
    VehicleParameters named;
    named.name = std::string(300, 'n');
    const std::string text = SimulatedLogText(named, Drive(named, 100), std::string(400, 'x'));
    EXPECT_NE(text.find("# vehicle: " + named.name + "; 80 km/h"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5 + static_cast<long>(Drive(named, 100).size()));
}

} // namespace

namespace {

// A yaw rate that lags and dips to below zero just where the steer peaks first: its sign comes from
// its whole first lobe, so the peak is the second lobe's and the ratios are those of the run.
TEST(EvaluateSineWithDwell, TheYawRatesSignComesFromItsWholeFirstLobe) {
    SwdOptions options;
    options.amplitudeA = 20;
    options.commandedAmplitude = 100;
    options.accepted = {RunCondition::Speed};
    VehicleLog log = KnownRun();
    const double firstPeak = T0 + 0.25 / F;
    for (std::size_t i = 0; i < log.time.size(); ++i) {
        const double t = log.time[i];
        log.yawRate[i] = DecayingYaw(t - 0.15) - 25 * std::exp(-std::pow((t - firstPeak) / 0.06, 2));
    }
    const SwdResult r = EvaluateSineWithDwell(log, options);
    ASSERT_TRUE(r.processed) << r.reason;
    EXPECT_LT(r.traces.yawRate[static_cast<std::size_t>(firstPeak * 200)],
              0); // one sample would say opposite
    EXPECT_EQ(r.yawSign, 1);
    EXPECT_NEAR(r.peakYawRate, -30, 0.5);
    EXPECT_GT(r.ratio1, 0);
    EXPECT_NEAR(r.ratio2, 100 * Lobe(r.cos + 1.75 - Reversal - 0.15), 0.5);
    for (const std::string &w : r.warnings) EXPECT_EQ(w.find("opposite sign"), std::string::npos) << w;
}

} // namespace
