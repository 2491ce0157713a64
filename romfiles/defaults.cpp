// The defaults file "quildf.txt": the three default directories and the machine-version setting.
#include "romfiles/defaults.h"

#include "files/fileio.h"

#include <cerrno>
#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace {

// A line can name a directory unless it is empty, holds a NUL byte (which ends every path the system
// is given) or is longer than the longest path the system takes.
bool CanBePath(const std::string &line) {
    return !line.empty() && line.size() < PATH_MAX && line.find('\0') == std::string::npos;
}

} // namespace

std::string DefaultsPath(const std::string &startupDir) {
    if (startupDir.empty()) return DefaultsFileName;
    if (startupDir.back() == '/') return startupDir + DefaultsFileName;
    return startupDir + "/" + DefaultsFileName;
}

std::vector<std::string> DefaultsLines(const Defaults &defaults) {
    return {"Following are default directories for ROM, Text, and EPROM (.bin) files",
            "One per line on 3rd, 4th, 5th lines of this text file",
            defaults.programDir,
            defaults.textDir,
            defaults.epromDir,
            "",
            defaults.corvan3Only ? "Corvan 3 compatibility only selected"
                                 : "Corvan 1,2,3 compatibility selected"};
}

Defaults ParseDefaults(const std::vector<std::string> &lines, const std::string &startupDir) {
    auto directory = [&](std::size_t index) {
        return index < lines.size() && CanBePath(lines[index]) ? lines[index] : startupDir;
    };
    Defaults defaults;
    defaults.programDir = directory(2);
    defaults.textDir = directory(3);
    defaults.epromDir = directory(4);
    // A file that ends before line 7 reads as "Corvan 1": compatible with every machine.
    defaults.corvan3Only = lines.size() >= 7 && lines[6].compare(0, 8, "Corvan 3") == 0;
    return defaults;
}

bool DefaultsFileExists(const std::string &startupDir) {
    // Only a file that is not there is absent (a dangling link included); a link loop or a folder
    // that cannot be searched is a file that exists but cannot be read.
    struct stat info;
    return ::stat(DefaultsPath(startupDir).c_str(), &info) == 0 || errno != ENOENT;
}

Defaults ReadDefaults(const std::string &startupDir) {
    const std::string path = DefaultsPath(startupDir);
    return ReadingFile(path,
                       [&] { return ParseDefaults(ReadFileLines(path, DefaultsFileLimit), startupDir); });
}

void WriteDefaults(const std::string &startupDir, const Defaults &defaults) {
    WriteFileAtomically(DefaultsPath(startupDir), JoinLinesCrLf(DefaultsLines(defaults)));
}

bool DirectoryExists(const std::string &path) {
    std::error_code error;
    return CanBePath(path) && std::filesystem::is_directory(path, error);
}

void CreateDirectoryPath(const std::string &path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) throw FileError("create", path, error.message());
}

std::string CutToExistingAncestor(const std::string &path, const std::string &fallback) {
    for (std::size_t i = path.size() < 2 ? 0 : path.size() - 1; i-- > 0;) {
        if (path[i] != '/' && path[i] != '\\') continue;
        std::string ancestor = i == 0 ? path.substr(0, 1) : path.substr(0, i); // "/" is the root
        if (DirectoryExists(ancestor)) return ancestor;
    }
    return fallback;
}
