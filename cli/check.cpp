// quillard-cli check: the Messages text of a compile, and on request the program summary, as text or
// as one JSON document; for a set without --program, of every one of its 16 programs. Statement text
// the compiler reads as nothing is a finding of its own.
#include "cli/cli.h"
#include "cli/json.h"
#include "compiler/compile.h"
#include "compiler/ignored.h"
#include "compiler/summary.h"
#include "romfiles/programset.h"

namespace {

// Statement text the compiler reads as nothing: a line each on stderr, or a list in the document.
Json IgnoredJson(const std::vector<IgnoredText> &ignored) {
    Json list = Json::array();
    for (const IgnoredText &i : ignored)
        list.push_back({{"line", i.line}, {"what", Latin1(i.what)}, {"why", i.why}});
    return list;
}

// The ignored text of the lines, counted as findings and, outside JSON, named on stderr (after the
// program's "Program #p: " for a program of a whole set).
std::vector<IgnoredText> NoteIgnored(const CliOptions &options, const ProgramText &lines,
                                     const std::string &prefix) {
    std::vector<IgnoredText> ignored = FindIgnoredText(lines);
    Findings().ignored += static_cast<int>(ignored.size());
    if (!options.json)
        for (const IgnoredText &i : ignored)
            std::fprintf(stderr, "%s%s\n", prefix.c_str(), IgnoredTextLine(i).c_str());
    return ignored;
}

// The figures of one compile for the JSON document.
Json CompileJson(const CliOptions &options, const CompilerState &state, bool ok, int program,
                 const std::vector<IgnoredText> &ignored) {
    Json document{{"compiled", ok},
                  {"errors", state.ErrorCount},
                  {"warnings", state.WarningCount},
                  {"messages", MessagesJson(state)},
                  {"notices", NoticesJson(program)},
                  {"ignored", IgnoredJson(ignored)}};
    if (ok && options.summary) document["summary"] = SummaryJson(SummarizeProgram(state));
    return document;
}

// Every program of the set, each under its "Program #p:" line (one entry each in JSON); exit 1 when
// any of them fails.
int CheckSet(const CliOptions &options) {
    const std::string &file = InputFile(options);
    const ProgramSet set = ReadingInput(file, [&] { return ReadProgramSet(file); });
    const CompileOptions compile = MakeCompileOptions(options, true);
    bool all = true;
    Json programs = Json::array();
    CompilerState state;
    for (int p = 0; p < ProgramCount; ++p) {
        Findings().program = p;
        const ProgramText &lines = set[static_cast<std::size_t>(p)];
        const bool ok = CompileProgram(state, lines, compile);
        all = all && ok;
        if (ok) NoteWarnings(options, state, "", true);
        const std::vector<IgnoredText> ignored =
            NoteIgnored(options, lines, "Program #" + std::to_string(p) + ": ");
        if (options.json) {
            Json entry{{"program", p}};
            entry.update(CompileJson(options, state, ok, p, ignored));
            programs.push_back(entry);
            continue;
        }
        WriteOut("Program #" + std::to_string(p) + ":\n");
        PrintLines(stdout, state.messageLines);
        if (ok && options.summary) PrintLines(stdout, SummaryLines(SummarizeProgram(state)));
    }
    if (options.json) PrintJson({{"file", FileName(file)}, {"compiled", all}, {"programs", programs}});
    return all ? 0 : 1;
}

} // namespace

int RunCheck(const CliOptions &options) {
    const std::string &file = InputFile(options);
    if (IsSetFileName(file) && !options.programGiven) return CheckSet(options);
    auto lines = ReadProgram(options);
    CompilerState state;
    bool ok = CompileProgram(state, lines, MakeCompileOptions(options));
    if (ok) NoteWarnings(options, state, "", true);
    const std::vector<IgnoredText> ignored = NoteIgnored(options, lines, "");
    if (options.json) {
        Json document{{"file", FileName(file)},
                      {"program", IsSetFileName(file) ? Json(options.program) : Json(nullptr)}};
        document.update(CompileJson(options, state, ok, -1, ignored));
        PrintJson(document);
        return ok ? 0 : 1;
    }
    PrintLines(stdout, state.messageLines);
    if (ok && options.summary) PrintLines(stdout, SummaryLines(SummarizeProgram(state)));
    return ok ? 0 : 1;
}
