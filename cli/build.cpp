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

// The copies of the images, written with them.
std::vector<FileContent> MakeCopies(const std::vector<Copy> &copies, const CliOptions &options,
                                    const std::string &main, const std::string &aux) {
    std::vector<FileContent> files;
    for (const Copy &copy : copies) {
        const bool hex = copy.extension == ".hex";
        files.push_back(
            {copy.binPath, hex ? IntelHex(main) : MotorolaSrec(main, FileNameOf(options.output))});
        files.push_back(
            {copy.auxPath, hex ? IntelHex(aux) : MotorolaSrec(aux, FileNameOf(AuxPathFor(options.output)))});
    }
    return files;
}

} // namespace

int RunBuild(const CliOptions &options) {
    const std::string &file = InputFile(options);
    const std::string auxPath = AuxPathFor(options.output);
    const std::vector<Copy> copies = RequestedCopies(options);
    CheckOutput(options, options.output, true);
    CheckOutput(options, auxPath, true);
    for (const Copy &copy : copies) {
        CheckOutput(options, copy.binPath, true);
        CheckOutput(options, copy.auxPath, true);
    }
    ProgramSet set;
    try {
        set = ReadProgramSet(file); // a program-set file whatever its name
    } catch (const FileError &e) {
        throw InputError(file, e.reason());
    } catch (const FormatError &e) {
        throw InputError(file, e.what());
    }
    // Each notice line names the program it was raised for; its text stays as it is.
    int current = 0;
    CompileOptions compile = MakeCompileOptions(options);
    compile.notice = [&current, print = compile.notice](const std::string &text) {
        print("Program #" + std::to_string(current) + ": " + text);
    };
    BuildCallbacks callbacks;
    callbacks.programStarts = [&current](int program) { current = program; };
    callbacks.programFailed = [](int program, const std::vector<std::string> &messageLines) {
        WriteOut("Program #" + std::to_string(program) + ":\n");
        PrintLines(stdout, messageLines);
    };
    ImageCopies makeCopies;
    if (!copies.empty())
        makeCopies = [&](const std::string &main, const std::string &aux) {
            return MakeCopies(copies, options, main, aux);
        };
    CompilerState state;
    BuildOutcome outcome;
    try {
        outcome = BuildSet(state, set, options.output, compile, callbacks, makeCopies);
    } catch (const FileError &e) {
        throw InputError(e.path(), e.reason());
    }
    if (!outcome.success) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", outcome.text.c_str());
        return 1;
    }
    // Every file is written before the first success line: a failure has printed none.
    WriteOut(PrintableText(outcome.text) + "\n");
    for (const Copy &copy : copies)
        WriteOut("Files " + PrintableText(FileNameOf(copy.binPath)) + " and " +
                 PrintableText(FileNameOf(copy.auxPath)) + " were successfully created.\n");
    if (!options.report) return 0;

    // The report is made from the files as written, read under the pair's lock.
    std::vector<std::string> images;
    try {
        images = ReadFileGroup(auxPath, {options.output, auxPath}, EpromFileLimit);
    } catch (const FileError &e) {
        throw InputError(e.path(), e.reason());
    }
    PrintLines(stdout, ReportLines(ReportImages(images[0], images[1])));
    return 0;
}
