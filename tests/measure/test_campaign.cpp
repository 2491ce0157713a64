// The campaign in the core: a rehearsed series judged run by run (states, margins, direction, dropouts)
// into its verdict, the pairing of logs with runs, the run list's refusals, the test information file,
// and the one text of a run's figures.
#include "measure/campaign.h"

#include "files/fileio.h"
#include "rehearsal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <regex>

namespace {

SeriesRun SeriesRunOf(int number, double amplitude, const std::string &set = "swd-01.rom", int program = 1) {
    SeriesRun run;
    run.run = number;
    run.set = set;
    run.program = program;
    run.amplitude = amplitude;
    return run;
}

CampaignSettings SettingsWithA(double a, double gvwr = 0) {
    CampaignSettings settings;
    settings.swd.amplitudeA = a;
    settings.swd.gvwr = gvwr;
    return settings;
}

// A rehearsed series of the rehearsal car at 6.5 A (A = 27 deg), where the displacement is judged: a run
// that passes, one steered clockwise first, one of a car whose yaw rate decays too slowly, one logged at
// 50 km/h.
struct RehearsedRun {
    const char *what;
    VehicleParameters car;
    double amplitude; // deg, signed: negative steers clockwise first
    double speed = 0; // km/h logged instead of the car's; 0: the car's
    RunState state;
    const char *direction;
};

const std::vector<RehearsedRun> &Rehearsal() {
    static const std::vector<RehearsedRun> runs{
        {"passing", PassingCar(), 175.5, 0, RunState::Pass, "counter-clockwise"},
        {"clockwise first", PassingCar(), -175.5, 0, RunState::Pass, "clockwise"},
        {"slow yaw decay", SlowYawCar(), 175.5, 0, RunState::Fail, "counter-clockwise"},
        {"50 km/h", PassingCar(), 175.5, 50, RunState::Invalid, "counter-clockwise"},
    };
    return runs;
}

CampaignRunResult JudgeRehearsed(const RehearsedRun &r, int number, const CampaignSettings &settings) {
    RunColumns columns = DriveSineWithDwell(r.car, r.amplitude);
    if (r.speed > 0)
        for (double &v : columns.speed) v = r.speed;
    const VehicleLog log = LogOf(CsvOf(columns));
    return JudgeCampaignRun({SeriesRunOf(number, std::fabs(r.amplitude)), "run.csv", 0}, log, settings);
}

TEST(CampaignRuns, EachRunHasItsStateDirectionAndMarginsAndTheCampaignItsVerdict) {
    const CampaignSettings settings = SettingsWithA(27);
    std::vector<CampaignRunResult> judged;
    for (const RehearsedRun &r : Rehearsal()) {
        SCOPED_TRACE(r.what);
        judged.push_back(JudgeRehearsed(r, static_cast<int>(judged.size()) + 1, settings));
        const CampaignRunResult &c = judged.back();
        EXPECT_EQ(c.result.state, r.state) << c.result.reason;
        EXPECT_EQ(c.direction, r.direction);
        ASSERT_TRUE(c.result.processed);
        // The margin is how far the figure is from its limit, positive exactly while it meets it.
        ASSERT_TRUE(c.margins.ratio1 && c.margins.ratio2 && c.margins.displacement && c.margins.speed);
        EXPECT_DOUBLE_EQ(*c.margins.ratio1, SwdCriteria::RatioLimit1 - c.result.ratio1);
        EXPECT_DOUBLE_EQ(*c.margins.ratio2, SwdCriteria::RatioLimit2 - c.result.ratio2);
        EXPECT_DOUBLE_EQ(*c.margins.displacement, c.result.displacement - SwdCriteria::DisplacementLimit);
        EXPECT_EQ(*c.margins.ratio1 >= 0, c.result.pass1);
        EXPECT_EQ(*c.margins.ratio2 >= 0, c.result.pass2);
        EXPECT_EQ(*c.margins.displacement >= 0, *c.result.passDisplacement);
        EXPECT_EQ(*c.margins.speed >= 0, r.speed == 0) << *c.margins.speed;
        EXPECT_EQ(c.speedAtBos.has_value(), true);
        EXPECT_EQ(c.result.amplitude, std::fabs(r.amplitude)) << "the commanded amplitude is the run list's";
        EXPECT_EQ(c.warnings, static_cast<int>(c.result.warnings.size()));
    }
    // The failing run misses the later ratio by points; the clockwise run mirrors the passing one.
    EXPECT_LT(*judged[2].margins.ratio2, 0);
    EXPECT_NEAR(*judged[1].margins.ratio2, *judged[0].margins.ratio2, 0.05);
    EXPECT_NEAR(*judged[3].margins.speed, 2 - 30, 1e-3);

    // The whole campaign at once: A and the GVWR as chosen reach every run, whatever the settings held.
    std::vector<VehicleLog> logs;
    std::vector<PairedRun> paired;
    RunList list;
    for (const RehearsedRun &r : Rehearsal()) {
        RunColumns columns = DriveSineWithDwell(r.car, r.amplitude);
        if (r.speed > 0)
            for (double &v : columns.speed) v = r.speed;
        logs.push_back(LogOf(CsvOf(columns)));
        list.runs.push_back(SeriesRunOf(static_cast<int>(logs.size()), std::fabs(r.amplitude)));
        paired.push_back({list.runs.back(), "run.csv", logs.size() - 1});
    }
    const CampaignResult campaign =
        JudgeCampaignRuns(paired, logs, list, SettingsWithA(0), {27, "the run list"}, {4000, "--gvwr"}, {});
    ASSERT_EQ(campaign.runs.size(), judged.size());
    for (std::size_t k = 0; k < judged.size(); ++k) {
        EXPECT_EQ(campaign.runs[k].result.state, judged[k].result.state) << k;
        EXPECT_EQ(campaign.runs[k].result.displacementLimit, 1.52) << k;
    }
    EXPECT_EQ(campaign.settings.swd.amplitudeA, 27);
    EXPECT_EQ(campaign.verdict.state, RunState::Fail);

    const CampaignVerdict verdict = VerdictOf(judged, {27, "the run list"});
    EXPECT_EQ(verdict.state, RunState::Fail) << "a failing run fails the campaign, the invalid one too";
    EXPECT_EQ(verdict.passed, 2);
    EXPECT_EQ(verdict.failed, 1);
    EXPECT_EQ(verdict.invalid, 1);
    // The passing runs alone pass, but never without A.
    const std::vector<CampaignRunResult> passing{judged[0], judged[1]};
    EXPECT_EQ(VerdictOf(passing, {27, "the run list"}).state, RunState::Pass);
    EXPECT_EQ(VerdictOf(passing, {}).state, RunState::Invalid);
}

TEST(CampaignRuns, TheSettingsReachTheRunAndAHeavyVehicleTakesTheLowerDisplacementLimit) {
    const RehearsedRun sliding{"sliding", SlidingCar(), 175.5, 0, RunState::Fail, "counter-clockwise"};
    const CampaignRunResult light = JudgeRehearsed(sliding, 1, SettingsWithA(27));
    const CampaignRunResult heavy = JudgeRehearsed(sliding, 1, SettingsWithA(27, 4000));
    ASSERT_TRUE(light.margins.displacement && heavy.margins.displacement);
    EXPECT_DOUBLE_EQ(*light.margins.displacement, light.result.displacement - 1.83);
    EXPECT_DOUBLE_EQ(*heavy.margins.displacement, heavy.result.displacement - 1.52);
    EXPECT_LT(*light.margins.displacement, 0);
    EXPECT_EQ(light.result.state, RunState::Fail);
    // Below 5 A the displacement is not judged, so it has no margin.
    const CampaignRunResult small =
        JudgeRehearsed({"small", PassingCar(), 81, 0, RunState::Pass, ""}, 1, SettingsWithA(27));
    EXPECT_FALSE(small.margins.displacement);
    // A speed stated in the run list for the run counts as met, and says so.
    RunColumns columns = DriveSineWithDwell(PassingCar(), 135);
    columns.withSpeed = false;
    SeriesRun stated = SeriesRunOf(1, 135);
    stated.accepted = {RunCondition::Speed};
    const CampaignRunResult c =
        JudgeCampaignRun({stated, "run.csv", 0}, LogOf(CsvOf(columns)), SettingsWithA(27));
    EXPECT_EQ(c.result.state, RunState::Pass) << c.result.reason;
    EXPECT_FALSE(c.margins.speed);
    ASSERT_EQ(c.result.verdict.StatedConditions().size(), 1u);
}

TEST(CampaignRuns, DropoutsReplacedAreCountedPerRun) {
    RunColumns columns = DriveSineWithDwell(PassingCar(), 135);
    for (std::size_t i : {900u, 901u, 1300u}) columns.yaw[i] = -27899;
    const VehicleLog log = LogOf(CsvOf(columns));
    const CampaignRunResult c = JudgeCampaignRun({SeriesRunOf(1, 135), "run.csv", 0}, log, SettingsWithA(27));
    EXPECT_EQ(c.dropouts, 3);
    EXPECT_EQ(c.result.state, RunState::Pass) << c.result.reason;
}

TEST(PairLogs, ByOrderByNameAndByTheProgramEachLogNames) {
    RunList list;
    list.runs = {SeriesRunOf(1, 40, "swd-01.rom", 1), SeriesRunOf(2, 60, "swd-01.rom", 2),
                 SeriesRunOf(3, 80, "swd-02.rom", 1)};
    auto logsOf = [](const std::vector<PairedRun> &paired) {
        std::vector<std::string> logs;
        for (const PairedRun &p : paired) logs.push_back(p.log);
        return logs;
    };
    using Logs = std::vector<std::string>;
    EXPECT_EQ(logsOf(PairLogs(list, {"c.csv", "a.csv", "b.csv"}, Pairing::Order)),
              (Logs{"c.csv", "a.csv", "b.csv"}));
    const std::vector<std::pair<Logs, Logs>> byName{
        {{"dir/swd-03.csv", "dir/swd-01.csv", "dir/swd-02.csv"},
         {"dir/swd-01.csv", "dir/swd-02.csv", "dir/swd-03.csv"}},
        {{"run 3.txt", "run 2.txt", "run 1.txt"}, {"run 1.txt", "run 2.txt", "run 3.txt"}},
        {{"SWD-02_program1.csv", "swd-01 p2.vbo", "swd-01-p1.csv"},
         {"swd-01-p1.csv", "swd-01 p2.vbo", "SWD-02_program1.csv"}},
    };
    for (const auto &[given, paired] : byName)
        EXPECT_EQ(logsOf(PairLogs(list, given, Pairing::Name)), paired);
    const std::vector<PairedRun> logged = PairLogs(list, {"x.csv", "y.csv", "z.csv"}, Pairing::Logged,
                                                   {{"swd-02.rom", 1}, {"SWD-01.rom", 1}, {"swd-01", 2}});
    EXPECT_EQ(logsOf(logged), (Logs{"y.csv", "z.csv", "x.csv"}));
    EXPECT_EQ(logged[0].index, 1u) << "the index of the log among those given";

    const std::vector<std::tuple<Logs, Pairing, std::string>> refused{
        {{"a.csv", "b.csv"},
         Pairing::Order,
         "the run list has 3 runs and 2 logs were given: one log per run, in run order"},
        {{"swd-01.csv", "swd-02.csv", "swd-04.csv"},
         Pairing::Name,
         "no log names run 3 (swd-02.rom program 1)"},
        {{"swd-01.csv", "run-1.csv", "swd-03.csv"},
         Pairing::Name,
         "run 1 is named by two logs, swd-01.csv and run-1.csv"},
        {{"swd-01.csv", "swd-02.csv", "notes.csv"}, Pairing::Name, "no log names run 3"},
    };
    for (const auto &[given, pairing, message] : refused) {
        try {
            PairLogs(list, given, pairing);
            ADD_FAILURE() << message;
        } catch (const CampaignError &e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(PairLogs(list, {"x.csv", "y.csv", "z.csv"}, Pairing::Logged,
                          {{"swd-01.rom", 1}, {"swd-01.rom", 1}, {"swd-02.rom", 1}}),
                 CampaignError);
}

TEST(ParseRunList, ReadsTheSeriesAndRefusesWhatNoCampaignRuns) {
    const RunList list = ParseRunList(R"({"a_deg": 27.1, "accept": ["speed"], "runs": [
        {"run": 1, "set": "swd-01.rom", "program": 1, "amplitude_deg": 40.65},
        {"run": 2, "set": "swd-01.rom", "program": 2, "amplitude_deg": 270, "accept": ["speed"]}]})");
    ASSERT_EQ(list.runs.size(), 2u);
    EXPECT_EQ(list.a, 27.1);
    EXPECT_EQ(list.accepted.size(), 1u);
    EXPECT_EQ(list.runs[1].amplitude, 270);
    EXPECT_EQ(list.runs[1].accepted.size(), 1u);
    EXPECT_TRUE(list.runs[0].accepted.empty());
    EXPECT_FALSE(ParseRunList(R"({"a_deg": null, "runs": []})").a);
    const std::vector<std::pair<std::string, std::string>> refused{
        {"[1, 2]", "holds no run list"},
        {"{\"runs\": ", "is not a JSON document"},
        {R"({"a_deg": 0, "runs": []})", "its a_deg 0 is no A"},
        {R"({"a_deg": "27", "runs": []})", "its a_deg \"27\" is no A"},
        {R"({"runs": [{"run": 1, "set": "s.rom", "program": 1}]})",
         "run 1 lacks run, set, program or amplitude_deg"},
        {R"({"runs": [{"run": 1, "set": "s.rom", "program": 1, "amplitude_deg": 5}]})",
         "run 1: amplitude_deg 5 is no amplitude"},
        {R"({"runs": [{"run": 1, "set": "s.rom", "program": 1, "amplitude_deg": -270}]})",
         "run 1: amplitude_deg -270 is no amplitude"},
        {R"({"runs": [{"run": 1, "set": "s.rom", "program": 1, "amplitude_deg": 30, "accept": ["wind"]}]})",
         "run 1: \"accept\" names \"wind\", no condition"},
        {R"({"accept": "speed", "runs": []})", "\"accept\" is not a list of conditions"},
        {R"({"runs": [{"run": 1, "set": "s.rom", "program": 16, "amplitude_deg": 30}]})",
         "run 1: no program 16 (a set holds programs 0 to 15)"},
    };
    for (const auto &[text, message] : refused) {
        try {
            ParseRunList(text);
            ADD_FAILURE() << text;
        } catch (const FormatError &e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

TEST(CampaignA, TheFirstKnownSourceWinsAndTheGvwrComesFromTheInformationBeforeTheVehicleFile) {
    EXPECT_EQ(
        ChooseAmplitudeA({{std::nullopt, "--amplitude-a"}, {27.1, "the run list"}, {30.0, "note"}}).source,
        "the run list");
    EXPECT_EQ(ChooseAmplitudeA({{0.0, "--amplitude-a"}, {std::nullopt, "the run list"}}).value, 0);
    CampaignInfo info;
    const std::vector<std::tuple<std::optional<double>, std::optional<double>, std::optional<double>, Gvwr>>
        cases{
            {std::nullopt, std::nullopt, 2150.0, {2150, "the vehicle file"}},
            {std::nullopt, 3600.0, 2150.0, {3600, "the campaign information"}},
            {1800.0, 3600.0, 2150.0, {1800, "--gvwr"}},
            {std::nullopt, std::nullopt, std::nullopt, {0, ""}},
        };
    for (const auto &[given, informed, vehicle, expected] : cases) {
        info.gvwr = informed;
        const Gvwr gvwr = ChooseGvwr(given, info, vehicle);
        EXPECT_EQ(gvwr.kg, expected.kg);
        EXPECT_EQ(gvwr.source, expected.source);
    }
}

TEST(CampaignInfoFile, RoundTripsEveryFieldAndSaysWhatIsNotGiven) {
    CampaignInfo info;
    info.vehicle = "Rehearsal car \xe9t\xe9"; // Latin-1 as the file holds it
    info.vin = "WVWZZZ1JZXW000001";
    info.testMass = "1650 kg";
    info.gvwr = 2150;
    info.tyres = "205/55 R16 91V";
    info.tyrePressures = "2.3 bar front, 2.1 bar rear";
    info.site = "Test track, dynamics pad";
    info.dates = "2026-12-08 to 2026-12-09";
    info.surface = "dry asphalt";
    info.peakFriction = "1.02";
    info.ambientTemperature = "14 deg C";
    info.steeringMachine = "SM-3, serial 118";
    info.operatorName = "J. Doe";
    const std::string text = CampaignInfoText(info);
    EXPECT_NE(text.find("gvwr = 2150 kg\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n', text.find("vehicle =")) - 1, text.find('\r', text.find("vehicle =")));
    const CampaignInfo back = ParseCampaignInfo(text);
    for (const CampaignInfoField &field : CampaignInfoFields())
        EXPECT_EQ(CampaignInfoValue(back, field.key), CampaignInfoValue(info, field.key)) << field.key;
    EXPECT_EQ(CampaignInfoText(back), text);

    // A file with some fields, LF line ends and comments; the rest reads "not given".
    const CampaignInfo some = ParseCampaignInfo("# first day\nvehicle = Car A\n\n  gvwr=3600\nvin =\n");
    EXPECT_EQ(some.gvwr, 3600);
    const std::vector<std::string> lines = CampaignInfoLines(some);
    ASSERT_EQ(lines.size(), CampaignInfoFields().size());
    EXPECT_EQ(lines[0], "Vehicle: Car A");
    EXPECT_EQ(lines[1], "VIN: not given");
    EXPECT_EQ(lines[3], "Gross vehicle weight rating: 3600 kg");
    EXPECT_EQ(lines.back(), "Operator: not given");
    EXPECT_EQ(CampaignInfoText(ParseCampaignInfo("")), CampaignInfoText({}));
    // A value the window was given with a line break stays on its line.
    CampaignInfo broken;
    broken.site = "north\r\nvin = forged";
    EXPECT_EQ(ParseCampaignInfo(CampaignInfoText(broken)).vin, "");
}

TEST(CampaignInfoFile, RefusesWhatItCannotReadNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> refused{
        {"vehicle = A\r\nwheels = 4\r\n",
         "line 2: unknown key \"wheels\" (the keys are vehicle, vin, test_mass"},
        {"vehicle = A\nvehicle = B\n", "line 2: \"vehicle\" is given twice"},
        {"\n\nsite: north\n", "line 3: \"site: north\" is no \"key = value\" line"},
        {"gvwr = heavy\n",
         "line 1: gvwr \"heavy\" is no gross vehicle weight rating (a positive number of kg)"},
        {"gvwr = -5 kg\n", "line 1: gvwr \"-5 kg\""},
        {"gvwr = 2150 lb\n", "line 1: gvwr \"2150 lb\""},
        {"Vehicle = A\n", "line 1: unknown key \"Vehicle\""},
    };
    for (const auto &[text, message] : refused) {
        try {
            ParseCampaignInfo(text);
            ADD_FAILURE() << text;
        } catch (const FormatError &e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
        }
    }
}

TEST(RunFigureText, OneRoundingNoNegativeZeroAndTheSettingsUsed) {
    const std::vector<std::tuple<double, int, const char *, std::string>> figures{
        {-0.004, 2, "%", "0.00 %"},     {-0.005, 1, "m", "0.0 m"}, {12.345, 2, "%", "12.35 %"},
        {-3.1, 1, "km/h", "-3.1 km/h"}, {7, 0, "", "7"},
    };
    for (const auto &[value, decimals, unit, text] : figures)
        EXPECT_EQ(FigureText(value, decimals, unit), text);
    const std::vector<std::tuple<double, int, std::string>> margins{
        {-0.001, 2, "+0.00"}, {1.5, 1, "+1.5"}, {-2.25, 2, "-2.25"}, {0, 3, "+0.000"}};
    for (const auto &[value, decimals, text] : margins) EXPECT_EQ(MarginText(value, decimals), text);

    RunColumns columns = DriveSineWithDwell(PassingCar(), 135);
    SwdOptions settings = OptionsFor(135);
    settings.steerCutoff = 12;
    settings.onsetRate = 60;
    const SwdResult r = EvaluateSineWithDwell(LogOf(CsvOf(columns)), settings);
    ASSERT_TRUE(r.processed);
    std::string text;
    for (const std::string &line : RunFigureLines(r, settings)) text += line + "\n";
    EXPECT_NE(text.find("steer 12 Hz, yaw rate and lateral acceleration 6 Hz"), std::string::npos) << text;
    EXPECT_NE(text.find("steer rate above 60 deg/s"), std::string::npos) << text;
    EXPECT_FALSE(std::regex_search(text, std::regex("-0[.]0+([^0-9]|$)"))) << text;
    const FigureMargins m = MarginsOf(r);
    EXPECT_NE(text.find(FigureText(r.ratio2, 2, "%") + " ("), std::string::npos) << text;
    EXPECT_NE(text.find("margin " + MarginText(*m.ratio2, 2) + " points: pass"), std::string::npos) << text;
    EXPECT_NE(text.find("margin " + MarginText(*m.displacement, 3) + " m: pass"), std::string::npos) << text;
}

TEST(Regulations, NamedAsTheReportPrintsThemWithTheirCriteria) {
    for (Regulation r : Regulations()) EXPECT_EQ(RegulationNamed(RegulationName(r)), r);
    EXPECT_EQ(RegulationName(Regulation::UnR140), std::string("UN R140"));
    EXPECT_FALSE(RegulationNamed("ECE R13"));
    const std::vector<std::string> light = RegulationCriteria(Regulation::GbT30677, 0);
    EXPECT_EQ(light[0], "Regulation: GB/T 30677");
    EXPECT_EQ(light[1], "Yaw rate ratio at COS + 1.000 s at most 35 %, at COS + 1.750 s at most 20 %");
    EXPECT_NE(light[2].find("at least 1.83 m (gross vehicle weight rating at most 3500 kg)"),
              std::string::npos);
    EXPECT_NE(RegulationCriteria(Regulation::Fmvss126, 3500.5)[2].find("at least 1.52 m"), std::string::npos);
}

} // namespace
