// quillard-cli evaluate step|sine|response|understeer|rollover RUN...: the figures of each run as the core
// evaluates them, in text (each step by name, each figure with its unit) or JSON, and the PDF report.
#include "measure/handling.h"
#include "cli/cli.h"
#include "cli/evaluate.h"
#include "cli/json.h"
#include "cli/logcli.h"
#include "files/fileio.h"
#include "graph/ui/EvaluationReport.h"

#include <QString>

namespace {

// The figures under their keys, which name their units; the notes of those not given.
Json FiguresJson(const HandlingResult &r, bool notes) {
    Json figures = Json::object();
    for (const HandlingFigure &f : r.figures) {
        if (notes) {
            if (!f.note.empty()) figures[f.key] = f.note;
        } else {
            figures[f.key] = Optional(f.value);
        }
    }
    return figures;
}

Json ResponseJson(const ResponseTable &table) {
    Json rows = Json::array();
    auto value = [](const ResponseValue &v, const char *gainKey) {
        // A frequency that is no figure gives its coherence and why, and no gain or phase.
        return Json{{gainKey, v.mark.empty() ? Json(v.gain) : Json(nullptr)},
                    {"phase_deg", v.mark.empty() ? Json(v.phase) : Json(nullptr)},
                    {"coherence", v.coherence},
                    {"figure", v.mark.empty()},
                    {"mark", v.mark.empty() ? Json(nullptr) : Json(v.mark)}};
    };
    for (const ResponseRow &row : table.rows)
        rows.push_back({{"frequency_hz", row.frequency},
                        {"yaw_rate", value(row.yawRate, "gain_deg_s_per_deg")},
                        {"lateral_acceleration", value(row.lateralAcceleration, "gain_g_per_100deg")}});
    return rows;
}

Json RunJson(const std::string &file, const VehicleLog &log, const HandlingResult &r) {
    Json run{{"log", VehicleLogJson(file, log, r.sampleRate)}, {"dropouts", DropoutsJson(log.dropouts)}};
    run.update(StateJson(r));
    Json steps = Json::array();
    for (const HandlingStep &s : r.steps) steps.push_back({{"name", s.name}, {"text", s.text}});
    run["steps"] = steps;
    run["figures"] = FiguresJson(r, false);
    run["figure_notes"] = FiguresJson(r, true);
    if (r.response) run["frequencies"] = ResponseJson(*r.response);
    run["warnings"] = r.warnings;
    return run;
}

} // namespace

int RunHandlingEvaluation(const CliOptions &options) {
    const HandlingKind kind = *HandlingKindNamed(options.evaluation);
    const HandlingKindInfo &info = InfoOf(kind);
    HandlingOptions handling;
    handling.steeringRatio = options.steeringRatio;
    handling.wheelbase = options.wheelbase;
    std::vector<HandlingRun> runs;
    Json runsJson = Json::array();
    std::vector<std::string> lines;
    std::vector<RunState> states;
    for (const std::string &file : options.files) {
        CliOptions reading = options;
        reading.vehicleLog.needsRoll = NeedsRoll(kind);
        const VehicleLog log = ReadRunLog(file, reading, NeedsYawRate(kind));
        HandlingResult r = EvaluateHandling(kind, log, handling);
        runsJson.push_back(RunJson(file, log, r));
        lines.push_back("Run " + PrintableText(file));
        for (const std::string &line : HandlingReportLines(r, log)) lines.push_back("  " + line);
        states.push_back(r.state);
        runs.push_back({FileNameOf(file), std::move(r)});
    }
    int passed = 0, failed = 0, invalid = 0;
    for (RunState s : states) (s == RunState::Pass ? passed : s == RunState::Fail ? failed : invalid) += 1;
    const bool pass = passed == static_cast<int>(states.size());
    if (!options.output.empty()) {
        WriteOutput(
            options, options.output,
            HandlingPdfBytes(kind, runs, options.vehicleName.empty() ? "" : ReportText(options.vehicleName)));
    }
    if (options.json) {
        PrintJson({{"evaluation", info.name},
                   {"title", info.title},
                   {"criterion", *info.criterion ? Json(info.criterion) : Json(nullptr)},
                   {"runs", runsJson},
                   {"passed", passed},
                   {"failed", failed},
                   {"invalid", invalid},
                   {"pass", pass}});
    } else {
        if (runs.size() > 1)
            lines.push_back(Format("%s: %zu runs, %d pass, %d fail, %d invalid", info.title, runs.size(),
                                   passed, failed, invalid));
        PrintLines(stdout, lines);
    }
    return pass ? 0 : 1;
}
