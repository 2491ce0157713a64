// Editor tokens: the classified spans of a program line, read by the same rules as the parser.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a span of a line is to the compiler.
enum class TokenClass : std::uint8_t {
    Function,        // a function name the compiler knows (END has its own class)
    UnknownFunction, // a function name that raises error 11
    MaxSteer,        // the keyword of the maxsteer line
    ExtraMaxSteer,   // the keyword of a further maxsteer line before begin: warning 103, ignored
    Begin,           // the keyword of the begin line
    End,             // the END statement's name: the last line the compiler reads
    Number,          // a well-formed number of a parameter or of the maxsteer line
    Unit,            // the letters after a number: the parameter id and the rest of its word
    Punctuation,     // "(", ")" and "," of a statement or of the maxsteer line
    Comment,         // ";" and the text after it
    Ignored,         // text the compiler never reads (header and trailing lines, beyond 100 characters, ...)
    Invalid,         // parameter or maxsteer text the compiler rejects (errors 12 to 14, 20 to 25, 27, 28)
};

// Where a line stands in its program: decided by the lines before it.
enum class LinePlace : std::uint8_t {
    Header,     // before the first maxsteer or begin line
    Gap,        // after the maxsteer line, before begin
    Statements, // after begin, up to and including the END statement
    Trailing,   // after the END statement
};

// One span over the line as typed: start and length in characters (bytes of the Latin-1 line).
struct Token {
    int start = 0;
    int length = 0;
    TokenClass kind = TokenClass::Ignored;
    bool operator==(const Token &) const = default;
};

struct LineTokens {
    std::vector<Token> tokens; // in line order, not overlapping; blanks between them belong to none
    LinePlace next;            // the place of the line after this one
};

// The spans of one line that stands at the given place, and the place of the following line.
LineTokens TokenizeLine(const std::string &line, LinePlace place);

// The spans of every line of a program text, the first line standing in the header.
std::vector<std::vector<Token>> TokenizeProgram(const std::vector<std::string> &lines);

// The program line that a line of the Messages text names ("Error in line 7: ...",
// "Warning in line 12: ...", or the bare number before a message without text), or 0.
int MessageLineNumber(const std::string &messageLine);
