// The file layer that every subsystem stands on: bounded whole-file reads, line splitting, atomic writes
// of single files and of file groups, and messages that name the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The text with every byte that a terminal or a message box would not show as itself written as
// \xHH: control bytes, DEL, C1 controls and bytes that are not part of valid UTF-8. Printable text
// (and text already escaped) is returned unchanged.
std::string PrintableText(std::string_view text);

// A file name as messages show it: PrintableText, and "" for the empty name.
std::string DisplayName(const std::string &path);

// A file could not be read, written, renamed or removed; what() names the file and the failure,
// for example "cannot read a.rom: No such file or directory".
class FileError : public std::runtime_error {
public:
    FileError(const std::string &action, const std::string &path, const std::string &reason)
        : std::runtime_error("cannot " + action + " " + DisplayName(path) + ": " + reason), m_path(path),
          m_reason(reason) {}
    const std::string &path() const { return m_path; }     // the file concerned
    const std::string &reason() const { return m_reason; } // the failure without the file's name

private:
    std::string m_path;
    std::string m_reason;
};

// A file was read but its contents are not what the command needs, for example "Wrong file format!".
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "cannot <action> <path>: <text of errno>", thrown as a FileError by the helpers below.
[[noreturn]] void ThrowFileError(const std::string &action, const std::string &path, int errorNumber);

// What a reader accepts: files larger than the limit are refused as "File too large", and a file that
// must be regular (the defaults file) is refused when it is a pipe, a device or a socket. A reader of
// lines may also refuse a line longer than lineBytes, as soon as the read reaches past it.
struct ReadLimit {
    std::size_t bytes;
    bool regularOnly = false;
    std::size_t lineBytes = 0; // 0: lines of any length
};
constexpr std::size_t MiB = 1024 * 1024;
constexpr ReadLimit ProgramFileLimit{64 * MiB}; // program texts and program-set files
constexpr ReadLimit TimeValueFileLimit{256 * MiB};
constexpr ReadLimit EpromFileLimit{64 * MiB}; // EPROM and aux images
constexpr ReadLimit DefaultsFileLimit{1 * MiB, true};
// No program text, program-set file or imported program has more lines: a program never uses more
// than a few thousand, and each line costs memory beyond its bytes.
constexpr std::size_t ProgramLineLimit = 1u << 20;

// The whole file as bytes (Latin-1 text is kept byte for byte), read through links, pipes and devices
// up to the limit, never waiting for a pipe that has no writer. A larger file gives "File too large
// (the limit is N MiB)", a failed allocation "out of memory". Throws FileError.
std::string ReadFileBytes(const std::string &path, const ReadLimit &limit = ProgramFileLimit);

// The lines of a text: CR LF or a lone LF ends a line; a break at the very end starts no further
// line, so an empty text has zero lines.
std::vector<std::string> SplitLines(std::string_view bytes);

// The lines of a text one at a time, split as SplitLines splits them, without copying them.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : m_bytes(bytes) {}
    // The next line; false at the end of the text.
    bool Next(std::string_view &line);

private:
    std::string_view m_bytes;
    std::size_t m_position = 0;
};

// The number of lines SplitLines would give.
std::size_t CountLines(std::string_view bytes);

// SplitLines of a file read with ReadFileBytes; more than ProgramLineLimit lines are "File too large".
// Throws FileError.
std::vector<std::string> ReadFileLines(const std::string &path, const ReadLimit &limit = ProgramFileLimit);

// Throws the FileError of a text with more lines than a program may have.
void CheckLineCount(const std::string &path, std::size_t lines);

// Runs read(), reporting a failed allocation as FileError "out of memory" naming the file.
template <class Read> auto ReadingFile(const std::string &path, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const std::bad_alloc &) {
        throw FileError("read", path, "out of memory");
    }
}

// Every line followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string> &lines);

// The folder part of a path ("." when it has none) and the name without its folder.
std::string FolderOf(const std::string &path);
std::string FileNameOf(const std::string &path);

// Refuses an output that is one of the inputs (the same file, also through a link or another hard
// link): FileError "the output would replace the input file IN" naming the output.
void CheckOutputIsNoInput(const std::string &output, const std::vector<std::string> &inputs);

// Makes sure descriptors 0, 1 and 2 are open, so that no file this process opens takes their place
// and receives what is printed; a closed one is opened on /dev/null such that writes to it fail.
void ReserveStandardDescriptors();

// Writes the bytes to a temporary file in the target's folder and renames it over the target when
// complete; on failure the target is untouched. The temporary file is removed on failure, also when
// the process is stopped by SIGINT, SIGTERM or SIGHUP, and by the next writer of the target when the
// process was killed. A symbolic link is written through to the file it names (created when the link
// dangles); an existing target the user may not write is refused with "Permission denied"; a replaced
// file keeps its mode, owner and group where the process may keep them, a new one gets 0666 less the
// umask. A target that is a device, a pipe or a socket is written in place. Throws FileError.
void WriteFileAtomically(const std::string &path, std::string_view bytes);

// One member of a file group: its path and its new content.
struct FileContent {
    std::string path;
    std::string bytes;
};

// Replaces every file of the group or none, each as WriteFileAtomically would (regular files only). Writers
// of groups with the same anchor (the file that names the group, for the EPROM and aux pair the aux file) are
// serialised by a lock beside the anchor, a regular file that is refused, naming it, when anything else has
// its name. A group of several files keeps a journal beside the anchor, written before the first rename and
// removed after the last, so that the next writer or reader of the group finishes a replacement that was
// interrupted and the group is never seen half replaced; its files must then be, links followed, in the
// anchor's folder and named after it: the anchor's name without its extension, alone or followed by "." or
// "-" (for out.aux: out.bin, out.hex, out.aux.hex; for sets.rom: sets-1.rom). A journal is finished only
// while its files are those it recorded; a stale one is dropped with a notice, the files left as they are,
// and a journal that names other files is refused as foreign and left alone. Throws FileError naming the
// member that failed (or the lock or journal); the group is then as it was.
void ReplaceFileGroup(const std::string &anchor, const std::vector<FileContent> &files);

// Reads the file as ReadFileBytes does (nullopt when it does not exist), makes its new content with
// update and replaces it as ReplaceFileGroup replaces a group of one, all under the file's group lock:
// two updates of one file (two `put` into one set) run one after the other and neither loses the
// other's change. Exceptions of update pass through with the file untouched. Throws FileError.
void UpdateFileAtomically(const std::string &path, const ReadLimit &limit,
                          const std::function<std::string(const std::optional<std::string> &)> &update);

// The files of a group as ReadFileBytes reads them, read under the group's lock after finishing an
// interrupted replacement, so that they come from one writer. Every reader of a group's files reads
// them so. Throws FileError.
std::vector<std::string> ReadFileGroup(const std::string &anchor, const std::vector<std::string> &paths,
                                       const ReadLimit &limit);

// Where the notices of the file layer go (a stale journal that was dropped); standard error, one line
// each, when no handler is set.
void SetFileNoticeHandler(std::function<void(const std::string &)> handler);

// Tests stop a writer at each step of a replacement: the hook runs after the temporary files are
// written, after the journal is in place, after each rename and after the journal is removed.
void SetReplaceStepHook(void (*hook)());
