// The defaults file and the cutting of missing directories.
#include "files/fileio.h"
#include "files/tempdir.h"
#include "romfiles/defaults.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

TEST(Defaults, WritesSevenExactLines) {
    TempDir dir;
    WriteDefaults(dir.path(), {"c:\\rom", "/t/", "e", true});
    EXPECT_EQ(ReadFileBytes(dir / "quildf.txt"),
              "Following are default directories for ROM, Text, and EPROM (.bin) files\r\n"
              "One per line on 3rd, 4th, 5th lines of this text file\r\n"
              "c:\\rom\r\n/t/\r\ne\r\n\r\n"
              "Corvan 3 compatibility only selected\r\n");
    EXPECT_EQ(DefaultsLines({"a", "b", "c", false})[6], "Corvan 1,2,3 compatibility selected");
    Defaults read = ReadDefaults(dir.path());
    EXPECT_EQ(read.programDir, "c:\\rom");
    EXPECT_EQ(read.textDir, "/t/");
    EXPECT_EQ(read.epromDir, "e");
    EXPECT_TRUE(read.corvan3Only);
}

TEST(Defaults, MachineVersionFromTheFirstEightCharactersOfLine7) {
    const std::pair<Lines, bool> cases[] = {
        {{"x", "y", "a", "b", "c", "", "Corvan 3 compatibility only selected"}, true},
        {{"", "", "a", "b", "c", "", "Corvan 3"}, true},
        {{"", "", "a", "b", "c", "", "Corvan 3 and more", "extra"}, true},
        {{"", "", "a", "b", "c", "", "corvan 3 compatibility only selected"}, false},
        {{"", "", "a", "b", "c", "", "Corvan 1,2,3 compatibility selected"}, false},
        {{"", "", "a", "b", "c", "", "Corvan"}, false},
        {{"", "", "a", "b", "c", ""}, false}, // ends before line 7
    };
    for (const auto &[lines, corvan3] : cases) EXPECT_EQ(ParseDefaults(lines, "/start").corvan3Only, corvan3);
}

TEST(Defaults, MissingOrEmptyDirectoryLinesAreTheStartUpDirectory) {
    Defaults d = ParseDefaults({"", "", "", "/text"}, "/start");
    EXPECT_EQ(d.programDir, "/start");
    EXPECT_EQ(d.textDir, "/text");
    EXPECT_EQ(d.epromDir, "/start");
    EXPECT_FALSE(d.corvan3Only);
}

TEST(Defaults, FileExistenceAndReadFailure) {
    TempDir dir;
    EXPECT_FALSE(DefaultsFileExists(dir.path()));
    EXPECT_THROW(ReadDefaults(dir.path()), FileError);
    std::filesystem::create_directory(dir / "quildf.txt");
    EXPECT_TRUE(DefaultsFileExists(dir.path()));
    EXPECT_THROW(ReadDefaults(dir.path()), FileError);
}

TEST(CutToExistingAncestor, CutsAtSeparatorsDownToTheRoot) {
    TempDir dir;
    std::filesystem::create_directories(dir / "data");
    EXPECT_EQ(CutToExistingAncestor(dir / "data/rom/sets", "/start"), dir / "data");
    EXPECT_EQ(CutToExistingAncestor(dir / "data/rom/", "/start"), dir / "data");
    EXPECT_EQ(CutToExistingAncestor(dir / "data\\rom", "/start"), dir / "data"); // "\" is a cut point too
    EXPECT_EQ(CutToExistingAncestor("/quillard-no-such-folder/rom", "/start"), "/");
    EXPECT_EQ(CutToExistingAncestor("c:\\data\\rom", "/start"), "/start");
    EXPECT_EQ(CutToExistingAncestor("relative", "/start"), "/start");
}

TEST(CreateDirectoryPath, CreatesMissingParents) {
    TempDir dir;
    CreateDirectoryPath(dir / "a/b/c");
    EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
    WriteFileAtomically(dir / "file", "x");
    EXPECT_THROW(CreateDirectoryPath(dir / "file/sub"), FileError);
}
