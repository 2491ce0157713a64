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

bool IsProgramMarker(std::string_view line) { return line.substr(0, 7) == "$$~PROG"; }

std::string ProgramSetBytes(const ProgramSet &set) {
    std::vector<std::string> lines;
    for (int k = 0; k < ProgramCount; ++k) {
        lines.push_back(ProgramMarker(k));
        lines.insert(lines.end(), set[k].begin(), set[k].end());
    }
    return JoinLinesCrLf(lines);
}

namespace {

// The set from the lines that next(line) hands out in order, false at the end.
template <class NextLine> ProgramSet ParseSetLines(NextLine next) {
    std::string_view line;
    bool more = next(line);
    while (more && !IsProgramMarker(line)) more = next(line);
    // The first marker must be followed by at least one line, even if only the next marker.
    if (!more || !next(line)) throw FormatError("Wrong file format!");

    ProgramSet set;
    more = true; // line holds the first line after the first marker
    for (int k = 0; k < ProgramCount; ++k) {
        ProgramText &program = set[k];
        // Reading at the end of the file yields one empty line, which completes the program.
        if (!more) {
            program.push_back("");
            continue;
        }
        while (more) {
            const std::string_view current = line;
            more = next(line);
            if (IsProgramMarker(current)) break;
            program.emplace_back(current);
        }
    }
    return set;
}

} // namespace

ProgramSet ParseProgramSet(const std::vector<std::string> &lines) {
    std::size_t next = 0;
    return ParseSetLines([&](std::string_view &line) {
        if (next >= lines.size()) return false;
        line = lines[next++];
        return true;
    });
}

ProgramSet ParseProgramSetBytes(std::string_view bytes) {
    LineReader reader(bytes);
    return ParseSetLines([&](std::string_view &line) { return reader.Next(line); });
}

ProgramSet ReadProgramSet(const std::string &path) {
    return ReadingFile(path, [&] {
        const std::string bytes = ReadFileBytes(path, ProgramFileLimit);
        CheckLineCount(path, CountLines(bytes));
        return ParseProgramSetBytes(bytes);
    });
}

void WriteProgramSet(const std::string &path, const ProgramSet &set) {
    WriteFileAtomically(path, ProgramSetBytes(set));
}
