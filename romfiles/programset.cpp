// The program set and its file: 16 program texts behind "$$~PROG%2.2d" marker lines.
#include "romfiles/programset.h"

#include "romfiles/fileio.h"

#include <cstdio>

ProgramText DefaultProgram() { return {"maxsteer(100 deg)", "begin", "", "end"}; }

ProgramSet DefaultProgramSet() {
    ProgramSet set;
    set.fill(DefaultProgram());
    return set;
}

std::string ProgramMarker(int k) {
    char marker[32];
    std::snprintf(marker, sizeof marker, "$$~PROG%2.2d", k);
    return marker;
}

bool IsProgramMarker(const std::string &line) { return line.compare(0, 7, "$$~PROG") == 0; }

std::string ProgramSetBytes(const ProgramSet &set) {
    std::vector<std::string> lines;
    for (int k = 0; k < ProgramCount; ++k) {
        lines.push_back(ProgramMarker(k));
        lines.insert(lines.end(), set[k].begin(), set[k].end());
    }
    return JoinLinesCrLf(lines);
}

ProgramSet ParseProgramSet(const std::vector<std::string> &lines) {
    const std::size_t count = lines.size();
    std::size_t next = 0;
    // The first marker must be followed by at least one line, even if only the next marker.
    while (next < count && !IsProgramMarker(lines[next])) ++next;
    if (next + 1 >= count) throw FormatError("Wrong file format!");
    ++next;

    ProgramSet set;
    for (int k = 0; k < ProgramCount; ++k) {
        ProgramText &program = set[k];
        // Reading at the end of the file yields one empty line, which completes the program.
        if (next >= count) {
            program.push_back("");
            continue;
        }
        while (next < count) {
            const std::string &line = lines[next++];
            if (IsProgramMarker(line)) break;
            program.push_back(line);
        }
    }
    return set;
}

ProgramSet ReadProgramSet(const std::string &path) {
    return ParseProgramSet(SplitLines(ReadFileBytes(path)));
}

void WriteProgramSet(const std::string &path, const ProgramSet &set) {
    WriteFileAtomically(path, ProgramSetBytes(set));
}
