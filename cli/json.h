// quillard-cli: the JSON documents of --json, built with nlohmann's ordered JSON.
#pragma once

#include "cli/cli.h"
#include "compiler/state.h"
#include "compiler/summary.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

using Json = nlohmann::ordered_json;

// The document as text, two blanks an indent. Strings are written as their bytes: valid UTF-8 as it
// is (only '"', '\\' and control characters escaped), and each byte that is not part of valid UTF-8
// as the escape \u00XX of its value (its Latin-1 reading), so that a file name reads back byte for
// byte: raw characters are UTF-8, escapes from \u0080 to \u00ff are single bytes.
std::string JsonText(const Json &document);
// Writes JsonText of the document to standard output.
void PrintJson(const Json &document);

// Program texts, messages and notices are Latin-1: each byte becomes its character.
Json Latin1(const std::string &text);
Json Latin1Lines(const std::vector<std::string> &lines);

// A file name: its bytes, as JsonText writes them.
Json FileName(const std::string &name);

// A time or a duration in seconds, as the shortest text that reads back to the same double (1.0009765625
// for step 1025 at 1024 Hz, which the stored float holds exactly).
Json Time(double seconds);

// A stored single-precision figure as the shortest decimal that reads back as the same float (2.929,
// not 2.9289999008178711).
Json Figure(float value);

// The messages of the state's last compile: line, code, severity ("error", "warning" or
// "information") and the text the Messages dialog shows.
Json MessagesJson(const CompilerState &state);

// The program summary with a unit in every figure's key.
Json SummaryJson(const ProgramSummary &summary);

// The notices raised while the given program compiled (-1: the command's one program).
Json NoticesJson(int program);
