// quillard-cli evaluate: A from the slowly increasing steer runs, the verdict of a sine-with-dwell run,
// and a campaign's table and PDF report. Every run is pass, fail or invalid with its reason, as the
// core judges it; this file reads the options and the run list, and formats.
#include "measure/evaluate.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "cli/runjson.h"
#include "compiler/compile.h"
#include "compiler/format.h"
#include "files/fileio.h"
#include "graph/ui/EvaluationReport.h"
#include "measure/sis.h"
#include "romfiles/campaign.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace {

constexpr ReadLimit JsonFileLimit{16 * MiB};

Json ReadJsonFile(const std::string &path) {
    const std::string bytes = ReadingInput(path, [&] { return ReadFileBytes(path, JsonFileLimit); });
    try {
        return Json::parse(bytes);
    } catch (const Json::exception &) {
        throw InputError(path, "is not a JSON document");
    }
}

// The figures of a sine-with-dwell run, each step of the processing under its own key; null where the
// log gave none.
Json SwdJson(const SwdResult &r) {
    using namespace SwdCriteria;
    Json document = StateJson(r.state, r.reason, r.verdict);
    if (!r.processed) {
        document["warnings"] = r.warnings;
        return document;
    }
    document.update({{"filter",
                      {{"order", 6},
                       {"passes", 2},
                       {"steer_cutoff_hz", 10},
                       {"response_cutoff_hz", 6},
                       {"padding_samples", 18}}},
                     {"steer_rate_onset_s", r.onset},
                     {"zeroing",
                      {{"from_s", r.zeroFrom},
                       {"to_s", r.zeroTo},
                       {"steer_deg", r.steerZero},
                       {"yaw_rate_deg_s", r.yawRateZero},
                       {"lateral_acceleration_g", r.lateralAccelerationZero}}},
                     {"first_steer", r.firstSteer > 0 ? "positive" : "negative"},
                     {"direction", r.firstSteer > 0 ? "anticlockwise" : "clockwise"},
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
                     {"yaw_rate_ratio_1000_pass", r.pass1},
                     {"yaw_rate_ratio_1750_pass", r.pass2},
                     {"lateral_displacement_pass", Optional(r.passDisplacement)},
                     {"speed_at_bos_kmh", Optional(r.speedAtBos)},
                     {"peak_roll_deg", Optional(r.peakRoll)},
                     {"second_run_s", Optional(r.secondRun)},
                     {"warnings", r.warnings}});
    return document;
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
    for (int i = 0; i <= state.endIndex; ++i)
        run.amplitude = std::max(run.amplitude, std::fabs(double(state.steps[i].steer)));
    run.rules.steerLimit = SteerLimitFor(state.MaxSteer);
    const CommandedProgram commanded = CommandedFrom(state);
    run.rules.pulses = CommandedPulses(commanded.time, commanded.steer);
    run.a = ReadingInput(options.programFile, [&] { return SeriesAmplitudeA(lines); });
    return run;
}

SwdOptions SwdOptionsFrom(const CliOptions &options) {
    SwdOptions swd;
    swd.amplitudeA = options.amplitudeA;
    swd.gvwr = options.gvwr;
    swd.accepted = options.accepted;
    return swd;
}

int EvaluateSis(const CliOptions &options) {
    SisOptions sis;
    sis.fitLow = options.fitLow;
    sis.fitHigh = options.fitHigh;
    std::vector<SisResult> results;
    Json runs = Json::array();
    std::vector<std::string> lines;
    for (const std::string &file : options.files) {
        const VehicleLog log = ReadRun(file, options, false);
        const SisResult r = EvaluateSlowlyIncreasingSteer(log, sis);
        results.push_back(r);
        Json run{{"log", LogJson(file, log, r.sampleRate)}, {"dropouts", DropoutsJson(log)}};
        run.update(StateJson(r.state, r.reason, r.verdict));
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
        if (swd.amplitudeA <= 0) swd.amplitudeA = program.a.value_or(0);
    }
    const std::string &file = options.files.front();
    const VehicleLog log = ReadRun(file, options, true, rules);
    const SwdResult r = EvaluateSineWithDwell(log, swd);
    if (options.json) {
        Json document{{"log", LogJson(file, log, r.sampleRate)}, {"dropouts", DropoutsJson(log)}};
        if (!options.programFile.empty())
            document["program"] = {{"file", FileName(options.programFile)}, {"program", options.program}};
        document["a_deg"] = swd.amplitudeA > 0 ? Json(swd.amplitudeA) : Json(nullptr);
        document["gvwr_kg"] = options.gvwr > 0 ? Json(options.gvwr) : Json(nullptr);
        document.update(SwdJson(r));
        PrintJson(document);
    } else {
        std::vector<std::string> lines{"Run " + PrintableText(file)};
        for (const std::string &line : SwdReportLines(r, log)) lines.push_back("  " + line);
        PrintLines(stdout, lines);
    }
    return r.pass ? 0 : 1;
}

// One run of a campaign: its place in the series and what its log gave.
struct CampaignRun {
    int run = 0;
    std::string set;
    int program = 0;
    double amplitude = 0; // deg
    std::string log;
    std::vector<RunCondition> accepted; // of the run list, for this run
    SwdResult result;
    VehicleLog vehicleLog;
};

std::string Cell(double value, const char *format) { return Format(format, value); }

std::vector<std::string> TableHeader() {
    return {"run",
            "set",
            "program",
            "amplitude_deg",
            "log",
            "bos_s",
            "cos_s",
            "peak_yaw_rate_deg_s",
            "yaw_rate_ratio_1000_percent",
            "yaw_rate_ratio_1750_percent",
            "lateral_displacement_m",
            "speed_at_bos_kmh",
            "yaw_rate_ratio_1000_pass",
            "yaw_rate_ratio_1750_pass",
            "lateral_displacement_pass",
            "state",
            "reason",
            "stated",
            "note"};
}

std::string StatedText(const RunVerdict &verdict) {
    std::string text;
    for (RunCondition c : verdict.StatedConditions())
        text += (text.empty() ? "" : " ") + std::string(RunConditionName(c));
    return text;
}

std::vector<std::string> TableRow(const CampaignRun &c) {
    std::vector<std::string> row{std::to_string(c.run), c.set, std::to_string(c.program),
                                 ShortestFixed(static_cast<float>(c.amplitude)), c.log};
    const SwdResult &r = c.result;
    auto yes = [](bool b) { return std::string(b ? "true" : "false"); };
    if (r.processed)
        row.insert(row.end(), {Cell(r.bos, "%.4f"), Cell(r.cos, "%.4f"), Cell(r.peakYawRate, "%.3f"),
                               Cell(r.ratio1, "%.2f"), Cell(r.ratio2, "%.2f"), Cell(r.displacement, "%.3f"),
                               r.speedAtBos ? Cell(*r.speedAtBos, "%.1f") : "", yes(r.pass1), yes(r.pass2),
                               r.passDisplacement ? yes(*r.passDisplacement) : ""});
    else
        row.insert(row.end(), 10, "");
    row.insert(row.end(), {RunStateName(r.state), r.reason, StatedText(r.verdict),
                           r.warnings.empty() ? "" : r.warnings.front()});
    return row;
}

std::string CsvCell(const std::string &cell) {
    if (cell.find_first_of(",\"\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CsvText(const std::vector<CampaignRun> &runs) {
    std::string text;
    auto add = [&](const std::vector<std::string> &cells) {
        for (std::size_t k = 0; k < cells.size(); ++k) text += (k ? "," : "") + CsvCell(cells[k]);
        text += "\n";
    };
    add(TableHeader());
    for (const CampaignRun &c : runs) add(TableRow(c));
    return text;
}

void WriteOutput(const CliOptions &options, const std::string &path, const std::string &bytes) {
    CheckOutput(options, path, false);
    WriteFileAtomically(path, bytes);
}

// The conditions a run list states for a run (or for all of them): its "accept" names.
std::vector<RunCondition> AcceptedIn(const Json &holder, const std::string &path, const std::string &where) {
    std::vector<RunCondition> accepted;
    if (!holder.contains("accept")) return accepted;
    const Json &list = holder["accept"];
    if (!list.is_array()) throw InputError(path, where + "\"accept\" is not a list of conditions");
    for (const Json &name : list) {
        const auto condition = name.is_string() ? RunConditionNamed(name.get<std::string>()) : std::nullopt;
        if (!condition)
            throw InputError(path, where + "\"accept\" names " + name.dump() + ", no condition (it takes \"" +
                                       RunConditionName(RunCondition::Speed) + "\")");
        accepted.push_back(*condition);
    }
    return accepted;
}

// The run list of a series as template --series --json writes it, each run paired with a log in order.
std::vector<CampaignRun> PairRuns(const CliOptions &options, const Json &list, double &a) {
    const std::string &path = options.files.front();
    if (!list.is_object() || !list.contains("runs") || !list["runs"].is_array())
        throw InputError(path, "holds no run list (\"runs\"): write it with template --series ... --json");
    if (a <= 0 && list.contains("a_deg") && !list["a_deg"].is_null()) {
        if (!list["a_deg"].is_number() || !(list["a_deg"].get<double>() > 0))
            throw InputError(path,
                             "its a_deg " + list["a_deg"].dump() + " is no A (a positive number of deg)");
        a = list["a_deg"].get<double>();
    }
    const std::vector<RunCondition> forAll = AcceptedIn(list, path, "");
    const Json &runs = list["runs"];
    const std::size_t logs = options.files.size() - 1;
    if (runs.size() != logs)
        throw UsageError(
            Format("the run list has %zu runs and %zu logs were given: one log per run, in run order",
                   runs.size(), logs));
    std::vector<CampaignRun> paired;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const Json &run = runs[k];
        CampaignRun c;
        try {
            c.run = run.at("run").get<int>();
            c.set = run.at("set").get<std::string>();
            c.program = run.at("program").get<int>();
            c.amplitude = run.at("amplitude_deg").get<double>();
        } catch (const Json::exception &) {
            throw InputError(path, Format("run %zu lacks run, set, program or amplitude_deg", k + 1));
        }
        // A sine with dwell steers past the beginning angle, within what a program can command.
        if (!(c.amplitude > 5 && c.amplitude <= ChannelPhysics::MachineSteer))
            throw InputError(path,
                             Format("run %zu: amplitude_deg %g is no amplitude a sine with dwell is run at "
                                    "(more than 5 and at most %g deg)",
                                    k + 1, c.amplitude, ChannelPhysics::MachineSteer));
        c.log = options.files[k + 1];
        c.accepted = forAll;
        for (RunCondition condition : AcceptedIn(run, path, Format("run %zu: ", k + 1)))
            c.accepted.push_back(condition);
        paired.push_back(std::move(c));
    }
    return paired;
}

// The vehicle's name for the report, whose text is Latin-1: a name in UTF-8 as its characters ("?" for
// those Latin-1 has not), other bytes as they are.
std::string ReportText(const std::string &bytes) {
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (text.toUtf8().toStdString() != bytes) return bytes;
    return text.toLatin1().toStdString();
}

// The text in lines of at most the width, broken at blanks, the lines after the first indented: the
// report's first page does not wrap its lines.
void AddWrapped(std::vector<std::string> &lines, const std::string &text, std::size_t width = 90) {
    std::string line;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line = "    " + word;
        } else {
            line += (line.empty() ? "" : " ") + word;
        }
        at = end + 1;
    }
    lines.push_back(line);
}

std::string RunNumbers(const std::vector<int> &runs) {
    std::string text;
    for (int run : runs) text += (text.empty() ? "" : ", ") + std::to_string(run);
    return text;
}

CoverReportPage CoverOf(const CliOptions &options, const std::vector<CampaignRun> &runs, double a,
                        const CampaignVerdict &verdict) {
    using namespace SwdCriteria;
    CoverReportPage cover;
    cover.title = "Sine-with-dwell campaign: " + std::string(RunStateTitle(verdict.state));
    cover.lines.push_back("Vehicle: " + (options.vehicleName.empty() ? std::string("(not named)")
                                                                     : ReportText(options.vehicleName)));
    cover.lines.push_back(options.gvwr > 0
                              ? Format("Gross vehicle weight rating: %g kg", options.gvwr)
                              : std::string("Gross vehicle weight rating: not given (at most 3500 kg)"));
    cover.lines.push_back(
        a > 0 ? Format("A = %.1f deg (steer angle at 0.3 g from the slowly increasing steer runs)", a)
              : std::string("A: not known, so the campaign cannot pass"));
    cover.lines.push_back(Format("Runs: %zu, passed %d, failed %d, invalid %d%s", runs.size(), verdict.passed,
                                 verdict.failed, verdict.invalid,
                                 verdict.reason.empty() ? "" : (": " + verdict.reason).c_str()));
    cover.lines.push_back(
        Format("Criteria: yaw rate ratio at most %g %% at COS + 1.000 s and %g %% at COS + 1.750 s;",
               RatioLimit1, RatioLimit2));
    cover.lines.push_back(
        Format("lateral displacement at BOS + 1.07 s at least %.2f m in the runs from 5 A on",
               options.gvwr > HeavyVehicle ? HeavyDisplacementLimit : DisplacementLimit));
    AddWrapped(cover.lines,
               Format("Each run must show: the speed at BOS %g +/- %g km/h, the commanded amplitude (within "
                      "%g %%, at least %g deg), one run per log, every channel trusted; otherwise it is "
                      "invalid",
                      Speed, SpeedTolerance, 100 * AmplitudeTolerance, AmplitudeToleranceFloor));
    for (RunCondition condition : RunConditions()) {
        std::vector<int> stated;
        for (const CampaignRun &c : runs) {
            const auto &s = c.result.verdict.StatedConditions();
            if (std::find(s.begin(), s.end(), condition) != s.end()) stated.push_back(c.run);
        }
        if (!stated.empty())
            AddWrapped(cover.lines, std::string("Stated, not measured: ") + RunConditionText(condition) +
                                        " in run" + (stated.size() > 1 ? "s " : " ") + RunNumbers(stated));
    }
    // The runs that did not pass, those with one reason together, so that the page keeps its table.
    std::vector<std::pair<std::string, std::vector<int>>> reasons;
    for (const CampaignRun &c : runs) {
        if (c.result.pass) continue;
        const std::string why = std::string(RunStateName(c.result.state)) + ": " + c.result.reason;
        auto same =
            std::find_if(reasons.begin(), reasons.end(), [&](const auto &r) { return r.first == why; });
        if (same == reasons.end())
            reasons.push_back({why, {c.run}});
        else
            same->second.push_back(c.run);
    }
    for (const auto &[why, numbers] : reasons)
        AddWrapped(cover.lines, (numbers.size() > 1 ? "Runs " : "Run ") + RunNumbers(numbers) + " " + why);
    cover.lines.push_back("Run list: " + options.files.front());
    cover.header = {"run",        "amplitude",  "log",        "BOS s",    "COS s",
                    "peak deg/s", "ratio 1.00", "ratio 1.75", "displ. m", "verdict"};
    for (const CampaignRun &c : runs) {
        std::vector<std::string> row{std::to_string(c.run), Format("%.2f deg", c.amplitude),
                                     FileNameOf(c.log)};
        const SwdResult &r = c.result;
        if (r.processed)
            row.insert(row.end(), {Format("%.3f", r.bos), Format("%.3f", r.cos),
                                   Format("%.2f", r.peakYawRate), Format("%.1f %%", r.ratio1),
                                   Format("%.1f %%", r.ratio2), Format("%.3f", r.displacement)});
        else
            row.insert(row.end(), 6, "");
        row.push_back(r.pass ? "pass" : RunStateTitle(r.state));
        cover.rows.push_back(row);
        cover.rowPasses.push_back(r.pass);
    }
    return cover;
}

int EvaluateCampaign(const CliOptions &options) {
    double a = options.amplitudeA;
    std::vector<CampaignRun> runs = PairRuns(options, ReadJsonFile(options.files.front()), a);
    SwdOptions swd = SwdOptionsFrom(options);
    swd.amplitudeA = a;
    Json runsJson = Json::array();
    std::vector<RunState> states;
    for (CampaignRun &c : runs) {
        swd.commandedAmplitude = c.amplitude;
        swd.accepted = options.accepted;
        swd.accepted.insert(swd.accepted.end(), c.accepted.begin(), c.accepted.end());
        c.vehicleLog = ReadRun(c.log, options, true);
        c.result = EvaluateSineWithDwell(c.vehicleLog, swd);
        states.push_back(c.result.state);
        Json run{{"run", c.run},           {"set", FileName(c.set)},
                 {"program", c.program},   {"amplitude_deg", c.amplitude},
                 {"log", FileName(c.log)}, {"dropouts", DropoutsJson(c.vehicleLog)}};
        run.update(SwdJson(c.result));
        if (c.result.state == RunState::Invalid) run["invalid"] = c.result.reason;
        runsJson.push_back(run);
    }
    const CampaignVerdict verdict = JudgeCampaign(states, a > 0);
    const bool pass = verdict.state == RunState::Pass;
    if (!options.csv.empty()) WriteOutput(options, options.csv, CsvText(runs));
    if (!options.output.empty()) {
        std::vector<RunReportPage> pages;
        for (const CampaignRun &c : runs)
            if (c.result.processed)
                pages.push_back(RunPageOf(c.result, c.vehicleLog,
                                          Format("Run %d of %zu: %s program %d, amplitude %.2f deg (%s)",
                                                 c.run, runs.size(), FileNameOf(c.set).c_str(), c.program,
                                                 c.amplitude, FileNameOf(c.log).c_str())));
        WriteOutput(options, options.output, EvaluationPdfBytes(CoverOf(options, runs, a, verdict), pages));
    }
    if (options.json) {
        PrintJson({{"run_list", FileName(options.files.front())},
                   {"a_deg", a > 0 ? Json(a) : Json(nullptr)},
                   {"gvwr_kg", options.gvwr > 0 ? Json(options.gvwr) : Json(nullptr)},
                   {"vehicle", FileName(options.vehicleName)},
                   {"runs", runsJson},
                   {"passed", verdict.passed},
                   {"failed", verdict.failed},
                   {"invalid", verdict.invalid},
                   {"state", RunStateName(verdict.state)},
                   {"reason", verdict.reason.empty() ? Json(nullptr) : Json(verdict.reason)},
                   {"pass", pass}});
    } else {
        std::vector<std::string> lines;
        for (const CampaignRun &c : runs) {
            const SwdResult &r = c.result;
            std::string figures;
            if (r.processed)
                figures = Format(": ratios %6.1f %% %6.1f %%, displacement %.3f m%s", r.ratio1, r.ratio2,
                                 r.displacement, r.passDisplacement ? "" : " (not judged)");
            lines.push_back(Format("Run %2d %8.2f deg  %s%s: %s", c.run, c.amplitude,
                                   PrintableText(c.log).c_str(), figures.c_str(),
                                   r.pass ? "pass" : RunStateTitle(r.state)) +
                            (r.reason.empty() ? "" : ": " + r.reason));
        }
        lines.push_back(Format("Campaign: %s (%zu runs, %d failed, %d invalid)",
                               pass ? "pass" : RunStateTitle(verdict.state), runs.size(), verdict.failed,
                               verdict.invalid) +
                        (verdict.reason.empty() ? "" : ": " + verdict.reason));
        PrintLines(stdout, lines);
    }
    return pass ? 0 : 1;
}

} // namespace

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
    if (options.evaluation != "campaign") return RunHandlingEvaluation(options);
    return EvaluateCampaign(options);
}
