// quillard-cli steps: the whole step store of one compile as CSV.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "romfiles/exporters.h"

#include <cstdio>

int RunSteps(const CliOptions &options) {
    auto lines = ReadProgram(options);
    CompilerState state;
    if (!CompileProgram(state, lines, MakeCompileOptions(options))) {
        PrintLines(stderr, state.messageLines);
        return 1;
    }
    PrintLines(stdout, StepsCsvLines(state.steps, state.endIndex, state.MaxSteer));
    return 0;
}
