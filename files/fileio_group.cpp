// The file layer: groups of files (the EPROM and aux pair and their copies) replaced all or none under
// a lock, with a journal (fileio_journal.cpp) that lets the next writer or reader finish an interrupted
// replacement.
#include "files/fileio.h"

#include "files/fileio_journal.h"
#include "files/fileio_posix.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <zlib.h>

using namespace journal;

namespace {

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
    GroupPlace place;
    place.given = given;
    place.action = action;
    place.anchor = FileNameOf(target.path);
    place.folder = RealFolder(target.path, given, action);
    place.lock = place.In(TempStart('l', place.anchor));
    place.journal = place.In(TempStart('j', place.anchor));
    place.start = TempStart('g', place.anchor);
    return place;
}

[[noreturn]] void ThrowLockError(const GroupPlace &place, const std::string &what) {
    throw FileError(place.action, place.given,
                    "the lock " + DisplayName(place.lock) + " of " + DisplayName(place.anchor) + " " + what);
}

// The lock of a group: a regular file beside the anchor, locked with flock and removed by its holder,
// who checks after locking that the file it locked is still the one in the folder. It is opened
// without waiting and without following links: anything else at its name is refused, naming it.
class GroupLock {
public:
    // A reader in a folder where the lock cannot be made (read-only, /proc) reads unlocked.
    GroupLock(const GroupPlace &place, bool reader) {
        for (;;) {
            Descriptor fd(::open(place.lock.c_str(),
                                 O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644));
            struct stat held, now;
            if (fd.get() < 0) {
                const int error = errno;
                if (::lstat(place.lock.c_str(), &now) != 0) { // it could not be made
                    if (reader) return;
                    ThrowFileError(place.action, place.given, error);
                }
                if (!S_ISREG(now.st_mode))
                    ThrowLockError(place, "is " + KindOf(now.st_mode) + ", not a file");
                ThrowLockError(place, std::string("cannot be opened: ") + std::strerror(error));
            }
            if (::fstat(fd.get(), &held) != 0) ThrowLockError(place, std::strerror(errno));
            if (!S_ISREG(held.st_mode)) ThrowLockError(place, "is " + KindOf(held.st_mode) + ", not a file");
            while (::flock(fd.get(), LOCK_EX) != 0) {
                if (errno != EINTR) return; // a file system without locks: the group is written unlocked
            }
            if (::lstat(place.lock.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
                held.st_ino == now.st_ino) {
                // Removed on SIGINT or SIGTERM too; the lock itself ends with the process.
                m_file = AdoptTempFile(place.lock, std::move(fd));
                return;
            }
        }
    }
    GroupLock(const GroupLock &) = delete;
    GroupLock &operator=(const GroupLock &) = delete;
    // Out of the signal table before the name goes (it may then be another writer's lock), and
    // unlocked only after it is gone, so that no waiting writer locks a file that is being removed.
    ~GroupLock() {
        Descriptor fd = std::move(m_file.fd);
        const std::string path = m_file.path;
        ForgetTempFile(m_file);
        if (!path.empty()) ::unlink(path.c_str());
    }

private:
    TempFile m_file;
};

// ---- Replacing a group ----

// One member of a group being replaced.
struct Member {
    std::string given; // as the caller named it
    std::string path;  // absolute, links followed
    WriteTarget target;
    TempFile temp;
    TempFile backup; // a second link to (or a copy of) the file replaced
    JournalEntry entry;
};

// A second name for the file about to be replaced, so that it can be put back: a hard link, or a copy
// with the file's time where the file system has no hard links. Records what the file holds.
TempFile Backup(Member &m, const std::string &folder, const std::string &start) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempFile link = ReserveTempName(folder, start);
        if (::link(m.path.c_str(), link.path.c_str()) == 0) {
            link.fd = Descriptor(::open(link.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
            FileIdentity old;
            if (link.fd.get() < 0 || !IdentityOf(link.fd.get(), old)) {
                const int error = errno;
                RemoveTempFile(link);
                ThrowFileError("write", m.given, error);
            }
            ::flock(link.fd.get(), LOCK_EX | LOCK_NB);
            m.entry.old = old;
            return link;
        }
        const int error = errno;
        ForgetTempFile(link); // the name may be another file's
        if (error != EEXIST) break;
    }
    TempFile backup = CreateTempFile(folder, start, 0600, m.given);
    CopyOwnerAndMode(backup.fd.get(), m.target.info);
    Descriptor in(::open(m.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat info;
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0) ThrowFileError("write", m.given, errno);
    uLong crc = ::crc32(0, nullptr, 0);
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError("write", m.given, errno);
        if (n == 0) break;
        crc = ::crc32(crc, reinterpret_cast<const Bytef *>(buffer), static_cast<uInt>(n));
        if (int error = WriteAll(backup.fd.get(), std::string_view(buffer, static_cast<std::size_t>(n))))
            ThrowFileError("write", m.given, error);
    }
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::fsync(backup.fd.get()) != 0 || ::futimens(backup.fd.get(), times) != 0)
        ThrowFileError("write", m.given, errno);
    m.entry.old = TimeAndSize(info);
    m.entry.old->crc = static_cast<std::uint32_t>(crc);
    return backup;
}

// Stages a member: its new content in a temporary file and, when the group keeps a journal, what the
// journal records of it and a backup of the file it replaces.
void Stage(Member &m, const FileContent &file, const GroupPlace &place, bool journaled) {
    const std::string folder = FolderOf(m.path);
    m.temp = CreateTempFile(folder, place.start, m.target.exists ? 0600 : 0, m.given);
    if (m.target.exists) CopyOwnerAndMode(m.temp.fd.get(), m.target.info);
    int error = WriteAll(m.temp.fd.get(), file.bytes);
    if (!error && ::fsync(m.temp.fd.get()) != 0) error = errno;
    struct stat info;
    if (!error && ::fstat(m.temp.fd.get(), &info) != 0) error = errno;
    if (error) ThrowFileError("write", m.given, error);
    if (!journaled) return;
    m.entry.temp = FileNameOf(m.temp.path);
    m.entry.target = FileNameOf(m.path);
    m.entry.fresh = TimeAndSize(info);
    m.entry.fresh.crc = Crc(file.bytes);
    if (!m.target.exists) return;
    m.backup = Backup(m, folder, place.start);
    m.entry.backup = FileNameOf(m.backup.path);
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

// The members with their links followed. With a place, the group keeps a journal: every member must
// then be one of its files (in its folder, named after its anchor), as a journal may name no other.
std::vector<Member> ResolveMembers(const std::vector<FileContent> &files, const GroupPlace *place) {
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
        if (place && (FolderOf(m.path) != place->folder || !IsGroupName(*place, FileNameOf(m.path))))
            throw FileError("write", file.path,
                            "it is " + DisplayName(m.path) +
                                " (links followed): files replaced together must be in " + "the folder of " +
                                DisplayName(place->In(place->anchor)) + " and named after it");
        members.push_back(std::move(m));
    }
    return members;
}

// Writes the journal of the staged members and puts it in place for the next writer; from then on
// the replacement completes before a signal acts.
void WriteJournal(const GroupPlace &place, const std::vector<Member> &members, const std::string &named,
                  Cleanup &cleanup) {
    std::vector<JournalEntry> entries;
    for (const Member &m : members) entries.push_back(m.entry);
    TempFile journal = CreateTempFile(place.folder, place.start, 0600, named);
    int error = WriteAll(journal.fd.get(), JournalBytes(place, entries));
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

// Replaces the group, its lock held and any interrupted replacement finished. A group of one file
// needs no journal: its one rename is whole or not done.
void ReplaceLocked(const GroupPlace &place, const std::vector<FileContent> &files) {
    const std::string &named = files.front().path;
    const bool journaled = files.size() > 1;
    // Resolved again under the lock: another writer may have made a file that was missing.
    std::vector<Member> members = ResolveMembers(files, journaled ? &place : nullptr);
    std::set<std::string> folders{place.folder};
    for (const Member &m : members) folders.insert(FolderOf(m.path));
    for (const std::string &folder : folders) RemoveDeadTempFiles(folder, place.start);

    Cleanup cleanup(members);
    for (std::size_t i = 0; i < members.size(); ++i) Stage(members[i], files[i], place, journaled);
    ReplaceStep();
    if (journaled) WriteJournal(place, members, named, cleanup);
    ReplaceStep();
    RenameMembers(members, place, folders);
    for (const std::string &folder : folders) SyncFolder(folder);
    if (journaled) {
        ::unlink(place.journal.c_str());
        SyncFolder(place.folder);
    }
    ReplaceStep();
}

void ReplaceGroup(const std::string &anchor, const std::vector<FileContent> &files) {
    if (files.empty()) return;
    // What keeps the group from being written is reported for its members in order; a failure of
    // the group's own lock or journal for its first member.
    ResolveMembers(files, nullptr);
    const std::string &named = files.front().path;
    const GroupPlace place = PlaceOf(anchor, named);
    GroupLock lock(place, false);
    FinishJournal(place);
    ReplaceLocked(place, files);
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
    const std::string &named = paths.empty() ? anchor : paths.front();
    return ReadingFile(named, [&] {
        const GroupPlace place = PlaceOf(anchor, named, "read");
        GroupLock lock(place, true);
        FinishJournal(place);
        std::vector<std::string> contents;
        for (const std::string &path : paths) contents.push_back(ReadFileBytes(path, limit));
        return contents;
    });
}

void UpdateFileAtomically(const std::string &path, const ReadLimit &limit,
                          const std::function<std::string(const std::optional<std::string> &)> &update) {
    try {
        const GroupPlace place = PlaceOf(path, path);
        GroupLock lock(place, false);
        FinishJournal(place);
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
