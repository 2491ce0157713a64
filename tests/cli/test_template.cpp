// quillard-cli template, check --summary, --max-rate and build --report/--hex/--srec end to end.
#include "cli/cli_runner.h"

#include "compiler/summary.h"
#include "romfiles/fileio.h"
#include "romfiles/imagecheck.h"
#include "romfiles/programset.h"
#include "romfiles/templates.h"

#include <gtest/gtest.h>

namespace {

std::string Lf(const std::vector<std::string> &lines) {
    std::string text;
    for (const auto &line : lines) text += line + "\n";
    return text;
}

void ExpectBadUsage(const CliFolder &folder, const std::vector<std::string> &arguments,
                    const std::string &err) {
    CliResult result = folder.Run(arguments);
    EXPECT_EQ(result.status, 2) << arguments.back();
    EXPECT_EQ(result.out, "") << arguments.back();
    EXPECT_EQ(result.err, "quillard-cli: " + err + "\n") << arguments.back();
}

TEST(CliTemplate, PrintsTheProgramText) {
    CliFolder folder;
    CliResult result = folder.Run({"template", "sine-with-dwell", "--amplitude", "42.5", "--dwell=0.25"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, Lf(TemplateProgram("sine-with-dwell", {{"amplitude", 42.5}, {"dwell", 0.25}})));

    // The printed text is a program the other commands take.
    folder.Write("p.txt", result.out);
    CliResult check = folder.Run({"check", "p.txt"});
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(check.err, "");
}

TEST(CliTemplate, ListNamesEveryTemplateWithParametersUnitsAndDefaults) {
    CliFolder folder;
    CliResult list = folder.Run({"template", "--list"});
    ASSERT_EQ(list.status, 0) << list.err;
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
        EXPECT_NE(list.out.find(t.name + ": " + t.title + "\n  " + t.description + "\n"), std::string::npos)
            << t.name;
    EXPECT_NE(list.out.find("sine-with-dwell: Sine with dwell\n"), std::string::npos);
    EXPECT_NE(list.out.find("\n  --frequency         Hz      0.7      frequency of the sine\n"),
              std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("\n  --rate              Hz      1024     clock rate"), std::string::npos);
}

TEST(CliTemplate, BadTemplateUsageExitsTwo) {
    CliFolder folder;
    ExpectBadUsage(folder, {"template"}, "no template name given (see template --list)");
    ExpectBadUsage(folder, {"template", "wobble"}, "unknown template: wobble (see template --list)");
    ExpectBadUsage(folder, {"template", "step-steer", "--dwell", "1"},
                   "template step-steer has no parameter dwell");
    ExpectBadUsage(folder, {"template", "step-steer", "--amplitude", "ten"},
                   "invalid amplitude: ten (a number of deg, for example 30 or 30deg)");
    ExpectBadUsage(folder, {"template", "step-steer", "--amplitude", "150"},
                   "amplitude 150 deg is more than maxsteer (100 deg)");
    ExpectBadUsage(folder, {"template", "step-steer", "--rate", "300"},
                   "rate 300 Hz is not a clock rate (256, 512, 1024 or 2048 Hz)");
    ExpectBadUsage(folder, {"template", "j-turn", "--return", "1e-308"},
                   "return 1e-308 s is too small for a program to hold");
    ExpectBadUsage(
        folder,
        {"template", "sine-with-dwell", "--series", "standard", "--amplitude", "1e308", "-o", "s.rom"},
        "the standard series needs an amplitude A above 0 deg and at most 1000000 deg");
    ExpectBadUsage(folder, {"template", "step-steer", "-o", "x.rom"},
                   "template prints its program; -o goes with --series");
    ExpectBadUsage(folder, {"template", "step-steer", "--series", "10:20:5"},
                   "template --series needs -o SET.rom");
    ExpectBadUsage(folder, {"template", "step-steer", "--series", "10:20", "-o", "s.rom"},
                   "invalid series: 10:20 (FROM:TO:STEP or standard)");
    ExpectBadUsage(folder, {"template", "sine-with-dwell", "--series", "1:1000:1", "-o", "s.rom"},
                   "the series has 1000 amplitudes; at most 256 are written");
    ExpectBadUsage(folder, {"template", "sine-with-dwell", "--series", "60:260:20", "-o", "s.rom"},
                   "run 4 of 11: amplitude 120 deg is more than maxsteer (100 deg)");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "s.rom"));
    CliResult noFolder =
        folder.Run({"template", "sine-with-dwell", "--series", "10:20:5", "-o", "missing/s.rom"});
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_EQ(noFolder.err.rfind("quillard-cli: missing/s.rom: ", 0), 0u) << noFolder.err;
}

// The engineer's road: a sine-with-dwell series for A = 40 deg, its summary, the rate check at a tight
// limit, and the image CRCs for the programmer.
TEST(CliTemplate, SeriesSummaryRateCheckAndImageReport) {
    CliFolder folder;
    CliResult series = folder.Run(
        {"template", "sine-with-dwell", "--series", "60:260:20", "--maxsteer", "270", "-o", "sid.rom"});
    ASSERT_EQ(series.status, 0) << series.err;
    EXPECT_EQ(series.out, "");
    std::vector<double> amplitudes = AmplitudeSeries(60, 260, 20);
    auto expected = TemplateSeries("sine-with-dwell", {{"maxsteer", 270}}, amplitudes);
    EXPECT_EQ(folder.Read("sid.rom"), ProgramSetBytes(expected));
    // With --amplitude A the series counts in multiples of A: 1.5 A to 6.5 A for A = 40 deg.
    CliResult multiples = folder.Run({"template", "sine-with-dwell", "--amplitude", "40", "--series",
                                      "1.5:6.5:0.5", "--maxsteer", "270", "-o", "sid-a.rom"});
    ASSERT_EQ(multiples.status, 0) << multiples.err;
    EXPECT_EQ(folder.Read("sid-a.rom"), ProgramSetBytes(TemplateSeries("sine-with-dwell", {{"maxsteer", 270}},
                                                                       AmplitudeSeries(60, 260, 20))));

    CliResult summary = folder.Run({"check", "sid.rom", "--program", "3", "--summary"});
    ASSERT_EQ(summary.status, 0) << summary.err;
    std::vector<std::string> lines = SplitLines(summary.out);
    ASSERT_EQ(lines.size(), 10u) << summary.out;
    EXPECT_EQ(lines[0], "Compiled OK - program length: t= 15.999 seconds");
    EXPECT_EQ(lines[1], "Duration        2.929 s (END)");
    EXPECT_EQ(lines[3].rfind("Peak steer      120.0", 0), 0u) << lines[3];

    CliResult tight = folder.Run({"check", "sid.rom", "--program", "3", "--max-rate", "400"});
    EXPECT_EQ(tight.status, 0);
    EXPECT_EQ(tight.out, "Compiled OK - program length: t= 15.999 seconds\n");
    EXPECT_EQ(tight.err.rfind("Steer rate limit exceeded at t=", 0), 0u) << tight.err;
    EXPECT_NE(tight.err.find(" deg/s, limit 400 deg/s)\n"), std::string::npos) << tight.err;
    EXPECT_EQ(folder.Run({"check", "sid.rom", "--program", "3", "--max-rate", "600"}).err, "");

    CliResult build = folder.Run({"build", "sid.rom", "-o", "sid.bin", "--report", "--max-rate", "400"});
    ASSERT_EQ(build.status, 0) << build.err;
    // Programs 2 to 10 (amplitudes from 100 deg) steer faster than 400 deg/s.
    EXPECT_EQ(std::count(build.err.begin(), build.err.end(), '\n'), 9) << build.err;
    EXPECT_EQ(build.err.rfind("Program #2: Steer rate limit exceeded at t=", 0), 0u) << build.err;
    EXPECT_NE(build.err.find("\nProgram #10: Steer rate limit exceeded at t="), std::string::npos)
        << build.err;
    std::string bin = folder.Read("sid.bin"), aux = folder.Read("sid.aux");
    EXPECT_EQ(build.out, "Files sid.bin and sid.aux were successfully created.\n" +
                             Lf(ReportLines(ReportImages(bin, aux))));
}

TEST(CliCheck, SummaryOnlyAfterASuccessfulCompile) {
    CliFolder folder;
    folder.Write("p.txt", CrLf({"maxsteer(100 deg)", "begin", "setrate(256 hz)", "wait(1 s)",
                                "stepto(10 deg, 1 s)", "rampto(0 deg, 1 s)", "end"}));
    CliResult good = folder.Run({"check", "p.txt", "--summary"});
    ASSERT_EQ(good.status, 0);
    EXPECT_EQ(good.out, "Compiled OK - program length: t= 18.249 seconds\n"
                        "Duration        3.000 s (END)\n"
                        "Steps used      768 of 16384, 61.000 s left at 256 Hz\n"
                        "Peak steer      10.000 deg at 1.004 s\n"
                        "Minimum steer   0.000 deg at 0.000 s\n"
                        "Peak steer rate 2560.0 deg/s at 1.004 s\n"
                        "End angle       0.000 deg\n"
                        "Clock rates     256 Hz\n"
                        "Flags           none\n"
                        "High current    0.000 s (bit 15)\n");

    folder.Write("bad.txt", CrLf({"maxsteer(100 deg)", "begin", "frob", "end"}));
    CliResult bad = folder.Run({"check", "bad.txt", "--summary"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "Error in line 3: \"FROB\" is an invalid function\n\n1 Error found - Aborting...\n");
}

TEST(CliMaxRate, NoticeOnStderrForCheckStepsAndBuild) {
    CliFolder folder;
    std::vector<std::string> ramp{"maxsteer(100 deg)",  "begin", "wait(1 s)", "rampto(10 deg, 1 s)",
                                  "rampto(0 deg, 1 s)", "end"};
    folder.Write("p.txt", CrLf(ramp));
    const std::string notice = "Steer rate limit exceeded at t=1.001 sec. (10.0 deg/s, limit 9.5 deg/s)\n";
    CliResult check = folder.Run({"check", "p.txt", "--max-rate", "9.5"});
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(check.err, notice);
    CliResult steps = folder.Run({"steps", "p.txt", "--max-rate", "9.5"});
    EXPECT_EQ(steps.status, 0);
    EXPECT_EQ(steps.err, notice);
    EXPECT_EQ(steps.out, folder.Run({"steps", "p.txt"}).out);
    EXPECT_EQ(folder.Run({"check", "p.txt", "--max-rate", "10.5"}).err, "");
    EXPECT_EQ(folder.Run({"check", "p.txt", "--max-rate", "0"}).err, "");

    std::string set;
    for (int k = 0; k < 16; ++k) set += CrLf({ProgramMarker(k)}) + CrLf(k == 4 ? ramp : DefaultProgram());
    folder.Write("set.rom", set);
    CliResult build = folder.Run({"build", "set.rom", "-o", "set.bin", "--max-rate", "9.5"});
    EXPECT_EQ(build.status, 0);
    EXPECT_EQ(build.err, "Program #4: " + notice);

    for (std::string bad : {"fast", "-1", "inf"}) {
        CliResult result = folder.Run({"check", "p.txt", "--max-rate", bad});
        EXPECT_EQ(result.status, 2) << bad;
        EXPECT_EQ(result.err.rfind("quillard-cli: invalid max-rate: " + bad + " (a number of deg/s", 0), 0u)
            << result.err;
    }
}

TEST(CliBuild, HexAndSrecCopiesBesideTheFiles) {
    CliFolder folder;
    std::string set;
    for (int k = 0; k < 16; ++k) set += CrLf({ProgramMarker(k)}) + CrLf(TemplateProgram("single-sine", {}));
    folder.Write("set.rom", set);
    CliResult result = folder.Run({"build", "set.rom", "-o", "out.bin", "--hex", "--srec"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Files out.bin and out.aux were successfully created.\n"
                          "Files out.hex and out.aux.hex were successfully created.\n"
                          "Files out.srec and out.aux.srec were successfully created.\n");
    std::string bin = folder.Read("out.bin"), aux = folder.Read("out.aux");
    EXPECT_EQ(folder.Read("out.hex"), IntelHex(bin));
    EXPECT_EQ(folder.Read("out.aux.hex"), IntelHex(aux));
    EXPECT_EQ(folder.Read("out.srec"), MotorolaSrec(bin, "out.bin"));
    EXPECT_EQ(folder.Read("out.aux.srec"), MotorolaSrec(aux, "out.aux"));

    // A failed build writes no copy; a copy that would replace a built file is refused before building.
    folder.Write("bad.rom", CrLf({ProgramMarker(0), "begin", "end"}));
    CliResult bad = folder.Run({"build", "bad.rom", "-o", "bad.bin", "--hex"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "bad.hex"));
    CliResult clash = folder.Run({"build", "set.rom", "-o", "img.hex", "--hex"});
    EXPECT_EQ(clash.status, 2);
    EXPECT_EQ(clash.err, "quillard-cli: the .hex copy img.hex would replace a built file\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "img.hex"));
}

} // namespace
