// quillard-cli evaluate: A from the slowly increasing steer runs and the verdict of a sine-with-dwell
// run (the campaign is campaign.cpp). Every run is pass, fail or invalid with its reason, as the core
// judges it; this file reads the options, and formats.
#include "cli/evaluate.h"

#include "cli/logcli.h"
#include "compiler/compile.h"
#include "compiler/format.h"
#include "files/fileio.h"
#include "measure/sis.h"
#include "romfiles/campaign.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr ReadLimit JsonFileLimit{16 * MiB};

Json StatedJson(const RunVerdict &verdict) {
    Json stated = Json::array();
    for (RunCondition c : verdict.StatedConditions()) stated.push_back(RunConditionName(c));
    return stated;
}

// What the program of evaluate swd --program-file says of its run: the commanded amplitude (its peak
// steer), its maxsteer and short pulses for the steer's dropouts, and A from its note.
struct RunProgram {
    double amplitude = 0;
    DropoutRules rules;
    std::optional<double> a;
};

RunProgram ReadRunProgram(const CliOptions &options) {
    CliOptions programOptions = options;
    programOptions.files = {options.programFile};
    const std::vector<std::string> lines = ReadProgram(programOptions);
    CompilerState state;
    Findings().program = options.program;
    if (!CompileProgram(state, lines, MakeCompileOptions(options)))
        throw InputError(options.programFile,
                         "program " + std::to_string(options.program) + " does not compile");
    RunProgram run;
    run.amplitude = CommandedAmplitude(state);
    run.rules.steerLimit = SteerLimitFor(state.MaxSteer);
    const CommandedProgram commanded = CommandedFrom(state);
    run.rules.pulses = CommandedPulses(commanded.time, commanded.steer);
    run.a = ReadingInput(options.programFile, [&] { return SeriesAmplitudeA(lines); });
    return run;
}

int EvaluateSis(const CliOptions &options) {
    SisOptions sis;
    sis.fitLow = options.fitLow;
    sis.fitHigh = options.fitHigh;
    std::vector<SisResult> results;
    Json runs = Json::array();
    std::vector<std::string> lines;
    for (const std::string &file : options.files) {
        const VehicleLog log = ReadRunLog(file, options, false);
        const SisResult r = EvaluateSlowlyIncreasingSteer(log, sis);
        results.push_back(r);
        Json run{{"log", VehicleLogJson(file, log, r.sampleRate)}, {"dropouts", DropoutsJson(log.dropouts)}};
        run.update(StateJson(r));
        if (r.processed) {
            run.update({{"zeroing",
                         {{"from_s", r.zeroFrom},
                          {"to_s", r.zeroTo},
                          {"steer_deg", r.steerZero},
                          {"lateral_acceleration_g", r.lateralAccelerationZero}}},
                        {"angle_deg", r.angle},
                        {"direction", r.angle < 0 ? "clockwise" : "anticlockwise"},
                        {"slope_deg_per_g", r.slope},
                        {"intercept_deg", r.intercept},
                        {"samples", r.samples},
                        {"fit_from_s", r.fitFrom},
                        {"fit_to_s", r.fitTo},
                        {"steer_rate_deg_s", r.steerRate},
                        {"peak_lateral_acceleration_g", r.peakLateralAcceleration}});
            lines.push_back(Format(
                "%s: steer at 0.3 g %.3f deg (regression %.3f deg/g over %g to %g g, %d samples "
                "from %.3f to %.3f s, steer rate %.2f deg/s; peak %.3f g)%s",
                PrintableText(file).c_str(), r.angle, r.slope, sis.fitLow, sis.fitHigh, r.samples, r.fitFrom,
                r.fitTo, r.steerRate, r.peakLateralAcceleration, r.pass ? "" : ": INVALID"));
        } else {
            lines.push_back(PrintableText(file) + ": INVALID");
        }
        run["warnings"] = r.warnings;
        runs.push_back(run);
        if (!r.pass) lines.push_back("  Invalid: " + r.reason);
        for (const std::string &note : ReadingNotes(log.info, CliHints())) lines.push_back("  Log: " + note);
        for (const std::string &w : r.warnings) lines.push_back("  Warning: " + w);
    }
    const SisAmplitude a = AmplitudeOfRuns(results);
    if (options.json) {
        PrintJson({{"runs", runs},
                   {"fit_low_g", sis.fitLow},
                   {"fit_high_g", sis.fitHigh},
                   {"at_g", sis.at},
                   {"runs_anticlockwise", a.positive},
                   {"runs_clockwise", a.negative},
                   {"mean_abs_angle_deg", a.mean},
                   {"a_deg", a.a ? Json(*a.a) : Json(nullptr)},
                   {"a_reason", a.a ? Json(nullptr) : Json(a.reason)},
                   {"warnings", a.warnings}});
    } else {
        if (a.a)
            lines.push_back(
                Format("A = %.1f deg (the mean of %zu runs' absolute angles, %.3f deg, to 0.1 deg)", *a.a,
                       results.size(), a.mean));
        else
            lines.push_back(a.reason);
        for (const std::string &w : a.warnings) lines.push_back("Warning: " + w);
        PrintLines(stdout, lines);
    }
    return a.a ? 0 : 1;
}

int EvaluateSwd(const CliOptions &options) {
    SwdOptions swd = SwdOptionsFrom(options);
    DropoutRules rules;
    if (!options.programFile.empty()) {
        const RunProgram program = ReadRunProgram(options);
        swd.commandedAmplitude = program.amplitude;
        rules = program.rules;
        swd.amplitudeA = ChooseAmplitudeA({{swd.amplitudeA, ""}, {program.a, ""}}).value;
    }
    const std::string &file = options.files.front();
    const VehicleLog log = ReadRunLog(file, options, true, rules);
    const SwdResult r = EvaluateSineWithDwell(log, swd);
    if (options.json) {
        Json document{{"log", VehicleLogJson(file, log, r.sampleRate)},
                      {"dropouts", DropoutsJson(log.dropouts)}};
        if (!options.programFile.empty())
            document["program"] = {{"file", FileName(options.programFile)}, {"program", options.program}};
        document["a_deg"] = swd.amplitudeA > 0 ? Json(swd.amplitudeA) : Json(nullptr);
        document["gvwr_kg"] = options.gvwr > 0 ? Json(options.gvwr) : Json(nullptr);
        document.update(SwdJson(r, swd));
        PrintJson(document);
    } else {
        std::vector<std::string> lines{"Run " + PrintableText(file)};
        for (const std::string &note : ReadingNotes(log.info, CliHints())) lines.push_back("  Log: " + note);
        for (const std::string &line : SwdReportLines(r, log, swd)) lines.push_back("  " + line);
        PrintLines(stdout, lines);
    }
    return r.pass ? 0 : 1;
}

} // namespace

SwdOptions SwdOptionsFrom(const CliOptions &options) {
    SwdOptions swd;
    swd.amplitudeA = options.amplitudeA;
    swd.gvwr = options.gvwr;
    swd.accepted = options.accepted;
    return swd;
}

Json StateJson(const RunOutcome &r) {
    return {{"state", RunStateName(r.state)},
            {"reason", r.reason.empty() ? Json(nullptr) : Json(r.reason)},
            {"stated", StatedJson(r.verdict)},
            {"pass", r.state == RunState::Pass}};
}

Json SwdJson(const SwdResult &r, const SwdOptions &settings) {
    using namespace SwdCriteria;
    Json document = StateJson(r);
    const FigureMargins margins = MarginsOf(r);
    if (!r.processed) {
        document["warnings"] = r.warnings;
        return document;
    }
    document.update({{"filter",
                      {{"order", 6},
                       {"passes", 2},
                       {"steer_cutoff_hz", settings.steerCutoff},
                       {"response_cutoff_hz", settings.responseCutoff},
                       {"padding_samples", 18}}},
                     {"processing",
                      {{"onset_rate_deg_s", settings.onsetRate},
                       {"onset_hold_s", settings.onsetHold},
                       {"zeroing_time_s", settings.zeroingTime},
                       {"bos_angle_deg", settings.bosAngle}}},
                     {"steer_rate_onset_s", r.onset},
                     {"zeroing",
                      {{"from_s", r.zeroFrom},
                       {"to_s", r.zeroTo},
                       {"steer_deg", r.steerZero},
                       {"yaw_rate_deg_s", r.yawRateZero},
                       {"lateral_acceleration_g", r.lateralAccelerationZero}}},
                     {"first_steer", SteerDirectionName(r.firstSteer)},
                     {"yaw_rate_sign", r.yawSign > 0 ? "as the steer" : "opposite to the steer"},
                     {"yaw_rate_lag_s", r.yawLag},
                     {"lateral_acceleration_lag_s", r.ayLag},
                     {"bos_s", r.bos},
                     {"cos_s", r.cos},
                     {"first_peak_steer_deg", r.firstPeak},
                     {"second_peak_steer_deg", r.secondPeak},
                     {"amplitude_deg", r.amplitude},
                     {"measured_amplitude_deg", r.measuredAmplitude},
                     {"amplitude_from", r.amplitudeFromProgram ? "program" : "log"},
                     {"peak_yaw_rate_deg_s", r.peakYawRate},
                     {"peak_yaw_rate_time_s", r.peakYawRateTime},
                     {"spin", r.spin},
                     {"yaw_rate_1000_deg_s", r.yawRate1},
                     {"yaw_rate_1750_deg_s", r.yawRate2},
                     {"yaw_rate_ratio_1000_percent", r.ratio1},
                     {"yaw_rate_ratio_1750_percent", r.ratio2},
                     {"lateral_displacement_m", r.displacement},
                     {"limits",
                      {{"yaw_rate_ratio_1000_percent", RatioLimit1},
                       {"yaw_rate_ratio_1750_percent", RatioLimit2},
                       {"lateral_displacement_m", r.displacementLimit},
                       {"speed_at_bos_kmh", {Speed - SpeedTolerance, Speed + SpeedTolerance}}}},
                     {"margins",
                      {{"yaw_rate_ratio_1000_points", Optional(margins.ratio1)},
                       {"yaw_rate_ratio_1750_points", Optional(margins.ratio2)},
                       {"lateral_displacement_m", Optional(margins.displacement)},
                       {"speed_at_bos_kmh", Optional(margins.speed)}}},
                     {"yaw_rate_ratio_1000_pass", r.pass1},
                     {"yaw_rate_ratio_1750_pass", r.pass2},
                     {"lateral_displacement_pass", Optional(r.passDisplacement)},
                     {"speed_at_bos_kmh", Optional(r.speedAtBos)},
                     {"peak_roll_deg", Optional(r.peakRoll)},
                     {"second_run_s", Optional(r.secondRun)},
                     {"warnings", r.warnings}});
    return document;
}

Json Optional(const std::optional<double> &value) { return value ? Json(*value) : Json(nullptr); }
Json Optional(const std::optional<bool> &value) { return value ? Json(*value) : Json(nullptr); }

void WriteOutput(const CliOptions &options, const std::string &path, const std::string &bytes) {
    CheckOutput(options, path, false);
    WriteFileAtomically(path, bytes);
}

Json ReadJsonFile(const std::string &path) {
    const std::string bytes = ReadingInput(path, [&] { return ReadFileBytes(path, JsonFileLimit); });
    try {
        return Json::parse(bytes);
    } catch (const Json::exception &) {
        throw InputError(path, "is not a JSON document");
    }
}

double AmplitudeFromSisFile(const std::string &path) {
    const Json document = ReadJsonFile(path);
    if (!document.is_object() || !document.contains("a_deg") || !document["a_deg"].is_number() ||
        !(document["a_deg"].get<double>() > 0)) {
        std::string why;
        if (document.is_object() && document.contains("a_reason") && document["a_reason"].is_string())
            why = " (" + document["a_reason"].get<std::string>() + ")";
        throw InputError(path, "holds no a_deg" + why + ": write it with evaluate sis ... --json");
    }
    return document["a_deg"].get<double>();
}

int RunEvaluate(const CliOptions &options) {
    if (options.evaluation == "sis") return EvaluateSis(options);
    if (options.evaluation == "swd") return EvaluateSwd(options);
    return EvaluateCampaign(options);
}
