// Import: program lines from a text file, a time-and-value file, a program-set file or an EPROM file.
#include "romfiles/importers.h"

#include "compiler/format.h"
#include "compiler/parse.h"
#include "files/fileio.h"
#include "romfiles/build.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

std::string A(double x) { return FormatFixed(x, 0, 3); } // angles, and the EPROM importer's times
std::string T(double x) { return FormatFixed(x, 0, 4); } // times of the time-and-value importer

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

struct Point {
    double time;  // seconds
    double value; // degrees
};

// The next blank-separated token of line from pos on; empty at the end of the line.
std::string_view NextToken(std::string_view line, std::size_t &pos) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    std::size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos])) ++pos;
    return line.substr(start, pos - start);
}

// The token as a message quotes it: printable ASCII as it is, every other byte as \xNN, and no
// more than 24 bytes, so that garbage gives a short message on one line.
std::string Quoted(std::string_view token) {
    constexpr std::size_t Shown = 24;
    std::string text = "\"";
    for (std::size_t i = 0; i < token.size() && i < Shown; ++i) {
        const auto c = static_cast<unsigned char>(token[i]);
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            text += escape;
        }
    }
    if (token.size() > Shown) text += "...";
    return text + "\"";
}

// A number the program text can hold: written as the language writes its reals (no hexadecimal, "inf"
// or "nan"); the compiler reads its numbers as floats, and a difference of two such times stays finite,
// so no "inf" ever reaches a statement.
double ReadNumber(std::string_view token, std::size_t lineNumber) {
    std::string text(token);
    double x = IsRealSyntax(token) ? std::strtod(text.c_str(), nullptr) : NAN;
    if (!(std::fabs(x) <= FLT_MAX)) // malformed, or too large for a float
        throw FormatError("Invalid number " + Quoted(token) + " on line " + std::to_string(lineNumber));
    return x;
}

// The points of a time-and-value file, whose lines next(line) hands out in order: time and value
// separated by blanks, the rest of a line ignored.
template <class NextLine> std::vector<Point> ReadPoints(NextLine next) {
    std::vector<Point> points;
    std::string_view line;
    for (std::size_t number = 1; next(line); ++number) {
        std::size_t pos = 0;
        std::string_view first = NextToken(line, pos);
        if (first.empty()) continue; // blank lines carry no point
        std::string_view second = NextToken(line, pos);
        if (second.empty()) throw FormatError("Line " + std::to_string(number) + " holds a single number");
        double time = ReadNumber(first, number);
        points.push_back({time, ReadNumber(second, number)});
    }
    if (points.empty()) throw FormatError("File holds no time and value points");
    return points;
}

// One 16-bit word of an EPROM slot, decoded.
struct EpromWord {
    std::uint16_t bits;
    int rate;    // Hz
    float angle; // degrees
    bool high;   // bit 15: high current
    bool ended;  // bit 14
};

EpromWord DecodeWord(std::uint16_t bits, int maxSteer) {
    int dac = bits & 0x0FFF;
    int rate = 256 << ((bits >> 12) & 3);
    float angle = static_cast<float>((dac - 2048) / 2047.0L * maxSteer);
    return {bits, rate, angle, (bits & 0x8000) != 0, (bits & 0x4000) != 0};
}

// Reads the words of one slot in order, failing when a word lies beyond the end of the file.
class SlotReader {
public:
    SlotReader(std::string_view bytes, int program, int maxSteer)
        : m_bytes(bytes), m_offset(static_cast<std::size_t>(program) * 2 * StepsPerSlot), m_program(program),
          m_maxSteer(maxSteer) {}
    static constexpr int StepsPerSlot = 16384;

    EpromWord Next() {
        std::size_t at = m_offset + 2 * static_cast<std::size_t>(m_read);
        if (at + 2 > m_bytes.size())
            throw FormatError("The EPROM file is too short for program #" + std::to_string(m_program));
        ++m_read;
        auto low = static_cast<unsigned char>(m_bytes[at]),
             high = static_cast<unsigned char>(m_bytes[at + 1]);
        return DecodeWord(static_cast<std::uint16_t>(low | high << 8), m_maxSteer);
    }
    int read() const { return m_read; }

private:
    std::string_view m_bytes;
    std::size_t m_offset;
    int m_program;
    int m_maxSteer;
    int m_read = 0;
};

} // namespace

std::vector<std::string> ImportText(const std::string &path) { return ReadFileLines(path, ProgramFileLimit); }

namespace {

std::vector<std::string> PointLines(const std::vector<Point> &points, const ImportOptions &options) {
    std::vector<std::string> out;
    const bool replace = options.mode == ImportMode::Replace;
    if (replace) {
        out.push_back("maxsteer(" + A(options.maxSteer) + " deg)");
        out.push_back("begin");
        out.push_back("setrate(" + std::to_string(options.rate) + " hz)");
    }
    std::size_t next = 0;
    double t = points[0].time, v = points[0].value;
    ++next;
    if (t == 0)
        out.push_back("stepto(" + A(v) + "d)");
    else
        out.push_back("rampto(" + A(v) + "d," + T(t) + "s)");
    while (next < points.size()) {
        double base = t, prev = v, last = t;
        t = points[next].time, v = points[next].value, ++next;
        if (v == prev) { // a hold: wait until the value changes
            while (next < points.size() && v == prev) {
                last = t;
                t = points[next].time, v = points[next].value, ++next;
            }
            if (v == prev) last = t; // the file ended inside the hold
            out.push_back("wait(" + T(last - base) + "s)");
            base = last;
        }
        if (t != base) out.push_back("rampto(" + A(v) + "d," + T(t - base) + "s)");
        if (out.size() > ProgramLineLimit)
            throw FormatError("File too large (a program of more than " + std::to_string(ProgramLineLimit) +
                              " lines)");
    }
    if (replace) out.push_back("end");
    return out;
}

} // namespace

std::vector<std::string> TimeValueLines(const std::vector<std::string> &fileLines,
                                        const ImportOptions &options) {
    std::size_t next = 0;
    return PointLines(ReadPoints([&](std::string_view &line) {
                          if (next >= fileLines.size()) return false;
                          line = fileLines[next++];
                          return true;
                      }),
                      options);
}

std::vector<std::string> ImportTimeValue(const std::string &path, const ImportOptions &options) {
    return ReadingFile(path, [&] {
        const std::string bytes = ReadFileBytes(path, TimeValueFileLimit);
        LineReader reader(bytes);
        return PointLines(ReadPoints([&](std::string_view &line) { return reader.Next(line); }), options);
    });
}

std::vector<std::string> ProgramFromSetLines(const std::vector<std::string> &fileLines, int program) {
    const std::string wanted = ProgramMarker(program);
    auto matches = [&](const std::string &line) {
        if (line.size() < wanted.size()) return false;
        for (std::size_t i = 0; i < wanted.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(line[i])) != static_cast<unsigned char>(wanted[i]))
                return false;
        return true;
    };
    auto marker = std::find_if(fileLines.begin(), fileLines.end(), matches);
    if (marker == fileLines.end()) throw FormatError("Program " + wanted + " not found in the file");
    std::vector<std::string> out;
    for (auto line = marker + 1; line != fileLines.end() && line->compare(0, 3, "$$~") != 0; ++line)
        out.push_back(*line);
    return out;
}

std::vector<std::string> ImportProgramFromSet(const std::string &path, int program) {
    return ReadingFile(path,
                       [&] { return ProgramFromSetLines(ReadFileLines(path, ProgramFileLimit), program); });
}

std::vector<std::string> EpromLines(std::string_view fileBytes, const ImportOptions &options) {
    std::vector<std::string> out;
    if (options.mode == ImportMode::Replace) {
        out.push_back("maxsteer(" + A(options.maxSteer) + " deg)");
        out.push_back("begin");
    } else {
        out.push_back("SetCurrentLow");
    }
    SlotReader slot(fileBytes, options.program, options.maxSteer);
    EpromWord run = slot.Next();
    out.push_back("SetRate(" + std::to_string(run.rate) + " hz)");
    out.push_back("StepTo(" + A(run.angle) + " deg)");
    EpromWord w = run;
    for (;;) {
        // n counts the words of the run, its first included, once a different word stops it.
        int n = 0;
        while (slot.read() < SlotReader::StepsPerSlot && w.bits == run.bits) {
            w = slot.Next();
            ++n;
        }
        if (n > 1) out.push_back("wait(" + A(static_cast<long double>(n) / run.rate) + "s)");
        if (w.rate != run.rate) out.push_back("SetRate(" + std::to_string(w.rate) + " hz)");
        if (w.high != run.high) out.push_back(w.high ? "SetCurrentHigh" : "SetCurrentLow");
        if (w.angle != run.angle) out.push_back("RampTo(" + A(w.angle) + "d," + A(1.0L / w.rate) + "s)");
        run = w;
        if (slot.read() >= SlotReader::StepsPerSlot || w.ended) break;
    }
    out.push_back("End");
    return out;
}

std::vector<std::string> ImportEprom(const std::string &path, const ImportOptions &options) {
    // Read as every reader of the pair reads it: a build that stopped half-way is finished first.
    return ReadingFile(path, [&] { return EpromLines(ReadImageFiles({path}).front(), options); });
}

std::vector<std::string> ImportLines(ImportFileType type, const std::string &path,
                                     const ImportOptions &options) {
    switch (type) {
    case ImportFileType::Text:
        return ImportText(path);
    case ImportFileType::TimeValue:
        return ImportTimeValue(path, options);
    case ImportFileType::ProgramSetFile:
        return ImportProgramFromSet(path, options.program);
    case ImportFileType::Eprom:
        return ImportEprom(path, options);
    }
    return {};
}

void InsertLines(ProgramText &program, int &cursorLine, const std::vector<std::string> &lines) {
    for (const auto &line : lines) {
        int at = std::clamp(cursorLine - 1, 0, static_cast<int>(program.size()));
        program.insert(program.begin() + at, line);
        ++cursorLine;
    }
}
