// quillard-cli check: the Messages text of one compile.
#include "cli/cli.h"
#include "compiler/compile.h"

int RunCheck(const CliOptions &options) {
    auto lines = ReadProgram(options);
    bool ok = CompileProgram(lines, MakeCompileOptions(options));
    PrintLines(stdout, Compiler().messageLines);
    return ok ? 0 : 1;
}
