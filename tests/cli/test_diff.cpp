// quillard-cli diff on versions of the example set: report, JSON document and exit statuses.
#include "cli/cli_runner.h"

#include "romfiles/fileio.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

class CliDiff : public ::testing::Test {
protected:
    void SetUp() override {
        const ProgramSet set = ReadProgramSet(QUILLARD_EXAMPLES "/manoeuvres.rom");
        ASSERT_EQ(set[0][4], "stepto(30 deg, 3 sec)");
        folder.Write("a.rom", ProgramSetBytes(set));
        ProgramSet spaced = set; // comments and spacing only
        spaced[1][0] += " (second version)";
        spaced[1][3] = "  wait( 1 sec )";
        folder.Write("spaced.rom", ProgramSetBytes(spaced));
        ProgramSet stepped = spaced;
        stepped[0][4] = "stepto(35 deg, 3 sec)";
        folder.Write("stepped.rom", ProgramSetBytes(stepped));
        ProgramSet broken = set;
        broken[5][4] = "stepto(300 deg, 3 sec)";
        folder.Write("broken.rom", ProgramSetBytes(broken));
        folder.Write("p0.txt", CrLf(stepped[0]));
    }
    CliFolder folder;
};

TEST_F(CliDiff, ReportsEachProgramAndExitsOneOnlyForDifferentSteps) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::vector<std::string> found; // in stdout
    };
    const std::vector<Case> cases{
        {{"diff", "a.rom", "a.rom"}, 0, {"Program 15: identical\n", "16 identical, 0 different, 0 not"}},
        {{"diff", "a.rom", "spaced.rom"}, 0, {"Program 1: text differs, steps identical\n"}},
        {{"diff", "a.rom", "stepped.rom"},
         1,
         {"Program 0: text and steps differ\n  first difference at step 1025 (1.0010 s): steer\n"
          "  largest steer difference 5.000 deg at 1.0010 s (30.000 deg in a.rom, 35.000 deg in "
          "stepped.rom)\n",
          "15 identical, 1 different, 0 not compiled"}},
        {{"diff", "a.rom", "stepped.rom", "--program", "1", "--text"},
         0,
         {"--- a.rom program 1\n+++ stepped.rom program 1\n@@ -1,7 +1,7 @@\n-; Ramp", "+  wait( 1 sec )\n"}},
        {{"diff", "p0.txt", "stepped.rom"}, 0, {"Program 0: identical\n"}},
        {{"diff", "broken.rom", "a.rom"},
         1,
         {"Program 5: text differs; does not compile in broken.rom\n  broken.rom: Error in line 5",
          "15 identical, 0 different, 1 not compiled"}},
    };
    for (const Case &c : cases) {
        const CliResult result = folder.Run(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments[2] << ": " << result.out;
        EXPECT_EQ(result.err, "");
        for (const std::string &text : c.found)
            EXPECT_NE(result.out.find(text), std::string::npos) << result.out;
    }
}

TEST_F(CliDiff, JsonDocumentReadsBack) {
    const CliResult result = folder.Run({"diff", "broken.rom", "stepped.rom", "--json", "--text"});
    ASSERT_EQ(result.status, 1) << result.err;
    const auto document = nlohmann::ordered_json::parse(result.out);
    EXPECT_EQ(document["identical"], false);
    ASSERT_EQ(document["programs"].size(), 16u);
    const auto &p0 = document["programs"][0];
    EXPECT_EQ(p0["steps"]["first_step"], 1025);
    // Stored single-precision figures print as the shortest decimal of the float (1025 / 1024 s).
    EXPECT_EQ(p0["steps"]["first_time_s"], 1.0009765625); // step 1025 at 1024 Hz, exactly
    EXPECT_EQ(p0["steps"]["max_steer_diff_deg"], 5.0);
    EXPECT_EQ(p0["steps"]["duration_change_s"], 0.0);
    EXPECT_EQ(p0["a"]["duration_s"], 6.0);
    EXPECT_EQ(p0["text_diff"][0], "@@ -2,6 +2,6 @@");
    const auto &p5 = document["programs"][5];
    EXPECT_EQ(p5["a"]["compiled"], false);
    EXPECT_TRUE(p5["steps"].is_null());
    EXPECT_EQ(document["programs"][2]["steps"]["identical"], true);
}

TEST_F(CliDiff, BadUsageAndUnreadableFilesExitTwo) {
    folder.Write("garbage.rom", "no marker\r\n");
    const std::vector<std::vector<std::string>> cases{
        {"diff", "a.rom"},
        {"diff", "a.rom", "a.rom", "a.rom"},
        {"diff", "a.rom", "a.rom", "-o", "x.txt"},
        {"diff", "a.rom", "a.rom", "--summary"},
        {"check", "a.rom", "--text"},
        {"diff", "a.rom", "missing.rom"},
        {"diff", "garbage.rom", "a.rom", "--json"},
    };
    for (const auto &arguments : cases) {
        const CliResult result = folder.Run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.back();
        EXPECT_EQ(result.out, "") << arguments.back();
        EXPECT_EQ(result.err.rfind("quillard-cli: ", 0), 0u) << result.err;
    }
}

} // namespace
