// The program set and its file: 16 program texts behind "$$~PROG%2.2d" marker lines.
#include "romfiles/programset.h"

#include "files/fileio.h"

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

std::string ProgramSetBytes(const ProgramSet &set, const ProgramText &preamble) {
    std::vector<std::string> lines = preamble;
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

namespace {

// Where a marker line starts and where the line after it starts.
struct MarkerSpan {
    std::size_t begin, after;
    bool terminated; // a line break follows the marker
};

// The line break after the line that ends at `end`: CR LF, LF or none.
std::size_t BreakLength(std::string_view bytes, std::size_t end) {
    if (end < bytes.size() && bytes[end] == '\n') return 1;
    if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') return 2;
    return 0;
}

} // namespace

std::string ReplaceProgramBytes(std::string_view bytes, int k, const ProgramText &program) {
    ProgramSet expected = ParseProgramSetBytes(bytes);
    for (std::size_t i = 0; i < program.size(); ++i)
        if (IsProgramMarker(program[i]))
            throw FormatError("line " + std::to_string(i + 1) +
                              " starts with $$~PROG and would start another program");
    expected[static_cast<std::size_t>(k)] = program;

    std::vector<MarkerSpan> markers; // the first 17: the 17th ends program 15
    LineReader reader(bytes);
    for (std::string_view line; markers.size() <= ProgramCount && reader.Next(line);) {
        const std::size_t begin = static_cast<std::size_t>(line.data() - bytes.data()),
                          end = begin + line.size();
        const std::size_t breakLength = BreakLength(bytes, end);
        if (IsProgramMarker(line)) markers.push_back({begin, end + breakLength, breakLength > 0});
    }
    const std::string eol = "\r\n";
    std::string text;
    for (const std::string &line : program) text += line + eol;

    std::string result;
    const auto slot = static_cast<std::size_t>(k);
    if (slot < markers.size()) {
        const std::size_t end = slot + 1 < markers.size() ? markers[slot + 1].begin : bytes.size();
        result.append(bytes.substr(0, markers[slot].after));
        if (!markers[slot].terminated) result += eol;
        result += text;
        result.append(bytes.substr(end));
    } else {
        result.append(bytes);
        if (!result.empty() && result.back() != '\n') result += eol;
        for (std::size_t m = markers.size(); m < slot; ++m)
            result += ProgramMarker(static_cast<int>(m)) + eol + eol;
        result += ProgramMarker(k) + eol + text;
    }
    // A set that no reader would take is not written.
    const std::size_t lines = CountLines(result);
    if (lines > ProgramLineLimit)
        throw FormatError("the set would have " + std::to_string(lines) + " lines, more than the " +
                          std::to_string(ProgramLineLimit) + " a set file may have; nothing was written");
    if (result.size() > ProgramFileLimit.bytes)
        throw FormatError("the set would have " + std::to_string(result.size()) + " bytes, more than the " +
                          std::to_string(ProgramFileLimit.bytes / MiB) +
                          " MiB a set file may have; nothing was written");
    // The other programs read as they did, or nothing is written.
    if (ParseProgramSetBytes(result) != expected) throw FormatError("the set could not be kept as it was");
    return result;
}

ProgramText SetPreamble(std::string_view bytes) {
    ProgramText preamble;
    LineReader reader(bytes);
    for (std::string_view line; reader.Next(line);) {
        if (IsProgramMarker(line)) return preamble;
        preamble.emplace_back(line);
    }
    return {};
}

std::string IgnoredMarkersNotice(const std::string &name, std::string_view bytes) {
    std::size_t markers = 0, line = 0;
    std::string first, last; // the ignored markers: the text of each and its line
    LineReader reader(bytes);
    for (std::string_view text; reader.Next(text);) {
        ++line;
        if (!IsProgramMarker(text) || ++markers <= ProgramCount) continue;
        const std::string shown =
            text.size() > 20 ? std::string(text.substr(0, 20)) + "..." : std::string(text);
        last = shown + " on line " + std::to_string(line);
        if (first.empty()) first = last;
    }
    if (markers <= ProgramCount) return {};
    const std::string counted = name + " holds " + std::to_string(markers) + " program markers; a set has " +
                                std::to_string(ProgramCount) + " programs, so ";
    if (markers == ProgramCount + 1)
        return counted + "the program of marker " + std::to_string(markers) + " was ignored (" + first + ")";
    return counted + "the programs of markers " + std::to_string(ProgramCount + 1) + " to " +
           std::to_string(markers) + " were ignored (" + first + " to " + last + ")";
}

ProgramSet ReadProgramSet(const std::string &path, std::string *notice) {
    return ReadSetFileContents(path, notice).programs;
}

SetFileContents ReadSetFileContents(const std::string &path, std::string *notice) {
    return ReadingFile(path, [&] {
        const std::string bytes = ReadFileBytes(path, ProgramFileLimit);
        CheckLineCount(path, CountLines(bytes));
        SetFileContents contents;
        contents.programs = ParseProgramSetBytes(bytes);
        contents.preamble = SetPreamble(bytes);
        if (notice) *notice = IgnoredMarkersNotice(DisplayName(path), bytes);
        return contents;
    });
}

void WriteProgramSet(const std::string &path, const ProgramSet &set, const ProgramText &preamble) {
    WriteFileAtomically(path, ProgramSetBytes(set, preamble));
}
