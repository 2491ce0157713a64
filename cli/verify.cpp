// quillard-cli verify: a set rebuilt and compared word by word with the EPROM image (and the aux
// image) read back from the programmer.
#include "romfiles/verify.h"
#include "cli/cli.h"
#include "romfiles/fileio.h"

#include <cstdio>

namespace {

std::string ReadInput(const std::string &path) {
    try {
        return ReadFileBytes(path);
    } catch (const FileError &e) {
        throw InputError(path, e.reason());
    }
}

} // namespace

int RunVerify(const CliOptions &options) {
    const std::string &setPath = options.files[0], &binPath = options.files[1];
    ProgramSet set;
    try {
        set = ParseProgramSet(SplitLines(ReadInput(setPath)));
    } catch (const FormatError &e) {
        throw InputError(setPath, e.what());
    }
    const std::string bin = ReadInput(binPath);
    std::optional<std::string> aux;
    if (!options.auxImage.empty()) aux = ReadInput(options.auxImage);

    BuildCallbacks callbacks;
    callbacks.programFailed = [](int program, const std::vector<std::string> &messageLines) {
        WriteOut("Program #" + std::to_string(program) + ":\n");
        PrintLines(stdout, messageLines);
    };
    CompilerState state;
    const SetComparison comparison =
        CompareSetWithImages(state, set, bin, aux ? std::optional<std::string_view>(*aux) : std::nullopt,
                             MakeCompileOptions(options), callbacks);
    std::fflush(stdout);
    if (!comparison.built) {
        PrintLines(stderr, comparison.faults);
        std::fprintf(stderr, "Error(s) were found. The images were not compared.\n");
        return 1;
    }
    PrintLines(stdout, ComparisonLines(comparison, FileNameOf(setPath), FileNameOf(binPath),
                                       FileNameOf(options.auxImage)));
    return comparison.Identical() ? 0 : 1;
}
