// The system-call pieces shared by the readers and writers of fileio: descriptors, targets,
// temporary files and the clean-up of temporary files on signals. Private to files/.
#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(Descriptor &&other) noexcept : m_fd(other.release()) {}
    Descriptor &operator=(Descriptor &&other) noexcept {
        if (this != &other) {
            reset();
            m_fd = other.release();
        }
        return *this;
    }
    ~Descriptor() { reset(); }
    int get() const { return m_fd; }
    int release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    // Closes now and reports the result, so a failing close is not lost.
    int close() { return ::close(release()); }

private:
    int m_fd;
};

// Writes every byte; 0, or the errno of the failure.
int WriteAll(int fd, std::string_view bytes);

// The file a write to a path replaces: the last component's symbolic links followed to the file they
// name, which may not exist yet.
struct WriteTarget {
    std::string path; // the file written; its folder exists
    bool exists = false;
    struct stat info {}; // when it exists
};

// Follows the links of the path given by the user; a link loop or a missing folder is a FileError
// naming the given path and the action ("read", "write").
WriteTarget ResolveLinks(const std::string &given, const char *action);

// Resolves the path given by the user; a link loop, a missing folder or a target that is a folder is
// a FileError naming the given path. Refuses an existing file that the user could not write with an
// ordinary write ("Permission denied", "Read-only file system").
WriteTarget ResolveWriteTarget(const std::string &given);

// The recognisable start of the temporary files of one target (or group): "." + kind + a hash of the
// name. Temporary names are start + "." + pid + "." + counter, short enough beside any file name.
std::string TempStart(char kind, const std::string &name);

// A temporary file, created empty in the folder, locked for as long as it is open and registered for
// removal on SIGINT, SIGTERM and SIGHUP. mode 0 gives the mode of a new file (0666 less the umask).
struct TempFile {
    std::string path;
    Descriptor fd;
    int slot = -1; // in the signal clean-up table
};
TempFile CreateTempFile(const std::string &folder, const std::string &start, mode_t mode,
                        const std::string &given);

// A fresh temporary name of the start in the folder (nothing is created).
std::string NextTempName(const std::string &folder, const std::string &start);

// A fresh temporary name registered for removal on a signal before the caller makes the file (a hard
// link), so that no signal can leave it behind; ForgetTempFile when it could not be made.
TempFile ReserveTempName(const std::string &folder, const std::string &start);

// Registers an existing file (a lock, a backup link) for removal on a signal, holding its descriptor.
TempFile AdoptTempFile(const std::string &path, Descriptor fd);

// Registers a path of this process for removal on SIGINT, SIGTERM and SIGHUP: a file, or a folder,
// which goes after the files once it is empty. Returns its slot in the table (-1 when the table is
// full); ForgetStopRemoval ends it.
int RegisterStopRemoval(const std::string &path, bool folder);
void ForgetStopRemoval(int slot);

// Stops the signal clean-up of a temporary file that was renamed into place or removed.
void ForgetTempFile(TempFile &temp);
// Removes a temporary file that is no longer wanted.
void RemoveTempFile(TempFile &temp);

// Removes the temporary files of the start in the folder whose writer is dead: its process is gone
// and nobody holds the file's lock.
void RemoveDeadTempFiles(const std::string &folder, const std::string &start);

// Gives the staged file the owner, group and mode of the file it replaces, where the process may.
void CopyOwnerAndMode(int fd, const struct stat &replaced);

// Flushes a folder's entries (a rename) to the disk; failures are not reported.
void SyncFolder(const std::string &folder);

// While a group is replaced, SIGINT, SIGTERM and SIGHUP wait: the replacement completes, then the
// process cleans up and stops as the signal asks.
void DeferSignals();
void UndeferSignals();

// The test hook of SetReplaceStepHook.
void ReplaceStep();
