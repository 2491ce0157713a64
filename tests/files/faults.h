// Faults for tests of failing reads and writes, made without permissions (tests run as root): a full
// disk, a full device, a folder that even root cannot write and a file that even root cannot read.
#pragma once

#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <grp.h>
#include <random>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

// While it lives, a write that would make a regular file larger than the limit fails with EFBIG
// ("File too large") instead of raising SIGXFSZ: a full disk as far as a writer can tell. Child
// processes inherit both the limit and the ignored signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

// Makes a character device at path that acts as /dev/full (major 1, minor 7: every write fails with
// ENOSPC) or /dev/null (minor 3). False when the process may not make device nodes.
inline bool MakeMemoryDevice(const std::string &path, unsigned minor) {
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}
constexpr unsigned FullDevice = 7, NullDevice = 3;

inline bool IsCharacterDevice(const std::string &path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// A folder in which this process cannot create a file, even as root (sysfs refuses new files with
// EACCES, procfs with ENOENT); empty when it can write in every candidate.
inline std::string UnwritableFolder() {
    for (const char *folder : {"/sys", "/proc/self"}) {
        const std::string probe = std::string(folder) + "/quillard-probe";
        int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) return folder;
        ::close(fd);
        ::unlink(probe.c_str());
    }
    return {};
}

// A file that opens but whose read fails (EIO) even for root: the memory of this process at address 0.
constexpr const char *UnreadableFile = "/proc/self/mem";

// Random bytes; with avoid, none of its bytes appears.
inline std::string Garbage(std::size_t size, unsigned seed, std::string_view avoid = "") {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char &c : bytes) {
        do c = static_cast<char>(random() & 0xFF);
        while (avoid.find(c) != std::string_view::npos);
    }
    return bytes;
}

// Runs body in a child process made by fork() and returns its wait status. What body returns is
// handed back through out; the child exits 0, or 1 when body throws.
template <class Body> int InChild(Body body, std::string *out = nullptr) {
    int channel[2];
    if (::pipe(channel) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        int code = 0;
        try {
            const std::string text = body();
            if (::write(channel[1], text.data(), text.size()) < 0) code = 2;
        } catch (...) {
            code = 1;
        }
        ::_exit(code);
    }
    ::close(channel[1]);
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        if (out) out->append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = -1;
    ::waitpid(child, &status, 0);
    return status;
}

// Gives up root for the unprivileged user "nobody" (65534), so that file modes apply.
inline bool DropToNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
}
