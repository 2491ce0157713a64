// The defaults file "quildf.txt": the three default directories and the machine-version setting.
#pragma once

#include <string>
#include <vector>

constexpr const char *DefaultsFileName = "quildf.txt";

struct Defaults {
    std::string programDir;  // program-set files (.rom)
    std::string textDir;     // text and time-and-value files
    std::string epromDir;    // EPROM files (.bin)
    bool corvan3Only = true; // machine-version setting: true = Corvan 3 only
};

// The path of the defaults file in the start-up directory.
std::string DefaultsPath(const std::string &startupDir);

// The seven lines of the file.
std::vector<std::string> DefaultsLines(const Defaults &defaults);

// The settings held by the lines of a defaults file: lines 3 to 5 are the directories (a missing or
// empty one, or one that cannot be a path: a NUL byte in it, or longer than PATH_MAX, is the start-up
// directory); Corvan 3 only exactly when a line 7 exists and begins with
// "Corvan 3".
Defaults ParseDefaults(const std::vector<std::string> &lines, const std::string &startupDir);

// True when the start-up directory holds a defaults file, also one that cannot be read (a link loop,
// a pipe); false when there is none, or only a link to a file that does not exist.
bool DefaultsFileExists(const std::string &startupDir);

// ParseDefaults on the defaults file of the start-up directory: a regular file of at most 1 MiB.
// Throws FileError.
Defaults ReadDefaults(const std::string &startupDir);

// Writes the defaults file of the start-up directory atomically. Throws FileError.
void WriteDefaults(const std::string &startupDir, const Defaults &defaults);

// True when the path names an existing directory (never for a text that cannot be a path).
bool DirectoryExists(const std::string &path);

// Creates the directory with every missing parent. Throws FileError.
void CreateDirectoryPath(const std::string &path);

// The nearest existing ancestor of a missing directory: the path is cut at its "/" and "\"
// separators from the end (its last character is never a cut point), the file-system root being the
// last ancestor. Returns fallback when no ancestor exists.
std::string CutToExistingAncestor(const std::string &path, const std::string &fallback = "");
