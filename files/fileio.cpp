// The file layer: messages, bounded whole-file reads and line splitting.
#include "files/fileio.h"

#include "files/fileio_posix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

void ThrowFileError(const std::string &action, const std::string &path, int errorNumber) {
    throw FileError(action, path, std::strerror(errorNumber));
}

namespace {

// The length of the valid UTF-8 sequence at text[i] that encodes a printable character, else 0.
std::size_t PrintableUtf8(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead >= 0x20 && lead < 0x7F) return 1;
    std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return 0;
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    static constexpr std::uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < Smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    if (code < 0xA0) return 0; // C1 controls
    return length;
}

std::string MiBText(std::size_t bytes) {
    return bytes % MiB == 0 ? std::to_string(bytes / MiB) + " MiB" : std::to_string(bytes) + " bytes";
}

// The kernel's memory devices (/dev/zero, /dev/full, /dev/urandom...) never end; /dev/null is empty.
bool IsEndlessDevice(const struct stat &info) {
    return S_ISCHR(info.st_mode) && major(info.st_rdev) == 1 && minor(info.st_rdev) != 3;
}

[[noreturn]] void ThrowTooLarge(const std::string &path, std::size_t limit) {
    throw FileError("read", path, "File too large (the limit is " + MiBText(limit) + ")");
}

// Follows the lines of what is read, chunk by chunk, and refuses a line longer than the limit as soon as
// the bytes read pass it, before the rest of the file is read.
class LineLengthCheck {
public:
    LineLengthCheck(const std::string &path, std::size_t limit) : m_path(path), m_limit(limit) {}
    void Read(const std::string &bytes, std::size_t from, std::size_t to) {
        if (m_limit == 0) return;
        for (std::size_t at = from; at < to;) {
            const void *end = std::memchr(bytes.data() + at, '\n', to - at);
            if (!end) {
                if (to - m_lineStart > m_limit) Refuse();
                return;
            }
            at = static_cast<std::size_t>(static_cast<const char *>(end) - bytes.data());
            if (at - m_lineStart > m_limit) Refuse();
            m_lineStart = ++at;
            ++m_line;
        }
    }

private:
    [[noreturn]] void Refuse() const {
        throw FileError("read", m_path,
                        "line " + std::to_string(m_line) + " is longer than " + MiBText(m_limit) +
                            ": no such file has lines that long");
    }
    const std::string &m_path;
    std::size_t m_limit, m_lineStart = 0, m_line = 1;
};

// Reads what the descriptor holds up to the limit; the file's size, when known, sizes the buffer (with a
// line limit, at first only a part of it, so that a file of one endless line is refused early).
std::string ReadAll(int fd, const std::string &path, const ReadLimit &limit, std::size_t expected) {
    std::string bytes;
    std::size_t first = std::min(expected, limit.bytes) + 1;
    if (limit.lineBytes > 0) first = std::min(first, 4 * limit.lineBytes);
    bytes.resize(std::max<std::size_t>(first, 65536));
    LineLengthCheck lines(path, limit.lineBytes);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > limit.bytes) ThrowTooLarge(path, limit.bytes);
            bytes.resize(std::min(std::max(2 * used, expected + 1), limit.bytes + 1));
        }
        ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowFileError("read", path, errno);
        }
        if (n == 0) break;
        lines.Read(bytes, used, used + static_cast<std::size_t>(n));
        used += static_cast<std::size_t>(n);
    }
    if (used > limit.bytes) ThrowTooLarge(path, limit.bytes);
    bytes.resize(used);
    // A regular file was read into its own size: copying it to drop one byte would need it twice.
    if (bytes.capacity() - used > used / 8) bytes.shrink_to_fit();
    return bytes;
}

} // namespace

std::string PrintableText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (std::size_t length = PrintableUtf8(text, i)) {
            shown.append(text.substr(i, length));
            i += length;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[i++]));
            shown += escape;
        }
    }
    return shown;
}

std::string DisplayName(const std::string &path) { return path.empty() ? "\"\"" : PrintableText(path); }

std::string ReadFileBytes(const std::string &path, const ReadLimit &limit) {
    return ReadingFile(path, [&] {
        // Without O_NONBLOCK, opening a named pipe waits for a writer; reads block again afterwards.
        Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (fd.get() < 0) ThrowFileError("read", path, errno);
        struct stat info;
        if (::fstat(fd.get(), &info) != 0) ThrowFileError("read", path, errno);
        if (S_ISDIR(info.st_mode)) ThrowFileError("read", path, EISDIR);
        const bool regular = S_ISREG(info.st_mode);
        if (!regular && limit.regularOnly) throw FileError("read", path, "not a regular file");
        if (regular && static_cast<std::uintmax_t>(info.st_size) > limit.bytes)
            ThrowTooLarge(path, limit.bytes);
        if (IsEndlessDevice(info)) ThrowTooLarge(path, limit.bytes);
        ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
        return ReadAll(fd.get(), path, limit, regular ? static_cast<std::size_t>(info.st_size) : 0);
    });
}

std::size_t CountLines(std::string_view bytes) {
    std::size_t lines = 0;
    for (char c : bytes) lines += c == '\n';
    return lines + (!bytes.empty() && bytes.back() != '\n');
}

bool LineReader::Next(std::string_view &line) {
    if (m_position >= m_bytes.size()) return false;
    std::size_t end = m_bytes.find('\n', m_position);
    if (end == std::string_view::npos) end = m_bytes.size();
    std::size_t lineEnd = end;
    if (end < m_bytes.size() && lineEnd > m_position && m_bytes[lineEnd - 1] == '\r') --lineEnd;
    line = m_bytes.substr(m_position, lineEnd - m_position);
    m_position = end + 1;
    return true;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    lines.reserve(CountLines(bytes));
    LineReader reader(bytes);
    for (std::string_view line; reader.Next(line);) lines.emplace_back(line);
    return lines;
}

void CheckLineCount(const std::string &path, std::size_t lines) {
    if (lines > ProgramLineLimit)
        throw FileError("read", path,
                        "File too large (more than " + std::to_string(ProgramLineLimit) + " lines)");
}

std::vector<std::string> ReadFileLines(const std::string &path, const ReadLimit &limit) {
    return ReadingFile(path, [&] {
        const std::string bytes = ReadFileBytes(path, limit);
        CheckLineCount(path, CountLines(bytes));
        return SplitLines(bytes);
    });
}

std::string JoinLinesCrLf(const std::vector<std::string> &lines) {
    std::size_t size = 0;
    for (const auto &line : lines) size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const auto &line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

std::string FolderOf(const std::string &path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string &path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void CheckOutputIsNoInput(const std::string &output, const std::vector<std::string> &inputs) {
    struct stat out, in;
    if (::stat(output.c_str(), &out) != 0) return; // a new file is no input
    for (const std::string &input : inputs)
        if (::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
            throw FileError("write", output, "the output would replace the input file " + DisplayName(input));
}

void ReserveStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // Input reads nothing; output fails with "Bad file descriptor", as it did while closed.
        int opened = ::open("/dev/null", O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}
