// quillard-cli evaluate campaign with the test information, the vehicle file, the regulation and the
// pairing by name: the JSON, the CSV and the report's first page carry them; what it refuses.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

namespace {

using Json = nlohmann::ordered_json;

class CliCampaignInputs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeSeries(folder));
        ASSERT_EQ(folder.Run({"simulate", "--default-vehicle"}, ">car.txt").status, 0);
        folder.Write("info.txt", "# day one\r\nvehicle = Rehearsal car\r\nvin = TESTVIN0000000001\r\n"
                                 "site = M\xfchlenweg test track\r\noperator = J. Doe\r\n");
    }
    Json Campaign(const std::vector<std::string> &more, int status = 0) const {
        return CampaignJson(folder, more, status);
    }
    CliFolder folder;
};

TEST_F(CliCampaignInputs, TheJsonCsvAndReportCarryTheInformationRegulationMarginsAndSources) {
    // The logs given in reverse, paired by their names.
    const Json document = Campaign({"swd-2.csv", "swd-1.csv", "--pair", "name", "--amplitude-a", "27",
                                    "--info", "info.txt", "--vehicle", "car.txt", "--regulation", "UN R140",
                                    "-o", "report.pdf", "--csv", "table.csv"});
    EXPECT_EQ(document["pairing"], "name");
    EXPECT_EQ(document["regulation"], "UN R140");
    EXPECT_EQ(document["criteria"][0], "Regulation: UN R140");
    EXPECT_EQ(document["a_deg"], 27);
    EXPECT_EQ(document["a_source"], "--amplitude-a");
    EXPECT_EQ(document["gvwr_kg"], 2150);
    EXPECT_EQ(document["gvwr_source"], "the vehicle file");
    EXPECT_EQ(document["test_information"]["vehicle"], "Rehearsal car");
    EXPECT_TRUE(document["test_information"]["tyres"].is_null());
    ASSERT_EQ(document["runs"].size(), 2u);
    for (int k = 0; k < 2; ++k) {
        const Json &run = document["runs"][k];
        EXPECT_EQ(run["log"], "swd-" + std::to_string(k + 1) + ".csv");
        EXPECT_EQ(run["state"], "pass") << run["reason"];
        EXPECT_EQ(run["direction"], "counter-clockwise");
        EXPECT_EQ(run["dropout_count"], 0);
        EXPECT_EQ(run["warning_count"], run["warnings"].size());
        EXPECT_DOUBLE_EQ(run["margins"]["yaw_rate_ratio_1750_points"].get<double>(),
                         20 - run["yaw_rate_ratio_1750_percent"].get<double>());
        EXPECT_GT(run["margins"]["speed_at_bos_kmh"].get<double>(), 0);
        EXPECT_TRUE(run["margins"]["lateral_displacement_m"].is_null()) << "below 5 A";
        EXPECT_EQ(run["filter"]["steer_cutoff_hz"], 10);
    }
    const std::string table = folder.Read("table.csv");
    EXPECT_NE(table.find(",27,--amplitude-a,UN R140,2150,the vehicle file,Rehearsal car,TESTVIN0000000001,"),
              std::string::npos)
        << table;
    ASSERT_EQ(std::system(("pdftotext -layout '" + (folder.path() / "report.pdf").string() + "' '" +
                           (folder.path() / "report.txt").string() + "'")
                              .c_str()),
              0);
    const std::string cover = folder.Read("report.txt");
    for (const char *line : {"Regulation: UN R140", "Vehicle: Rehearsal car", "VIN: TESTVIN0000000001",
                             "Site: M\xc3\xbchlenweg test track", "Tyres: not given",
                             "Gross vehicle weight rating: 2150 kg (from the vehicle",
                             "A = 27.0 deg (steer angle at 0.3 g from the slowly increasing steer runs; from "
                             "--amplitude-a)"})
        EXPECT_NE(cover.find(line), std::string::npos) << line << "\n" << cover;
    // Each run's page draws the criteria the core applied.
    for (const char *mark : {"limits 35 % and 20 % of the peak", "+1.75", "+1.00", "BOS + 1.07 s"})
        EXPECT_NE(cover.find(mark), std::string::npos) << mark;
    // The campaign file's GVWR wins over the vehicle file's, --gvwr over both.
    folder.Write("heavy.txt", "gvwr = 3600 kg\r\n");
    const Json heavy = Campaign(
        {"swd-1.csv", "swd-2.csv", "--amplitude-a", "27", "--info", "heavy.txt", "--vehicle", "car.txt"});
    EXPECT_EQ(heavy["gvwr_kg"], 3600);
    EXPECT_EQ(heavy["gvwr_source"], "the campaign information");
    EXPECT_EQ(heavy["test_information"]["gvwr"], 3600);
    EXPECT_EQ(Campaign({"swd-1.csv", "swd-2.csv", "--amplitude-a", "27", "--info", "heavy.txt", "--gvwr",
                        "2000"})["gvwr_source"],
              "--gvwr");
    // Without any, not given; the default regulation; A from the run list when given none.
    const Json bare = Campaign({"swd-1.csv", "swd-2.csv"}, 1);
    EXPECT_TRUE(bare["gvwr_kg"].is_null());
    EXPECT_EQ(bare["regulation"], "FMVSS No. 126");
    EXPECT_EQ(bare["test_information"]["vehicle"], nullptr);
}

TEST_F(CliCampaignInputs, RefusesAnInformationFileRegulationOrPairingItCannotTake) {
    folder.Write("bad.txt", "vehicle = A\r\nwheels = 4\r\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--info", "bad.txt"},
         "quillard-cli: bad.txt: line 2: unknown key \"wheels\" (the keys are vehicle,"},
        {{"--info", "none.txt"}, "quillard-cli: none.txt: "},
        {{"--regulation", "ECE R13"}, "quillard-cli: invalid regulation: ECE R13"},
        {{"--pair", "name", "--amplitude-a", "27", "swd-1.csv"},
         "quillard-cli: the run list has 2 runs and 3 logs were given: one log per run\n"},
    };
    for (const auto &[more, err] : cases) {
        std::vector<std::string> arguments{"evaluate", "campaign", "runs.json", "swd-1.csv", "swd-2.csv"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const CliResult r = folder.Run(arguments);
        EXPECT_EQ(r.status, 2) << err;
        EXPECT_EQ(r.err.rfind(err, 0), 0u) << r.err;
    }
    folder.Write("swd-7.csv", folder.Read("swd-2.csv"));
    const CliResult unnamed =
        folder.Run({"evaluate", "campaign", "runs.json", "swd-1.csv", "swd-7.csv", "--pair", "name"});
    EXPECT_EQ(unnamed.status, 2);
    EXPECT_EQ(unnamed.err, "quillard-cli: no log names run 2 (swd.rom program 1)\n");
}

} // namespace
