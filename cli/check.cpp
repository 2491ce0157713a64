// quillard-cli check: the Messages text of one compile, and on request the program summary, as text or
// as one JSON document.
#include "cli/cli.h"
#include "cli/json.h"
#include "compiler/compile.h"
#include "compiler/ignored.h"
#include "compiler/summary.h"

namespace {

// Statement text the compiler reads as nothing: a line each on stderr, or a list in the document.
Json IgnoredJson(const std::vector<IgnoredText> &ignored) {
    Json list = Json::array();
    for (const IgnoredText &i : ignored)
        list.push_back({{"line", i.line}, {"what", Latin1(i.what)}, {"why", i.why}});
    return list;
}

} // namespace

int RunCheck(const CliOptions &options) {
    auto lines = ReadProgram(options);
    CompilerState state;
    bool ok = CompileProgram(state, lines, MakeCompileOptions(options));
    if (ok) NoteWarnings(options, state, "", true);
    const std::vector<IgnoredText> ignored = FindIgnoredText(lines);
    Findings().ignored += static_cast<int>(ignored.size());
    if (options.json) {
        const std::string &file = InputFile(options);
        Json document{{"file", Latin1(file)},
                      {"program", IsSetFileName(file) ? Json(options.program) : Json(nullptr)},
                      {"compiled", ok},
                      {"errors", state.ErrorCount},
                      {"warnings", state.WarningCount},
                      {"messages", MessagesJson(state)},
                      {"notices", NoticesJson(-1)},
                      {"ignored", IgnoredJson(ignored)}};
        if (ok && options.summary) document["summary"] = SummaryJson(SummarizeProgram(state));
        PrintJson(document);
        return ok ? 0 : 1;
    }
    for (const IgnoredText &i : ignored) std::fprintf(stderr, "%s\n", IgnoredTextLine(i).c_str());
    PrintLines(stdout, state.messageLines);
    if (ok && options.summary) PrintLines(stdout, SummaryLines(SummarizeProgram(state)));
    return ok ? 0 : 1;
}
