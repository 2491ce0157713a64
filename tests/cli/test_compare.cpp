// quillard-cli compare, plot --log and the MATLAB files end to end, on a sine with dwell run made
// with a 35 ms delay, a gain of 0.97 and noise.
#include "cli/cli_runner.h"
#include "compiler/compile_text.h"

#include "files/fileio.h"
#include "measure/synthetic_log.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

class CliCompare : public ::testing::Test {
protected:
    void SetUp() override {
        CliResult program = folder.Run({"template", "sine-with-dwell"});
        ASSERT_EQ(program.status, 0);
        folder.Write("sid.txt", program.out);
        ASSERT_TRUE(CompileProgram(TestCompiler(), SplitLines(program.out)));
        SyntheticRun run = MakeRun(0.035, 0.97, 0.3, 0.3, 200);
        folder.Write("run.csv", SyntheticLog(CommandedFrom(TestCompiler()), TestCompiler(), run));
        folder.Write("bad.csv", "time,steer\n0,1\n0.1,x\n");
        folder.Write("broken.txt", "maxsteer(100 deg)\nbegin\nstepto(500 deg)\nend\n");
    }
    CliFolder folder;
};

TEST_F(CliCompare, FindsTheDelayAndGainOfTheRun) {
    CliResult result = folder.Run({"compare", "sid.txt", "--log", "run.csv", "--json", "--mat", "run.mat"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto document = nlohmann::ordered_json::parse(result.out);
    EXPECT_NEAR(document["delay_s"].get<double>(), 0.035, 0.001);
    EXPECT_NEAR(document["gain"].get<double>(), 0.97, 0.01);
    EXPECT_NEAR(document["offset_deg"].get<double>(), 0.3, 0.1);
    EXPECT_EQ(document["alignment"]["method"], "cross-correlation");
    EXPECT_TRUE(document["warnings"].empty());
    EXPECT_EQ(folder.Read("run.mat").rfind("MATLAB 5.0 MAT-file", 0), 0u);

    CliResult text = folder.Run({"compare", "sid.txt", "--log", "run.csv"});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("\nDelay        0.03"), std::string::npos) << text.out;
}

TEST_F(CliCompare, ExitStatuses) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string err; // the start of stderr
    };
    const std::vector<Case> cases{
        {{"compare", "sid.txt", "--log", "bad.csv"}, 2, "quillard-cli: bad.csv: line 3, column 2 \"steer\""},
        {{"compare", "sid.txt", "--log", "missing.csv"}, 2, "quillard-cli: missing.csv: No such file"},
        {{"compare", "sid.txt"}, 2, "quillard-cli: compare needs --log"},
        {{"compare", "sid.txt", "--log", "run.csv", "-o", "x.png"},
         2,
         "quillard-cli: -o does not apply to compare"},
        {{"compare", "sid.txt", "--log", "run.csv", "--mat", "run.csv"},
         2,
         "quillard-cli: run.csv: the output would replace the input file run.csv"},
        {{"steps", "sid.txt", "--json"}, 2, "quillard-cli: --json does not apply to steps"},
        {{"steps", "sid.txt", "--format", "mat"}, 2, "quillard-cli: steps --format mat needs -o"},
        {{"plot", "sid.txt", "-o", "p.png", "--bode"}, 2, "quillard-cli: --bode goes with --log"},
        {{"plot", "sid.txt", "-o", "p.png", "--log", "run.csv", "--bode"},
         2,
         "quillard-cli: --bode needs a program"},
        {{"compare", "broken.txt", "--log", "run.csv"}, 1, "Error in line 3"},
    };
    for (const Case &c : cases) {
        CliResult result = folder.Run(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments.back() << ": " << result.err;
        EXPECT_EQ(result.out, "") << c.arguments.back();
        EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << result.err;
    }
    // With --json a failed compile is still one document.
    CliResult failed = folder.Run({"compare", "broken.txt", "--log", "run.csv", "--json"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(nlohmann::ordered_json::parse(failed.out)["compiled"], false);
}

TEST_F(CliCompare, WritesPlotsAndMatlabSteps) {
    for (const std::vector<std::string> &arguments :
         std::vector<std::vector<std::string>>{{"plot", "sid.txt", "--log", "run.csv", "-o", "overlay.png"},
                                               {"plot", "sid.txt", "--log", "run.csv", "-o", "overlay.svg"},
                                               {"steps", "sid.txt", "--format", "mat", "-o", "steps.mat"},
                                               {"steps", "sid.txt", "-o", "steps.csv"}}) {
        CliResult result = folder.Run(arguments);
        EXPECT_EQ(result.status, 0) << arguments.back() << ": " << result.err;
        EXPECT_GT(folder.Read(arguments.back()).size(), 1000u) << arguments.back();
    }
    // The file holds what stdout gets: one CSV format, LF line ends.
    EXPECT_EQ(folder.Read("steps.csv"), folder.Run({"steps", "sid.txt"}).out);
}

} // namespace
