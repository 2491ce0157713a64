// Whole-file reads, line splitting and atomic writes.
#include "romfiles/fileio.h"
#include "tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using Lines = std::vector<std::string>;

TEST(SplitLines, CrLfAndLoneLfEndLinesAndAFinalBreakStartsNoLine) {
    struct Case {
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\nb", {"a", "b"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"a\rb\n", {"a\rb"}},
        {"\xE9t\xE9\r\n", {"\xE9t\xE9"}},
    };
    for (const auto &c : cases) EXPECT_EQ(SplitLines(c.bytes), c.lines) << c.bytes;
}

TEST(JoinLinesCrLf, EndsEveryLineWithCrLf) {
    EXPECT_EQ(JoinLinesCrLf({}), "");
    EXPECT_EQ(JoinLinesCrLf({""}), "\r\n");
    EXPECT_EQ(JoinLinesCrLf({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

TEST(FilePaths, FolderAndNameAreSplitAtTheLastSlash) {
    EXPECT_EQ(FolderOf("a.rom"), ".");
    EXPECT_EQ(FolderOf("/a.rom"), "/");
    EXPECT_EQ(FolderOf("/x/y/a.rom"), "/x/y");
    EXPECT_EQ(FileNameOf("/x/y/a.rom"), "a.rom");
    EXPECT_EQ(FileNameOf("a.rom"), "a.rom");
}

TEST(ReadFileBytes, ReportsTheFileAndTheFailure) {
    TempDir dir;
    try {
        ReadFileBytes(dir / "a.rom");
        FAIL() << "no FileError";
    } catch (const FileError &e) {
        EXPECT_EQ(std::string(e.what()), "cannot read " + (dir / "a.rom") + ": No such file or directory");
    }
    EXPECT_THROW(ReadFileBytes(dir.path()), FileError); // a folder is not a file
}

TEST(WriteFileAtomically, WritesTheBytesAndLeavesNothingElse) {
    TempDir dir;
    std::string bytes("a\0b\xFF", 4);
    WriteFileAtomically(dir / "out.bin", bytes);
    EXPECT_EQ(ReadFileBytes(dir / "out.bin"), bytes);
    WriteFileAtomically(dir / "out.bin", "new");
    EXPECT_EQ(ReadFileBytes(dir / "out.bin"), "new");
    EXPECT_EQ(dir.Entries(), Lines{"out.bin"});
}

TEST(WriteFileAtomically, NewFileGetsUmaskModeAndReplacedFileKeepsItsMode) {
    TempDir dir;
    mode_t old = ::umask(027);
    WriteFileAtomically(dir / "new.txt", "x");
    ::umask(old);
    struct stat info;
    ASSERT_EQ(::stat((dir / "new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    ASSERT_EQ(::chmod((dir / "new.txt").c_str(), 0604), 0);
    WriteFileAtomically(dir / "new.txt", "y");
    ASSERT_EQ(::stat((dir / "new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
}

TEST(WriteFileAtomically, FailureKeepsTheTargetAndRemovesTheTemporaryFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "taken");
    WriteFileAtomically(dir / "taken/inside", "keep");
    EXPECT_THROW(WriteFileAtomically(dir / "taken", "x"), FileError); // a folder in the file's place
    EXPECT_EQ(ReadFileBytes(dir / "taken/inside"), "keep");
    EXPECT_EQ(dir.Entries(), Lines{"taken"});
    EXPECT_THROW(WriteFileAtomically(dir / "missing/out.txt", "x"), FileError);
}

TEST(WriteFileAtomically, WritesThroughASymbolicLink) {
    TempDir dir;
    WriteFileAtomically(dir / "real.txt", "old");
    std::filesystem::create_symlink("real.txt", dir / "link.txt");
    WriteFileAtomically(dir / "link.txt", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
    EXPECT_EQ(ReadFileBytes(dir / "real.txt"), "new");
}
