// The file layer: the journal of a group of files (the EPROM and aux pair and their copies), which lets
// the next writer or reader finish an interrupted replacement.
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
#include "files/fileio_journal.h"

#include "files/fileio.h"
#include "files/fileio_posix.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <set>
#include <zlib.h>

namespace journal {

namespace {

constexpr std::string_view JournalHeader = "quillard journal 2";

} // namespace

bool Exists(const std::string &path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// ---- Names ----

namespace {

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

} // namespace

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

namespace {

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

} // namespace

// The identity of an open regular file; false when it cannot be read.
bool IdentityOf(int fd, FileIdentity &identity) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    identity = TimeAndSize(info);
    return CrcOf(fd, identity.crc);
}

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

namespace {

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

} // namespace

// ---- Notices ----

namespace {} // namespace
std::function<void(const std::string &)> g_noticeHandler;

void Notice(const std::string &text) {
    if (g_noticeHandler)
        g_noticeHandler(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

std::string KindOf(mode_t mode) {
    return S_ISDIR(mode)    ? "a folder"
           : S_ISLNK(mode)  ? "a symbolic link"
           : S_ISFIFO(mode) ? "a named pipe"
           : S_ISSOCK(mode) ? "a socket"
                            : "a device";
}

// ---- The journal ----

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

namespace {

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

} // namespace

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
} // namespace journal

void SetFileNoticeHandler(std::function<void(const std::string &)> handler) {
    journal::g_noticeHandler = std::move(handler);
}
