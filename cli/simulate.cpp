// quillard-cli simulate: logs of the rehearsal vehicle driven by programs, for dry runs of a campaign.
#include "cli/cli.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "measure/campaign.h"
#include "measure/vehicle.h"
#include "romfiles/campaign.h"
#include "romfiles/programset.h"

#include <algorithm>
#include <cmath>

namespace {

VehicleParameters Vehicle(const CliOptions &options) {
    if (options.vehicleFile.empty()) return {};
    return ReadingInput(options.vehicleFile, [&] {
        return ParseVehicleParameters(ReadFileBytes(options.vehicleFile, ProgramFileLimit));
    });
}

// The commanded steer of a compiled program at any time: straight between steps, held after the end.
struct Commanded {
    CommandedProgram program;
    double At(double t) const { return CommandedSteerAt(program, t); }
};

Commanded CompileRun(const CliOptions &options, const std::string &file, int program,
                     const std::vector<std::string> &lines) {
    CompilerState state;
    Findings().program = program;
    if (!CompileProgram(state, lines, MakeCompileOptions(options))) {
        PrintLines(stderr, state.messageLines);
        throw InputError(file, "program " + std::to_string(program) + " does not compile");
    }
    NoteWarnings(options, state, "", false);
    return {CommandedFrom(state)};
}

std::string LogText(const CliOptions &options, const VehicleParameters &vehicle, const Commanded &run,
                    double sign, const std::string &note) {
    const double duration = run.program.time.back() + options.tail;
    // The machine waits for the roll-rate feedback where the roll-peak flag (flag 1) switches on.
    const VehicleDrive drive{options.linear, run.program.flagEdges[0]};
    const auto samples = SimulateVehicle(
        vehicle, [&](double t) { return sign * run.At(t); }, duration, options.sampleRate, drive);
    return SimulatedLogText(vehicle, samples, note, options.linear);
}

// OUT with "-k" before its extension, k zero-padded to the width of the count.
std::string Numbered(const std::string &output, std::size_t k, std::size_t count) {
    const std::size_t slash = output.rfind('/');
    std::size_t dot = output.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = output.size();
    const int width = static_cast<int>(std::to_string(count).size());
    return output.substr(0, dot) + "-" + Format("%0*zu", width, k) + output.substr(dot);
}

void Write(const CliOptions &options, const std::string &path, const std::string &text) {
    CheckOutput(options, path, true);
    WriteFileAtomically(path, text);
}

std::string Describe(const std::string &file, int program, const std::vector<std::string> &lines) {
    std::string note = "program: " + FileNameOf(file);
    if (IsSetFileName(file)) note += " program " + std::to_string(program);
    const std::string comment = FirstComment(lines);
    return comment.empty() ? note : note + ": " + comment;
}

// The runs of a series' run list (template --series --json), each simulated into a numbered log.
int SimulateRunList(const CliOptions &options, const VehicleParameters &vehicle) {
    const RunList list = ReadingInput(
        options.runList, [&] { return ParseRunList(ReadFileBytes(options.runList, ProgramFileLimit)); });
    if (list.runs.empty())
        throw InputError(options.runList,
                         "holds no run list (\"runs\"): write it with template --series ... --json");
    // Every run compiled before any log is written, so that --strict can keep them all from being written.
    struct Run {
        std::string set;
        int program;
        std::vector<std::string> lines;
        Commanded commanded;
    };
    std::vector<Run> compiled;
    for (const SeriesRun &run : list.runs) {
        const std::vector<std::string> lines = ReadingInput(
            run.set, [&] { return ReadProgramSet(run.set)[static_cast<std::size_t>(run.program)]; });
        compiled.push_back({run.set, run.program, lines, CompileRun(options, run.set, run.program, lines)});
    }
    if (StrictKeepsFrom(options, options.output)) return 1;
    std::vector<std::string> written;
    for (std::size_t k = 0; k < compiled.size(); ++k) {
        const Run &run = compiled[k];
        const std::string path = Numbered(options.output, k + 1, compiled.size());
        Write(options, path,
              LogText(options, vehicle, run.commanded, 1, Describe(run.set, run.program, run.lines)));
        written.push_back(Format("%s: run %zu of %zu, %s program %d", PrintableText(path).c_str(), k + 1,
                                 compiled.size(), PrintableText(run.set).c_str(), run.program));
    }
    PrintLines(stdout, written);
    return 0;
}

} // namespace

int RunSimulate(const CliOptions &options) {
    if (options.defaultVehicle) {
        WriteOut(DefaultVehicleText());
        return 0;
    }
    const VehicleParameters vehicle = Vehicle(options);
    if (!options.runList.empty()) return SimulateRunList(options, vehicle);
    const bool fromTemplate = !options.templateName.empty();
    const std::vector<std::string> lines =
        fromTemplate ? TemplateProgram(options.templateName, options.templateValues) : ReadProgram(options);
    const std::string file = fromTemplate ? "template " + options.templateName : InputFile(options);
    const Commanded run = CompileRun(options, file, options.program, lines);
    if (StrictKeepsFrom(options, options.output)) return 1;
    const std::string note = Describe(file, options.program, lines);
    if (options.runs == 0) {
        Write(options, options.output, LogText(options, vehicle, run, 1, note));
        return 0;
    }
    // Repeated runs, as the standard's slowly increasing steer asks: every second one the other way.
    std::vector<std::string> written;
    for (int k = 1; k <= options.runs; ++k) {
        const std::string path =
            Numbered(options.output, static_cast<std::size_t>(k), static_cast<std::size_t>(options.runs));
        const bool mirrored = k % 2 == 0;
        Write(options, path,
              LogText(options, vehicle, run, mirrored ? -1 : 1,
                      note + (mirrored ? "; steered the other way" : "")));
        written.push_back(Format("%s: run %d of %d%s", PrintableText(path).c_str(), k, options.runs,
                                 mirrored ? ", steered the other way" : ""));
    }
    PrintLines(stdout, written);
    return 0;
}
