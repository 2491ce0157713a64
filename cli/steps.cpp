// quillard-cli steps: the whole step store of one compile as CSV, or as a MATLAB file.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "measure/matfile.h"
#include "romfiles/exporters.h"
#include "romfiles/fileio.h"

#include <cstdio>

int RunSteps(const CliOptions &options) {
    auto lines = ReadProgram(options);
    if (!options.output.empty()) CheckOutput(options, options.output, true);
    CompilerState state;
    if (!CompileProgram(state, lines, MakeCompileOptions(options))) {
        PrintLines(stderr, state.messageLines);
        return 1;
    }
    NoteWarnings(options, state, "", false);
    if (options.output.empty()) {
        PrintLines(stdout, StepsCsvLines(state.steps, state.endIndex, state.MaxSteer));
        return 0;
    }
    if (StrictKeepsFrom(options, options.output)) return 1;
    if (options.format == "mat")
        WriteFileAtomically(options.output,
                            MatFileBytes(StepsMatVariables(state.steps, state.endIndex, state.MaxSteer)));
    else
        WriteFileAtomically(options.output, StepsCsvBytes(state.steps, state.endIndex, state.MaxSteer));
    return 0;
}
