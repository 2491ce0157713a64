// The compile pipeline: the only entry into the compiler.
#pragma once

#include "compiler/state.h"

#include <string>
#include <vector>

// Compiles one program text into the state; true exactly when no error was raised. Every compile
// refills the message list and the Messages text; the notices go to the options' handler.
bool CompileProgram(CompilerState &state, const std::vector<std::string> &lines,
                    const CompileOptions &options = {});
