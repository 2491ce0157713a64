// quillard-cli build: the 16 programs of a set into the EPROM and aux files, and on request their
// report and Intel HEX and S-record copies.
#include "romfiles/build.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "romfiles/fileio.h"
#include "romfiles/imagecheck.h"

#include <cstdio>

namespace {

// The formats of the copies asked for, refused before anything is built when a copy would replace a
// built file.
std::vector<std::string> RequestedCopies(const CliOptions &options) {
    std::vector<std::string> extensions;
    for (auto [wanted, extension] : {std::pair{options.hex, ".hex"}, std::pair{options.srec, ".srec"}}) {
        if (!wanted) continue;
        try {
            ImageCopyFiles(options.output, {extension}, {}, {});
        } catch (const FileError &e) {
            throw UsageError("the " + std::string(extension) + " copy " + e.path() +
                             " would replace a built file");
        }
        extensions.push_back(extension);
    }
    return extensions;
}

// The copies' files in the order they are written: for each format the EPROM file's, then the aux file's.
std::vector<std::string> CopyPaths(const CliOptions &options, const std::vector<std::string> &formats) {
    std::vector<std::string> paths;
    for (const FileContent &file : ImageCopyFiles(options.output, formats, {}, {}))
        paths.push_back(file.path);
    return paths;
}

Json ReportJson(const ImageReport &report) {
    Json slots = Json::array();
    for (const SlotInfo &slot : report.programs)
        slots.push_back({{"program", slot.program},
                         {"bin_offset", slot.binOffset},
                         {"aux_offset", slot.auxOffset},
                         {"end_index", slot.endIndex},
                         {"duration_s", Time(slot.duration)},
                         {"bin_crc32", CrcText(slot.binCrc)},
                         {"aux_crc32", CrcText(slot.auxCrc)}});
    return {{"bin_size_bytes", report.binSize},
            {"bin_crc32", CrcText(report.binCrc)},
            {"aux_size_bytes", report.auxSize},
            {"aux_crc32", CrcText(report.auxCrc)},
            {"slots", slots}};
}

// The report of the files as written, read under the pair's lock: printed as text unless --json
// wants it in the document.
Json PrintReport(const CliOptions &options, const std::string &auxPath) {
    const std::vector<std::string> images = ReadFileGroup(auxPath, {options.output, auxPath}, EpromFileLimit);
    const ImageReport report = ReportImages(images[0], images[1]);
    if (!options.json) PrintLines(stdout, ReportLines(report));
    return ReportJson(report);
}

// The callbacks of a build: each failure's Messages text (on stdout, or kept for the JSON document), the
// warnings of each program that compiled, and the program that raises each notice.
BuildCallbacks Callbacks(const CliOptions &options, const CompilerState &state, Json &programs) {
    BuildCallbacks callbacks;
    callbacks.programStarts = [](int program) { Findings().program = program; };
    callbacks.programFailed = [&options, &state, &programs](int program,
                                                            const std::vector<std::string> &lines) {
        if (options.json)
            programs.push_back(
                {{"program", program}, {"compiled", false}, {"messages", MessagesJson(state)}});
        else {
            WriteOut("Program #" + std::to_string(program) + ":\n");
            PrintLines(stdout, lines);
        }
    };
    callbacks.programCompiled = [&options, &programs](int program, const CompilerState &compiled) {
        NoteWarnings(options, compiled, "Program #" + std::to_string(program) + ": ", false);
        if (options.json)
            programs.push_back(
                {{"program", program}, {"compiled", true}, {"messages", MessagesJson(compiled)}});
    };
    // With --strict a warning or a notice fails the build, and a failed build writes nothing.
    callbacks.beforeWriting = [&options]() -> std::optional<std::string> {
        if (!options.strict || !Findings().Any()) return std::nullopt;
        return "Warning(s) or notice(s) were found (--strict). File was not created.";
    };
    return callbacks;
}

} // namespace

int RunBuild(const CliOptions &options) {
    const std::string &file = InputFile(options);
    const std::string auxPath = AuxPathFor(options.output);
    const std::vector<std::string> copies = RequestedCopies(options);
    const std::vector<std::string> copyPaths = CopyPaths(options, copies);
    CheckOutput(options, options.output, true);
    CheckOutput(options, auxPath, true);
    for (const std::string &path : copyPaths) CheckOutput(options, path, true);
    const ProgramSet set = ReadSetFile(file); // a set whatever its name
    CompilerState state;
    Json programs = Json::array();
    const BuildCallbacks callbacks = Callbacks(options, state, programs);
    ImageCopies makeCopies;
    if (!copies.empty())
        makeCopies = [&](const std::string &main, const std::string &aux) {
            return ImageCopyFiles(options.output, copies, main, aux);
        };
    const BuildOutcome outcome =
        BuildSet(state, set, options.output, MakeCompileOptions(options, true), callbacks, makeCopies);
    for (Json &program : programs) program["notices"] = NoticesJson(program["program"]);
    Json document{{"file", FileName(file)},
                  {"bin", FileName(options.output)},
                  {"aux", FileName(auxPath)},
                  {"built", outcome.success},
                  {"programs", programs}};
    if (!outcome.success) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", outcome.text.c_str());
        if (options.json) {
            std::vector<std::string> faults = SplitLines(outcome.text); // the image checks, then the verdict
            faults.pop_back();
            document["faults"] = faults;
            PrintJson(document);
        }
        return 1;
    }
    // Every file is written before the first success line: a failure has printed none.
    if (!options.json) {
        WriteOut(PrintableText(outcome.text) + "\n");
        for (std::size_t k = 0; k + 1 < copyPaths.size(); k += 2)
            WriteOut("Files " + PrintableText(FileNameOf(copyPaths[k])) + " and " +
                     PrintableText(FileNameOf(copyPaths[k + 1])) + " were successfully created.\n");
    }
    document["copies"] = Json::array();
    for (const std::string &path : copyPaths) document["copies"].push_back(FileName(path));
    if (options.report) document["report"] = PrintReport(options, auxPath);
    if (options.json) PrintJson(document);
    return 0;
}
