// quillard-cli steps: the whole step store of one compile as CSV.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "romfiles/exporters.h"

#include <cstdio>

int RunSteps(const CliOptions &options) {
    auto lines = ReadProgram(options);
    if (!CompileProgram(lines, MakeCompileOptions(options))) {
        PrintLines(stderr, Compiler().messageLines);
        return 1;
    }
    const CompilerState &state = Compiler();
    PrintLines(stdout, StepsCsvLines(state.steps, state.endIndex, state.MaxSteer));
    return 0;
}
