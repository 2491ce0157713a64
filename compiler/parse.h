// The program language: line normalising, the header scan and the statement parser.
#pragma once

#include "compiler/state.h"
#include "compiler/statement.h"

#include <optional>
#include <string>
#include <vector>

// Reads one program text into the state's statements, sets MaxSteer and raises the text's messages.
void ParseProgram(CompilerState &state, const std::vector<std::string> &lines);

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
std::optional<StatementKind> FindKind(const std::string &name);

// Reads the maxsteer line: sets MaxSteer and raises error 27, 28 or 29 with the given line number.
void ReadMaxSteerLine(CompilerState &state, int line, const std::string &text);

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

// Steps 1 to 3 of normalising: first 100 characters, blanks removed, a-z upper-cased.
std::string NormaliseLine(const std::string &line);

// Whether the normalised line begins with the keyword (BEGIN or MAXSTEER).
bool LineStartsWith(const std::string &line, const std::string &keyword);

// A well-formed real number, or nothing (decision L1).
std::optional<float> ReadReal(const std::string &text);
// A well-formed 32-bit integer, or nothing (decision L2).
std::optional<long> ReadInteger(const std::string &text);
