// The journal of the EPROM and aux pair and the lock of a set, through the real quillard-cli with a
// preloaded shim that stops it at a chosen rename, link or unlink: after any stop the files are whole,
// old or new; stale and moved journals; foreign journals that touch nothing; locks that are no file.
#include "cli/cli_runner.h"
#include "files/fileio.h"
#include "romfiles/imagecheck.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

struct Outcome {
    int exit = -1;    // 128 + the signal that ended the process, 124 when it waited too long
    std::string text; // stdout and stderr
};

// Runs quillard-cli in the folder; a run that waits for more than 20 s is stopped and fails.
FILE *Start(const fs::path &folder, const std::string &arguments, const std::string &environment = "") {
    const std::string command = "cd '" + folder.string() + "' && timeout 20 env " + environment +
                                " " QUILLARD_CLI " " + arguments + " 2>&1 </dev/null";
    return ::popen(command.c_str(), "r");
}
Outcome Finish(FILE *run) {
    Outcome outcome;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, run)) > 0;) outcome.text.append(buffer, n);
    outcome.exit = WEXITSTATUS(::pclose(run));
    return outcome;
}
Outcome Cli(const fs::path &folder, const std::string &arguments, const std::string &environment = "") {
    return Finish(Start(folder, arguments, environment));
}

// The environment that stops the run at the n-th call (of `only`, else of all three).
std::string StopAt(long n, const std::string &signal = "KILL", const std::string &only = "") {
    const char *asan = std::getenv("ASAN_OPTIONS");
    return "LD_PRELOAD=" QUILLARD_STOPSHIM " QUILLARD_STOP_AT=" + std::to_string(n) +
           " QUILLARD_STOP_SIGNAL=" + signal + (only.empty() ? "" : " QUILLARD_STOP_ONLY=" + only) +
           " ASAN_OPTIONS=" + (asan ? asan : "") + ":verify_asan_link_order=0";
}
constexpr int Killed = 128 + SIGKILL;

std::string Bytes(const fs::path &path) { return ReadFileBytes(path); } // as they are, nothing finished
void Put(const fs::path &path, const std::string &bytes) { std::ofstream(path, std::ios::binary) << bytes; }
Strings Contents(const fs::path &folder, const Strings &names) {
    Strings contents;
    for (const std::string &name : names) contents.push_back(Bytes(folder / name));
    return contents;
}

// The folder's lock, journal and temporary files ("." "q" and a letter), or the first of a start.
Strings Internal(const fs::path &folder, const std::string &start = ".q") {
    Strings names;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(start)) names.push_back(entry.path().filename());
    return names;
}
std::string First(const fs::path &folder, const std::string &start) {
    const Strings names = Internal(folder, start);
    return names.empty() ? "" : names.front();
}

// Every entry of the folder with a CRC of what it holds, to see that nothing changed.
std::map<std::string, std::string> Snapshot(const fs::path &folder) {
    std::map<std::string, std::string> entries;
    for (const auto &entry : fs::directory_iterator(folder))
        entries[entry.path().filename()] =
            entry.is_regular_file() ? CrcText(Crc32(Bytes(entry.path()))) : "-";
    return entries;
}

// Runs the command stopped at each call in turn, killed before it or with SIGINT, SIGTERM or SIGHUP
// in turn after it, until it runs through; check(n, signal) after each stop.
void StopAtEveryCall(const fs::path &folder, const std::string &command, bool kill,
                     const std::function<void(long, const std::string &)> &check) {
    for (long n = 1; n < 100; ++n) {
        const std::string signal = kill ? "KILL" : Strings{"INT", "TERM", "HUP"}[n % 3];
        const Outcome run = Cli(folder, command, StopAt(n, signal));
        if (run.exit == 0) return;
        ASSERT_GT(run.exit, 128) << command << " stopped at call " << n << ": " << run.text;
        check(n, signal);
    }
    FAIL() << command << " never ran through";
}

void Sets(const fs::path &folder) {
    Put(folder / "a.rom", ReadFileBytes(QUILLARD_EXAMPLES "/manoeuvres.rom"));
    Put(folder / "b.rom", ProgramSetBytes(DefaultProgramSet()));
}

} // namespace

TEST(Journal, AStopAtAnyCallOfABuildLeavesThePairAndItsCopiesWholeOldOrNew) {
    CliFolder folder;
    Sets(folder.path());
    const Strings files{"out.bin", "out.aux", "out.hex", "out.aux.hex"};
    ASSERT_EQ(Cli(folder.path(), "build b.rom -o out.bin --hex").exit, 0);
    const Strings fresh = Contents(folder.path(), files);
    ASSERT_EQ(Cli(folder.path(), "build a.rom -o out.bin --hex").exit, 0);
    const Strings old = Contents(folder.path(), files);
    for (bool kill : {true, false}) {
        StopAtEveryCall(
            folder.path(), "build b.rom -o out.bin --hex", kill, [&](long n, const std::string &signal) {
                // A signal that can be caught leaves nothing of the build behind, and never half of it.
                if (!kill) {
                    EXPECT_EQ(Internal(folder.path()), Strings{}) << signal << " at " << n;
                }
                // The next reader of the pair finishes what a kill left, and sees it whole.
                const bool verify = n % 2;
                const Outcome read = Cli(folder.path(), verify ? "verify b.rom out.bin --aux out.aux"
                                                               : "import --type bin out.bin");
                const Strings now = Contents(folder.path(), files);
                EXPECT_TRUE(now == old || now == fresh) << signal << " at " << n;
                EXPECT_EQ(read.exit, verify && now == old ? 1 : 0)
                    << signal << " at " << n << ": " << read.text;
                // The next writer removes what is left.
                EXPECT_EQ(Cli(folder.path(), "build a.rom -o out.bin --hex").exit, 0);
                EXPECT_EQ(Contents(folder.path(), files), old) << signal << " at " << n;
                EXPECT_EQ(Internal(folder.path()), Strings{}) << signal << " at " << n;
            });
    }
}

TEST(Journal, AStopAtAnyCallOfAPutLeavesTheSetWholeAndLosesNoLaterEdit) {
    CliFolder folder;
    const Strings program{"rampto(20 deg, 1 sec)", "end"};
    const std::string old = ProgramSetBytes(DefaultProgramSet()),
                      fresh = ReplaceProgramBytes(old, 3, program);
    folder.Write("p.txt", CrLf(program));
    const fs::path set = folder.path() / "s.rom";
    Put(set, old);
    for (bool kill : {true, false}) {
        StopAtEveryCall(
            folder.path(), "put s.rom --program 3 p.txt", kill, [&](long n, const std::string &signal) {
                const std::string now = Bytes(set);
                EXPECT_TRUE(now == old || now == fresh) << signal << " at " << n;
                // Another tool edits the set; the next put keeps that edit.
                const std::string edited = ReplaceProgramBytes(now, 7, {"; edited elsewhere", "end"});
                Put(set, edited);
                EXPECT_EQ(Cli(folder.path(), "put s.rom --program 5 p.txt").exit, 0);
                EXPECT_EQ(Bytes(set), ReplaceProgramBytes(edited, 5, program)) << signal << " at " << n;
                EXPECT_EQ(Internal(folder.path()), Strings{}) << signal << " at " << n;
                Put(set, old);
            });
    }
}

// A reader that finishes a killed build may itself be killed at any call: the pair stays old or new, and
// the next reader still finishes it.
TEST(Journal, AReaderStoppedWhileItFinishesAKilledBuildLeavesThePairWholeForTheNext) {
    CliFolder folder;
    Sets(folder.path());
    const Strings files{"out.bin", "out.aux", "out.hex", "out.aux.hex"};
    ASSERT_EQ(Cli(folder.path(), "build b.rom -o out.bin --hex").exit, 0);
    const Strings fresh = Contents(folder.path(), files);
    for (long rename : {2, 3}) { // the journal in place; the EPROM file replaced too
        for (long n = 1;; ++n) {
            ASSERT_LT(n, 50) << "the reader never ran through";
            ASSERT_EQ(Cli(folder.path(), "build a.rom -o out.bin --hex").exit, 0);
            ASSERT_EQ(
                Cli(folder.path(), "build b.rom -o out.bin --hex", StopAt(rename, "KILL", "rename")).exit,
                Killed);
            const Outcome stopped = Cli(folder.path(), "import --type bin out.bin", StopAt(n));
            const Outcome read = Cli(folder.path(), "verify b.rom out.bin --aux out.aux");
            EXPECT_EQ(read.exit, 0) << "rename " << rename << ", reader stopped at " << n << ": "
                                    << read.text;
            EXPECT_EQ(Contents(folder.path(), files), fresh)
                << "rename " << rename << ", reader stopped at " << n;
            EXPECT_EQ(First(folder.path(), ".qj"), "") << "rename " << rename << ", reader stopped at " << n;
            if (stopped.exit == 0) break;
            ASSERT_EQ(stopped.exit, Killed) << stopped.text;
        }
    }
}

// A build of B over a pair of A stopped at its 2nd rename (the journal is in place) or its 3rd (the
// EPROM file is replaced too); something happens to the folder; then a reader.
TEST(Journal, AJournalIsFinishedWhereverTheFolderMovesAndDroppedWhenItsFilesChanged) {
    const auto move = [](const fs::path &d) { fs::rename(d, d.parent_path() / "d2"); };
    struct Case {
        const char *what;
        long rename;
        std::function<void(const fs::path &)> act;
        std::string reader;
        Strings expected; // the pair afterwards, from these files
        bool dropped;
    };
    const std::vector<Case> cases{
        {"moved, journal in place", 2, move, "import --type bin out.bin", {"b.bin", "b.aux"}, false},
        {"moved between the renames",
         3,
         move,
         "verify b.rom out.bin --aux out.aux",
         {"b.bin", "b.aux"},
         false},
        {"known-good images copied over the pair",
         2,
         [](const fs::path &d) {
             Put(d / "out.bin", Bytes(d / "a.bin"));
             Put(d / "out.aux", Bytes(d / "a.aux"));
         },
         "verify a.rom out.bin --aux out.aux",
         {"a.bin", "a.aux"},
         true},
        {"the EPROM file's time changed",
         2,
         [](const fs::path &d) { fs::last_write_time(d / "out.bin", fs::file_time_type{}); },
         "import --type bin out.bin",
         {"a.bin", "a.aux"},
         true},
        {"the aux file replaced between the renames",
         3,
         [](const fs::path &d) {
             fs::copy_file(d / "a.rom", d / "out.aux", fs::copy_options::overwrite_existing);
         },
         "import --type bin out.bin",
         {"b.bin", "a.rom"},
         true},
    };
    for (const Case &c : cases) {
        CliFolder root;
        const fs::path d = root.path() / "d";
        fs::create_directory(d);
        Sets(d);
        for (const char *build : {"build a.rom -o a.bin", "build b.rom -o b.bin", "build a.rom -o out.bin"})
            ASSERT_EQ(Cli(d, build).exit, 0);
        ASSERT_EQ(Cli(d, "build b.rom -o out.bin", StopAt(c.rename, "KILL", "rename")).exit, Killed);
        c.act(d);
        const fs::path now = fs::exists(d) ? d : root.path() / "d2";
        const Outcome read = Cli(now, c.reader);
        EXPECT_EQ(read.exit, 0) << c.what << ": " << read.text;
        EXPECT_EQ(Contents(now, {"out.bin", "out.aux"}), Contents(now, c.expected)) << c.what;
        EXPECT_EQ(read.text.find("interrupted replacement was dropped") != std::string::npos, c.dropped)
            << c.what << ": " << read.text;
        EXPECT_EQ(First(now, ".qj"), "") << c.what;
    }
}

// A journal planted beside a pair that names files outside its group is refused, naming it, by
// readers and writers alike, and nothing anywhere is deleted or renamed.
TEST(Journal, AForeignJournalIsRefusedAndTouchesNothing) {
    CliFolder root;
    const fs::path set = root.path() / "set", victim = root.path() / "victim";
    fs::create_directories(victim);
    fs::create_directories(set);
    Put(victim / "keep.txt", "keep");
    Put(set / "keep.txt", "keep here");
    Sets(set);
    ASSERT_EQ(Cli(set, "build a.rom -o out.bin").exit, 0);
    ASSERT_EQ(Cli(set, "build b.rom -o out.bin", StopAt(2, "KILL", "rename")).exit, Killed);
    const std::string journal = First(set, ".qj"), staged = First(set, ".qg"), keep = victim / "keep.txt";
    fs::remove(set / First(set, ".ql")); // the killed build's lock
    // Entries: staged file, target, backup, what the target held, what the staged file holds.
    const auto planted = [](const Strings &fields) {
        std::string bytes;
        for (const std::string &field : fields) bytes += field + '\0';
        return bytes;
    };
    const std::string v2 = "quillard journal 2", size = "4 0 0 00000000";
    for (const std::string &bytes : {
             planted({v2, "out.aux", "1", staged, "../victim/keep.txt", "", "", size}),
             planted({v2, "out.aux", "1", staged, keep, "", "", size}),
             planted({v2, "out.aux", "1", staged, "keep.txt", "", "", size}),
             planted({v2, "out.aux", "1", "keep.txt", "out.bin", "", "", size}),
             planted({v2, "out.aux", "1", "../victim/keep.txt", "out.bin", "", "", size}),
             planted({v2, "out.aux", "1", staged, "out.bin", "../victim/keep.txt", size, size}),
             planted({v2, "other.aux", "1", staged, "out.bin", "", "", size}),
             planted({"quillard journal 1", "1", (set / staged).string(), keep, ""}),
         }) {
        Put(set / journal, bytes);
        const auto before = Snapshot(set), victimBefore = Snapshot(victim);
        for (const char *command : {"import --type bin out.bin", "verify a.rom out.bin --aux out.aux",
                                    "build a.rom -o out.bin --hex"}) {
            const Outcome run = Cli(set, command);
            EXPECT_EQ(run.exit, 2) << command << ": " << run.text;
            EXPECT_NE(run.text.find("/" + journal + " is not one of out.aux ("), std::string::npos)
                << run.text;
            EXPECT_EQ(Snapshot(set), before) << command << ": " << run.text;
            EXPECT_EQ(Snapshot(victim), victimBefore) << command;
        }
    }
}

// Whatever is at the lock's name that is no file is refused at once, naming the lock; nothing changes.
TEST(Journal, ALockThatIsNoFileIsRefusedAtOnceAndNamed) {
    CliFolder folder;
    Sets(folder.path());
    folder.Write("p.txt", CrLf({"end"}));
    folder.Write("s.rom", ProgramSetBytes(DefaultProgramSet()));
    ASSERT_EQ(Cli(folder.path(), "build a.rom -o out.bin").exit, 0);
    for (const auto &entry : fs::directory_iterator(folder.path())) fs::permissions(entry, fs::perms::all);
    fs::permissions(folder.path(), fs::perms::all);
    // The locks' names, from a build and a put killed holding them.
    const auto lockOf = [&](const std::string &command) {
        EXPECT_EQ(Cli(folder.path(), command, StopAt(1)).exit, Killed);
        const std::string lock = First(folder.path(), ".ql");
        for (const std::string &name : Internal(folder.path())) fs::remove(folder.path() / name);
        return lock;
    };
    const std::string build = "build a.rom -o out.bin", put = "put s.rom --program 5 p.txt";
    const std::string pairLock = lockOf(build), setLock = lockOf(put);
    ASSERT_TRUE(pairLock != "" && setLock != "" && pairLock != setLock);
    const std::vector<std::pair<const char *, std::function<void(const fs::path &)>>> kinds{
        {"a named pipe", [](const fs::path &p) { ::mkfifo(p.c_str(), 0666); }},
        {"a folder", [](const fs::path &p) { fs::create_directory(p); }},
        {"a link to a file", [](const fs::path &p) { fs::create_symlink("a.rom", p); }},
        {"a dangling link", [](const fs::path &p) { fs::create_symlink("nowhere", p); }},
        {"another user's unreadable file", [](const fs::path &p) {
             Put(p, "");
             fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
         }}};
    for (const auto &[what, make] : kinds) {
        const bool other = std::string(what).starts_with("another");
        if (other && ::geteuid() != 0) continue; // the file must belong to another user
        for (const std::string &command : {build, std::string("import --type bin out.bin"), put}) {
            const std::string lock = command == put ? setLock : pairLock;
            const auto before = Snapshot(folder.path());
            make(folder.path() / lock);
            const Outcome run = Cli(folder.path(), command,
                                    other ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "");
            fs::remove(folder.path() / lock);
            EXPECT_EQ(run.exit, 2) << what << ", " << command << ": " << run.text;
            EXPECT_NE(run.text.find("/" + lock + " of "), std::string::npos)
                << what << ", " << command << ": " << run.text;
            EXPECT_EQ(Snapshot(folder.path()), before) << what << ", " << command;
        }
    }
}

// Two builds of one pair at once, each with its report: each reports the bytes it wrote.
TEST(Journal, ABuildReportsTheBytesItWroteThoughAnotherBuildFollows) {
    CliFolder folder;
    Sets(folder.path());
    std::string crc[2];
    for (int k = 0; k < 2; ++k) {
        const std::string name = k ? "b" : "a";
        ASSERT_EQ(Cli(folder.path(), "build " + name + ".rom -o " + name + ".bin").exit, 0);
        crc[k] = "CRC-32 " + CrcText(Crc32(folder.Read(name + ".bin")));
    }
    for (int round = 0; round < 10; ++round) {
        FILE *a = Start(folder.path(), "build a.rom -o out.bin --report");
        FILE *b = Start(folder.path(), "build b.rom -o out.bin --report");
        const Outcome reports[2] = {Finish(a), Finish(b)};
        for (int k = 0; k < 2; ++k)
            EXPECT_NE(reports[k].text.find("EPROM file   524288 bytes  " + crc[k]), std::string::npos)
                << "round " << round << ": " << reports[k].text;
    }
}
