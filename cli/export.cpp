// quillard-cli export: a program as text or as a time-and-value file.
#include "cli/cli.h"
#include "compiler/state.h"
#include "files/fileio.h"
#include "romfiles/exporters.h"

int RunExport(const CliOptions &options) {
    CheckOutput(options, options.output, options.format == "tv");
    ProgramText program = ReadProgram(options);
    try {
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
    } catch (const FileError &e) {
        throw InputError(e.path(), e.reason());
    }
    return 0;
}
