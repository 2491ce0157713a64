// quillard-cli for test campaigns: the standard series over several sets, put, --strict, --json and
// strict usage.
#include "cli/cli_runner.h"

#include "compiler/summary.h"
#include "files/fileio.h"
#include "romfiles/imagecheck.h"
#include "romfiles/programset.h"
#include "romfiles/templates.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using Json = nlohmann::ordered_json;

std::string SetBytesWith(int k, const ProgramText &program) {
    ProgramSet set = DefaultProgramSet();
    set[static_cast<std::size_t>(k)] = program;
    return ProgramSetBytes(set);
}

TEST(CliUsage, EachMisuseIsExitTwoNamingWhatIsWrong) {
    CliFolder folder;
    folder.Write("p.txt", CrLf(DefaultProgram()));
    folder.Write("set.rom", ProgramSetBytes(DefaultProgramSet()));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"build", "set.rom", "-o", "s.bin", "--maxsteer", "300"}, "--maxsteer does not apply to build"},
        {{"steps", "p.txt", "--rate", "256"}, "--rate does not apply to steps"},
        {{"check", "p.txt", "--amplitude", "50"}, "--amplitude does not apply to check"},
        {{"import", "--type", "text", "p.txt", "--strict"}, "--strict does not apply to import"},
        {{"check", "p.txt", "--sumary"}, "unknown option --sumary (did you mean --summary?)"},
        {{"template", "sine-with-dwell", "--amplitud", "5"},
         "unknown option --amplitud (did you mean --amplitude?)"},
        {{"check", "p.txt", "--frobnicate"}, "unknown option --frobnicate (see --help)"},
        {{"chek", "p.txt"}, "unknown command: chek (did you mean check?)"},
        {{"template", "step-steer", "--amplitude", "50kg"},
         "invalid amplitude: 50kg (a number of deg, for example 30 or 30deg)"},
        {{"template", "step-steer", "--steer-rate", "720deg"},
         "invalid steer-rate: 720deg (a number of deg/s, for example 500 or 500deg/s)"},
        {{"check", "p.txt", "--max-rate", "400hz"},
         "invalid max-rate: 400hz (a number of deg/s, for example 400 or 400deg/s)"},
        {{"template", "sine-with-dwell", "--series", "1:3:1", "-o", "s.txt"},
         "template --series writes a set: s.txt is not a name ending in .rom"},
        {{"template", "j-turn", "--series", "standard", "--amplitude", "3", "-o", "s.rom"},
         "--series standard is a series of sine-with-dwell"},
        {{"template", "sine-with-dwell", "--series", "standard", "-o", "s.rom"},
         "--series standard needs --amplitude A (the steer angle at 0.3 g, deg) or --amplitude-from "
         "SIS.json"},
        {{"template", "step-steer", "--json"}, "--json goes with --list or --series"},
        {{"put", "s.txt", "--program", "1", "p.txt"}, "put writes a set: s.txt is not a name ending in .rom"},
        {{"put", "set.rom", "p.txt"}, "put needs --program N, the program to replace"},
        {{"put", "set.rom", "--program", "1"}, "put needs FILE, --template NAME or --from OTHER.rom"},
        {{"put", "set.rom", "--program", "1", "p.txt", "--template", "j-turn"},
         "put takes one of FILE, --template NAME and --from OTHER.rom"},
        {{"put", "set.rom", "--program", "1", "set.rom"},
         "set.rom is a program set: take its program with --from set.rom --source-program M"},
        {{"put", "set.rom", "--program", "1", "--from", "set.rom", "--hold", "2"},
         "--hold goes with --template"},
        {{"put", "set.rom", "--program", "1", "p.txt", "--source-program", "2"},
         "--source-program goes with --from"},
    };
    for (const auto &[arguments, err] : cases) {
        const CliResult result = folder.Run(arguments);
        EXPECT_EQ(result.status, 2) << err;
        EXPECT_EQ(result.out, "") << err;
        EXPECT_EQ(result.err, "quillard-cli: " + err + "\n");
    }
    // Letter case of a template's name does not matter; its own help lists units, defaults and ranges.
    EXPECT_EQ(folder.Run({"template", "Step-STEER", "--amplitude", "0.5e2deg"}).out,
              folder.Run({"template", "step-steer", "--amplitude", "50"}).out);
    const CliResult help = folder.Run({"template", "J-Turn", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("  --rate              Hz      1024     256, 512, 1024 or 2048\n"),
              std::string::npos)
        << help.out;
    // A set written under another name is refused when read as a program text.
    folder.Write("set.txt", ProgramSetBytes(DefaultProgramSet()));
    const CliResult misnamed = folder.Run({"check", "set.txt"});
    EXPECT_EQ(misnamed.status, 2);
    EXPECT_EQ(misnamed.err.rfind("quillard-cli: set.txt: holds program-set markers", 0), 0u) << misnamed.err;
}

// The standard series for A = 20 deg has 25 runs: two sets, the run list printed, each run named in
// its comment line.
TEST(CliSeries, StandardSeriesOfTwentyFiveRunsTakesTwoSets) {
    CliFolder folder;
    const CliResult made = folder.Run(
        {"template", "sine-with-dwell", "--series", "standard", "--amplitude", "20", "-o", "c.rom"});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::vector<std::string> lines = SplitLines(made.out);
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0], "Run  1 of 25: c-1.rom program  0, amplitude 30 deg");
    EXPECT_EQ(lines[24], "Run 25 of 25: c-2.rom program  8, amplitude 270 deg");
    const auto sets = SeriesSets(TemplateRuns("sine-with-dwell", {{"maxsteer", 300}}, StandardSeries(20),
                                              "standard series, A 20 deg"));
    EXPECT_EQ(folder.Read("c-1.rom"), ProgramSetBytes(sets[0]));
    EXPECT_EQ(folder.Read("c-2.rom"), ProgramSetBytes(sets[1]));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "c.rom"));

    // A lower steer limit caps the series; --json gives the run list.
    const CliResult capped = folder.Run({"template", "sine-with-dwell", "--series", "standard", "--amplitude",
                                         "50", "--maxsteer", "250", "-o", "d.rom", "--json"});
    ASSERT_EQ(capped.status, 0) << capped.err;
    const Json runs = Json::parse(capped.out)["runs"];
    ASSERT_EQ(runs.size(), 8u);
    EXPECT_EQ(runs.back()["amplitude_deg"], 250.0);
    EXPECT_EQ(runs.back()["set"], "d.rom");
}

// put replaces one program, keeps the other 15 byte for byte (a preamble and lone LFs included), and
// makes a new set of default programs when there is none.
TEST(CliPut, ReplacesOneProgramAndKeepsEveryOtherByte) {
    CliFolder folder;
    std::string odd = "made by hand\n" + ProgramSetBytes(DefaultProgramSet());
    odd.replace(odd.find("$$~PROG03\r\n"), 11, "$$~PROG03\nbegin\n");
    folder.Write("set.rom", odd);
    const ProgramText jturn = TemplateProgram("j-turn", {{"amplitude", 45}});
    ASSERT_EQ(folder.Run({"put", "set.rom", "--program", "7", "--template", "J-TURN", "--amplitude", "45deg"})
                  .status,
              0);
    const std::string after = folder.Read("set.rom");
    const std::size_t from = odd.find("$$~PROG07\r\n") + 11, to = odd.find("$$~PROG08");
    EXPECT_EQ(after.substr(0, from), odd.substr(0, from));
    EXPECT_EQ(after.substr(from, after.size() - (odd.size() - to) - from), JoinLinesCrLf(jturn));
    EXPECT_EQ(after.substr(after.size() - (odd.size() - to)), odd.substr(to));

    folder.Write("p.txt", "maxsteer(100 deg)\nbegin\nwait(2 s)\nend\n");
    ASSERT_EQ(folder.Run({"put", "new.rom", "--program", "2", "p.txt"}).status, 0);
    EXPECT_EQ(folder.Read("new.rom"), SetBytesWith(2, {"maxsteer(100 deg)", "begin", "wait(2 s)", "end"}));
    ASSERT_EQ(
        folder.Run({"put", "new.rom", "--program", "0", "--from", "set.rom", "--source-program", "7"}).status,
        0);
    ProgramSet expected = ParseProgramSetBytes(folder.Read("new.rom"));
    EXPECT_EQ(expected[0], jturn);
    EXPECT_EQ(expected[2], (ProgramText{"maxsteer(100 deg)", "begin", "wait(2 s)", "end"}));

    // A program line that would start another program, and a file that is no set, change nothing.
    folder.Write("marker.txt", CrLf({"begin", "$$~PROG05", "end"}));
    const CliResult marker = folder.Run({"put", "set.rom", "--program", "1", "marker.txt"});
    EXPECT_EQ(marker.status, 2);
    EXPECT_EQ(marker.err,
              "quillard-cli: marker.txt: line 2 starts with $$~PROG and would start another program "
              "of the set\n");
    folder.Write("junk.rom", "no markers\r\n");
    EXPECT_EQ(folder.Run({"put", "junk.rom", "--program", "1", "p.txt"}).err,
              "quillard-cli: junk.rom: Wrong file format!\n");
    EXPECT_EQ(folder.Read("set.rom"), after);
    EXPECT_EQ(folder.Read("junk.rom"), "no markers\r\n");
}

TEST(CliPut, RefusesASetThatNoReaderWouldTake) {
    CliFolder folder;
    std::string big;
    for (int i = 0; i < 600000; ++i) big += "wait(1 s)\r\n";
    folder.Write("big.txt", big);
    ASSERT_EQ(folder.Run({"put", "set.rom", "--program", "0", "big.txt"}).status, 0);
    const std::string once = folder.Read("set.rom");
    const CliResult twice = folder.Run({"put", "set.rom", "--program", "1", "big.txt"});
    EXPECT_EQ(twice.status, 2);
    EXPECT_EQ(twice.err,
              "quillard-cli: set.rom: the set would have 1200072 lines, more than the 1048576 a set "
              "file may have; nothing was written\n");
    EXPECT_EQ(folder.Read("set.rom"), once);
}

// Each kind of warning and notice makes a --strict run exit 1, with the texts of a plain run and no
// file written (a build prints no success line then); a clean program passes.
TEST(CliStrict, EachWarningOrNoticeFailsAStrictRun) {
    CliFolder folder;
    const std::vector<std::pair<std::string, ProgramText>> programs{
        {"steer rate", {"maxsteer(100 deg)", "begin", "rampto(50 deg, 0.1 s)", "rampto(0 deg, 1 s)", "end"}},
        {"end angle", {"maxsteer(100 deg)", "begin", "rampto(10 deg, 1 s)", "end"}},
        {"recycle", {"maxsteer(100 deg)", "begin", "rampto(10 deg, 1 s)", "repeatprogram"}},
        {"flag after end", {"maxsteer(100 deg)", "begin", "setflag(8 b, 100 %)", "end"}},
        {"warning", {"maxsteer(100 deg)", "begin", "sine(10 deg, 1 hz, 2 cycles, 3 s)", "end"}},
        {"clean", {"maxsteer(100 deg)", "begin", "rampto(10 deg, 1 s)", "rampto(0 deg, 1 s)", "end"}},
    };
    for (const auto &[name, program] : programs) {
        SCOPED_TRACE(name);
        folder.Write("p.txt", CrLf(program));
        folder.Write("set.rom", SetBytesWith(4, program));
        const std::vector<std::vector<std::string>> commands{
            {"check", "p.txt"},
            {"steps", "p.txt"},
            {"export", "p.txt", "--format", "tv", "-o", "p.tv"},
            {"build", "set.rom", "-o", "s.bin"},
            {"diff", "set.rom", "p.txt", "--program", "4"},
            {"simulate", "p.txt", "-o", "run.csv"}};
        for (std::vector<std::string> arguments : commands) {
            arguments.insert(arguments.end(), {"--max-rate", "400"});
            const CliResult plain = folder.Run(arguments);
            arguments.push_back("--strict");
            auto output = std::find(arguments.begin(), arguments.end(), "-o");
            std::string written;
            if (output != arguments.end()) {
                ++output;
                *output = written = "strict-" + *output;
            }
            const CliResult strict = folder.Run(arguments);
            EXPECT_EQ(plain.status, 0) << arguments[0];
            EXPECT_EQ(strict.status, name == "clean" ? 0 : 1) << arguments[0];
            if (!written.empty()) {
                EXPECT_EQ(std::filesystem::exists(folder.path() / written), name == "clean") << arguments[0];
            }
            if (written.empty()) {
                EXPECT_EQ(strict.out, plain.out) << arguments[0];
            } else if (name != "clean") {
                EXPECT_EQ(strict.out, "") << arguments[0]; // no success line
            }
            // The warnings a command does not print otherwise come on stderr, after the notices.
            EXPECT_EQ(strict.err.rfind(plain.err, 0), 0u) << arguments[0];
            if (name == "warning" && arguments[0] != "check") {
                EXPECT_NE(strict.err.find("Warning in line 3"), std::string::npos)
                    << arguments[0] << strict.err;
            }
        }
    }
}

// Statement text the compiler reads as nothing is a finding of check: named on stderr (and in the
// document) without touching the Messages text, and a failure with --strict.
TEST(CliStrict, IgnoredTextIsAFindingOfCheck) {
    CliFolder folder;
    folder.Write("p.txt", CrLf({"maxsteer(100 deg)", "begin", "wait(5)", "stepto(10 deg", "end"}));
    const CliResult plain = folder.Run({"check", "p.txt"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out, "Compiled OK - program length: t= 15.999 seconds\n");
    EXPECT_EQ(plain.err,
              "Line 3: \"5\" is ignored: a list of one character is not read\n"
              "Line 4: \"10 deg\" is ignored: no \")\" closes the list, so no parameter is read\n");
    const CliResult strict = folder.Run({"check", "p.txt", "--strict"});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.out, plain.out);
    const CliResult json = folder.Run({"check", "p.txt", "--strict", "--json"});
    EXPECT_EQ(json.status, 1);
    const Json ignored = Json::parse(json.out)["ignored"];
    ASSERT_EQ(ignored.size(), 2u);
    EXPECT_EQ(ignored[1]["line"], 4);
    EXPECT_EQ(ignored[1]["what"], "10 deg");

    // A whole set names each program's ignored text after its "Program #n: ".
    folder.Write("s.rom", SetBytesWith(5, {"maxsteer(100 deg)", "begin", "wait(5)", "end"}));
    const CliResult set = folder.Run({"check", "s.rom", "--strict"});
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err, "Program #5: Line 3: \"5\" is ignored: a list of one character is not read\n");
    const Json programs = Json::parse(folder.Run({"check", "s.rom", "--json"}).out)["programs"];
    EXPECT_EQ(programs[5]["ignored"].size(), 1u);
    EXPECT_EQ(programs[4]["ignored"].size(), 0u);
}

// The documents of --json parse back with the same library and hold the figures of the text output.
TEST(CliJson, DocumentsParseBackWithTheirFigures) {
    CliFolder folder;
    const ProgramText sid = TemplateProgram("sine-with-dwell", {{"amplitude", 60}});
    folder.Write("set.rom", SetBytesWith(3, sid));
    CliResult check = folder.Run({"check", "set.rom", "--program", "3", "--summary", "--json"});
    ASSERT_EQ(check.status, 0) << check.err;
    Json document = Json::parse(check.out);
    EXPECT_EQ(document["program"], 3);
    EXPECT_EQ(document["messages"][0]["severity"], "information");
    EXPECT_EQ(document["messages"][0]["code"], 201);
    EXPECT_NEAR(document["summary"]["peak_steer_deg"].get<double>(), 60, 0.03);
    EXPECT_NEAR(document["summary"]["duration_s"].get<double>(), 2.929, 0.0005);
    EXPECT_NE(
        folder.Run({"check", "set.rom", "--program", "3", "--summary"}).out.find("Duration        2.929 s"),
        std::string::npos);

    folder.Write("brake.txt", CrLf({"maxsteer(100 deg)", "begin", "setflag(8 b, 100 %)", "end"}));
    document = Json::parse(folder.Run({"check", "brake.txt", "--summary", "--json"}).out);
    EXPECT_EQ(document["summary"]["flags"], Json::array());
    EXPECT_EQ(document["summary"]["flags_after_end"],
              Json::parse(R"([{"flag": 8, "from_s": 0.0, "until_s": null}])"));
    EXPECT_EQ(document["notices"][0].get<std::string>().rfind("Flag 8 stays on after the end", 0), 0u);

    folder.Write("bad.txt", CrLf({"maxsteer(100 deg)", "begin", "frob", "wait(1 s, 2 cycles)", "end"}));
    check = folder.Run({"check", "bad.txt", "--json"});
    EXPECT_EQ(check.status, 1);
    document = Json::parse(check.out);
    EXPECT_EQ(document["program"], nullptr);
    EXPECT_EQ(document["compiled"], false);
    EXPECT_EQ(document["messages"][0], Json::parse(R"({"line": 3, "code": 11, "severity": "error",
                              "text": "Error in line 3: \"FROB\" is an invalid function"})"));

    const CliResult build = folder.Run({"build", "set.rom", "-o", "s.bin", "--report", "--json", "--hex"});
    ASSERT_EQ(build.status, 0) << build.err;
    document = Json::parse(build.out);
    const ImageReport report = ReportImages(folder.Read("s.bin"), folder.Read("s.aux"));
    EXPECT_EQ(document["built"], true);
    EXPECT_EQ(document["copies"], Json::parse(R"(["s.hex", "s.aux.hex"])"));
    EXPECT_EQ(document["report"]["bin_size_bytes"], report.binSize);
    EXPECT_EQ(document["report"]["slots"][3]["end_index"], report.programs[3].endIndex);
    char crc[16];
    std::snprintf(crc, sizeof crc, "0x%08X", report.programs[3].binCrc);
    EXPECT_EQ(document["report"]["slots"][3]["bin_crc32"], crc);

    std::string bin = folder.Read("s.bin");
    const CliResult same = folder.Run({"verify", "set.rom", "s.bin", "--aux", "s.aux", "--json"});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(Json::parse(same.out)["identical"], true);
    bin[3 * 32768 + 2 * 1500] ^= 1;
    folder.Write("t.bin", bin);
    const CliResult tampered = folder.Run({"verify", "set.rom", "t.bin", "--json"});
    EXPECT_EQ(tampered.status, 1);
    document = Json::parse(tampered.out);
    EXPECT_EQ(document["identical"], false);
    EXPECT_EQ(document["programs"][3]["words"]["first_step"], 1500);
    EXPECT_EQ(document["programs"][3]["words"]["count"], 1);

    document = Json::parse(folder.Run({"template", "--list", "--json"}).out);
    ASSERT_EQ(document["templates"].size(), ManoeuvreTemplates().size());
    const Json &first = document["templates"][0];
    EXPECT_EQ(first["name"], ManoeuvreTemplates()[0].name);
    EXPECT_EQ(first["parameters"][0]["unit"], ManoeuvreTemplates()[0].parameters[0].unit);
    EXPECT_EQ(first["parameters"][0]["default"], ManoeuvreTemplates()[0].parameters[0].defaultValue);
}

} // namespace
