// quillard-cli on bad input and failing outputs: one line on stderr that names the file and the
// failure, exit status 2, and no output file changed.
#include "cli/cli_runner.h"
#include "romfiles/faults.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string SetOf(const Lines &program3) {
    std::string bytes;
    for (int k = 0; k < 16; ++k) {
        char marker[32];
        std::snprintf(marker, sizeof marker, "$$~PROG%2.2d", k);
        bytes += CrLf({marker}) + CrLf(k == 3 ? program3 : Lines{"maxsteer(100 deg)", "begin", "", "end"});
    }
    return bytes;
}

// Expects exit status 2, nothing on stdout and exactly the one line on stderr.
void ExpectFailure(const CliResult &result, const std::string &line) {
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "quillard-cli: " + line + "\n");
}

std::vector<std::string> Entries(const fs::path &folder) {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(CliBadInput, GarbageSetFileIsUnreadableInputForEveryCommand) {
    CliFolder folder;
    folder.Write("g.rom", Garbage(1 << 20, 1, "$"));
    for (const Lines &arguments :
         {Lines{"check", "g.rom"}, Lines{"steps", "g.rom"}, Lines{"build", "g.rom", "-o", "g.bin"},
          Lines{"export", "g.rom", "--format", "tv", "-o", "g.tv"}})
        ExpectFailure(folder.Run(arguments), "g.rom: Wrong file format!");
    EXPECT_EQ(Entries(folder.path()), Lines{"g.rom"});
}

TEST(CliBadInput, GarbageProgramTextIsCheckedIntoMessages) {
    CliFolder folder;
    folder.Write("g.txt", "maxsteer(100 deg)\r\nbegin\r\n" + Garbage(1 << 16, 2));
    const CliResult result = folder.Run({"check", "g.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find(" Errors found - Aborting...\n"), std::string::npos);
    EXPECT_EQ(result.err, "");
}

TEST(CliBadInput, VanishedAndUnreadableInputsAreNamed) {
    CliFolder folder;
    fs::create_directory(folder.path() / "dir.bin");
    const std::string unreadable = UnreadableFile;
    for (const std::string command : {"check", "import"}) {
        auto run = [&](const std::string &file) {
            return command == "check" ? folder.Run({"check", file})
                                      : folder.Run({"import", "--type", "bin", file});
        };
        ExpectFailure(run("gone.bin"), "gone.bin: No such file or directory");
        ExpectFailure(run("dir.bin"), "dir.bin: Is a directory");
        ExpectFailure(run(unreadable), unreadable + ": Input/output error");
    }
}

TEST(CliBadInput, ImportFailuresAreOneShortLine) {
    CliFolder folder;
    folder.Write("nul.txt", std::string("0 0\r\n1\0 5\r\n", 11));
    folder.Write("long.txt", "0 " + std::string(1 << 20, '9') + "x\r\n");
    folder.Write("short.bin", std::string(3 * 32768 + 1001, '\0'));
    ExpectFailure(folder.Run({"import", "--type", "tv", "nul.txt"}),
                  "nul.txt: Invalid number \"1\\x00\" on line 2");
    ExpectFailure(folder.Run({"import", "--type", "tv", "long.txt"}),
                  "long.txt: Invalid number \"999999999999999999999999...\" on line 1");
    ExpectFailure(folder.Run({"import", "--type", "bin", "short.bin", "--program", "3"}),
                  "short.bin: The EPROM file is too short for program #3");
}

TEST(CliBadInput, HundredThousandLineProgramIsChecked) {
    CliFolder folder;
    Lines lines{"maxsteer(100 deg)", "begin"};
    while (lines.size() < 99999) lines.push_back(lines.size() % 2 ? "wait(0.0001 s)" : "; comment");
    lines.push_back("end");
    lines[70000] = "stpto(1 deg)";
    folder.Write("long.txt", CrLf(lines));
    const auto start = std::chrono::steady_clock::now();
    const CliResult result = folder.Run({"check", "long.txt"});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("check of a 100000-line program: %.3f s\n", seconds);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "Error in line 70001: \"STPTO\" is an invalid function\n\n1 Error found - Aborting...\n");
}

TEST(CliBadInput, Utf8AndNulBytesExportByteForByte) {
    CliFolder folder;
    const Lines program{"maxsteer(100 deg)", "begin",
                        "; Lenkwinkel f\xC3\xBCr die Kurve \xC3\xA0 droite \xE2\x80\x94",
                        std::string("; \0 and \xA0", 9), "end"};
    folder.Write("set.rom", SetOf(program));
    ASSERT_EQ(folder.Run({"export", "set.rom", "--program", "3", "--format", "text", "-o", "out.txt"}).status,
              0);
    EXPECT_EQ(folder.Read("out.txt"), CrLf(program));
}

TEST(CliBadInput, FullDiskFailsTheWriteAndKeepsTheOldFiles) {
    CliFolder folder;
    folder.Write("set.rom", SetOf({"maxsteer(100 deg)", "begin", "; " + std::string(8000, '-'), "end"}));
    folder.Write("out.txt", "old text");
    folder.Write("set.bin", "old eprom");
    folder.Write("set.aux", "old aux");
    const Lines before = Entries(folder.path());
    CliResult exported, built;
    {
        FileSizeLimit full(4096); // room for the messages, not for the outputs
        exported = folder.Run({"export", "set.rom", "--program", "3", "--format", "text", "-o", "out.txt"});
        built = folder.Run({"build", "set.rom", "-o", "set.bin"});
    }
    ExpectFailure(exported, "out.txt: File too large");
    ExpectFailure(built, "set.bin: File too large");
    EXPECT_EQ(folder.Read("out.txt"), "old text");
    EXPECT_EQ(folder.Read("set.bin"), "old eprom");
    EXPECT_EQ(folder.Read("set.aux"), "old aux");
    EXPECT_EQ(Entries(folder.path()), before);
}

TEST(CliBadInput, FullDeviceAndReadOnlyFolderAreNamed) {
    CliFolder folder;
    folder.Write("p.txt", CrLf({"maxsteer(100 deg)", "begin", "end"}));
    if (MakeMemoryDevice((folder.path() / "full").string(), FullDevice)) {
        ExpectFailure(folder.Run({"export", "p.txt", "--format", "text", "-o", "full"}),
                      "full: No space left on device");
        EXPECT_TRUE(IsCharacterDevice((folder.path() / "full").string()));
    }
    const std::string readOnly = UnwritableFolder();
    if (readOnly.empty()) GTEST_SKIP() << "this process can write in every folder tried";
    const CliResult exported = folder.Run({"export", "p.txt", "--format", "tv", "-o", readOnly + "/p.tv"});
    EXPECT_EQ(exported.status, 2);
    EXPECT_EQ(exported.err.rfind("quillard-cli: " + readOnly + "/p.tv: ", 0), 0u) << exported.err;
    EXPECT_FALSE(fs::exists(readOnly + "/p.tv"));
}

TEST(CliBadInput, UnreadableOrGarbageDefaultsFile) {
    CliFolder folder;
    folder.Write("p.txt", CrLf({"maxsteer(100 deg)", "begin", "end"}));
    folder.Write("quildf.txt", Garbage(1 << 16, 3));
    EXPECT_EQ(folder.Run({"check", "p.txt"}).status, 0); // garbage is read as "compatible"
    fs::remove(folder.path() / "quildf.txt");
    fs::create_directory(folder.path() / "quildf.txt");
    ExpectFailure(folder.Run({"check", "p.txt"}), "quildf.txt: Is a directory");
    EXPECT_EQ(folder.Run({"check", "p.txt", "--machine", "corvan3"}).status, 0); // not needed, not read
}

TEST(CliBadInput, CopiesAndPlotsOnAFullDiskKeepTheOldFiles) {
    CliFolder folder;
    folder.Write("set.rom", SetOf({"maxsteer(100 deg)", "begin", "end"}));
    folder.Write("set.hex", "old hex");
    folder.Write("plot.png", "old png");
    CliResult built, plotted;
    {
        FileSizeLimit full(600 * 1024); // room for the EPROM and aux files, not for their HEX copies
        built = folder.Run({"build", "set.rom", "-o", "set.bin", "--hex"});
    }
    {
        FileSizeLimit full(1024);
        plotted = folder.Run({"plot", "set.rom", "--program", "3", "-o", "plot.png"});
    }
    // The copies are written with the images, all or none: nothing is built and nothing printed.
    ExpectFailure(built, "set.hex: File too large");
    EXPECT_EQ(folder.Read("set.hex"), "old hex");
    ExpectFailure(plotted, "plot.png: File too large");
    EXPECT_TRUE(folder.Read("plot.png") == "old png");
    EXPECT_EQ(Entries(folder.path()), (Lines{"plot.png", "set.hex", "set.rom"}));

    const std::string readOnly = UnwritableFolder();
    if (readOnly.empty()) GTEST_SKIP() << "this process can write in every folder tried";
    const CliResult result = folder.Run({"plot", "set.rom", "-o", readOnly + "/plot.svg"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("quillard-cli: " + readOnly + "/plot.svg: ", 0), 0u) << result.err;
}

TEST(CliBadInput, FailedStandardOutputIsAnErrorForEveryCommand) {
    CliFolder folder;
    folder.Write("set.rom", SetOf({"maxsteer(100 deg)", "begin", "end"}));
    const Lines commands[] = {{"check", "set.rom"},
                              {"steps", "set.rom"},
                              {"import", "--type", "rom", "set.rom"},
                              {"template", "step-steer"},
                              {"template", "--list"},
                              {"build", "set.rom", "-o", "s.bin", "--report"},
                              {"--version"},
                              {"--help"}};
    for (const auto &[redirection, reason] :
         {std::pair{">/dev/full", "No space left on device"}, std::pair{">&-", "Bad file descriptor"}})
        for (const Lines &arguments : commands) {
            const CliResult result = folder.Run(arguments, redirection);
            EXPECT_EQ(result.status, 2) << arguments[0] << redirection;
            EXPECT_EQ(result.err, "quillard-cli: standard output: " + std::string(reason) + "\n")
                << arguments[0];
        }
    folder.Run({"steps", "set.rom"}, "2>pipe.err | true");
    EXPECT_EQ(folder.Read("pipe.err"), "quillard-cli: standard output: Broken pipe\n");
    CliResult full;
    {
        FileSizeLimit limit(102400);
        full = folder.Run({"steps", "set.rom"}, ">steps.csv");
    }
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.err, "quillard-cli: standard output: File too large\n");
    // A closed standard output is no file to write either, whatever it is called; /dev/null still is.
    for (const char *name : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
        const CliResult named = folder.Run({"steps", "set.rom", "-o", name}, ">&-");
        EXPECT_EQ(named.status, 2) << name;
        EXPECT_EQ(named.err, "quillard-cli: standard output: Bad file descriptor\n") << name;
    }
    EXPECT_EQ(folder.Run({"steps", "set.rom", "-o", "/dev/null"}, ">&-").status, 0);
    // Nothing printed, nothing to fail: a closed stdout is no error.
    EXPECT_EQ(folder.Run({"export", "set.rom", "--format", "text", "-o", "p.txt"}, ">&-").status, 0);
}

TEST(CliBadInput, OutputsThatNameAnInputAreRefused) {
    CliFolder folder;
    const std::string set = SetOf({"maxsteer(100 deg)", "begin", "end"});
    folder.Write("set.rom", set);
    folder.Write("quildf.txt", "");
    fs::create_symlink("set.rom", folder.path() / "link.rom");
    fs::create_symlink("set.rom", folder.path() / "plot.png");
    fs::create_hard_link(folder.path() / "set.rom", folder.path() / "hard.aux");
    const std::pair<Lines, std::string> cases[] = {
        {{"build", "set.rom", "-o", "set.rom"}, "set.rom"},
        {{"build", "set.rom", "-o", "hard.bin"}, "hard.aux"},
        {{"export", "set.rom", "--program", "3", "--format", "text", "-o", "link.rom"}, "link.rom"},
        {{"plot", "set.rom", "-o", "plot.png"}, "plot.png"},
        {{"export", "set.rom", "--format", "tv", "-o", "quildf.txt"}, "quildf.txt"},
    };
    for (const auto &[arguments, output] : cases) {
        const std::string input = output == "quildf.txt" ? "quildf.txt" : "set.rom";
        ExpectFailure(folder.Run(arguments), output + ": the output would replace the input file " + input);
    }
    EXPECT_EQ(folder.Read("set.rom"), set);
    ExpectFailure(folder.Run({"build", "set.rom", "-o", "/dev/null"}), "/dev/null: not a regular file");
    EXPECT_FALSE(fs::exists("/dev/null.aux"));
}

TEST(CliBadInput, MessagesNameTheFileEscapedAndEndlessInputsAreRefusedAtOnce) {
    CliFolder folder;
    folder.Write("p.txt", CrLf({"maxsteer(100 deg)", "begin", "end"}));
    ExpectFailure(folder.Run({"check", ""}), "\"\": No such file or directory");
    ExpectFailure(folder.Run({"check", "a\nb\xFC.txt"}), "a\\x0Ab\\xFC.txt: No such file or directory");
    for (const std::string type : {"text", "rom", "bin"})
        ExpectFailure(folder.Run({"import", "--type", type, "/dev/zero"}),
                      "/dev/zero: File too large (the limit is 64 MiB)");
    ExpectFailure(folder.Run({"import", "--type", "tv", "/dev/zero"}),
                  "/dev/zero: File too large (the limit is 256 MiB)");
    // A defaults file that is a link loop or a pipe is named, never waited for nor taken as absent.
    fs::create_symlink("quildf.txt", folder.path() / "quildf.txt");
    ExpectFailure(folder.Run({"check", "p.txt"}), "quildf.txt: Too many levels of symbolic links");
    fs::remove(folder.path() / "quildf.txt");
    ASSERT_EQ(::mkfifo((folder.path() / "quildf.txt").c_str(), 0644), 0);
    ExpectFailure(folder.Run({"check", "p.txt"}), "quildf.txt: not a regular file");
}
