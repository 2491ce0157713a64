// quillard-cli export: a program as text or as a time-and-value file.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "compiler/state.h"
#include "romfiles/exporters.h"
#include "romfiles/fileio.h"

int RunExport(const CliOptions &options) {
    CheckOutput(options, options.output, options.format == "tv");
    ProgramText program = ReadProgram(options);
    if (options.format == "text") {
        ExportText(options.output, program);
        return 0;
    }
    CompilerState state;
    if (!CompileProgram(state, program, MakeCompileOptions(options))) {
        PrintLines(stderr, state.messageLines);
        return 1;
    }
    NoteWarnings(options, state, "", false);
    if (StrictKeepsFrom(options, options.output)) return 1;
    WriteFileAtomically(options.output, TimeValueExportBytes(state.steps));
    return 0;
}
