// quillard-cli simulate and evaluate end to end: A from slowly increasing steer logs, a short series
// judged with its report, a run of an unstable car failing, and what the commands refuse.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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
        {{"evaluate"}, "evaluate needs sis, swd or campaign"},
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
    ASSERT_EQ(folder
                  .Run({"template", "sine-with-dwell", "--series", "40:60:20", "--maxsteer", "300", "--lead",
                        "2", "-o", "swd.rom", "--json"},
                       ">runs.json")
                  .status,
              0);
    ASSERT_EQ(folder.Run({"simulate", "--run-list", "runs.json", "-o", "swd.csv", "--tail", "0.5"}).status,
              0);
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
