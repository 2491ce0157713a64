// quillard-cli export: a program as text or as a time-and-value file.
#include "cli/cli.h"
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
    CompileOptions compile = MakeCompileOptions(options);
    CompilerState state;
    if (!ExportTimeValue(state, options.output, program, compile)) {
        PrintLines(stderr, state.messageLines);
        return 1;
    }
    NoteWarnings(options, state, "", false);
    return 0;
}
