// quillard-cli simulate and evaluate end to end: A from slowly increasing steer logs, a short series
// judged with its report, a run of an unstable car failing, and what the commands refuse.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

using Json = nlohmann::ordered_json;

class CliEvaluate : public ::testing::Test {
protected:
    void SetUp() override {
        const CliResult sis = folder.Run({"template", "slowly-increasing-steer", "--steer-rate", "13.5",
                                          "--end-angle", "150", "--maxsteer", "300"});
        ASSERT_EQ(sis.status, 0);
        folder.Write("sis.txt", sis.out);
    }
    CliFolder folder;
};

TEST_F(CliEvaluate, RehearsesACampaignFromTheSlowRunsToTheReport) {
    ASSERT_EQ(folder.Run({"simulate", "sis.txt", "--runs", "2", "-o", "sis.csv"}).status, 0);
    const CliResult sis = folder.Run({"evaluate", "sis", "sis-1.csv", "sis-2.csv", "--json"}, ">sis.json");
    ASSERT_EQ(sis.status, 0) << sis.err;
    const Json a = Json::parse(folder.Read("sis.json"));
    EXPECT_NEAR(a["runs"][0]["angle_deg"].get<double>(), -a["runs"][1]["angle_deg"].get<double>(), 1e-6);
    EXPECT_NEAR(a["a_deg"].get<double>(), 27.1, 0.5); // the default car

    const CliResult series =
        folder.Run({"template", "sine-with-dwell", "--series", "1.5:5.5:2", "--amplitude-from", "sis.json",
                    "--lead", "2", "--maxsteer", "300", "-o", "swd.rom", "--json"},
                   ">runs.json");
    ASSERT_EQ(series.status, 0) << series.err;
    const CliResult logs = folder.Run({"simulate", "--run-list", "runs.json", "-o", "swd.csv"});
    ASSERT_EQ(logs.status, 0) << logs.err;
    EXPECT_EQ(logs.out.substr(0, 30), "swd-1.csv: run 1 of 3, swd.rom");

    const CliResult campaign =
        folder.Run({"evaluate", "campaign", "runs.json", "swd-1.csv", "swd-2.csv", "swd-3.csv",
                    "--amplitude-from", "sis.json", "-o", "report.pdf", "--csv", "table.csv", "--json"});
    ASSERT_EQ(campaign.status, 0) << campaign.err;
    const Json document = Json::parse(campaign.out);
    EXPECT_TRUE(document["pass"].get<bool>());
    ASSERT_EQ(document["runs"].size(), 3u);
    for (const Json &run : document["runs"]) {
        EXPECT_LT(run["yaw_rate_ratio_1000_percent"].get<double>(), 35);
        EXPECT_GT(run["bos_s"].get<double>(), 2);
        EXPECT_TRUE(run["warnings"].empty()) << run["warnings"];
    }
    EXPECT_TRUE(document["runs"][0]["lateral_displacement_pass"].is_null());   // 1.5 A
    EXPECT_TRUE(document["runs"][2]["lateral_displacement_pass"].get<bool>()); // 5.5 A
    EXPECT_EQ(folder.Read("report.pdf").substr(0, 5), "%PDF-");
    const std::string table = folder.Read("table.csv");
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 4);
    EXPECT_EQ(table.substr(0, 20), "run,set,program,ampl");
}

TEST_F(CliEvaluate, ARunOfACarWithoutStabilityControlFails) {
    folder.Write("car.txt", "name = no control\nstability_control_nm_s_per_rad = 0\n");
    ASSERT_EQ(
        folder
            .Run({"template", "sine-with-dwell", "--amplitude", "176", "--maxsteer", "300", "--lead", "2"},
                 ">run.txt")
            .status,
        0);
    ASSERT_EQ(folder.Run({"simulate", "run.txt", "--vehicle", "car.txt", "-o", "run.csv"}).status, 0);
    const CliResult r = folder.Run({"evaluate", "swd", "run.csv", "--program-file", "run.txt",
                                    "--amplitude-a", "27", "--gvwr", "2000", "--json"});
    ASSERT_EQ(r.status, 1) << r.err;
    const Json document = Json::parse(r.out);
    EXPECT_FALSE(document["pass"].get<bool>());
    EXPECT_FALSE(document["yaw_rate_ratio_1750_pass"].get<bool>());
    EXPECT_EQ(document["amplitude_from"], "program");
    EXPECT_NEAR(document["zeroing"]["to_s"].get<double>() - document["zeroing"]["from_s"].get<double>(), 1,
                1e-9);
    const CliResult text = folder.Run({"evaluate", "swd", "run.csv"});
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.out.find("Verdict: FAIL"), std::string::npos) << text.out;
}

TEST_F(CliEvaluate, RefusesWhatItCannotJudge) {
    folder.Write("noyaw.csv", "time,steer,lateral acceleration\n0,0,0\n0.01,0,0\n");
    folder.Write("runs.json", R"({"runs": [{"run": 1, "set": "a.rom", "program": 0, "amplitude_deg": 40}]})");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"evaluate"}, "evaluate needs sis, swd, campaign, step, sine, response, understeer or rollover"},
        {{"evaluate", "swd", "noyaw.csv", "--fit-low", "0.2"}, "--fit-low does not apply to evaluate swd"},
        {{"evaluate", "swd", "noyaw.csv"}, "noyaw.csv: the log has no yaw rate column"},
        {{"evaluate", "campaign", "runs.json", "a.csv", "b.csv"},
         "the run list has 1 runs and 2 logs were given"},
        {{"evaluate", "sis", "noyaw.csv", "--amplitude-from", "runs.json"}, "does not apply to evaluate sis"},
        {{"evaluate", "campaign", "runs.json", "a.csv", "-o", "report.png"}, "not a name ending in .pdf"},
        {{"simulate", "sis.txt"}, "simulate needs -o LOG.csv"},
        {{"template", "sine-with-dwell", "--series", "standard", "--amplitude-from", "runs.json", "-o",
          "s.rom"},
         "runs.json: holds no a_deg"},
    };
    for (const auto &[arguments, message] : cases) {
        const CliResult r = folder.Run(arguments);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    const CliResult car = folder.Run({"simulate", "--default-vehicle"});
    EXPECT_EQ(car.status, 0);
    EXPECT_NE(car.out.find("not a prediction of record"), std::string::npos);
}

TEST_F(CliEvaluate, ACampaignRunWhoseLogIsCutShortIsInvalidAndFailsTheCampaign) {
    ASSERT_TRUE(MakeSeries(folder, "0.5"));
    const CliResult r = folder.Run({"evaluate", "campaign", "runs.json", "swd-1.csv", "swd-2.csv", "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    const Json document = Json::parse(r.out);
    EXPECT_EQ(document["invalid"], 2);
    EXPECT_FALSE(document["pass"].get<bool>());
    EXPECT_NE(document["runs"][0]["invalid"].get<std::string>().find("before COS + 1.750 s"),
              std::string::npos);
    EXPECT_TRUE(document["a_deg"].is_null()); // no A: a run list of degrees, not a standard series

    folder.Write("lost.json",
                 R"({"runs": [{"run": 1, "set": "gone.rom", "program": 0, "amplitude_deg": 40}]})");
    const CliResult lost = folder.Run({"simulate", "--run-list", "lost.json", "-o", "x.csv"});
    EXPECT_EQ(lost.status, 2);
    EXPECT_NE(lost.err.find("gone.rom"), std::string::npos) << lost.err;
}

} // namespace

namespace {

using Json = nlohmann::ordered_json;

// Logs of a sine with dwell at 176 deg (6.5 A for A = 27) of a car with and without stability control,
// and a short series of two runs.
class CliVerdicts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(folder
                      .Run({"template", "sine-with-dwell", "--amplitude", "176", "--maxsteer", "300",
                            "--lead", "2"},
                           ">run.txt")
                      .status,
                  0);
        folder.Write("nocontrol.txt", "stability_control_nm_s_per_rad = 0\n");
        ASSERT_EQ(folder.Run({"simulate", "run.txt", "-o", "pass.csv"}).status, 0);
        ASSERT_EQ(folder.Run({"simulate", "run.txt", "--vehicle", "nocontrol.txt", "-o", "fail.csv"}).status,
                  0);
    }
    Json Swd(const std::vector<std::string> &more, int status) const {
        std::vector<std::string> arguments{"evaluate", "swd"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        arguments.push_back("--json");
        const CliResult r = folder.Run(arguments);
        EXPECT_EQ(r.status, status) << r.err << r.out;
        EXPECT_EQ(r.err, "");
        return r.out.empty() ? Json() : Json::parse(r.out);
    }
    // The log with its speed column set to the value, or left out.
    void WithSpeed(const std::string &from, const std::string &to, const std::string &speed) const {
        std::string text = folder.Read(from), out;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            std::string line = text.substr(at, end - at);
            if (!line.empty() && line[0] != '#') {
                line = line.substr(0, line.rfind(','));
                if (!speed.empty())
                    line +=
                        "," + (std::isdigit(static_cast<unsigned char>(line[0])) ? speed : "speed [km/h]");
            }
            out += line + "\n";
            at = end + 1;
        }
        folder.Write(to, out);
    }
    CliFolder folder;
};

TEST_F(CliVerdicts, EveryRunIsPassFailOrInvalidWithItsReason) {
    Json pass = Swd({"pass.csv", "--program-file", "run.txt", "--amplitude-a", "27"}, 0);
    EXPECT_EQ(pass["state"], "pass");
    EXPECT_EQ(pass["reason"], nullptr);
    Json fail = Swd({"fail.csv", "--program-file", "run.txt", "--amplitude-a", "27"}, 1);
    EXPECT_EQ(fail["state"], "fail");
    EXPECT_NE(fail["reason"].get<std::string>().find("ratio at COS + 1.750 s"), std::string::npos);
    // No A: a run that meets the ratios is not shown to pass; one that fails them fails.
    EXPECT_EQ(Swd({"pass.csv"}, 1)["state"], "invalid");
    EXPECT_EQ(Swd({"fail.csv"}, 1)["state"], "fail");
    // Outside the speed window, or without a speed: invalid, unless a speed is stated.
    WithSpeed("pass.csv", "slow.csv", "50.00");
    WithSpeed("pass.csv", "nospeed.csv", "");
    const Json slow = Swd({"slow.csv", "--amplitude-a", "27"}, 1);
    EXPECT_EQ(slow["state"], "invalid");
    EXPECT_NE(slow["reason"].get<std::string>().find("the speed at BOS is 50.0 km/h, not 80 +/- 2 km/h"),
              std::string::npos);
    EXPECT_EQ(Swd({"nospeed.csv", "--amplitude-a", "27"}, 1)["state"], "invalid");
    const Json stated = Swd({"nospeed.csv", "--amplitude-a", "27", "--accept", "speed"}, 0);
    EXPECT_EQ(stated["stated"], Json::array({"speed"}));
    const CliResult text =
        folder.Run({"evaluate", "swd", "nospeed.csv", "--amplitude-a", "27", "--accept", "speed"});
    EXPECT_NE(text.out.find("  Stated, not measured: the speed at BOS (80 +/- 2 km/h)\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("  Verdict: pass\n"), std::string::npos);
    // A log that gives no figures is invalid too, exit 1, its reason in the document.
    folder.Write("flat.csv", "time,steer,yaw rate,lateral acceleration\n0,0,0,0\n0.01,0,0,0\n");
    const Json flat = Swd({"flat.csv"}, 1);
    EXPECT_EQ(flat["state"], "invalid");
    EXPECT_EQ(flat.count("bos_s"), 0u);
}

// A 20 Hz log is too slow for the filter: invalid, with no text of the filter library.
TEST_F(CliVerdicts, ASlowLogIsInvalidWithoutLibraryText) {
    std::string text = "time,steer,yaw rate,lateral acceleration,speed\n";
    for (int k = 0; k < 200; ++k) {
        char row[64];
        std::snprintf(row, sizeof row, "%.2f,%d,0,0,80\n", k * 0.05, k > 50 ? 100 : 0);
        text += row;
    }
    folder.Write("slow.csv", text);
    const CliResult r = folder.Run({"evaluate", "swd", "slow.csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(
        r.out.find("Verdict: INVALID: the log's sample rate of 20 Hz is too low for a 10 Hz low-pass filter"),
        std::string::npos)
        << r.out;
}

TEST_F(CliVerdicts, ACampaignPassesOnlyWhenEveryRunItNeedsPasses) {
    ASSERT_TRUE(MakeSeries(folder, "3"));
    auto campaign = [&](std::vector<std::string> more, int status) {
        return CampaignJson(folder, more, status);
    };
    const Json good = campaign({"swd-1.csv", "swd-2.csv", "--amplitude-a", "27"}, 0);
    EXPECT_EQ(good["state"], "pass");
    // Without A, the run list has none: no run is known to be below 5 A.
    const Json noA = campaign({"swd-1.csv", "swd-2.csv"}, 1);
    EXPECT_EQ(noA["state"], "invalid");
    EXPECT_EQ(noA["invalid"], 2);
    // Logs given in the wrong order: each is another run's amplitude.
    const Json swapped = campaign({"swd-2.csv", "swd-1.csv", "--amplitude-a", "27"}, 1);
    EXPECT_EQ(swapped["runs"][0]["state"], "invalid");
    EXPECT_NE(swapped["runs"][0]["reason"].get<std::string>().find("not the commanded 40.00 deg"),
              std::string::npos);
    // Runs at 50 km/h: invalid, on the report's first page with their reasons, and in the table.
    WithSpeed("swd-1.csv", "slow-1.csv", "50.00");
    WithSpeed("swd-2.csv", "slow-2.csv", "50.00");
    const CliResult report = folder.Run({"evaluate", "campaign", "runs.json", "slow-1.csv", "slow-2.csv",
                                         "--amplitude-a", "27", "-o", "report.pdf", "--csv", "table.csv",
                                         "--vehicle-name", "M\xc3\xbcller \xc5\xa0koda"});
    EXPECT_EQ(report.status, 1) << report.err;
    EXPECT_NE(report.out.find("Campaign: INVALID (2 runs, 0 failed, 2 invalid): 2 of 2 runs are invalid"),
              std::string::npos)
        << report.out;
    const std::string table = folder.Read("table.csv");
    EXPECT_NE(table.find(",state,reason,stated,note,first_steer,"), std::string::npos) << table;
    EXPECT_NE(table.find(",invalid,\"the speed at BOS is 50.0 km/h"), std::string::npos) << table;
    ASSERT_EQ(std::system(("pdftotext -layout '" + (folder.path() / "report.pdf").string() + "' '" +
                           (folder.path() / "report.txt").string() + "'")
                              .c_str()),
              0);
    const std::string cover = folder.Read("report.txt");
    for (const char *line : {"Sine-with-dwell campaign: INVALID", "Vehicle: M\xc3\xbcller ?koda",
                             "invalid: the speed at BOS is 50.0 km/h, not 80 +/- 2 km/h", // under its row
                             "Each run must show: the speed at BOS 80 +/- 2 km/h"})
        EXPECT_NE(cover.find(line), std::string::npos) << line << "\n" << cover;
    const Json named =
        campaign({"swd-1.csv", "swd-2.csv", "--amplitude-a", "27", "--vehicle-name", "M\xc3\xbcller"}, 0);
    EXPECT_EQ(named["vehicle"], "M\xc3\xbcller");
    // A speed from another instrument, stated in the run list for every run.
    WithSpeed("swd-1.csv", "bare-1.csv", "");
    WithSpeed("swd-2.csv", "bare-2.csv", "");
    Json list = Json::parse(folder.Read("runs.json"));
    list["accept"] = {"speed"};
    folder.Write("stated.json", list.dump());
    const CliResult stated = folder.Run({"evaluate", "campaign", "stated.json", "bare-1.csv", "bare-2.csv",
                                         "--amplitude-a", "27", "-o", "stated.pdf"});
    EXPECT_EQ(stated.status, 0) << stated.out << stated.err;
    ASSERT_EQ(std::system(("pdftotext '" + (folder.path() / "stated.pdf").string() + "' '" +
                           (folder.path() / "stated.txt").string() + "'")
                              .c_str()),
              0);
    EXPECT_NE(
        folder.Read("stated.txt").find("Stated, not measured: the speed at BOS (80 +/- 2 km/h) in runs 1, 2"),
        std::string::npos)
        << folder.Read("stated.txt");
}

// What a campaign refuses before it judges anything: run lists with amplitudes no sine with dwell is
// run at, a condition it does not know, one file named for the report and the table.
TEST_F(CliVerdicts, ACampaignRefusesRunListsAndOutputsItCannotTake) {
    for (const char *amplitude : {"0", "-270", "1e-300", "5000"}) {
        folder.Write("bad.json",
                     std::string(R"({"runs": [{"run": 1, "set": "s.rom", "program": 0, "amplitude_deg": )") +
                         amplitude + "}]}");
        const CliResult r = folder.Run({"evaluate", "campaign", "bad.json", "pass.csv"});
        EXPECT_EQ(r.status, 2) << amplitude;
        EXPECT_NE(r.err.find("bad.json: run 1: amplitude_deg"), std::string::npos) << r.err;
    }
    folder.Write("odd.json", R"({"runs": [{"run": 1, "set": "s.rom", "program": 0, "amplitude_deg": 176,
                                "accept": ["weather"]}]})");
    EXPECT_NE(folder.Run({"evaluate", "campaign", "odd.json", "pass.csv"})
                  .err.find("run 1: \"accept\" names \"weather\""),
              std::string::npos);
    folder.Write("one.json", R"({"runs": [{"run": 1, "set": "s.rom", "program": 0, "amplitude_deg": 176}]})");
    const CliResult same =
        folder.Run({"evaluate", "campaign", "one.json", "pass.csv", "-o", "x.pdf", "--csv", "x.pdf"});
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(same.err,
              "quillard-cli: -o and --csv both name x.pdf: the report and the table need a file each\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.pdf"));
}

// The smaller faults of the same path: a bad note of A, --program with a program text, a simulation
// that diverges, a line too long.
TEST_F(CliVerdicts, SmallerFaultsAreClearRefusals) {
    std::string program = folder.Read("run.txt");
    program.replace(0, program.find('\n'), "; Sine with dwell: run 1 of 25, standard series, A . deg");
    folder.Write("note.txt", program);
    const CliResult note = folder.Run({"evaluate", "swd", "pass.csv", "--program-file", "note.txt"});
    EXPECT_EQ(note.status, 2);
    EXPECT_EQ(note.err,
              "quillard-cli: note.txt: the note \"standard series, A . deg\" of its first line holds no A "
              "(a positive number of deg, as in \"standard series, A 20 deg\")\n");
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{"check", "run.txt", "--program", "3"},
          {"steps", "run.txt", "--program", "1"},
          {"evaluate", "swd", "pass.csv", "--program-file", "run.txt", "--program", "2"}}) {
        const CliResult r = folder.Run(arguments);
        EXPECT_EQ(r.status, 2) << arguments[0];
        EXPECT_EQ(r.err,
                  "quillard-cli: --program picks a program of a set: run.txt is a program text (a set's name "
                  "ends in .rom)\n");
    }
    for (const char *car : {"yaw_inertia_kgm2 = 1e-300\n", "stability_control_nm_s_per_rad = 1e8\n"}) {
        folder.Write("stiff.txt", car);
        const CliResult r = folder.Run({"simulate", "run.txt", "--vehicle", "stiff.txt", "-o", "stiff.csv"});
        EXPECT_EQ(r.status, 2) << car;
        EXPECT_NE(r.err.find("make the model diverge"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(folder.path() / "stiff.csv"));
    }
    folder.Write("long.csv",
                 "time,steer,yaw rate,lateral acceleration\n" + std::string(2 * 1024 * 1024, '1') + "\n");
    const CliResult line = folder.Run({"evaluate", "swd", "long.csv"});
    EXPECT_EQ(line.status, 2);
    EXPECT_EQ(line.err,
              "quillard-cli: long.csv: line 2 is longer than 1 MiB: no such file has lines that long\n");
}

// A slowly increasing steer that is none, or runs all steered one way.
TEST_F(CliVerdicts, ASisThatIsNoneGivesNoA) {
    const CliResult swd = folder.Run({"evaluate", "sis", "pass.csv", "--json"});
    EXPECT_EQ(swd.status, 1);
    const Json document = Json::parse(swd.out);
    EXPECT_EQ(document["a_deg"], nullptr);
    EXPECT_EQ(document["runs"][0]["state"], "invalid");
    EXPECT_EQ(document["a_reason"], "A is not known: run 1 is invalid");
    ASSERT_EQ(folder
                  .Run({"template", "slowly-increasing-steer", "--steer-rate", "13.5", "--end-angle", "150",
                        "--maxsteer", "300"},
                       ">sis.txt")
                  .status,
              0);
    ASSERT_EQ(folder.Run({"simulate", "sis.txt", "-o", "sis.csv"}).status, 0);
    const CliResult oneWay = folder.Run({"evaluate", "sis", "sis.csv", "sis.csv", "sis.csv"});
    EXPECT_EQ(oneWay.status, 0);
    EXPECT_NE(oneWay.out.find(
                  "Warning: A is the mean of 3 run(s) steered anticlockwise (positive) and 0 clockwise"),
              std::string::npos)
        << oneWay.out;
    // evaluate sis --json without an A makes no series.
    folder.Write("noa.json", swd.out);
    const CliResult series = folder.Run({"template", "sine-with-dwell", "--series", "standard",
                                         "--amplitude-from", "noa.json", "-o", "s.rom"});
    EXPECT_EQ(series.status, 2);
    EXPECT_NE(series.err.find("noa.json: holds no a_deg (A is not known: run 1 is invalid)"),
              std::string::npos)
        << series.err;
}

} // namespace
