// The Build command's core: the EPROM and aux files of a whole set, replaced together or not at all.
#include "compiler/compile_text.h"
#include "compiler/summary.h"
#include "romfiles/build.h"
#include "romfiles/fileio.h"
#include "romfiles/image.h"
#include "romfiles/importers.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

using Lines = std::vector<std::string>;

TEST(AuxPathFor, ReplacesOrAppendsTheExtension) {
    EXPECT_EQ(AuxPathFor("out.bin"), "out.aux");
    EXPECT_EQ(AuxPathFor("/x/out.BIN"), "/x/out.aux");
    EXPECT_EQ(AuxPathFor("a.b.bin"), "a.b.aux");
    EXPECT_EQ(AuxPathFor("out"), "out.aux");
    EXPECT_EQ(AuxPathFor("/x.v2/out"), "/x.v2/out.aux");
    EXPECT_EQ(AuxPathFor(".bin"), ".aux");
}

TEST(AuxPathFor, OddNamesAsTheLastDotOfTheNameDecides) {
    for (auto [bin, aux] :
         std::vector<std::pair<std::string, std::string>>{{"dir.d/out", "dir.d/out.aux"},
                                                          {"dir/.bin", "dir/.aux"},
                                                          {"..bin", "..aux"},
                                                          {"...", "...aux"},
                                                          {"out.", "out.aux"},
                                                          {"dir/", "dir/.aux"},
                                                          {".", ".aux"},
                                                          {"..", "..aux"},
                                                          {"a b.c d/x.y z", "a b.c d/x.aux"}})
        EXPECT_EQ(AuxPathFor(bin), aux) << bin;
}

TEST(ProgramImages, MainWordsLowByteFirstAndTheAuxBytes) {
    ProgramImages images;
    images.main[0] = 0x1234;
    images.main[StepCount - 1] = 0xABCD;
    images.aux[1] = 0x80;
    const std::string main = images.MainBytes();
    ASSERT_EQ(main.size(), MainImageBytes);
    EXPECT_EQ(main.substr(0, 3), std::string("\x34\x12\0", 3));
    EXPECT_EQ(main.substr(MainImageBytes - 2), "\xCD\xAB");
    EXPECT_EQ(images.AuxBytes().size(), AuxImageBytes);
    EXPECT_EQ(images.AuxBytes()[1], '\x80');
}

TEST(BuildSet, WritesBothFilesAndNamesThemWithoutFolder) {
    TempDir dir;
    std::vector<int> started;
    BuildCallbacks callbacks{
        [&](int p) { started.push_back(p); }, [](int, const Lines &) { FAIL(); }, {}, {}};
    BuildOutcome outcome = BuildSet(TestCompiler(), DefaultProgramSet(), dir / "set.bin", {}, callbacks);
    EXPECT_TRUE(outcome.success);
    EXPECT_EQ(outcome.text, "Files set.bin and set.aux were successfully created.");
    EXPECT_EQ(started, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(ReadFileBytes(dir / "set.bin").size(), 524288u);
    EXPECT_EQ(ReadFileBytes(dir / "set.aux").size(), 262144u);
    EXPECT_EQ(dir.Entries(), (Lines{"set.aux", "set.bin"})); // no temporary file left
}

TEST(BuildSet, ReplacedFilesKeepTheirPermissions) {
    TempDir dir;
    WriteFileAtomically(dir / "out.bin", "old");
    ASSERT_EQ(::chmod((dir / "out.bin").c_str(), 0600), 0);
    ASSERT_TRUE(BuildSet(TestCompiler(), DefaultProgramSet(), dir / "out.bin", {}).success);
    struct stat info;
    ASSERT_EQ(::stat((dir / "out.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(info.st_size, 524288);
}

TEST(BuildSet, AuxFailureAfterTheEpromFilePutsTheOldEpromFileBack) {
    TempDir dir;
    WriteFileAtomically(dir / "out.bin", "old eprom");
    std::filesystem::create_directories(dir / "out.aux/occupied"); // a folder in the aux file's place
    EXPECT_THROW(BuildSet(TestCompiler(), DefaultProgramSet(), dir / "out.bin", {}), FileError);
    EXPECT_EQ(ReadFileBytes(dir / "out.bin"), "old eprom");
    EXPECT_EQ(dir.Entries(), (Lines{"out.aux", "out.bin"}));
}

TEST(BuildSet, AuxFailureWithoutAnOldEpromFileRemovesTheNewOne) {
    TempDir dir;
    std::filesystem::create_directories(dir / "out.aux/occupied");
    try {
        BuildSet(TestCompiler(), DefaultProgramSet(), dir / "out.bin", {});
        FAIL() << "no FileError";
    } catch (const FileError &e) {
        EXPECT_EQ(std::string(e.what()).rfind("cannot write " + (dir / "out.aux") + ": ", 0), 0u) << e.what();
    }
    EXPECT_EQ(dir.Entries(), Lines{"out.aux"});
}

TEST(BuildSet, EpromFailureLeavesTheAuxFileUntouched) {
    TempDir dir;
    WriteFileAtomically(dir / "out.aux", "old aux");
    std::filesystem::create_directories(dir / "out.bin/occupied");
    EXPECT_THROW(BuildSet(TestCompiler(), DefaultProgramSet(), dir / "out.bin", {}), FileError);
    EXPECT_EQ(ReadFileBytes(dir / "out.aux"), "old aux");
    EXPECT_EQ(dir.Entries(), (Lines{"out.aux", "out.bin"}));
    EXPECT_THROW(BuildSet(TestCompiler(), DefaultProgramSet(), dir / "missing/out.bin", {}), FileError);
}

TEST(BuildSet, RefusesAnEpromNameThatIsItsOwnAuxName) {
    TempDir dir;
    EXPECT_THROW(BuildSet(TestCompiler(), DefaultProgramSet(), dir / "out.aux", {}), FileError);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(BuildSet, FailingProgramLeavesTheOldFilesUntouchedAndTheOthersCompiled) {
    TempDir dir;
    WriteFileAtomically(dir / "out.bin", "old eprom");
    WriteFileAtomically(dir / "out.aux", "old aux");
    ProgramSet set = DefaultProgramSet();
    set[3] = {"maxsteer(100 deg)", "begin", "setrate(300 hz)", "end"};
    std::vector<int> started, failed, compiled;
    Lines messages;
    BuildCallbacks callbacks{[&](int p) { started.push_back(p); },
                             [&](int p, const Lines &lines) {
                                 failed.push_back(p);
                                 messages = lines;
                             },
                             [&](int p, const CompilerState &) { compiled.push_back(p); },
                             {}};
    BuildOutcome outcome = BuildSet(TestCompiler(), set, dir / "out.bin", {}, callbacks);
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(outcome.text, "Error(s) were found. File was not created.");
    EXPECT_EQ(started.size(), 16u);
    EXPECT_EQ(failed, std::vector<int>{3});
    EXPECT_EQ(compiled.size(), 15u);
    EXPECT_EQ(std::count(compiled.begin(), compiled.end(), 3), 0);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages[0].find("Illegal clock rate"), std::string::npos) << messages[0];
    EXPECT_EQ(ReadFileBytes(dir / "out.bin"), "old eprom");
    EXPECT_EQ(ReadFileBytes(dir / "out.aux"), "old aux");
    EXPECT_EQ(dir.Entries(), (Lines{"out.aux", "out.bin"}));
}

TEST(BuildSet, ARefusalBeforeWritingLeavesEveryFileAsItWas) {
    TempDir dir;
    WriteFileAtomically(dir / "out.bin", "old eprom");
    BuildCallbacks callbacks;
    int asked = 0;
    callbacks.beforeWriting = [&]() -> std::optional<std::string> {
        ++asked;
        return "Warning(s) or notice(s) were found (--strict). File was not created.";
    };
    const BuildOutcome outcome =
        BuildSet(TestCompiler(), DefaultProgramSet(), dir / "out.bin", {}, callbacks);
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(outcome.text, "Warning(s) or notice(s) were found (--strict). File was not created.");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadFileBytes(dir / "out.bin"), "old eprom");
    EXPECT_EQ(dir.Entries(), (Lines{"out.bin"})); // no aux file, no temporary file
}

TEST(BuildSet, DefaultSetIsAllEndWordsAtCentreAndNoAuxBits) {
    TempDir dir;
    ASSERT_TRUE(BuildSet(TestCompiler(), DefaultProgramSet(), dir / "set.bin", {}).success);
    std::string bin = ReadFileBytes(dir / "set.bin"), aux = ReadFileBytes(dir / "set.aux");
    ASSERT_EQ(bin.size(), 524288u);
    for (std::size_t i = 0; i < bin.size(); i += 2) {
        ASSERT_EQ(bin[i], '\x00') << i;
        ASSERT_EQ(bin[i + 1], '\x68') << i;
    }
    EXPECT_EQ(aux, std::string(262144, '\0'));
    // Its slots read back to the end, the first word's end bit not being looked at.
    EXPECT_EQ(ImportEprom(dir / "set.bin", {ImportMode::Replace, 256, 15, 100}),
              (Lines{"maxsteer(100.000 deg)", "begin", "SetRate(1024 hz)", "StepTo(0.000 deg)",
                     "wait(15.999s)", "End"}));
}

TEST(EncodeAuxImage, FlagsNamedAfterTheEndAreTheBitsTheImageSetsThere) {
    // 1 % is on at window step 50 only: from step 34 the last step (16383) is one, from step 0 not.
    const std::vector<std::pair<std::vector<std::string>, std::vector<int>>> cases{
        {{"setflag(8 b, 100 %)"}, {8}},
        {{"setflag(2 b, 1 %)", "wait(15.9990234375 s)"}, {}},
        {{"setflag(2 b, 1 %, 0.033203125 s)", "wait(15.9990234375 s)"}, {2}},
        {{"wait(2 s)", "setflag(3 b, 50 %)", "wait(1 s)", "pulseflag(6 b)"}, {3, 6}}};
    for (const auto &[body, expected] : cases) {
        ASSERT_TRUE(CompileBody(body).ok) << body[0];
        std::vector<std::uint8_t> aux(StepCount);
        EncodeAuxImage(TestCompiler().steps, aux.data());
        std::vector<int> inImage, named;
        for (int n = 1; n <= 8; ++n)
            for (int k = TestCompiler().endIndex; k < StepCount; ++k)
                if (aux[k] & (1u << (8 - n))) {
                    inImage.push_back(n);
                    break;
                }
        for (const FlagAfterEnd &flag : FlagsAfterEnd(TestCompiler())) named.push_back(flag.flag);
        EXPECT_EQ(named, expected) << body[0];
        EXPECT_EQ(inImage, expected) << body[0];
    }
}
