// quillard-cli build: the 16 programs of a set into the EPROM and aux files.
#include "romfiles/build.h"
#include "cli/cli.h"
#include "romfiles/fileio.h"

#include <cstdio>

int RunBuild(const CliOptions &options) {
    const std::string &file = InputFile(options);
    ProgramSet set;
    try {
        set = ParseProgramSet(SplitLines(ReadFileBytes(file)));
    } catch (const FileError &e) {
        throw InputError(file, e.reason());
    } catch (const FormatError &e) {
        throw InputError(file, e.what());
    }
    BuildCallbacks callbacks;
    callbacks.programFailed = [](int program, const std::vector<std::string> &messageLines) {
        std::printf("Program #%d:\n", program);
        PrintLines(stdout, messageLines);
    };
    BuildOutcome outcome;
    try {
        outcome = BuildSet(set, options.output, MakeCompileOptions(options), callbacks);
    } catch (const FileError &e) {
        std::fflush(stdout);
        throw InputError(e.path(), e.reason());
    }
    std::fflush(stdout);
    if (!outcome.success) {
        std::fprintf(stderr, "%s\n", outcome.text.c_str());
        return 1;
    }
    std::printf("%s\n", outcome.text.c_str());
    return 0;
}
