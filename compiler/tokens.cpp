// Editor tokens: the parser's reading of a line, mapped back onto the line as typed.
#include "compiler/tokens.h"

#include "compiler/parse.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <optional>
#include <string_view>

namespace {

constexpr std::size_t LineLength = 100; // characters of a line that the compiler reads
constexpr std::size_t MaxParameters = 7;
constexpr std::size_t KeywordLength = 8; // "MAXSTEER"

// A line normalised as the parser does it, with the position in the typed line of every character
// that is left, so that a span of the normalised text can be shown over the typed one.
class MappedLine {
public:
    explicit MappedLine(const std::string &line) : m_length(int(line.size())) {
        const std::size_t read = std::min(line.size(), LineLength);
        for (std::size_t i = 0; i < read; ++i) {
            if (line[i] == ' ') continue;
            m_map.push_back(int(i));
        }
        m_text = NormaliseLine(line);
        assert(m_text.size() == m_map.size());
    }
    const std::string &Text() const { return m_text; }

    // Adds the span of normalised characters [from, to) as one token over the typed line.
    void Add(std::size_t from, std::size_t to, TokenClass kind) {
        if (from >= to) return;
        const int start = m_map[from];
        m_tokens.push_back({start, m_map[to - 1] + 1 - start, kind});
    }

    // [from, to) is read by nobody: a comment from its ";", the rest ignored text.
    void AddUnread(std::size_t from, std::size_t to) {
        const auto semicolon = m_text.find(';', from);
        const std::size_t split = semicolon < to ? semicolon : to;
        Add(from, split, TokenClass::Ignored);
        Add(split, to, TokenClass::Comment);
    }

    // The tokens, closed by the typed characters beyond the ones the compiler reads.
    std::vector<Token> Finish() {
        if (m_length > int(LineLength))
            m_tokens.push_back({int(LineLength), m_length - int(LineLength), TokenClass::Ignored});
        return std::move(m_tokens);
    }

private:
    int m_length;
    std::string m_text;
    std::vector<int> m_map;
    std::vector<Token> m_tokens;
};

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

// One parameter text at [from, from + piece.size()), read as ParseParameterId and the slot readers do.
void AddParameter(MappedLine &line, std::size_t from, const std::string &piece,
                  std::optional<StatementKind> kind) {
    const auto k = piece.find_last_of("0123456789.-");
    if (k == std::string::npos || k + 1 == piece.size()) { // errors 12 and 13
        line.Add(from, from + piece.size(), TokenClass::Invalid);
        return;
    }
    const char id = piece[k + 1] == '%' ? 'P' : piece[k + 1];
    const bool knownId = std::string_view("DSCHBP").find(id) != std::string_view::npos;
    const std::string number = piece.substr(0, k + 1);
    const bool integer = id == 'B' || id == 'P' || (id == 'H' && kind == StatementKind::SetRate);
    const bool wellFormed = integer ? ReadInteger(number).has_value() : ReadReal(number).has_value();
    line.Add(from, from + k + 1, !knownId || wellFormed ? TokenClass::Number : TokenClass::Invalid);
    line.Add(from + k + 1, from + piece.size(), knownId ? TokenClass::Unit : TokenClass::Invalid);
}

// The name and parameters of a statement (the line without its comment), as SplitStatement finds them.
void AddStatementParts(MappedLine &line, const std::string &statement, std::optional<StatementKind> kind) {
    const auto open = statement.find('(');
    const std::size_t nameEnd = std::min(open, statement.size());
    const TokenClass nameClass = !kind                        ? TokenClass::UnknownFunction
                                 : kind == StatementKind::End ? TokenClass::End
                                                              : TokenClass::Function;
    line.Add(0, nameEnd, nameClass);
    if (open == std::string::npos) return;
    // A nameless statement is still an invalid function: its "(" carries the mark.
    line.Add(open, open + 1, nameEnd == 0 ? TokenClass::UnknownFunction : TokenClass::Punctuation);
    const auto close = statement.find(')');
    if (close == std::string::npos || close < open + 3) {
        line.Add(open + 1, statement.size(), TokenClass::Ignored); // no parameters at all
        return;
    }
    std::size_t pieces = 0;
    for (std::size_t from = open + 1; from <= close;) {
        const std::size_t comma = std::min(statement.find(',', from), close);
        const std::string piece = statement.substr(from, comma - from);
        if (!piece.empty() && ++pieces > MaxParameters)
            line.Add(from, comma, TokenClass::Ignored);
        else if (!piece.empty())
            AddParameter(line, from, piece, kind);
        line.Add(comma, comma + 1, TokenClass::Punctuation);
        from = comma + 1;
    }
    line.Add(close + 1, statement.size(), TokenClass::Ignored);
}

// A line of the statement section; after the END statement the section is over.
LinePlace AddStatement(MappedLine &line) {
    const std::string &text = line.Text();
    const std::size_t end = std::min(text.find(';'), text.size());
    const std::string statement = text.substr(0, end);
    std::optional<StatementKind> kind;
    if (!statement.empty()) { // a blank or comment line is skipped
        kind = FindKind(SplitStatement(statement).name);
        AddStatementParts(line, statement, kind);
    }
    line.AddUnread(end, text.size());
    return kind == StatementKind::End ? LinePlace::Trailing : LinePlace::Statements;
}

// The maxsteer line: keyword, "(", the number up to the first D, the unit; the rest is not read.
void AddMaxSteer(MappedLine &line) {
    const std::string &text = line.Text();
    line.Add(0, KeywordLength, TokenClass::MaxSteer);
    const auto d = text.find('D');
    if (!text.starts_with("MAXSTEER(") || d == std::string::npos) { // error 27
        line.Add(KeywordLength, text.size(), TokenClass::Invalid);
        return;
    }
    line.Add(KeywordLength, KeywordLength + 1, TokenClass::Punctuation);
    const std::string number = text.substr(KeywordLength + 1, d - KeywordLength - 1);
    const bool wellFormed = ReadReal(number).has_value();
    line.Add(KeywordLength + 1, d, wellFormed ? TokenClass::Number : TokenClass::Invalid);
    std::size_t unitEnd = d + 1;
    while (unitEnd < text.size() && IsLetter(text[unitEnd])) ++unitEnd;
    line.Add(d, unitEnd, wellFormed ? TokenClass::Unit : TokenClass::Invalid);
    const bool closed = unitEnd < text.size() && text[unitEnd] == ')';
    if (closed) line.Add(unitEnd, unitEnd + 1, TokenClass::Punctuation);
    line.AddUnread(closed ? unitEnd + 1 : unitEnd, text.size());
}

// A keyword at the start of the line in its own class; the rest of the line is not read.
void AddKeywordLine(MappedLine &line, std::size_t length, TokenClass kind) {
    line.Add(0, length, kind);
    line.AddUnread(length, line.Text().size());
}

} // namespace

LineTokens TokenizeLine(const std::string &line, LinePlace place) {
    MappedLine mapped(line);
    const std::string &text = mapped.Text();
    LinePlace next = place;
    // The header and the gap look for begin first, as the parser's scans do.
    const bool header = place == LinePlace::Header || place == LinePlace::Gap;
    if (header && text.starts_with("BEGIN")) {
        AddKeywordLine(mapped, 5, TokenClass::Begin);
        next = LinePlace::Statements;
    } else if (header && text.starts_with("MAXSTEER")) {
        if (place == LinePlace::Header)
            AddMaxSteer(mapped);
        else
            AddKeywordLine(mapped, KeywordLength, TokenClass::ExtraMaxSteer);
        next = LinePlace::Gap;
    } else if (place == LinePlace::Statements) {
        next = AddStatement(mapped);
    } else {
        mapped.AddUnread(0, text.size());
    }
    return {mapped.Finish(), next};
}

std::vector<std::vector<Token>> TokenizeProgram(const std::vector<std::string> &lines) {
    std::vector<std::vector<Token>> result;
    result.reserve(lines.size());
    LinePlace place = LinePlace::Header;
    for (const auto &line : lines) {
        LineTokens tokens = TokenizeLine(line, place);
        result.push_back(std::move(tokens.tokens));
        place = tokens.next;
    }
    return result;
}

int MessageLineNumber(const std::string &messageLine) {
    std::string_view text = messageLine;
    bool prefixed = false;
    for (std::string_view prefix : {"Error in line ", "Warning in line "}) {
        if (text.starts_with(prefix)) {
            text.remove_prefix(prefix.size());
            prefixed = true;
            break;
        }
    }
    long long number = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        number = number * 10 + (text[digits] - '0');
        if (number > INT_MAX) return 0;
    }
    if (digits == 0) return 0;
    text.remove_prefix(digits);
    // "Error in line 7: ..." has ": " after the number; a bare number runs straight into its text,
    // while the summary line ("2 Errors found - Aborting...") has a blank after its count.
    const bool named = prefixed ? text.starts_with(": ") : !text.empty() && text.front() != ' ';
    return named ? int(number) : 0;
}
