// The journal of a group of files replaced together, and what it records of each file: shared by the
// group's writer and its readers. Private to files/.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace journal {

// Where a group keeps its lock, its journal and its temporary files.
struct GroupPlace {
    std::string given, action; // the file and the action (read, write) that failures are reported for
    std::string folder;        // the anchor's folder, absolute, links followed
    std::string anchor;        // the anchor's name in it
    std::string lock, journal;
    std::string start; // of the group's temporary files
    std::string In(const std::string &name) const { return folder + "/" + name; }
};

// What a journal records of a file: its size, its modification time and the CRC-32 of its bytes.
struct FileIdentity {
    std::uint64_t size = 0;
    std::int64_t seconds = 0, nanoseconds = 0;
    std::uint32_t crc = 0;
    bool operator==(const FileIdentity &) const = default;
};

enum class Match { Absent, Same, Other };

// One journal entry: a staged file, its target and the backup of the file it replaces, all names in
// the group's folder, with what they held when the journal was written.
struct JournalEntry {
    std::string temp, target, backup; // backup "" when the target was new
    std::optional<FileIdentity> old;  // the file replaced, none when the target was new
    FileIdentity fresh;               // the staged file
};

bool Exists(const std::string &path);

// A file of the group: a plain name in its folder made from the anchor's name without its extension,
// alone or followed by "." or "-".
bool IsGroupName(const GroupPlace &place, const std::string &name);

FileIdentity TimeAndSize(const struct stat &info);
std::uint32_t Crc(std::string_view bytes);
// The identity of an open regular file; false when it cannot be read.
bool IdentityOf(int fd, FileIdentity &identity);
// Whether the file at path is the one recorded: a regular file of the same size, time and bytes.
Match Compare(const std::string &path, const FileIdentity &recorded);

// "a folder", "a named pipe", ...: what a name that should be a file is.
std::string KindOf(mode_t mode);

// A notice for the user, through the handler of SetFileNoticeHandler (else on standard error).
void Notice(const std::string &text);

// The bytes of the group's journal for the entries.
std::string JournalBytes(const GroupPlace &place, const std::vector<JournalEntry> &entries);

// Finishes the replacement the group's journal describes, when there is one (see fileio_journal.cpp).
void FinishJournal(const GroupPlace &place);

} // namespace journal
