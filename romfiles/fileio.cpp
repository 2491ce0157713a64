// File access of the ROM-file subsystem: whole-file reads, line splitting and atomic writes.
#include "romfiles/fileio.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void ThrowFileError(const std::string &action, const std::string &path, int errorNumber) {
    throw FileError(action, path, std::strerror(errorNumber));
}

namespace {

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int get() const { return m_fd; }
    // Closes now and reports the result, so a failing close is not lost.
    int close() {
        int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The file that a write to path must replace: the destination of a symbolic link, else path itself.
std::string WriteTarget(const std::string &path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) return resolved;
    }
    return path;
}

// A target that exists and is neither a regular file nor a folder: a device such as /dev/null, a
// pipe or a socket. Renaming over it would replace it, so it is written in place.
bool IsSpecialFile(const std::string &path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

// Writes every byte; 0, or the errno of the failure.
int WriteAll(int fd, std::string_view bytes) {
    const char *data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace

std::string ReadFileBytes(const std::string &path) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) ThrowFileError("read", path, errno);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowFileError("read", path, errno);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        std::size_t lineEnd = end;
        if (lineEnd > start && bytes[lineEnd - 1] == '\r') --lineEnd;
        lines.emplace_back(bytes.substr(start, lineEnd - start));
        start = end + 1;
    }
    return lines;
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

StagedFile::StagedFile(const std::string &target, std::string_view bytes)
    : m_name(target), m_target(WriteTarget(target)) {
    if (IsSpecialFile(m_target)) {
        m_inPlace = std::string(bytes);
        return;
    }
    std::string pattern = FolderOf(m_target) + "/." + FileNameOf(m_target) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    Descriptor fd(::mkstemp(name.data()));
    if (fd.get() < 0) ThrowFileError("write", target, errno);
    m_temp = name.data();

    // A replaced file keeps its permissions; a new one gets what creat() would have given it.
    struct stat info;
    mode_t mode = ::stat(m_target.c_str(), &info) == 0 ? (info.st_mode & 07777) : NewFileMode();
    auto fail = [&](int errorNumber) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
        ThrowFileError("write", target, errorNumber);
    };
    if (::fchmod(fd.get(), mode) != 0) fail(errno);
    if (int error = WriteAll(fd.get(), bytes)) fail(error);
    if (::fsync(fd.get()) != 0) fail(errno);
    if (fd.close() != 0) fail(errno);
}

StagedFile::~StagedFile() {
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
}

void StagedFile::Commit() {
    if (m_inPlace) {
        Descriptor fd(::open(m_target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (fd.get() < 0) ThrowFileError("write", m_name, errno);
        if (int error = WriteAll(fd.get(), *m_inPlace)) ThrowFileError("write", m_name, error);
        if (fd.close() != 0) ThrowFileError("write", m_name, errno);
        m_inPlace.reset();
        return;
    }
    if (m_temp.empty()) return;
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) ThrowFileError("write", m_name, errno);
    m_temp.clear();
}

void WriteFileAtomically(const std::string &path, std::string_view bytes) {
    StagedFile staged(path, bytes);
    staged.Commit();
}
