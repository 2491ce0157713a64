// Editor tokens: the parser's scanner run over a line, its spans mapped back onto the line as typed.
#include "compiler/tokens.h"

#include "compiler/parse.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <optional>
#include <string_view>

namespace {

// A line normalised as the parser does it, with the position in the typed line of every character
// that is left, so that a span of the normalised text can be shown over the typed one.
class MappedLine {
public:
    explicit MappedLine(const std::string &line) : m_length(int(line.size())) {
        const std::size_t read = std::min(line.size(), LineCharactersRead);
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

    // The tokens in line order, closed by the typed characters beyond the ones the compiler reads.
    std::vector<Token> Finish() {
        std::sort(m_tokens.begin(), m_tokens.end(),
                  [](const Token &a, const Token &b) { return a.start < b.start; });
        if (m_length > int(LineCharactersRead))
            m_tokens.push_back(
                {int(LineCharactersRead), m_length - int(LineCharactersRead), TokenClass::Ignored});
        return std::move(m_tokens);
    }

private:
    int m_length;
    std::string m_text;
    std::vector<int> m_map;
    std::vector<Token> m_tokens;
};

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

// One parameter read as the slot readers read its number: an integer or a real by its id.
void AddParameter(MappedLine &line, const ScannedParameter &parameter, std::optional<StatementKind> kind) {
    if (parameter.number.Empty() || !parameter.written) { // errors 12 and 13
        line.Add(parameter.text.begin, parameter.text.end, TokenClass::Invalid);
        return;
    }
    const bool knownId = parameter.id != 0;
    const std::string number(parameter.number.Of(line.Text()));
    const bool integer = IsIntegerParameter(parameter.id, kind.value_or(StatementKind::None));
    const bool wellFormed = integer ? ReadInteger(number).has_value() : ReadReal(number).has_value();
    line.Add(parameter.number.begin, parameter.number.end,
             !knownId || wellFormed ? TokenClass::Number : TokenClass::Invalid);
    line.Add(parameter.number.end, parameter.text.end, knownId ? TokenClass::Unit : TokenClass::Invalid);
}

// The name and parameters of a statement (the line without its comment) as the scanner finds them.
void AddStatementParts(MappedLine &line, const ScannedStatement &statement, std::size_t length,
                       std::optional<StatementKind> kind) {
    const TokenClass nameClass = !kind                        ? TokenClass::UnknownFunction
                                 : kind == StatementKind::End ? TokenClass::End
                                                              : TokenClass::Function;
    line.Add(statement.name.begin, statement.name.end, nameClass);
    const std::size_t open = statement.open, close = statement.close;
    if (open == std::string::npos) return;
    // A nameless statement is still an invalid function: its "(" carries the mark.
    line.Add(open, open + 1, statement.name.Empty() ? TokenClass::UnknownFunction : TokenClass::Punctuation);
    if (close == std::string::npos) {
        line.Add(open + 1, length, TokenClass::Ignored); // no parameters at all
        return;
    }
    for (const ScannedParameter &parameter : statement.parameters) AddParameter(line, parameter, kind);
    for (const TextSpan &unread : statement.unread) line.Add(unread.begin, unread.end, TokenClass::Ignored);
    for (std::size_t comma : statement.commas) line.Add(comma, comma + 1, TokenClass::Punctuation);
    line.Add(close, close + 1, TokenClass::Punctuation);
    line.Add(close + 1, length, TokenClass::Ignored);
}

// A line of the statement section; after the END statement the section is over.
LinePlace AddStatement(MappedLine &line) {
    const std::string &text = line.Text();
    const std::size_t end = std::min(text.find(';'), text.size());
    const std::string_view statement = std::string_view(text).substr(0, end);
    std::optional<StatementKind> kind;
    if (!statement.empty()) { // a blank or comment line is skipped
        const ScannedStatement scanned = ScanStatement(statement);
        kind = FindKind(std::string(scanned.name.Of(statement)));
        AddStatementParts(line, scanned, end, kind);
    }
    line.AddUnread(end, text.size());
    return kind == StatementKind::End ? LinePlace::Trailing : LinePlace::Statements;
}

// The maxsteer line: keyword, "(", the number up to the first D, the unit; the rest is not read.
void AddMaxSteer(MappedLine &line) {
    const std::string &text = line.Text();
    const std::size_t keyword = MaxSteerKeyword.size();
    line.Add(0, keyword, TokenClass::MaxSteer);
    const ScannedMaxSteer scanned = ScanMaxSteerLine(text);
    if (!scanned.wellFormed) { // error 27
        line.Add(keyword, text.size(), TokenClass::Invalid);
        return;
    }
    line.Add(keyword, keyword + 1, TokenClass::Punctuation);
    const TextSpan number = scanned.number;
    const bool wellFormed = ReadReal(std::string(number.Of(text))).has_value();
    line.Add(number.begin, number.end, wellFormed ? TokenClass::Number : TokenClass::Invalid);
    const std::size_t d = number.end;
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
    if (header && text.starts_with(BeginKeyword)) {
        AddKeywordLine(mapped, BeginKeyword.size(), TokenClass::Begin);
        next = LinePlace::Statements;
    } else if (header && text.starts_with(MaxSteerKeyword)) {
        if (place == LinePlace::Header)
            AddMaxSteer(mapped);
        else
            AddKeywordLine(mapped, MaxSteerKeyword.size(), TokenClass::ExtraMaxSteer);
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
