// File groups (the EPROM and aux pair and their copies): all or none under a lock, a journal that
// the next writer or reader finishes, and signals that wait for the replacement.
#include "files/faults.h"
#include "files/fileio.h"
#include "files/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using Lines = std::vector<std::string>;

namespace {

int g_steps = 0, g_stopAt = 0, g_stopSignal = SIGKILL;
void StopAtStep() {
    if (++g_steps == g_stopAt) ::raise(g_stopSignal);
}

std::vector<FileContent> Pair(const TempDir &dir, const std::string &content) {
    return {{dir / "set.bin", content + " bin"}, {dir / "set.aux", content + " aux"}};
}
Lines ReadPair(const TempDir &dir) {
    return ReadFileGroup(dir / "set.aux", {dir / "set.bin", dir / "set.aux"}, EpromFileLimit);
}

} // namespace

// Steps of a pair: files staged, journal in place, two renames, journal removed.
TEST(FileGroup, AWriterKilledAtAnyStepLeavesAWholePairAndTheNextWriterCleansUp) {
    for (int step = 1; step <= 5; ++step) {
        TempDir dir;
        ReplaceFileGroup(dir / "set.aux", Pair(dir, "old"));
        const int status = InChild([&] {
            g_stopAt = step;
            SetReplaceStepHook(StopAtStep);
            ReplaceFileGroup(dir / "set.aux", Pair(dir, "new"));
            return std::string();
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << step;
        const Lines left = dir.Entries();
        EXPECT_EQ(std::count_if(left.begin(), left.end(),
                                [](const std::string &name) { return name.starts_with(".qj"); }),
                  step >= 2 && step <= 4)
            << step;
        // Once the journal is in place the replacement is finished by the next reader.
        EXPECT_EQ(ReadPair(dir), step == 1 ? (Lines{"old bin", "old aux"}) : (Lines{"new bin", "new aux"}))
            << step;
        ReplaceFileGroup(dir / "set.aux", Pair(dir, "next"));
        EXPECT_EQ(dir.Entries(), (Lines{"set.aux", "set.bin"})) << step;
    }
}

TEST(FileGroup, WritersOfTheSamePairWaitForEachOther) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        static int signalFd = ready[1];
        static std::string marker = dir / "child-done";
        SetReplaceStepHook([] {
            ++g_steps;
            if (g_steps == 2) ::write(signalFd, "x", 1); // holding the lock, journal in place
            if (g_steps == 5) {
                ::usleep(200000);
                ::close(::open(marker.c_str(), O_CREAT | O_WRONLY, 0644));
            }
        });
        ReplaceFileGroup(dir / "set.aux", Pair(dir, "child"));
        ::_exit(0);
    }
    char x;
    ASSERT_EQ(::read(ready[0], &x, 1), 1);
    ReplaceFileGroup(dir / "set.aux", Pair(dir, "parent"));
    EXPECT_TRUE(std::filesystem::exists(dir / "child-done")); // the child finished before
    int status;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadPair(dir), (Lines{"parent bin", "parent aux"}));
}

TEST(FileGroup, SigtermDuringTheRenamesWaitsForTheWholePair) {
    TempDir dir;
    ReplaceFileGroup(dir / "set.aux", Pair(dir, "old"));
    const int status = InChild([&] {
        g_stopAt = 3; // after the first rename
        g_stopSignal = SIGTERM;
        SetReplaceStepHook(StopAtStep);
        ReplaceFileGroup(dir / "set.aux", Pair(dir, "new"));
        return std::string();
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(dir.Entries(), (Lines{"set.aux", "set.bin"}));
    EXPECT_EQ(ReadPair(dir), (Lines{"new bin", "new aux"}));
}

TEST(FileGroup, AFailedRenamePutsBackWhatWasReplaced) {
    TempDir dir;
    ReplaceFileGroup(dir / "set.aux", Pair(dir, "old"));
    static std::string aux = dir / "set.aux";
    g_steps = 0;
    SetReplaceStepHook([] {
        if (++g_steps == 2) { // the journal is in place: the aux file becomes a folder
            std::filesystem::remove(aux);
            std::filesystem::create_directory(aux);
        }
    });
    try {
        ReplaceFileGroup(dir / "set.aux", Pair(dir, "new"));
        FAIL() << "no FileError";
    } catch (const FileError &e) {
        EXPECT_EQ(std::string(e.what()), "cannot write " + aux + ": Is a directory");
    }
    SetReplaceStepHook(nullptr);
    EXPECT_EQ(ReadFileBytes(dir / "set.bin"), "old bin");
    EXPECT_EQ(dir.Entries(), (Lines{"set.aux", "set.bin"}));

    // A device in the group, or one file named twice, is refused before anything is written.
    std::filesystem::remove(aux);
    EXPECT_THROW(ReplaceFileGroup(aux, {{dir / "set.bin", "x"}, {"/dev/null", "y"}}), FileError);
    EXPECT_THROW(ReplaceFileGroup(aux, {{dir / "set.bin", "x"}, {dir / "./set.bin", "y"}}), FileError);
    EXPECT_EQ(ReadFileBytes(dir / "set.bin"), "old bin");
}

// A journal may name only files in its own folder named after its anchor: a group that would need
// another is refused before anything is written.
TEST(FileGroup, MembersOutsideTheAnchorsFolderOrNamesAreRefused) {
    TempDir dir;
    std::filesystem::create_directory(dir / "other");
    std::filesystem::create_symlink("other/set.bin", dir / "set.bin");
    EXPECT_THROW(ReplaceFileGroup(dir / "set.aux", Pair(dir, "new")), FileError);
    EXPECT_THROW(ReplaceFileGroup(dir / "set.aux", {{dir / "x.bin", "x"}, {dir / "set.aux", "y"}}),
                 FileError);
    EXPECT_EQ(dir.Entries(), (Lines{"other", "set.bin"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "other/set.bin"));
}

// Two processes that each add to a count kept in one file: every update lands, none reads a count
// the other is about to replace.
TEST(FileGroup, UpdatesOfOneFileNeverLoseEachOther) {
    TempDir dir;
    const std::string path = dir / "count";
    const auto addOne = [&] {
        for (int i = 0; i < 200; ++i)
            UpdateFileAtomically(path, ProgramFileLimit, [](const std::optional<std::string> &old) {
                return std::to_string((old ? std::stoi(*old) : 0) + 1);
            });
    };
    const pid_t child = ::fork();
    if (child == 0) {
        addOne();
        ::_exit(0);
    }
    addOne();
    int status;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFileBytes(path), "400");
    EXPECT_EQ(dir.Entries(), Lines{"count"}); // no lock or temporary file left
    // What update throws leaves the file as it was.
    EXPECT_THROW(UpdateFileAtomically(
                     path, ProgramFileLimit,
                     [](const std::optional<std::string> &) -> std::string { throw FormatError("no"); }),
                 FormatError);
    EXPECT_EQ(ReadFileBytes(path), "400");
}

// A journal is finished only while its files are those it recorded: a file changed after the writer
// was killed (bytes of the same size and time, the time alone, the staged file) makes the journal
// stale, and the next reader drops it with a notice and leaves every file as it found it.
TEST(FileGroup, AJournalWhoseFilesChangedIsDroppedAndTheFilesLeftAsTheyAre) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "the browser build has no processes to kill";
#endif
    struct Change {
        const char *what;
        int killedAt; // 2: the journal in place, nothing renamed; 3: the EPROM file renamed
        std::function<void(const TempDir &)> change;
    };
    const auto sameSizeAndTime = [](const std::string &path, const std::string &bytes) {
        const auto time = std::filesystem::last_write_time(path);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        std::filesystem::last_write_time(path, time);
    };
    const std::vector<Change> changes{
        {"the aux file's bytes, its size and time kept", 2,
         [&](const TempDir &dir) { sameSizeAndTime(dir / "set.aux", "OLD aux"); }},
        {"the aux file's time", 2,
         [](const TempDir &dir) {
             std::filesystem::last_write_time(dir / "set.aux", std::filesystem::file_time_type{});
         }},
        {"the EPROM file renamed into place, then rewritten", 3,
         [&](const TempDir &dir) { sameSizeAndTime(dir / "set.bin", "NEW bin"); }},
    };
    for (const Change &c : changes) {
        TempDir dir;
        ReplaceFileGroup(dir / "set.aux", Pair(dir, "old"));
        const int status = InChild([&] {
            g_steps = 0;
            g_stopAt = c.killedAt;
            g_stopSignal = SIGKILL;
            SetReplaceStepHook(StopAtStep);
            ReplaceFileGroup(dir / "set.aux", Pair(dir, "new"));
            return std::string();
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << c.what;
        c.change(dir);
        const Lines before{ReadFileBytes(dir / "set.bin"), ReadFileBytes(dir / "set.aux")};
        std::vector<std::string> notices;
        SetFileNoticeHandler([&](const std::string &text) { notices.push_back(text); });
        EXPECT_EQ(ReadPair(dir), before) << c.what;
        SetFileNoticeHandler(nullptr);
        ASSERT_EQ(notices.size(), 1u) << c.what;
        EXPECT_NE(notices[0].find("an interrupted replacement was dropped, not finished"), std::string::npos)
            << notices[0];
        const Lines left = dir.Entries();
        EXPECT_EQ(std::count_if(left.begin(), left.end(),
                                [](const std::string &n) { return n.starts_with(".qj"); }),
                  0)
            << c.what;
    }
}
