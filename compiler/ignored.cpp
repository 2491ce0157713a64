// Text of a statement that the compiler reads as nothing, found by the parser's own scanner.
#include "compiler/ignored.h"

#include "compiler/parse.h"

#include <algorithm>

namespace {

// A statement line as the parser reads it (first 100 characters, no blanks, upper case, no comment),
// with the position in the typed line of each character left.
struct ReadLine {
    std::string text;
    std::vector<int> typed;
};

ReadLine ReadStatementLine(const std::string &line) {
    ReadLine read;
    read.text = NormaliseLine(line);
    const std::size_t length = std::min(line.size(), LineCharactersRead);
    for (std::size_t i = 0; i < length; ++i)
        if (line[i] != ' ') read.typed.push_back(static_cast<int>(i));
    read.text.resize(std::min(read.text.find(';'), read.text.size()));
    return read;
}

// What a statement uses of the parameters the parser stores for any function (ids D, S, C and H; B
// and P raise a message where they do not belong). Cycles of a sweep raise warning 106 of their own.
bool UsesParameter(StatementKind kind, char id) {
    using K = StatementKind;
    const bool wave = kind == K::Sine || kind == K::Square || kind == K::Triangle;
    const bool sweep = kind == K::SineSweep || kind == K::SineSweepLog;
    switch (id) {
    case 'S':
        return kind != K::End;
    case 'D':
        return wave || sweep || kind == K::StepTo || kind == K::StepUp || kind == K::RampTo ||
               kind == K::RampUp;
    case 'H':
        return wave || sweep || kind == K::SetRate;
    case 'C':
        return wave || sweep;
    default:
        return true;
    }
}

const char *ParameterWord(char id) {
    switch (id) {
    case 'D':
        return "angle";
    case 'S':
        return "time";
    case 'H':
        return "frequency";
    default:
        return "cycle count";
    }
}

class Finder {
public:
    explicit Finder(std::vector<IgnoredText> &found) : m_found(found) {}

    // The statement on line `number`; false once it is the END statement, the last one read.
    bool Statement(int number, const std::string &line) {
        m_read = ReadStatementLine(line);
        m_number = number;
        const std::string &text = m_read.text;
        if (text.empty()) return true;
        const ScannedStatement scanned = ScanStatement(text);
        const std::string name(scanned.name.Of(text));
        const auto kind = FindKind(name);
        if (!kind) return true; // error 11: nothing of it is read, and the message says so
        if (*kind == StatementKind::End) {
            if (scanned.open != std::string::npos)
                Add(scanned.open + 1, text.size(), "END reads no parameters");
            return false;
        }
        if (m_repeated) {
            Add(0, text.size(), "nothing after REPEATPROGRAM takes effect");
            return true;
        }
        m_repeated = *kind == StatementKind::RepeatProgram;
        if (scanned.open == std::string::npos) return true;
        if (scanned.close == std::string::npos)
            Unread(scanned.open);
        else
            Parameters(scanned, *kind, name);
        return true;
    }

private:
    // A list the scanner did not read: no ")" after the "(", or fewer than two characters between them.
    void Unread(std::size_t open) {
        const std::string &text = m_read.text;
        const std::size_t close = text.find(')', open);
        if (close == std::string::npos) {
            Add(open + 1, text.size(), "no \")\" closes the list, so no parameter is read");
            return;
        }
        if (close == open + 2) Add(open + 1, close, "a list of one character is not read");
        Add(close + 1, text.size(), "text after the \")\" is not read");
    }

    void Parameters(const ScannedStatement &scanned, StatementKind kind, const std::string &name) {
        const std::string &text = m_read.text;
        for (const ScannedParameter &p : scanned.parameters) {
            // A parameter with a message of its own (errors 12 to 25) is not repeated here.
            if (p.number.Empty() || !p.written || p.id == 0 || UsesParameter(kind, p.id)) continue;
            const std::string number(p.number.Of(text));
            if (!ReadReal(number)) continue;
            Add(p.text.begin, p.text.end, name + " takes no " + ParameterWord(p.id));
        }
        Add(scanned.close + 1, text.size(), "text after the \")\" is not read");
    }

    // The characters [from, to) of the read text, when there are any.
    void Add(std::size_t from, std::size_t to, const std::string &why) {
        if (from >= to || to > m_read.typed.size()) return;
        IgnoredText ignored;
        ignored.line = m_number;
        ignored.start = m_read.typed[from];
        ignored.length = m_read.typed[to - 1] + 1 - ignored.start;
        ignored.why = why;
        m_found.push_back(std::move(ignored));
    }

    std::vector<IgnoredText> &m_found;
    ReadLine m_read;
    int m_number = 0;
    bool m_repeated = false; // a REPEATPROGRAM came before
};

std::string Trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

} // namespace

std::vector<IgnoredText> FindIgnoredText(const std::vector<std::string> &lines) {
    std::vector<IgnoredText> found;
    const int count = static_cast<int>(lines.size());
    // The header and gap scans of the parser: the first maxsteer or begin line, then begin.
    int i = 0;
    while (i < count && !LineStartsWith(lines[i], BeginKeyword) && !LineStartsWith(lines[i], MaxSteerKeyword))
        ++i;
    while (i < count && !LineStartsWith(lines[i], BeginKeyword)) ++i;
    Finder finder(found);
    for (++i; i < count; ++i)
        if (!finder.Statement(i + 1, lines[i])) break;
    for (IgnoredText &ignored : found)
        ignored.what = Trimmed(lines[ignored.line - 1].substr(ignored.start, ignored.length));
    return found;
}

std::string IgnoredTextLine(const IgnoredText &ignored) {
    return "Line " + std::to_string(ignored.line) + ": \"" + ignored.what + "\" is ignored: " + ignored.why;
}
