// File access of the ROM-file subsystem: groups of files (the EPROM and aux pair and their copies)
// replaced all or none under a lock, with a journal that lets the next writer finish an interrupted
// replacement.
#include "romfiles/fileio.h"

#include "romfiles/fileio_posix.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/file.h>

namespace {

constexpr std::string_view JournalHeader = "quillard journal 1";

// Where a group keeps its lock, its journal and its temporary files.
struct GroupPlace {
    std::string folder; // the anchor's folder, absolute
    std::string lock, journal;
    std::string start; // of the group's temporary files
};

std::string RealFolder(const std::string &path, const std::string &given, const char *action) {
    char resolved[PATH_MAX];
    if (!::realpath(FolderOf(path).c_str(), resolved)) ThrowFileError(action, given, errno);
    return resolved;
}

// The place of the group named by anchor; failures are reported for the file given.
GroupPlace PlaceOf(const std::string &anchor, const std::string &given, const char *action = "write") {
    WriteTarget target;
    try {
        target = ResolveLinks(anchor, action);
    } catch (const FileError &e) {
        throw FileError(action, given, e.reason());
    }
    const std::string name = FileNameOf(target.path);
    GroupPlace place;
    place.folder = RealFolder(target.path, given, action);
    place.lock = place.folder + "/" + TempStart('l', name);
    place.journal = place.folder + "/" + TempStart('j', name);
    place.start = TempStart('g', name);
    return place;
}

bool Exists(const std::string &path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// The lock of a group: a file beside the anchor, locked with flock and removed by its holder, who
// checks after locking that the file it locked is still the one in the folder.
class GroupLock {
public:
    // With mayFail, a folder where the lock cannot be made (read-only) leaves the group unlocked.
    GroupLock(const std::string &path, const std::string &given, bool mayFail) {
        for (;;) {
            Descriptor fd(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
            if (fd.get() < 0) {
                if (mayFail) return;
                ThrowFileError("write", given, errno);
            }
            while (::flock(fd.get(), LOCK_EX) != 0) {
                if (errno != EINTR) return; // a file system without locks: the group is written unlocked
            }
            struct stat held, now;
            if (::fstat(fd.get(), &held) == 0 && ::lstat(path.c_str(), &now) == 0 &&
                held.st_dev == now.st_dev && held.st_ino == now.st_ino) {
                // Removed on SIGINT or SIGTERM too; the lock itself ends with the process.
                m_file = AdoptTempFile(path, std::move(fd));
                return;
            }
        }
    }
    GroupLock(const GroupLock &) = delete;
    GroupLock &operator=(const GroupLock &) = delete;
    ~GroupLock() { RemoveTempFile(m_file); }

private:
    TempFile m_file;
};

// One member of a group being replaced.
struct Member {
    std::string given; // as the caller named it
    std::string path;  // absolute, links followed
    WriteTarget target;
    TempFile temp;
    TempFile backup; // a second link to (or a copy of) the file replaced
};

// One journal entry: a staged file, its target and the backup of the file it replaces ("" for none).
struct JournalEntry {
    std::string temp, path, backup;
};

std::string JournalBytes(const std::vector<Member> &members) {
    std::string bytes(JournalHeader);
    bytes += '\0';
    bytes += std::to_string(members.size()) + '\0';
    for (const Member &m : members) {
        for (const std::string *field : {&m.temp.path, &m.path, &m.backup.path}) bytes += *field + '\0';
    }
    return bytes;
}

// The entries of a journal, or a FileError naming it when it is not one this program wrote for this
// group and this user.
std::vector<JournalEntry> ReadJournal(const std::string &path, const GroupPlace &place) {
    const std::string bytes = ReadFileBytes(path, {1 * MiB, true});
    std::vector<std::string> fields;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) break;
        fields.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    struct stat info;
    const bool own = ::lstat(path.c_str(), &info) == 0 && info.st_uid == ::geteuid();
    auto staged = [&](const std::string &file, bool mayBeEmpty) {
        if (file.empty()) return mayBeEmpty;
        return file.front() == '/' && FileNameOf(file).compare(0, place.start.size(), place.start) == 0;
    };
    std::vector<JournalEntry> entries;
    const bool headed = fields.size() >= 2 && fields[0] == JournalHeader &&
                        fields.size() == 2 + 3 * std::strtoul(fields[1].c_str(), nullptr, 10);
    for (std::size_t i = 2; headed && i + 2 < fields.size(); i += 3) {
        JournalEntry entry{fields[i], fields[i + 1], fields[i + 2]};
        const std::string folder = FolderOf(entry.path);
        if (!staged(entry.temp, false) || !staged(entry.backup, true) || FolderOf(entry.temp) != folder ||
            (!entry.backup.empty() && FolderOf(entry.backup) != folder))
            break;
        entries.push_back(entry);
    }
    if (!own || !headed || 3 * entries.size() + 2 != fields.size())
        throw FileError("read", path,
                        "not a journal of this program; remove it after checking the files it names");
    return entries;
}

// Finishes the replacement a journal describes: every staged file still there is renamed over its
// target. When that fails, the files replaced so far are put back from their backups.
void FinishJournal(const GroupPlace &place, const std::string &given) {
    if (!Exists(place.journal)) return;
    const std::vector<JournalEntry> entries = ReadJournal(place.journal, place);
    int error = 0;
    std::string failed;
    for (const JournalEntry &e : entries) {
        if (Exists(e.temp) && ::rename(e.temp.c_str(), e.path.c_str()) != 0) {
            error = errno;
            failed = e.path;
            break;
        }
    }
    for (const JournalEntry &e : entries) {
        if (error) {
            if (!e.backup.empty())
                ::rename(e.backup.c_str(), e.path.c_str());
            else if (!Exists(e.temp)) // it was new, and is in place
                ::unlink(e.path.c_str());
            ::unlink(e.temp.c_str());
        }
        if (!e.backup.empty()) ::unlink(e.backup.c_str());
        SyncFolder(FolderOf(e.path));
    }
    ::unlink(place.journal.c_str());
    SyncFolder(place.folder);
    if (error)
        throw FileError("write", given,
                        "an interrupted replacement of " + DisplayName(failed) +
                            " failed: " + std::strerror(error));
}

// A second name for the file about to be replaced, so that it can be put back: a hard link, or a
// copy where the file system has no hard links.
TempFile Backup(const Member &m, const std::string &folder, const std::string &start) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = NextTempName(folder, start);
        if (::link(m.path.c_str(), name.c_str()) == 0) {
            Descriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
            if (fd.get() >= 0) ::flock(fd.get(), LOCK_EX | LOCK_NB);
            return AdoptTempFile(name, std::move(fd));
        }
        if (errno != EEXIST) break;
    }
    TempFile backup = CreateTempFile(folder, start, 0600, m.given);
    CopyOwnerAndMode(backup.fd.get(), m.target.info);
    Descriptor in(::open(m.path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) ThrowFileError("write", m.given, errno);
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError("write", m.given, errno);
        if (n == 0) break;
        if (int error = WriteAll(backup.fd.get(), std::string_view(buffer, static_cast<std::size_t>(n))))
            ThrowFileError("write", m.given, error);
    }
    if (::fsync(backup.fd.get()) != 0) ThrowFileError("write", m.given, errno);
    return backup;
}

// Stages a member: its new content in a temporary file, and a backup of the file it replaces.
void Stage(Member &m, const FileContent &file, const std::string &start) {
    const std::string folder = FolderOf(m.path);
    m.temp = CreateTempFile(folder, start, m.target.exists ? 0600 : 0, m.given);
    if (m.target.exists) CopyOwnerAndMode(m.temp.fd.get(), m.target.info);
    int error = WriteAll(m.temp.fd.get(), file.bytes);
    if (!error && ::fsync(m.temp.fd.get()) != 0) error = errno;
    if (error) ThrowFileError("write", m.given, error);
    if (m.target.exists) m.backup = Backup(m, folder, start);
}

// Removes what a failed or finished replacement leaves, and lets waiting signals act.
class Cleanup {
public:
    explicit Cleanup(std::vector<Member> &members) : m_members(members) {}
    ~Cleanup() {
        for (Member &m : m_members) {
            RemoveTempFile(m.temp);
            RemoveTempFile(m.backup);
        }
        if (m_deferred) UndeferSignals();
    }
    void Defer() {
        DeferSignals();
        m_deferred = true;
    }

private:
    std::vector<Member> &m_members;
    bool m_deferred = false;
};

std::vector<Member> ResolveMembers(const std::vector<FileContent> &files) {
    std::vector<Member> members;
    for (const FileContent &file : files) {
        Member m;
        m.given = file.path;
        m.target = ResolveWriteTarget(file.path);
        if (m.target.exists && !S_ISREG(m.target.info.st_mode))
            throw FileError("write", file.path, "not a regular file");
        m.path = RealFolder(m.target.path, file.path, "write") + "/" + FileNameOf(m.target.path);
        for (const Member &other : members)
            if (other.path == m.path ||
                (m.target.exists && other.target.exists && other.target.info.st_ino == m.target.info.st_ino &&
                 other.target.info.st_dev == m.target.info.st_dev))
                throw FileError("write", file.path, "the same file as " + DisplayName(other.given));
        members.push_back(std::move(m));
    }
    return members;
}

// Writes the journal of the staged members and puts it in place for the next writer; from then on
// the replacement completes before a signal acts.
void WriteJournal(const GroupPlace &place, const std::vector<Member> &members, const std::string &named,
                  Cleanup &cleanup) {
    TempFile journal = CreateTempFile(place.folder, place.start, 0600, named);
    int error = WriteAll(journal.fd.get(), JournalBytes(members));
    if (!error && ::fsync(journal.fd.get()) != 0) error = errno;
    if (error) {
        RemoveTempFile(journal);
        ThrowFileError("write", named, error);
    }
    cleanup.Defer();
    if (::rename(journal.path.c_str(), place.journal.c_str()) != 0) {
        error = errno;
        RemoveTempFile(journal);
        ThrowFileError("write", named, error);
    }
    ForgetTempFile(journal);
    SyncFolder(place.folder);
}

// Puts back what the first `count` members replaced: the file from its backup, or no file where
// there was none. Returns what could not be put back, for the text of the failure.
std::string PutBack(const std::vector<Member> &members, std::size_t count) {
    std::string lost;
    for (std::size_t k = 0; k < count; ++k) {
        const Member &done = members[k];
        const bool back = done.backup.path.empty()
                              ? ::unlink(done.path.c_str()) == 0
                              : ::rename(done.backup.path.c_str(), done.path.c_str()) == 0;
        if (!back) lost += "; " + DisplayName(done.given) + " could not be put back: " + std::strerror(errno);
    }
    return lost;
}

// Renames every staged member over its target. When one fails, those replaced before it are put
// back; the journal is then no longer needed.
void RenameMembers(std::vector<Member> &members, const GroupPlace &place,
                   const std::set<std::string> &folders) {
    for (std::size_t i = 0; i < members.size(); ++i) {
        Member &m = members[i];
        if (::rename(m.temp.path.c_str(), m.path.c_str()) != 0) {
            const int error = errno;
            const std::string lost = PutBack(members, i);
            for (const std::string &folder : folders) SyncFolder(folder);
            ::unlink(place.journal.c_str());
            throw FileError("write", m.given, std::strerror(error) + lost);
        }
        ForgetTempFile(m.temp);
        ReplaceStep();
    }
}

void ReplaceLocked(const GroupPlace &place, const std::vector<FileContent> &files);

void ReplaceGroup(const std::string &anchor, const std::vector<FileContent> &files) {
    if (files.empty()) return;
    // What keeps the group from being written is reported for its members in order; a failure of
    // the group's own lock or journal for its first member.
    ResolveMembers(files);
    const std::string &named = files.front().path;
    const GroupPlace place = PlaceOf(anchor, named);
    GroupLock lock(place.lock, named, false);
    FinishJournal(place, named);
    ReplaceLocked(place, files);
}

// Replaces the group, its lock held and any interrupted replacement finished.
void ReplaceLocked(const GroupPlace &place, const std::vector<FileContent> &files) {
    const std::string &named = files.front().path;
    // Resolved again under the lock: another writer may have made a file that was missing.
    std::vector<Member> members = ResolveMembers(files);
    std::set<std::string> folders{place.folder};
    for (const Member &m : members) folders.insert(FolderOf(m.path));
    for (const std::string &folder : folders) RemoveDeadTempFiles(folder, place.start);

    Cleanup cleanup(members);
    for (std::size_t i = 0; i < members.size(); ++i) Stage(members[i], files[i], place.start);
    ReplaceStep();
    WriteJournal(place, members, named, cleanup);
    ReplaceStep();
    RenameMembers(members, place, folders);
    for (const std::string &folder : folders) SyncFolder(folder);
    ::unlink(place.journal.c_str());
    SyncFolder(place.folder);
    ReplaceStep();
}

} // namespace

void ReplaceFileGroup(const std::string &anchor, const std::vector<FileContent> &files) {
    try {
        ReplaceGroup(anchor, files);
    } catch (const std::bad_alloc &) {
        throw FileError("write", files.empty() ? anchor : files.front().path, "out of memory");
    }
}

std::vector<std::string> ReadFileGroup(const std::string &anchor, const std::vector<std::string> &paths,
                                       const ReadLimit &limit) {
    return ReadingFile(anchor, [&] {
        const GroupPlace place = PlaceOf(anchor, paths.empty() ? anchor : paths.front(), "read");
        GroupLock lock(place.lock, anchor, true);
        FinishJournal(place, anchor);
        std::vector<std::string> contents;
        for (const std::string &path : paths) contents.push_back(ReadFileBytes(path, limit));
        return contents;
    });
}

void UpdateFileAtomically(const std::string &path, const ReadLimit &limit,
                          const std::function<std::string(const std::optional<std::string> &)> &update) {
    try {
        const GroupPlace place = PlaceOf(path, path);
        GroupLock lock(place.lock, path, false);
        FinishJournal(place, path);
        std::optional<std::string> old;
        struct stat info;
        if (::stat(path.c_str(), &info) == 0)
            old = ReadFileBytes(path, limit);
        else if (errno != ENOENT)
            ThrowFileError("read", path, errno);
        ReplaceLocked(place, {{path, update(old)}});
    } catch (const std::bad_alloc &) {
        throw FileError("write", path, "out of memory");
    }
}

void FinishInterruptedReplacement(const std::string &anchor) {
    GroupPlace place;
    try {
        place = PlaceOf(anchor, anchor, "read");
    } catch (const FileError &) {
        return; // no folder, no journal: the reader reports what is wrong with its own file
    }
    if (!Exists(place.journal)) return;
    GroupLock lock(place.lock, anchor, false);
    FinishJournal(place, anchor);
}
