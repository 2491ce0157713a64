// The file layer: groups of files (the EPROM and aux pair and their copies) replaced all or none under
// a lock, with a journal that lets the next writer or reader finish an interrupted replacement.
//
// The journal names the group's files relative to its own folder, so that a folder that was moved,
// or a stick mounted elsewhere, finishes the same way. It records every file it would replace and
// every staged file by size, modification time and CRC-32 of the bytes: device and inode numbers
// change when a folder moves to another file system and on every mount of a FAT stick, while any
// write sets the time, also one of the very same bytes, and the CRC catches what was put back with
// an old time. A journal is finished only while each of its files is exactly as recorded (still the
// old one, or already the staged one); otherwise it is stale and dropped with a notice, the files left
// as they are. A journal that names anything but the group's own files and staged names is foreign:
// it is refused and nothing is touched.
#include "files/fileio.h"

#include "files/fileio_posix.h"

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <zlib.h>

namespace {

constexpr std::string_view JournalHeader = "quillard journal 2";

// Where a group keeps its lock, its journal and its temporary files.
struct GroupPlace {
    std::string given, action; // the file and the action (read, write) that failures are reported for
    std::string folder;        // the anchor's folder, absolute, links followed
    std::string anchor;        // the anchor's name in it
    std::string lock, journal;
    std::string start; // of the group's temporary files
    std::string In(const std::string &name) const { return folder + "/" + name; }
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

bool Exists(const std::string &path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// ---- Names ----

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A name of the lock, journal or temporary files of some group: ".q", a letter, 8 hex digits.
bool IsInternalName(std::string_view name) {
    return name.size() >= 11 && name.starts_with(".q") && name[2] >= 'a' && name[2] <= 'z' &&
           name.substr(3, 8).find_first_not_of("0123456789abcdef") == std::string_view::npos &&
           (name.size() == 11 || name[11] == '.');
}

// A temporary name of the group: its start, "." process id "." counter.
bool IsStagedName(const GroupPlace &place, std::string_view name) {
    if (!name.starts_with(place.start) || name.size() <= place.start.size() ||
        name[place.start.size()] != '.')
        return false;
    name.remove_prefix(place.start.size() + 1);
    const std::size_t dot = name.find('.');
    return dot != std::string_view::npos && IsDigits(name.substr(0, dot)) && IsDigits(name.substr(dot + 1));
}

// A file of the group: a plain name in its folder made from the anchor's name without its extension,
// alone or followed by "." or "-" (for out.aux: out.bin, out.hex, out.aux.hex; for sets.rom: sets-1.rom).
bool IsGroupName(const GroupPlace &place, const std::string &name) {
    const std::size_t dot = place.anchor.rfind('.');
    const std::string stem =
        dot == std::string::npos || dot == 0 ? place.anchor : place.anchor.substr(0, dot);
    if (name.find('/') != std::string::npos || name == "." || name == ".." || IsInternalName(name) ||
        !name.starts_with(stem))
        return false;
    return name.size() == stem.size() || name[stem.size()] == '.' || name[stem.size()] == '-';
}

// ---- Identities ----

// What a journal records of a file: its size, its modification time and the CRC-32 of its bytes.
struct FileIdentity {
    std::uint64_t size = 0;
    std::int64_t seconds = 0, nanoseconds = 0;
    std::uint32_t crc = 0;
    bool operator==(const FileIdentity &) const = default;
};

FileIdentity TimeAndSize(const struct stat &info) {
    return {static_cast<std::uint64_t>(info.st_size), info.st_mtim.tv_sec, info.st_mtim.tv_nsec, 0};
}

std::uint32_t Crc(std::string_view bytes) {
    uLong crc = ::crc32(0, nullptr, 0);
    for (std::size_t at = 0; at < bytes.size();) {
        const uInt n = static_cast<uInt>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        crc = ::crc32(crc, reinterpret_cast<const Bytef *>(bytes.data() + at), n);
        at += n;
    }
    return static_cast<std::uint32_t>(crc);
}

// The CRC-32 of what the descriptor reads from its start; false when the read fails.
bool CrcOf(int fd, std::uint32_t &crc) {
    uLong sum = ::crc32(0, nullptr, 0);
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        sum = ::crc32(sum, reinterpret_cast<const Bytef *>(buffer), static_cast<uInt>(n));
        at += n;
    }
    crc = static_cast<std::uint32_t>(sum);
    return true;
}

// The identity of an open regular file; false when it cannot be read.
bool IdentityOf(int fd, FileIdentity &identity) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    identity = TimeAndSize(info);
    return CrcOf(fd, identity.crc);
}

enum class Match { Absent, Same, Other };

// Whether the file at path is the one recorded: a regular file of the same size, time and bytes.
Match Compare(const std::string &path, const FileIdentity &recorded) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) return errno == ENOENT ? Match::Absent : Match::Other;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return Match::Other;
    FileIdentity found = TimeAndSize(info);
    found.crc = recorded.crc;
    if (found != recorded) return Match::Other; // the bytes are read only when all else agrees
    return CrcOf(fd.get(), found.crc) && found == recorded ? Match::Same : Match::Other;
}

std::string IdentityText(const std::optional<FileIdentity> &identity) {
    if (!identity) return "";
    char text[96];
    std::snprintf(text, sizeof text, "%" PRIu64 " %" PRId64 " %" PRId64 " %08" PRIx32, identity->size,
                  identity->seconds, identity->nanoseconds, identity->crc);
    return text;
}

// Reads what IdentityText wrote; false for anything else.
bool ParseIdentity(const std::string &text, std::optional<FileIdentity> &identity) {
    identity.reset();
    if (text.empty()) return true;
    FileIdentity id;
    int used = 0;
    if (std::sscanf(text.c_str(), "%" SCNu64 " %" SCNd64 " %" SCNd64 " %8" SCNx32 "%n", &id.size, &id.seconds,
                    &id.nanoseconds, &id.crc, &used) != 4 ||
        static_cast<std::size_t>(used) != text.size() || IdentityText(id) != text)
        return false;
    identity = id;
    return true;
}

// ---- Notices ----

std::function<void(const std::string &)> g_noticeHandler;

void Notice(const std::string &text) {
    if (g_noticeHandler)
        g_noticeHandler(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

// ---- The lock ----

[[noreturn]] void ThrowLockError(const GroupPlace &place, const std::string &what) {
    throw FileError(place.action, place.given,
                    "the lock " + DisplayName(place.lock) + " of " + DisplayName(place.anchor) + " " + what);
}

std::string KindOf(mode_t mode) {
    return S_ISDIR(mode)    ? "a folder"
           : S_ISLNK(mode)  ? "a symbolic link"
           : S_ISFIFO(mode) ? "a named pipe"
           : S_ISSOCK(mode) ? "a socket"
                            : "a device";
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

// ---- The journal ----

// One journal entry: a staged file, its target and the backup of the file it replaces, all names in
// the group's folder, with what they held when the journal was written.
struct JournalEntry {
    std::string temp, target, backup; // backup "" when the target was new
    std::optional<FileIdentity> old;  // the file replaced, none when the target was new
    FileIdentity fresh;               // the staged file
};

std::string JournalBytes(const GroupPlace &place, const std::vector<JournalEntry> &entries) {
    std::string bytes;
    for (const std::string &field :
         {std::string(JournalHeader), place.anchor, std::to_string(entries.size())})
        bytes += field + '\0';
    for (const JournalEntry &e : entries)
        for (const std::string &field :
             {e.temp, e.target, e.backup, IdentityText(e.old), IdentityText(e.fresh)})
            bytes += field + '\0';
    return bytes;
}

[[noreturn]] void ThrowForeign(const GroupPlace &place, const std::string &why) {
    throw FileError(place.action, place.given,
                    "the journal " + DisplayName(place.journal) + " is not one of " +
                        DisplayName(place.anchor) + " (" + why +
                        "); it was left alone: remove it after checking the files it names");
}

std::vector<std::string> JournalFields(const GroupPlace &place) {
    struct stat info;
    if (::lstat(place.journal.c_str(), &info) != 0) ThrowFileError("read", place.journal, errno);
    if (!S_ISREG(info.st_mode)) ThrowForeign(place, "it is " + KindOf(info.st_mode));
    if (info.st_uid != ::geteuid()) ThrowForeign(place, "it belongs to another user");
    std::string bytes;
    try {
        bytes = ReadFileBytes(place.journal, {1 * MiB, true});
    } catch (const FileError &e) {
        ThrowForeign(place, e.reason());
    }
    std::vector<std::string> fields;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) ThrowForeign(place, "it does not end as a journal ends");
        fields.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// The entries of the group's journal, or a FileError naming it when it is not one this program wrote
// for this group and this user.
std::vector<JournalEntry> ReadJournal(const GroupPlace &place) {
    const std::vector<std::string> fields = JournalFields(place);
    if (fields.size() < 3 || fields[0] != JournalHeader) ThrowForeign(place, "no journal of this version");
    if (fields[1] != place.anchor) ThrowForeign(place, "it is the journal of " + DisplayName(fields[1]));
    const std::size_t count = IsDigits(fields[2]) ? std::strtoul(fields[2].c_str(), nullptr, 10) : 0;
    if (count == 0 || fields.size() != 3 + 5 * count) ThrowForeign(place, "its entries are incomplete");
    std::vector<JournalEntry> entries;
    std::set<std::string> targets;
    for (std::size_t i = 3; i < fields.size(); i += 5) {
        JournalEntry e{fields[i], fields[i + 1], fields[i + 2], std::nullopt, {}};
        if (!IsGroupName(place, e.target) || !targets.insert(e.target).second)
            ThrowForeign(place, "it names " + DisplayName(e.target));
        if (!IsStagedName(place, e.temp))
            ThrowForeign(place, "it names " + DisplayName(e.temp) + " as staged");
        if (!e.backup.empty() && !IsStagedName(place, e.backup))
            ThrowForeign(place, "it names " + DisplayName(e.backup) + " as a backup");
        std::optional<FileIdentity> fresh;
        if (!ParseIdentity(fields[i + 3], e.old) || !ParseIdentity(fields[i + 4], fresh) || !fresh ||
            e.old.has_value() == e.backup.empty())
            ThrowForeign(place, "it records " + DisplayName(e.target) + " in no known form");
        e.fresh = *fresh;
        entries.push_back(e);
    }
    return entries;
}

// How far a journal's entry got: its staged file still waits (Pending), was renamed over the target
// (Done), or was given up with the target put back (Undone); Stale when the files are not those the
// journal recorded.
enum class State { Pending, Done, Undone, Stale };

State StateOf(const GroupPlace &place, const JournalEntry &e) {
    const std::string target = place.In(e.target);
    const Match temp = Compare(place.In(e.temp), e.fresh);
    const bool targetIsOld = e.old ? Compare(target, *e.old) == Match::Same : !Exists(target);
    if (temp == Match::Same) return targetIsOld ? State::Pending : State::Stale;
    if (temp == Match::Other) return State::Stale;
    if (Compare(target, e.fresh) == Match::Same) return State::Done;
    return targetIsOld ? State::Undone : State::Stale;
}

// Puts back what the done entries replaced and removes the staged files that wait; what could not be
// put back, for the text of the failure.
std::string RollBack(const GroupPlace &place, const std::vector<JournalEntry> &entries,
                     const std::vector<State> &states) {
    std::string lost;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const JournalEntry &e = entries[i];
        const std::string target = place.In(e.target);
        if (states[i] == State::Pending) ::unlink(place.In(e.temp).c_str());
        if (states[i] != State::Done) continue;
        const bool back =
            e.old ? ::rename(place.In(e.backup).c_str(), target.c_str()) == 0 : ::unlink(target.c_str()) == 0;
        if (!back) lost += "; " + DisplayName(e.target) + " could not be put back: " + std::strerror(errno);
    }
    return lost;
}

// Drops a journal whose files are no longer those it recorded, leaving the files as they are.
void DiscardStaleJournal(const GroupPlace &place, const std::string &why) {
    ::unlink(place.journal.c_str());
    SyncFolder(place.folder);
    Notice(DisplayName(place.given) + ": an interrupted replacement was dropped, not finished: " + why +
           "; the files are left as they are");
}

// Finishes the replacement the group's journal describes, when there is one: forward while every
// staged file waits or is in place, back (from the backups) once one was given up. Files that are not
// those the journal recorded make it stale; a journal that is not the group's is refused.
void FinishJournal(const GroupPlace &place) {
    if (!Exists(place.journal)) return;
    const std::vector<JournalEntry> entries = ReadJournal(place);
    std::vector<State> states;
    bool undone = false;
    for (const JournalEntry &e : entries) {
        states.push_back(StateOf(place, e));
        if (states.back() == State::Stale)
            return DiscardStaleJournal(place, DisplayName(e.target) + " changed after it began");
        undone |= states.back() == State::Undone;
    }
    for (std::size_t i = 0; undone && i < entries.size(); ++i)
        if (states[i] == State::Done && entries[i].old &&
            Compare(place.In(entries[i].backup), *entries[i].old) != Match::Same)
            return DiscardStaleJournal(place, "the backup of " + DisplayName(entries[i].target) + " is gone");
    int error = 0;
    std::string failed, lost;
    for (std::size_t i = 0; !undone && !error && i < entries.size(); ++i) {
        if (states[i] != State::Pending) continue;
        if (::rename(place.In(entries[i].temp).c_str(), place.In(entries[i].target).c_str()) != 0) {
            error = errno;
            failed = entries[i].target;
        } else {
            states[i] = State::Done;
        }
    }
    if (undone || error) lost = RollBack(place, entries, states);
    for (const JournalEntry &e : entries)
        if (!e.backup.empty()) ::unlink(place.In(e.backup).c_str());
    SyncFolder(place.folder);
    ::unlink(place.journal.c_str());
    SyncFolder(place.folder);
    if (error)
        throw FileError(place.action, place.given,
                        "an interrupted replacement of " + DisplayName(place.In(failed)) +
                            " failed: " + std::strerror(error) + lost);
}

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

void SetFileNoticeHandler(std::function<void(const std::string &)> handler) {
    g_noticeHandler = std::move(handler);
}

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
