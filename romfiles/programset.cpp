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

// Hands each line of program k to take(k, line), from the lines that next(line) hands out in order,
// false at the end.
template <class NextLine, class Take> void WalkSetLines(NextLine next, Take take) {
    std::string_view line;
    bool more = next(line);
    while (more && !IsProgramMarker(line)) more = next(line);
    // The first marker must be followed by at least one line, even if only the next marker.
    if (!more || !next(line)) throw FormatError("Wrong file format!");

    more = true; // line holds the first line after the first marker
    for (int k = 0; k < ProgramCount; ++k) {
        // Reading at the end of the file yields one empty line, which completes the program.
        if (!more) {
            take(k, std::string_view());
            continue;
        }
        while (more) {
            const std::string_view current = line;
            more = next(line);
            if (IsProgramMarker(current)) break;
            take(k, current);
        }
    }
}

// The set from the lines that each reader() hands out: counted first, so that every program's list
// is allocated once at its size.
template <class MakeReader> ProgramSet ParseSetLines(MakeReader reader) {
    std::array<std::size_t, ProgramCount> counts{};
    WalkSetLines(reader(), [&](int k, std::string_view) { ++counts[k]; });
    ProgramSet set;
    for (int k = 0; k < ProgramCount; ++k) set[k].reserve(counts[k]);
    WalkSetLines(reader(), [&](int k, std::string_view line) { set[k].emplace_back(line); });
    return set;
}

} // namespace

ProgramSet ParseProgramSet(const std::vector<std::string> &lines) {
    return ParseSetLines([&] {
        return [&lines, next = std::size_t(0)](std::string_view &line) mutable {
            if (next >= lines.size()) return false;
            line = lines[next++];
            return true;
        };
    });
}

ProgramSet ParseProgramSetBytes(std::string_view bytes) {
    return ParseSetLines([&] {
        return [reader = LineReader(bytes)](std::string_view &line) mutable { return reader.Next(line); };
    });
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
