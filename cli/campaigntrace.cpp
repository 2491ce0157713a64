// quillard-cli evaluate campaign: what the report needs besides the result, from the files the options
// name: the SIS runs that gave A, each log's SHA-256, each run's slot CRC-32s and how well the machine
// followed each program.
#include "cli/evaluate.h"
#include "cli/logcli.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "files/sha256.h"
#include "graph/ui/CampaignReport.h"
#include "measure/logtable.h"
#include "romfiles/programset.h"

#include <QString>

#include <cmath>
#include <filesystem>

namespace {

double NumberOr(const Json &object, const char *key, double otherwise = 0) {
    return object.contains(key) && object[key].is_number() ? object[key].get<double>() : otherwise;
}

std::string TextOr(const Json &object, const char *key) {
    return object.contains(key) && object[key].is_string() ? object[key].get<std::string>() : std::string();
}

// A run of the SIS file as it gives it; its traces from its log where the log beside the file still gives
// the same angle (the plot shows the data that gave A, or nothing).
ReportSisRun SisRunOf(const Json &run, const std::filesystem::path &folder, const CliOptions &options,
                      const SisOptions &sis) {
    ReportSisRun r;
    r.log = run.contains("log") && run["log"].is_object() ? TextOr(run["log"], "file") : "";
    SisResult &result = r.result;
    const std::string state = TextOr(run, "state");
    result.pass = state == "pass";
    result.state = result.pass ? RunState::Pass : state == "fail" ? RunState::Fail : RunState::Invalid;
    result.reason = TextOr(run, "reason");
    result.processed = run.contains("angle_deg") && run["angle_deg"].is_number();
    if (!result.processed) return r;
    result.angle = NumberOr(run, "angle_deg");
    result.steerRate = NumberOr(run, "steer_rate_deg_s");
    result.fitFrom = NumberOr(run, "fit_from_s");
    result.fitTo = NumberOr(run, "fit_to_s");
    result.samples = static_cast<int>(NumberOr(run, "samples"));
    const std::filesystem::path log = folder / r.log;
    std::error_code error;
    if (r.log.empty() || !std::filesystem::is_regular_file(log, error)) return r;
    try {
        const SisResult again = EvaluateSlowlyIncreasingSteer(ReadRunLog(log.string(), options, false), sis);
        if (again.processed &&
            std::fabs(again.angle - result.angle) <= 1e-6 * std::max(1.0, std::fabs(result.angle)))
            result.traces = again.traces;
    } catch (const std::exception &) { // a log that no longer reads: the table without its plot
    }
    return r;
}

// The EPROM files given, each with its aux file where there is one beside it (its name with ".aux").
struct GivenImage {
    std::string path, stem, bin;
    std::optional<std::string> aux;
};

std::string Stem(const std::string &path) {
    return QString::fromStdString(std::filesystem::path(path).stem().string()).toLower().toStdString();
}

std::vector<GivenImage> ReadImages(const CliOptions &options, const CampaignResult &campaign) {
    std::vector<GivenImage> images;
    std::vector<std::string> sets;
    for (const CampaignRunResult &c : campaign.runs)
        if (std::find(sets.begin(), sets.end(), Stem(c.run.set)) == sets.end())
            sets.push_back(Stem(c.run.set));
    for (const std::string &path : options.images) {
        GivenImage image{path, Stem(path),
                         ReadingInput(path, [&] { return ReadFileBytes(path, EpromFileLimit); }),
                         std::nullopt};
        if (std::find(sets.begin(), sets.end(), image.stem) == sets.end() &&
            !(sets.size() == 1 && options.images.size() == 1))
            throw UsageError("--images " + path +
                             " is the EPROM file of no set of the run list: name it as its set");
        const std::string aux = std::filesystem::path(path).replace_extension(".aux").string();
        std::error_code error;
        if (std::filesystem::is_regular_file(aux, error))
            image.aux = ReadingInput(aux, [&] { return ReadFileBytes(aux, EpromFileLimit); });
        images.push_back(std::move(image));
    }
    return images;
}

// How well the machine followed the run's program, where its set file is there.
std::optional<ReportFollowing> FollowingOfRun(const CliOptions &options, const SeriesRun &run,
                                              const VehicleLog &log) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(run.set, error)) return std::nullopt;
    const ProgramText lines =
        ReadingInput(run.set, [&] { return ReadProgramSet(run.set)[static_cast<std::size_t>(run.program)]; });
    CompilerState state;
    if (!CompileProgram(state, lines, MakeCompileOptions(options)))
        return ReportFollowing{std::nullopt, "program " + std::to_string(run.program) + " of " +
                                                 FileNameOf(run.set) + " does not compile"};
    return FollowingOf(CommandedFrom(state), log);
}

} // namespace

std::optional<ReportSis> SisRunsOf(const CliOptions &options) {
    if (options.amplitudeFile.empty()) return std::nullopt;
    const Json document = ReadJsonFile(options.amplitudeFile);
    ReportSis sis;
    sis.source = FileNameOf(options.amplitudeFile);
    sis.options.fitLow = NumberOr(document, "fit_low_g", sis.options.fitLow);
    sis.options.fitHigh = NumberOr(document, "fit_high_g", sis.options.fitHigh);
    sis.options.at = NumberOr(document, "at_g", sis.options.at);
    if (!document.contains("runs") || !document["runs"].is_array()) return sis;
    const std::filesystem::path folder = std::filesystem::path(options.amplitudeFile).parent_path();
    for (const Json &run : document["runs"])
        if (run.is_object()) sis.runs.push_back(SisRunOf(run, folder, options, sis.options));
    return sis;
}

std::vector<ReportRunTrace> RunTracesOf(const CliOptions &options, const CampaignResult &campaign,
                                        const std::vector<VehicleLog> &logs,
                                        const std::vector<PairedRun> &paired) {
    const std::vector<GivenImage> images = ReadImages(options, campaign);
    std::vector<ReportRunTrace> traces;
    for (std::size_t k = 0; k < campaign.runs.size(); ++k) {
        const CampaignRunResult &c = campaign.runs[k];
        ReportRunTrace trace;
        trace.logSha256 = Sha256Hex(ReadingInput(c.log, [&] { return ReadFileBytes(c.log, LogFileLimit); }));
        for (const GivenImage &image : images)
            if (image.stem == Stem(c.run.set) || images.size() == 1)
                trace.slot = SlotOf(image.path, image.bin,
                                    image.aux ? std::optional<std::string_view>(*image.aux) : std::nullopt,
                                    c.run.program);
        trace.following = FollowingOfRun(options, c.run, logs[paired[k].index]);
        traces.push_back(std::move(trace));
    }
    return traces;
}

Json SisRunsJson(const ReportSis &sis) {
    Json runs = Json::array();
    for (const ReportSisRun &run : sis.runs) {
        const SisResult &r = run.result;
        Json entry{{"log", run.log},
                   {"state", RunStateName(r.state)},
                   {"reason", r.reason.empty() ? Json(nullptr) : Json(r.reason)}};
        if (r.processed)
            entry.update({{"angle_deg", r.angle},
                          {"direction", r.angle < 0 ? "clockwise" : "anticlockwise"},
                          {"steer_rate_deg_s", r.steerRate},
                          {"fit_from_s", r.fitFrom},
                          {"fit_to_s", r.fitTo},
                          {"samples", r.samples}});
        entry["plotted"] = !r.traces.time.empty();
        runs.push_back(entry);
    }
    return {{"file", sis.source},
            {"fit_low_g", sis.options.fitLow},
            {"fit_high_g", sis.options.fitHigh},
            {"at_g", sis.options.at},
            {"runs", runs}};
}
