// quillard-cli verify: a set rebuilt and compared word by word with the EPROM image (and the aux
// image) read back from the programmer, as text or as one JSON document.
#include "romfiles/verify.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "romfiles/fileio.h"

#include <cstdio>

namespace {

Json DifferenceJson(const FirstDifference &d) {
    if (d.count == 0) return nullptr;
    return {{"count", d.count},
            {"first_step", d.step},
            {"first_time_s", Time(d.time)},
            {"expected", d.expected},
            {"found", d.found ? Json(*d.found) : Json(nullptr)}};
}

Json ComparisonJson(const CliOptions &options, const SetComparison &c, const Json &failed) {
    Json programs = Json::array();
    for (const SlotComparison &slot : c.programs) {
        Json words = DifferenceJson(slot.main);
        if (slot.main.count > 0) {
            words["expected_steer_deg"] = Figure(slot.expectedSteer);
            words["found_steer_deg"] = slot.main.found ? Figure(slot.foundSteer) : Json(nullptr);
        }
        programs.push_back({{"program", slot.program},
                            {"matches", slot.Matches()},
                            {"words", words},
                            {"aux_bytes", DifferenceJson(slot.aux)},
                            {"notices", NoticesJson(slot.program)}});
    }
    return {{"set", FileName(options.files[0])},
            {"bin", FileName(options.files[1])},
            {"aux", options.auxImage.empty() ? Json(nullptr) : FileName(options.auxImage)},
            {"built", c.built},
            {"identical", c.built && c.Identical()},
            {"bin_size_bytes", c.binSize},
            {"aux_size_bytes", c.auxSize ? Json(*c.auxSize) : Json(nullptr)},
            {"failed", failed},
            {"faults", c.faults},
            {"programs", programs}};
}

} // namespace

int RunVerify(const CliOptions &options) {
    const std::string &setPath = options.files[0], &binPath = options.files[1];
    const ProgramSet set = ReadSetFile(setPath);
    const std::string bin = ReadFileBytes(binPath);
    std::optional<std::string> aux;
    if (!options.auxImage.empty()) aux = ReadFileBytes(options.auxImage);

    CompilerState state;
    Json failed = Json::array(); // the programs that do not compile, with their messages
    BuildCallbacks callbacks;
    callbacks.programStarts = [](int program) { Findings().program = program; };
    callbacks.programFailed = [&](int program, const std::vector<std::string> &messageLines) {
        if (options.json) {
            failed.push_back({{"program", program}, {"messages", MessagesJson(state)}});
            return;
        }
        WriteOut("Program #" + std::to_string(program) + ":\n");
        PrintLines(stdout, messageLines);
    };
    callbacks.programCompiled = [&](int program, const CompilerState &compiled) {
        NoteWarnings(options, compiled, "Program #" + std::to_string(program) + ": ", false);
    };
    const SetComparison comparison =
        CompareSetWithImages(state, set, bin, aux ? std::optional<std::string_view>(*aux) : std::nullopt,
                             MakeCompileOptions(options), callbacks);
    std::fflush(stdout);
    if (options.json) PrintJson(ComparisonJson(options, comparison, failed));
    if (!comparison.built) {
        PrintLines(stderr, comparison.faults);
        std::fprintf(stderr, "Error(s) were found. The images were not compared.\n");
        return 1;
    }
    if (!options.json)
        PrintLines(stdout, ComparisonLines(comparison, FileNameOf(setPath), FileNameOf(binPath),
                                           FileNameOf(options.auxImage)));
    return comparison.Identical() ? 0 : 1;
}
