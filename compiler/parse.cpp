// The program language.
#include "compiler/parse.h"

// TODO(#2): the parser.
void ParseProgram(const std::vector<std::string> &) {}
