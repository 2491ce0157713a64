// The file layer: write targets, temporary files and their clean-up, and the atomic write of a single
// file.
#include "files/fileio.h"

#include "files/fileio_posix.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/file.h>

namespace {

// ---- Clean-up on SIGINT, SIGTERM and SIGHUP ----
// The handler may only use async-signal-safe calls, so the temporary files live in a fixed table.
// A slot's version is odd while its path changes; the handler skips a slot that changed under it.

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int SlotCount = 64;

struct Slot {
    std::atomic<bool> taken{false};
    std::atomic<unsigned> version{0};
    pid_t owner = 0;     // a child made by fork() does not remove its parent's files
    bool folder = false; // removed after the files, once they are gone
    char path[PATH_MAX] = {};
};
Slot g_slots[SlotCount];

// 0: signals act at once; -1: a group is being replaced; above 0: that signal came meanwhile.
std::atomic<int> g_deferred{0};

void (*g_stepHook)() = nullptr;

// The files first, then the folders that held them.
void RemoveOwnTempFiles() {
    const pid_t self = ::getpid();
    char path[PATH_MAX];
    for (const bool folders : {false, true})
        for (Slot &slot : g_slots) {
            const unsigned before = slot.version.load(std::memory_order_acquire);
            if (before & 1) continue;
            std::size_t i = 0;
            for (; i + 1 < sizeof path && slot.path[i]; ++i) path[i] = slot.path[i];
            path[i] = '\0';
            const pid_t owner = slot.owner;
            const bool folder = slot.folder;
            if (slot.version.load(std::memory_order_acquire) != before) continue;
            if (!path[0] || owner != self || folder != folders) continue;
            if (folder)
                ::rmdir(path);
            else
                ::unlink(path);
        }
}

void StopNow(int signalNumber) {
    RemoveOwnTempFiles();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigaction(signalNumber, &action, nullptr);
    ::raise(signalNumber);
}

void OnStopSignal(int signalNumber) {
    int expected = -1;
    if (g_deferred.compare_exchange_strong(expected, signalNumber)) return; // after the replacement
    if (expected > 0) return;                                               // one is already waiting
    StopNow(signalNumber);
}

// Installs the handler where the signals still have their default action, so that a handler of the
// program, or a signal it ignores, is left alone.
void InstallStopHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signalNumber : StopSignals) {
            struct sigaction old {};
            if (::sigaction(signalNumber, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
            struct sigaction action {};
            action.sa_handler = OnStopSignal;
            action.sa_flags = SA_RESTART;
            sigemptyset(&action.sa_mask);
            ::sigaction(signalNumber, &action, nullptr);
        }
    });
}

void WriteSlot(Slot &slot, const char *path, bool folder) {
    slot.version.fetch_add(1, std::memory_order_acq_rel);
    slot.owner = ::getpid();
    slot.folder = folder;
    std::snprintf(slot.path, sizeof slot.path, "%s", path);
    slot.version.fetch_add(1, std::memory_order_acq_rel);
}

int RegisterPath(const std::string &path, bool folder = false) {
    InstallStopHandlers();
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < SlotCount; ++i) {
        bool expected = false;
        if (!g_slots[i].taken.compare_exchange_strong(expected, true)) continue;
        WriteSlot(g_slots[i], path.c_str(), folder);
        return i;
    }
    return -1; // a full table: the next writer of the target removes the file
}

void UnregisterPath(int slot) {
    if (slot < 0) return;
    WriteSlot(g_slots[slot], "", false);
    g_slots[slot].taken.store(false, std::memory_order_release);
}

std::uint32_t NameHash(const std::string &name) {
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    return hash;
}

// The process id in a temporary file's name after its start, or 0.
pid_t PidOfTempName(const std::string &name, std::size_t start) {
    long pid = 0;
    std::size_t i = start;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < 100000000; ++i)
        pid = pid * 10 + (name[i] - '0');
    return i < name.size() && name[i] == '.' ? static_cast<pid_t>(pid) : 0;
}

bool ProcessIsGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

} // namespace

// ---- Shared pieces ----

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

WriteTarget ResolveLinks(const std::string &given, const char *action) {
    if (given.empty()) ThrowFileError(action, given, ENOENT);
    // A pipe, device or socket, also one reached through /dev/stdout, is used by the name given: the
    // links of /proc/self/fd name no file for a pipe.
    WriteTarget special;
    if (::stat(given.c_str(), &special.info) == 0 && !S_ISREG(special.info.st_mode) &&
        !S_ISDIR(special.info.st_mode)) {
        special.path = given;
        special.exists = true;
        return special;
    }
    std::string path = given;
    for (int hops = 0;; ++hops) {
        WriteTarget target;
        target.path = path;
        if (::lstat(path.c_str(), &target.info) != 0) {
            if (errno != ENOENT) ThrowFileError(action, given, errno);
            // A new file (or the file a dangling link names): its folder must exist.
            struct stat folder;
            if (::stat(FolderOf(path).c_str(), &folder) != 0) ThrowFileError(action, given, errno);
            if (!S_ISDIR(folder.st_mode)) ThrowFileError(action, given, ENOTDIR);
            return target;
        }
        target.exists = true;
        if (!S_ISLNK(target.info.st_mode)) return target;
        if (hops == 40) ThrowFileError(action, given, ELOOP);
        std::string link(
            static_cast<std::size_t>(target.info.st_size > 0 ? target.info.st_size : PATH_MAX) + 1, '\0');
        ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) ThrowFileError(action, given, errno);
        link.resize(static_cast<std::size_t>(n));
        if (link.empty()) ThrowFileError(action, given, ENOENT);
        path = link.front() == '/' ? link : FolderOf(path) + "/" + link;
    }
}

WriteTarget ResolveWriteTarget(const std::string &given) {
    WriteTarget target = ResolveLinks(given, "write");
    if (!target.exists) return target;
    if (S_ISDIR(target.info.st_mode)) ThrowFileError("write", given, EISDIR);
    // Refused as a shell redirection would refuse it; root may write a read-only file.
    if (S_ISREG(target.info.st_mode) && ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0)
        ThrowFileError("write", given, errno);
    return target;
}

std::string TempStart(char kind, const std::string &name) {
    char start[16];
    std::snprintf(start, sizeof start, ".q%c%08x", kind, static_cast<unsigned>(NameHash(name)));
    return start;
}

std::string NextTempName(const std::string &folder, const std::string &start) {
    static std::atomic<unsigned> counter{0};
    return folder + "/" + start + "." + std::to_string(::getpid()) + "." + std::to_string(counter++);
}

int RegisterStopRemoval(const std::string &path, bool folder) { return RegisterPath(path, folder); }

void ForgetStopRemoval(int slot) { UnregisterPath(slot); }

TempFile AdoptTempFile(const std::string &path, Descriptor fd) {
    TempFile temp;
    temp.path = path;
    temp.fd = std::move(fd);
    temp.slot = RegisterPath(path);
    return temp;
}

TempFile ReserveTempName(const std::string &folder, const std::string &start) {
    TempFile temp;
    temp.path = NextTempName(folder, start);
    temp.slot = RegisterPath(temp.path);
    return temp;
}

TempFile CreateTempFile(const std::string &folder, const std::string &start, mode_t mode,
                        const std::string &given) {
    for (int attempt = 0;; ++attempt) {
        // Registered before it exists, so that no signal finds it made and not yet registered.
        TempFile temp = ReserveTempName(folder, start);
        temp.fd = Descriptor(::open(temp.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                    mode ? mode : 0666));
        if (temp.fd.get() >= 0) {
            // The lock tells a cleaner that the writer lives, also from another machine or pid namespace.
            ::flock(temp.fd.get(), LOCK_EX | LOCK_NB);
            return temp;
        }
        const int error = errno;
        ForgetTempFile(temp);
        if (error != EEXIST || attempt == 100) ThrowFileError("write", given, error);
    }
}

void ForgetTempFile(TempFile &temp) {
    UnregisterPath(temp.slot);
    temp.slot = -1;
    temp.path.clear();
    temp.fd.reset();
}

void RemoveTempFile(TempFile &temp) {
    if (!temp.path.empty()) ::unlink(temp.path.c_str());
    ForgetTempFile(temp);
}

void RemoveDeadTempFiles(const std::string &folder, const std::string &start) {
    DIR *dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string prefix = start + ".";
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        if (!ProcessIsGone(PidOfTempName(name, prefix.size()))) continue;
        const std::string path = folder + "/" + name;
        Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat info;
        if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
    }
    ::closedir(dir);
}

void CopyOwnerAndMode(int fd, const struct stat &replaced) {
    mode_t mode = replaced.st_mode & 07777;
    if (::fchown(fd, replaced.st_uid, replaced.st_gid) != 0) {
        mode &= ~S_ISUID; // never a set-user-id file of another owner
        if (::fchown(fd, static_cast<uid_t>(-1), replaced.st_gid) != 0) mode &= ~S_ISGID;
    }
    ::fchmod(fd, mode);
}

void SyncFolder(const std::string &folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

void DeferSignals() { g_deferred.store(-1); }

void UndeferSignals() {
    const int waiting = g_deferred.exchange(0);
    if (waiting > 0) StopNow(waiting);
}

void ReplaceStep() {
    if (g_stepHook) g_stepHook();
}

void SetReplaceStepHook(void (*hook)()) { g_stepHook = hook; }

// ---- A single file ----

namespace {

// A complete new content for a target file, held in a temporary file in the target's folder until
// Commit renames it over the target; a file that is never committed is removed. A target that is a
// device, a pipe or a socket is written in place by Commit.
class StagedFile {
public:
    StagedFile(const std::string &target, std::string_view bytes);
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;
    ~StagedFile() { RemoveTempFile(m_temp); }

    // Replaces the target with the staged content in one rename.
    void Commit();

private:
    std::string m_name;                   // the target as given, for messages
    std::string m_target;                 // the path written (a link's destination when the target is a link)
    TempFile m_temp;                      // open and locked while the writer lives; no path once committed
    std::optional<std::string> m_inPlace; // the content for a device, pipe or socket
};

StagedFile::StagedFile(const std::string &target, std::string_view bytes) : m_name(target) {
    const WriteTarget resolved = ResolveWriteTarget(target);
    m_target = resolved.path;
    if (resolved.exists && !S_ISREG(resolved.info.st_mode)) {
        m_inPlace = std::string(bytes);
        return;
    }
    const std::string folder = FolderOf(m_target), start = TempStart('t', FileNameOf(m_target));
    RemoveDeadTempFiles(folder, start);
    TempFile temp = CreateTempFile(folder, start, resolved.exists ? 0600 : 0, target);
    if (resolved.exists) CopyOwnerAndMode(temp.fd.get(), resolved.info);
    int error = WriteAll(temp.fd.get(), bytes);
    if (!error && ::fsync(temp.fd.get()) != 0) error = errno;
    if (error) {
        RemoveTempFile(temp);
        ThrowFileError("write", target, error);
    }
    m_temp = std::move(temp);
}

void StagedFile::Commit() {
    if (m_inPlace) {
        Descriptor fd(::open(m_target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY));
        if (fd.get() < 0) ThrowFileError("write", m_name, errno);
        if (int error = WriteAll(fd.get(), *m_inPlace)) ThrowFileError("write", m_name, error);
        if (fd.close() != 0) ThrowFileError("write", m_name, errno);
        m_inPlace.reset();
        return;
    }
    if (m_temp.path.empty()) return;
    ReplaceStep();
    if (::rename(m_temp.path.c_str(), m_target.c_str()) != 0) ThrowFileError("write", m_name, errno);
    // A close error after fsync means nothing more for the data; the descriptor only held the lock.
    ForgetTempFile(m_temp);
    SyncFolder(FolderOf(m_target));
}

} // namespace

void WriteFileAtomically(const std::string &path, std::string_view bytes) {
    try {
        StagedFile staged(path, bytes);
        staged.Commit();
    } catch (const std::bad_alloc &) {
        throw FileError("write", path, "out of memory");
    }
}
