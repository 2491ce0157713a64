// quillard-cli check: the Messages text of one compile, and on request the program summary, as text or
// as one JSON document.
#include "cli/cli.h"
#include "cli/json.h"
#include "compiler/compile.h"
#include "compiler/summary.h"

int RunCheck(const CliOptions &options) {
    auto lines = ReadProgram(options);
    CompilerState state;
    bool ok = CompileProgram(state, lines, MakeCompileOptions(options));
    if (ok) NoteWarnings(options, state, "", true);
    if (options.json) {
        const std::string &file = InputFile(options);
        Json document{{"file", Latin1(file)},
                      {"program", IsSetFileName(file) ? Json(options.program) : Json(nullptr)},
                      {"compiled", ok},
                      {"errors", state.ErrorCount},
                      {"warnings", state.WarningCount},
                      {"messages", MessagesJson(state)},
                      {"notices", NoticesJson(-1)}};
        if (ok && options.summary) document["summary"] = SummaryJson(SummarizeProgram(state));
        PrintJson(document);
        return ok ? 0 : 1;
    }
    PrintLines(stdout, state.messageLines);
    if (ok && options.summary) PrintLines(stdout, SummaryLines(SummarizeProgram(state)));
    return ok ? 0 : 1;
}
