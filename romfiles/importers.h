// Import: program lines from a text file, a time-and-value file, a program-set file or an EPROM file.
#pragma once

#include "romfiles/programset.h"

#include <string>
#include <string_view>
#include <vector>

enum class ImportFileType { Text = 0, TimeValue = 1, ProgramSetFile = 2, Eprom = 3 };
enum class ImportMode { Insert, Replace };

struct ImportOptions {
    ImportMode mode = ImportMode::Replace;
    int rate = 256;     // Hz, the "Resulting Step Rate" of a time-and-value import
    int program = 1;    // "ROM Program #", 0 to 15
    int maxSteer = 200; // "Max Steer:", degrees
};

// Every importer is all or nothing: it returns every line it makes or throws (FileError when the
// file cannot be read, FormatError when its contents cannot be imported) and has then made none.

// The lines of a text file, unchanged, in both modes.
std::vector<std::string> ImportText(const std::string &path);

// Statements for the points of a time-and-value text: stepto/rampto/wait lines, with the maxsteer,
// begin and setrate header and "end" in Replace mode. Blank lines are ignored.
std::vector<std::string> TimeValueLines(const std::vector<std::string> &fileLines,
                                        const ImportOptions &options);
std::vector<std::string> ImportTimeValue(const std::string &path, const ImportOptions &options);

// The lines of one program of a program-set file: after the line whose first 9 characters, in
// upper case, are "$$~PROGnn", up to a line beginning "$$~" or the end.
std::vector<std::string> ProgramFromSetLines(const std::vector<std::string> &fileLines, int program);
std::vector<std::string> ImportProgramFromSet(const std::string &path, int program);

// Statements decoded from the main words of one program slot of an EPROM file.
std::vector<std::string> EpromLines(std::string_view fileBytes, const ImportOptions &options);
std::vector<std::string> ImportEprom(const std::string &path, const ImportOptions &options);

// The importer of the given type.
std::vector<std::string> ImportLines(ImportFileType type, const std::string &path,
                                     const ImportOptions &options);

// Insert mode: puts the lines before the caret's line (cursorLine counts from 1), in order, and
// advances cursorLine by one per line.
void InsertLines(ProgramText &program, int &cursorLine, const std::vector<std::string> &lines);
