// Bad input for every reader and failing writes for every writer: each failure names the file and
// what went wrong, nothing is read half, and an old file survives a write that fails.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "files/faults.h"
#include "files/fileio.h"
#include "files/tempdir.h"
#include "romfiles/build.h"
#include "romfiles/defaults.h"
#include "romfiles/exporters.h"
#include "romfiles/importers.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using Lines = std::vector<std::string>;

namespace {

std::string FailureOf(const std::function<void()> &action) {
    try {
        action();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "no failure";
}

const std::string Utf8Line = "; Lenkwinkel f\xC3\xBCr die Kurve \xC3\xA0 droite \xE2\x80\x94 "
                             "\xE8\xA7\x92\xE5\xBA\xA6 \xF0\x9F\x9A\x97";

} // namespace

TEST(ProgramSetReader, GarbageWithoutAMarkerIsTheWrongFileFormat) {
    TempDir dir;
    const std::string files[] = {Garbage(1 << 20, 1, "$"), std::string(65536, '\0'),
                                 std::string(1 << 20, 'x'), Garbage(4096, 2, "$") + "\r\n$$~PROG00"};
    for (const std::string &bytes : files) {
        WriteFileAtomically(dir / "g.rom", bytes);
        EXPECT_EQ(FailureOf([&] { ReadProgramSet(dir / "g.rom"); }), "Wrong file format!");
    }
}

TEST(ProgramSetReader, NulBytesMegabyteLinesLongProgramsAndUtf8RoundTripByteForByte) {
    TempDir dir;
    ProgramSet set = DefaultProgramSet();
    set[0] = {std::string("a\0b\0", 4), std::string(1, '\0'), ""};
    set[1] = {"maxsteer(100 deg)", Garbage(1 << 20, 3, "\r\n"), "end"};
    set[2] = Lines(100000, "wait(1 s)");
    set[3] = {"maxsteer(100 deg)", "begin", Utf8Line, "end"};
    set[4] = {Garbage(70000, 4, "\r\n$"), Garbage(1000, 5, "\r\n")};
    const std::string bytes = ProgramSetBytes(set);
    WriteFileAtomically(dir / "in.rom", bytes);

    const ProgramSet read = ReadProgramSet(dir / "in.rom");
    EXPECT_TRUE(read == set);
    WriteProgramSet(dir / "out.rom", read);
    EXPECT_TRUE(ReadFileBytes(dir / "out.rom") == bytes);
}

TEST(ProgramSetReader, MissingFolderInItsPlaceAndUnreadableFilesAreNamed) {
    TempDir dir;
    std::filesystem::create_directory(dir / "dir.rom");
    EXPECT_EQ(FailureOf([&] { ReadProgramSet(dir / "gone.rom"); }),
              "cannot read " + (dir / "gone.rom") + ": No such file or directory");
    EXPECT_EQ(FailureOf([&] { ReadProgramSet(dir / "dir.rom"); }),
              "cannot read " + (dir / "dir.rom") + ": Is a directory");
    EXPECT_EQ(FailureOf([&] { ReadProgramSet(UnreadableFile); }),
              std::string("cannot read ") + UnreadableFile + ": Input/output error");
}

namespace {

// One writer of the application, and the files it replaces.
struct Writer {
    std::string name;
    std::vector<std::string> targets;               // files whose old content must survive a failure
    std::function<void(const std::string &)> write; // writes into the given folder
};

std::vector<Writer> Writers() {
    ProgramText program{"maxsteer(100 deg)", "begin", "rampto(50 deg, 2 s)", "end"};
    return {
        {"Save",
         {"set.rom"},
         [](const std::string &folder) { WriteProgramSet(folder + "/set.rom", DefaultProgramSet()); }},
        {"Export text",
         {"p.txt"},
         [program](const std::string &folder) { ExportText(folder + "/p.txt", program); }},
        {"Export time and value",
         {"tv.txt"},
         [program](const std::string &folder) {
             EXPECT_TRUE(ExportTimeValue(TestCompiler(), folder + "/tv.txt", program, {}));
         }},
        {"Build",
         {"set.bin", "set.aux"},
         [](const std::string &folder) {
             BuildSet(TestCompiler(), DefaultProgramSet(), folder + "/set.bin", {});
         }},
        {"Preferences",
         {"quildf.txt"},
         [](const std::string &folder) {
             WriteDefaults(folder, {"/a", "/b", "/c", false});
         }},
    };
}

} // namespace

TEST(Writers, FullDiskKeepsTheOldFilesAndLeavesNoTemporaryFile) {
    for (const Writer &writer : Writers()) {
        TempDir dir;
        for (const std::string &target : writer.targets) WriteFileAtomically(dir / target, "old " + target);
        const Lines before = dir.Entries();
        std::string failure;
        {
            FileSizeLimit full(16); // room for a little, not for a whole file
            failure = FailureOf([&] { writer.write(dir.path()); });
        }
        EXPECT_EQ(failure, "cannot write " + (dir / writer.targets[0]) + ": File too large") << writer.name;
        for (const std::string &target : writer.targets)
            EXPECT_EQ(ReadFileBytes(dir / target), "old " + target) << writer.name;
        EXPECT_EQ(dir.Entries(), before) << writer.name;
    }
}

TEST(Writers, ReadOnlyFolderIsNamedAndGetsNothing) {
    const std::string folder = UnwritableFolder();
    if (folder.empty()) GTEST_SKIP() << "this process can write in every folder tried";
    for (const Writer &writer : Writers()) {
        const std::string target = folder + "/" + writer.targets[0];
        const std::string failure = FailureOf([&] { writer.write(folder); });
        EXPECT_EQ(failure.rfind("cannot write " + target + ": ", 0), 0u) << writer.name << ": " << failure;
        EXPECT_GT(failure.size(), ("cannot write " + target + ": ").size()) << writer.name;
        EXPECT_FALSE(std::filesystem::exists(target)) << writer.name;
    }
}

TEST(Writers, DevicesAreWrittenInPlaceNotReplaced) {
    TempDir dir;
    if (!MakeMemoryDevice(dir / "full", FullDevice) || !MakeMemoryDevice(dir / "null", NullDevice))
        GTEST_SKIP() << "this process may not make device nodes";
    std::filesystem::create_symlink(dir / "full", dir / "link");
    EXPECT_EQ(FailureOf([&] { ExportText(dir / "full", DefaultProgram()); }),
              "cannot write " + (dir / "full") + ": No space left on device");
    EXPECT_EQ(FailureOf([&] { WriteProgramSet(dir / "link", DefaultProgramSet()); }),
              "cannot write " + (dir / "link") + ": No space left on device");
    ExportText(dir / "null", DefaultProgram());
    // A build whose aux file fails after the EPROM image went into a device has nothing to put back.
    std::filesystem::create_directories(dir / "null.aux/occupied");
    EXPECT_THROW(BuildSet(TestCompiler(), DefaultProgramSet(), dir / "null", {}), FileError);
    EXPECT_TRUE(IsCharacterDevice(dir / "full"));
    EXPECT_TRUE(IsCharacterDevice(dir / "null"));
    EXPECT_EQ(dir.Entries(), (Lines{"full", "link", "null", "null.aux"}));
}

TEST(TimeValueReader, GarbageFailsWithAShortOneLineMessage) {
    EXPECT_EQ(FailureOf([] { TimeValueLines({std::string("0\0 1", 4)}, {}); }),
              "Invalid number \"0\\x00\" on line 1");
    EXPECT_EQ(FailureOf([] {
                  TimeValueLines({"0 0", "1 \xE9t\xE9"}, {});
              }),
              "Invalid number \"\\xE9t\\xE9\" on line 2");
    EXPECT_EQ(FailureOf([] {
                  TimeValueLines({"0 0", "1 " + std::string(1 << 20, '7') + "x"}, {});
              }),
              "Invalid number \"777777777777777777777777...\" on line 2");
    for (unsigned seed = 10; seed < 20; ++seed) {
        const std::string failure = FailureOf([&] { TimeValueLines(SplitLines(Garbage(100000, seed)), {}); });
        EXPECT_LT(failure.size(), 150u) << failure;
        EXPECT_EQ(failure.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << failure;
    }
}

TEST(Importers, GarbageIsReadOrRefusedWhole) {
    TempDir dir;
    const std::string garbage = Garbage(1 << 20, 6);
    WriteFileAtomically(dir / "g.txt", garbage);
    EXPECT_EQ(ImportText(dir / "g.txt"), SplitLines(garbage)); // a text import takes any bytes
    EXPECT_EQ(FailureOf([&] { ImportProgramFromSet(dir / "g.txt", 1); }),
              "Program $$~PROG01 not found in the file");
    ImportOptions options;
    options.program = 15;
    const Lines eprom = ImportEprom(dir / "g.txt", options); // any bytes decode
    EXPECT_EQ(eprom.back(), "End");
    EXPECT_LE(eprom.size(), 5u * 16384);
}

TEST(Importers, VanishedFolderInItsPlaceAndUnreadableFilesAreNamed) {
    TempDir dir;
    std::filesystem::create_directory(dir / "dir.txt");
    for (ImportFileType type : {ImportFileType::Text, ImportFileType::TimeValue,
                                ImportFileType::ProgramSetFile, ImportFileType::Eprom}) {
        EXPECT_EQ(FailureOf([&] { ImportLines(type, dir / "gone.txt", {}); }),
                  "cannot read " + (dir / "gone.txt") + ": No such file or directory");
        EXPECT_EQ(FailureOf([&] { ImportLines(type, dir / "dir.txt", {}); }),
                  "cannot read " + (dir / "dir.txt") + ": Is a directory");
        EXPECT_EQ(FailureOf([&] { ImportLines(type, UnreadableFile, {}); }),
                  std::string("cannot read ") + UnreadableFile + ": Input/output error");
    }
}

TEST(EpromImport, BinShorterThanItsSlotFailsOnlyWhenAWordIsMissing) {
    auto word = [](std::uint16_t w) { return std::string{char(w & 0xFF), char(w >> 8)}; };
    ImportOptions slot2;
    slot2.program = 2;
    const std::string before = std::string(2 * 2 * 16384, '\0');
    const std::string tooShort = "The EPROM file is too short for program #2";
    EXPECT_EQ(FailureOf([&] { EpromLines("", slot2); }), tooShort);
    EXPECT_EQ(FailureOf([&] { EpromLines(before, slot2); }), tooShort);
    EXPECT_EQ(FailureOf([&] { EpromLines(before + word(0x0800) + "\x08", slot2); }), tooShort);
    EXPECT_EQ(FailureOf([&] { EpromLines(before + word(0x0800) + word(0x0800), slot2); }), tooShort);
    // A slot cut right after its end word holds every word the importer needs.
    EXPECT_EQ(EpromLines(before + word(0x0800) + word(0x0800) + word(0x6800), slot2),
              (Lines{"maxsteer(200.000 deg)", "begin", "SetRate(256 hz)", "StepTo(0.000 deg)", "wait(0.008s)",
                     "SetRate(1024 hz)", "End"}));
}

TEST(DefaultsReader, GarbageLinesThatCannotBePathsAreTheStartUpDirectory) {
    TempDir dir;
    const std::string utf8Folder = "/data/Lenkw\xC3\xBCrfel";
    WriteFileAtomically(DefaultsPath(dir.path()),
                        JoinLinesCrLf({Garbage(300, 7, "\r\n"), "", std::string("/tmp\0/x", 7),
                                       "/" + std::string(1 << 16, 'd'), utf8Folder, Garbage(50, 8, "\r\n"),
                                       "Corvan 3 only"}));
    const Defaults defaults = ReadDefaults(dir.path());
    EXPECT_EQ(defaults.programDir, dir.path()); // a NUL byte cannot stand in a path
    EXPECT_EQ(defaults.textDir, dir.path());    // nor can 64 KiB
    EXPECT_EQ(defaults.epromDir, utf8Folder);
    EXPECT_TRUE(defaults.corvan3Only);
    EXPECT_FALSE(DirectoryExists(std::string("/tmp\0/x", 7)));

    WriteFileAtomically(DefaultsPath(dir.path()), Garbage(1 << 16, 9));
    EXPECT_FALSE(ReadDefaults(dir.path()).corvan3Only);

    WriteDefaults(dir.path(), {utf8Folder, utf8Folder, utf8Folder, true});
    EXPECT_EQ(ReadDefaults(dir.path()).textDir, utf8Folder);
}

TEST(DefaultsReader, UnreadableFileIsNamed) {
    TempDir dir;
    std::filesystem::create_directory(DefaultsPath(dir.path()));
    EXPECT_EQ(FailureOf([&] { ReadDefaults(dir.path()); }),
              "cannot read " + DefaultsPath(dir.path()) + ": Is a directory");
}
