// The Build command's core: the EPROM and aux files of a whole set, replaced together or not at all.
#include "compiler/compile.h"
#include "romfiles/build.h"
#include "romfiles/fileio.h"
#include "tempdir.h"

#include <gtest/gtest.h>
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

TEST(BuildSet, WritesBothFilesAndNamesThemWithoutFolder) {
    TempDir dir;
    std::vector<int> started;
    BuildCallbacks callbacks{[&](int p) { started.push_back(p); }, [](int, const Lines &) { FAIL(); }};
    BuildOutcome outcome = BuildSet(DefaultProgramSet(), dir / "set.bin", {}, callbacks);
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
    ASSERT_TRUE(BuildSet(DefaultProgramSet(), dir / "out.bin", {}).success);
    struct stat info;
    ASSERT_EQ(::stat((dir / "out.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(info.st_size, 524288);
}

TEST(BuildSet, AuxFailureAfterTheEpromFilePutsTheOldEpromFileBack) {
    TempDir dir;
    WriteFileAtomically(dir / "out.bin", "old eprom");
    std::filesystem::create_directories(dir / "out.aux/occupied"); // a folder in the aux file's place
    EXPECT_THROW(BuildSet(DefaultProgramSet(), dir / "out.bin", {}), FileError);
    EXPECT_EQ(ReadFileBytes(dir / "out.bin"), "old eprom");
    EXPECT_EQ(dir.Entries(), (Lines{"out.aux", "out.bin"}));
}

TEST(BuildSet, AuxFailureWithoutAnOldEpromFileRemovesTheNewOne) {
    TempDir dir;
    std::filesystem::create_directories(dir / "out.aux/occupied");
    try {
        BuildSet(DefaultProgramSet(), dir / "out.bin", {});
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
    EXPECT_THROW(BuildSet(DefaultProgramSet(), dir / "out.bin", {}), FileError);
    EXPECT_EQ(ReadFileBytes(dir / "out.aux"), "old aux");
    EXPECT_EQ(dir.Entries(), (Lines{"out.aux", "out.bin"}));
    EXPECT_THROW(BuildSet(DefaultProgramSet(), dir / "missing/out.bin", {}), FileError);
}

TEST(BuildSet, RefusesAnEpromNameThatIsItsOwnAuxName) {
    TempDir dir;
    EXPECT_THROW(BuildSet(DefaultProgramSet(), dir / "out.aux", {}), FileError);
    EXPECT_TRUE(dir.Entries().empty());
}
