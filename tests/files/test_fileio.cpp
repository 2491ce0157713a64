// Whole-file reads, line splitting and atomic writes.
#include "files/faults.h"
#include "files/fileio.h"
#include "files/tempdir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// The failure of a write or a read, "" when it succeeds.
template <class Action> std::string FailureOf(Action action) {
    try {
        action();
        return "";
    } catch (const FileError &e) {
        return e.what();
    }
}
std::string WriteFailure(const std::string &path) {
    return FailureOf([&] { WriteFileAtomically(path, "new"); });
}

int g_stopSignal = 0; // raised by the step hook in a child process
void StopAtStep() { ::raise(g_stopSignal); }

} // namespace

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

TEST(PrintableText, EscapesWhatATerminalWouldNotShowAndKeepsUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"set.rom", "set.rom"},
        {"a\nb", "a\\x0Ab"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"f\xFCr", "f\\xFCr"},               // Latin-1, not UTF-8
        {"f\xC3\xBCr", "f\xC3\xBCr"},        // UTF-8 stays
        {"\xC2\x9B[2J", "\\xC2\\x9B[2J"},    // a C1 control
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"}, // a surrogate
        {"a\\x0Ab", "a\\x0Ab"},              // already escaped
    };
    for (const auto &[text, shown] : cases) EXPECT_EQ(PrintableText(text), shown);
    EXPECT_EQ(FailureOf([] { ReadFileBytes(""); }), "cannot read \"\": No such file or directory");
}

TEST(WriteFileAtomically, FollowsLinksToTheFileTheyNameAndTakesLongNames) {
    TempDir dir;
    fs::create_symlink("real.txt", dir / "dangling.txt");
    fs::create_symlink("loop2", dir / "loop1");
    fs::create_symlink("loop1", dir / "loop2");
    fs::create_symlink("missing/x.txt", dir / "nofolder.txt");
    const std::string longName = std::string(251, 'n') + ".txt"; // 255 bytes
    const std::pair<std::string, std::string> cases[] = {
        {"dangling.txt", ""},
        {"loop1", "cannot write " + (dir / "loop1") + ": Too many levels of symbolic links"},
        {"nofolder.txt", "cannot write " + (dir / "nofolder.txt") + ": No such file or directory"},
        {longName, ""},
    };
    for (const auto &[name, failure] : cases) EXPECT_EQ(WriteFailure(dir / name), failure) << name;
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.txt"));
    EXPECT_EQ(ReadFileBytes(dir / "real.txt"), "new");
    EXPECT_EQ(dir.Entries(), (Lines{"dangling.txt", "loop1", "loop2", longName, "nofolder.txt", "real.txt"}));
}

TEST(WriteFileAtomically, RefusesWhatTheUserMayNotWriteAndKeepsOwnerAndMode) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0); // world-writable, not sticky
    const struct {
        const char *name;
        uid_t owner;
        mode_t mode;
    } files[] = {{"root.rom", 0, 0444}, {"own.rom", 65534, 0444}, {"shared.rom", 65534, 0664}};
    for (const auto &f : files) {
        WriteFileAtomically(dir / f.name, "old");
        ASSERT_EQ(::chown((dir / f.name).c_str(), f.owner, 65534), 0);
        ASSERT_EQ(::chmod((dir / f.name).c_str(), f.mode), 0);
    }
    std::string failures;
    const int status = InChild(
        [&] {
            if (!DropToNobody()) return std::string("cannot drop root");
            return WriteFailure(dir / "root.rom") + "|" + WriteFailure(dir / "own.rom") + "|" +
                   WriteFailure(dir / "shared.rom");
        },
        &failures);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(failures, "cannot write " + (dir / "root.rom") + ": Permission denied|cannot write " +
                            (dir / "own.rom") + ": Permission denied|");
    EXPECT_EQ(ReadFileBytes(dir / "root.rom"), "old");
    EXPECT_EQ(ReadFileBytes(dir / "own.rom"), "old");
    EXPECT_EQ(ReadFileBytes(dir / "shared.rom"), "new");
    WriteFileAtomically(dir / "own.rom", "root may"); // as a shell redirection would
    struct stat info;
    ASSERT_EQ(::stat((dir / "own.rom").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST(WriteFileAtomically, KilledWritersTemporaryFileGoesWithTheNextWriteAndSignalsRemoveOwnOnes) {
    TempDir dir;
    for (int signal : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
        g_stopSignal = signal;
        const int status = InChild([&] {
            SetReplaceStepHook(StopAtStep); // after the temporary file is written
            WriteFileAtomically(dir / "a.txt", "lost");
            return std::string();
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        if (signal == SIGKILL) {
            EXPECT_EQ(dir.Entries().size(), 1u);
            WriteFileAtomically(dir / "a.txt", "next");
        }
        EXPECT_EQ(dir.Entries(), Lines{"a.txt"}) << signal;
    }
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "next");
}

TEST(ReadFileBytes, RefusesTooLargeInputsAtOnceAndNeverWaitsForAPipe) {
    TempDir dir;
    WriteFileAtomically(dir / "big.rom", "");
    ASSERT_EQ(::truncate((dir / "big.rom").c_str(), 64 * MiB + 1), 0); // sparse
    WriteFileAtomically(dir / "quildf.txt", std::string(MiB + 1, 'x'));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    const struct {
        std::string path;
        ReadLimit limit;
        std::string reason; // "" when the read succeeds
    } cases[] = {
        {dir / "big.rom", ProgramFileLimit, "File too large (the limit is 64 MiB)"},
        {dir / "big.rom", TimeValueFileLimit, ""},
        {"/dev/zero", EpromFileLimit, "File too large (the limit is 64 MiB)"},
        {"/dev/zero", TimeValueFileLimit, "File too large (the limit is 256 MiB)"},
        {dir / "quildf.txt", DefaultsFileLimit, "File too large (the limit is 1 MiB)"},
        {dir / "fifo", DefaultsFileLimit, "not a regular file"},
        {dir / "fifo", ProgramFileLimit, ""}, // no writer: nothing to read
        {"/dev/null", ProgramFileLimit, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FailureOf([&] { ReadFileBytes(c.path, c.limit); }),
                  c.reason.empty() ? "" : "cannot read " + c.path + ": " + c.reason)
            << c.path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    WriteFileAtomically(dir / "lines.txt", std::string(ProgramLineLimit + 1, '\n'));
    EXPECT_EQ(FailureOf([&] { ReadFileLines(dir / "lines.txt"); }),
              "cannot read " + (dir / "lines.txt") + ": File too large (more than 1048576 lines)");
}

TEST(ReadFileBytes, FailedAllocationIsOutOfMemoryNamingTheFile) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer's shadow memory does not run under an address-space limit";
#endif
    TempDir dir;
    WriteFileAtomically(dir / "big.tv", "");
    ASSERT_EQ(::truncate((dir / "big.tv").c_str(), 200 * MiB), 0);
    std::string failure;
    InChild(
        [&] {
            rlimit memory{160 * MiB, 160 * MiB}; // far less than the file, more than the process needs
            ::setrlimit(RLIMIT_AS, &memory);
            return FailureOf([&] { ReadFileBytes(dir / "big.tv", TimeValueFileLimit); });
        },
        &failure);
    EXPECT_EQ(failure, "cannot read " + (dir / "big.tv") + ": out of memory");
}
