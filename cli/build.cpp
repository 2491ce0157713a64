// quillard-cli build: the 16 programs of a set into the EPROM and aux files, and on request their
// report and Intel HEX and S-record copies.
#include "romfiles/build.h"
#include "cli/cli.h"
#include "romfiles/fileio.h"
#include "romfiles/imagecheck.h"

#include <cstdio>

namespace {

struct Copy {
    std::string extension;
    std::string binPath, auxPath;
};

std::vector<Copy> RequestedCopies(const CliOptions &options) {
    std::vector<Copy> copies;
    const std::string &bin = options.output;
    const std::string aux = AuxPathFor(bin);
    for (auto [wanted, extension] : {std::pair{options.hex, ".hex"}, std::pair{options.srec, ".srec"}}) {
        if (!wanted) continue;
        const ImageCopyNames names = CopyNamesFor(bin, extension);
        Copy copy{extension, names.bin, names.aux};
        for (const std::string &path : {copy.binPath, copy.auxPath})
            if (path == bin || path == aux)
                throw UsageError("the " + std::string(extension) + " copy " + path +
                                 " would replace a built file");
        copies.push_back(copy);
    }
    return copies;
}

std::string ReadBuilt(const std::string &path) {
    try {
        return ReadFileBytes(path);
    } catch (const FileError &e) {
        throw InputError(path, e.reason());
    }
}

void WriteCopy(const std::string &path, const std::string &bytes) {
    try {
        WriteFileAtomically(path, bytes);
    } catch (const FileError &e) {
        throw InputError(path, e.reason());
    }
}

} // namespace

int RunBuild(const CliOptions &options) {
    const std::string &file = InputFile(options);
    const std::vector<Copy> copies = RequestedCopies(options);
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
    CompilerState state;
    BuildOutcome outcome;
    try {
        outcome = BuildSet(state, set, options.output, MakeCompileOptions(options), callbacks);
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
    if (copies.empty() && !options.report) return 0;

    // The copies and the report are made from the files as written.
    const std::string auxPath = AuxPathFor(options.output);
    const std::string bin = ReadBuilt(options.output), aux = ReadBuilt(auxPath);
    for (const Copy &copy : copies) {
        bool hex = copy.extension == ".hex";
        WriteCopy(copy.binPath, hex ? IntelHex(bin) : MotorolaSrec(bin, FileNameOf(options.output)));
        WriteCopy(copy.auxPath, hex ? IntelHex(aux) : MotorolaSrec(aux, FileNameOf(auxPath)));
        std::printf("Files %s and %s were successfully created.\n", FileNameOf(copy.binPath).c_str(),
                    FileNameOf(copy.auxPath).c_str());
        std::fflush(stdout);
    }
    if (options.report) PrintLines(stdout, ReportLines(ReportImages(bin, aux)));
    return 0;
}
