// File access of the ROM-file subsystem: whole-file reads, line splitting and atomic writes.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A file could not be read, written, renamed or removed; what() names the file and the failure,
// for example "cannot read a.rom: No such file or directory".
class FileError : public std::runtime_error {
public:
    explicit FileError(const std::string &message) : std::runtime_error(message), m_reason(message) {}
    FileError(const std::string &action, const std::string &path, const std::string &reason)
        : std::runtime_error("cannot " + action + " " + path + ": " + reason), m_path(path),
          m_reason(reason) {}
    const std::string &path() const { return m_path; }     // the file concerned; may be empty
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

// The whole file as bytes (Latin-1 text is kept byte for byte). Throws FileError.
std::string ReadFileBytes(const std::string &path);

// The lines of a text: CR LF or a lone LF ends a line; a break at the very end starts no further
// line, so an empty text has zero lines.
std::vector<std::string> SplitLines(std::string_view bytes);

// Every line followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string> &lines);

// The folder part of a path ("." when it has none) and the name without its folder.
std::string FolderOf(const std::string &path);
std::string FileNameOf(const std::string &path);

// A complete new content for a target file, held in a temporary file with a unique name in the
// target's folder until Commit renames it over the target. A file that is never committed is
// removed. The temporary file already carries the target's permissions (0666 less the umask for a
// new file). A target that is a device, a pipe or a socket is not replaced but written in place by
// Commit. Throws FileError.
class StagedFile {
public:
    StagedFile(const std::string &target, std::string_view bytes);
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;
    ~StagedFile();

    // Replaces the target with the staged content in one rename.
    void Commit();
    const std::string &target() const { return m_name; }

private:
    std::string m_name;   // the target as given, for messages
    std::string m_target; // the path written (a symbolic link's destination when the target is a link)
    std::string m_temp;   // empty once committed or removed
    std::optional<std::string> m_inPlace; // the content for a device, pipe or socket target
};

// Writes the bytes to a temporary file beside the target and renames it over the target when
// complete; on failure the target is untouched and the temporary file removed. A device, pipe or
// socket is written in place. Throws FileError.
void WriteFileAtomically(const std::string &path, std::string_view bytes);
