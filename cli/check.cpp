// quillard-cli check: the Messages text of one compile, and on request the program summary.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "compiler/summary.h"

int RunCheck(const CliOptions &options) {
    auto lines = ReadProgram(options);
    CompilerState state;
    bool ok = CompileProgram(state, lines, MakeCompileOptions(options));
    PrintLines(stdout, state.messageLines);
    if (ok && options.summary) PrintLines(stdout, SummaryLines(SummarizeProgram(state)));
    return ok ? 0 : 1;
}
