// The program language: line normalising, the header scan, the statement parser, and the scanner
// that the editor's highlighter and the importers read the language with.
#pragma once

#include "compiler/state.h"
#include "compiler/statement.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t LineCharactersRead = 100; // of every line; the rest is never read

// The keywords of the header lines, which a normalised line starts with.
constexpr std::string_view BeginKeyword = "BEGIN";
constexpr std::string_view MaxSteerKeyword = "MAXSTEER";

// Reads one program text into the state's statements, sets MaxSteer and raises the text's messages.
void ParseProgram(CompilerState &state, const std::vector<std::string> &lines);

// The statement lines of a program text as ParseProgram reads them, [first, last): from the line
// after the first begin line up to the line of the first END statement after it (both left out), or
// to the end of the text when no END follows. Without a begin line there are none.
struct LineRange {
    std::size_t first = 0;
    std::size_t last = 0;
};
LineRange StatementLines(const std::vector<std::string> &lines);

// Parses one normalised statement text; raises its messages with the given line number.
ProgramStatement ParseStatement(CompilerState &state, int line, const std::string &text);

// The integers of a statement as written, before they are stored in their narrower fields.
struct WrittenIntegers {
    long clockRate = 0;
    long flagNumber = 0;
    long flagValue = 0;
};

// Runs the per-kind checks on a statement whose parameters have all been read; raises their messages.
void ValidateStatement(CompilerState &state, const ProgramStatement &statement,
                       const WrittenIntegers &written);

// The kind of a function name (exact, upper case), or nothing for an unknown name.
std::optional<StatementKind> FindKind(std::string_view name);

// Reads the maxsteer line: sets MaxSteer and raises error 27, 28 or 29 with the given line number.
void ReadMaxSteerLine(CompilerState &state, int line, const std::string &text);

// ---- the scanner: where the parser finds the parts of a normalised line, without raising anything

// The characters [begin, end) of a normalised line.
struct TextSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool Empty() const { return begin == end; }
    std::string_view Of(std::string_view text) const { return text.substr(begin, end - begin); }
};

// One parameter: the number runs up to its last digit, point or minus, the id is the character after.
struct ScannedParameter {
    TextSpan text;               // between "(" or "," and the next "," or ")"
    TextSpan number;             // empty when the text holds no digit, point or minus (error 12)
    std::optional<char> written; // the character after the number; none when the number ends the text (13)
    char id = 0; // the parameter id it stands for: D, S, C, H, B or P ("%" is P); 0 for none (error 14)
};
ScannedParameter ScanParameter(std::string_view text, TextSpan span);

// A statement: its name up to "(", and its parameters between "(" and the first ")". With no ")", or
// fewer than two characters between them, no parameter is read.
struct ScannedStatement {
    TextSpan name;
    std::size_t open = std::string_view::npos;  // "(", npos without one
    std::size_t close = std::string_view::npos; // ")" after the parameters; npos when none are read
    std::vector<std::size_t> commas;            // the separators between open and close
    std::vector<ScannedParameter> parameters;   // the non-empty parameters read: the first seven
    std::vector<TextSpan> unread;               // non-empty parameters after the seventh: ignored
};
ScannedStatement ScanStatement(std::string_view text);

// The maxsteer line: "MAXSTEER(" and the number up to the first D.
struct ScannedMaxSteer {
    bool wellFormed = false; // both are there (else error 27)
    TextSpan number;
};
ScannedMaxSteer ScanMaxSteerLine(std::string_view text);

// Whether the text is a real number as the language writes it: an optional sign, digits with an
// optional point and at least one digit in all ("1." and ".5", not "." or "-"), and an optional
// exponent of "E" or "e", an optional sign and at least one digit.
bool IsRealSyntax(std::string_view text);

// Whether a parameter with this id is read as an integer in a statement of this kind: flag numbers,
// flag values and the clock rate of SETRATE; every other number is real.
bool IsIntegerParameter(char id, StatementKind kind);

// ---- readers built on the scanner

struct SplitResult {
    std::string name;
    std::vector<std::string> parameters; // at most seven
};
SplitResult SplitStatement(const std::string &text);

struct ParameterId {
    char id;            // D, S, C, H, B or P
    std::string number; // the number text before the id
};
// The id and number of one parameter text; raises error 12, 13 or 14 and returns nothing on a fault.
std::optional<ParameterId> ParseParameterId(CompilerState &state, int line, const std::string &text);

std::string StripBlanks(const std::string &text);

// A line as the parser reads it: its first 100 characters, without blanks, a to z upper-cased.
std::string NormaliseLine(const std::string &line);

// Whether the normalised line begins with the keyword (BEGIN or MAXSTEER).
bool LineStartsWith(const std::string &line, std::string_view keyword);

// The value of a real number of the language, or nothing when the text is not one or its magnitude
// does not fit a float (1E39); a value too small for a float reads as a signed zero.
std::optional<float> ReadReal(std::string_view text);
// The value of an integer (an optional sign and digits), or nothing when the text is not one or the
// value lies outside the 32-bit signed range.
std::optional<long> ReadInteger(std::string_view text);
