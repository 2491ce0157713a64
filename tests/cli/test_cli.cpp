// quillard-cli end to end: usage, exit statuses and the output formats of every command.
#include "cli/cli_runner.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

const std::vector<std::string> DefaultProgram{"maxsteer(100 deg)", "begin", "", "end"};

std::string SetFile(const std::vector<std::vector<std::string>> &programs) {
    std::string bytes;
    for (std::size_t k = 0; k < programs.size(); ++k) {
        char marker[32];
        std::snprintf(marker, sizeof marker, "$$~PROG%2.2zu", k);
        bytes += CrLf({marker}) + CrLf(programs[k]);
    }
    return bytes;
}

TEST(CliUsage, HelpAndVersion) {
    CliFolder folder;
    CliResult help = folder.Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: quillard-cli"), std::string::npos);
    CliResult version = folder.Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quillard-cli 1.51\n");
}

TEST(CliUsage, BadUsageExitsTwoWithOneLineAndNoOutput) {
    CliFolder folder;
    folder.Write("p.txt", CrLf(DefaultProgram));
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate", "p.txt"},
             {"check"},
             {"check", "p.txt", "--program", "16"},
             {"check", "p.txt", "--program", "-1"},
             {"check", "p.txt", "--machine", "corvan2"},
             {"import", "--type", "bin", "p.txt", "--maxsteer", "2001"},
             {"import", "--type", "tv", "p.txt", "--rate", "300"},
             {"import", "--type", "xls", "p.txt"},
             {"build", "p.txt"},
             {"export", "p.txt", "-o", "x.txt"},
             {"check", "p.txt", "--bogus"},
         }) {
        CliResult result = folder.Run(arguments);
        std::string context = arguments.empty() ? "(none)" : arguments[0];
        EXPECT_EQ(result.status, 2) << context;
        EXPECT_EQ(result.out, "") << context;
        EXPECT_EQ(result.err.rfind("quillard-cli: ", 0), 0u) << context << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << context << ": " << result.err;
    }
}

TEST(CliUsage, UnreadableInputExitsTwoNamingTheFile) {
    CliFolder folder;
    std::filesystem::create_directory(folder.path() / "dir.txt");
    folder.Write("bad.rom", "no marker here\r\n");
    for (std::string file : {"missing.txt", "dir.txt", "bad.rom"}) {
        CliResult result = folder.Run({"check", file});
        EXPECT_EQ(result.status, 2) << file;
        EXPECT_EQ(result.out, "") << file;
        EXPECT_EQ(result.err.rfind("quillard-cli: " + file + ": ", 0), 0u) << result.err;
    }
    EXPECT_EQ(folder.Run({"check", "bad.rom"}).err, "quillard-cli: bad.rom: Wrong file format!\n");
}

TEST(CliCheck, PrintsTheMessagesTextAndExitStatus) {
    CliFolder folder;
    folder.Write("good.txt", CrLf(DefaultProgram));
    CliResult good = folder.Run({"check", "good.txt"});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, "Compiled OK - program length: t= 15.999 seconds\n");

    folder.Write("bad.txt", CrLf({"maxsteer(100 deg)", "begin", "stepto(5 deg 2 sec)", "end"}));
    CliResult bad = folder.Run({"check", "bad.txt"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out,
              "Error in line 3: Invalid numeric format for seconds (real)\n\n1 Error found - Aborting...\n");
}

TEST(CliCheck, FileNamesReachTheFileSystemByteForByte) {
    CliFolder folder;
    const std::string latin1Name = "\xe9t\xe9.txt"; // not UTF-8
    folder.Write(latin1Name, CrLf(DefaultProgram));
    EXPECT_EQ(folder.Run({"check", latin1Name}).status, 0);
    EXPECT_EQ(folder.Run({"plot", latin1Name, "-o", "\xe9.png"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "\xe9.png"));
}

TEST(CliCheck, EmptyFileIsAProgramOfZeroLines) {
    CliFolder folder;
    folder.Write("empty.txt", "");
    CliResult result = folder.Run({"check", "empty.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "\"MaxSteer\" and \"Begin\" not found\n\"Begin\" not found\n"
                          "Warning in line 1: END not found - It will be added automatically\n\n"
                          "2 Errors found - Aborting...\n");
}

TEST(CliCheck, ChecksEveryProgramOfASetOrTheOneAskedFor) {
    CliFolder folder;
    std::vector<std::vector<std::string>> programs(16, DefaultProgram);
    programs[5] = {"maxsteer(100 deg)", "begin", "frob(1 s)", "end"};
    folder.Write("set.ROM", SetFile(programs));
    // Without --program every program is checked under its own line, and the broken one fails it.
    for (const char *strict : {"--machine", "--strict"}) {
        std::vector<std::string> arguments{"check", "set.ROM", strict};
        if (std::string(strict) == "--machine") arguments.push_back("compatible");
        const CliResult all = folder.Run(arguments);
        EXPECT_EQ(all.status, 1);
        EXPECT_NE(all.out.find("Program #5:\nError in line 3: \"FROB\" is an invalid function\n"),
                  std::string::npos)
            << all.out;
        EXPECT_EQ(all.out.rfind("Program #0:\n", 0), 0u) << all.out;
        EXPECT_NE(all.out.find("\nProgram #15:\n"), std::string::npos) << all.out;
    }
    const nlohmann::json document = nlohmann::json::parse(folder.Run({"check", "set.ROM", "--json"}).out);
    EXPECT_EQ(document["compiled"], false);
    ASSERT_EQ(document["programs"].size(), 16u);
    for (int p = 0; p < 16; ++p) {
        EXPECT_EQ(document["programs"][p]["program"], p);
        EXPECT_EQ(document["programs"][p]["compiled"], p != 5);
    }
    CliResult five = folder.Run({"check", "set.ROM", "--program", "5"});
    EXPECT_EQ(five.status, 1);
    EXPECT_EQ(five.out.rfind("Error in line 3: \"FROB\" is an invalid function\n", 0), 0u) << five.out;

    folder.Write("lf.txt", "maxsteer(100 deg)\nbegin\nwait(1 s)\nend\n");
    EXPECT_EQ(folder.Run({"check", "lf.txt"}).status, 0);
}

TEST(CliSet, MarkersPastTheSixteenthAreANoticeNamingThem) {
    CliFolder folder;
    std::string set;
    for (int k = 0; k < 20; ++k)
        set += ProgramMarker(k) + "\r\n" + CrLf({"maxsteer(100 deg)", "begin", "wait(1 s)", "end"});
    folder.Write("set.rom", set);
    const std::string notice =
        "set.rom holds 20 program markers; a set has 16 programs, so the programs of "
        "markers 17 to 20 were ignored ($$~PROG16 on line 81 to $$~PROG19 on line 96)\n";
    for (const std::vector<std::string> &command :
         {std::vector<std::string>{"build", "set.rom", "-o", "s.bin"},
          {"check", "set.rom", "--program", "2"},
          {"verify", "set.rom", "s.bin"}}) {
        CliResult plain = folder.Run(command);
        EXPECT_EQ(plain.err, notice) << command[0];
        EXPECT_EQ(plain.status, 0) << command[0];
        std::vector<std::string> strict = command;
        strict.push_back("--strict");
        const CliResult failed = folder.Run(strict);
        EXPECT_EQ(failed.status, 1) << command[0];
        const std::string notWritten =
            command[0] == "build" ? "Warning(s) or notice(s) were found (--strict). File was not created.\n" : "";
        EXPECT_EQ(failed.err, notice + notWritten) << command[0];
    }
}

TEST(CliCheck, NoticesGoToStderrAndMachineOptionReachesTheCompiler) {
    CliFolder folder;
    folder.Write("end.txt", CrLf({"maxsteer(100 deg)", "begin", "stepto(12.5 deg, 1 s)", "end"}));
    CliResult result = folder.Run({"check", "end.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "Program ends at nonzero steer angle (12.5 deg).\n");

    folder.Write("peak.txt",
                 CrLf({"maxsteer(100 deg)", "begin", "wait(1 s)", "waitforrollpeak", "wait(1 s)", "end"}));
    auto bit15Steps = [&](const std::vector<std::string> &extra) {
        std::vector<std::string> arguments{"steps", "peak.txt"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        CliResult steps = folder.Run(arguments);
        EXPECT_EQ(steps.status, 0);
        int count = 0;
        std::size_t at = 0;
        while ((at = steps.out.find(",1024,1,", at)) != std::string::npos) ++count, ++at;
        return count;
    };
    EXPECT_EQ(bit15Steps({}), 1);
    EXPECT_EQ(bit15Steps({"--machine", "compatible"}), 0);
    folder.Write("quildf.txt", CrLf({"a", "b", ".", ".", ".", "", "Corvan 1,2,3 compatibility selected"}));
    EXPECT_EQ(bit15Steps({}), 0);
    EXPECT_EQ(bit15Steps({"--machine", "corvan3"}), 1);
}

TEST(CliSteps, PrintsHeaderAndEveryStep) {
    CliFolder folder;
    folder.Write("p.txt",
                 CrLf({"maxsteer(45 deg)", "begin", "setrate(256 hz)", "stepto(-0 deg, 1 s)", "end"}));
    CliResult result = folder.Run({"steps", "p.txt"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("# end_index=256 maxsteer=45\n"
                               "index,time,steer,rate,bit15,ended,f1,f2,f3,f4,f5,f6,f7,f8\n"
                               "0,0,0,256,0,0,0,0,0,0,0,0,0,0\n"
                               "1,0.00390625,0,256,0,0,0,0,0,0,0,0,0,0\n",
                               0),
              0u)
        << result.out.substr(0, 300);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 2 + 16384);
    EXPECT_NE(result.out.find("\n16383,"), std::string::npos);

    folder.Write("bad.txt", CrLf({"maxsteer(45 deg)", "begin", "stepto(50 deg)", "end"}));
    CliResult bad = folder.Run({"steps", "bad.txt"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "Error in line 3: Steer amplitude goes offscale (abs(steer) > maxsteer)\n\n"
                       "1 Error found - Aborting...\n");
}

} // namespace

namespace {

TEST(CliBuild, WritesBothFilesOrNothing) {
    CliFolder folder;
    std::vector<std::vector<std::string>> programs(16, DefaultProgram);
    folder.Write("set.rom", SetFile(programs));
    CliResult result = folder.Run({"build", "set.rom", "-o", "out.bin"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Files out.bin and out.aux were successfully created.\n");
    std::string bin = folder.Read("out.bin"), aux = folder.Read("out.aux");
    ASSERT_EQ(bin.size(), 524288u);
    ASSERT_EQ(aux.size(), 262144u);
    for (std::size_t i = 0; i < bin.size(); i += 2) {
        ASSERT_EQ(bin[i], '\x00') << i;
        ASSERT_EQ(bin[i + 1], '\x68') << i;
    }
    EXPECT_EQ(aux, std::string(262144, '\0'));

    programs[3] = {"maxsteer(100 deg)", "begin", "stepto(200 deg)", "end"};
    programs[9] = {"begin", "end"};
    folder.Write("bad.rom", SetFile(programs));
    CliResult bad = folder.Run({"build", "bad.rom", "-o", "out.bin"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "Program #3:\n"
                       "Error in line 3: Steer amplitude goes offscale (abs(steer) > maxsteer)\n\n"
                       "1 Error found - Aborting...\n"
                       "Program #9:\n"
                       "\"MaxSteer\" not found before \"Begin\"\n\n"
                       "1 Error found - Aborting...\n");
    EXPECT_EQ(bad.err, "Error(s) were found. File was not created.\n");
    EXPECT_EQ(folder.Read("out.bin"), bin);
    EXPECT_EQ(folder.Read("out.aux"), aux);

    CliResult noFolder = folder.Run({"build", "set.rom", "-o", "missing/out.bin"});
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_EQ(noFolder.err.rfind("quillard-cli: missing/out.bin: ", 0), 0u) << noFolder.err;
}

TEST(CliVerify, MatchesItsBuildAndNamesTheFirstDifferenceOfEachProgram) {
    CliFolder folder;
    std::vector<std::vector<std::string>> programs(16, DefaultProgram);
    programs[3] = {"maxsteer(100 deg)", "begin", "rampto(50 deg, 1 s)", "rampto(0 deg, 1 s)", "end"};
    folder.Write("set.rom", SetFile(programs));
    ASSERT_EQ(folder.Run({"build", "set.rom", "-o", "set.bin"}).status, 0);
    CliResult same = folder.Run({"verify", "set.rom", "set.bin", "--aux", "set.aux"});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, "set.bin and set.aux match set.rom (16 programs).\n");

    std::string bin = folder.Read("set.bin");
    bin[3 * 32768 + 2 * 512] ^= 0x02; // program 3, step 512 at 0.5 s: 25 degrees, dac code 2560 becomes 2562
    folder.Write("flip.bin", bin);
    CliResult flipped = folder.Run({"verify", "set.rom", "flip.bin"});
    EXPECT_EQ(flipped.status, 1);
    EXPECT_EQ(flipped.out, "Program 3: 1 word differs, the first at step 512 (t=0.5000 s): expected steer "
                           "25.000 deg (0x2A00), found 25.110 deg (0x2A02)\n"
                           "flip.bin differs from set.rom in 1 program.\n");

    programs[3] = DefaultProgram; // images of another set
    folder.Write("other.rom", SetFile(programs));
    CliResult other = folder.Run({"verify", "other.rom", "set.bin", "--aux", "set.aux"});
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.out.substr(other.out.rfind("set.bin and")),
              "set.bin and set.aux differ from other.rom in 1 program.\n");

    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {"verify", "set.rom", "missing.bin"},
             {"verify", "set.rom", "set.bin", "--aux", "missing.aux"},
             {"verify", "set.rom"},
             {"verify", "set.rom", "set.bin", "--program", "3"},
             {"verify", "set.rom", "set.bin", "-o", "x.bin"},
         }) {
        CliResult result = folder.Run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.back();
        EXPECT_EQ(result.out, "") << arguments.back();
    }
}

TEST(CliExport, TextAndTimeValue) {
    CliFolder folder;
    folder.Write("p.txt", CrLf({"maxsteer(200 deg)", "begin", "setrate(256 hz)", "stepto(10 deg, 1 s)",
                                "stepto(-120.5 deg, 1 s)", "end"}));
    ASSERT_EQ(folder.Run({"export", "p.txt", "--format", "text", "-o", "copy.txt"}).status, 0);
    EXPECT_EQ(folder.Read("copy.txt"), folder.Read("p.txt"));

    CliResult tv = folder.Run({"export", "p.txt", "--format", "tv", "-o", "p.tv"});
    ASSERT_EQ(tv.status, 0) << tv.err;
    EXPECT_EQ(tv.out, "");
    EXPECT_EQ(tv.err, "Program ends at nonzero steer angle (-120.5 deg).\n");
    std::string text = folder.Read("p.tv");
    EXPECT_EQ(text.substr(0, 36), "   0.000   0.000\r\n   0.004  10.000\r\n");
    EXPECT_NE(text.find("\r\n   1.250 -120.500\r\n"), std::string::npos); // one blank keeps the fields apart
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 513);           // steps 0 to 512, the end index

    folder.Write("bad.txt", CrLf({"maxsteer(20 deg)", "begin", "stepto(30 deg)", "end"}));
    CliResult bad = folder.Run({"export", "bad.txt", "--format", "tv", "-o", "bad.tv"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "bad.tv"));
    EXPECT_NE(bad.err.find("1 Error found - Aborting..."), std::string::npos);
}

TEST(CliImport, EveryTypeAndFailures) {
    CliFolder folder;
    folder.Write("points.txt", "0 0\r\n1 10\r\n2 10\r\n3 10\r\n4 0\r\n");
    CliResult tv = folder.Run({"import", "--type", "tv", "points.txt"});
    ASSERT_EQ(tv.status, 0) << tv.err;
    EXPECT_EQ(tv.out,
              "maxsteer(200.000 deg)\nbegin\nsetrate(256 hz)\nstepto(0.000d)\nrampto(10.000d,1.0000s)\n"
              "wait(2.0000s)\nrampto(0.000d,1.0000s)\nend\n");
    CliResult insert =
        folder.Run({"import", "--type", "tv", "points.txt", "--mode", "insert", "--rate", "2048"});
    EXPECT_EQ(insert.out, "stepto(0.000d)\nrampto(10.000d,1.0000s)\nwait(2.0000s)\nrampto(0.000d,1.0000s)\n");

    std::vector<std::vector<std::string>> programs(16, DefaultProgram);
    programs[2] = {"maxsteer(50 deg)", "begin", "wait(1 s)", "end"};
    folder.Write("set.rom", SetFile(programs));
    EXPECT_EQ(folder.Run({"import", "--type", "rom", "set.rom", "--program", "2"}).out,
              "maxsteer(50 deg)\nbegin\nwait(1 s)\nend\n");
    EXPECT_EQ(folder.Run({"import", "--type", "text", "points.txt"}).out, "0 0\n1 10\n2 10\n3 10\n4 0\n");

    ASSERT_EQ(folder.Run({"build", "set.rom", "-o", "set.bin"}).status, 0);
    CliResult bin =
        folder.Run({"import", "--type", "bin", "set.bin", "--program", "15", "--maxsteer", "100"});
    EXPECT_EQ(bin.out,
              "maxsteer(100.000 deg)\nbegin\nSetRate(1024 hz)\nStepTo(0.000 deg)\nwait(15.999s)\nEnd\n");

    folder.Write("short.bin", std::string(100, '\0'));
    folder.Write("one.txt", "0 1\r\n2\r\n");
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {"import", "--type", "bin", "short.bin", "--program", "1"},
             {"import", "--type", "tv", "one.txt"},
             {"import", "--type", "rom", "points.txt"},
             {"import", "--type", "text", "nothere.txt"},
         }) {
        CliResult failed = folder.Run(arguments);
        EXPECT_EQ(failed.status, 2) << arguments[3];
        EXPECT_EQ(failed.out, "") << arguments[3];
        EXPECT_EQ(failed.err.rfind("quillard-cli: " + arguments[3] + ": ", 0), 0u) << failed.err;
    }
}

TEST(CliImport, WritesTheLinesAsAProgramText) {
    CliFolder folder;
    folder.Write("points.txt", "0 0\r\n1 10\r\n2 0\r\n");
    const CliResult written = folder.Run({"import", "--type", "tv", "points.txt", "-o", "p.txt"});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(folder.Read("p.txt"),
              CrLf({"maxsteer(200.000 deg)", "begin", "setrate(256 hz)", "stepto(0.000d)",
                    "rampto(10.000d,1.0000s)", "rampto(0.000d,1.0000s)", "end"}));
    const CliResult over = folder.Run({"import", "--type", "text", "points.txt", "-o", "points.txt"});
    EXPECT_EQ(over.status, 2);
    EXPECT_EQ(over.err, "quillard-cli: points.txt: the output would replace the input file points.txt\n");
}

TEST(CliPlot, WritesPngAndSvgOfTheRequestedSize) {
    CliFolder folder;
    folder.Write("p.txt", CrLf({"maxsteer(100 deg)", "begin", "sine(50 deg, 1 hz, 2 cycles)", "end"}));
    CliResult png = folder.Run({"plot", "p.txt", "-o", "g.png", "--size", "640x240", "--aux", "1,8"});
    ASSERT_EQ(png.status, 0) << png.err;
    std::string bytes = folder.Read("g.png");
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    auto be32 = [&](std::size_t at) {
        return (std::uint32_t(std::uint8_t(bytes[at])) << 24) |
               (std::uint32_t(std::uint8_t(bytes[at + 1])) << 16) |
               (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8) | std::uint8_t(bytes[at + 3]);
    };
    EXPECT_EQ(be32(16), 640u);
    EXPECT_EQ(be32(20), 240u);

    CliResult svg = folder.Run({"plot", "p.txt", "-o", "g.svg"});
    ASSERT_EQ(svg.status, 0) << svg.err;
    EXPECT_NE(folder.Read("g.svg").find("<svg"), std::string::npos);

    EXPECT_EQ(folder.Run({"plot", "p.txt", "-o", "g.jpg"}).status, 2);
    folder.Write("bad.txt", CrLf({"begin"}));
    EXPECT_EQ(folder.Run({"plot", "bad.txt", "-o", "bad.png"}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "bad.png"));
}

} // namespace

namespace {

TEST(Examples, EveryProgramCompilesWithoutWarningsOrNotices) {
    CliFolder folder;
    int checked = 0;
    for (const auto &entry : std::filesystem::directory_iterator(QUILLARD_EXAMPLES)) {
        std::string path = entry.path().string();
        if (entry.path().extension() == ".sh") continue; // the scripts that use the examples
        bool isSet = entry.path().extension() == ".rom";
        for (int program = 0; program < (isSet ? 16 : 1); ++program) {
            CliResult result = folder.Run(
                isSet ? std::vector<std::string>{"check", path, "--program", std::to_string(program)}
                      : std::vector<std::string>{"check", path});
            std::string context = path + " #" + std::to_string(program);
            EXPECT_EQ(result.status, 0) << context;
            EXPECT_EQ(result.out.rfind("Compiled OK - program length: t= ", 0), 0u) << context << result.out;
            EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << context << result.out;
            EXPECT_EQ(result.err, "") << context;
            ++checked;
        }
    }
    EXPECT_GE(checked, 16);
}

} // namespace
