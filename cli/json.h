// quillard-cli: the JSON documents of --json, built with nlohmann's ordered JSON.
#pragma once

#include "cli/cli.h"
#include "compiler/state.h"
#include "compiler/summary.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

using Json = nlohmann::ordered_json;

// Writes the document to standard output, two blanks an indent; text that is not UTF-8 becomes U+FFFD.
void PrintJson(const Json &document);

// Program texts, messages, notices and file names are Latin-1; JSON strings are UTF-8.
Json Latin1(const std::string &text);
Json Latin1Lines(const std::vector<std::string> &lines);

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
