// quillard-cli compare, plot --log and the MATLAB files end to end, on a sine with dwell run made
// with a 35 ms delay, a gain of 0.97 and noise.
#include "cli/cli_runner.h"
#include "compiler/compile_text.h"

#include "files/fileio.h"
#include "measure/synthetic_log.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

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

// A program whose steer never changes is compared without a delay or a gain, and without a warning
// when the log covers it, aligned by its mark or not.
TEST_F(CliCompare, ASteerThatNeverChangesHasNoGainAndNoDelay) {
    folder.Write("flat.txt",
                 "maxsteer(100 deg)\nbegin\nwait(1 sec)\npulseflag(3 bit, 0.05 sec)\nwait(2 sec)\nend\n");
    ASSERT_TRUE(CompileProgram(TestCompiler(), SplitLines(folder.Read("flat.txt"))));
    const CommandedProgram flat = CommandedFrom(TestCompiler());
    folder.Write("flat.csv", SyntheticLog(flat, TestCompiler(), MakeRun(0, 1, 0.25, 0.05, 500)));
    folder.Write("marked.csv", SyntheticLog(flat, TestCompiler(), MakeRun(0, 1, 0.25, 0.05, 500, 4, 3)));
    for (const std::vector<std::string> &log :
         {std::vector<std::string>{"flat.csv"},
          std::vector<std::string>{"marked.csv", "--mark-column", "mark"}}) {
        std::vector<std::string> arguments{"compare", "flat.txt", "--json", "--log"};
        arguments.insert(arguments.end(), log.begin(), log.end());
        const CliResult result = folder.Run(arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        const auto document = nlohmann::json::parse(result.out);
        EXPECT_EQ(document["gain"], nullptr);
        EXPECT_EQ(document["delay_s"], nullptr);
        EXPECT_NEAR(document["offset_deg"].get<double>(), 0.25, 0.01);
        EXPECT_TRUE(document["warnings"].empty()) << document["warnings"];
        arguments.erase(arguments.begin() + 2);
        const std::string text = folder.Run(arguments).out;
        EXPECT_NE(text.find("Delay        - (the commanded steer does not change)"), std::string::npos)
            << text;
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
    }
}

// Logs that no comparison can work with say why, at once; a sweep the wheel does not follow gives no
// response and no figure.
TEST_F(CliCompare, SaysWhyALogCannotBeCompared) {
    folder.Write("span.csv", "time,steer\n-9e307,0\n0,10\n9e307,0\n");
    // Over-range values longer than a burst of dropouts (one to five samples, which are replaced).
    folder.Write("over.csv", "time,steer\n0,0\n0.5,9.9e37\n0.6,9.9e37\n0.7,9.9e37\n0.8,9.9e37\n0.9,9.9e37\n"
                             "0.95,9.9e37\n1,10\n2,0\n");
    for (const auto &[log, reason] : std::vector<std::pair<std::string, std::string>>{
             {"span.csv", "too far apart to compute with"}, {"over.csv", "holds 9.9e+37 deg at 0.5 s"}}) {
        for (const std::string command : {"compare", "plot"}) {
            std::vector<std::string> arguments{command, "sid.txt", "--log", log};
            if (command == "plot") arguments.insert(arguments.end(), {"-o", "p.png"});
            const CliResult result = folder.Run(arguments);
            EXPECT_EQ(result.status, 2) << command << " " << log;
            EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        }
    }
    // The wheel follows the ramp before the sweep, then stays where it is.
    folder.Write("sweep.txt",
                 "maxsteer(100 deg)\nbegin\nwait(1 sec)\nrampto(10 deg, 0.5 sec)\nwait(1 sec)\n"
                 "sinesweep(20 deg, 0.5 hz, 3 hz, 6 sec)\nwait(1 sec)\nrampto(0 deg, 0.5 sec)\nend\n");
    ASSERT_TRUE(CompileProgram(TestCompiler(), SplitLines(folder.Read("sweep.txt"))));
    SyntheticRun stuck = MakeRun(0.03, 1, 0, 0, 500);
    stuck.steerAt = [](double t) {
        return t < 1 ? 0 : t < 1.5 ? 20 * (t - 1) : t < 9.5 ? 10 : std::max(0.0, 10 - 20 * (t - 9.5));
    };
    folder.Write("stuck.csv", SyntheticLog(CommandedFrom(TestCompiler()), TestCompiler(), stuck));
    const CliResult compared = folder.Run({"compare", "sweep.txt", "--log", "stuck.csv", "--json"});
    ASSERT_EQ(compared.status, 0) << compared.err;
    const auto document = nlohmann::json::parse(compared.out);
    EXPECT_EQ(document["frequency_response"], nullptr);
    EXPECT_EQ(document["warnings"].back(),
              "the measured steer stays at 10.000 deg through the sweep: no frequency response");
    EXPECT_EQ(compared.out.find("inf"), std::string::npos);
    const CliResult bode =
        folder.Run({"plot", "sweep.txt", "--log", "stuck.csv", "--bode", "-o", "bode.png"});
    EXPECT_EQ(bode.status, 2);
    EXPECT_EQ(bode.err, "quillard-cli: stuck.csv: the measured steer stays at 10.000 deg through the sweep: "
                        "no frequency response\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "bode.png"));
}

// A series that now fits one set names the sets of the earlier, longer one instead of leaving them
// silently beside it.
TEST_F(CliCompare, ASeriesNamesTheSetsOfAnEarlierOneItLeaves) {
    ASSERT_EQ(
        folder
            .Run({"template", "sine-with-dwell", "--series", "standard", "--amplitude", "20", "-o", "s.rom"})
            .status,
        0);
    const CliResult shorter = folder.Run({"template", "sine-with-dwell", "--series", "standard",
                                          "--amplitude", "50", "-o", "s.rom", "--json"});
    ASSERT_EQ(shorter.status, 0) << shorter.err;
    EXPECT_EQ(shorter.err, "Not written by this series and left as they were: s-1.rom, s-2.rom\n");
    const auto document = nlohmann::json::parse(shorter.out);
    EXPECT_EQ(document["sets"], nlohmann::json::parse(R"(["s.rom"])"));
    EXPECT_EQ(document["left_over"], nlohmann::json::parse(R"(["s-1.rom", "s-2.rom"])"));
}

} // namespace
